// SPDX-License-Identifier: GPL-3.0-or-later
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
// normals, colours, texture coordinates and edge flags) is gathered into one client-side
// vertex array and drawn with a single glDrawArrays when any other call comes
// (or, for loops, strips, fans and polygons, at glEnd). Consecutive primitives
// of the same independent kind (points, lines, triangles, quads) are merged
// into one draw. What is drawn, and what a selection pass records, is exactly
// what the immediate-mode calls would give: every vertex takes the current
// attributes, incomplete primitives are dropped, and the current normal,
// colour and texture coordinate are left as the calls set them.
//
// The current normal, colour, texture coordinate and edge flag stay with
// OpenGL, in each context: a batch draws the vertices that took them before any was given
// with the context's own values, and sends OpenGL what was given at its end.
// So a batch is due (Sync) before another context is made current.
//
// Calls the gathering cannot mirror are reported through the misuse handler
// (which asserts in debug builds) and then done as OpenGL would do them: a
// call OpenGL refuses between glBegin and glEnd, a nested glBegin, glEnd
// without glBegin, and glMaterialfv or glCallLists inside a primitive. For
// these the open primitive is handed to OpenGL's own glBegin with the vertices
// it has so far, and the rest of it goes straight through. While a display
// list is being compiled nothing is gathered: every call goes straight through.
class RealDevice final : public Device {
public:
    void Begin(GLenum mode) override
    {
        if (FInBegin || FDirectBegin) {
            Misuse("glBegin", "between glBegin and glEnd");
            glBegin(mode); // refused by OpenGL, as immediate mode would be
            return;
        }
        if (FCompiling) {
            glBegin(mode);
            FDirectBegin = true;
            return;
        }
        if (FOpen) {
            if (mode == FMode && Mergeable(mode)) {
                FSegmentStart = Count();
                FInBegin = true;
                return;
            }
            FlushBatch();
        }
        FMode = mode;
        FOpen = true;
        FInBegin = true;
        FSegmentStart = 0;
    }
    bool DrawTriangleElements(const GLfloat* positions, const GLfloat* normals, const GLuint* indices,
                              GLsizei indexCount) override
    {
        // A display list keeps the calls as made; inside a primitive it would be misuse.
        if (FCompiling || FInBegin || FDirectBegin || indexCount <= 0)
            return false;
        FlushBatch();
        glEnableClientState(GL_VERTEX_ARRAY);
        glVertexPointer(3, GL_FLOAT, 0, positions);
        glEnableClientState(GL_NORMAL_ARRAY);
        glNormalPointer(GL_FLOAT, 0, normals);
        glDrawElements(GL_TRIANGLES, indexCount, GL_UNSIGNED_INT, indices);
        glDisableClientState(GL_NORMAL_ARRAY);
        glDisableClientState(GL_VERTEX_ARRAY);
        // The current normal is the last one given, as after immediate mode.
        glNormal3fv(&normals[static_cast<std::size_t>(indices[indexCount - 1]) * 3]);
        return true;
    }
    void End() override
    {
        if (!FInBegin) {
            if (FDirectBegin)
                FDirectBegin = false;
            else
                Misuse("glEnd", "without glBegin");
            FlushBatch();
            glEnd(); // without glBegin: let OpenGL report it
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
        if (FNormal.varied)
            std::memcpy(&FNormals[FCount * 3], FNormal.value, 3 * sizeof(GLfloat));
        if (FColor.varied)
            std::memcpy(&FColors[FCount * 4], FColor.value, 4 * sizeof(GLfloat));
        if (FTex.varied)
            std::memcpy(&FTexCoords[FCount * 2], FTex.value, 2 * sizeof(GLfloat));
        if (FEdge.varied)
            FEdgeFlags[FCount] = FEdge.value[0] != 0 ? GL_TRUE : GL_FALSE;
        ++FCount;
    }
    void Normal3f(GLfloat x, GLfloat y, GLfloat z) override
    {
        const GLfloat n[3] = {x, y, z};
        Normal3fv(n);
    }
    void Normal3fv(const GLfloat* n) override
    {
        if (FOpen)
            Set(FNormal, n, 3, FNormals.data(), GL_CURRENT_NORMAL);
        else
            glNormal3fv(n);
    }
    void TexCoord2f(GLfloat s, GLfloat t) override
    {
        if (FOpen) {
            const GLfloat st[2] = {s, t};
            Set(FTex, st, 2, FTexCoords.data(), GL_CURRENT_TEXTURE_COORDS);
        } else {
            glTexCoord2f(s, t);
        }
    }
    void Color3f(GLfloat r, GLfloat g, GLfloat b) override
    {
        if (FOpen) {
            const GLfloat rgba[4] = {r, g, b, 1};
            Set(FColor, rgba, 4, FColors.data(), GL_CURRENT_COLOR);
        } else {
            glColor3f(r, g, b);
        }
    }
    void EdgeFlag(GLboolean flag) override
    {
        if (FOpen) {
            const GLfloat value = flag ? 1.0f : 0.0f;
            Set(FEdge, &value, 1, nullptr, GL_EDGE_FLAG);
        } else {
            glEdgeFlag(flag);
        }
    }
    void Enable(GLenum cap) override
    {
        Outside("glEnable");
        glEnable(cap);
    }
    void Disable(GLenum cap) override
    {
        Outside("glDisable");
        glDisable(cap);
    }
    GLboolean IsEnabled(GLenum cap) override
    {
        Outside("glIsEnabled");
        return glIsEnabled(cap);
    }
    void MatrixMode(GLenum mode) override
    {
        Outside("glMatrixMode");
        glMatrixMode(mode);
    }
    void LoadIdentity() override
    {
        Outside("glLoadIdentity");
        glLoadIdentity();
    }
    void PushMatrix() override
    {
        Outside("glPushMatrix");
        glPushMatrix();
    }
    void PopMatrix() override
    {
        Outside("glPopMatrix");
        glPopMatrix();
    }
    void Translatef(GLfloat x, GLfloat y, GLfloat z) override
    {
        Outside("glTranslatef");
        glTranslatef(x, y, z);
    }
    void Rotatef(GLfloat a, GLfloat x, GLfloat y, GLfloat z) override
    {
        Outside("glRotatef");
        glRotatef(a, x, y, z);
    }
    void Scalef(GLfloat x, GLfloat y, GLfloat z) override
    {
        Outside("glScalef");
        glScalef(x, y, z);
    }
    void Ortho(GLdouble l, GLdouble r, GLdouble b, GLdouble t, GLdouble n, GLdouble f) override
    {
        Outside("glOrtho");
        glOrtho(l, r, b, t, n, f);
    }
    void Viewport(GLint x, GLint y, GLsizei w, GLsizei h) override
    {
        Outside("glViewport");
        glViewport(x, y, w, h);
    }
    void Perspective(GLdouble fovy, GLdouble aspect, GLdouble zNear, GLdouble zFar) override
    {
        Outside("gluPerspective");
        gluPerspective(fovy, aspect, zNear, zFar);
    }
    void PickMatrix(GLdouble x, GLdouble y, GLdouble w, GLdouble h, GLint* viewport) override
    {
        Outside("gluPickMatrix");
        gluPickMatrix(x, y, w, h, viewport);
    }
    void Materialfv(GLenum face, GLenum pname, const GLfloat* params) override
    {
        Within("glMaterialfv");
        glMaterialfv(face, pname, params);
    }
    void Lightfv(GLenum light, GLenum pname, const GLfloat* params) override
    {
        Outside("glLightfv");
        glLightfv(light, pname, params);
    }
    void LightModeli(GLenum pname, GLint param) override
    {
        Outside("glLightModeli");
        glLightModeli(pname, param);
    }
    void ShadeModel(GLenum mode) override
    {
        Outside("glShadeModel");
        glShadeModel(mode);
    }
    void PolygonMode(GLenum face, GLenum mode) override
    {
        Outside("glPolygonMode");
        glPolygonMode(face, mode);
    }
    void ClearColor(GLfloat r, GLfloat g, GLfloat b, GLfloat a) override
    {
        Outside("glClearColor");
        glClearColor(r, g, b, a);
    }
    void Clear(GLbitfield mask) override
    {
        Outside("glClear");
        glClear(mask);
    }
    void Flush() override
    {
        Outside("glFlush");
        glFlush();
    }
    void LineWidth(GLfloat width) override
    {
        Outside("glLineWidth");
        glLineWidth(width);
    }
    void PointSize(GLfloat size) override
    {
        Outside("glPointSize");
        glPointSize(size);
    }
    void RasterPos3f(GLfloat x, GLfloat y, GLfloat z) override
    {
        Outside("glRasterPos3f");
        glRasterPos3f(x, y, z);
    }
    void CallLists(GLsizei n, GLenum type, const GLvoid* lists) override
    {
        Within("glCallLists");
        glCallLists(n, type, lists);
    }
    void ListBase(GLuint base) override
    {
        Outside("glListBase");
        glListBase(base);
    }
    void NewList(GLuint list, GLenum mode) override
    {
        Outside("glNewList");
        glNewList(list, mode);
        FCompiling = true;
    }
    void EndList() override
    {
        Outside("glEndList");
        glEndList();
        FCompiling = false;
    }
    void Bitmap(GLsizei w, GLsizei h, GLfloat xo, GLfloat yo, GLfloat xm, GLfloat ym,
                const GLubyte* bits) override
    {
        Outside("glBitmap");
        glBitmap(w, h, xo, yo, xm, ym, bits);
    }
    void PixelStorei(GLenum pname, GLint param) override
    {
        Outside("glPixelStorei");
        glPixelStorei(pname, param);
    }
    void InitNames() override
    {
        Outside("glInitNames");
        glInitNames();
    }
    void PushName(GLuint name) override
    {
        Outside("glPushName");
        glPushName(name);
    }
    void PopName() override
    {
        Outside("glPopName");
        glPopName();
    }
    void SelectBuffer(GLsizei size, GLuint* buffer) override
    {
        Outside("glSelectBuffer");
        glSelectBuffer(size, buffer);
    }
    GLint RenderMode(GLenum mode) override
    {
        Outside("glRenderMode");
        return glRenderMode(mode);
    }
    void GenTextures(GLsizei n, GLuint* textures) override
    {
        Outside("glGenTextures");
        glGenTextures(n, textures);
    }
    void BindTexture(GLenum target, GLuint texture) override
    {
        Outside("glBindTexture");
        glBindTexture(target, texture);
    }
    void TexParameteri(GLenum target, GLenum pname, GLint param) override
    {
        Outside("glTexParameteri");
        glTexParameteri(target, pname, param);
    }
    void TexImage2D(GLenum target, GLint level, GLint internalFormat, GLsizei w, GLsizei h, GLint border,
                    GLenum format, GLenum type, const GLvoid* pixels) override
    {
        Outside("glTexImage2D");
        glTexImage2D(target, level, internalFormat, w, h, border, format, type, pixels);
    }
    void TexEnvf(GLenum target, GLenum pname, GLfloat param) override
    {
        Outside("glTexEnvf");
        glTexEnvf(target, pname, param);
    }
    GLint ScaleImage(GLenum format, GLint wIn, GLint hIn, GLenum typeIn, const void* dataIn, GLint wOut,
                     GLint hOut, GLenum typeOut, GLvoid* dataOut) override
    {
        Outside("gluScaleImage");
        return gluScaleImage(format, wIn, hIn, typeIn, dataIn, wOut, hOut, typeOut, dataOut);
    }
    void GetIntegerv(GLenum pname, GLint* params) override
    {
        Outside("glGetIntegerv");
        glGetIntegerv(pname, params);
    }
    GLenum GetError() override
    {
        Outside("glGetError");
        return glGetError();
    }
    void Sync() override
    {
        if (FInBegin || FDirectBegin)
            Misuse("a switch of device or context", "between glBegin and glEnd");
        FlushBatch();
    }

private:
    std::size_t Count() const { return FCount; }

    // Before a call OpenGL refuses between glBegin and glEnd.
    void Outside(const char* call)
    {
        if (FInBegin || FDirectBegin)
            Misuse(call, "between glBegin and glEnd");
        else
            FlushBatch();
    }
    // Before a call OpenGL takes inside a primitive, which a gathered primitive cannot hold.
    void Within(const char* call)
    {
        if (FInBegin)
            Misuse(call, "inside a gathered primitive would cut it");
        else
            FlushBatch();
    }
    // Reports the call and hands a gathered open primitive to OpenGL's own glBegin.
    void Misuse(const char* call, const char* what);

    // An incomplete last primitive is dropped, as glEnd would drop it.
    void DropIncompletePrimitive() { FCount -= (FCount - FSegmentStart) % VerticesPer(FMode); }

    // Room for twice as many vertices; the arrays keep their size between
    // batches, so a steady scene stops allocating after its first frame.
    void Grow();

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
        if (FOpen)
            DrawBatch();
    }
    void DrawBatch();
    // Draws the gathered vertices first..last-1 with glDrawArrays.
    void DrawGathered(std::size_t first, std::size_t last);
    // Sends the gathered vertices first..last-1 one by one, inside glBegin.
    void SendVertices(std::size_t first, std::size_t last);
    // Ends the batch and sends OpenGL the current attributes.
    void CloseBatch();

