// SPDX-License-Identifier: GPL-3.0-or-later
#include "TfrmWorkSpace.h"

#include "StoragePlaces.h"

#include "ActiveView.h"
#include "CoordFile.h"
#include "Icons.h"
#include "MeshImport.h"
#include "Messages.h"
#include "TGLLight.h"
#include "TfrmPlot.h"
#include "tools/TViewNavigation.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QCoreApplication>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QSlider>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include <stdexcept>

namespace {

constexpr int kButtonSize = 34;

QCheckBox* CheckBox(QWidget* parent, const char* name, const QString& text, bool checked)
{
    auto* box = new QCheckBox(text, parent);
    box->setObjectName(QLatin1String(name));
    box->setChecked(checked);
    return box;
}

QRadioButton* RadioButton(QWidget* parent, const char* name, const QString& text, bool checked)
{
    auto* button = new QRadioButton(text, parent);
    button->setObjectName(QLatin1String(name));
    button->setChecked(checked);
    return button;
}

QSlider* TrackBar(QWidget* parent, const char* name, int min, int max, int position, int tick)
{
    auto* bar = new QSlider(Qt::Horizontal, parent);
    bar->setObjectName(QLatin1String(name));
    bar->setRange(min, max);
    bar->setValue(position);
    if (tick > 0) {
        bar->setTickPosition(QSlider::TicksBelow);
        bar->setTickInterval(tick);
    }
    return bar;
}

// A page in a vertical scroll area: the panel keeps its width but may be
// shorter than its controls, so that the frame keeps its size.
QScrollArea* Scrollable(QWidget* page)
{
    auto* area = new QScrollArea;
    area->setObjectName(page->objectName() + QStringLiteral("Scroll"));
    area->setFrameShape(QFrame::NoFrame);
    area->setWidgetResizable(true);
    area->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    area->setWidget(page);
    area->setMinimumWidth(page->minimumSizeHint().width() + area->verticalScrollBar()->sizeHint().width());
    return area;
}

// A light component as the label beside its bar shows it: 0 to 255.
QString LightLabel(int position) { return QString::number(position); }

// The labels beside the animation bars.
QString IntervalLabel(int ms) { return QStringLiteral("%1 ms").arg(ms); }
QString StepLabel(int degrees) { return QStringLiteral("%1\u00B0").arg(degrees); }

// A bar with its value shown at its right.
QHBoxLayout* BarWithValue(QSlider* bar, QLabel* value, const QString& widest)
{
    value->setMinimumWidth(value->fontMetrics().horizontalAdvance(widest));
    value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    auto* row = new QHBoxLayout;
    row->addWidget(bar, 1);
    row->addWidget(value);
    return row;
}

// A tool's hint with its key, as tool tip and status tip show it.
QString WithKey(const QString& hint, TMouseTool tool)
{
    const QString key = QKeySequence(TfrmPlot::ToolKey(tool)).toString(QKeySequence::NativeText);
    return tool == mtSelect ? QStringLiteral("%1 (%2 or Esc)").arg(hint, key)
                            : QStringLiteral("%1 (%2)").arg(hint, key);
}

} // namespace

TfrmWorkSpace::TfrmWorkSpace(QMainWindow* frame)
    : QDockWidget(QStringLiteral("WorkSpace"), frame), PageControl1(new QTabWidget(this)), FFrame(frame)
{
    setObjectName(QStringLiteral("frmWorkSpace"));
    setAllowedAreas(Qt::LeftDockWidgetArea | Qt::BottomDockWidgetArea);
    QFont font(QStringLiteral("Times New Roman"));
    font.setPixelSize(12);
    setFont(font);

    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    PageControl1->setTabPosition(QTabWidget::West);
    PageControl1->setIconSize(QSize(16, 16));
    PageControl1->addTab(Scrollable(BuildToolsPage()), corvane::Icon("tab-tools"), QStringLiteral("&Tools"));
    PageControl1->setTabToolTip(0, TViewNavigation::HelpText());
    PageControl1->addTab(Scrollable(BuildAnimationPage()), corvane::Icon("tab-animation"),
                         QStringLiteral("Animation"));
    PageControl1->addTab(Scrollable(BuildLightPage()), corvane::Icon("tab-light"),
                         QStringLiteral("Light Options"));
    setWidget(PageControl1);
}

