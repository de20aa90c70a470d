// SPDX-License-Identifier: GPL-3.0-or-later
// Edit Task: a task of the list changed in place through the task dialog,
// never while a run holds it.
#include "SettingsGlobals.h"
#include "TaskList.h"
#include "TestSupport.h"
#include "TfrmAddTask.h"
#include "TfrmEnviroment.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QToolTip>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace {

QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

struct Entry {
    const char *model, *re, *gx, *gy;
};

// Both dialogs as the program creates them, reaching each other through
// their globals, on a settings file in a temporary folder.
class EditTaskTest : public ::testing::Test {
public:
    void SetUp() override { Open(ini); }
    void TearDown() override
    {
        addTask.reset();
        frmAddTask = nullptr;
        frmEnviroment = nullptr;
    }

    void Open(const QString& path)
    {
        addTask = std::make_unique<TfrmAddTask>();
        addTask->FormCreate();
        settings = std::make_unique<TfrmEnviroment>(nullptr, path);
        settings->FormCreate();
        frmAddTask = addTask.get();
        frmEnviroment = settings.get();
    }

    void Fill(const Entry& e)
    {
        addTask->cbModelName->setEditText(QLatin1String(e.model));
        addTask->edRen->setText(QLatin1String(e.re));
        addTask->edGridX->setText(QLatin1String(e.gx));
        addTask->edGridY->setText(QLatin1String(e.gy));
    }

    void Add(const Entry& e)
    {
        Fill(e);
        addTask->show();
        addTask->BitBtn1->click();
        ASSERT_FALSE(addTask->isVisible()) << messages.Errors.join('\n').toStdString();
    }

    // Three tasks, the middle one ticked and shown as an earlier run left it.
    void AddThree()
    {
        Add({"D2Q9", "400", "65", "65"});
        Add({"D2Q9(New)", "4e2", "129", "129"});
        Add({"D2Q7", "100", "33", "33"});
        settings->chklstAuto->item(1)->setCheckState(Qt::Checked);
        settings->SetTaskState(1, QStringLiteral("converged"));
        settings->show();
        settings->PageControl1->setCurrentIndex(1);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(settings.get()));
    }

    QRect LineRect(int row) const
    {
        return settings->chklstAuto->visualItemRect(settings->chklstAuto->item(row));
    }
    void Select(int row)
    {
        QTest::mouseClick(settings->chklstAuto->viewport(), Qt::LeftButton, {}, LineRect(row).center());
    }
    // (The list takes a double click for one only after the press of its first click.)
    void DoubleClick(int row)
    {
        QTest::mousePress(settings->chklstAuto->viewport(), Qt::LeftButton, {}, LineRect(row).center());
        QTest::mouseDClick(settings->chklstAuto->viewport(), Qt::LeftButton, {}, LineRect(row).center());
    }

    // Everything the list holds of each task, for comparisons.
    QStringList Tasks() const
    {
        QStringList tasks;
        for (int i = 0; i < settings->TaskCount(); ++i)
            tasks << QStringLiteral("%1|%2|%3|%4|%5|%6|%7")
                         .arg(settings->chklstAuto->item(i)->text())
                         .arg(settings->TaskModel(i))
                         .arg(settings->TaskRe(i), 0, 'g', 17)
                         .arg(settings->TaskGridX(i))
                         .arg(settings->TaskGridY(i))
                         .arg(settings->TaskTicked(i))
                         .arg(settings->TaskState(i));
        return tasks;
    }

    QTemporaryDir dir;
    QString ini = dir.filePath(QStringLiteral("corvane.INI"));
    MessageRecorder messages;
    std::unique_ptr<TfrmEnviroment> settings;
    std::unique_ptr<TfrmAddTask> addTask;
};

} // namespace

