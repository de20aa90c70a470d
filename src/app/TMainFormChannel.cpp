// SPDX-License-Identifier: GPL-3.0-or-later
// Channel tasks and the scene: the open views a channel can take its
// obstacles from, and the obstacles cut out of a view or a scene file where
// the task's plane meets its solids and meshes, or for a three-dimensional
// channel the surfaces of those inside its box.
#include "SceneFile.h"
#include "SceneSection.h"
#include "SceneSurface.h"
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

ObstacleCut Surfaces(const std::vector<TGLObject*>& objects, const ChannelRecord& c)
{
    const double lo[3] = {c.x, c.y, c.z};
    const double hi[3] = {c.x + c.length, c.y + c.height, c.z + c.depth};
    const meshio::Surface surface = meshio::SurfaceIn(objects, lo, hi);
    ObstacleCut cut;
    cut.surface.reserve(surface.triangles.size());
    for (const meshio::SurfaceTriangle& t : surface.triangles) {
        lbm::Triangle triangle;
        for (int corner = 0; corner < 3; ++corner)
            for (int axis = 0; axis < 3; ++axis)
                triangle.p[corner][axis] = t.p[corner][axis];
        triangle.obstacle = t.object;
        cut.surface.push_back(triangle);
    }
    cut.closed = surface.closed;
    cut.cut = surface.taken;
    cut.open = surface.open;
    cut.outside = surface.outside;
    cut.missed = surface.empty;
    return cut;
}

// The obstacles of the view or scene file the channel names, as `take` makes
// them (`view`: the open view of the channel's caption, null when none).
ObstacleCut FromSource(TfrmPlot* view, const ChannelRecord& c,
                       ObstacleCut (*take)(const std::vector<TGLObject*>&, const ChannelRecord&))
{
    if (c.kind == ObstacleSource::View) {
        if (!view) {
            ObstacleCut cut;
            cut.error = QStringLiteral("No open view is called \"%1\": open it, or choose another view or "
                                       "a scene file.")
                            .arg(c.source);
            return cut;
        }
        return take(view->Objects(), c);
    }
    TSceneDocument document;
    QString error;
    QStringList skipped;
    if (!scenefile::Read(document, c.source, error, skipped)) {
        ObstacleCut cut;
        cut.error = QStringLiteral("The obstacles cannot be read: %1").arg(error);
        return cut;
    }
    return take(document.Objects(), c);
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
    const auto viewOf = [this](const ChannelRecord& c) {
        return c.kind == ObstacleSource::View ? ViewByCaption(c.source) : nullptr;
    };
    ChannelObstacleCutter() = [viewOf](const ChannelRecord& c) { return FromSource(viewOf(c), c, Cut); };
    ChannelSurfaceCutter() = [viewOf](const ChannelRecord& c) { return FromSource(viewOf(c), c, Surfaces); };
}

QueuedTask TMainForm::QueueTask(const TTaskList& tasks, int row, bool forMpirun)
{
    QueuedTask queued{row, tasks.Line(row), tasks.SolverTask(row)};
    const TaskRecord& record = tasks.Record(row);
    queued.snapshots = record.snapshots;
    if (record.flow != lbm::Flow::Channel)
        return queued;
    const ChannelRecord& c = record.channel;
    const ObstacleCut cut = CutObstacles(record);
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
