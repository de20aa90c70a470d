#include "SettingsGlobals.h"

TfrmAddTask* frmAddTask = nullptr;
TfrmEnviroment* frmEnviroment = nullptr;
