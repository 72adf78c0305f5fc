// ODE's dError and dDebug never return: with a handler that returns, ODE aborts. Its internal
// assertions (a quaternion that cannot be normalised, say) fire in the middle of the step, so
// the handler jumps back out of the solver to physics_world_step. What that leaves behind
// was measured on ODE 0.16: the bodies keep finite or NaN states and force accumulators, which
// the guard below calms; the world's threading implementation keeps a job it never finished and
// asserts when destroyed, so it is set aside (never freed) and the world gets a new one. The
// guard before every step is what keeps the assertion from being reached in the first place.
#include "bike/physics_guard.h"

#include <cmath>
#include <csetjmp>
#include <cstdarg>
#include <cstdio>

#include "bike/bike_record.h"
#include "bike/world_step.h"
#include "platform/log.h"

// The job records of a step that faulted are lost with the jump (80 bytes each, once per fault):
// the leak checker of the sanitizer build is told not to count what a world step allocates.
#if defined(__SANITIZE_ADDRESS__)
#define RL_LEAK_CHECKED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define RL_LEAK_CHECKED 1
#endif
#endif
#ifdef RL_LEAK_CHECKED
#include <sanitizer/lsan_interface.h>
static void leaks_uncounted(bool on) { on ? __lsan_disable() : __lsan_enable(); }
#else
static void leaks_uncounted(bool) {}
#endif

static jmp_buf                    g_jump;
static volatile int               g_stepping;
static int                        g_faults;
static int                        g_messages;
static int                        g_guarded;
static dThreadingImplementationID g_threading;
enum { SET_ASIDE_MAX = 64 };
static dThreadingImplementationID g_set_aside[SET_ASIDE_MAX];   // kept reachable, never freed
static int                        g_set_aside_count;

static void log_ode(const char *kind, int number, const char *format, va_list ap)
{
    char text[400];
    vsnprintf(text, sizeof text, format, ap);
    kubl_log_printf("ODE %s %d: %s\n", kind, number, text);
}

static void on_fault(int number, const char *format, va_list ap)
{
    log_ode("fault", number, format, ap);
    if (g_stepping) {
        g_stepping = 0;
        longjmp(g_jump, 1);
    }
    kubl_log_printf("ODE fault outside the world step: the game cannot go on\n");
}

// Warnings such as the dense solver's "LCP internal error": the first few and then a sample.
static void on_message(int number, const char *format, va_list ap)
{
    ++g_messages;
    if (g_messages <= 20 || g_messages % 1000 == 0) log_ode("message", number, format, ap);
    if (g_messages == 20) kubl_log_printf("ODE messages after this one: every 1000th\n");
}

static void give_threading(dWorldID world)
{
    g_threading = dThreadingAllocateSelfThreadedImplementation();
    dWorldSetStepThreadingImplementation(world, dThreadingImplementationGetFunctions(g_threading), g_threading);
}

static dWorldID g_world;   // the world the handlers and the threading were given to

void physics_guard_init(dWorldID world)
{
    dSetErrorHandler(on_fault);
    dSetDebugHandler(on_fault);
    dSetMessageHandler(on_message);
    g_world = world;
    if (!world) return;
    if (!g_threading) g_threading = dThreadingAllocateSelfThreadedImplementation();
    dWorldSetStepThreadingImplementation(world, dThreadingImplementationGetFunctions(g_threading), g_threading);
}

void physics_guard_free(dWorldID world)
{
    g_world = nullptr;
    if (!g_threading) return;
    if (world) dWorldSetStepThreadingImplementation(world, nullptr, nullptr);
    dThreadingFreeImplementation(g_threading);
    g_threading = nullptr;
}