TfrmPlot* TfrmWorkSpace::ActiveView() const { return ActiveViewOf(FFrame); }

template <class Handler> void TfrmWorkSpace::OnActiveView(QToolButton* button, Handler handler)
{
    connect(button, &QToolButton::clicked, this, [this, handler] {
        corvane::RunHandler([&] {
            if (TfrmPlot* view = ActiveView())
                handler(view);
        });
    });
}

QToolButton* TfrmWorkSpace::ToolButton(const char* name, const char* icon, const QString& hint)
{
    auto* button = new QToolButton;
    button->setObjectName(QLatin1String(name));
    button->setAutoRaise(true);
    button->setFixedSize(kButtonSize, kButtonSize);
    button->setIcon(corvane::Icon(icon));
    button->setIconSize(QSize(28, 28));
    button->setToolTip(hint);
    button->setStatusTip(hint);
    return button;
}

QWidget* TfrmWorkSpace::BuildToolsPage()
{
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("TabSheet1"));
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->setSpacing(3);

    auto* rdgrpMode = new QGroupBox(page);
    rdgrpMode->setObjectName(QStringLiteral("rdgrpMode"));
    rdgrpMode->setToolTip(TViewNavigation::HelpText());
    auto* grid = new QGridLayout(rdgrpMode);
    grid->setContentsMargins(3, 3, 3, 3);
    grid->setSpacing(1);
    sbSelect = ToolButton("sbSelect", "select", QStringLiteral("Do Nothing"));
    sbCube = ToolButton("sbCube", "cube", QStringLiteral("Cube"));
    sbPlane = ToolButton("sbPlane", "plane", QStringLiteral("Plane"));
    sbPyramid = ToolButton("sbPyramid", "pyramid", QStringLiteral("Pyramid"));
    sbIcosahedron = ToolButton("sbIcosahedron", "icosahedron", QStringLiteral("Icosahedron"));
    sbAddLight = ToolButton("sbAddLight", "addlight", QStringLiteral("Add a Light source"));
    btnCopyCurrent = ToolButton("btnCopyCurrent", "copy", QStringLiteral("Copy the object"));
    btnLoadObject = ToolButton("btnLoadObject", "loadobject", QStringLiteral("Load Object"));
    sbTranslate = ToolButton("sbTranslate", "translate", QStringLiteral("Translate the object"));
    sbDelete = ToolButton("sbDelete", "delete", QStringLiteral("delete"));
    sbScale = ToolButton("sbScale", "scale", QStringLiteral("Scale"));
    sbRotate = ToolButton("sbRotate", "rotate", QStringLiteral("Rotate the object"));
    sbCamaraTranslate =
        ToolButton("sbCamaraTranslate", "cameratranslate", QStringLiteral("Translate the camera"));
    sbCamaraRotate = ToolButton("sbCamaraRotate", "camerarotate", QStringLiteral("rotate the camera"));
    btnResetAxis = ToolButton("btnResetAxis", "resetaxis", QStringLiteral("Reset the Axis"));
    btnDeleteAll = ToolButton("btnDeleteAll", "deleteall", QStringLiteral("delete"));
    const QToolButton* order[16] = {sbSelect,          sbCube,         sbPlane,        sbPyramid,
                                    sbIcosahedron,     sbAddLight,     btnCopyCurrent, btnLoadObject,
                                    sbTranslate,       sbDelete,       sbScale,        sbRotate,
                                    sbCamaraTranslate, sbCamaraRotate, btnResetAxis,   btnDeleteAll};
    for (int i = 0; i < 16; ++i)
        grid->addWidget(const_cast<QToolButton*>(order[i]), i / 2, i % 2);
    grid->setColumnStretch(2, 1);
    layout->addWidget(rdgrpMode);

    struct ToolOf {
        QToolButton* button;
        TMouseTool tool;
    };
    // The tool buttons form an exclusive group: the active view's tool stays pressed.
    ToolGroup = new QButtonGroup(this);
    ToolGroup->setExclusive(true);
    for (const ToolOf& t :
         {ToolOf{sbSelect, mtSelect}, ToolOf{sbCube, mtCube}, ToolOf{sbPlane, mtPlane},
          ToolOf{sbPyramid, mtPyramid}, ToolOf{sbIcosahedron, mtIcosahedron}, ToolOf{sbAddLight, mtAddLight},
          ToolOf{sbTranslate, mtTranslate}, ToolOf{sbDelete, mtDelete}, ToolOf{sbScale, mtScale},
          ToolOf{sbRotate, mtRotate}, ToolOf{sbCamaraTranslate, mtCameraTranslate},
          ToolOf{sbCamaraRotate, mtCameraRotate}}) {
        const TMouseTool tool = t.tool;
        t.button->setCheckable(true);
        t.button->setToolTip(WithKey(t.button->toolTip(), tool));
        t.button->setStatusTip(t.button->toolTip());
        ToolGroup->addButton(t.button, tool);
        OnActiveView(t.button, [tool](TfrmPlot* view) { view->SetTool(tool); });
    }
    btnResetAxis->setToolTip(QStringLiteral("Reset the Axis (Home)"));
    btnResetAxis->setStatusTip(btnResetAxis->toolTip());
    OnActiveView(btnCopyCurrent, [](TfrmPlot* view) { view->CopyCurrent(); });
    OnActiveView(btnResetAxis, [](TfrmPlot* view) { view->ResetAxis(); });
    OnActiveView(btnDeleteAll, [](TfrmPlot* view) { view->DeleteAll(); });
    connect(btnLoadObject, &QToolButton::clicked, this,
            [this] { corvane::RunHandler([this] { btnLoadObjectClick(); }); });

    auto* label5 = new QLabel(QStringLiteral("View Mode:"), page);
    label5->setObjectName(QStringLiteral("Label5"));
    layout->addWidget(label5);
    rdbtnOrtho = RadioButton(page, "rdbtnOrtho", QStringLiteral("Orthographic"), true);
    rdbtnPerspective = RadioButton(page, "rdbtnPerspective", QStringLiteral("Perspective"), false);
    layout->addWidget(rdbtnOrtho);
    layout->addWidget(rdbtnPerspective);
    chkbxWireFrame = CheckBox(page, "chkbxWireFrame", QStringLiteral("Wire Frame"), false);
    chkbxRotateXY = CheckBox(page, "chkbxRotateXY", QStringLiteral("Rotate about X-Y Axis(else Z-Y)"), true);
    chkbxDrawAxis = CheckBox(page, "chkbxDrawAxis", QStringLiteral("Draw Axis"), true);
    layout->addWidget(chkbxWireFrame);
    layout->addWidget(chkbxRotateXY);
    layout->addWidget(chkbxDrawAxis);

    auto onView = [this](auto handler) {
        return [this, handler](bool on) {
            corvane::RunHandler([&] {
                if (TfrmPlot* view = ActiveView())
                    handler(view, on);
            });
        };
    };
    connect(rdbtnOrtho, &QRadioButton::clicked, this,
            onView([](TfrmPlot* v, bool) { v->SetPerspective(false); }));
    connect(rdbtnPerspective, &QRadioButton::clicked, this,
            onView([](TfrmPlot* v, bool) { v->SetPerspective(true); }));
    connect(chkbxWireFrame, &QCheckBox::toggled, this,
            onView([](TfrmPlot* v, bool on) { v->SetWireFrame(on); }));
    connect(chkbxRotateXY, &QCheckBox::toggled, this,
            onView([](TfrmPlot* v, bool on) { v->SetRotateXY(on); }));
    connect(chkbxDrawAxis, &QCheckBox::toggled, this,
            onView([](TfrmPlot* v, bool on) { v->SetDrawAxis(on); }));

    auto* label2 = new QLabel(QStringLiteral("Icos subdivisions:"), page);
    label2->setObjectName(QStringLiteral("Label2"));
    layout->addWidget(label2);
    auto* row = new QHBoxLayout;
    edtSubdivisions = new QLineEdit(QStringLiteral("3"), page);
    edtSubdivisions->setObjectName(QStringLiteral("edtSubdivisions"));
    edtSubdivisions->setMaximumWidth(60);
    spdbtnApply =
        ToolButton("spdbtnApply", "apply", QStringLiteral("Apply the subdivisions to every icosahedron"));
    spdbtnApply->setFixedSize(24, 24);
    spdbtnApply->setIconSize(QSize(18, 18));
    row->addWidget(edtSubdivisions);
    row->addWidget(spdbtnApply);
    row->addStretch(1);
    layout->addLayout(row);
    layout->addStretch(1);
    connect(spdbtnApply, &QToolButton::clicked, this,
            [this] { corvane::RunHandler([this] { spdbtnApplyClick(); }); });
    connect(edtSubdivisions, &QLineEdit::returnPressed, spdbtnApply, &QToolButton::click);
    return page;
}

