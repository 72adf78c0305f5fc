#!/usr/bin/env bash
# The engines heard: a race recorded with "--record-audio" (8-bit stereo at 88320 Hz, one block
# per tick) holds the idling engine once Escape closes the menu, not silence; holding the clutch
# ("z") and the throttle ("x") for 5 s of race raises the firing frequency (found by
# autocorrelating the loudness envelope) well above idle, and it falls again after release. The capture is kept as
# a WAV file beside the build (engine_sound.wav) to listen to.
# Usage: engine_sound.sh PATH-TO-RUTLINE
set -uo pipefail
rutline=$1
source "$(dirname "$0")/lib.bash"
find_closer
make_temp_home home
fail_log_lines=60

[ -f "$(dirname "$rutline")/ridgeback/terrain.hf" ] || fail "no generated default track beside $rutline"

start_xvfb
mkdir -p "$home"
capture=$home/engine.raw
# Idle for 3 s of race, clutch and throttle held for 5 s, then 5 s after release: the race stops
# itself at each of those ticks.
start_game --track ridgeback --record-audio "$capture" --lock-fps 32 --pause-at 384,1024,1664
wait_for_window
wait_for_log 'Max loading delay was' 90
send_keys Escape
wait_paused 384
xdotool keydown z keydown x
ride_to 1024
xdotool keyup x keyup z
ride_to 1664
close_game

# The capture runs in simulated time, which a loaded machine slows: find the phases in it, not
# by the clock. Idle is its first 0.3 s; revving the fastest 0.3 s window; its end the last.
python3 - "$capture" "$(dirname "$rutline")/engine_sound.wav" <<'PY' || fail "the engine sound is wrong"
import sys, wave
data = open(sys.argv[1], 'rb').read()
rate = 88320
with wave.open(sys.argv[2], 'wb') as w:
    w.setnchannels(2); w.setsampwidth(1); w.setframerate(rate); w.writeframes(data)
# Loudness envelope at 1 kHz of the mixed channels.
step = rate // 1000
mono = [abs((data[i] + data[i + 1]) / 2 - 128) for i in range(0, len(data) - 1, 2)]
env = [sum(mono[i:i + step]) / step for i in range(0, len(mono) - step, step)]
if len(env) < 1200: sys.exit('only %d ms captured' % len(env))

def firing_hz(x):
    # The strongest autocorrelation for 8..500 Hz past the envelope's own smoothness (the lags
    # before the autocorrelation first turns negative).
    m = sum(x) / len(x)
    x = [e - m for e in x]
    c = [sum(x[i] * x[i + lag] for i in range(len(x) - lag)) / (len(x) - lag) for lag in range(126)]
    start = next((lag for lag in range(1, 126) if c[lag] < 0), 125)
    best_lag = max(range(max(start, 2), 126), key=lambda lag: c[lag])
    return 1000.0 / best_lag

n = 300
rates = [firing_hz(env[i:i + n]) for i in range(0, len(env) - n, 100)]
idle, top, last = rates[0], max(rates), rates[-1]
print('captured %d ms; peak idle %.1f; firing idle %.1f Hz, top %.1f Hz, at the end %.1f Hz' %
      (len(env), max(env[:n]), idle, top, last))
if max(env[:n]) < 1: sys.exit('silence at idle')
if not top > 2 * idle: sys.exit('revving did not raise the firing frequency')
if not last < top: sys.exit('the firing frequency did not fall after release')
PY

# Without sound the same start runs and ends cleanly.
home=$root/silent
mkdir -p "$home"
start_game --track ridgeback --nosound --lock-fps 32
wait_for_window
wait_for_log 'Max loading delay was' 90
close_game
echo ok
