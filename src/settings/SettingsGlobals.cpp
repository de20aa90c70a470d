// SPDX-License-Identifier: GPL-3.0-or-later
#include "SettingsGlobals.h"

TfrmAddTask* frmAddTask = nullptr;
TfrmEnviroment* frmEnviroment = nullptr;
