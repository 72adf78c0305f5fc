// The generated default tracks: both load through the real loaders without a warning, the
// generators make the same bytes every time, every timing gate stands across the course and a
// ride along it takes the gates in lap order.
//
// The content is the build's own (the game folder beside the test build, made by the
// generators as part of the build); one further generation into a temporary folder is compared
// with it byte for byte.
#include "terrain/field.h"
#include "terrain/lighting.h"
#include "terrain/shading.h"
#include "terrain/terrain_io.h"
#include "terrain/terrain_seams.h"
#include "terrain/statues.h"
#include "terrain/timing_gates.h"
#include "terrain/track_load.h"
#include "tools/track_plans.h"
#include "data/util.h"
#include "graphics/glcaps.h"
#include "graphics/model.h"
#include "graphics/texture.h"
#include "data/file_index.h"
#include "data/paths.h"
#include "fixtures/fixtures.h"
#include "platform/display.h"
#include "platform/log_capture.h"
#include <gtest/gtest.h>
#include <dirent.h>
#include <sys/stat.h>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

const std::string &game_dir()
{
    static std::string dir = fixture_game_dir();
    return dir;
}

struct track_info { const char *folder; int depth; };
const track_info tracks[] = {{"ridgeback", 9}, {"ridgeback-practice", 7}};

// The generated data folder and a window, for this suite only: other suites in this binary
// keep their own search folders.
struct Content : ::testing::Test {
    static display *window;
    static lighting_record lighting_before;   // the tracks' lighting is put back for later suites
    static void SetUpTestSuite()
    {
        lighting_before = track_lighting;
        setenv("XDG_DATA_HOME", fixture_temp_dir("contenthome").c_str(), 1);
        setenv("RL_HOME", game_dir().c_str(), 1);
        search_folders_free();
        data_files_free();
        window = kubl_gl_window_open("Rutline content", 64, 64, 24, 0, 16, 0, 0);
        if (window) gl_probe_extensions();
    }
    static void TearDownTestSuite()
    {
        track_lighting = lighting_before;
        texture_purge(1);
        if (window) kubl_gl_window_close(window);
        window = nullptr;
    }
    void SetUp() override
    {
        ASSERT_TRUE(fixture_file_exists(game_dir() + "ridgeback/terrain.hf")) << "no generated content in " << game_dir();
        ASSERT_NE(window, nullptr);
    }
};
display *Content::window = nullptr;
lighting_record Content::lighting_before;

std::vector<std::string> lines_with_problems(const std::string &log)
{
    std::vector<std::string> out;
    std::istringstream in(log);
    for (std::string line; std::getline(in, line);)
        for (const char *word : {"arning", "rror", "Can't", "Bad ", "missing", "mismatch"})
            if (line.find(word) != std::string::npos) {
                out.push_back(line);
                break;
            }
    return out;
}

TEST_F(Content, BothTracksLoadWithoutAWarning)
{
    for (const track_info &tr : tracks) {
        SCOPED_TRACE(tr.folder);
        LogCapture log("contentlog");
        const std::string folder = std::string("@") + tr.folder;
        lighting_load((folder + "/lighting").c_str());
        EXPECT_GT(track_lighting.fog_density, 0.0f);
        // Every sky picture the lighting names loads.
        std::istringstream lighting(fixture_read_file(game_dir() + tr.folder + "/lighting"));
        int skies = 0;
        for (std::string line; std::getline(lighting, line);) {
            char key[64], value[1024];
            if (sscanf(line.c_str(), "%63s %1023s", key, value) == 2 && !strncmp(key, "sky_", 4)) {
                EXPECT_NE(texture_load(value), 0u) << value;
                ++skies;
            }
        }
        EXPECT_EQ(skies, 6);

        std::unique_ptr<terrain_field> t(new terrain_field());
        memset((void *)t.get(), 0, sizeof *t);
        ASSERT_EQ(terrain_load(t.get(), folder.c_str(), 2), 1);
        EXPECT_EQ(t->grid_dim, (1 << (tr.depth + 1)) + 1);
        EXPECT_EQ(t->tile_count, 5 + 10 + 7 * 14);
        EXPECT_NE(t->shadows, nullptr);
        ASSERT_NE(t->decals.items, nullptr);
        EXPECT_GT(t->decals.count, 0);
        // Every height is finite and the field is not flat.
        float lo = 1e30f, hi = -1e30f;
        for (long i = 0; i < (long)t->grid_dim * t->grid_dim; ++i) {
            ASSERT_TRUE(std::isfinite(t->heights[i]));
            lo = std::fmin(lo, t->heights[i]), hi = std::fmax(hi, t->heights[i]);
        }
        EXPECT_GT(hi - lo, 10.0f);
        // The stored shading is what the lighting and shadows give: the saved vertex colours
        // match the colours the game computes for the vertices it refreshes after erosion.
        int off = 0;
        for (int z = 0; z < t->grid_dim; z += 37)
            for (int x = 0; x < t->grid_dim; x += 41) {
                unsigned char c[3];
                vertex_shade_color(t.get(), x, z, c);
                const unsigned char *s = t->shading + 3 * ((long)z * t->grid_dim + x);
                for (int k = 0; k < 3; ++k) off += std::abs((int)c[k] - (int)s[k]) > 1;
            }
        EXPECT_EQ(off, 0) << "shading does not follow the lighting file";
        terrain_free(t.get());
        lighting_free();
        for (const std::string &line : lines_with_problems(log.text())) ADD_FAILURE() << line;
    }
}

