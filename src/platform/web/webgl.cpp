// SPDX-License-Identifier: MIT
// The web platform layer: see webgl.h for why it exists.
#include "webgl.h"

#include "world.h"

#include <cmath>

#undef glDrawElements // the real ones from here on
#undef gluLookAt

// Room for the largest draw, the buildings' 24000 quads; a larger one would
// be drawn in pieces. Corner numbers must fit 16 bits.
constexpr GLsizei quadentries = city_indexcount;
static_assert(quadentries % 4 == 0, "whole quads");
static_assert(city_vertcount <= 65536 && cloud_vertcount <= 65536 && floor_vertcount <= 65536,
              "every corner of a layer has a 16-bit number");

static GLushort converted[quadentries / 4 * 6];

// Quad (a, b, c, d) becomes triangles (a, b, c) and (a, c, d).
constexpr int split[6] = {0, 1, 2, 0, 2, 3};

GLsizei quadstriangles(const GLuint *quads, GLsizei count, GLushort *triangles)
{
    GLsizei n = 0;
    for (GLsizei i = 0; i + 4 <= count; i += 4)
        for (int corner : split)
            triangles[n++] = GLushort(quads[i + corner]);
    return n;
}

void webdrawelements(GLenum mode, GLsizei count, GLenum type, const GLvoid *indices)
{
    if (mode != GL_QUADS || type != GL_UNSIGNED_INT) {
        glDrawElements(mode, count, type, indices);
        return;
    }
    const GLuint *quads = static_cast<const GLuint *>(indices);
    for (GLsizei first = 0; first < count; first += quadentries) {
        GLsizei piece = count - first < quadentries ? count - first : quadentries;
        GLsizei n = quadstriangles(quads + first, piece, converted);
        glDrawElements(GL_TRIANGLES, n, GL_UNSIGNED_SHORT, converted);
    }
}

namespace
{

// GLU works in single precision; so does this, for the same matrix.
struct Vec {
    GLfloat x, y, z;
};

Vec cross(Vec a, Vec b)
{
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

// A vector of length zero is left as it is.
Vec normalized(Vec v)
{
    GLfloat r = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
    if (r == 0)
        return v;
    return {v.x / r, v.y / r, v.z / r};
}

} // namespace

void weblookat(GLdouble eyex, GLdouble eyey, GLdouble eyez, GLdouble centerx, GLdouble centery,
               GLdouble centerz, GLdouble upx, GLdouble upy, GLdouble upz)
{
    Vec forward =
        normalized({GLfloat(centerx - eyex), GLfloat(centery - eyey), GLfloat(centerz - eyez)});
    Vec side = normalized(cross(forward, {GLfloat(upx), GLfloat(upy), GLfloat(upz)}));
    Vec up = cross(side, forward);
    // Column-major: the rows of the view's rotation are side, up and -forward.
    const GLfloat m[16] = {side.x, up.x, -forward.x, 0, side.y, up.y, -forward.y, 0,
                           side.z, up.z, -forward.z, 0, 0,      0,    0,          1};
    glMultMatrixf(m);
    glTranslated(-eyex, -eyey, -eyez);
}
