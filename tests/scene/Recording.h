// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "RecordingDevice.h"
#include "TGLObject.h"

#include <string>
#include <vector>

// Records what obj.Draw(mode) issues. With lighting set, GL_LIGHTING starts enabled.
inline std::vector<std::string> RecordDraw(TGLObject& obj, GLenum mode = GL_RENDER, bool lighting = false)
{
    gl::RecordingDevice rec;
    rec.SetEnabled(GL_LIGHTING, lighting);
    gl::ScopedDevice scope(rec);
    obj.Draw(mode);
    return rec.Calls();
}

// The lines a Draw issues between the base prologue (ending with glScalef)
// and the epilogue (starting with the last glPopMatrix).
inline std::string Body(const std::vector<std::string>& calls)
{
    std::size_t first = 0;
    while (first < calls.size() && calls[first].rfind("glScalef(", 0) != 0)
        ++first;
    std::size_t last = calls.size();
    while (last > first && calls[last - 1] != "glPopMatrix()")
        --last;
    std::string text;
    for (std::size_t i = first + 1; i + 1 < last; ++i)
        text += calls[i] + "\n";
    return text;
}

inline int CountPrefix(const std::vector<std::string>& calls, const std::string& prefix)
{
    int n = 0;
    for (const std::string& c : calls)
        n += c.rfind(prefix, 0) == 0;
    return n;
}
