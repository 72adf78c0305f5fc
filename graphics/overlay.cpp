// The 2D overlay placed on the plane one unit in front of the eye, and the flat and textured
// quads drawn on it.
#include "graphics/overlay.h"
#include <GL/gl.h>

float view_half_x = 1, view_half_y = 0.75f;

void overlay_push_topleft(float layout_height)
{
    float s = 2 * view_half_y / layout_height;
    glPushMatrix();
    glTranslatef(-view_half_x, view_half_y - s, -1);
    glScalef(s, s, s);
}

void overlay_pop(void) { glPopMatrix(); }

void overlay_state_begin(void)
{
    glPushAttrib(GL_ENABLE_BIT | GL_COLOR_BUFFER_BIT | GL_CURRENT_BIT | GL_TEXTURE_BIT);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_CULL_FACE);
    glDisable(GL_LIGHTING);
    glDisable(GL_FOG);
    glDisable(GL_ALPHA_TEST);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
}

void overlay_state_end(void)
{
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
    glPopAttrib();
}

void draw_flat_quad(float r, float g, float b, float a, float x0, float y0, float x1, float y1)
{
    glDisable(GL_TEXTURE_2D);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glColor4f(r, g, b, a);
    glBegin(GL_QUADS);
    glVertex3f(x0, y0, 0);
    glVertex3f(x0, y1, 0);
    glVertex3f(x1, y1, 0);
    glVertex3f(x1, y0, 0);
    glEnd();
    glDisable(GL_BLEND);
}

void draw_textured_quad(unsigned texture, float x0, float y0, float x1, float y1)
{
    glDisable(GL_BLEND);
    glEnable(GL_TEXTURE_2D);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_DECAL);
    glBindTexture(GL_TEXTURE_2D, texture);
    glColor4f(1, 1, 1, 1);
    glBegin(GL_QUADS);
    glTexCoord2f(0, 0);
    glVertex3f(x0, y0, 0);
    glTexCoord2f(0, 1);
    glVertex3f(x0, y1, 0);
    glTexCoord2f(1, 1);
    glVertex3f(x1, y1, 0);
    glTexCoord2f(1, 0);
    glVertex3f(x1, y0, 0);
    glEnd();
    glBindTexture(GL_TEXTURE_2D, 0);
    glDisable(GL_TEXTURE_2D);
}
