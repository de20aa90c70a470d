// SPDX-License-Identifier: GPL-3.0-or-later
#include "ImageList.h"

#include "Icons.h"

namespace corvane {

QIcon ImageListIcon(int index)
{
    struct Entry {
        int index;
        const char* name;
    };
    static const Entry entries[] = {
        {1, "list/copy"},    {5, "list/clear"},    {6, "list/new"},       {7, "list/open"},
        {8, "list/save"},    {11, "list/about"},   {14, "list/print"},    {15, "list/tile-h"},
        {16, "list/tile-v"}, {17, "list/cascade"}, {19, "tab-message"},   {21, "tab-material"},
        {25, "list/left"},   {26, "list/right"},   {27, "list/up"},       {28, "list/down"},
        {29, "list/zoom"},   {30, "list/zoom-in"}, {31, "list/run"},      {37, "tab-tasks"},
        {38, "tab-misc"},    {40, "tab-colour"},   {43, "list/homepage"}, {45, "list/picture-property"},
        {47, "list/pause"},  {48, "tab-texture"},
    };
    if (index < 0 || index >= kImageListCount)
        return QIcon();
    for (const Entry& e : entries)
        if (e.index == index)
            return Icon(e.name);
    return Icon("list/neutral");
}

} // namespace corvane