QWidget* TfrmWorkSpace::BuildAnimationPage()
{
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("TabSheet5"));
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(4, 4, 4, 4);

    auto spinGroup = [&](const char* name, const QString& title, const char* names[3], int firstTag,
                         QCheckBox** boxes[3]) {
        auto* group = new QGroupBox(title, page);
        group->setObjectName(QLatin1String(name));
        auto* column = new QVBoxLayout(group);
        const QString captions[3] = {QStringLiteral("X-Axis"), QStringLiteral("Y-Axis"),
                                     QStringLiteral("Z-Axis")};
        for (int i = 0; i < 3; ++i) {
            QCheckBox* box = CheckBox(group, names[i], captions[i], false);
            // The tag is the spin's bit in the view's animation flags.
            box->setProperty("tag", firstTag << i);
            connect(box, &QCheckBox::toggled, this,
                    [this, box] { corvane::RunHandler([this, box] { chkbxWorldXClick(box); }); });
            column->addWidget(box);
            *boxes[i] = box;
        }
        layout->addWidget(group);
    };
    const char* world[3] = {"chkbxWorldX", "chkbxWorldY", "chkbxWorldZ"};
    QCheckBox** worldBoxes[3] = {&chkbxWorldX, &chkbxWorldY, &chkbxWorldZ};
    spinGroup("GroupBox3", QStringLiteral("Camera Spins"), world, afCameraX, worldBoxes);
    const char* object[3] = {"chkbxObjectX", "chkbxObjectY", "chkbxObjectZ"};
    QCheckBox** objectBoxes[3] = {&chkbxObjectX, &chkbxObjectY, &chkbxObjectZ};
    spinGroup("GroupBox4", QStringLiteral("Object Spins"), object, afObjectX, objectBoxes);

    auto* label7 = new QLabel(QStringLiteral("Timer Interval (ms):"), page);
    label7->setObjectName(QStringLiteral("Label7"));
    layout->addWidget(label7);
    trkbrTimerInterval = TrackBar(page, "trkbrTimerInterval", 1, 200, 50, 10);
    lblTimerInterval = new QLabel(IntervalLabel(50), page);
    lblTimerInterval->setObjectName(QStringLiteral("lblTimerInterval"));
    layout->addLayout(BarWithValue(trkbrTimerInterval, lblTimerInterval, IntervalLabel(200)));
    auto* label8 = new QLabel(QStringLiteral("Step Size:"), page);
    label8->setObjectName(QStringLiteral("Label8"));
    layout->addWidget(label8);
    trkbarStepSize = TrackBar(page, "trkbarStepSize", 1, 20, 5, 1);
    lblStepSize = new QLabel(StepLabel(5), page);
    lblStepSize->setObjectName(QStringLiteral("lblStepSize"));
    layout->addLayout(BarWithValue(trkbarStepSize, lblStepSize, StepLabel(20)));
    btnStartStop = new QPushButton(QStringLiteral("Start Animation"), page);
    btnStartStop->setObjectName(QStringLiteral("btnStartStop"));
    layout->addWidget(btnStartStop);
    layout->addStretch(1);

    connect(trkbrTimerInterval, &QSlider::valueChanged, this, [this](int position) {
        corvane::RunHandler([&] {
            lblTimerInterval->setText(IntervalLabel(position));
            if (TfrmPlot* view = ActiveView())
                view->SetAnimationInterval(position);
        });
    });
    connect(trkbarStepSize, &QSlider::valueChanged, this, [this](int position) {
        corvane::RunHandler([&] {
            lblStepSize->setText(StepLabel(position));
            if (TfrmPlot* view = ActiveView())
                view->SetAnimateStep(position);
        });
    });
    connect(btnStartStop, &QPushButton::clicked, this,
            [this] { corvane::RunHandler([this] { btnStartStopClick(); }); });
    return page;
}

