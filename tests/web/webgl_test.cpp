// SPDX-License-Identifier: MIT
// The web platform layer's own promises, on the desktop's OpenGL: GLU's view
// matrix, and quads drawn as triangles however long the index list.
#include "scene.h"

#include "webgl.h"

#include "SDL.h"

#include <cmath>
#include <vector>

#undef gluLookAt // GLU's own, to compare with
#undef glDrawElements

namespace
{

using Layer = Scene;

std::vector<GLfloat> modelview()
{
    std::vector<GLfloat> m(16);
    glGetFloatv(GL_MODELVIEW_MATRIX, m.data());
    return m;
}

TEST_F(Layer, LookAtGivesGLUsMatrix)
{
    const struct {
        const char *what;
        GLdouble eye[3], centre[3], up[3];
    } cases[] = {
        {"straight above, as at start", {0, 4000, 0}, {0, 0, 0}, {0, 1, 0}},
        {"straight below", {5, -20, 7}, {5, 30, 7}, {0, 1, 0}},
        {"high over the city", {-1200.5, 1250, 811}, {3.25, 150.5, -9.5}, {0, 1, 0}},
        {"along the street", {586, 7, -42.5}, {612.4, 53.1, 80}, {0, 1, 0}},
        {"eye on the view point", {1, 2, 3}, {1, 2, 3}, {0, 1, 0}},
        {"tilted up vector", {10, 20, 30}, {-5, 0, 2}, {0.3, 0.9, -0.1}},
    };
    for (const auto &c : cases) {
        glLoadIdentity();
        glTranslatef(1, 2, 3); // it multiplies what is there
        gluLookAt(c.eye[0], c.eye[1], c.eye[2], c.centre[0], c.centre[1], c.centre[2], c.up[0],
                  c.up[1], c.up[2]);
        std::vector<GLfloat> glu = modelview();
        glLoadIdentity();
        glTranslatef(1, 2, 3);
        weblookat(c.eye[0], c.eye[1], c.eye[2], c.centre[0], c.centre[1], c.centre[2], c.up[0],
                  c.up[1], c.up[2]);
        std::vector<GLfloat> web = modelview();
        for (int i = 0; i < 16; i++)
            EXPECT_NEAR(web[i], glu[i], 1e-6 * (1 + std::fabs(glu[i])))
                << c.what << ", element " << i;
    }
}

// Quads as triangles: whole quads only, each split along its diagonal from
// its first corner.
TEST_F(Layer, SplitsEveryWholeQuadIntoTwoTrianglesAndDropsARemainder)
{
    const GLuint quads[] = {0, 1, 2, 3, 31996, 31997, 31998, 31999, 7, 8};
    GLushort triangles[12] = {};
    ASSERT_EQ(quadstriangles(quads, 10, triangles), 12);
    const GLushort expected[12] = {0, 1, 2, 0, 2, 3, 31996, 31997, 31998, 31996, 31998, 31999};
    for (int i = 0; i < 12; i++)
        EXPECT_EQ(triangles[i], expected[i]) << "entry " << i;
}

// An index list longer than the layer's buffer is drawn in pieces: here
// only the quad at its very end covers the screen.
TEST_F(Layer, DrawsAListLongerThanTheLargestLayer)
{
    const Vertex3 teal = {0.04f, 0.49f, 0.49f};
    buildingat(0, 100, teal); // corners 0-3 of the world's arrays
    std::vector<GLuint> quads(city_indexcount + 8, 0);
    for (int k = 0; k < 4; k++)
        quads[city_indexcount + 4 + k] = k;

    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    gluLookAt(eye.x, eye.y, eye.z, eye.x, eye.y, 0, 0, 1, 0);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_COLOR_ARRAY);
    glVertexPointer(3, GL_FLOAT, 0, city_verts);
    glColorPointer(3, GL_FLOAT, 0, city_colors);
    webdrawelements(GL_QUADS, GLsizei(quads.size()), GL_UNSIGNED_INT, quads.data());
    glDisableClientState(GL_COLOR_ARRAY);
    glDisableClientState(GL_VERTEX_ARRAY);
    SDL_GL_SwapBuffers();
    EXPECT_TRUE(shows(centre(), teal));
}

} // namespace
