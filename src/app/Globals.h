// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "SettingsGlobals.h" // frmAddTask, frmEnviroment

// The application's windows. Each pointer is null until its window has been
// created (and again after it has been destroyed).

class TMainForm;
class TAboutBox;
class TfrmPlot;
class TfrmOutPut;
class TfrmWorkSpace;
class TSplash;

extern TMainForm* MainForm;
extern TAboutBox* AboutBox;
extern TfrmPlot* frmPlot; // the first view; nothing reads it after start-up
extern TfrmOutPut* frmOutPut;
extern TfrmWorkSpace* frmWorkSpace;
extern TSplash* Splash;