int physics_world_step(dWorldID world, dReal step_seconds, bike *const *bikes, int count)
{
    if (world != g_world) physics_guard_init(world);
    if (setjmp(g_jump)) {
        leaks_uncounted(false);
        dSetMessageHandler(on_message);   // world_step's own listener was left in place by the jump
        ++g_faults;
        kubl_log_printf("ODE left the world step after a fault: the bikes are calmed and the race goes on\n");
        g_set_aside[g_set_aside_count++] = g_threading;
        g_threading = nullptr;
        // Each fault costs a threading implementation (about 130 kB): past the last one kept, the
        // world stands still rather than the memory growing every tick.
        if (g_set_aside_count == SET_ASIDE_MAX) {
            kubl_log_printf("ODE faulted %d times: the world is no longer stepped\n", SET_ASIDE_MAX);
            dWorldSetStepThreadingImplementation(world, nullptr, nullptr);   // destroyed cleanly so
        } else {
            give_threading(world);
        }
        return 0;
    }
    if (g_set_aside_count == SET_ASIDE_MAX) return 0;
    leaks_uncounted(true);
    g_stepping = 1;
    world_step(world, step_seconds, bikes, count);
    g_stepping = 0;
    leaks_uncounted(false);
    return 1;
}

int physics_step_faults(void) { return g_faults; }

static bool finite3(const dReal *v) { return std::isfinite(v[0]) && std::isfinite(v[1]) && std::isfinite(v[2]); }
static double length3(const dReal *v) { return std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]); }

static bool pose_sound(dBodyID body)
{
    const dReal *q = dBodyGetQuaternion(body);
    const double n = q[0] * q[0] + q[1] * q[1] + q[2] * q[2] + q[3] * q[3];
    return finite3(dBodyGetPosition(body)) && std::isfinite(n) && n > 1e-12;
}

static bool motion_sound(dBodyID body)
{
    const dReal *v = dBodyGetLinearVel(body), *w = dBodyGetAngularVel(body);
    const dReal *f = dBodyGetForce(body), *t = dBodyGetTorque(body);
    return finite3(v) && finite3(w) && finite3(f) && finite3(t) && length3(v) <= BIKE_SPEED_MAX_FPS &&
           length3(w) <= BIKE_SPIN_MAX_RAD_S;
}

static const float *rest_place(const bike_info &in, int body)
{
    switch (body) {
    case BODY_FRAME: return in.frame_position;
    case BODY_FRONT_WHEEL: return in.front_wheel.center;
    case BODY_REAR_WHEEL: return in.rear_wheel.center;
    case BODY_FORK_UPPER: return in.fork_upper_position;
    case BODY_FORK_LOWER: return in.fork_lower_position;
    case BODY_SWINGARM: return in.swingarm_position;
    default: return in.rider_position;
    }
}

int bike_guard_state(bike *b)
{
    if (!b) return 0;
    bool posed = true, moving = true;
    for (dBodyID body : b->bodies) {
        posed = posed && pose_sound(body);
        moving = moving && motion_sound(body);
    }
    if (posed && moving) return 0;

    if (!posed) {
        // Upright at rest where the frame was, or where any body still is, or at the rest place.
        const float *frame_rest = rest_place(b->info, BODY_FRAME);
        double at[3] = {frame_rest[0], frame_rest[1], frame_rest[2]};
        for (int i = 0; i < BIKE_BODIES; ++i) {
            const dReal *p = dBodyGetPosition(b->bodies[i]);
            if (!finite3(p) || std::fabs(p[0]) > 1e7 || std::fabs(p[1]) > 1e7 || std::fabs(p[2]) > 1e7) continue;
            const float *r = rest_place(b->info, i);
            for (int k = 0; k < 3; ++k) at[k] = p[k] - r[k] + frame_rest[k];
            break;
        }
        static const dMatrix3 identity = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0};
        for (int i = 0; i < BIKE_BODIES; ++i) {
            const float *r = rest_place(b->info, i);
            dBodySetPosition(b->bodies[i], at[0] + r[0] - frame_rest[0], at[1] + r[1] - frame_rest[1],
                             at[2] + r[2] - frame_rest[2]);
            dBodySetRotation(b->bodies[i], identity);
        }
    }
    for (dBodyID body : b->bodies) {
        dBodySetLinearVel(body, 0, 0, 0);
        dBodySetAngularVel(body, 0, 0, 0);
        dBodySetForce(body, 0, 0, 0);
        dBodySetTorque(body, 0, 0, 0);
    }
    ++g_guarded;
    if (g_guarded <= 20 || g_guarded % 1000 == 0)
        kubl_log_printf("Bike %s before the world step: %s\n", posed ? "moving beyond any bike" : "pose not finite",
                        posed ? "stopped" : "re-placed upright");
    return 1;
}
