// SPDX-License-Identifier: MIT
// The world: every record and array that describes the scenery and the
// cameras, with static storage and fixed sizes. World generation fills them
// once (initme); the animation step moves them in place; frame drawing hands
// the vertex, colour and index arrays to OpenGL exactly as they stand.
#pragma once

#include <GL/gl.h>

#include <climits>

struct SDL_Surface;

static_assert(sizeof(GLfloat) == 4 && sizeof(GLuint) == 4, "OpenGL scalar types must be 32-bit");
static_assert(sizeof(int) * CHAR_BIT == 32, "counters are 32-bit ints");

// Record counts.
constexpr int camcount = 3;         // camera programs
constexpr int citycount = 4000;     // buildings: standing ones first, then beams
constexpr int standingcount = 2000; // buildings 0..1999 stand on the ground
constexpr int cloudcount = 1200;    // cloud sheets
constexpr int floorcount = 600;     // ground tiles

// Corners and index entries per record.
constexpr int citycorners = 8;  // a box
constexpr int cityentries = 24; // six quads of four corners
constexpr int sheetcorners = 4; // a cloud sheet or ground tile is one quad

// Array lengths handed to OpenGL. The cloud and floor arrays carry one spare
// element at the end that stays zero and is never drawn.
constexpr int city_vertcount = citycount * citycorners;    // 32000
constexpr int city_indexcount = citycount * cityentries;   // 96000
constexpr int cloud_vertcount = cloudcount * sheetcorners; // 4800 drawn
constexpr int floor_vertcount = floorcount * sheetcorners; // 2400 drawn
constexpr int spare = 1;

// A corner position, or a colour with x, y, z as red, green, blue.
struct Vertex3 {
    GLfloat x, y, z;
};
static_assert(sizeof(Vertex3) == 12, "Vertex3 must be three packed floats");

// One camera program: an eye move and a look move, each a straight line from
// a start point (…oldpos) to a target (…pos) covered in a fixed number of steps.
struct mycam {
    GLfloat xcampos, ycampos, zcampos;             // target of the eye move
    GLfloat xcamoldpos, ycamoldpos, zcamoldpos;    // start of the eye move
    GLfloat xcam, ycam, zcam;                      // current eye
    GLfloat xlookpos, ylookpos, zlookpos;          // target of the look move
    GLfloat xlookoldpos, ylookoldpos, zlookoldpos; // start of the look move
    GLfloat xlook, ylook, zlook;                   // current view point
    int camcounter;                                // steps taken in the eye move
    int camtime;                                   // length of an eye move, in steps
    int lookcounter;                               // steps taken in the look move
    int looktime;                                  // length of a look move, in steps
};
static_assert(sizeof(mycam) == 22 * 4, "mycam is 22 packed 32-bit fields");

// A building or floating beam: an axis-aligned box from its minimum corner.
struct city {
    GLfloat xpos, ypos, zpos; // minimum corner
    GLfloat speed;            // drift toward -z per step
    GLfloat wpos, hpos, dpos; // extents along x, y, z
    GLfloat r, g, b;          // colour of the whole box
};
static_assert(sizeof(city) == 10 * 4, "city is 10 packed floats");

// A cloud sheet: a horizontal rectangle at height ypos; hpos is its z extent.
struct cloud {
    GLfloat xpos, ypos, zpos;
    GLfloat speed;
    GLfloat wpos, hpos;
};
static_assert(sizeof(cloud) == 6 * 4, "cloud is 6 packed floats");

// A ground tile: like a cloud sheet, with a colour. Written `struct floor`
// wherever the type is named, because the C library's floor() shares its name.
struct floor {
    GLfloat xpos, ypos, zpos;
    GLfloat speed;
    GLfloat wpos, hpos;
    GLfloat r, g, b;
};
static_assert(sizeof(struct floor) == 9 * 4, "floor is 9 packed floats");

extern mycam mycamz[camcount]; // the camera programs, indexed by whichcam
extern city cityz[citycount];
extern Vertex3 city_verts[city_vertcount];   // 8 corners per building
extern Vertex3 city_colors[city_vertcount];  // the building's colour per corner
extern GLuint city_indexes[city_indexcount]; // 6 quads per building
extern cloud cloudz[cloudcount];
extern Vertex3 cloud_verts[cloud_vertcount + spare];  // 4 corners per sheet
extern GLuint cloud_indexes[cloud_vertcount + spare]; // entry k is k
extern struct floor floorz[floorcount];
extern Vertex3 floor_verts[floor_vertcount + spare];  // 4 corners per tile
extern Vertex3 floor_colors[floor_vertcount + spare]; // the tile's colour per corner
extern GLuint floor_indexes[floor_vertcount + spare]; // entry k is k

extern int whichcam;         // the active camera program: 0, 1 or 2
extern int fxcounter;        // step counter of the automatic camera switch
extern int fx;               // program drawn at the last automatic switch
extern SDL_Surface *surface; // the video surface, set once at start-up

// Fills every record and array from the clock-seeded rand(). Called once.
void initme();
