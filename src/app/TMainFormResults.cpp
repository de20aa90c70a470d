// SPDX-License-Identifier: GPL-3.0-or-later
// A finished task's results folder opened again: its field view, its chart
// and what the run said, as at the end of the run.
#include "CompareChart.h"
#include "Globals.h"
#include "LbmResults.h"
#include "Messages.h"
#include "ResultsFolder.h"
#include "ResultsList.h"
#include "ResultsPage.h"
#include "TMainForm.h"
#include "TaskChart.h"
#include "TaskRunner.h"
#include "TfrmOutPut.h"
#include "TfrmPlot.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTabWidget>
#include <QTextEdit>

#include <algorithm>
#include <cmath>

namespace {

void Say(const QString& text)
{
    if (!frmOutPut)
        return;
    frmOutPut->reMsg->append(text);
    frmOutPut->tabData->setCurrentWidget(frmOutPut->reMsg->parentWidget());
}

TaskState StateOf(const std::string& status)
{
    if (status == "converged")
        return TaskState::Converged;
    if (status == "not converged")
        return TaskState::NotConverged;
    if (status == "cancelled")
        return TaskState::Cancelled;
    return TaskState::Failed;
}

QString Number(double value, char format = 'g', int precision = 6)
{
    return std::isfinite(value) ? QString::number(value, format, precision) : QStringLiteral("unknown");
}

} // namespace

bool TMainForm::IsResultsPath(const QString& path)
{
    const QFileInfo info(path);
    if (info.isDir()) {
        const QDir folder(path);
        for (const char* name : {lbm::kSummaryFile, lbm::kFieldFile, lbm::kUCentrelineFile,
                                 lbm::kVCentrelineFile, lbm::kForcesFile})
            if (QFileInfo::exists(folder.filePath(QLatin1String(name))))
                return true;
        return false;
    }
    return info.fileName() == QLatin1String(lbm::kSummaryFile) ||
           info.fileName() == QLatin1String(lbm::kFieldFile);
}

bool TMainForm::OpenResults(const QString& path)
{
    const lbm::ResultsFolder r = lbm::ReadResultsFolder(QFile::encodeName(path).toStdString());
    if (r.Nothing()) {
        corvane::ShowMessage(QString::fromLocal8Bit(r.problems.empty() ? "Nothing could be read."
                                                                       : r.problems.front().c_str()));
        return false;
    }
    const QString folder = QFile::decodeName(r.folder.c_str());

    // The task as the task list wrote its line.
    QueuedTask task;
    task.row = -1;
    // Without its summary the folder's name stands for the task.
    const QString name = QFileInfo(folder).fileName();
    task.task.model = r.hasSummary ? r.summary.model : name.toStdString();
    task.task.reynolds = r.hasSummary ? r.summary.reynolds : std::nan("");
    task.task.gx = r.hasSummary ? r.summary.gx : r.field.nx;
    task.task.gy = r.hasSummary ? r.summary.gy : r.field.ny;
    task.line = r.hasSummary
                    ? ResultsTaskLine(r.summary) + (r.IsChannel() ? QStringLiteral(" channel") : QString())
                    : name;
    if (r.IsChannel())
        task.task.flow = lbm::Flow::Channel;
    // A three-dimensional run's grid, and its channel's box as the field
    // file places its nodes (half a spacing inside the box).
    task.task.gz = r.hasSummary ? r.summary.gz : r.hasField ? r.field.nz : 1;
    if (r.hasField && r.field.nz > 1 && r.IsChannel()) {
        lbm::ChannelSpec& c = task.task.channel;
        const double h = r.field.spacing[1];
        c.x = r.field.origin[0] - h / 2;
        c.y = r.field.origin[1] - h / 2;
        c.z = r.field.origin[2] - h / 2;
        c.length = r.field.nx * h;
        c.height = r.field.ny * h;
        c.depth = r.field.nz * h;
    }

    TaskOutcome outcome;
    outcome.folder = folder;
    if (r.hasSummary) {
        outcome.state = StateOf(r.summary.status);
        outcome.message = QString::fromStdString(r.summary.message);
        outcome.steps = r.summary.steps;
        outcome.residual = r.summary.residual;
        outcome.seconds = r.summary.seconds;
        outcome.mlups = r.summary.mlups;
        // The folder keeps the last residual, not its history.
        if (std::isfinite(r.summary.residual) && r.summary.residual > 0)
            outcome.residualHistory.emplace_back(r.summary.steps, r.summary.residual);
    }
    if (r.hasField) {
        auto fields = std::make_shared<lbm::Fields>();
        if (lbm::FieldsOf(r.field, 1.0, *fields))
            outcome.fields = std::move(fields);
    }
    outcome.channel = r.IsChannel();
    outcome.figures = r.Figures();

    QString report = QStringLiteral("Results of %1 (%2): ").arg(task.line, QDir::toNativeSeparators(folder));
    if (r.hasSummary)
        report +=
            QStringLiteral("%1 after %2 steps, residual %3, %4 s, %5 MLUPS, %6 process(es) x %7 thread(s), "
                           "%8 precision.")
                .arg(TaskStateName(outcome.state))
                .arg(r.summary.steps)
                .arg(Number(r.summary.residual, 'e', 3), Number(r.summary.seconds, 'f', 2),
                     Number(r.summary.mlups, 'f', 1))
                .arg(r.summary.processes)
                .arg(r.summary.threads)
                .arg(QString::fromStdString(r.summary.precision));
    else
        report += QStringLiteral("how the run went is not known.");
    if (r.hasU && r.u.size() > 2) {
        // The figure users of the cavity look at first: the least u on the
        // vertical centre line, where the main vortex turns back.
        auto least = r.u.front();
        for (const auto& point : r.u)
            if (point.second < least.second)
                least = point;
        report += QStringLiteral(" Least u / U on x = 1/2: %1 at y = %2.")
                      .arg(least.second, 0, 'f', 5)
                      .arg(least.first, 0, 'f', 4);
    }
    if (r.hasSummary && r.summary.channel) {
        const lbm::RunSummary& c = r.summary;
        report += c.periodic ? QStringLiteral(" cD max %1, cL max %2, St %3, \u0394p %4.")
                                   .arg(Number(c.cd), Number(c.cl), Number(c.strouhal), Number(c.dp))
                             : QStringLiteral(" cD %1, cL %2, \u0394p %3, La %4.")
                                   .arg(Number(c.cd), Number(c.cl), Number(c.dp), Number(c.la));
    }
    if (!outcome.message.isEmpty())
        report += QLatin1Char(' ') + outcome.message;
    Say(report);
    for (const std::string& problem : r.problems)
        Say(QString::fromLocal8Bit(problem.c_str()));

    if (outcome.fields && outcome.fields->gz > 1)
        OpenFlowView3D(task.task, outcome.fields, 1.0);
    else if (outcome.fields)
        if (TfrmPlot* view = OpenFieldView(task)) {
            ShowField(*view, *outcome.fields, 1.0);
            KeepFieldPictures(*view, folder);
        }
    if (r.hasU || r.hasV || r.hasForces) {
        auto* chart = new TfrmTaskChart(task, outcome, r.u, r.v);
        FMdiArea->setActiveSubWindow(AddWindow(chart));
    }
    AddRecentFile(folder);
    return true;
}

