// SPDX-License-Identifier: GPL-3.0-or-later
#include "TGLLines.h"

#include <algorithm>

TGLLines::TGLLines() = default;
TGLLines::~TGLLines() = default;

void TGLLines::SetLines(std::vector<std::vector<Point>> lines)
{
    FLines = std::move(lines);
    bool any = false;
    for (const std::vector<Point>& line : FLines)
        for (const Point& p : line) {
            if (!any) {
                FMin = FMax = p;
                any = true;
            }
            for (std::size_t a = 0; a < 3; ++a) {
                FMin[a] = std::min(FMin[a], p[a]);
                FMax[a] = std::max(FMax[a], p[a]);
            }
        }
    if (!any)
        FMin = FMax = {0, 0, 0};
}

void TGLLines::GetMin(float& x, float& y, float& z) const
{
    x = FMin[0];
    y = FMin[1];
    z = FMin[2];
}

void TGLLines::GetMax(float& x, float& y, float& z) const
{
    x = FMax[0];
    y = FMax[1];
    z = FMax[2];
}

void TGLLines::Draw(GLenum mode)
{
    BeginDraw(mode);
    const bool lighting = gl::IsEnabled(GL_LIGHTING);
    if (lighting)
        gl::Disable(GL_LIGHTING);
    if (FTexture != 0)
        gl::Disable(GL_TEXTURE_2D);
    // The selected lines in the marker's colour, the others in their own.
    if (FSelected) {
        const std::array<float, 3>& marker = MarkerColor();
        gl::Color3f(marker[0], marker[1], marker[2]);
    } else {
        gl::Color3f(FRed, FGreen, FBlue);
    }
    gl::LineWidth(FWidth);
    for (const std::vector<Point>& line : FLines) {
        if (line.size() < 2)
            continue;
        gl::Begin(GL_LINE_STRIP);
        for (const Point& p : line)
            gl::Vertex3fv(p.data());
        gl::End();
    }
    gl::LineWidth(1);
    if (lighting)
        gl::Enable(GL_LIGHTING);
    EndDraw(mode);
}

std::unique_ptr<TGLObject> TGLLines::Clone()
{
    auto copy = std::make_unique<TGLLines>();
    CopyBaseInto(*copy);
    copy->SetLines(FLines);
    copy->FWidth = FWidth;
    return copy;
}

std::unique_ptr<TGLObject> TGLLines::CreateNew()
{
    auto lines = std::make_unique<TGLLines>();
    lines->SetXY(FX, FY);
    return lines;
}
