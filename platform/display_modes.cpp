// The display-mode list and the choice of a fullscreen mode.
#include "platform/display_internal.h"
#include "platform/log.h"
#include "platform/os/os_video.h"
#include <cstdlib>
#include <cstring>

static display_mode *g_modes;   // built once per process, kept until exit

static int depth_accepted(int bits)
{
    return bits == 8 || bits == 15 || bits == 16 || bits == 24 || bits == 32;
}

display_mode *kubl_mode_list_build(const display_mode_found *registry,
                                   const display_mode_found *found, int count)
{
    if (count < 0) count = 0;
    display_mode *list = (display_mode *)calloc((size_t)count + 2, sizeof *list);
    if (!list) return nullptr;
    int n = 0;
    if (registry) {
        const display_mode &r = registry->mode;
        if (depth_accepted(r.bits)) {
            list[n++] = r;
            kubl_log_printf("Registry mode is %dx%dx%d@%dhz\n", r.width, r.height, r.bits, registry->hz);
        } else {
            kubl_log_printf("Registry mode is %dx%dx%d@%dhz (ignored)\n", r.width, r.height, r.bits,
                            registry->hz);
        }
    }
    for (int i = 0; i < count; ++i) {
        const display_mode &m = found[i].mode;
        if (!depth_accepted(m.bits)) {
            kubl_log_printf("Found mode %dx%dx%d@%dhz (ignored)\n", m.width, m.height, m.bits, found[i].hz);
            continue;
        }
        int seen = 0;
        for (int j = 0; j < n && !seen; ++j)
            seen = list[j].width == m.width && list[j].height == m.height && list[j].bits == m.bits;
        if (seen) continue;
        kubl_log_printf("Found mode %dx%dx%d@%dhz\n", m.width, m.height, m.bits, found[i].hz);
        list[n++] = m;
    }
    list[n] = display_mode{0, 0, 0};
    return list;
}

int kubl_mode_choose(const display_mode *list, int width, int height, int *out_width, int *out_height)
{
    if (!list) return 0;
    const display_mode *best = nullptr;
    for (const display_mode *m = list; m->width || m->height || m->bits; ++m) {
        if (m->width < width || m->height < height) continue;
        if (!best || m->width + m->height < best->width + best->height) best = m;
    }
    if (!best) return 0;
    *out_width = best->width;
    *out_height = best->height;
    return 1;
}

const display_mode *kubl_display_modes(void)
{
    static const display_mode none[1] = {{0, 0, 0}};
    if (g_modes) return g_modes;
    // The list may be asked for before any window exists: bring the video system up for it.
    if (!os_video_init()) return none;
    display_mode_found registry;
    int have_registry = os_desktop_mode(&registry.mode, &registry.hz);
    int count = os_mode_count();
    if (count < 0) count = 0;
    display_mode_found *found = (display_mode_found *)calloc((size_t)count + 1, sizeof *found);
    if (found) {
        int n = 0;
        for (int i = 0; i < count; ++i)
            if (os_mode_get(i, &found[n].mode, &found[n].hz)) ++n;
        g_modes = kubl_mode_list_build(have_registry ? &registry : nullptr, found, n);
        free(found);
    }
    os_video_quit();
    return g_modes;
}

int kubl_registry_mode_size(int *width, int *height)
{
    display_mode m;
    int hz;
    int ok = os_video_init();
    if (ok) {
        ok = os_desktop_mode(&m, &hz);
        os_video_quit();
    }
    if (!ok) {
        *width = 640;
        *height = 480;
        return 0;
    }
    *width = m.width;
    *height = m.height;
    return 1;
}

int kubl_switch_display_mode(display *d, int width, int height)
{
    int rw, rh;
    int have_registry = kubl_registry_mode_size(&rw, &rh);
    if (width == 0 || height == 0) {
        d->fullscreen_width = rw;
        d->fullscreen_height = rh;
        return os_window_fullscreen(d, 0, 0);
    }
    int cw, ch;
    if (!kubl_mode_choose(kubl_display_modes(), width, height, &cw, &ch)) {
        cw = rw;
        ch = rh;
    }
    d->fullscreen_width = cw;
    d->fullscreen_height = ch;
    if (!have_registry || cw != rw || ch != rh) return os_window_fullscreen(d, cw, ch);
    return os_window_fullscreen(d, 0, 0);
}

int kubl_enter_fullscreen(display *d, int width, int height)
{
    if (!d->mode_switching) return 0;
    d->fullscreen_active = 0;
    kubl_switch_display_mode(d, width, height);
    d->fullscreen_active = 1;
    return 1;
}
