// The generated default tracks: both load through the real loaders without a warning, the
// generators make the same bytes every time, every timing gate stands on the course and the
// lap lists chain into laps.
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

// The build folder: this test lives in <build>/tests.
std::string build_dir()
{
    char exe[4096];
    ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
    if (n <= 0) return "";
    exe[n] = 0;
    std::string s = exe;
    s = s.substr(0, s.rfind('/'));   // <build>/tests
    return s.substr(0, s.rfind('/') + 1);
}

const std::string &game_dir()
{
    static std::string dir = build_dir() + "game/";
    return dir;
}

struct track_info { const char *folder; int depth; };
const track_info tracks[] = {{"ridgeback", 9}, {"ridgeback-practice", 7}};

// The generated data folder and a window, for this suite only: other suites in this binary
// keep their own search folders.
struct Content : ::testing::Test {
    static display *window;
    static void SetUpTestSuite()
    {
        setenv("XDG_DATA_HOME", fixture_temp_dir("contenthome").c_str(), 1);
        setenv("RL_HOME", game_dir().c_str(), 1);
        search_folders_free();
        data_files_free();
        window = kubl_gl_window_open("Rutline content", 64, 64, 24, 0, 16, 0, 0);
        if (window) gl_probe_extensions();
    }
    static void TearDownTestSuite()
    {
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
        const std::string gen = build_dir() + "tools/" + c.generator;
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

struct gate { float width, p1[3], p2[3]; };

struct gate_file {
    std::vector<gate> gates;
    std::vector<int> first_lap, normal_lap;
    std::vector<std::vector<float>> starts;   // x, y, z, angle
};

gate_file read_gates(const std::string &text)
{
    gate_file g;
    std::istringstream in(text);
    std::string line, section;
    while (std::getline(in, line)) {
        if (line == "startinggate:" || line == "checkpoints:" || line == "firstlap:" || line == "normallap:") {
            section = line;
            continue;
        }
        if (section == "startinggate:") {
            float x, y, z, a;
            if (sscanf(line.c_str(), " [ %f %f %f ] %f", &x, &y, &z, &a) == 4) g.starts.push_back({x, y, z, a});
        } else if (section == "checkpoints:") {
            gate k;
            if (sscanf(line.c_str(), "%f [ %f %f %f ] [ %f %f %f ]", &k.width, &k.p1[0], &k.p1[1], &k.p1[2], &k.p2[0],
                       &k.p2[1], &k.p2[2]) == 7)
                g.gates.push_back(k);
        } else {
            std::istringstream nums(line);
            for (int e; nums >> e;) (section == "firstlap:" ? g.first_lap : g.normal_lap).push_back(e);
        }
    }
    return g;
}

TEST_F(Content, GatesStandOnTheCourseAndTheLapsChain)
{
    for (const track_info &tr : tracks) {
        SCOPED_TRACE(tr.folder);
        const gate_file g = read_gates(fixture_read_file(game_dir() + tr.folder + "/timing_gates"));
        ASSERT_GE(g.gates.size(), 6u);
        ASSERT_FALSE(g.starts.empty());

        std::unique_ptr<terrain_field> t(new terrain_field());
        memset((void *)t.get(), 0, sizeof *t);
        ASSERT_EQ(terrain_load(t.get(), (std::string("@") + tr.folder).c_str(), 2), 1);
        // Tile 3 is grass (tileinfo lists dirt, hardpack, loam, grass, sand first); a gate's
        // middle must lie on a tile without grass in any corner.
        for (std::size_t i = 0; i < g.gates.size(); ++i) {
            SCOPED_TRACE(i);
            const gate &k = g.gates[i];
            float mx = (k.p1[0] + k.p2[0]) / 2, mz = (k.p1[2] + k.p2[2]) / 2;
            int u = (int)(mx / t->tile_size), w = (int)(mz / t->tile_size);
            ASSERT_TRUE(u >= 0 && w >= 0 && u < (1 << tr.depth) && w < (1 << tr.depth));
            int code = t->tile_codes[t->tilemap[(long)w * (1 << tr.depth) + u]];
            EXPECT_NE((code >> 16) & 255, 3);
            EXPECT_NE((code >> 8) & 255, 3);
            EXPECT_NEAR(k.p1[1], terrain_height_at(t.get(), mx, mz), 2.0f);
            EXPECT_GT(std::hypot(k.p1[0] - k.p2[0], k.p1[2] - k.p2[2]), k.width);
        }
        terrain_free(t.get());

        auto gate_of = [&](int e) { return e % 100000; };
        auto mid = [&](int e, float *x, float *z) {
            const gate &k = g.gates[(std::size_t)gate_of(e)];
            *x = (k.p1[0] + k.p2[0]) / 2, *z = (k.p1[2] + k.p2[2]) / 2;
        };
        auto has_switch = [](const std::vector<int> &lap) {
            for (int e : lap)
                if (e < 100000) return true;
            return false;
        };
        ASSERT_FALSE(g.first_lap.empty());
        ASSERT_FALSE(g.normal_lap.empty());
        EXPECT_TRUE(has_switch(g.first_lap));
        EXPECT_TRUE(has_switch(g.normal_lap));
        for (int e : g.first_lap) ASSERT_LT((std::size_t)gate_of(e), g.gates.size());
        for (int e : g.normal_lap) ASSERT_LT((std::size_t)gate_of(e), g.gates.size());
        // Both laps end at the finish, and a lap visits every gate of the loop once, so the first
        // lap runs on into the second and every lap into the next.
        EXPECT_EQ(gate_of(g.first_lap.back()), gate_of(g.normal_lap.back()));
        std::vector<int> seen(g.gates.size(), 0);
        for (int e : g.normal_lap) ++seen[(std::size_t)gate_of(e)];
        for (int s : seen) EXPECT_LE(s, 1);
        // Consecutive gates are close along the course, the normal lap closing on itself, and the
        // first lap starts near the start line.
        auto check_steps = [&](const std::vector<int> &lap, bool closed) {
            for (std::size_t i = 0; i + (closed ? 0 : 1) < lap.size(); ++i) {
                float ax, az, bx, bz;
                mid(lap[i], &ax, &az), mid(lap[(i + 1) % lap.size()], &bx, &bz);
                EXPECT_LT(std::hypot(ax - bx, az - bz), 400.0f) << "between entries " << i << " and " << i + 1;
            }
        };
        check_steps(g.normal_lap, true);
        check_steps(g.first_lap, false);
        float fx, fz;
        mid(g.first_lap.front(), &fx, &fz);
        EXPECT_LT(std::hypot(fx - g.starts[0][0], fz - g.starts[0][2]), 400.0f);
    }
}

}   // namespace
