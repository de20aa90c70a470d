// SPDX-License-Identifier: GPL-3.0-or-later
// A three-dimensional task's flow in a 3-D view of its scene.
#include "FlowView3D.h"
#include "Globals.h"
#include "LbmRun.h"
#include "PolyMesh.h"
#include "SceneFile.h"
#include "TGLPolyObject.h"
#include "TMainForm.h"
#include "TSceneDocument.h"
#include "TaskList.h"
#include "TaskQueue.h"
#include "TfrmEnviroment.h"
#include "TfrmPlot.h"

#include <QMdiSubWindow>

#include <algorithm>
#include <cmath>

namespace {

// The obstacles' surfaces as one polygon object, in the scene's coordinates.
std::unique_ptr<TGLObject> SurfaceObject(const std::vector<lbm::Triangle>& triangles)
{
    if (triangles.empty())
        return nullptr;
    coordfile::Mesh mesh;
    mesh.vertexCount = std::int32_t(triangles.size() * 3);
    mesh.vertices.reserve(triangles.size() * 9);
    float lo[3] = {0, 0, 0}, hi[3] = {0, 0, 0};
    bool any = false;
    for (const lbm::Triangle& t : triangles)
        for (const auto& corner : t.p)
            for (int a = 0; a < 3; ++a) {
                const float v = float(corner[a]);
                mesh.vertices.push_back(v);
                lo[a] = any ? std::min(lo[a], v) : v;
                hi[a] = any ? std::max(hi[a], v) : v;
                any = any || a == 2;
            }
    mesh.minX = lo[0];
    mesh.minY = lo[1];
    mesh.minZ = lo[2];
    mesh.maxX = hi[0];
    mesh.maxY = hi[1];
    mesh.maxZ = hi[2];
    for (std::size_t t = 0; t < triangles.size(); ++t) {
        TPolyFace face;
        face.Count = 3;
        face.First = std::int32_t(t * 3);
        mesh.faces.push_back(face);
        for (int c = 1; c <= 3; ++c)
            mesh.indices.push_back(std::int32_t(t * 3) + c);
    }
    auto object = std::make_unique<TGLPolyObject>();
    object->SetMesh(std::move(mesh));
    object->SetColorF(0.6f, 0.6f, 0.6f);
    return object;
}

std::vector<std::unique_ptr<TGLObject>> CopiesOf(const std::vector<TGLObject*>& objects)
{
    std::vector<std::unique_ptr<TGLObject>> copies;
    for (TGLObject* object : objects)
        if (!IsLightObject(object)) // lights hold units of their own view's context
            copies.push_back(object->Clone());
    return copies;
}

} // namespace

std::vector<std::unique_ptr<TGLObject>> TMainForm::ChannelSceneCopies(const ChannelRecord& channel) const
{
    if (channel.kind == ObstacleSource::View) {
        TfrmPlot* source = ViewByCaption(channel.source);
        return source ? CopiesOf(source->Objects()) : std::vector<std::unique_ptr<TGLObject>>{};
    }
    TSceneDocument document;
    QString error;
    QStringList skipped;
    if (!scenefile::Read(document, channel.source, error, skipped))
        return {};
    return CopiesOf(document.Objects());
}

std::vector<std::unique_ptr<TGLObject>> TMainForm::FlowSceneObjects(const lbm::Task& task) const
{
    std::vector<std::unique_ptr<TGLObject>> objects;
    if (task.flow != lbm::Flow::Channel)
        return objects;
    // The running task's own record says where its obstacles came from.
    if (FRunningTask && frmEnviroment && FRunningTask->row >= 0 &&
        FRunningTask->row < frmEnviroment->Tasks()->Count()) {
        const TaskRecord& record = frmEnviroment->Tasks()->Record(FRunningTask->row);
        if (record.flow == lbm::Flow::Channel)
            objects = ChannelSceneCopies(record.channel);
    }
    // What lies wholly outside the box (the channel's walls drawn as solids
    // round it, say) plays no part in the flow and would hide it.
    const lbm::ChannelSpec& c = task.channel;
    const double lo[3] = {c.x, c.y, c.z}, hi[3] = {c.x + c.length, c.y + c.height, c.z + c.depth};
    const double hair = 1e-6 * std::max({c.length, c.height, c.depth});
    objects.erase(std::remove_if(objects.begin(), objects.end(),
                                 [&](const std::unique_ptr<TGLObject>& object) {
                                     const meshio::PolyMesh mesh = meshio::SceneMeshOf(*object);
                                     if (mesh.vertices.empty())
                                         return false;
                                     for (int a = 0; a < 3; ++a) {
                                         float low = HUGE_VALF, high = -HUGE_VALF;
                                         for (std::size_t v = std::size_t(a); v < mesh.vertices.size();
                                              v += 3) {
                                             low = std::min(low, mesh.vertices[v]);
                                             high = std::max(high, mesh.vertices[v]);
                                         }
                                         if (high <= lo[a] + hair || low >= hi[a] - hair)
                                             return true;
                                     }
                                     return false;
                                 }),
                  objects.end());
    if (objects.empty())
        if (std::unique_ptr<TGLObject> surface = SurfaceObject(task.channel.surface))
            objects.push_back(std::move(surface));
    return objects;
}

TfrmPlot* TMainForm::OpenFlowView3D(const lbm::Task& task, const std::shared_ptr<const lbm::Fields>& fields,
                                    double lidSpeed)
{
    const int number = FreeViewNumber();
    const QString re =
        std::isfinite(task.reynolds) ? QStringLiteral(" Re %1").arg(task.reynolds, 0, 'g', 6) : QString();
    TfrmPlot* view = CreateView(
        QStringLiteral("Fig.%1 \u2014 %2%3").arg(number).arg(QString::fromStdString(task.model), re));
    if (!view)
        return nullptr;
    if (auto* sub = qobject_cast<QMdiSubWindow*>(view->parentWidget())) {
        const bool maximised = sub->isMaximized();
        if (maximised)
            sub->showNormal();
        sub->resize(760, 560);
        if (maximised)
            sub->showMaximized();
    }
    auto* flow = new TFlowView3D(*view, task, FlowSceneObjects(task));
    if (fields)
        flow->SetFields(fields,
                        lidSpeed > 0 ? lidSpeed : TaskSettings(task, FTaskRunner->Settings()).lidSpeed, true);
    return view;
}

void TMainForm::UpdateFlowView3D(const std::shared_ptr<const lbm::Fields>& fields, const lbm::Task& task,
                                 double lidSpeed)
{
    if (!fields || fields->gz <= 1)
        return;
    if (!(lidSpeed > 0))
        lidSpeed = TaskSettings(task, FTaskRunner->Settings()).lidSpeed;
    if (!FFieldViewOpened) {
        // Once the user closes the view, the run's later fields open no other.
        FFieldViewOpened = true;
        FFlowView3D = OpenFlowView3D(task, fields, lidSpeed);
        return;
    }
    if (FFlowView3D)
        if (auto* flow = FFlowView3D->findChild<TFlowView3D*>())
            flow->SetFields(fields, lidSpeed);
}
