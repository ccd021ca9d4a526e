// SPDX-License-Identifier: MIT
// The web platform layer. Emscripten's legacy OpenGL emulation (3.1.6),
// which the browser edition draws through, gets three things wrong that
// leave every frame black or wrong:
// - glDrawElements hands GL_QUADS to WebGL as they are, which refuses them
//   (the emulation turns quads into triangles only for unindexed draws);
// - it reads GL_UNSIGNED_INT index lists as 16-bit ones;
// - its gluLookAt hands its arguments to its matrix library in the wrong
//   order, so the view never follows the camera.
// The web build force-includes this header into the rendering subsystem
// only (cmake/web.cmake), which then draws its quads as triangles with
// 16-bit indices and gets GLU's own view matrix, while its code stays the
// desktop's. Each frame is still the same three draws of the same arrays.
#pragma once

#include <GL/gl.h>
#include <GL/glu.h>

// glDrawElements, with GL_QUADS of GL_UNSIGNED_INT indices drawn as
// GL_TRIANGLES of GL_UNSIGNED_SHORT indices; anything else goes on unchanged.
void webdrawelements(GLenum mode, GLsizei count, GLenum type, const GLvoid *indices);

// gluLookAt as GLU computes it: multiplies the current matrix by the view
// from the eye toward the centre. An up vector along the line of sight
// gives GLU's degenerate matrix, which shows nothing.
void weblookat(GLdouble eyex, GLdouble eyey, GLdouble eyez, GLdouble centerx, GLdouble centery,
               GLdouble centerz, GLdouble upx, GLdouble upy, GLdouble upz);

// Writes the two triangles (a, b, c) and (a, c, d) of every whole quad
// (a, b, c, d) among count quad indices; returns the number of entries
// written, 6 for every 4 read. Every index must be below 65536.
GLsizei quadstriangles(const GLuint *quads, GLsizei count, GLushort *triangles);

#define glDrawElements webdrawelements
#define gluLookAt weblookat
