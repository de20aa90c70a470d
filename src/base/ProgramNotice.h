// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The licence as the programs state it after their version (--version) and
// in the About box.
#define CORVANE_COPYRIGHT "Copyright (C) 2026 Corvane team"
#define CORVANE_LICENCE "GPL-3.0-or-later"
#define CORVANE_LICENCE_NOTICE                                                                               \
    CORVANE_COPYRIGHT "\n"                                                                                   \
                      "License " CORVANE_LICENCE                                                             \
                      ": GNU GPL version 3 or later <https://gnu.org/licenses/gpl.html>.\n"                  \
                      "This is free software: you are free to change and redistribute it.\n"                 \
                      "There is NO WARRANTY, to the extent permitted by law.\n"
