// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The Results page of the Output panel: the runs a TResultsList lists, newest
// first, and what can be done with them: open one (as File > Open opens a
// results folder), compare several in one chart, delete one (after asking),
// show its folder, and add a folder of runs made elsewhere.

#include <QStringList>
#include <QWidget>

#include <functional>

class QLabel;
class QPushButton;
class QTableView;
class QUrl;
class TResultsList;
class TfrmCompareChart;

class TfrmResultsPage : public QWidget {
    Q_OBJECT

public:
    TfrmResultsPage(TResultsList* list, QWidget* parent = nullptr);

    TResultsList* List() const { return FList; }
    QTableView* Table() const { return FTable; }
    // The selected rows, in the list's order.
    QList<int> SelectedRows() const;
    void SelectRows(const QList<int>& rows);

    // The buttons' handlers.
    void OpenClick();
    // A chart of the selected runs (or null when none is selected); what
    // could not be read of them goes to Problems.
    TfrmCompareChart* CompareClick();
    void DeleteClick();
    void ShowFolderClick();
    void AddFolderClick();
    void RemoveFolderClick();
    void Refresh();

    // Replaceable so that tests never block: the question before a delete
    // (true deletes), the folder chooser (empty cancels) and what shows a
    // folder in the desktop's file manager.
    static std::function<bool(QWidget*, const QString&)>& DeletePrompt();
    static std::function<QString(QWidget*)>& FolderPrompt();
    static std::function<bool(const QUrl&)>& FolderShower();
    // Which of the added folders to list no more (empty cancels).
    static std::function<QString(QWidget*, const QStringList&)>& RemoveFolderPrompt();

signals:
    void OpenRequested(const QString& folder);
    void ChartMade(TfrmCompareChart* chart);
    // Sentences on what could not be read or done, for the Command Window.
    void Problems(const QStringList& problems);

private:
    void UpdateButtons();

    TResultsList* FList;
    QLabel* FFolders;
    QTableView* FTable;
    QPushButton *FOpen, *FCompare, *FDelete, *FShowFolder, *FAddFolder, *FRemoveFolder, *FRefresh;
};