TEST_F(EditTaskTest, EditingChangesTheLineTheRecordAndTheFileInPlaceAndKeepsTheTick)
{
    const struct {
        const char* how;
        std::function<void(EditTaskTest&)> open;
    } routes[] = {
        {"Edit Task",
         [](EditTaskTest& t) { t.Select(1), QTest::mouseClick(t.settings->btEdit, Qt::LeftButton); }},
        {"a double click", [](EditTaskTest& t) { t.DoubleClick(1); }},
    };
    for (const auto& route : routes) {
        SCOPED_TRACE(route.how);
        QFile::remove(ini);
        Open(ini);
        AddThree();
        Fill({"D2Q13(New)", "250", "17", "19"}); // what the Add dialog last held
        route.open(*this);
        ASSERT_TRUE(addTask->isVisible());
        EXPECT_EQ(addTask->windowTitle(), QStringLiteral("Edit Task"));
        EXPECT_EQ(QApplication::activeModalWidget(), addTask.get()) << "the list waits for the dialog";
        // The task's values, as they were typed.
        EXPECT_EQ(addTask->cbModelName->currentText(), QStringLiteral("D2Q9(New)"));
        EXPECT_EQ(addTask->cbModelName->currentIndex(), 2);
        EXPECT_EQ(addTask->edRen->text(), QStringLiteral("4e2"));
        EXPECT_EQ(addTask->edGridX->text(), QStringLiteral("129"));
        EXPECT_EQ(addTask->edGridY->text(), QStringLiteral("129"));

        Fill({"D2Q7(New)", "1000", "97", "81"});
        addTask->BitBtn1->click();
        ASSERT_FALSE(addTask->isVisible()) << messages.Errors.join('\n').toStdString();
        EXPECT_EQ(settings->TaskCount(), 3);
        EXPECT_EQ(settings->TaskLine(1), QStringLiteral("D2Q7(New) ren 1000Gx 97 Gy 81"));
        EXPECT_EQ(settings->chklstAuto->item(1)->text(), settings->TaskLine(1))
            << "the old run's state is gone";
        EXPECT_EQ(settings->TaskModel(1), 4);
        EXPECT_EQ(settings->TaskRe(1), 1000.0);
        EXPECT_EQ(settings->TaskGridX(1), 97);
        EXPECT_EQ(settings->TaskGridY(1), 81);
        EXPECT_TRUE(settings->TaskTicked(1));
        EXPECT_EQ(settings->TaskLine(0), QStringLiteral("D2Q9 ren 400Gx 65 Gy 65"));
        EXPECT_EQ(settings->TaskLine(2), QStringLiteral("D2Q7 ren 100Gx 33 Gy 33"));
        // The Add dialog has its own values back.
        EXPECT_EQ(addTask->windowTitle(), QStringLiteral("Add Task"));
        EXPECT_EQ(addTask->cbModelName->currentText(), QStringLiteral("D2Q13(New)"));
        EXPECT_EQ(addTask->edRen->text(), QStringLiteral("250"));
        EXPECT_EQ(addTask->edGridY->text(), QStringLiteral("19"));

        // The file holds, byte for byte, what the same list made afresh holds.
        const QByteArray edited = ReadAll(ini);
        settings->hide();
        const QString fresh = dir.filePath(QStringLiteral("fresh.INI"));
        QFile::remove(fresh);
        Open(fresh);
        Add({"D2Q9", "400", "65", "65"});
        Add({"D2Q7(New)", "1000", "97", "81"});
        Add({"D2Q7", "100", "33", "33"});
        settings->chklstAuto->item(1)->setCheckState(Qt::Checked);
        EXPECT_EQ(edited.toStdString(), ReadAll(fresh).toStdString());

        // The next start of the program reads the edited task.
        Open(ini);
        ASSERT_EQ(settings->TaskCount(), 3);
        EXPECT_EQ(settings->TaskLine(1), QStringLiteral("D2Q7(New) ren 1000Gx 97 Gy 81"));
        EXPECT_EQ(settings->TaskGridY(1), 81);
        EXPECT_TRUE(settings->TaskTicked(1));
    }
    EXPECT_TRUE(messages.Errors.isEmpty()) << messages.Errors.join('\n').toStdString();
}

