// SPDX-License-Identifier: GPL-3.0-or-later
// Channel tasks and the scene: the open views a channel can take its
// obstacles from, and the obstacles cut out of a view or a scene file where
// the task's plane meets its solids and meshes.
#include "SceneFile.h"
#include "SceneSection.h"
#include "TMainForm.h"
#include "TSceneDocument.h"
#include "TaskList.h"
#include "TfrmPlot.h"

#include <QDir>
#include <QFileInfo>
#include <QMdiArea>
#include <QMdiSubWindow>

namespace {

ObstacleCut Cut(const std::vector<TGLObject*>& objects, const ChannelRecord& c)
{
    ObstacleCut cut;
    const meshio::Section section =
        meshio::SectionAt(objects, c.plane, c.x, c.y, c.x + c.length, c.y + c.height);
    cut.outline.reserve(section.segments.size());
    for (const meshio::SectionSegment& s : section.segments)
        cut.outline.push_back({s.x0, s.y0, s.x1, s.y1, s.object});
    cut.cut = section.cut;
    cut.open = section.open;
    cut.outside = section.outside;
    cut.missed = section.missed;
    return cut;
}

} // namespace

TfrmPlot* TMainForm::ViewByCaption(const QString& caption) const
{
    for (QMdiSubWindow* sub : FMdiArea->subWindowList(QMdiArea::CreationOrder))
        if (auto* view = qobject_cast<TfrmPlot*>(sub->widget()))
            if (view->Title() == caption)
                return view;
    return nullptr;
}

void TMainForm::InstallChannelSources()
{
    OpenViewCaptions() = [this] {
        QStringList captions;
        for (QMdiSubWindow* sub : FMdiArea->subWindowList(QMdiArea::CreationOrder))
            if (auto* view = qobject_cast<TfrmPlot*>(sub->widget()))
                captions << view->Title();
        return captions;
    };
    ChannelObstacleCutter() = [this](const ChannelRecord& c) {
        if (c.kind == ObstacleSource::View) {
            TfrmPlot* view = ViewByCaption(c.source);
            if (!view) {
                ObstacleCut cut;
                cut.error =
                    QStringLiteral("No open view is called \"%1\": open it, or choose another view or "
                                   "a scene file.")
                        .arg(c.source);
                return cut;
            }
            return Cut(view->Objects(), c);
        }
        TSceneDocument document;
        QString error;
        QStringList skipped;
        if (!scenefile::Read(document, c.source, error, skipped)) {
            ObstacleCut cut;
            cut.error = QStringLiteral("The obstacles cannot be read: %1").arg(error);
            return cut;
        }
        return Cut(document.Objects(), c);
    };
}

QueuedTask TMainForm::QueueTask(const TTaskList& tasks, int row, bool forMpirun)
{
    QueuedTask queued{row, tasks.Line(row), tasks.SolverTask(row)};
    const TaskRecord& record = tasks.Record(row);
    queued.snapshots = record.snapshots;
    if (record.flow != lbm::Flow::Channel)
        return queued;
    const ChannelRecord& c = record.channel;
    const ObstacleCut cut = ChannelObstacleCutter() ? ChannelObstacleCutter()(c) : ObstacleCut{};
    if (!cut.error.isEmpty()) {
        queued.problem = cut.error;
        return queued;
    }
    queued.task = SolverTaskOf(record, tasks.ModelName(row), &cut);
    queued.plane = c.plane;
    if (!forMpirun)
        return queued;
    if (c.kind == ObstacleSource::File) {
        queued.scene = QFileInfo(c.source).absoluteFilePath();
        return queued;
    }
    // The solver under mpirun reads the view's scene as it is now from a file.
    if (!FChannelScenes)
        FChannelScenes = std::make_unique<QTemporaryDir>();
    TfrmPlot* view = ViewByCaption(c.source);
    QString error = FChannelScenes->isValid() ? QString() : FChannelScenes->errorString();
    const QString file = FChannelScenes->filePath(QStringLiteral("task-%1.cvs").arg(row + 1));
    if (error.isEmpty() && view && !scenefile::Write(*view->Document(), file, error) && error.isEmpty())
        error = QStringLiteral("it could not be written");
    if (!error.isEmpty())
        queued.problem = QStringLiteral("The scene of the view \"%1\" cannot be handed to mpirun: %2")
                             .arg(c.source, error);
    else
        queued.scene = file;
    return queued;
}

double TMainForm::RunningLidSpeed() const
{
    return FRunningTask ? TaskSettings(FRunningTask->task, FTaskRunner->Settings()).lidSpeed
                        : FTaskRunner->Settings().lidSpeed;
}
