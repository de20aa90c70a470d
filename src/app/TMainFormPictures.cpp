// SPDX-License-Identifier: GPL-3.0-or-later
// The main frame's commands that take meshes and pictures out of the active
// view: export, save picture, copy and print.
#include "IniFile.h"
#include "MeshExport.h"
#include "Messages.h"
#include "Picture.h"
#include "TMainForm.h"
#include "TSceneDocument.h"
#include "TfrmPlot.h"

#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QMimeData>
#include <QPainter>
#include <QPrinter>
#include <QSpinBox>
#include <QStatusBar>

namespace {

// The view's picture drawn at any size by the view itself.
picture::DrawFunction DrawingOf(TfrmPlot* view)
{
    return [view](int width, int height) { view->DrawPicture(width, height); };
}

QSize PixelSize(const TfrmPlot* view)
{
    const qreal dpr = view->devicePixelRatioF();
    return QSize(qRound(view->width() * dpr), qRound(view->height() * dpr));
}

} // namespace

std::function<QString(QWidget*, const QString&, const QStringList&, QString&)>& TMainForm::SaveDialogRunner()
{
    static std::function<QString(QWidget*, const QString&, const QStringList&, QString&)> runner =
        [](QWidget* parent, const QString& caption, const QStringList& filters, QString& filter) {
            return QFileDialog::getSaveFileName(parent, caption, QString(),
                                                filters.join(QStringLiteral(";;")), &filter);
        };
    return runner;
}

std::function<bool(QWidget*, QSize&)>& TMainForm::PictureSizeRunner()
{
    static std::function<bool(QWidget*, QSize&)> runner = [](QWidget* parent, QSize& size) {
        QDialog dialog(parent);
        dialog.setWindowTitle(QStringLiteral("Picture Size"));
        auto* form = new QFormLayout(&dialog);
        auto spin = [&](int value) {
            auto* box = new QSpinBox(&dialog);
            box->setRange(1, picture::kMaxSide);
            box->setSuffix(QStringLiteral(" pixels"));
            box->setValue(value);
            return box;
        };
        QSpinBox* width = spin(size.width());
        QSpinBox* height = spin(size.height());
        form->addRow(QStringLiteral("Width:"), width);
        form->addRow(QStringLiteral("Height:"), height);
        auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
        QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
        QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
        form->addRow(buttons);
        if (dialog.exec() != QDialog::Accepted)
            return false;
        size = QSize(width->value(), height->value());
        return true;
    };
    return runner;
}

void TMainForm::FileExportObjectClick()
{
    TfrmPlot* view = ActiveView();
    if (!view)
        return;
    if (!view->GetCurrentObject()) {
        corvane::ShowMessage(QStringLiteral("Select the object to export first."));
        return;
    }
    QString filter;
    const QString fileName =
        SaveDialogRunner()(this, QStringLiteral("Export Current Object"), meshio::ExportFilters(), filter);
    if (!fileName.isEmpty())
        ExportCurrentObject(fileName, filter);
}

void TMainForm::FileExportSceneClick()
{
    TfrmPlot* view = ActiveView();
    if (!view)
        return;
    QString filter;
    const QString fileName = SaveDialogRunner()(
        this, QStringLiteral("Export Scene (every object but the lights)"), meshio::ExportFilters(), filter);
    if (!fileName.isEmpty())
        ExportActiveScene(fileName, filter);
}

void TMainForm::ExportActiveScene(const QString& fileName, const QString& filter)
{
    TfrmPlot* view = ActiveView();
    if (!view)
        return;
    const meshio::ExportFormat format = meshio::ExportFormatFor(filter, fileName);
    const QString target = meshio::WithExtension(fileName, format);
    QStringList written;
    const QString error = meshio::ExportScene(view->Document()->Objects(), target, format, &written);
    if (!error.isEmpty())
        corvane::ShowMessage(error);
    else
        statusBar()->showMessage(
            QStringLiteral("Exported the scene to %1").arg(written.join(QStringLiteral(", "))));
}