// The whole folder through the game's track loader, twice: every object file reads without a
// complaint (every statue's shape among them) and the digest comes out the same.
TEST_F(Content, TrackLoaderReadsEveryFileWithAStableDigest)
{
    for (const track_info &tr : tracks) {
        SCOPED_TRACE(tr.folder);
        std::uint8_t first[20];
        for (int pass = 0; pass < 2; ++pass) {
            LogCapture log("tracklog");
            track_name = string_intern(tr.folder);
            ASSERT_EQ(load_track(), 1);
            EXPECT_GT(gate_count, 3);
            EXPECT_GT(statues.count, first_own_statue);
            if (pass == 0) memcpy(first, track_digest, sizeof first);
            else EXPECT_EQ(memcmp(first, track_digest, sizeof first), 0) << "the digest changed";
            free_track();
            track_name = nullptr;
            for (const std::string &line : lines_with_problems(log.text())) ADD_FAILURE() << line;
        }
    }
}

// The models of the start gate and the track-side statues read whole: every triangle kept (a
// degenerate one would be dropped with a console line) and as many as the file says.
TEST_F(Content, ModelsReadWithoutLosingTriangles)
{
    LogCapture log("contentmodels");
    for (const char *name : {"@startgate.km", "@ridgeback/haybale.km", "@ridgeback/tuffblock.km", "@ridgeback/banner.km",
                             "@ridgeback-practice/banner.km"}) {
        SCOPED_TRACE(name);
        km_model *m = model_load(name);
        ASSERT_NE(m, nullptr);
        EXPECT_GE(m->triangle_count, 10);
        EXPECT_GT(m->vertex_count, 0);
    }
    model_purge(1);
    for (const std::string &line : lines_with_problems(log.text())) ADD_FAILURE() << line;
    EXPECT_EQ(log.text().find("degenerate"), std::string::npos);
}

// ---- the files themselves ----

std::map<std::string, std::string> folder_files(const std::string &dir)
{
    std::map<std::string, std::string> files;
    std::vector<std::string> todo{""};
    while (!todo.empty()) {
        std::string rel = todo.back();
        todo.pop_back();
        DIR *d = opendir((dir + rel).c_str());
        if (!d) continue;
        while (dirent *e = readdir(d)) {
            std::string name = e->d_name;
            if (name == "." || name == "..") continue;
            struct stat st;
            if (stat((dir + rel + name).c_str(), &st) != 0) continue;
            if (S_ISDIR(st.st_mode)) todo.push_back(rel + name + "/");
            else files[rel + name] = fixture_read_file(dir + rel + name);
        }
        closedir(d);
    }
    return files;
}

// The tracks and the bikes (models, pictures and collision shapes).
TEST_F(Content, GeneratingAgainGivesTheSameBytes)
{
    struct Case { const char *generator; std::size_t least_files; };
    for (const Case &c : {Case{"gen_tracks", 100}, Case{"gen_bikes", 500}}) {
        SCOPED_TRACE(c.generator);
        const std::string out = fixture_temp_dir("regen");
        const std::string gen = fixture_build_dir() + "tools/" + c.generator;
        ASSERT_TRUE(fixture_file_exists(gen)) << gen;
        ASSERT_EQ(std::system((gen + " " + out + " >/dev/null").c_str()), 0);
        const auto fresh = folder_files(out);
        ASSERT_GT(fresh.size(), c.least_files);
        for (const auto &f : fresh) {
            SCOPED_TRACE(f.first);
            ASSERT_TRUE(fixture_file_exists(game_dir() + f.first));
            EXPECT_TRUE(fixture_read_file(game_dir() + f.first) == f.second) << "differs from the build's copy";
        }
    }
}

// ---- the timing gates ----

// The race's rule: a gate is passed by a point within its radius of the centre (horizontally)
// on the side its direction points to.
bool passes(const timing_gate &g, double x, double z)
{
    const double dx = x - g.centre[0], dz = z - g.centre[2];
    return dx * dx + dz * dz <= (double)g.radius * g.radius && dx * g.direction[0] + dz * g.direction[2] >= 0;
}

int gate_of(int entry) { return entry % LAP_NO_SWITCH; }

// The course sample nearest to (x, z), start straight included.
const gen::course_sample &nearest_sample(const gen::course &c, double x, double z)
{
    const gen::course_sample *best = &c.loop[0];
    for (const std::vector<gen::course_sample> *path : {&c.loop, &c.spur})
        for (const gen::course_sample &k : *path)
            if (std::hypot(k.x - x, k.z - z) < std::hypot(best->x - x, best->z - z)) best = &k;
    return *best;
}