void TMainForm::CreateResultsPage(TfrmOutPut* output)
{
    if (!FResultsList)
        FResultsList = new TResultsList(this);
    FResultsList->SetDataFolder(QDir(DataFolderParent()).filePath(QStringLiteral("dat")));
    auto* page = new TfrmResultsPage(FResultsList);
    FResultsPage = page;
    output->tabData->addTab(page, QStringLiteral("Results"));
    connect(page, &TfrmResultsPage::OpenRequested, this,
            [this](const QString& folder) { corvane::RunHandler([&] { OpenResults(folder); }); });
    connect(page, &TfrmResultsPage::ChartMade, this, [this](TfrmCompareChart* chart) {
        corvane::RunHandler([&] {
            QMdiSubWindow* sub = AddWindow(chart);
            // As large as the chart asks, as far as the area has room from where it opened.
            const QSize room = FMdiArea->viewport()->size() - QSize(sub->x(), sub->y());
            sub->resize(std::max(320, std::min(760, room.width())),
                        std::max(320, std::min(760, room.height())));
            FMdiArea->setActiveSubWindow(sub);
        });
    });
    connect(page, &TfrmResultsPage::Problems, this, [](const QStringList& problems) {
        for (const QString& problem : problems)
            Say(problem);
    });
    connect(FResultsList, &TResultsList::FoldersChanged, this, [this] {
        if (FSaveResultsFolders)
            corvane::RunHandler([this] { FSaveResultsFolders(FResultsList->AddedFolders()); });
    });
    // Listed again whenever the page is looked at: unchanged runs are not read again.
    connect(output->tabData, &QTabWidget::currentChanged, page, [page, tabs = output->tabData](int index) {
        if (tabs->widget(index) == page)
            corvane::RunHandler([page] { page->Refresh(); });
    });
}

TfrmResultsPage* TMainForm::ResultsPage() const { return FResultsPage; }

void TMainForm::SetResultsFoldersStore(std::function<QStringList()> load,
                                       std::function<void(const QStringList&)> save)
{
    FSaveResultsFolders = {};
    if (FResultsList && load)
        for (const QString& folder : load())
            if (QFileInfo(folder).isDir())
                FResultsList->AddFolder(folder);
    FSaveResultsFolders = std::move(save);
}