// Snapshots are off unless asked for; a task keeps its cadence through the
// file and Edit Task, and a cadence that is no number of steps stores nothing.
TEST_F(EditTaskTest, ASnapshotCadenceIsOffByDefaultAndGoesWithItsTask)
{
    EXPECT_FALSE(addTask->cbSnapshots->isChecked());
    EXPECT_FALSE(addTask->edSnapshots->isEnabled());
    Add({"D2Q9", "100", "33", "33"});
    EXPECT_EQ(settings->Tasks()->Record(0).snapshots, 0);
    EXPECT_FALSE(ReadAll(ini).contains("Snapshots"));

    addTask->cbSnapshots->setChecked(true);
    EXPECT_TRUE(addTask->edSnapshots->isEnabled());
    for (const char* bad : {"0", "-10", "1.5", "abc", ""}) {
        messages.Errors.clear();
        addTask->edSnapshots->setText(QLatin1String(bad));
        addTask->show();
        addTask->BitBtn1->click();
        ASSERT_EQ(messages.Errors.size(), 1) << bad;
        EXPECT_TRUE(messages.Errors[0].contains(QStringLiteral("steps between snapshots")))
            << messages.Errors[0].toStdString();
        EXPECT_EQ(settings->TaskCount(), 1) << bad;
    }
    messages.Errors.clear();
    addTask->hide();
    addTask->edSnapshots->setText(QStringLiteral("500"));
    Add({"D2Q9", "100", "65", "65"});
    EXPECT_EQ(settings->Tasks()->Record(1).snapshots, 500);
    EXPECT_TRUE(ReadAll(ini).contains("Snapshots2=500\n")) << ReadAll(ini).toStdString();

    // Editing shows each task's own; unticked, the key goes.
    addTask->edSnapshots->setText(QStringLiteral("70"));
    addTask->cbSnapshots->setChecked(false);
    settings->show();
    addTask->EditTask(settings.get(), 1);
    EXPECT_TRUE(addTask->cbSnapshots->isChecked());
    EXPECT_EQ(addTask->edSnapshots->text(), QStringLiteral("500"));
    addTask->cbSnapshots->setChecked(false);
    addTask->BitBtn1->click();
    ASSERT_FALSE(addTask->isVisible()) << messages.Errors.join('\n').toStdString();
    EXPECT_EQ(settings->Tasks()->Record(1).snapshots, 0);
    EXPECT_FALSE(ReadAll(ini).contains("Snapshots")) << ReadAll(ini).toStdString();
    EXPECT_FALSE(addTask->cbSnapshots->isChecked()) << "the Add dialog's own values are back";
    EXPECT_EQ(addTask->edSnapshots->text(), QStringLiteral("70"));
    EXPECT_TRUE(messages.Errors.isEmpty()) << messages.Errors.join('\n').toStdString();
}

TEST_F(EditTaskTest, CancelOrSavingUnchangedChangesNothing)
{
    AddThree();
    Fill({"D2Q9", "250", "17", "19"});
    const QStringList tasks = Tasks();
    const QByteArray file = ReadAll(ini);
    const struct {
        const char* how;
        std::function<void(EditTaskTest&)> close;
    } closings[] = {
        {"Escape", [](EditTaskTest& t) { QTest::keyClick(t.addTask.get(), Qt::Key_Escape); }},
        {"the window's close button", [](EditTaskTest& t) { t.addTask->close(); }},
    };
    for (const auto& closing : closings) {
        SCOPED_TRACE(closing.how);
        DoubleClick(1);
        ASSERT_TRUE(addTask->isVisible());
        Fill({"D2Q13(New)", "1000", "97", "81"});
        closing.close(*this);
        EXPECT_FALSE(addTask->isVisible());
        EXPECT_EQ(Tasks(), tasks);
        EXPECT_EQ(ReadAll(ini), file);
        EXPECT_EQ(addTask->windowTitle(), QStringLiteral("Add Task"));
        EXPECT_EQ(addTask->edRen->text(), QStringLiteral("250")) << "the Add dialog's own values";
        EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
        // After a cancelled edit, Save adds a task again.
        addTask->show();
        addTask->BitBtn1->click();
        EXPECT_EQ(settings->TaskCount(), 4);
        settings->chklstAuto->setCurrentRow(3);
        settings->btDelete->click();
        ASSERT_EQ(Tasks(), tasks);
    }

    // Saved as it came, a task keeps its line as typed, and the file its bytes.
    settings->SetTaskState(1, QString());
    const QStringList before = Tasks();
    for (int row = 0; row < 3; ++row) {
        DoubleClick(row);
        ASSERT_TRUE(addTask->isVisible()) << row;
        addTask->BitBtn1->click();
        ASSERT_FALSE(addTask->isVisible()) << row;
    }
    EXPECT_EQ(Tasks(), before);
    EXPECT_EQ(ReadAll(ini), file);
    EXPECT_TRUE(messages.Errors.isEmpty()) << messages.Errors.join('\n').toStdString();
}

