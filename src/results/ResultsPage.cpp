// SPDX-License-Identifier: GPL-3.0-or-later
#include "ResultsPage.h"

#include "CompareChart.h"
#include "Messages.h"
#include "ResultsList.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QItemSelectionModel>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTableView>
#include <QUrl>
#include <QVBoxLayout>

#include <algorithm>

namespace {

QPushButton* Button(QWidget* parent, const char* name, const QString& text, const QString& tip)
{
    auto* button = new QPushButton(text, parent);
    button->setObjectName(QLatin1String(name));
    button->setToolTip(tip);
    return button;
}

} // namespace

std::function<bool(QWidget*, const QString&)>& TfrmResultsPage::DeletePrompt()
{
    static std::function<bool(QWidget*, const QString&)> prompt = [](QWidget* parent,
                                                                     const QString& question) {
        return QMessageBox::question(parent, corvane::ApplicationTitle(), question,
                                     QMessageBox::Yes | QMessageBox::No, QMessageBox::No) == QMessageBox::Yes;
    };
    return prompt;
}

std::function<QString(QWidget*)>& TfrmResultsPage::FolderPrompt()
{
    static std::function<QString(QWidget*)> prompt = [](QWidget* parent) {
        return QFileDialog::getExistingDirectory(parent, QStringLiteral("Add a Folder of Results"));
    };
    return prompt;
}

std::function<bool(const QUrl&)>& TfrmResultsPage::FolderShower()
{
    static std::function<bool(const QUrl&)> shower = [](const QUrl& url) {
        return QDesktopServices::openUrl(url);
    };
    return shower;
}

std::function<QString(QWidget*, const QStringList&)>& TfrmResultsPage::RemoveFolderPrompt()
{
    static std::function<QString(QWidget*, const QStringList&)> prompt = [](QWidget* parent,
                                                                            const QStringList& folders) {
        bool ok = false;
        const QString chosen =
            QInputDialog::getItem(parent, QStringLiteral("Remove a Folder"),
                                  QStringLiteral("List the runs of this folder no more (they stay "
                                                 "on the disk):"),
                                  folders, 0, false, &ok);
        return ok ? chosen : QString();
    };
    return prompt;
}

