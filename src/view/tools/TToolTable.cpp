// SPDX-License-Identifier: GPL-3.0-or-later
#include "TToolTable.h"

#include "TAddLightTool.h"
#include "TCameraRotateTool.h"
#include "TCameraTranslateTool.h"
#include "TCubeTool.h"
#include "TDeleteTool.h"
#include "TIcosahedronTool.h"
#include "TPlaneTool.h"
#include "TPyramidTool.h"
#include "TRotateTool.h"
#include "TScaleTool.h"
#include "TSelectTool.h"
#include "TTranslateTool.h"

#include <iterator>

namespace {

template <class Tool> std::unique_ptr<TViewTool> Make(TfrmPlot& view) { return std::make_unique<Tool>(view); }

struct ToolOf {
    TMouseTool code;
    std::unique_ptr<TViewTool> (*make)(TfrmPlot&);
};

// Adding a tool: its class in a file pair of its own and one line here.
constexpr ToolOf kTools[] = {
    {mtCube, Make<TCubeTool>},
    {mtIcosahedron, Make<TIcosahedronTool>},
    {mtPyramid, Make<TPyramidTool>},
    {mtPlane, Make<TPlaneTool>},
    {mtAddLight, Make<TAddLightTool>},
    {mtSelect, Make<TSelectTool>},
    {mtScale, Make<TScaleTool>},
    {mtTranslate, Make<TTranslateTool>},
    {mtRotate, Make<TRotateTool>},
    {mtDelete, Make<TDeleteTool>},
    {mtCameraRotate, Make<TCameraRotateTool>},
    {mtCameraTranslate, Make<TCameraTranslateTool>},
};
static_assert(std::size(kTools) == TToolTable::kCount, "one tool for every code");

} // namespace

TToolTable::TToolTable(TfrmPlot& view) : FNone(view)
{
    for (const ToolOf& t : kTools)
        FTools[t.code] = t.make(view);
}

TToolTable::~TToolTable() = default;

TViewTool& TToolTable::For(unsigned char code)
{
    if (code < FTools.size() && FTools[code])
        return *FTools[code];
    return FNone;
}