    // A current attribute while a batch gathers: not given yet (the vertices
    // so far take the context's own current value), given once (they share
    // value), or varied (each vertex has its own in the array).
    struct Attribute {
        GLfloat value[4];
        bool given = false;
        bool varied = false;
    };
    // Gives an attribute of size components while a batch gathers.
    void Set(Attribute& a, const GLfloat* value, int size, GLfloat* array, GLenum query)
    {
        if (!a.varied && FCount > 0) {
            bool same = a.given;
            for (int k = 0; same && k < size; ++k)
                same = a.value[k] == value[k];
            if (!same)
                Vary(a, size, array, query);
        }
        std::memcpy(a.value, value, static_cast<std::size_t>(size) * sizeof(GLfloat));
        a.given = true;
    }
    // From now on every vertex carries its own value of the attribute; the
    // vertices so far get the one they shared (read back from the context
    // when the batch never gave it).
    void Vary(Attribute& a, int size, GLfloat* array, GLenum query);

    // The gathered vertices; normals, colours and texture coordinates only once they vary.
    std::vector<GLfloat> FPositions;
    std::vector<GLfloat> FNormals;
    std::vector<GLfloat> FColors;
    std::vector<GLfloat> FTexCoords;
    std::vector<GLboolean> FEdgeFlags;
    std::size_t FCount = 0;
    std::size_t FCapacity = 0;
    GLenum FMode = GL_POINTS;
    bool FOpen = false;    // a batch is gathering (perhaps between primitives)
    bool FInBegin = false; // between Begin and End of a gathered primitive
    std::size_t FSegmentStart = 0;
    bool FDirectBegin = false; // between Begin and End of a primitive sent straight to OpenGL
    bool FCompiling = false;   // between NewList and EndList
    Attribute FNormal, FColor, FTex, FEdge;
};

// Receives a description of each call sequence the real device cannot mirror
// exactly in vertex arrays (see RealDevice). The default asserts in debug
// builds and does nothing otherwise. Returns the previous handler.
using MisuseHandler = void (*)(const char* message);
MisuseHandler SetMisuseHandler(MisuseHandler handler);

} // namespace gl
