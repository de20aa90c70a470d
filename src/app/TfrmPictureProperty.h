// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>
#include <QDialog>

#include <functional>

class QCheckBox;
class QPushButton;
class QRadioButton;
class QSpinBox;
class TfrmPlot;

// Edit > "Set Picture Property": the active view's background colour,
// projection, wire frame, axes and the size of its client area.
class TfrmPictureProperty : public QDialog {
    Q_OBJECT

public:
    // Shows the view's current values.
    explicit TfrmPictureProperty(TfrmPlot* view, QWidget* parent = nullptr);

    // Gives the view the values shown: the scene's options as one undo step,
    // and the new size of its client area.
    void ApplyTo(TfrmPlot* view) const;

    // Runs the dialog; true when the user pressed OK. Tests replace it.
    static std::function<bool(TfrmPictureProperty&)>& Runner();

    QColor BackColor() const { return FBackColor; }
    void SetBackColor(const QColor& color);

    QPushButton* btnBackColor;
    QRadioButton* rbOrtho;
    QRadioButton* rbPerspective;
    QCheckBox* chkbxWireFrame;
    QCheckBox* chkbxAxes;
    QSpinBox* seWidth;
    QSpinBox* seHeight;

private:
    QColor FBackColor;
};