TfrmResultsPage::TfrmResultsPage(TResultsList* list, QWidget* parent) : QWidget(parent), FList(list)
{
    setObjectName(QStringLiteral("tbResults"));
    // One row of buttons above the table, so that the page is no taller
    // than the panel's other pages.
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->setSpacing(2);
    auto* row = new QHBoxLayout;
    row->setSpacing(4);
    FOpen = Button(this, "btnResultsOpen", QStringLiteral("Open"),
                   QStringLiteral("Opens the run's field view and chart, as File > Open does"));
    FCompare =
        Button(this, "btnResultsCompare", QStringLiteral("Compare"),
               QStringLiteral("Draws the selected runs' centre lines (and force histories) in one chart"));
    FDelete = Button(this, "btnResultsDelete", QStringLiteral("Delete\u2026"),
                     QStringLiteral("Deletes the run's results folder, after asking"));
    FShowFolder = Button(this, "btnResultsShowFolder", QStringLiteral("Show Folder"),
                         QStringLiteral("Shows the run's folder in the file manager"));
    FAddFolder = Button(this, "btnResultsAddFolder", QStringLiteral("Add Folder\u2026"),
                        QStringLiteral("Lists the runs in another folder too (results run on a cluster)"));
    FRemoveFolder =
        Button(this, "btnResultsRemoveFolder", QStringLiteral("Remove Folder\u2026"),
               QStringLiteral("Lists the runs of an added folder no more; they stay on the disk"));
    FRefresh =
        Button(this, "btnResultsRefresh", QStringLiteral("Refresh"), QStringLiteral("Lists the runs again"));
    for (QPushButton* b : {FOpen, FCompare, FDelete, FShowFolder, FAddFolder, FRemoveFolder, FRefresh})
        row->addWidget(b);
    FFolders = new QLabel(this);
    FFolders->setObjectName(QStringLiteral("lblResultsFolders"));
    FFolders->setTextInteractionFlags(Qt::TextSelectableByMouse);
    FFolders->setMinimumWidth(0);
    FFolders->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    row->addWidget(FFolders, 1);
    layout->addLayout(row);

    FTable = new QTableView(this);
    FTable->setObjectName(QStringLiteral("tvResults"));
    FTable->setModel(list);
    FTable->setSelectionBehavior(QAbstractItemView::SelectRows);
    FTable->setSelectionMode(QAbstractItemView::ExtendedSelection);
    FTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
    FTable->setWordWrap(false);
    FTable->setMinimumHeight(24);
    FTable->verticalHeader()->hide();
    FTable->verticalHeader()->setDefaultSectionSize(FTable->fontMetrics().height() + 4);
    FTable->horizontalHeader()->setStretchLastSection(true);
    FTable->setColumnWidth(TResultsList::TaskColumn, 200);
    FTable->setColumnWidth(TResultsList::StateColumn, 90);
    FTable->setColumnWidth(TResultsList::WhenColumn,
                           FTable->fontMetrics().horizontalAdvance(QStringLiteral("2026-12-31 23:59:59")) +
                               16);
    FTable->setColumnWidth(TResultsList::DurationColumn, 70);
    layout->addWidget(FTable, 1);

    connect(FOpen, &QPushButton::clicked, this, [this] { corvane::RunHandler([this] { OpenClick(); }); });
    connect(FCompare, &QPushButton::clicked, this,
            [this] { corvane::RunHandler([this] { CompareClick(); }); });
    connect(FDelete, &QPushButton::clicked, this, [this] { corvane::RunHandler([this] { DeleteClick(); }); });
    connect(FShowFolder, &QPushButton::clicked, this,
            [this] { corvane::RunHandler([this] { ShowFolderClick(); }); });
    connect(FAddFolder, &QPushButton::clicked, this,
            [this] { corvane::RunHandler([this] { AddFolderClick(); }); });
    connect(FRemoveFolder, &QPushButton::clicked, this,
            [this] { corvane::RunHandler([this] { RemoveFolderClick(); }); });
    connect(FRefresh, &QPushButton::clicked, this, [this] { corvane::RunHandler([this] { Refresh(); }); });
    connect(FTable, &QTableView::doubleClicked, this,
            [this] { corvane::RunHandler([this] { OpenClick(); }); });
    connect(FTable->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this] { UpdateButtons(); });
    connect(list, &QAbstractItemModel::modelReset, this, [this] { UpdateButtons(); });
    connect(list, &QAbstractItemModel::rowsRemoved, this, [this] { UpdateButtons(); });
    UpdateButtons();
}