QWidget* TfrmWorkSpace::BuildLightPage()
{
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("TabSheet6"));
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(4, 4, 4, 4);
    grpbxLightStuff = new QGroupBox(page);
    grpbxLightStuff->setObjectName(QStringLiteral("grpbxLightStuff"));
    layout->addWidget(grpbxLightStuff);
    layout->addStretch(1);
    auto* column = new QVBoxLayout(grpbxLightStuff);
    column->setSpacing(2);
    // The group's caption, wrapped so that it stays readable in a narrow panel.
    FLightHelp =
        new QLabel(QStringLiteral("Light options only work if the currently selected object is a light...."),
                   grpbxLightStuff);
    FLightHelp->setWordWrap(true);
    column->addWidget(FLightHelp);

    auto colourRow = [&](const char* labelName, const QString& caption, const char* barName,
                         const char* valueName, QSlider** bar, QLabel** value) {
        auto* label = new QLabel(caption, grpbxLightStuff);
        label->setObjectName(QLatin1String(labelName));
        column->addWidget(label);
        auto* row = new QHBoxLayout;
        *bar = TrackBar(grpbxLightStuff, barName, 0, 255, 0, 0);
        (*bar)->setPageStep(25);
        *value = new QLabel(QStringLiteral("0"), grpbxLightStuff);
        (*value)->setObjectName(QLatin1String(valueName));
        (*value)->setMinimumWidth((*value)->fontMetrics().horizontalAdvance(QStringLiteral("000")));
        (*value)->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        row->addWidget(*bar, 1);
        row->addWidget(*value);
        column->addLayout(row);
        QLabel* shown = *value;
        connect(*bar, &QSlider::valueChanged, this, [this, shown](int position) {
            corvane::RunHandler([&] {
                shown->setText(LightLabel(position));
                ApplyLightColor();
            });
        });
    };
    colourRow("Label3", QStringLiteral("Red (None to Full):"), "trkbrRedLight", "lblRed", &trkbrRedLight,
              &lblRed);
    colourRow("Label4", QStringLiteral("Green (None to Full):"), "trkbrGreenLight", "lblGreen",
              &trkbrGreenLight, &lblGreen);
    colourRow("Label9", QStringLiteral("Blue (None to Full):"), "trkbrBlueLight", "lblBlue", &trkbrBlueLight,
              &lblBlue);

    auto* label10 = new QLabel(QStringLiteral("Apply to:"), grpbxLightStuff);
    label10->setObjectName(QStringLiteral("Label10"));
    column->addWidget(label10);
    rdbtnAmbient = RadioButton(grpbxLightStuff, "rdbtnAmbient", QStringLiteral("Ambient"), true);
    rdbtnDiffuse = RadioButton(grpbxLightStuff, "rdbtnDiffuse", QStringLiteral("Diffuse"), false);
    rdbtnSpecular = RadioButton(grpbxLightStuff, "rdbtnSpecular", QStringLiteral("Specular"), false);
    column->addWidget(rdbtnAmbient);
    column->addWidget(rdbtnDiffuse);
    column->addWidget(rdbtnSpecular);
    chkbxDirectionalSrc = CheckBox(grpbxLightStuff, "chkbxDirectionalSrc",
                                   QStringLiteral("Directional (not positional) Light"), false);
    column->addWidget(chkbxDirectionalSrc);
    chkbkLights = CheckBox(grpbxLightStuff, "chkbkLights", QStringLiteral("Lights Are On"), false);
    QFont bold = chkbkLights->font();
    bold.setBold(true);
    chkbkLights->setFont(bold);
    column->addWidget(chkbkLights);

    // Checking "Ambient" (by a click or from code) reloads the ambient values.
    connect(rdbtnAmbient, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            corvane::RunHandler([this] { rdbtnAmbientClick(); });
    });
    connect(chkbxDirectionalSrc, &QCheckBox::toggled, this, [this](bool on) {
        corvane::RunHandler([&] {
            if (TfrmPlot* view = ActiveView())
                view->SetCurrentLightW(on ? 0 : 1);
        });
    });
    connect(chkbkLights, &QCheckBox::toggled, this, [this](bool on) {
        corvane::RunHandler([&] {
            if (TfrmPlot* view = ActiveView())
                view->SetLighting(on);
        });
    });
    return page;
}

