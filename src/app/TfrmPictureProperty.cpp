// SPDX-License-Identifier: GPL-3.0-or-later
#include "TfrmPictureProperty.h"

#include "TfrmPlot.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QUndoStack>
#include <QVBoxLayout>

namespace {

// Client sizes the dialog offers: from a thumbnail to a large screen.
constexpr int kMinClient = 16;
constexpr int kMaxClient = 8192;

} // namespace

TfrmPictureProperty::TfrmPictureProperty(TfrmPlot* view, QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmPictureProperty"));
    setWindowTitle(QStringLiteral("Set Picture Property"));

    btnBackColor = new QPushButton(this);
    btnBackColor->setObjectName(QStringLiteral("btnBackColor"));
    connect(btnBackColor, &QPushButton::clicked, this, [this] {
        const QColor chosen = QColorDialog::getColor(FBackColor, this, QStringLiteral("Background Colour"));
        if (chosen.isValid())
            SetBackColor(chosen);
    });
    rbOrtho = new QRadioButton(QStringLiteral("Orthographic"), this);
    rbPerspective = new QRadioButton(QStringLiteral("Perspective"), this);
    chkbxWireFrame = new QCheckBox(QStringLiteral("Wire frame"), this);
    chkbxAxes = new QCheckBox(QStringLiteral("Axes"), this);
    seWidth = new QSpinBox(this);
    seHeight = new QSpinBox(this);
    for (QSpinBox* box : {seWidth, seHeight}) {
        box->setRange(kMinClient, kMaxClient);
        box->setSuffix(QStringLiteral(" px"));
    }

    auto* projection = new QHBoxLayout;
    projection->addWidget(rbOrtho);
    projection->addWidget(rbPerspective);
    auto* size = new QHBoxLayout;
    size->addWidget(seWidth);
    size->addWidget(seHeight);
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Background:"), btnBackColor);
    form->addRow(QStringLiteral("Projection:"), projection);
    form->addRow(QString(), chkbxWireFrame);
    form->addRow(QString(), chkbxAxes);
    form->addRow(QStringLiteral("Size (width, height):"), size);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);

    float r = 1, g = 1, b = 1;
    if (view->Document()->View().BackColorSet)
        view->GetBackColor(r, g, b);
    SetBackColor(QColor::fromRgbF(r, g, b));
    rbPerspective->setChecked(view->GetPerspective());
    rbOrtho->setChecked(!view->GetPerspective());
    chkbxWireFrame->setChecked(view->GetWireFrame());
    chkbxAxes->setChecked(view->GetDrawAxis());
    seWidth->setValue(view->width());
    seHeight->setValue(view->height());
}

void TfrmPictureProperty::SetBackColor(const QColor& color)
{
    FBackColor = color;
    btnBackColor->setText(color.name());
    btnBackColor->setStyleSheet(QStringLiteral("background: %1; color: %2")
                                    .arg(color.name(), color.lightness() < 128 ? "white" : "black"));
}

void TfrmPictureProperty::ApplyTo(TfrmPlot* view) const
{
    QUndoStack* stack = view->Document()->UndoStack();
    stack->beginMacro(QStringLiteral("Picture Property"));
    view->SetPerspective(rbPerspective->isChecked());
    view->SetWireFrame(chkbxWireFrame->isChecked());
    view->SetDrawAxis(chkbxAxes->isChecked());
    // Red in the lowest byte, as colours are passed throughout.
    view->SetBackColor(FBackColor.red() | FBackColor.green() << 8 | FBackColor.blue() << 16);
    stack->endMacro();
    view->RenderScene(GL_RENDER);
    const QSize client(seWidth->value(), seHeight->value());
    if (QMdiSubWindow* sub = view->SubWindow()) {
        if (sub->isMaximized() || sub->isMinimized())
            sub->showNormal();
        sub->resize(sub->size() - view->size() + client);
    } else {
        view->resize(client);
    }
}

std::function<bool(TfrmPictureProperty&)>& TfrmPictureProperty::Runner()
{
    static std::function<bool(TfrmPictureProperty&)> runner = [](TfrmPictureProperty& dialog) {
        return dialog.exec() == QDialog::Accepted;
    };
    return runner;
}