TEST_F(EditTaskTest, ATaskARunHoldsCannotBeEditedAndSaysWhy)
{
    AddThree();
    // As the frame starts a run of the ticked tasks (rows 0 and 1), the first running.
    settings->chklstAuto->item(0)->setCheckState(Qt::Checked);
    for (int row = 0; row < 3; ++row)
        settings->SetTaskState(row, QString());
    settings->SetTaskState(0, QStringLiteral("queued"));
    settings->SetTaskState(1, QStringLiteral("queued"));
    settings->SetTasksRunning(true);
    settings->SetTaskState(0, QStringLiteral("running"));
    const QStringList tasks = Tasks();
    const QByteArray file = ReadAll(ini);

    const struct {
        int row;
        const char* reason; // null: it can be edited
    } cases[] = {{0, "This task is running"}, {1, "This task is queued to run"}, {2, nullptr}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.row);
        Select(c.row);
        ASSERT_TRUE(settings->chklstAuto->item(c.row)->isSelected());
        const QString reason = settings->EditRefusal(c.row);
        if (!c.reason) {
            EXPECT_TRUE(reason.isEmpty()) << reason.toStdString();
            EXPECT_TRUE(settings->btEdit->isEnabled());
            QTest::mouseClick(settings->btEdit, Qt::LeftButton);
            EXPECT_TRUE(addTask->isVisible()) << "a task outside the run can be edited meanwhile";
            addTask->reject();
            continue;
        }
        EXPECT_TRUE(reason.startsWith(QLatin1String(c.reason))) << reason.toStdString();
        // Greyed, with the reason in its tool tip and in the line's.
        EXPECT_FALSE(settings->btEdit->isEnabled());
        EXPECT_EQ(settings->btEdit->toolTip(), reason);
        EXPECT_TRUE(settings->chklstAuto->item(c.row)->toolTip().endsWith(reason));
        // A double click says why at the line and opens nothing.
        DoubleClick(c.row);
        EXPECT_FALSE(addTask->isVisible());
        EXPECT_EQ(QToolTip::text(), reason);
        QToolTip::hideText();
        // Nor can a dialog opened earlier change it.
        EXPECT_THROW(settings->ReplaceTask(c.row, QStringLiteral("D2Q9 ren 1Gx 9 Gy 9"), 1, 1, 9, 9),
                     std::runtime_error);
        EXPECT_EQ(Tasks(), tasks);
        EXPECT_EQ(ReadAll(ini), file);
    }
    EXPECT_TRUE(messages.Errors.isEmpty()) << messages.Errors.join('\n').toStdString();

    // When the run ends (a stopped run leaves the rest queued), every task can be edited.
    settings->SetTaskState(0, QStringLiteral("converged"));
    settings->SetTasksRunning(false);
    for (int row = 0; row < 3; ++row) {
        EXPECT_TRUE(settings->EditRefusal(row).isEmpty()) << row;
        Select(row);
        EXPECT_TRUE(settings->btEdit->isEnabled()) << row;
    }
    settings->chklstAuto->clearSelection();
    EXPECT_FALSE(settings->btEdit->isEnabled()) << "nothing selected";
}
