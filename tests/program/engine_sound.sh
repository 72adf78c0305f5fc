#!/usr/bin/env bash
# The engines heard: a race recorded with "--record-audio" (8-bit stereo at 88320 Hz, one block
# per tick) holds the idling engine once Escape closes the menu, not silence; holding the clutch
# ("z") and the throttle ("x") for 5 s of race raises the firing frequency (found by
# autocorrelating the loudness envelope) well above idle, and it falls again after release. Then,
# once the gate has dropped, the bike is ridden at full throttle and left to coast: riding peaks
# within 10 dB of full scale (a single voice at the middle of the stereo field can reach about
# -6 dBFS) and coasting stays above -30 dBFS, well above the grain of the 8-bit output. The capture
# is kept as a WAV file beside the build (engine_sound.wav) to listen to.
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
# Idle for 3 s of race, clutch and throttle held for 5 s, then 5 s after release; on past the
# start (the gate drops by tick 1920), full throttle for 6.25 s, and 6.25 s of coasting: the race
# stops itself at each of those ticks.
start_game --track ridgeback --record-audio "$capture" --lock-fps 32 --pause-at 384,1024,1664,2200,3000,3800
wait_for_window
wait_for_log 'Max loading delay was' 90
send_keys Escape
wait_paused 384
xdotool keydown z keydown x
ride_to 1024
xdotool keyup x keyup z
ride_to 1664
ride_to 2200
xdotool keydown x
ride_to 3000
xdotool keyup x
ride_to 3800
close_game

# The capture runs in simulated time, one block of 690 frames per tick from the race's first, so
# a loaded machine slows it but does not move its phases: each is a span of ticks.
python3 - "$capture" "$(dirname "$rutline")/engine_sound.wav" <<'PY' || fail "the engine sound is wrong"
import math, sys, wave
data = open(sys.argv[1], 'rb').read()
rate = 88320
with wave.open(sys.argv[2], 'wb') as w:
    w.setnchannels(2); w.setsampwidth(1); w.setframerate(rate); w.writeframes(data)
# Loudness envelope at 1 kHz of the mixed channels.
step = rate // 1000
per_tick = rate // 128
if len(data) < 3800 * per_tick * 2: sys.exit('only %d ticks captured' % (len(data) // (per_tick * 2)))
def ticks(a, b): return data[a * per_tick * 2:b * per_tick * 2]
def envelope(d):
    mono = [abs((d[i] + d[i + 1]) / 2 - 128) for i in range(0, len(d) - 1, 2)]
    return [sum(mono[i:i + step]) / step for i in range(0, len(mono) - step, step)]

def firing_hz(x):
    # The strongest autocorrelation for 8..500 Hz past the envelope's own smoothness (the lags
    # before the autocorrelation first turns negative).
    m = sum(x) / len(x)
    x = [e - m for e in x]
    c = [sum(x[i] * x[i + lag] for i in range(len(x) - lag)) / (len(x) - lag) for lag in range(126)]
    start = next((lag for lag in range(1, 126) if c[lag] < 0), 125)
    best_lag = max(range(max(start, 2), 126), key=lambda lag: c[lag])
    return 1000.0 / best_lag

# Idle is the first 0.3 s; revving the fastest 0.3 s window while the clutch is held; its end
# the last 0.3 s before the gate.
n = 300
idle_env, rev_env, after_env = envelope(ticks(0, 384)), envelope(ticks(384, 1024)), envelope(ticks(1024, 1664))
idle = firing_hz(idle_env[:n])
top = max(firing_hz(rev_env[i:i + n]) for i in range(0, len(rev_env) - n, 100))
last = firing_hz(after_env[-n:])
print('peak idle %.1f; firing idle %.1f Hz, top %.1f Hz, at the end %.1f Hz' % (max(idle_env[:n]), idle, top, last))
if max(idle_env[:n]) < 1: sys.exit('silence at idle')
if not top > 2 * idle: sys.exit('revving did not raise the firing frequency')
if not last < top: sys.exit('the firing frequency did not fall after release')

def peak_dbfs(d):
    return 20 * math.log10(max(max(abs(v - 128) for v in d), 1) / 128)
riding, coasting = peak_dbfs(ticks(2300, 3000)), peak_dbfs(ticks(3100, 3800))
print('full throttle peak %.1f dBFS, coasting peak %.1f dBFS' % (riding, coasting))
if riding < -10: sys.exit('full throttle peaks at only %.1f dBFS' % riding)
if coasting < -30: sys.exit('coasting peaks at only %.1f dBFS' % coasting)
PY

# Without sound the same start runs and ends cleanly.
home=$root/silent
mkdir -p "$home"
start_game --track ridgeback --nosound --lock-fps 32
wait_for_window
wait_for_log 'Max loading delay was' 90
close_game
echo ok
