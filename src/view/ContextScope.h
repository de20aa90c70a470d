// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "GlDevice.h"
#include "TfrmPlot.h"

#include <memory>

// Makes a view's context current for the OpenGL calls that scene objects make
// as they are created or destroyed. While the view has no working context the
// null device takes the calls, so that they cannot reach another context.
class ContextScope {
public:
    explicit ContextScope(TfrmPlot& view)
    {
        if (!view.MakeCurrent())
            FNull = std::make_unique<gl::ScopedDevice>(gl::nullDevice());
    }

private:
    std::unique_ptr<gl::ScopedDevice> FNull;
};
