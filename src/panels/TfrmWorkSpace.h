// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ViewPanels.h"

#include <QDockWidget>
#include <QPointer>

class QButtonGroup;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMainWindow;
class QPushButton;
class QRadioButton;
class QSlider;
class QTabWidget;
class QToolButton;
class TfrmPlot;

// The "WorkSpace" panel: the mouse tools and view options of the active view,
// its animation, and the options of its selected light. It holds no scene
// state: every handler acts on the frame's active view at the moment of the
// click. Its controls show the active view's values (its tool pressed) and
// follow that view's changes; while no view is open they are disabled.
class TfrmWorkSpace : public QDockWidget, public TLightOptions {
    Q_OBJECT

public:
    explicit TfrmWorkSpace(QMainWindow* frame);

    // Creation handler: docks into the frame's left area, shows the first page,
    // disables the light options, and from then on follows the active view.
    void FormCreate();

    // Shows a view's values in the controls without running their handlers
    // (null: no view, the controls are disabled).
    void ShowView(TfrmPlot* view);
    // The frame's active view changed: show it and follow its changes.
    void FollowActiveView();

    // Light options, as the views call them.
    void EnableLightOptions() override;
    void DisableLightOptions() override;
    void ShowLightValues(int which, bool directional, float r, float g, float b) override;
    int SelectedLightComponent() const override;

    // "Load Object" once a file has been chosen: loads a coordinate file into
    // the active view when its ".poly" file lies beside it, and a mesh file of
    // any other format as one object per mesh.
    void LoadObjectFile(const QString& fileName);

    // Page "&Tools".
    QTabWidget* PageControl1;
    QToolButton *sbSelect, *sbCube, *sbPlane, *sbPyramid, *sbIcosahedron, *sbAddLight, *btnCopyCurrent,
        *btnLoadObject, *sbTranslate, *sbDelete, *sbScale, *sbRotate, *sbCamaraTranslate, *sbCamaraRotate,
        *btnResetAxis, *btnDeleteAll;
    QRadioButton *rdbtnOrtho, *rdbtnPerspective;
    QCheckBox *chkbxWireFrame, *chkbxRotateXY, *chkbxDrawAxis;
    QLineEdit* edtSubdivisions;
    QToolButton* spdbtnApply;
    // The twelve tool buttons, exclusive; each button's id is its tool.
    QButtonGroup* ToolGroup;
    // Page "Animation".
    QCheckBox *chkbxWorldX, *chkbxWorldY, *chkbxWorldZ, *chkbxObjectX, *chkbxObjectY, *chkbxObjectZ;
    QSlider *trkbrTimerInterval, *trkbarStepSize;
    QLabel *lblTimerInterval, *lblStepSize;
    QPushButton* btnStartStop;
    // Page "Light Options".
    QGroupBox* grpbxLightStuff;
    QSlider *trkbrRedLight, *trkbrGreenLight, *trkbrBlueLight;
    QLabel *lblRed, *lblGreen, *lblBlue;
    QRadioButton *rdbtnAmbient, *rdbtnDiffuse, *rdbtnSpecular;
    QCheckBox* chkbxDirectionalSrc;
    QCheckBox* chkbkLights;

    // Handlers.
    void btnLoadObjectClick();
    void spdbtnApplyClick();
    void chkbxWorldXClick(QCheckBox* box);
    void btnStartStopClick();
    void ApplyLightColor();
    void rdbtnAmbientClick();

private:
    QWidget* BuildToolsPage();
    QWidget* BuildAnimationPage();
    QWidget* BuildLightPage();
    QToolButton* ToolButton(const char* name, const char* icon, const QString& hint);
    // Connects a click to a handler that runs on the active view, if any.
    template <class Handler> void OnActiveView(QToolButton* button, Handler handler);
    TfrmPlot* ActiveView() const;
    // The light values of the current light, shown without running handlers.
    void ShowLightOf(TfrmPlot* view);
    // What the panel shows of the view's objects: the subdivision level and
    // the current light.
    void ShowObjectsOf(TfrmPlot* view);

    QMainWindow* FFrame;
    QList<QWidget*> FPages;        // the three pages, enabled while a view is open
    QList<QWidget*> FViewControls; // the controls on them
    QPointer<TfrmPlot> FFollowed;
    QList<QMetaObject::Connection> FFollowing;
    QLabel* FLightHelp; // the explanation at the top of the light options
};