// Every gate as the loader reads it stands across the course the generator laid out: its centre
// on the centre line and on the track's surface, its direction along the way riders go, its
// radius reaching both edges. Ridden along the centre line from the start, the gates are taken in
// lap order by the race's rule (the race also looks two gates ahead: none may be taken early).
TEST_F(Content, GatesStandAcrossTheCourseAndARideTakesThemInLapOrder)
{
    for (const track_info &tr : tracks) {
        SCOPED_TRACE(tr.folder);
        gen::track_plan plan = std::string(tr.folder) == "ridgeback" ? gen::main_track() : gen::practice_track();
        ASSERT_STREQ(plan.folder, tr.folder);
        const gen::course c = gen::track_course(plan);

        track_objects_init();
        timing_gates_load((std::string("@") + tr.folder + "/timing_gates").c_str());
        ASSERT_GE(gate_count, 6);
        ASSERT_GT(start_count, 0);
        std::unique_ptr<terrain_field> t(new terrain_field());
        memset((void *)t.get(), 0, sizeof *t);
        ASSERT_EQ(terrain_load(t.get(), (std::string("@") + tr.folder).c_str(), 2), 1);
        for (int i = 0; i < gate_count; ++i) {
            SCOPED_TRACE(i);
            const timing_gate &g = gates[i];
            const gen::course_sample &k = nearest_sample(c, g.centre[0], g.centre[2]);
            EXPECT_LT(std::hypot(k.x - g.centre[0], k.z - g.centre[2]), 0.01);
            EXPECT_NEAR(g.centre[1], terrain_height_at(t.get(), g.centre[0], g.centre[2]), 2.0f);
            // Tile 3 is grass (tileinfo lists dirt, hardpack, loam, grass, sand first).
            int u = (int)(g.centre[0] / t->tile_size), w = (int)(g.centre[2] / t->tile_size);
            ASSERT_TRUE(u >= 0 && w >= 0 && u < (1 << tr.depth) && w < (1 << tr.depth));
            int code = t->tile_codes[t->tilemap[(long)w * (1 << tr.depth) + u]];
            EXPECT_NE((code >> 16) & 255, 3);
            EXPECT_NE((code >> 8) & 255, 3);

            const double length = std::hypot(g.direction[0], g.direction[2]);
            EXPECT_EQ(g.direction[1], 0.0f);
            EXPECT_NEAR(length, g.radius, 1e-3 * g.radius);
            const double cosine = (g.direction[0] * k.tx + g.direction[2] * k.tz) / length;
            EXPECT_GT(cosine, std::cos(3 * M_PI / 180)) << "not along the course";
            EXPECT_GE(g.radius, k.half_width);
            EXPECT_LE(g.radius, k.half_width + 6);
        }
        terrain_free(t.get());

        // The lap lists: both end at the finish, a lap takes every loop gate once, and both
        // hold switch points of the robots' lines.
        const std::vector<int> first(lap_list, lap_list + first_lap_count);
        const std::vector<int> normal(lap_list + first_lap_count, lap_list + first_lap_count + normal_lap_count);
        ASSERT_FALSE(first.empty());
        ASSERT_FALSE(normal.empty());
        EXPECT_GT(first_lap_switch_count, 0);
        EXPECT_GT(normal_lap_switch_count, 0);
        EXPECT_EQ(gate_of(first.back()), gate_of(normal.back()));
        std::vector<int> seen((std::size_t)gate_count, 0);
        for (int e : normal) ++seen[(std::size_t)gate_of(e)];
        for (int n : seen) EXPECT_LE(n, 1);

        // The ride: from the start position along the start straight and on round the loop (or
        // round the loop from the start), three laps.
        std::vector<const gen::course_sample *> ride;
        double loop_from = plan.course.finish_s + 30;
        if (!c.spur.empty()) {
            for (std::size_t i = 8; i < c.spur.size(); ++i) ride.push_back(&c.spur[i]);
            loop_from = plan.course.spur_join_s;
        }
        for (double s = 0; s < 3 * c.loop_length; s += 1) ride.push_back(&c.loop_at(loop_from + s));
        std::vector<int> order = first;
        for (int lap = 0; lap < 2; ++lap) order.insert(order.end(), normal.begin(), normal.end());
        std::size_t next = 0;
        for (const gen::course_sample *k : ride)
            for (std::size_t ahead = 0; ahead < 3 && next + ahead < order.size(); ++ahead)
                if (passes(gates[gate_of(order[next + ahead])], k->x, k->z)) {
                    EXPECT_EQ(ahead, 0u) << "entry " << next + ahead << " taken before entry " << next;
                    next += ahead + 1;
                    break;
                }
        EXPECT_EQ(next, order.size()) << "the ride stopped short of entry " << next;

        timing_gates_free();
        track_objects_free();
    }
}

}   // namespace
