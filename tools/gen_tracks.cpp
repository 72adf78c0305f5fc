// Makes the default tracks and the ground tiles they share:
//   OUT/<tile>.png          the five surfaces, their variants and transitions ("tileinfo" names
//                           them as "@<tile>.png", without a folder, so transitions resolve)
//   OUT/ridgeback/          the full motocross track, 1025 x 1025 vertices
//   OUT/ridgeback-practice/ a small practice loop, 257 x 257 vertices
// Each track folder gets its ground files (through the game's own ground saver), "shadows.pgm",
// "tileinfo", "lighting", "timing_gates", "statues", "billboards", "flaggers", "cameras", "desc",
// "map.png" and the pictures, models and shapes these name, and the robots' first lines
// ("lines_novice", "lines_amateur", "lines_expert", all three the same). The statues' shadows are
// baked into the ground's; the sun shines in the sky pictures and casts a lens flare.
//
// The output depends only on the seeds below.
//
// usage: gen_tracks OUTPUT_FOLDER
#include "tools/track_lines.h"
#include "tools/track_objects.h"
#include "tools/track_paint.h"
#include "tools/track_plans.h"
#include "terrain/field.h"
#include "terrain/lighting.h"
#include "terrain/shading.h"
#include "terrain/terrain_io.h"
#include "platform/array.h"
#include <cstdlib>
#include <memory>

using namespace gen;