void TfrmWorkSpace::FormCreate()
{
    FFrame->addDockWidget(Qt::LeftDockWidgetArea, this);
    PageControl1->setCurrentIndex(0);
    lblRed->setText(QStringLiteral("0"));
    lblGreen->setText(QStringLiteral("0"));
    lblBlue->setText(QStringLiteral("0"));
    DisableLightOptions();
    for (int i = 0; i < PageControl1->count(); ++i)
        if (auto* area = qobject_cast<QScrollArea*>(PageControl1->widget(i))) {
            QWidget* page = area->widget();
            FPages.append(page);
            for (QWidget* control : page->findChildren<QWidget*>())
                if (qobject_cast<QAbstractButton*>(control) || qobject_cast<QSlider*>(control) ||
                    qobject_cast<QLineEdit*>(control))
                    FViewControls.append(control);
        }
    if (auto* area = qobject_cast<QMdiArea*>(FFrame->centralWidget()))
        connect(area, &QMdiArea::subWindowActivated, this,
                [this] { corvane::RunHandler([this] { FollowActiveView(); }); });
    FollowActiveView();
}

void TfrmWorkSpace::FollowActiveView()
{
    TfrmPlot* view = ActiveView();
    if (view != FFollowed) {
        for (const QMetaObject::Connection& c : FFollowing)
            disconnect(c);
        FFollowing.clear();
        FFollowed = view;
        if (view) {
            // Whatever changes the view (a key, undo, a drag, another panel)
            // shows here as it happens: the view's options when they changed,
            // otherwise only what the panel shows of the objects.
            FFollowing << connect(view, &TfrmPlot::ToolChanged, this, [this, view] { ShowView(view); });
            FFollowing << connect(view->Document(), &TSceneDocument::SceneChanged, this,
                                  [this, view](const TSceneChange& change) {
                                      if (change.IsAbout(TSceneChange::ViewChanged))
                                          ShowView(view);
                                      else
                                          ShowObjectsOf(view);
                                  });
            FFollowing << connect(view->Document(), &TSceneDocument::CurrentChanged, this,
                                  [this, view] { ShowObjectsOf(view); });
        }
    }
    ShowView(view);
}

