// SPDX-License-Identifier: MIT
// The per-frame animation step: the camera director, then the scenery
// scrolling. Only the active camera program moves; scrolling touches only
// zpos and the z of the corners, in the arrays OpenGL draws from.
#include "anim.h"

#include "world.h"

#include <cstdlib>

constexpr int switchat = 4000; // the automatic switch fires above this count

// One fresh draw, 0 to n - 1, as a double for the formula that follows.
static double draw(int n)
{
    return rand() % n;
}

// Draws program 0 or 1 by lot once the switch counter runs past switchat.
static void autoswitch()
{
    if (++fxcounter <= switchat)
        return;
    fx = rand() % 2;
    whichcam = fx;
    fxcounter = 1000 + rand() % (fx == 0 ? 800 : 300);
}

// Advances a move's counter; true when the move has run its length and a
// new one starts (the caller then copies target to start and draws a target).
static bool movestep(int &counter, int length)
{
    if (++counter <= length)
        return false;
    counter = 0;
    return true;
}

// The point counter steps of length along the way from start to target: the
// difference is divided by the length first, and the last step lands on the target.
static GLfloat lerp(GLfloat start, GLfloat target, int counter, int length)
{
    return start + ((double{target} - start) / length) * counter;
}

// The new move starts where the last one was heading.
static void restarteye(mycam &c)
{
    c.xcamoldpos = c.xcampos;
    c.ycamoldpos = c.ycampos;
    c.zcamoldpos = c.zcampos;
}

static void restartlook(mycam &c)
{
    c.xlookoldpos = c.xlookpos;
    c.ylookoldpos = c.ylookpos;
    c.zlookoldpos = c.zlookpos;
}

static void lerpeye(mycam &c)
{
    c.xcam = lerp(c.xcamoldpos, c.xcampos, c.camcounter, c.camtime);
    c.ycam = lerp(c.ycamoldpos, c.ycampos, c.camcounter, c.camtime);
    c.zcam = lerp(c.zcamoldpos, c.zcampos, c.camcounter, c.camtime);
}

static void lerplook(mycam &c)
{
    c.xlook = lerp(c.xlookoldpos, c.xlookpos, c.lookcounter, c.looktime);
    c.ylook = lerp(c.ylookoldpos, c.ylookpos, c.lookcounter, c.looktime);
    c.zlook = lerp(c.zlookoldpos, c.zlookpos, c.lookcounter, c.looktime);
}

// Program 0: flies high over the city, looking at points just above the origin.
static void highflight(mycam &c)
{
    if (movestep(c.camcounter, c.camtime)) {
        restarteye(c);
        c.xcampos = (draw(20000) - 10000) / 7;
        c.ycampos = draw(14000) / 7 + 50;
        c.zcampos = (draw(20000) - 10000) / 7;
    }
    lerpeye(c);
    if (movestep(c.lookcounter, c.looktime)) {
        restartlook(c);
        c.xlookpos = (draw(2000) - 1000) / 80;
        c.ylookpos = draw(2000) / 100 + 150;
        c.zlookpos = (draw(2000) - 1000) / 80;
    }
    lerplook(c);
}

// Programs 1 and 2 keep the eye low at x 586, sliding it along z.
static void streeteye(mycam &c)
{
    if (movestep(c.camcounter, c.camtime)) {
        c.zcamoldpos = c.zcampos;
        c.zcampos = (draw(2000) - 1000) / 10;
    }
    c.xcam = 586;
    c.ycam = 7;
    c.zcam = lerp(c.zcamoldpos, c.zcampos, c.camcounter, c.camtime);
}

// Program 1: looks around a box near the street.
static void streetlook(mycam &c)
{
    streeteye(c);
    if (movestep(c.lookcounter, c.looktime)) {
        restartlook(c);
        c.xlookpos = (draw(2000) - 1000) / 10 + 587;
        c.ylookpos = draw(2000) / 10 + 4;
        c.zlookpos = (draw(2000) - 1000) / 10;
    }
    lerplook(c);
}

// Program 2: stares at one fixed point down the street.
static void streetstare(mycam &c)
{
    streeteye(c);
    if (movestep(c.lookcounter, c.looktime)) {
        restartlook(c);
        c.xlookpos = 587;
        c.ylookpos = 4;
        c.zlookpos = 0;
    }
    lerplook(c);
}

static void direct()
{
    autoswitch();
    mycam &c = mycamz[whichcam];
    switch (whichcam) {
    case 0:
        highflight(c);
        break;
    case 1:
        streetlook(c);
        break;
    default:
        streetstare(c);
        break;
    }
}

// Moves zpos by speed and flips it to the positive side once it passes the
// limit (strictly below; equal stays); returns the new zpos.
template <typename Record> static GLfloat scroll(Record &r, float limit)
{
    GLfloat z = r.zpos - r.speed;
    if (z < limit)
        z = -z;
    r.zpos = z;
    return z;
}

// A sheet's corners 0 and 1 lie on its near edge, 2 and 3 on its far edge.
static void setsheetz(Vertex3 *v, GLfloat nearz, GLfloat farz)
{
    v[0].z = v[1].z = nearz;
    v[2].z = v[3].z = farz;
}

// A box's corners 0-3 lie on its near face, 4-7 on its far face.
static void setboxz(Vertex3 *v, GLfloat nearz, GLfloat farz)
{
    v[0].z = v[1].z = v[2].z = v[3].z = nearz;
    v[4].z = v[5].z = v[6].z = v[7].z = farz;
}

static void scrollscenery()
{
    for (int i = 0; i < cloudcount; i++) {
        GLfloat z = scroll(cloudz[i], cloudwrap);
        setsheetz(&cloud_verts[i * sheetcorners], z, z + cloudz[i].hpos);
    }
    for (int i = 0; i < citycount; i++) {
        GLfloat z = scroll(cityz[i], citywrap);
        setboxz(&city_verts[i * citycorners], z, z + cityz[i].dpos);
    }
    for (int i = 0; i < floorcount; i++) {
        GLfloat z = scroll(floorz[i], floorwrap);
        setsheetz(&floor_verts[i * sheetcorners], z, z + floorz[i].hpos);
    }
}

void calcme()
{
    direct();
    scrollscenery();
}
