// The menu pages as a state machine, with a recorder in place of the race reset: the race
// starts of New Race, Playback Race, Time Trial and the points series, the chooser and its
// paging, row movement and the keys a page change swallows.
#include <gtest/gtest.h>
#include <cstring>
#include <string>
#include <vector>
#include "menu_keys.h"
#include "data/console.h"
#include "racing/race.h"
#include "racing/standings.h"
#include "shell/config.h"
#include "shell/globals.h"
#include "shell/lists.h"
#include "shell/main/tick.h"
#include "ui/menu.h"

namespace {

struct ResetCall {
    bool has_participants;
    std::vector<int> participants;
    int playback, record, time_limit, laps, skill;
};
std::vector<ResetCall> resets;

int record_reset(const int *participants, int playback, int record, int time_limit, int laps, int skill)
{
    ResetCall c{participants != nullptr, {}, playback, record, time_limit, laps, skill};
    if (participants) c.participants.assign(participants, participants + 160);
    resets.push_back(c);
    return 1;
}

const char *const track_items[] = {"Rabbit Hill", "Ridgeback MX", "Ridgeback Practice"};

struct Menus : ::testing::Test {
    MenuKeys keys;
    menu_race_reset_fn saved_reset = menu_race_reset;
    int saved_rotate = g_options.rotate_lineup;

