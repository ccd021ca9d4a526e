// SPDX-License-Identifier: MIT
// Frames drawn by drawGLScene, read back pixel by pixel.
#include "colourfamilies.h"
#include "scene.h"

#include "render.h"

#include <GL/gl.h>

#include <cstdlib>
#include <vector>

// The world is seeded from the clock; the generated-world frame below wants
// the same world on every run, so initme's seed is pinned (linked with
// --wrap=srand; nothing else in this executable seeds).
extern "C" void __real_srand(unsigned seed);    // NOLINT(bugprone-reserved-identifier)
extern "C" void __wrap_srand(unsigned /*seed*/) // NOLINT(bugprone-reserved-identifier)
{
    __real_srand(20240601);
}

namespace
{

using Frame = Scene;

constexpr Vertex3 black = {0, 0, 0};
constexpr Vertex3 grey = {0.2f, 0.2f, 0.2f};
constexpr Vertex3 teal = {0.04f, 0.49f, 0.49f};  // the brightest building
constexpr Vertex3 brown = {0.49f, 0.04f, 0.04f}; // the brightest ground tile

TEST_F(Frame, ClearsToBlackWithAlphaZeroAndTheFarDepth)
{
    buildingat(0, 10, teal); // leave colour and depth in the buffers first
    drawGLScene();
    ASSERT_TRUE(shows(centre(), teal));

    emptyscene(); // nothing left to draw
    drawGLScene();
    std::vector<unsigned char> pixels = rgbapixels();
    long lit = 0;
    for (unsigned char byte : pixels)
        lit += byte != 0;
    EXPECT_EQ(lit, 0) << "channels not 0, alpha included";
    long near = 0;
    for (float d : depths())
        near += d != 1.0f;
    EXPECT_EQ(near, 0) << "pixels with a depth other than 1.0";
}

TEST_F(Frame, EndsWithArraysAndBlendingOffAndTheCloudGreyCurrent)
{
    cloudat(0, 50);
    drawGLScene();
    EXPECT_FALSE(glIsEnabled(GL_VERTEX_ARRAY));
    EXPECT_FALSE(glIsEnabled(GL_COLOR_ARRAY));
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    GLfloat colour[4];
    glGetFloatv(GL_CURRENT_COLOR, colour);
    EXPECT_FLOAT_EQ(colour[0], 0.2f);
    EXPECT_FLOAT_EQ(colour[1], 0.2f);
    EXPECT_FLOAT_EQ(colour[2], 0.2f);
    EXPECT_FLOAT_EQ(colour[3], 1.0f);
}

// What the middle of the screen shows with clouds at the given distances
// (in index order) in front of, or behind, a building at distance 200.
struct CloudCase {
    const char *what;
    bool withbuilding;
    Vertex3 building;
    std::vector<float> clouds;
    Vertex3 shows;
};

TEST_F(Frame, CloudsAddTheirGreyToWhatLiesBehindThem)
{
    const CloudCase cases[] = {
        {"a cloud over black", false, black, {100}, grey},
        {"a cloud over a building", true, teal, {100}, {0.24f, 0.69f, 0.69f}},
        {"a cloud over ground colours", true, brown, {100}, {0.69f, 0.24f, 0.24f}},
        {"a cloud over a bright wall, clamped", true, {0.9f, 0.3f, 0.85f}, {100}, {1, 0.5f, 1}},
        {"two clouds, farther drawn first", false, black, {150, 100}, {0.4f, 0.4f, 0.4f}},
        {"two clouds, nearer drawn first", false, black, {100, 150}, grey},
        {"five clouds clamp to white", true, teal, {50, 40, 30, 20, 10}, {1, 1, 1}},
        {"a cloud behind a building", true, teal, {300}, teal},
    };
    for (const CloudCase &c : cases) {
        emptyscene();
        if (c.withbuilding)
            buildingat(0, 200, c.building);
        // Spread over the array: any slot draws, not just the first ones.
        for (size_t i = 0; i < c.clouds.size(); i++)
            cloudat(int(i) * 250, c.clouds[i]);
        drawGLScene();
        EXPECT_TRUE(shows(centre(), c.shows)) << c.what;
    }
}

TEST_F(Frame, OfTwoSurfacesAtOneDepthTheLaterDrawnShows)
{
    // Ground is drawn before buildings, clouds last.
    groundat(599, 100, brown);
    buildingat(3999, 100, teal);
    drawGLScene();
    EXPECT_TRUE(shows(centre(), teal)) << "building over ground";

    cloudat(1199, 100);
    drawGLScene();
    EXPECT_TRUE(shows(centre(), {0.24f, 0.69f, 0.69f})) << "cloud over building";
}

TEST_F(Frame, ClipsWhatIsNearerThanATenthOrBeyondFifteenThousand)
{
    const struct {
        float distance;
        Vertex3 shows;
    } cases[] = {{0.09f, black}, {0.11f, teal}, {14500, teal}, {15500, black}};
    for (const auto &c : cases) {
        emptyscene();
        buildingat(0, c.distance, teal);
        drawGLScene();
        EXPECT_TRUE(shows(centre(), c.shows)) << "wall at distance " << c.distance;
    }
}

TEST_F(Frame, DrawsFromTheActiveProgramsEye)
{
    buildingat(0, 100, teal); // ahead of program 0
    groundat(0, -100, brown); // behind it
    mycamz[1] = mycamz[0];
    mycamz[1].zlook = 1000; // program 1 stands there too but looks back
    whichcam = 1;
    drawGLScene();
    EXPECT_TRUE(shows(centre(), brown));
    whichcam = 0;
    drawGLScene();
    EXPECT_TRUE(shows(centre(), teal));
}

// A generated city seen at an angle from above: ground, buildings and clouds
// all in view. Every lit pixel must be a colour the world can make.
TEST_F(Frame, GeneratedCityShowsOnlyItsColourFamilies)
{
    initme();
    mycam &c = mycamz[0];
    c.xcam = 0, c.ycam = 1500, c.zcam = -3000;
    c.xlook = 0, c.ylook = 150, c.zlook = 0;
    drawGLScene();

    std::vector<unsigned char> pixels = rgbapixels();
    using namespace families;
    Tally t = tally(pixels.data(), screenwidth * screenheight, 4);
    EXPECT_GT(1 - t.black, 0.4) << "mostly black";
    EXPECT_GT(t.family[building], 0.2);
    EXPECT_GT(t.family[ground], 0.02);
    EXPECT_GT(t.clouded, 0.15);
    EXPECT_LT(t.family[unexplained], 0.01 * (1 - t.black));
}

} // namespace
