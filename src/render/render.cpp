// SPDX-License-Identifier: MIT
// OpenGL state and frame drawing. The scene is three indexed draws straight
// from the world's arrays, which the animation step rewrites in place, so
// nothing is copied or converted per frame. (In the browser, WebGL cannot
// draw these lists as they are: the web platform layer converts them.)
#include "render.h"

#include "world.h"

#include "SDL.h"

#include <GL/gl.h>
#include <GL/glu.h>

constexpr double fieldofview = 135.0; // degrees, vertically: a very wide lens
constexpr GLfloat aspect = GLfloat{screenwidth} / screenheight;
constexpr GLfloat nearplane = 0.1f;
constexpr double farplane = 15000.0;
constexpr GLfloat cloudgrey = 0.2f; // each cloud adds this much light
constexpr Uint32 framedelay = 6;    // milliseconds before every swap

int initGL()
{
    glShadeModel(GL_SMOOTH);
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glClearDepth(1.0);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL); // a surface drawn again at equal depth shows
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
    glViewport(0, 0, screenwidth, screenheight);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(fieldofview, aspect, nearplane, farplane);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glDisable(GL_DITHER);
    return 1;
}

// No guard for an eye straight above its view point: GLU shows what it makes
// of that (an empty frame while program 0 starts its descent).
static void placeeye()
{
    const mycam &c = mycamz[whichcam];
    gluLookAt(c.xcam, c.ycam, c.zcam, c.xlook, c.ylook, c.zlook, 0.0, 1.0, 0.0);
}

int drawGLScene()
{
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    placeeye();

    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_COLOR_ARRAY);
    glVertexPointer(3, GL_FLOAT, 0, floor_verts);
    glColorPointer(3, GL_FLOAT, 0, floor_colors);
    glDrawElements(GL_QUADS, floor_vertcount, GL_UNSIGNED_INT, floor_indexes);
    glVertexPointer(3, GL_FLOAT, 0, city_verts);
    glColorPointer(3, GL_FLOAT, 0, city_colors);
    glDrawElements(GL_QUADS, city_indexcount, GL_UNSIGNED_INT, city_indexes);
    glDisableClientState(GL_COLOR_ARRAY);

    // Clouds add their grey to whatever lies behind them.
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);
    glEnable(GL_BLEND);
    glEnableClientState(GL_VERTEX_ARRAY); // still on: the cloud pass stands alone
    glColor3f(cloudgrey, cloudgrey, cloudgrey);
    glVertexPointer(3, GL_FLOAT, 0, cloud_verts);
    glDrawElements(GL_QUADS, cloud_vertcount, GL_UNSIGNED_INT, cloud_indexes);
    glDisableClientState(GL_VERTEX_ARRAY);
    glDisable(GL_BLEND);

    SDL_Delay(framedelay);
    SDL_GL_SwapBuffers();
    return 1;
}
