// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class TfrmAddTask;
class TfrmEnviroment;

// The two dialogs reach each other through these; null until created.
extern TfrmAddTask* frmAddTask;
extern TfrmEnviroment* frmEnviroment;
