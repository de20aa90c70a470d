#include "TfrmWorkSpace.h"

#include <QMainWindow>

TfrmWorkSpace::TfrmWorkSpace(QMainWindow* frame)
    : QDockWidget(QStringLiteral("WorkSpace"), frame), FFrame(frame)
{
    setObjectName(QStringLiteral("frmWorkSpace"));
    setAllowedAreas(Qt::LeftDockWidgetArea | Qt::BottomDockWidgetArea);
    setWidget(new QWidget(this));
}

void TfrmWorkSpace::FormCreate() { FFrame->addDockWidget(Qt::LeftDockWidgetArea, this); }
