// SPDX-License-Identifier: GPL-3.0-or-later
#include "GlDevice.h"

#include <algorithm>
#include <cassert>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace gl {

Device& realDevice() { return detail::g_realDevice; }

namespace detail {
RealDevice g_realDevice;
Device* g_device = &g_realDevice;
} // namespace detail

namespace {

void DefaultMisuseHandler([[maybe_unused]] const char* message)
{
#ifndef NDEBUG
    std::fprintf(stderr, "OpenGL call layer: %s\n", message);
    assert(!"a call sequence the real device cannot draw as immediate mode does");
#endif
}

MisuseHandler g_misuseHandler = DefaultMisuseHandler;

} // namespace

MisuseHandler SetMisuseHandler(MisuseHandler handler)
{
    const MisuseHandler previous = g_misuseHandler;
    g_misuseHandler = handler ? handler : DefaultMisuseHandler;
    return previous;
}

void RealDevice::Misuse(const char* call, const char* what)
{
    g_misuseHandler((std::string(call) + " " + what).c_str());
    if (!FInBegin)
        return;
    // The complete primitives gathered so far are drawn; the open one goes to
    // OpenGL's glBegin with its vertices, and the rest of it follows directly.
    const std::size_t start = Mergeable(FMode) ? FSegmentStart : 0;
    DrawGathered(0, start);
    glBegin(FMode);
    SendVertices(start, FCount);
    CloseBatch();
    FDirectBegin = true;
}

void RealDevice::SendVertices(std::size_t first, std::size_t last)
{
    for (std::size_t i = first; i < last; ++i) {
        if (FNormal.given)
            glNormal3fv(FNormal.varied ? &FNormals[i * 3] : FNormal.value);
        if (FColor.given)
            glColor4fv(FColor.varied ? &FColors[i * 4] : FColor.value);
        if (FTex.given)
            glTexCoord2fv(FTex.varied ? &FTexCoords[i * 2] : FTex.value);
        if (FEdge.given)
            glEdgeFlag(FEdge.varied ? FEdgeFlags[i] : FEdge.value[0] != 0);
        glVertex3fv(&FPositions[i * 3]);
    }
}

void RealDevice::Grow()
{
    FCapacity = FCapacity ? 2 * FCapacity : 4096;
    FPositions.resize(FCapacity * 3);
    FNormals.resize(FCapacity * 3);
    FColors.resize(FCapacity * 4);
    FTexCoords.resize(FCapacity * 2);
    FEdgeFlags.resize(FCapacity);
}

void RealDevice::Vary(Attribute& a, int size, GLfloat* array, GLenum query)
{
    GLfloat shared[4] = {0, 0, 0, 1};
    if (a.given)
        std::memcpy(shared, a.value, sizeof shared);
    else
        glGetFloatv(query, shared); // nothing reaches OpenGL while a batch gathers
    const auto n = static_cast<std::size_t>(size);
    if (!array) { // the edge flag
        std::fill(FEdgeFlags.begin(), FEdgeFlags.begin() + static_cast<std::ptrdiff_t>(FCount),
                  shared[0] != 0 ? GL_TRUE : GL_FALSE);
    } else {
        for (std::size_t i = 0; i < FCount; ++i)
            std::memcpy(&array[i * n], shared, n * sizeof(GLfloat));
    }
    a.varied = true;
}

void RealDevice::DrawGathered(std::size_t first, std::size_t last)
{
    if (last <= first)
        return;
    // A normal, colour or texture coordinate never given in the batch is the context's current one.
    glEnableClientState(GL_VERTEX_ARRAY);
    glVertexPointer(3, GL_FLOAT, 0, FPositions.data());
    if (FNormal.varied) {
        glEnableClientState(GL_NORMAL_ARRAY);
        glNormalPointer(GL_FLOAT, 0, FNormals.data());
    } else if (FNormal.given) {
        glNormal3fv(FNormal.value);
    }
    if (FColor.varied) {
        glEnableClientState(GL_COLOR_ARRAY);
        glColorPointer(4, GL_FLOAT, 0, FColors.data());
    } else if (FColor.given) {
        glColor4fv(FColor.value);
    }
    if (FTex.varied) {
        glEnableClientState(GL_TEXTURE_COORD_ARRAY);
        glTexCoordPointer(2, GL_FLOAT, 0, FTexCoords.data());
    } else if (FTex.given) {
        glTexCoord2fv(FTex.value);
    }
    if (FEdge.varied) {
        glEnableClientState(GL_EDGE_FLAG_ARRAY);
        glEdgeFlagPointer(0, FEdgeFlags.data());
    } else if (FEdge.given) {
        glEdgeFlag(FEdge.value[0] != 0);
    }
    glDrawArrays(FMode, static_cast<GLint>(first), static_cast<GLsizei>(last - first));
    glDisableClientState(GL_VERTEX_ARRAY);
    if (FNormal.varied)
        glDisableClientState(GL_NORMAL_ARRAY);
    if (FColor.varied)
        glDisableClientState(GL_COLOR_ARRAY);
    if (FTex.varied)
        glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    if (FEdge.varied)
        glDisableClientState(GL_EDGE_FLAG_ARRAY);
}

void RealDevice::DrawBatch()
{
    if (FInBegin && Mergeable(FMode))
        DropIncompletePrimitive();
    DrawGathered(0, Count());
    CloseBatch();
}

void RealDevice::CloseBatch()
{
    // What the calls gave becomes the context's current value, as after immediate mode.
    if (FNormal.given)
        glNormal3fv(FNormal.value);
    if (FColor.given)
        glColor4fv(FColor.value);
    if (FTex.given)
        glTexCoord2fv(FTex.value);
    if (FEdge.given)
        glEdgeFlag(FEdge.value[0] != 0);
    FNormal = FColor = FTex = FEdge = Attribute{};
    FCount = 0;
    FOpen = false;
    FInBegin = false;
}

} // namespace gl
