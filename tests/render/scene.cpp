// SPDX-License-Identifier: MIT
#include "scene.h"

#include "render.h"

#include "SDL.h"

#include <GL/gl.h>

#include <cmath>
#include <cstdlib>
#include <cstring>

namespace
{

// One video mode for the whole executable, as the program sets it, on SDL's
// offscreen driver so that no display is needed. The alpha channel, which
// the program does not ask for, lets the tests see the cleared alpha.
class Context : public testing::Environment
{
    void SetUp() override
    {
        setenv("SDL_VIDEODRIVER", "offscreen", 1);
        ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0) << SDL_GetError();
        SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
        SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, 8);
        surface = SDL_SetVideoMode(screenwidth, screenheight, 16, SDL_OPENGL | SDL_FULLSCREEN);
        ASSERT_NE(surface, nullptr) << SDL_GetError();
    }
    void TearDown() override
    {
        SDL_Quit();
    }
};

const testing::Environment *const context = testing::AddGlobalTestEnvironment(new Context);

template <typename T, size_t n> void zero(T (&array)[n])
{
    memset(array, 0, sizeof array);
}

// Corners k = 0..3 of a square in the plane at distance d, and the quad's
// four index entries naming them (first is the block's first corner).
void square(Vertex3 *corners, GLuint *entries, GLuint first, float d)
{
    const float half = 4 * std::fabs(d); // the view spans about 3.2 d sideways
    const float z = eye.z - d;
    corners[0] = {eye.x - half, eye.y - half, z};
    corners[1] = {eye.x + half, eye.y - half, z};
    corners[2] = {eye.x + half, eye.y + half, z};
    corners[3] = {eye.x - half, eye.y + half, z};
    for (int k = 0; k < 4; k++)
        entries[k] = first + k;
}

} // namespace

void emptyscene()
{
    zero(mycamz);
    zero(cityz);
    zero(city_verts);
    zero(city_colors);
    zero(city_indexes);
    zero(cloudz);
    zero(cloud_verts);
    zero(cloud_indexes);
    zero(floorz);
    zero(floor_verts);
    zero(floor_colors);
    zero(floor_indexes);
    whichcam = 0;
    mycam &c = mycamz[0];
    c.xcam = c.xlook = eye.x;
    c.ycam = c.ylook = eye.y;
    c.zcam = eye.z;
    c.zlook = 0;
    initGL();
}

void buildingat(int slot, float d, Vertex3 colour)
{
    int first = slot * citycorners;
    square(&city_verts[first], &city_indexes[slot * cityentries], first, d);
    for (int k = 0; k < 4; k++)
        city_colors[first + k] = colour;
}

void groundat(int slot, float d, Vertex3 colour)
{
    int first = slot * sheetcorners;
    square(&floor_verts[first], &floor_indexes[first], first, d);
    for (int k = 0; k < 4; k++)
        floor_colors[first + k] = colour;
}

void cloudat(int slot, float d)
{
    int first = slot * sheetcorners;
    square(&cloud_verts[first], &cloud_indexes[first], first, d);
}

// sdl12-compat has the program draw into a framebuffer object of its own and
// copies that to the window on each swap. The object stays bound as the read
// buffer and keeps the frame after the swap, so reading with the default read
// buffer right after drawGLScene returns exactly the frame it drew. (GL_BACK
// and GL_FRONT cannot even be named while the object is bound.)
std::vector<unsigned char> rgbapixels()
{
    std::vector<unsigned char> p(size_t(screenwidth) * screenheight * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, screenwidth, screenheight, GL_RGBA, GL_UNSIGNED_BYTE, p.data());
    return p;
}

std::vector<float> depths()
{
    std::vector<float> d(size_t(screenwidth) * screenheight);
    glReadPixels(0, 0, screenwidth, screenheight, GL_DEPTH_COMPONENT, GL_FLOAT, d.data());
    return d;
}

Rgba centre()
{
    unsigned char p[4];
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(screenwidth / 2, screenheight / 2, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, p);
    return {p[0], p[1], p[2], p[3]};
}

testing::AssertionResult shows(Rgba got, Vertex3 colour)
{
    constexpr int tolerance = 3;
    auto byte = [](float c) { return int(std::lround(c * 255)); };
    int want[3] = {byte(colour.x), byte(colour.y), byte(colour.z)};
    int have[3] = {got.r, got.g, got.b};
    for (int i = 0; i < 3; i++)
        if (std::abs(have[i] - want[i]) > tolerance)
            return testing::AssertionFailure()
                   << "shows (" << have[0] << ", " << have[1] << ", " << have[2] << "), expected ("
                   << want[0] << ", " << want[1] << ", " << want[2] << ")";
    return testing::AssertionSuccess();
}