namespace {

struct lighting_values {
    float sun[3], sun_color[3], ambient[3], global_ambient[3], fog[4];
};

const lighting_values LIGHT = {{-0.45f, 0.62f, 0.40f}, {1.0f, 0.95f, 0.86f}, {0.44f, 0.46f, 0.52f}, {0.2f, 0.2f, 0.22f},
                               {0.74f, 0.82f, 0.90f, 0.0006f}};

// The usual high sun, or a low one straight ahead of the riders on the start line.
lighting_values track_light(const track_plan &plan, const course &c)
{
    lighting_values l = LIGHT;
    if (plan.sun_ahead_degrees > 0) {
        const course_sample &k = c.spur.empty() ? c.loop_at(c.spec->finish_s + 30) : c.spur[8];
        const double e = plan.sun_ahead_degrees * PI / 180, hl = std::hypot(k.tx, k.tz);
        l.sun[0] = (float)(k.tx / hl * std::cos(e));
        l.sun[1] = (float)std::sin(e);
        l.sun[2] = (float)(k.tz / hl * std::cos(e));
        // A sun this low warms the light and leaves more to the sky.
        l.sun_color[0] = 1.0f, l.sun_color[1] = 0.9f, l.sun_color[2] = 0.76f;
    }
    return l;
}

std::string lighting_text(const std::string &folder_name, const lighting_values &l, const double sun[3])
{
    char text[2048];
    auto face = [&](const char *f) { return "@" + folder_name + "/" + f; };
    snprintf(text, sizeof text,
             "sun_vector [ %g %g %g ]\n"
             "sun_color [ %g %g %g ]\n"
             "ambient [ %g %g %g ]\n"
             "global_ambient [ %g %g %g ]\n"
             "sky_n %s\nsky_e %s\nsky_s %s\nsky_w %s\nsky_u %s\nsky_env %s\n"
             "fog [ %g %g %g ] %g\n"
             "near_plane 0.25\n"
             "far_plane 5000\n",
             l.sun[0], l.sun[1], l.sun[2], l.sun_color[0], l.sun_color[1], l.sun_color[2], l.ambient[0], l.ambient[1],
             l.ambient[2], l.global_ambient[0], l.global_ambient[1], l.global_ambient[2], face("sky_n.png").c_str(),
             face("sky_e.png").c_str(), face("sky_s.png").c_str(), face("sky_w.png").c_str(), face("sky_u.png").c_str(),
             face("sky_env.png").c_str(), l.fog[0], l.fog[1], l.fog[2], l.fog[3]);
    return text + flare_text(folder_name, sun);
}

// The lighting the game will hold after reading the file above: the vectors as the file's text
// gives them, the sun normalised the way the loader does it.
void set_track_lighting(const lighting_values &values)
{
    char text[64];
    auto reread = [&](const float *v, float *out) {
        snprintf(text, sizeof text, "%g %g %g", v[0], v[1], v[2]);
        sscanf(text, "%f %f %f", &out[0], &out[1], &out[2]);
    };
    lighting_record &l = track_lighting;
    memset(&l, 0, sizeof l);
    reread(values.sun, l.sun_vector);
    reread(values.sun_color, l.sun_color);
    reread(values.ambient, l.ambient);
    reread(values.global_ambient, l.global_ambient);
    float len = std::sqrt(l.sun_vector[0] * l.sun_vector[0] + l.sun_vector[1] * l.sun_vector[1] + l.sun_vector[2] * l.sun_vector[2]);
    float inv = 1.0f / len;
    for (float &c : l.sun_vector) c *= inv;
}

// Light reaching each vertex, 255 fully lit: a ray towards the sun is marched one cell at a time
// until it clears the highest ground; ground within a foot above the ray gives a soft edge.
std::vector<unsigned char> march_shadows(const std::vector<float> &h, int dim, double cell, const float *sun)
{
    double hl = std::hypot(sun[0], sun[2]);
    std::vector<unsigned char> lit((std::size_t)dim * dim, 255);
    if (hl < 1e-6) return lit;
    const double dx = sun[0] / hl, dz = sun[2] / hl, rise = sun[1] / hl * cell;
    const float top = *std::max_element(h.begin(), h.end());
    auto at = [&](double x, double z) {
        x = std::max(0.0, std::min(dim - 1.001, x)), z = std::max(0.0, std::min(dim - 1.001, z));
        int ix = (int)x, iz = (int)z;
        double fx = x - ix, fz = z - iz;
        const float *r0 = &h[(std::size_t)iz * dim + ix], *r1 = r0 + dim;
        return (r0[0] * (1 - fx) + r0[1] * fx) * (1 - fz) + (r1[0] * (1 - fx) + r1[1] * fx) * fz;
    };
    for (int z = 0; z < dim; ++z)
        for (int x = 0; x < dim; ++x) {
            double ray = h[(std::size_t)z * dim + x] + 0.05, shade = 0;
            for (int k = 1; ray < top && shade < 1; ++k) {
                ray += rise;
                double px = x + dx * k, pz = z + dz * k;
                if (px < 0 || pz < 0 || px > dim - 1 || pz > dim - 1) break;
                shade = std::max(shade, clamp01((at(px, pz) - ray) / 1.0));
            }
            lit[(std::size_t)z * dim + x] = (unsigned char)std::lround(255 * (1 - shade));
        }
    return lit;
}

struct decal_place { double x, z, angle, size1, size2; const char *picture; };

// Tyre marks where riders brake into the tight turns and lay down power out of them, and a few
// damp patches in the dips.
std::vector<decal_place> place_decals(const course &c, std::uint32_t seed)
{
    std::vector<decal_place> out;
    rng r(seed);
    double last = -1e9;
    for (const course_sample &k : c.loop) {
        if (std::fabs(k.curvature) < 1.0 / 90.0 || k.s - last < 14) continue;
        last = k.s;
        double off = r.range(-k.half_width * 0.5, k.half_width * 0.5);
        out.push_back({k.x - k.tz * off, k.z + k.tx * off, std::atan2(k.tx, k.tz) + r.range(-0.15, 0.15), r.range(14, 22),
                       0.22, "tyre_marks.png"});
    }
    for (int i = 0; i < 6; ++i) {
        const course_sample &k = c.loop_at(r.range(0, c.loop_length));
        out.push_back({k.x, k.z, r.range(0, 2 * PI), r.range(8, 16), 1.0, "stain.png"});
    }
    return out;
}

bool make_track(const std::string &out, const track_plan &base, const tile_set &tiles)
{
    track_plan plan = base;
    const int dim = (1 << (plan.depth + 1)) + 1;
    const std::string dir = out + plan.folder + "/";
    make_folder(dir);

    course c = track_course(plan);
    ground g = carve_ground(c, dim, plan.cell, plan.land);

    // Heights as the game will read them back (16-bit steps between the extremes), so shading and
    // shadows match what the loader holds.
    const std::size_t count = (std::size_t)dim * dim;
    const float lo = *std::min_element(g.height.begin(), g.height.end()), hi = *std::max_element(g.height.begin(), g.height.end());
    for (float &h : g.height) h = terrain_sample_height(lo, hi, terrain_quantise_height(h, lo, hi));

    const lighting_values light = track_light(plan, c);
    set_track_lighting(light);
    const double sun[3] = {track_lighting.sun_vector[0], track_lighting.sun_vector[1], track_lighting.sun_vector[2]};
    std::vector<unsigned char> lit = march_shadows(g.height, dim, plan.cell, track_lighting.sun_vector);

    // The objects first: their shadows go into the ground's before it is shaded.
    track_objects o;
    o.folder_name = plan.folder;
    place_gates(o, c, g);
    place_start(o, c, plan.start_count);
    place_statues(o, c);
    place_billboards(o, c, g, plan.trees, plan.seed + 3);
    place_flaggers(o, c);
    place_cameras(o, c);
    bake_statue_shadows(lit, g, o.placed, sun);

    std::unique_ptr<terrain_field> t(new terrain_field());
    memset((void *)t.get(), 0, sizeof *t);
    std::vector<unsigned char> shadows(count), shading(count * 3);
    for (std::size_t i = 0; i < count; ++i) shadows[i] = (unsigned char)(255 - lit[i]);
    t->heights = g.height.data();
    t->shadows = shadows.data();
    t->shading = shading.data();
    t->lod_depth = plan.depth;
    t->grid_dim = dim;
    t->cell_size = (float)plan.cell;
    t->tile_size = (float)(2 * plan.cell);
    t->world_size = (float)g.world();
    t->texture_mode = 2;
    snprintf(t->folder, sizeof t->folder, "%s%s", out.c_str(), plan.folder);
    for (int z = 0; z < dim; ++z)
        for (int x = 0; x < dim; ++x) vertex_shade_color(t.get(), x, z, &shading[((std::size_t)z * dim + x) * 3]);

    std::vector<unsigned char> tilemap = paint_tilemap(g, tiles, plan.seed + 1);
    t->tilemap = tilemap.data();

    const std::vector<decal_place> decals = place_decals(c, plan.seed + 2);
    std::vector<std::string> decal_names;
    for (const decal_place &d : decals) decal_names.push_back("@" + std::string(plan.folder) + "/" + d.picture);
    growable_array_init(&t->decals, sizeof(decal));
    for (std::size_t i = 0; i < decals.size(); ++i) {
        decal d;
        memset(&d, 0, sizeof d);
        d.x = (float)decals[i].x, d.z = (float)decals[i].z, d.angle = (float)decals[i].angle;
        d.size1 = (float)decals[i].size1, d.size2 = (float)decals[i].size2;
        d.name = const_cast<char *>(decal_names[i].c_str());
        growable_array_append(&t->decals, &d);
    }
    bool ok = terrain_save(t.get()) == 1;
    growable_array_free(&t->decals);
    if (!ok) fprintf(stderr, "gen_tracks: saving the ground of '%s' failed\n", plan.folder);
    // Only the doubled legacy copy of the shading; the game reads "shadingx2.ppm" first.
    remove((dir + "shading.ppm").c_str());

    ok = write_pgm(dir + "shadows.pgm", dim, dim, lit) && ok;
    ok = write_text(dir + "tileinfo", tileinfo_text(tiles)) && ok;
    ok = write_text(dir + "lighting", lighting_text(plan.folder, light, sun)) && ok;
    ok = write_text(dir + "desc", std::string(plan.long_name) + "\n") && ok;

    ok = write_text(dir + "timing_gates", timing_gates_text(o)) && ok;
    ok = write_text(dir + "statues", join_lines(o.statues)) && ok;
    ok = write_text(dir + "billboards", join_lines(o.billboards)) && ok;
    ok = write_text(dir + "flaggers", join_lines(o.flaggers)) && ok;
    ok = write_text(dir + "cameras", join_lines(o.cameras)) && ok;

    const plan_lines lines = plan_track_lines(c, o, t.get());
    const std::string lines_text = lines_file_text(lines);
    for (const char *name : {"lines_novice", "lines_amateur", "lines_expert"}) ok = write_text(dir + name, lines_text) && ok;
    if (lines.broken_joins > 0)
        fprintf(stderr, "gen_tracks: %s: %d pairs of robot lines do not join\n", plan.folder, lines.broken_joins);

    ok = write_statue_assets(dir) && ok;
    ok = write_billboard_pictures(dir) && ok;
    ok = write_decal_pictures(dir) && ok;
    ok = write_sky(dir, plan.seed + 4, sun) && ok;
    ok = write_flare_pictures(dir) && ok;
    ok = write_map(dir, c, g.world()) && ok;

    int line_count = 0;
    for (const std::vector<plan_line> &section : lines.sections) line_count += (int)section.size();
    printf("gen_tracks: %s: lap %.0f ft, start straight %.0f ft, %d features, %d gates, %d statues, %d billboards, "
           "%d robot lines in %d sections\n",
           plan.folder, c.loop_length, c.spur_length, (int)c.features.size(), (int)o.gates.size(), (int)o.statues.size(),
           (int)o.billboards.size(), line_count, (int)lines.sections.size());
    return ok;
}

}   // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        fprintf(stderr, "usage: gen_tracks OUTPUT_FOLDER\n");
        return 2;
    }
    std::string out = argv[1];
    if (out.back() != '/') out += '/';
    make_folder(out);

    const tile_set tiles = make_tile_set();
    bool ok = true;
    for (const tile_entry &e : tiles.tiles) ok = write_tile_picture(out, e) && ok;
    ok = make_track(out, main_track(), tiles) && ok;
    ok = make_track(out, practice_track(), tiles) && ok;
    return ok ? 0 : 1;
}
