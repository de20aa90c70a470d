// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QIcon>

namespace corvane {

// The main frame's image list: 65 pictures shared by the menus, the tool bar
// and the page tabs, which refer to them by index. Indices nothing refers to
// show a neutral picture.
constexpr int kImageListCount = 65;
QIcon ImageListIcon(int index);

} // namespace corvane