void TfrmWorkSpace::ShowView(TfrmPlot* view)
{
    // The pages hold only controls that act on a view; disabling a page
    // keeps the state each control has of its own (the light options).
    EnableForView(FPages, view != nullptr);
    ExplainNoView(FViewControls, view != nullptr);
    if (!view) {
        // No tool is pressed while there is no view to have one.
        ToolGroup->setExclusive(false);
        for (QAbstractButton* b : ToolGroup->buttons())
            b->setChecked(false);
        ToolGroup->setExclusive(true);
        return;
    }
    // Every control below is set with its signals blocked: showing a value
    // must not act on the view again.
    auto set = [](auto* control, auto apply) {
        const QSignalBlocker block(control);
        apply(control);
    };
    if (QAbstractButton* tool = ToolGroup->button(view->GetTool()))
        set(tool, [](QAbstractButton* b) { b->setChecked(true); });
    set(rdbtnOrtho, [&](QRadioButton* b) { b->setChecked(!view->GetPerspective()); });
    set(rdbtnPerspective, [&](QRadioButton* b) { b->setChecked(view->GetPerspective()); });
    set(chkbxWireFrame, [&](QCheckBox* b) { b->setChecked(view->GetWireFrame()); });
    set(chkbxRotateXY, [&](QCheckBox* b) { b->setChecked(view->GetRotateXY()); });
    set(chkbxDrawAxis, [&](QCheckBox* b) { b->setChecked(view->GetDrawAxis()); });
    const int flags = view->GetAnimateFlags();
    for (QCheckBox* spin : {chkbxWorldX, chkbxWorldY, chkbxWorldZ, chkbxObjectX, chkbxObjectY, chkbxObjectZ})
        set(spin, [&](QCheckBox* b) { b->setChecked(flags & b->property("tag").toInt()); });
    set(trkbrTimerInterval, [&](QSlider* b) { b->setValue(view->GetAnimationInterval()); });
    lblTimerInterval->setText(IntervalLabel(trkbrTimerInterval->value()));
    set(trkbarStepSize, [&](QSlider* b) { b->setValue(view->GetAnimateStep()); });
    lblStepSize->setText(StepLabel(trkbarStepSize->value()));
    btnStartStop->setText(view->IsAnimating() ? QStringLiteral("Stop Animation")
                                              : QStringLiteral("Start Animation"));
    set(chkbkLights, [&](QCheckBox* b) { b->setChecked(view->GetLighting()); });
    ShowObjectsOf(view);
}

