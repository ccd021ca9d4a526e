// SPDX-License-Identifier: MIT
// The OpenGL state initGL leaves for every frame.
#include "scene.h"

#include "render.h"

#include <GL/gl.h>

#include <cmath>

namespace
{

using InitGL = Scene;

TEST_F(InitGL, LeavesTheStateFramesRelyOn)
{
    // Start from what a frame leaves behind, with another matrix current.
    drawGLScene();
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    initGL();

    GLint mode = 0;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(mode, GL_MODELVIEW);
    GLdouble m[16];
    glGetDoublev(GL_MODELVIEW_MATRIX, m);
    for (int i = 0; i < 16; i++)
        EXPECT_EQ(m[i], i % 5 == 0 ? 1.0 : 0.0) << "model-view element " << i;

    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    GLint depthfunc = 0;
    glGetIntegerv(GL_DEPTH_FUNC, &depthfunc);
    EXPECT_EQ(depthfunc, GL_LEQUAL);
    EXPECT_FALSE(glIsEnabled(GL_FOG));
    EXPECT_FALSE(glIsEnabled(GL_DITHER));
    GLint shading = 0;
    GLint viewport[4] = {};
    glGetIntegerv(GL_SHADE_MODEL, &shading);
    EXPECT_EQ(shading, GL_SMOOTH);
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[0], 0);
    EXPECT_EQ(viewport[1], 0);
    EXPECT_EQ(viewport[2], screenwidth);
    EXPECT_EQ(viewport[3], screenheight);
}

// The perspective matrix for a 135-degree vertical field of view, 4:3, with
// the near plane at 0.1 and the far plane at 15000 (column-major).
TEST_F(InitGL, SetsAWideAnglePerspective)
{
    const double fovy = 135.0 * M_PI / 180;
    const double aspect = 800.0f / 600.0f;
    const double near = 0.1f;
    const double far = 15000.0;
    const double f = 1 / std::tan(fovy / 2);
    double want[16] = {};
    want[0] = f / aspect;
    want[5] = f;
    want[10] = (far + near) / (near - far);
    want[11] = -1;
    want[14] = 2 * far * near / (near - far);

    GLdouble m[16];
    glGetDoublev(GL_PROJECTION_MATRIX, m);
    for (int i = 0; i < 16; i++)
        EXPECT_NEAR(m[i], want[i], 1e-6 * std::fabs(want[i]) + 1e-9) << "element " << i;
}

} // namespace
