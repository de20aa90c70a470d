#pragma once

// The device that calls the system's OpenGL and GLU. Included by GlDevice.h:
// the per-vertex calls below are defined here so that the forwarding functions
// can call them directly when this device is the current one.

#include <cstring>
#include <vector>

namespace gl {

// Forwards each call to the system's OpenGL / GLU in the current context.
//
// Immediate-mode geometry (glBegin ... glEnd with its vertices and their
// normals, colours and texture coordinates) is gathered into one client-side
// vertex array and drawn with a single glDrawArrays when any other call comes
// (or, for loops, strips, fans and polygons, at glEnd). Consecutive primitives
// of the same independent kind (points, lines, triangles, quads) are merged
// into one draw. What is drawn, and what a selection pass records, is exactly
// what the immediate-mode calls would give: every vertex takes the current
// attributes, incomplete primitives are dropped, and the current normal,
// colour and texture coordinate are left as the calls set them.
class RealDevice final : public Device {
public:
    void Begin(GLenum mode) override
    {
        if (FOpen && mode == FMode && Mergeable(mode)) {
            FSegmentStart = Count();
            FInBegin = true;
            return;
        }
        FlushBatch();
        FMode = mode;
        FOpen = true;
        FInBegin = true;
        FSegmentStart = 0;
    }
    void End() override
    {
        if (!FInBegin) {
            FlushBatch();
            glEnd(); // outside glBegin: let OpenGL report it
            return;
        }
        FInBegin = false;
        if (!Mergeable(FMode)) {
            FlushBatch();
            return;
        }
        DropIncompletePrimitive();
    }
    void Vertex3f(GLfloat x, GLfloat y, GLfloat z) override
    {
        const GLfloat v[3] = {x, y, z};
        Vertex3fv(v);
    }
    void Vertex3fv(const GLfloat* v) override
    {
        if (!FInBegin) {
            FlushBatch();
            glVertex3fv(v);
            return;
        }
        if (FCount == FCapacity)
            Grow();
        GLfloat* p = &FPositions[FCount * 3];
        p[0] = v[0];
        p[1] = v[1];
        p[2] = v[2];
        GLfloat* n = &FNormals[FCount * 3];
        n[0] = FNormal[0];
        n[1] = FNormal[1];
        n[2] = FNormal[2];
        if (FColorVaried)
            std::memcpy(&FColors[FCount * 4], FColor, sizeof FColor);
        if (FTexVaried)
            std::memcpy(&FTexCoords[FCount * 2], FTex, sizeof FTex);
        ++FCount;
    }
    void Normal3f(GLfloat x, GLfloat y, GLfloat z) override
    {
        const GLfloat n[3] = {x, y, z};
        Normal3fv(n);
    }
    void Normal3fv(const GLfloat* n) override
    {
        std::memcpy(FNormal, n, sizeof FNormal);
        if (!FOpen)
            glNormal3fv(n);
    }
    void TexCoord2f(GLfloat s, GLfloat t) override
    {
        if (FOpen && !FTexVaried && Count() > 0 && (s != FTex[0] || t != FTex[1])) {
            // From now on every vertex carries its own coordinate; the earlier ones share the old one.
            FTexVaried = true;
            for (std::size_t i = 0; i < FCount; ++i)
                std::memcpy(&FTexCoords[i * 2], FTex, sizeof FTex);
        }
        FTex[0] = s;
        FTex[1] = t;
        if (!FOpen)
            glTexCoord2f(s, t);
    }
    void Color3f(GLfloat r, GLfloat g, GLfloat b) override
    {
        if (FOpen && !FColorVaried && Count() > 0 &&
            (r != FColor[0] || g != FColor[1] || b != FColor[2] || FColor[3] != 1)) {
            // From now on every vertex carries its own colour; the earlier ones share the old one.
            FColorVaried = true;
            for (std::size_t i = 0; i < FCount; ++i)
                std::memcpy(&FColors[i * 4], FColor, sizeof FColor);
        }
        FColor[0] = r;
        FColor[1] = g;
        FColor[2] = b;
        FColor[3] = 1;
        if (!FOpen)
            glColor3f(r, g, b);
    }
    void Enable(GLenum cap) override
    {
        FlushBatch();
        glEnable(cap);
    }
    void Disable(GLenum cap) override
    {
        FlushBatch();
        glDisable(cap);
    }
    GLboolean IsEnabled(GLenum cap) override
    {
        FlushBatch();
        return glIsEnabled(cap);
    }
    void MatrixMode(GLenum mode) override
    {
        FlushBatch();
        glMatrixMode(mode);
    }
    void LoadIdentity() override
    {
        FlushBatch();
        glLoadIdentity();
    }
    void PushMatrix() override
    {
        FlushBatch();
        glPushMatrix();
    }
    void PopMatrix() override
    {
        FlushBatch();
        glPopMatrix();
    }
    void Translatef(GLfloat x, GLfloat y, GLfloat z) override
    {
        FlushBatch();
        glTranslatef(x, y, z);
    }
    void Rotatef(GLfloat a, GLfloat x, GLfloat y, GLfloat z) override
    {
        FlushBatch();
        glRotatef(a, x, y, z);
    }
    void Scalef(GLfloat x, GLfloat y, GLfloat z) override
    {
        FlushBatch();
        glScalef(x, y, z);
    }
    void Ortho(GLdouble l, GLdouble r, GLdouble b, GLdouble t, GLdouble n, GLdouble f) override
    {
        FlushBatch();
        glOrtho(l, r, b, t, n, f);
    }
    void Viewport(GLint x, GLint y, GLsizei w, GLsizei h) override
    {
        FlushBatch();
        glViewport(x, y, w, h);
    }
    void Perspective(GLdouble fovy, GLdouble aspect, GLdouble zNear, GLdouble zFar) override
    {
        FlushBatch();
        gluPerspective(fovy, aspect, zNear, zFar);
    }
    void PickMatrix(GLdouble x, GLdouble y, GLdouble w, GLdouble h, GLint* viewport) override
    {
        FlushBatch();
        gluPickMatrix(x, y, w, h, viewport);
    }
    void Materialfv(GLenum face, GLenum pname, const GLfloat* params) override
    {
        FlushBatch();
        glMaterialfv(face, pname, params);
    }
    void Lightfv(GLenum light, GLenum pname, const GLfloat* params) override
    {
        FlushBatch();
        glLightfv(light, pname, params);
    }
    void LightModeli(GLenum pname, GLint param) override
    {
        FlushBatch();
        glLightModeli(pname, param);
    }
    void ShadeModel(GLenum mode) override
    {
        FlushBatch();
        glShadeModel(mode);
    }
    void PolygonMode(GLenum face, GLenum mode) override
    {
        FlushBatch();
        glPolygonMode(face, mode);
    }
    void ClearColor(GLfloat r, GLfloat g, GLfloat b, GLfloat a) override
    {
        FlushBatch();
        glClearColor(r, g, b, a);
    }
    void Clear(GLbitfield mask) override
    {
        FlushBatch();
        glClear(mask);
    }
    void Flush() override
    {
        FlushBatch();
        glFlush();
    }
    void LineWidth(GLfloat width) override
    {
        FlushBatch();
        glLineWidth(width);
    }
    void PointSize(GLfloat size) override
    {
        FlushBatch();
        glPointSize(size);
    }
    void RasterPos3f(GLfloat x, GLfloat y, GLfloat z) override
    {
        FlushBatch();
        glRasterPos3f(x, y, z);
    }
    void CallLists(GLsizei n, GLenum type, const GLvoid* lists) override
    {
        FlushBatch();
        glCallLists(n, type, lists);
    }
    void ListBase(GLuint base) override
    {
        FlushBatch();
        glListBase(base);
    }
    void NewList(GLuint list, GLenum mode) override
    {
        FlushBatch();
        glNewList(list, mode);
    }
    void EndList() override
    {
        FlushBatch();
        glEndList();
    }
    void Bitmap(GLsizei w, GLsizei h, GLfloat xo, GLfloat yo, GLfloat xm, GLfloat ym,
                const GLubyte* bits) override
    {
        FlushBatch();
        glBitmap(w, h, xo, yo, xm, ym, bits);
    }
    void PixelStorei(GLenum pname, GLint param) override
    {
        FlushBatch();
        glPixelStorei(pname, param);
    }
    void InitNames() override
    {
        FlushBatch();
        glInitNames();
    }
    void PushName(GLuint name) override
    {
        FlushBatch();
        glPushName(name);
    }
    void PopName() override
    {
        FlushBatch();
        glPopName();
    }
    void SelectBuffer(GLsizei size, GLuint* buffer) override
    {
        FlushBatch();
        glSelectBuffer(size, buffer);
    }
    GLint RenderMode(GLenum mode) override
    {
        FlushBatch();
        return glRenderMode(mode);
    }
    void GenTextures(GLsizei n, GLuint* textures) override
    {
        FlushBatch();
        glGenTextures(n, textures);
    }
    void BindTexture(GLenum target, GLuint texture) override
    {
        FlushBatch();
        glBindTexture(target, texture);
    }
    void TexParameteri(GLenum target, GLenum pname, GLint param) override
    {
        FlushBatch();
        glTexParameteri(target, pname, param);
    }
    void TexImage2D(GLenum target, GLint level, GLint internalFormat, GLsizei w, GLsizei h, GLint border,
                    GLenum format, GLenum type, const GLvoid* pixels) override
    {
        FlushBatch();
        glTexImage2D(target, level, internalFormat, w, h, border, format, type, pixels);
    }
    void TexEnvf(GLenum target, GLenum pname, GLfloat param) override
    {
        FlushBatch();
        glTexEnvf(target, pname, param);
    }
    GLint ScaleImage(GLenum format, GLint wIn, GLint hIn, GLenum typeIn, const void* dataIn, GLint wOut,
                     GLint hOut, GLenum typeOut, GLvoid* dataOut) override
    {
        FlushBatch();
        return gluScaleImage(format, wIn, hIn, typeIn, dataIn, wOut, hOut, typeOut, dataOut);
    }
    void GetIntegerv(GLenum pname, GLint* params) override
    {
        FlushBatch();
        glGetIntegerv(pname, params);
    }
    GLenum GetError() override
    {
        FlushBatch();
        return glGetError();
    }
    void Sync() override { FlushBatch(); }

private:
    std::size_t Count() const { return FCount; }

