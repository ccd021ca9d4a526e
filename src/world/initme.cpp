// SPDX-License-Identifier: MIT
// World generation: draws every record from rand(), seeded from the clock,
// then writes the corners, colours and index lists that OpenGL reads.
//
// Each value takes one fresh rand() call, reduced by its remainder; the rest
// of a formula is worked in double and rounded to a GLfloat when stored. The
// calls are made one statement at a time because their order fixes the world.
#include "world.h"

#include <cstdlib>
#include <ctime>

// One fresh draw, 0 to n - 1, as a double so the formula that follows it is
// worked in floating point.
static double draw(int n)
{
    return rand() % n;
}

static void initcams()
{
    mycamz[0].camtime = 253; // the first eye move descends from 4000 to 1250
    mycamz[0].looktime = 141;
    mycamz[0].ycampos = 1250;
    mycamz[0].ycamoldpos = 4000;
    for (int i = 1; i < camcount; i++) {
        mycamz[i].camtime = 120;
        mycamz[i].looktime = 101;
    }
}

// Height of a cloud sheet or a beam's underside: 30 to 929.95 in steps of 0.05.
static double drawheight()
{
    return draw(18000) / 200 * 10 + 30;
}

// A building's x and z: a cell of a coarse grid, then an offset within it.
static double drawgridx()
{
    double cell = draw(40);
    double offset = draw(120);
    return (cell - 20) * 220 + (offset - 60);
}

static double drawgridz()
{
    double cell = draw(60);
    double offset = draw(260);
    return (cell - 30) * 340 + (offset - 130);
}

static void initclouds()
{
    for (cloud &c : cloudz) {
        c.xpos = (draw(6000) - 3000) * 2;
        c.ypos = drawheight();
        c.zpos = (draw(8000) - 4000) * 2;
        c.speed = draw(600) * 0.015625 + double{0.4f};
        c.wpos = draw(2600) / 3 + 152.5;
        c.hpos = draw(2600) / 3 + 152.5;
    }
}

static void initfloors()
{
    for (struct floor &f : floorz) {
        f.xpos = (draw(8000) - 4000) * 2;
        f.ypos = 0;
        f.zpos = (draw(10000) - 5000) * 3;
        f.speed = 24;
        f.wpos = draw(2600) * 0.5 + 25.5;
        f.hpos = draw(2600) * 0.5 + 25.5;
        f.r = draw(50) / 100; // dark red-brown
        f.g = draw(5) / 100;
        f.b = f.g;
    }
}

// Dark blue-green, the same for standing buildings and beams.
static void drawcitycolor(city &c)
{
    c.r = draw(5) / 100;
    c.g = draw(50) / 100;
    c.b = c.g;
}

static void initstanding()
{
    for (int i = 0; i < standingcount; i++) {
        city &c = cityz[i];
        c.xpos = drawgridx();
        c.ypos = 0;
        c.zpos = drawgridz();
        c.speed = 24;
        c.wpos = draw(800) / 10 + 2.5;
        c.hpos = draw(19400) / 10 + 2.5;
        c.dpos = draw(1200) / 10 + 2.5;
        drawcitycolor(c);
    }
}

// Thin floating slabs, long along z (choice 1) or along x (choice 0).
static void initbeams()
{
    for (int i = standingcount; i < citycount; i++) {
        city &c = cityz[i];
        c.xpos = drawgridx();
        c.ypos = drawheight();
        c.zpos = drawgridz();
        c.speed = 24;
        bool alongz = draw(2) == 1;
        c.wpos = alongz ? draw(800) / 10 + 2.5 : draw(19800) / 10 + 20.5;
        c.hpos = draw(400) / 10 + 2.5;
        c.dpos = alongz ? draw(19200) / 10 + 20.5 : draw(800) / 10 + 2.5;
        drawcitycolor(c);
    }
}

// Corners of a flat sheet: 0 and 1 on the near edge, 2 and 3 on the far one.
static void writesheet(Vertex3 *v, GLfloat x, GLfloat y, GLfloat z, GLfloat w, GLfloat h)
{
    v[0] = {x, y, z};
    v[1] = {x + w, y, z};
    v[2] = {x + w, y, z + h};
    v[3] = {x, y, z + h};
}

static void initfloormesh()
{
    int stepper = 0;
    for (const struct floor &f : floorz) {
        writesheet(&floor_verts[stepper], f.xpos, f.ypos, f.zpos, f.wpos, f.hpos);
        for (int k = 0; k < sheetcorners; k++)
            floor_colors[stepper + k] = {f.r, f.g, f.b};
        stepper += sheetcorners;
    }
    for (int k = 0; k < floor_vertcount; k++)
        floor_indexes[k] = k;
}

static void initcloudmesh()
{
    int stepper = 0;
    for (const cloud &c : cloudz) {
        writesheet(&cloud_verts[stepper], c.xpos, c.ypos, c.zpos, c.wpos, c.hpos);
        stepper += sheetcorners;
    }
    for (int k = 0; k < cloud_vertcount; k++)
        cloud_indexes[k] = k;
}

// Corners 0-3 form the near face (z = zpos), corner k + 4 lies behind corner k.
static void writebox(Vertex3 *v, const city &c)
{
    GLfloat x1 = c.xpos + c.wpos;
    GLfloat y1 = c.ypos + c.hpos;
    GLfloat z1 = c.zpos + c.dpos;
    v[0] = {c.xpos, c.ypos, c.zpos};
    v[1] = {x1, c.ypos, c.zpos};
    v[2] = {x1, y1, c.zpos};
    v[3] = {c.xpos, y1, c.zpos};
    v[4] = {c.xpos, c.ypos, z1};
    v[5] = {x1, c.ypos, z1};
    v[6] = {x1, y1, z1};
    v[7] = {c.xpos, y1, z1};
}

// Near face, +x side, far face, -x side, bottom, top.
constexpr GLuint boxquads[cityentries] = {0, 1, 2, 3, 1, 5, 6, 2, 5, 6, 7, 4,
                                          0, 3, 7, 4, 0, 4, 5, 1, 3, 2, 6, 7};

static void initcitymesh()
{
    int stepper = 0;
    for (const city &c : cityz) {
        writebox(&city_verts[stepper], c);
        for (int k = 0; k < citycorners; k++)
            city_colors[stepper + k] = {c.r, c.g, c.b};
        stepper += citycorners;
    }
    stepper = 0;
    for (int i = 0; i < citycount; i++) {
        for (int k = 0; k < cityentries; k++)
            city_indexes[i * cityentries + k] = stepper + boxquads[k];
        stepper += citycorners;
    }
}

void initme()
{
    srand(time(nullptr));
    initcams();
    initclouds();
    initfloors();
    initstanding();
    initbeams();
    initfloormesh();
    initcloudmesh();
    initcitymesh();
}
