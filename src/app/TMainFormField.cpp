// SPDX-License-Identifier: GPL-3.0-or-later
// The running task's flow field in a view of its own: the speed as a colour
// map on a plane, with its colour bar on a second plane beside it. The view
// is an ordinary view, so its camera tools work on it as on any scene.
#include "FieldPicture.h"
#include "Globals.h"
#include "LbmRun.h"
#include "TGLPlane.h"
#include "TMainForm.h"
#include "TSceneDocument.h"
#include "TfrmOutPut.h"
#include "TfrmPlot.h"

#include "SafeFileQt.h"

#include <QBuffer>
#include <QDir>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTextEdit>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

// Texture pictures keep one power-of-two size, so that every update fits
// the texture made first.
constexpr int kFieldTexture = 256;
const QSize kBarTexture(128, 256);

// The plane shows its texture turned a quarter: the picture's columns run
// up the plane and its rows from right to left. This lays the field upright,
// the lid at the top.
QImage OnPlane(const QImage& upright)
{
    const int w = upright.width(), h = upright.height();
    QImage turned(h, w, QImage::Format_RGB32);
    for (int r = 0; r < w; ++r)
        for (int c = 0; c < h; ++c)
            turned.setPixel(c, r, upright.pixel(w - 1 - r, h - 1 - c));
    return turned;
}

// The field's picture at the texture's size, with streamlines when asked and
// a channel's obstacle outlines.
QImage FieldTexture(const QImage& speed, const lbm::Fields* streamlinesOf = nullptr, double lidSpeed = 0,
                    const lbm::ChannelSpec* channel = nullptr)
{
    QImage picture =
        speed.scaled(kFieldTexture, kFieldTexture, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
            .convertToFormat(QImage::Format_RGB32);
    if (streamlinesOf)
        DrawStreamlines(picture, *streamlinesOf, lidSpeed);
    if (channel)
        DrawOutline(picture, *channel);
    return OnPlane(picture);
}

QImage BarTexture(double top)
{
    return OnPlane(ColourBarPicture(top, QStringLiteral("|u| / U"), kBarTexture));
}

} // namespace

TfrmPlot* TMainForm::OpenFieldView(const QueuedTask& task)
{
    const int number = FreeViewNumber();
    // (A results folder without its summary knows no Reynolds number.)
    const QString re = std::isfinite(task.task.reynolds)
                           ? QStringLiteral(" Re %1").arg(task.task.reynolds, 0, 'g', 6)
                           : QString();
    TfrmPlot* view = CreateView(
        QStringLiteral("Fig.%1 \u2014 %2%3").arg(number).arg(QString::fromStdString(task.task.model), re));
    if (!view)
        return nullptr;
    TSceneDocument* doc = view->Document();
    // Looking straight at the plane, no axes.
    view->SetCameraRotation(0, 0, 0);
    doc->LiveView().DrawAxis = false;
    view->SetLinearFilter(true);

    // The view spans 40 units from bottom to top: the field fills most of
    // it, its width and height as the cavity's, the colour bar to its right.
    // (Its size for when it is restored: a maximised view stays maximised.)
    if (auto* sub = qobject_cast<QMdiSubWindow*>(view->parentWidget())) {
        const bool maximised = sub->isMaximized();
        if (maximised)
            sub->showNormal();
        sub->resize(560, 460);
        if (maximised)
            sub->showMaximized();
    }
    const double aspect = task.task.gx > 0 ? double(task.task.gy) / double(task.task.gx) : 1.0;
    const float width = aspect > 1 ? float(32 / aspect) : 32, height = aspect > 1 ? 32 : float(32 * aspect);
    auto field = std::make_unique<TGLPlane>(-5.0f, 0.0f);
    field->SetRotation(90, 0, 0);
    field->SetScale(width, 1, height);
    field->SetTexture(view->CreateTexture(FieldTexture(QImage(16, 16, QImage::Format_RGB32))));
    QImage rest(16, 16, QImage::Format_RGB32);
    rest.fill(ScaleColour(0));
    view->ReplaceTexturePicture(field->GetTexture(), FieldTexture(rest));
    auto bar = std::make_unique<TGLPlane>(17.0f, 0.0f);
    bar->SetRotation(90, 0, 0);
    bar->SetScale(10, 1, 20);
    bar->SetTexture(view->CreateTexture(BarTexture(1)));
    doc->AddObject(std::move(field), QStringLiteral("Flow field"));
    doc->AddObject(std::move(bar), QStringLiteral("Colour bar"));
    doc->SetCurrent(nullptr);
    doc->UndoStack()->clear();
    doc->Notify({TSceneChange::ObjectsAdded});
    return view;
}

void TMainForm::KeepFieldPictures(TfrmPlot& view, const QString& folder)
{
    TSceneDocument* doc = view.Document();
    if (folder.isEmpty() || doc->Count() < 2 || FFieldPicture.isNull() || FScalePicture.isNull())
        return;
    const std::pair<TGLObject*, const QImage*> pictures[] = {{doc->At(0), &FFieldPicture},
                                                             {doc->At(1), &FScalePicture}};
    const QString names[] = {QStringLiteral("field.png"), QStringLiteral("scale.png")};
    for (int k = 0; k < 2; ++k) {
        if (pictures[k].first->GetTexture() == 0)
            continue;
        const QString file = QDir(folder).filePath(names[k]);
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        if (!pictures[k].second->save(&buffer, "PNG"))
            return;
        const QString error = safefile::WriteWhole(file, bytes);
        if (!error.isEmpty()) {
            if (frmOutPut)
                frmOutPut->reMsg->append(QStringLiteral("Could not keep the field's picture in %1: %2")
                                             .arg(QDir::toNativeSeparators(file), error));
            return;
        }
        RememberTextureFile(pictures[k].first->GetTexture(), file);
    }
}

void TMainForm::UpdateFieldView(const std::shared_ptr<const lbm::Fields>& fields, double lidSpeed)
{
    if (!fields)
        return;
    if (fields->gz > 1) {
        if (FRunningTask)
            UpdateFlowView3D(fields, FRunningTask->task, lidSpeed);
        return;
    }
    if (!FFieldViewOpened && FRunningTask) {
        FFieldViewOpened = true;
        FFieldView = OpenFieldView(*FRunningTask);
    }
    if (FFieldView)
        ShowField(*FFieldView, *fields, lidSpeed,
                  FRunningTask && FRunningTask->task.flow == lbm::Flow::Channel ? &FRunningTask->task.channel
                                                                                : nullptr);
}

void TMainForm::ShowField(TfrmPlot& view, const lbm::Fields& fields, double lidSpeed,
                          const lbm::ChannelSpec* channel)
{
    if (view.Document()->Count() < 2)
        return;
    double top = 1;
    const QImage speed = SpeedPicture(fields, lidSpeed, 0, &top);
    if (speed.isNull())
        return;
    TSceneDocument* doc = view.Document();
    if (doc->At(0)->GetTexture() == 0 || doc->At(1)->GetTexture() == 0)
        return; // the user took the pictures off
    FFieldPicture =
        FieldTexture(speed, Action("Streamlines1")->isChecked() ? &fields : nullptr, lidSpeed, channel);
    FScalePicture = BarTexture(top);
    view.ReplaceTexturePicture(doc->At(0)->GetTexture(), FFieldPicture);
    view.ReplaceTexturePicture(doc->At(1)->GetTexture(), FScalePicture);
    // The pictures changed, not the objects' places: the view draws them again.
    doc->Notify({TSceneChange::ObjectChanged});
}