void TMainForm::ExportCurrentObject(const QString& fileName, const QString& filter)
{
    TfrmPlot* view = ActiveView();
    TGLObject* object = view ? view->GetCurrentObject() : nullptr;
    if (!object)
        return;
    const meshio::ExportFormat format = meshio::ExportFormatFor(filter, fileName);
    const QString target = meshio::WithExtension(fileName, format);
    const QString error = meshio::ExportObject(*object, target, format);
    if (!error.isEmpty())
        corvane::ShowMessage(error);
    else
        statusBar()->showMessage(QStringLiteral("Exported the current object to %1").arg(target));
}

void TMainForm::FileSavePictureClick()
{
    TfrmPlot* view = ActiveView();
    if (!view)
        return;
    QString filter;
    const QString fileName =
        SaveDialogRunner()(this, QStringLiteral("Save Picture As"), picture::SaveFilters(), filter);
    if (fileName.isEmpty())
        return;
    QSize size = PixelSize(view);
    if (!PictureSizeRunner()(this, size))
        return;
    SaveActiveView(picture::WithPictureExtension(fileName, filter), size);
}

void TMainForm::SaveActiveView(const QString& fileName, const QSize& size)
{
    TfrmPlot* view = ActiveView();
    if (!view)
        return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const QString error =
        picture::SavePicture(DrawingOf(view), size.width(), size.height(), fileName, view->Title());
    QApplication::restoreOverrideCursor();
    if (!error.isEmpty())
        corvane::ShowMessage(error);
}

void TMainForm::CopyItemClick()
{
    TIniFile ini(TIniFile::DefaultPath());
    ini.Load();
    CopyActiveView(ini.ReadString("Copy", "CopyToStyle", QStringLiteral("Metafile")) ==
                   QStringLiteral("Bmpfile"));
}

void TMainForm::CopyActiveView(bool bitmapOnly)
{
    TfrmPlot* view = ActiveView();
    if (!view)
        return;
    const QSize size = PixelSize(view);
    QString error;
    const QImage bitmap = picture::RenderImage(DrawingOf(view), size.width(), size.height(), error);
    QByteArray svg;
    if (error.isEmpty() && !bitmapOnly)
        svg = picture::RenderVector(DrawingOf(view), size.width(), size.height(), picture::VectorFormat::Svg,
                                    view->Title(), error);
    if (!error.isEmpty()) {
        corvane::ShowMessage(QStringLiteral("Could not copy the picture: ") + error);
        return;
    }
    QGuiApplication::clipboard()->setMimeData(picture::ClipboardData(bitmap, svg).release());
}

void TMainForm::PrintActiveView(QPrinter& printer)
{
    TfrmPlot* view = ActiveView();
    if (!view) {
        corvane::ShowMessage(QStringLiteral("There is no view to print."));
        return;
    }
    const QSize size = PixelSize(view);
    QString error;
    // Vectors wherever the printer takes them; the bitmap stands in when a
    // vector picture cannot be made.
    const QByteArray svg = picture::RenderVector(DrawingOf(view), size.width(), size.height(),
                                                 picture::VectorFormat::Svg, view->Title(), error);
    const QImage bitmap =
        svg.isEmpty() ? picture::RenderImage(DrawingOf(view), size.width(), size.height(), error) : QImage();
    if (svg.isEmpty() && bitmap.isNull()) {
        corvane::ShowMessage(QStringLiteral("Could not print: ") + error);
        return;
    }
    QPainter painter;
    if (!painter.begin(&printer)) {
        corvane::ShowMessage(QStringLiteral("Could not print: the printer did not start"));
        return;
    }
    picture::PaintPage(painter, QRectF(0, 0, printer.width(), printer.height()), view->Title(), svg, bitmap);
    painter.end();
}