QList<int> TfrmResultsPage::SelectedRows() const
{
    QList<int> rows;
    for (const QModelIndex& index : FTable->selectionModel()->selectedRows())
        rows.append(index.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

void TfrmResultsPage::SelectRows(const QList<int>& rows)
{
    FTable->clearSelection();
    for (int row : rows)
        FTable->selectionModel()->select(FList->index(row, 0),
                                         QItemSelectionModel::Select | QItemSelectionModel::Rows);
}

void TfrmResultsPage::UpdateButtons()
{
    const int selected = int(SelectedRows().size());
    FOpen->setEnabled(selected > 0);
    FCompare->setEnabled(selected > 0);
    FDelete->setEnabled(selected == 1);
    FShowFolder->setEnabled(selected == 1);
    FRemoveFolder->setEnabled(!FList->AddedFolders().isEmpty());
    QStringList folders;
    if (!FList->DataFolder().isEmpty())
        folders.append(QDir::toNativeSeparators(FList->DataFolder()));
    for (const QString& folder : FList->AddedFolders())
        folders.append(QDir::toNativeSeparators(folder));
    FFolders->setText(
        FList->Count() == 0
            ? QStringLiteral("No runs yet in %1.").arg(folders.join(QStringLiteral(", ")))
            : QStringLiteral("%1 run(s) in %2").arg(FList->Count()).arg(folders.join(QStringLiteral(", "))));
}

void TfrmResultsPage::Refresh()
{
    const QList<int> rows = SelectedRows();
    QStringList selected;
    for (int row : rows)
        selected.append(FList->Run(row).folder);
    FList->Refresh();
    // The same runs stay selected.
    QList<int> again;
    for (const QString& folder : selected)
        if (const int row = FList->RowOf(folder); row >= 0)
            again.append(row);
    SelectRows(again);
    UpdateButtons();
}

void TfrmResultsPage::OpenClick()
{
    QStringList folders;
    for (int row : SelectedRows())
        folders.append(FList->Run(row).folder);
    for (const QString& folder : folders)
        emit OpenRequested(folder);
}

TfrmCompareChart* TfrmResultsPage::CompareClick()
{
    const QList<int> rows = SelectedRows();
    if (rows.isEmpty())
        return nullptr;
    std::vector<ResultsSeries> runs;
    QStringList problems;
    for (int row : rows) {
        ResultsSeries series = TResultsList::Series(FList->Run(row));
        problems += series.problems;
        if (series.u.empty() && series.v.empty() && series.forces.empty())
            problems.append(QStringLiteral("%1 has no centre lines or forces to compare.")
                                .arg(QDir::toNativeSeparators(FList->Run(row).folder)));
        else
            runs.push_back(std::move(series));
    }
    if (!problems.isEmpty())
        emit Problems(problems);
    if (runs.empty())
        return nullptr;
    auto* chart = new TfrmCompareChart(runs);
    emit ChartMade(chart);
    return chart;
}

void TfrmResultsPage::DeleteClick()
{
    const QList<int> rows = SelectedRows();
    if (rows.size() != 1)
        return;
    const ResultsRun& run = FList->Run(rows.front());
    const QString folder = run.folder;
    // Refused before asking when it would be refused anyway.
    QString problem = TResultsList::CheckDeletable(folder);
    if (!problem.isEmpty()) {
        corvane::ShowMessage(problem);
        return;
    }
    if (!DeletePrompt()(this,
                        QStringLiteral("Delete the results of %1 (%2)?\n\nThe folder %3 and the files in it "
                                       "are deleted; this cannot be undone.")
                            .arg(run.line, run.state, QDir::toNativeSeparators(folder))))
        return;
    // The list may have changed while the question was open.
    const int row = FList->RowOf(folder);
    problem = row < 0 ? QString() : FList->Delete(row);
    if (!problem.isEmpty())
        corvane::ShowMessage(problem);
    UpdateButtons();
}

void TfrmResultsPage::ShowFolderClick()
{
    const QList<int> rows = SelectedRows();
    if (rows.size() != 1)
        return;
    const QString folder = FList->Run(rows.front()).folder;
    if (!FolderShower()(QUrl::fromLocalFile(folder)))
        corvane::ShowMessage(QStringLiteral("The folder %1 could not be shown: no file manager answered.")
                                 .arg(QDir::toNativeSeparators(folder)));
}

void TfrmResultsPage::AddFolderClick()
{
    const QString folder = FolderPrompt()(this);
    if (folder.isEmpty())
        return;
    const QString problem = FList->AddFolder(folder);
    if (!problem.isEmpty())
        corvane::ShowMessage(problem);
    UpdateButtons();
}

void TfrmResultsPage::RemoveFolderClick()
{
    QStringList shown;
    for (const QString& folder : FList->AddedFolders())
        shown.append(QDir::toNativeSeparators(folder));
    if (shown.isEmpty())
        return;
    const QString chosen = RemoveFolderPrompt()(this, shown);
    if (!chosen.isEmpty())
        FList->RemoveFolder(QDir::fromNativeSeparators(chosen));
    UpdateButtons();
}
