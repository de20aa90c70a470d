// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QIcon>

namespace corvane {

// One of the program's pictures by name, for example Icon("cube") for
// icons/cube.svg. A name without a picture gives a null icon.
QIcon Icon(const char* name);

} // namespace corvane