void TfrmWorkSpace::ShowObjectsOf(TfrmPlot* view)
{
    if (!view)
        return;
    // Text being typed into the edit stays until it is applied.
    if (!edtSubdivisions->hasFocus())
        edtSubdivisions->setText(QString::number(view->GetDetailLevel()));
    ShowLightOf(view);
}

void TfrmWorkSpace::ShowLightOf(TfrmPlot* view)
{
    // Without a current light the options are off and show nothing of another light.
    auto* light = dynamic_cast<TGLLight*>(view->GetCurrentObject());
    if (light)
        EnableLightOptions();
    else
        DisableLightOptions();
    float rgb[3] = {0, 0, 0};
    if (light)
        light->GetLightColor(SelectedLightComponent(), rgb[0], rgb[1], rgb[2]);
    QSlider* bars[3] = {trkbrRedLight, trkbrGreenLight, trkbrBlueLight};
    QLabel* labels[3] = {lblRed, lblGreen, lblBlue};
    for (int i = 0; i < 3; ++i) {
        const QSignalBlocker block(bars[i]);
        bars[i]->setValue(qRound(rgb[i] * 255));
        labels[i]->setText(LightLabel(bars[i]->value()));
    }
    const QSignalBlocker block(chkbxDirectionalSrc);
    chkbxDirectionalSrc->setChecked(light && light->IsDirectional());
}