    // An incomplete last primitive is dropped, as glEnd would drop it.
    void DropIncompletePrimitive() { FCount -= (FCount - FSegmentStart) % VerticesPer(FMode); }

    // Room for twice as many vertices; the arrays keep their size between
    // batches, so a steady scene stops allocating after its first frame.
    void Grow()
    {
        FCapacity = FCapacity ? 2 * FCapacity : 4096;
        FPositions.resize(FCapacity * 3);
        FNormals.resize(FCapacity * 3);
        FColors.resize(FCapacity * 4);
        FTexCoords.resize(FCapacity * 2);
    }

    static bool Mergeable(GLenum mode)
    {
        return mode == GL_POINTS || mode == GL_LINES || mode == GL_TRIANGLES || mode == GL_QUADS;
    }
    static std::size_t VerticesPer(GLenum mode)
    {
        return mode == GL_LINES ? 2 : mode == GL_TRIANGLES ? 3 : mode == GL_QUADS ? 4 : 1;
    }

    // Draws what has been gathered and leaves OpenGL's current attributes as
    // the immediate-mode calls would have left them.
    void FlushBatch()
    {
        if (!FOpen)
            return;
        if (FInBegin && Mergeable(FMode))
            DropIncompletePrimitive();
        if (Count() > 0) {
            glEnableClientState(GL_VERTEX_ARRAY);
            glVertexPointer(3, GL_FLOAT, 0, FPositions.data());
            glEnableClientState(GL_NORMAL_ARRAY);
            glNormalPointer(GL_FLOAT, 0, FNormals.data());
            if (FColorVaried) {
                glEnableClientState(GL_COLOR_ARRAY);
                glColorPointer(4, GL_FLOAT, 0, FColors.data());
            } else {
                glColor4fv(FColor); // every vertex had this colour
            }
            if (FTexVaried) {
                glEnableClientState(GL_TEXTURE_COORD_ARRAY);
                glTexCoordPointer(2, GL_FLOAT, 0, FTexCoords.data());
            } else {
                glTexCoord2fv(FTex);
            }
            glDrawArrays(FMode, 0, static_cast<GLsizei>(Count()));
            glDisableClientState(GL_VERTEX_ARRAY);
            glDisableClientState(GL_NORMAL_ARRAY);
            if (FColorVaried)
                glDisableClientState(GL_COLOR_ARRAY);
            if (FTexVaried)
                glDisableClientState(GL_TEXTURE_COORD_ARRAY);
        }
        glNormal3fv(FNormal);
        glColor4fv(FColor);
        glTexCoord2fv(FTex);
        FCount = 0;
        FOpen = false;
        FInBegin = false;
        FColorVaried = false;
        FTexVaried = false;
    }

    // The gathered vertices; colours and texture coordinates only once they vary.
    std::vector<GLfloat> FPositions;
    std::vector<GLfloat> FNormals;
    std::vector<GLfloat> FColors;
    std::vector<GLfloat> FTexCoords;
    std::size_t FCount = 0;
    std::size_t FCapacity = 0;
    GLenum FMode = GL_POINTS;
    bool FOpen = false;    // a batch is gathering (perhaps between primitives)
    bool FInBegin = false; // between Begin and End
    std::size_t FSegmentStart = 0;
    bool FColorVaried = false;
    bool FTexVaried = false;
    // OpenGL's initial current attributes.
    GLfloat FNormal[3] = {0, 0, 1};
    GLfloat FColor[4] = {1, 1, 1, 1};
    GLfloat FTex[2] = {0, 0};
};

} // namespace gl
