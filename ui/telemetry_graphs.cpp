// The suspension graphs beside the tachometer: fork (left) and swingarm (right) travel in
// white, their speeds from green to red by the damper's speed factor, the last 8 s of samples
// with the oldest at the left.
#include <GL/gl.h>

#include "graphics/font.h"
#include "racing/race_state.h"
#include "ui/hud.h"

static const float WHITE[4] = {1, 1, 1, 1};
static const float GREEN[4] = {0, 1, 0, 1};
static const float RED[4] = {1, 0, 0, 1};

void graph_point(const float *values, int count, int start, float scale, int i, float *x, float *y)
{
    float v = scale * values[(start + i) % count];
    *x = 2.0f * (float)i / (float)count - 1;
    *y = v < -1 ? -1 : v > 1 ? 1 : v;
}

void draw_graph_frame(void)
{
    glBegin(GL_LINES);
    static const float lines[5][4] = {{-1, -1, 1, -1}, {1, -1, 1, 1}, {1, 1, -1, 1}, {-1, 1, -1, -1}, {-1, 0, 1, 0}};
    for (const float *l : lines) {
        glVertex3f(l[0], l[1], 0);
        glVertex3f(l[2], l[3], 0);
    }
    glEnd();
}

void draw_graph_line(const float *values, const float *factors, const float colour0[4],
                     const float colour1[4], int count, int start, float scale)
{
    if (count <= 0) return;
    start = (start % count + count) % count;
    glColor4fv(colour0);
    glBegin(GL_LINE_STRIP);
    for (int i = 0; i < count; ++i) {
        if (factors) {
            const float f = factors[(start + i) % count];
            glColor4f(colour0[0] + f * (colour1[0] - colour0[0]), colour0[1] + f * (colour1[1] - colour0[1]),
                      colour0[2] + f * (colour1[2] - colour0[2]), colour0[3] + f * (colour1[3] - colour0[3]));
        }
        float x, y;
        graph_point(values, count, start, scale, i, &x, &y);
        glVertex3f(x, y, 0);
    }
    glEnd();
}

static void label(const float colour[4], const char *text)
{
    draw_text(colour[0], colour[1], colour[2], colour[3], text, TEXT_NORMAL);
    glTranslatef(0, -2, 0);
}

// In the instruments' frame: the corner at the origin, one unit a graph's half-width.
void hud_draw_telemetry_graphs(void)
{
    // The ring's write index is the oldest sample; past the end it means "start afresh".
    const int start = telemetry_index >= 0 && telemetry_index < TELEMETRY_SAMPLES ? telemetry_index : 0;
    glDisable(GL_TEXTURE_2D);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glPushMatrix();
    glTranslatef(-4, 1, 0);
    glColor4fv(WHITE);
    draw_graph_frame();
    draw_graph_line(telemetry_rings[3], nullptr, WHITE, WHITE, TELEMETRY_SAMPLES, start, 1);
    draw_graph_line(telemetry_rings[4], telemetry_rings[5], GREEN, RED, TELEMETRY_SAMPLES, start, -1);
    glTranslatef(-3, 0, 0);
    glColor4fv(WHITE);
    draw_graph_frame();
    draw_graph_line(telemetry_rings[0], nullptr, WHITE, WHITE, TELEMETRY_SAMPLES, start, 1);
    draw_graph_line(telemetry_rings[1], telemetry_rings[2], GREEN, RED, TELEMETRY_SAMPLES, start, -0.25f);

    // The labels stand over the graphs, where the view still has room for them.
    glTranslatef(-1, 1 + 6.0f / 12, 0);
    glScalef(1.0f / 12, 1.0f / 12, 1);
    glPushMatrix();
    label(WHITE, " Fork Position");
    label(GREEN, " Fork Speed (High)");
    label(RED, " Fork Speed (Low)");
    glPopMatrix();
    glTranslatef(36, 0, 0);
    label(WHITE, " Swingarm Position");
    label(GREEN, " Shock Speed (High)");
    label(RED, " Shock Speed (Low)");
    glPopMatrix();
}
