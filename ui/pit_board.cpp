// The pit board in the bottom-left corner of the view: the rider's number, lap and place, the
// gap to the next rider, last and best lap, and the band warning of riders about to lap him.
#include <GL/gl.h>

#include "graphics/font.h"
#include "shell/startup.h"
#include "ui/hud.h"
#include "ui/ui.h"

static pit_board_text g_board;   // the lapping line is too big for every frame's stack

// Black text with the pen moving on along the line.
static void board_text(const char *text)
{
    draw_text(0, 0, 0, 1, text, TEXT_NORMAL);
    glTranslatef(text_width(text), 0, 0);
}

void hud_draw_position_board(int slot)
{
    hud_race race;
    hud_race_current(&race);
    if (!hud_pit_board_text(&race, slot, &g_board)) return;

    glPushMatrix();
    glTranslatef(-view_half_x, -view_half_y, -1);
    glPushMatrix();
    const float s = 0.6227179f * view_half_y;
    glScalef(s, s, s);
    hud_textured_quad(pitboard_texture, 0, 0.8125f, 1, 0.125f, 0, 0.1875f, 1, 0.875f);

    glTranslatef(0.37109375f, 0.6796875f, 0);
    glScalef(0.0703125f, 0.0703125f, 1);
    glPushMatrix();
    board_text(g_board.number);
    glPopMatrix();
    glTranslatef(0, -2, 0);
    glScalef(1.25f, 1.25f, 1);
    glPushMatrix();
    board_text(g_board.place);
    glPopMatrix();
    glTranslatef(0, -1, 0);
    glPushMatrix();
    board_text(g_board.gap);
    glPopMatrix();
    glTranslatef(-2, -1, 0);
    glPushMatrix();
    board_text(g_board.last);
    glPopMatrix();
    glTranslatef(0, -1, 0);
    board_text(g_board.best);
    glPopMatrix();

    if (g_board.lapping[0]) {
        const float k = view_half_y / 15;
        const float width = 2 * view_half_x / k;
        glScalef(k, k, k);
        draw_flat_quad(0, 0.5f, 1, 0.5f, 0, 0, width, 1);
        draw_text_centered(1, 1, 1, 1, 0, width, g_board.lapping);
    }
    glPopMatrix();
}
