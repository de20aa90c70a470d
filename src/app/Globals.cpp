// SPDX-License-Identifier: GPL-3.0-or-later
#include "Globals.h"

TMainForm* MainForm = nullptr;
TAboutBox* AboutBox = nullptr;
TfrmPlot* frmPlot = nullptr;
TfrmOutPut* frmOutPut = nullptr;
TfrmWorkSpace* frmWorkSpace = nullptr;
TSplash* Splash = nullptr;