void TfrmWorkSpace::EnableLightOptions()
{
    for (QWidget* child : grpbxLightStuff->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
        child->setEnabled(true);
}

void TfrmWorkSpace::DisableLightOptions()
{
    for (QWidget* child : grpbxLightStuff->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
        if (child != chkbkLights && child != FLightHelp)
            child->setEnabled(false);
}

int TfrmWorkSpace::SelectedLightComponent() const
{
    return rdbtnAmbient->isChecked() ? 0 : rdbtnDiffuse->isChecked() ? 1 : 2;
}

void TfrmWorkSpace::ShowLightValues(int which, bool directional, float r, float g, float b)
{
    // Each change below runs the control's handler, as a user's change would.
    (which == 0 ? rdbtnAmbient : which == 1 ? rdbtnDiffuse : rdbtnSpecular)->setChecked(true);
    trkbrRedLight->setValue(static_cast<int>(r * 255));
    trkbrGreenLight->setValue(static_cast<int>(g * 255));
    trkbrBlueLight->setValue(static_cast<int>(b * 255));
    chkbxDirectionalSrc->setChecked(directional);
}

void TfrmWorkSpace::ApplyLightColor()
{
    if (TfrmPlot* view = ActiveView())
        view->SetCurrentLightColor(static_cast<unsigned char>(SelectedLightComponent()),
                                   static_cast<float>(trkbrRedLight->value()) / 255,
                                   static_cast<float>(trkbrGreenLight->value()) / 255,
                                   static_cast<float>(trkbrBlueLight->value()) / 255);
}

void TfrmWorkSpace::rdbtnAmbientClick()
{
    rdbtnAmbient->setChecked(true);
    if (TfrmPlot* view = ActiveView())
        view->UpdateLightPanel();
}

void TfrmWorkSpace::chkbxWorldXClick(QCheckBox* box)
{
    TfrmPlot* view = ActiveView();
    if (!view)
        return;
    const int flag = box->property("tag").toInt();
    if (box->isChecked())
        view->SetAnimateFlag(flag);
    else
        view->ClearAnimateFlag(flag);
}

void TfrmWorkSpace::btnStartStopClick()
{
    TfrmPlot* view = ActiveView();
    if (!view)
        return;
    view->EnableAnimation(!view->IsAnimating());
    btnStartStop->setText(view->IsAnimating() ? QStringLiteral("Stop Animation")
                                              : QStringLiteral("Start Animation"));
}

void TfrmWorkSpace::spdbtnApplyClick()
{
    const QString text = edtSubdivisions->text();
    bool ok = false;
    const int n = text.trimmed().toInt(&ok);
    if (!ok)
        throw std::invalid_argument(
            QStringLiteral("'%1' is not a valid integer value").arg(text).toStdString());
    if (n < 0) {
        edtSubdivisions->setText(QStringLiteral("0"));
        return;
    }
    if (TfrmPlot* view = ActiveView())
        view->SetDetailAll(n);
}

void TfrmWorkSpace::btnLoadObjectClick()
{
    const QString chosen =
        QFileDialog::getOpenFileName(this, QString(), corvane::ProgramStoragePlaces().startFolder,
                                     meshio::ImportFilters().join(QStringLiteral(";;")));
    if (chosen.isEmpty())
        return;
    LoadObjectFile(chosen);
}

void TfrmWorkSpace::LoadObjectFile(const QString& fileName)
{
    if (!meshio::IsCoordinateFile(fileName)) {
        if (TfrmPlot* view = ActiveView())
            view->AddPolyObjects(
                meshio::ImportMeshes(fileName, [](const QString& text) { corvane::ShowMessage(text); }));
        return;
    }
    const QString polyName = QFile::decodeName(
        QByteArray::fromStdString(coordfile::FaceFileName(QFile::encodeName(fileName).toStdString())));
    if (!QFileInfo::exists(polyName)) {
        corvane::ShowMessage(QStringLiteral("Poly file ") + polyName + QStringLiteral(" can not be found!"));
        return;
    }
    if (TfrmPlot* view = ActiveView())
        view->LoadPolyObject(fileName);
}
