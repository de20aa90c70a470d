#pragma once

#include <QDockWidget>

class QMainWindow;

// The "Output" panel: a dockable tool window in the frame's bottom dock area.
class TfrmOutPut : public QDockWidget {
    Q_OBJECT

public:
    explicit TfrmOutPut(QMainWindow* frame);

    // Creation handler: docks the panel into the frame's bottom dock area.
    void FormCreate();

private:
    QMainWindow* FFrame;
};
