// SPDX-License-Identifier: GPL-3.0-or-later
// The main frame's commands that meet the panels: loading an object from the
// File menu, and which panels show at start-up.
#include "Globals.h"
#include "MeshImport.h"
#include "Messages.h"
#include "Prompts.h"
#include "StoragePlaces.h"
#include "TMainForm.h"
#include "TfrmOutPut.h"
#include "TfrmPlot.h"
#include "TfrmWorkSpace.h"

#include <QMdiSubWindow>

void TMainForm::FileLoadObjectExecute()
{
    if (!frmWorkSpace)
        return;
    const QString chosen = corvane::ChooseFileName(this, false, QStringLiteral("Load Object"),
                                                   corvane::ProgramStoragePlaces().startFolder,
                                                   meshio::ImportFilters().join(QStringLiteral(";;")));
    if (chosen.isEmpty())
        return;
    TfrmPlot* opened = nullptr;
    if (!ActiveView())
        opened = NewView();
    frmWorkSpace->LoadObjectFile(chosen);
    // A view opened only for an object that could not be loaded goes again.
    if (opened && opened->Objects().empty() && opened->SubWindow())
        opened->SubWindow()->close();
}

void TMainForm::ShowPanelsAsSet(bool workspace, bool output)
{
    if (frmWorkSpace && !workspace)
        frmWorkSpace->hide();
    if (frmOutPut && !output)
        frmOutPut->hide();
    UpdatePanelEntries();
}