    void SetUp() override
    {
        config_init();
        track_choice = menu_choice{"Track", track_items, 3, 0, {}};
        resets.clear();
        menu_race_reset = record_reset;
        menu_state = MENU_PAGE_MAIN;
        focused_item = 0;
        menu_changed = 0;
        quit_flag = 0;
        g_options.rotate_lineup = 0;
        mouse_x = mouse_y = -100;
        typeahead_owner = nullptr;
    }
    void TearDown() override
    {
        menu_race_reset = saved_reset;
        g_options.rotate_lineup = saved_rotate;
        menu_state = MENU_CLOSED;
        quit_flag = 0;
    }
    // Keys as the frame loop hands them, one frame each: a page change is over by the next.
    void press(std::initializer_list<int> codes)
    {
        for (int code : codes) {
            menu_changed = 0;
            menu_key(code);
        }
    }
};

TEST_F(Menus, NewRaceStartHandsTheLineUpToTheRaceReset)
{
    widget_choice_select(&config_slots[0], "Human");
    widget_choice_select(&config_slots[1], "Robot");
    widget_choice_select(&config_slots[39], "Robot (4 stroke)");
    config_sliders[CONFIG_MINUTES].value = 3;
    config_sliders[CONFIG_LAPS].value = 7;
    config_choices[CONFIG_RECORD].current = 1;
    config_choices[CONFIG_SKILL].current = 2;

    press({K_ENTER, K_DOWN, K_ENTER});
    EXPECT_EQ(menu_state, MENU_CLOSED);
    ASSERT_EQ(resets.size(), 1u);
    const ResetCall &c = resets[0];
    ASSERT_TRUE(c.has_participants);
    EXPECT_EQ(c.participants[0], 1);
    EXPECT_EQ(c.participants[1], 2);
    EXPECT_EQ(c.participants[2], 0);
    EXPECT_EQ(c.participants[39], 4);
    for (int i = 40; i < 160; ++i) EXPECT_EQ(c.participants[i], 0) << i;
    EXPECT_EQ(c.playback, 0);
    EXPECT_EQ(c.record, 1);
    EXPECT_EQ(c.time_limit, 3 * 60 * 128);
    EXPECT_EQ(c.laps, 7);
    EXPECT_EQ(c.skill, 2);
}

TEST_F(Menus, TheLineUpRotatesAfterTheStart)
{
    // The kind of slot i moves to slot (offset + i) mod 160; any offset lands in the slots.
    struct Case { int rotate; int want_slot0, want_slot1; } cases[] = {
        {0, 1, 2}, {1, 0, 1}, {161, 0, 1}, {-1, 2, 0}, {1000001, 0, 1}, {-2147483647 - 1, 0, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.rotate);
        config_init();
        widget_choice_select(&config_slots[0], "Human");
        widget_choice_select(&config_slots[1], "Robot");
        g_options.rotate_lineup = c.rotate;
        menu_state = MENU_PAGE_NEW_RACE;
        focused_item = 1;
        press({K_ENTER});
        EXPECT_EQ(config_slots[0].current, c.want_slot0);
        EXPECT_EQ(config_slots[1].current, c.want_slot1);
    }
}

struct DemoFixture {
    const char *full[2] = {"demos/ride.rldemo", "demos/default.rldemo"};
    char short0[8] = "ride", short1[8] = "default";
    char *shorts[2] = {short0, short1};
    demo_lists saved = demo_list;
    DemoFixture() { demo_list = demo_lists{full, shorts, 2}; }
    ~DemoFixture() { demo_list = saved; }
};

TEST_F(Menus, PlaybackModes)
{
    DemoFixture demos;
    struct Case {
        const char *name;
        int mode, record, entry;
        int want_record;
        int want_player_slot;   // -1: every slot empty, each takes a rider of the demo
        const char *want_console;
    } cases[] = {
        {"playback only", 0, 1, 0, 0, -1, nullptr},
        {"race against", 1, 1, 0, 1, 2, nullptr},
        {"race against the default demo", 1, 1, 1, 0, 2,
         "Can't record and play from same file - recording disabled"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        resets.clear();
        config_choices[CONFIG_PLAYBACK_MODE].current = c.mode;
        config_choices[CONFIG_RECORD].current = c.record;
        config_slots[0].current = 2;
        config_slots[2].current = 1;   // the first "Human" gate races as the player
        int console_before = g_console.write_index;
        menu_state = MENU_PAGE_MAIN;
        focused_item = 1;
        press({K_ENTER});
        ASSERT_EQ(menu_state, MENU_PAGE_PLAYBACK);
        for (int i = 0; i < 3 + c.entry; ++i) press({K_DOWN});
        press({K_ENTER});
        EXPECT_EQ(menu_state, MENU_CLOSED);
        ASSERT_EQ(resets.size(), 1u);
        const ResetCall &r = resets[0];
        // A null list would be a time trial: a playback always hands one.
        ASSERT_TRUE(r.has_participants);
        for (int i = 0; i < 160; ++i) EXPECT_EQ(r.participants[i], i == c.want_player_slot ? 1 : 0) << i;
        EXPECT_EQ(r.playback, 1);
        EXPECT_EQ(r.record, c.want_record);
        EXPECT_EQ(r.time_limit, 0);
        EXPECT_EQ(r.laps, 10);
        if (c.want_console) {
            EXPECT_EQ(g_console.write_index, (console_before + 1) % CONSOLE_LINES);
            EXPECT_STREQ(g_console.lines[console_before], c.want_console);
        } else {
            EXPECT_EQ(g_console.write_index, console_before);
        }
    }
}

TEST_F(Menus, TimeTrialStartsWithoutParticipants)
{
    focused_item = 3;
    press({K_ENTER, K_DOWN, K_ENTER});
    ASSERT_EQ(resets.size(), 1u);
    EXPECT_FALSE(resets[0].has_participants);
    EXPECT_EQ(resets[0].playback, 0);
    EXPECT_EQ(resets[0].record, 0);
    EXPECT_EQ(resets[0].time_limit, 0);
    EXPECT_EQ(resets[0].laps, 1000);
    EXPECT_EQ(menu_state, MENU_CLOSED);
}

TEST_F(Menus, ChooserPagesPicksAndCancel)
{
    std::vector<std::string> names;
    for (int i = 0; i < 41; ++i) names.push_back("Track " + std::to_string(i));
    std::vector<const char *> items;
    for (auto &n : names) items.push_back(n.c_str());
    track_choice = menu_choice{"Track", items.data(), 41, 0, {}};

    // "Track" on New Race opens the chooser; Cancel returns there.
    menu_state = MENU_PAGE_NEW_RACE;
    focused_item = 2;
    press({K_ENTER});
    ASSERT_EQ(menu_state, MENU_PAGE_CHOOSER);
    EXPECT_EQ(menu_return_state, MENU_PAGE_NEW_RACE);
    EXPECT_STREQ(g_chooser.title, "Choose Track");
    press({K_ENTER});
    EXPECT_EQ(menu_state, MENU_PAGE_NEW_RACE);

    // From Time Trial it returns to Time Trial.
    menu_state = MENU_PAGE_TIME_TRIAL;
    focused_item = 2;
    press({K_ENTER});
    ASSERT_EQ(menu_state, MENU_PAGE_CHOOSER);
    // Three pages: Next Page twice, a third time stays on the last.
    focused_item = CHOOSER_ROWS + 2;
    press({K_ENTER, K_ENTER, K_ENTER});
    EXPECT_EQ(g_chooser.page, 2);
    // The last page shows one entry: "up" from Next Page passes the 19 empty rows.
    press({K_UP});
    EXPECT_EQ(focused_item, 2);
    press({K_DOWN});
    EXPECT_EQ(focused_item, CHOOSER_ROWS + 2);
    press({K_DOWN});
    EXPECT_EQ(focused_item, CHOOSER_ROWS + 2);
    press({K_UP, K_ENTER});
    EXPECT_EQ(menu_state, MENU_PAGE_TIME_TRIAL);
    EXPECT_EQ(focused_item, 0);
    EXPECT_EQ(track_choice.current, 40);
    // "Prev Page" is no skipped row on the chooser, and the page clamps at 0.
    menu_open_chooser(&track_choice, "Choose Track", menu_value_callback);
    press({K_UP, K_DOWN});
    EXPECT_EQ(focused_item, 1);
    press({K_ENTER});
    EXPECT_EQ(g_chooser.page, 0);
}

TEST_F(Menus, AnEmptyListKeepsItsOnePage)
{
    menu_choice empty{"Nothing", nullptr, 0, 0, {}};
    menu_open_chooser(&empty, "Choose Bike", menu_value_callback);
    focused_item = 1;
    press({K_DOWN});
    EXPECT_EQ(focused_item, CHOOSER_ROWS + 2);
    press({K_ENTER});
    EXPECT_EQ(g_chooser.page, 0);
    press({K_UP, K_ENTER});
    EXPECT_EQ(g_chooser.page, 0);
    EXPECT_EQ(menu_state, MENU_PAGE_CHOOSER);
}

TEST_F(Menus, RowsClampAndDragMovesSlidersOnly)
{
    press({K_UP});
    EXPECT_EQ(focused_item, 0);
    for (int i = 0; i < 12; ++i) press({K_DOWN});
    EXPECT_EQ(focused_item, 8);

    // A drag over the "Laps" bar moves it; over a button it activates nothing.
    menu_state = MENU_PAGE_NEW_RACE;
    menu_slider &laps = config_sliders[CONFIG_LAPS];
    laps.rect = {100, 100, 600, 120};
    laps.bar_start = 100;
    laps.bar_end = 600;
    mouse_x = 350;
    mouse_y = 110;
    focused_item = 6;
    press({MENU_KEY_DRAG});
    EXPECT_EQ(laps.value, 25);
    new_race_buttons[1].rect = {100, 100, 600, 120};
    focused_item = 1;
    press({MENU_KEY_DRAG});
    EXPECT_EQ(menu_state, MENU_PAGE_NEW_RACE);
    EXPECT_TRUE(resets.empty());
}

// The series page's paged list skips "Prev Page" on the first page and "Next Page" on the last.
TEST_F(Menus, SeriesListSkipsItsPageRows)
{
    points_series list[2] = {};
    list[0].title = "Summer";
    list[1].title = "Winter";
    points_series *saved = points_series_list;
    int saved_count = points_series_count;
    points_series_list = list;
    points_series_count = 2;
    series_list_page = 0;
    focused_item = 2;
    press({K_ENTER});
    ASSERT_EQ(menu_state, MENU_PAGE_SERIES);
    press({K_DOWN});
    EXPECT_EQ(focused_item, 2);
    press({K_DOWN, K_DOWN});
    EXPECT_EQ(focused_item, 3);
    press({K_UP, K_UP});
    EXPECT_EQ(focused_item, 0);
    press({K_DOWN, K_DOWN, K_ENTER});
    EXPECT_EQ(menu_state, MENU_PAGE_STANDINGS);
    EXPECT_EQ(series_selected, 1);
    points_series_list = saved;
    points_series_count = saved_count;
}

// A series of three riders (race numbers 7, 8, 9) and the player, two events on two tracks.
struct SeriesFixture {
    series_race races[2] = {};
    points_series series = {};
    points_series *saved = points_series_list;
    int saved_count = points_series_count;
    SeriesFixture()
    {
        series.title = "Summer";
        series.race_count = 2;
        series.races = races;
        series.skill = 1;
        series.rider_count = 3;
        series.race_numbers[0] = 7;
        series.race_numbers[1] = 8;
        series.race_numbers[2] = 9;
        for (int r = 0; r < 2; ++r) {
            races[r].track = 2 - r;
            races[r].minutes = 2;
            races[r].laps = 3 + r;
            races[r].round_points[0] = 1;
        }
        points_series_list = &series;
        points_series_count = 1;
        series_selected = 0;
        series_entered = -1;
    }
    ~SeriesFixture()
    {
        points_series_list = saved;
        points_series_count = saved_count;
        series_entered = series_selected = -1;
        active_series = active_series_event = -1;
    }
};

TEST_F(Menus, SeriesEventsEnteredAndPractised)
{
    SeriesFixture f;
    menu_state = MENU_PAGE_STANDINGS;
    focused_item = 1;
    press({K_ENTER});
    ASSERT_EQ(resets.size(), 1u);
    EXPECT_EQ(menu_state, MENU_CLOSED);
    EXPECT_EQ(series_entered, 0);
    EXPECT_EQ(series_entered_round, 0);
    const ResetCall &c = resets[0];
    // No round run: the riders in list order, the player after them.
    EXPECT_EQ(c.participants[0], 1007);
    EXPECT_EQ(c.participants[1], 1008);
    EXPECT_EQ(c.participants[2], 1009);
    EXPECT_EQ(c.participants[3], 1);
    EXPECT_EQ(c.participants[4], 0);
    EXPECT_EQ(c.time_limit, 2 * 60 * 128);
    EXPECT_EQ(c.laps, 3);
    EXPECT_EQ(c.skill, 1);
    EXPECT_EQ(track_choice.current, 2);
    // The race counts: its results make the series' first round.
    EXPECT_EQ(active_series, 0);
    EXPECT_EQ(active_series_event, 0);

    // Practice always starts, and counts for nothing.
    active_series = active_series_event = -1;
    menu_state = MENU_PAGE_STANDINGS;
    focused_item = 2;
    press({K_ENTER});
    ASSERT_EQ(resets.size(), 2u);
    EXPECT_EQ(resets[1].laps, 3);
    EXPECT_EQ(active_series, -1);
    EXPECT_EQ(series_entered_round, 0);

    // Entered again while its event is still raced: the round is recorded as it stands (nobody
    // raced here, so all unplaced) and the next event starts, counting as round 2.
    active_series = 0, active_series_event = 0;
    menu_state = MENU_PAGE_STANDINGS;
    focused_item = 1;
    press({K_ENTER});
    EXPECT_EQ(f.series.races_done, 1);
    for (int e = 0; e < 4; ++e) EXPECT_EQ(f.races[0].positions[e], 3) << e;
    ASSERT_EQ(resets.size(), 3u);
    EXPECT_EQ(resets[2].laps, 4);
    EXPECT_EQ(active_series, 0);
    EXPECT_EQ(active_series_event, 1);
    EXPECT_EQ(series_entered_round, 1);
    // Left again after the last event: its round is recorded and nothing starts.
    menu_state = MENU_PAGE_STANDINGS;
    focused_item = 1;
    press({K_ENTER});
    EXPECT_EQ(f.series.races_done, 2);
    EXPECT_EQ(resets.size(), 3u);
    EXPECT_EQ(active_series, -1);
    f.series.races_done = 0;

    // After a round the leader (place 0) starts from slot 0, the last placed from the back;
    // the player ties with rider 8 and is taken after it, so starts ahead of it.
    f.series.races_done = 1;
    int places[4] = {2, 1, 0, 1};
    memcpy(f.races[0].ranks, places, sizeof places);
    series_entered = -1;
    resets.clear();
    ASSERT_EQ(series_start_next_event(), 1);
    const ResetCall &d = resets[0];
    EXPECT_EQ(d.participants[0], 1009);
    EXPECT_EQ(d.participants[1], 1);
    EXPECT_EQ(d.participants[2], 1008);
    EXPECT_EQ(d.participants[3], 1007);
    EXPECT_EQ(d.laps, 4);
    EXPECT_EQ(track_choice.current, 1);

    // Every event run: nothing starts; "Reset Points" starts the series again.
    f.series.races_done = 2;
    EXPECT_EQ(series_start_next_event(), 0);
    menu_state = MENU_PAGE_STANDINGS;
    focused_item = 3;
    press({K_ENTER});
    EXPECT_EQ(f.series.races_done, 0);
    EXPECT_EQ(series_entered, -1);
}

// Through the tick loop: a page change swallows the rest of that frame's keys, and the key
// that opens the quit page does not answer it.
struct QueueSource {
    std::vector<std::uint32_t> codes;
    size_t next = 0;
};
int queue_read(void *ctx, std::uint32_t *code, int *pressed)
{
    auto *q = static_cast<QueueSource *>(ctx);
    if (q->next == q->codes.size()) return 0;
    *code = q->codes[q->next++];
    *pressed = 1;
    return 1;
}
int queue_read_until(void *ctx, std::uint32_t *code, int *pressed, int, int)
{
    return queue_read(ctx, code, pressed);
}

TEST_F(Menus, KeysAfterAPageChangeWaitForTheNextFrame)
{
    struct Case {
        const char *name;
        int start_item;
        std::vector<std::uint32_t> frame;
        int want_state, want_item, want_quit;
    } cases[] = {
        {"new race, then down", 0, {K_ENTER, K_DOWN}, MENU_PAGE_NEW_RACE, 0, 0},
        {"quit, then any key", 8, {K_ENTER, 'x'}, MENU_PAGE_QUIT, 0, 0},
        {"down twice in one frame", 0, {K_DOWN, K_DOWN}, MENU_PAGE_MAIN, 2, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        menu_state = MENU_PAGE_MAIN;
        focused_item = c.start_item;
        quit_flag = 0;
        QueueSource q{c.frame};
        event_source source{queue_read, queue_read_until, &q, nullptr};
        tick_set_event_source(&source);
        tick_loop_reset(0);
        menu_changed = 0;
        tick_run(1, 1);
        EXPECT_EQ(menu_state, c.want_state);
        EXPECT_EQ(focused_item, c.want_item);
        EXPECT_EQ(quit_flag, c.want_quit);
        // The next frame's key is heard: on the quit page any key ends the program.
        if (c.want_state == MENU_PAGE_QUIT) {
            menu_changed = 0;
            QueueSource again{{'y'}};
            event_source next{queue_read, queue_read_until, &again, nullptr};
            tick_set_event_source(&next);
            tick_run(1, 1);
            EXPECT_EQ(quit_flag, 1);
        }
        tick_set_event_source(nullptr);
    }
}

}   // namespace
