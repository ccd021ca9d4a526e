// SPDX-License-Identifier: MIT
// Storage of the world. Everything starts zero-filled except the scalars
// given an initial value here; initme fills the rest once at start-up.
#include "world.h"

mycam mycamz[camcount];
city cityz[citycount];
Vertex3 city_verts[city_vertcount];
Vertex3 city_colors[city_vertcount];
GLuint city_indexes[city_indexcount];
cloud cloudz[cloudcount];
Vertex3 cloud_verts[cloud_vertcount + spare];
GLuint cloud_indexes[cloud_vertcount + spare];
struct floor floorz[floorcount];
Vertex3 floor_verts[floor_vertcount + spare];
Vertex3 floor_colors[floor_vertcount + spare];
GLuint floor_indexes[floor_vertcount + spare];

int whichcam = 0;
int fxcounter = 3900; // so the first automatic switch comes on the 101st step
int fx = 0;
SDL_Surface *surface = nullptr;
