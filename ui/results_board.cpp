// The results board: a dark band with the title and column heads, one row per rider with
// every second row lightened, then the race time and the penalties for cutting the track.
// Drawn in the overlay's top-left layout, one unit a line.
#include <GL/gl.h>

#include "graphics/font.h"
#include "ui/hud.h"
#include "ui/ui.h"

namespace {

struct column_head {
    const char *text;
    float left, right;   // half-scale units
};
const column_head heads[] = {{"Pos.", 0, 4},       {"No.", 4, 8},         {"Lap", 8, 12.5f},
                             {"Gap", 12.5f, 23},  {"Best Time", 23, 33}, {"BLap", 33, 38}};

void cell(float grey, float right, const char *text)
{
    draw_text_right_shadowed(grey, grey, grey, 1, right, text);
}

}   // namespace

void hud_draw_results_board(const results_board_text *board, int viewed_slot)
{
    glPushMatrix();
    glTranslatef(0.25f, -0.25f, 0);
    draw_flat_quad(0, 0, 0, 0.25f, 0, 1, 19, -0.5f);
    draw_text_centered_shadowed(1, 1, 1, 1, 0, 19, board->title);
    glPushMatrix();
    glTranslatef(0, -0.5f, 0);
    glScalef(0.5f, 0.5f, 1);
    for (const column_head &h : heads) draw_text_centered_shadowed(1, 1, 1, 1, h.left, h.right, h.text);
    glPopMatrix();

    glTranslatef(0, -1.5f, 0);
    for (int i = 0; i < board->row_count; ++i) {
        const results_row &row = board->rows[i];
        if (i % 2 == 1) draw_flat_quad(1, 1, 1, 0.25f, 0, 1, 19, 0);
        const float grey = row.slot == viewed_slot ? 1.0f : 0.75f;
        cell(grey, 1.5f, row.position);
        cell(grey, 4, row.number);
        cell(grey, 6.25f, row.laps);
        cell(grey, 11, row.gap);
        cell(grey, 16.5f, row.best);
        cell(grey, 19, row.best_lap);
        glTranslatef(0, -1, 0);
    }
    if (board->total[0]) {
        draw_text_shadowed(0.75f, 0.75f, 0.75f, 1, board->total);
        glTranslatef(0, -2, 0);
        glScalef(0.5f, 0.5f, 1);
        glTranslatef(0, 1, 0);   // half-scale lines hang from the top of the full line
        for (int i = 0; i < board->penalty_count; ++i) {
            draw_text_shadowed(1, 0, 0, 1, board->penalties[i]);
            glTranslatef(0, -1, 0);
        }
    }
    glPopMatrix();
}
