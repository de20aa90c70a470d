#pragma once

#include <QDockWidget>

class QMainWindow;

// The "WorkSpace" panel: a dockable tool window in the frame's left dock area.
class TfrmWorkSpace : public QDockWidget {
    Q_OBJECT

public:
    explicit TfrmWorkSpace(QMainWindow* frame);

    // Creation handler: docks the panel into the frame's left dock area.
    void FormCreate();

private:
    QMainWindow* FFrame;
};
