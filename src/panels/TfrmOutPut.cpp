#include "TfrmOutPut.h"

#include <QMainWindow>

TfrmOutPut::TfrmOutPut(QMainWindow* frame) : QDockWidget(QStringLiteral("Output"), frame), FFrame(frame)
{
    setObjectName(QStringLiteral("frmOutPut"));
    setAllowedAreas(Qt::LeftDockWidgetArea | Qt::BottomDockWidgetArea);
    setWidget(new QWidget(this));
}

void TfrmOutPut::FormCreate() { FFrame->addDockWidget(Qt::BottomDockWidgetArea, this); }
