// SPDX-License-Identifier: GPL-3.0-or-later
// The task list of the settings dialog: tasks stored through the task
// dialog, deleted, ticked and kept in the settings file.
#include "SettingsFixture.h"
#include "SettingsGlobals.h"
#include "TfrmAddTask.h"

#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>

#include <vector>

namespace {

// Both dialogs as the program creates them, reaching each other through their globals.
class TaskTest : public SettingsTest {
protected:
    void SetUp() override
    {
        addTask = std::make_unique<TfrmAddTask>();
        addTask->FormCreate();
        settings = Open();
        frmAddTask = addTask.get();
        frmEnviroment = settings.get();
    }
    void TearDown() override
    {
        frmAddTask = nullptr;
        frmEnviroment = nullptr;
    }

    void Save(int model, const char* re, const char* gx, const char* gy)
    {
        addTask->cbModelName->setCurrentIndex(model);
        addTask->edRen->setText(QString::fromLatin1(re));
        addTask->edGridX->setText(QString::fromLatin1(gx));
        addTask->edGridY->setText(QString::fromLatin1(gy));
        addTask->show();
        addTask->BitBtn1->click();
    }

    QStringList Lines() const
    {
        QStringList lines;
        for (int i = 0; i < settings->chklstAuto->count(); ++i)
            lines << settings->chklstAuto->item(i)->text();
        return lines;
    }

    std::unique_ptr<TfrmAddTask> addTask;
    std::unique_ptr<TfrmEnviroment> settings;
};

} // namespace

TEST_F(TaskTest, SavingStoresTheLineAndTheRecord)
{
    EXPECT_EQ(addTask->cbModelName->currentText(), QStringLiteral("D2Q7"));
    EXPECT_EQ(addTask->cbModelName->count(), 8);
    EXPECT_EQ(addTask->cbModelName->itemText(6), QStringLiteral("D3Q19")) << "new models come last";
    EXPECT_EQ(addTask->cbModelName->itemText(7), QStringLiteral("D3Q19(New)"));
    addTask->show();
    addTask->BitBtn1->click();
    EXPECT_FALSE(addTask->isVisible());
    EXPECT_EQ(Lines(), QStringList{"D2Q7 ren 400Gx 65 Gy 65"});
    EXPECT_EQ(settings->chklstAuto->item(0)->checkState(), Qt::Unchecked);
    ASSERT_EQ(settings->TaskIndex(), 0);
    EXPECT_EQ(settings->TaskModel(0), 0);
    EXPECT_EQ(settings->TaskRe(0), 400.0);
    EXPECT_EQ(settings->TaskGridX(0), 65);
    EXPECT_EQ(settings->TaskGridY(0), 65);

    Save(5, "1e3", "129", "257");
    EXPECT_EQ(Lines().last(), QStringLiteral("D2Q13(New) ren 1e3Gx 129 Gy 257"));
    ASSERT_EQ(settings->TaskIndex(), 1);
    EXPECT_EQ(settings->TaskModel(1), 5);
    EXPECT_EQ(settings->TaskRe(1), 1000.0);
    EXPECT_EQ(settings->TaskGridX(1), 129);
    EXPECT_EQ(settings->TaskGridY(1), 257);
    EXPECT_EQ(addTask->edRen->text(), QStringLiteral("1e3")) << "the fields keep their last values";
    EXPECT_TRUE(messages.Errors.isEmpty());

    // A typed model name selects the list's model it names, in any case; one
    // that names no model is refused with the solver's reason.
    addTask->cbModelName->setEditText(QStringLiteral("d2q9"));
    addTask->BitBtn1->click();
    ASSERT_EQ(settings->TaskCount(), 3);
    EXPECT_EQ(settings->TaskModel(2), 1);
    EXPECT_EQ(Lines().last(), QStringLiteral("d2q9 ren 1e3Gx 129 Gy 257"));
    addTask->cbModelName->setEditText(QStringLiteral("D3Q27"));
    addTask->show();
    addTask->BitBtn1->click();
    EXPECT_EQ(settings->TaskCount(), 3);
    ASSERT_EQ(messages.Errors.size(), 1);
    EXPECT_TRUE(messages.Errors[0].startsWith(QStringLiteral("The model \"D3Q27\" is not a lattice model")))
        << messages.Errors[0].toStdString();
    messages.Errors.clear();
}

TEST_F(TaskTest, FieldsThatAreNotPositiveNumbersStoreNothing)
{
    struct Case {
        const char *re, *gx, *gy, *field;
    };
    const Case cases[] = {{"abc", "65", "65", "Reynolds number"}, {"400", "65.5", "65", "grid size in x"},
                          {"400", "65", "0", "grid size in y"},   {"-3", "65", "65", "Reynolds number"},
                          {"inf", "65", "65", "Reynolds number"}, {"", "65", "65", "Reynolds number"},
                          {"400", "", "65", "grid size in x"}};
    for (const Case& c : cases) {
        messages.Errors.clear();
        Save(0, c.re, c.gx, c.gy);
        ASSERT_EQ(messages.Errors.size(), 1) << c.re << " " << c.gx << " " << c.gy;
        EXPECT_TRUE(messages.Errors.first().contains(QLatin1String(c.field)))
            << messages.Errors.first().toStdString();
        EXPECT_TRUE(addTask->isVisible()) << "the dialog stays open with the entry";
        EXPECT_TRUE(Lines().isEmpty());
        EXPECT_EQ(settings->TaskCount(), 0);
        EXPECT_EQ(settings->TaskIndex(), -1);
    }
    messages.Errors.clear();
}

TEST_F(TaskTest, EachDeleteTakesTheHighlightedLineOnlyAndLeavesNothingHighlighted)
{
    // Grids 11 to 15 tell the tasks apart (as 1 to 5 below); delete the
    // highlighted row, then click twice more.
    struct Case {
        int row;
        std::vector<int> left;
    };
    const Case cases[] = {{0, {2, 3, 4, 5}}, {2, {1, 2, 4, 5}}, {4, {1, 2, 3, 4}}};
    for (const Case& c : cases) {
        QFile::remove(ini); // the list is kept in the file: each case starts without one
        settings = Open();
        frmEnviroment = settings.get();
        settings->show();
        settings->PageControl1->setCurrentIndex(1);
        for (int i = 1; i <= 5; ++i)
            Save(0, "400", QByteArray::number(10 + i).constData(), "65");
        // As a user does it: click the line, then the button.
        QListWidgetItem* line = settings->chklstAuto->item(c.row);
        QTest::mouseClick(settings->chklstAuto->viewport(), Qt::LeftButton, {},
                          settings->chklstAuto->visualItemRect(line).center());
        ASSERT_TRUE(line->isSelected()) << "row " << c.row;
        for (int click = 1; click <= 3; ++click)
            QTest::mouseClick(settings->btDelete, Qt::LeftButton);
        std::vector<int> left;
        for (int i = 0; i < settings->TaskCount(); ++i)
            left.push_back(settings->TaskGridX(i) - 10);
        EXPECT_EQ(left, c.left) << "row " << c.row;
        EXPECT_EQ(settings->chklstAuto->count(), 4);
        EXPECT_TRUE(settings->chklstAuto->selectedItems().isEmpty()) << "row " << c.row;
        EXPECT_EQ(settings->chklstAuto->currentRow(), -1) << "row " << c.row;
        EXPECT_EQ(settings->TaskIndex(), 3);
    }
}

TEST_F(TaskTest, DeletingALineDeletesItsRecordAndTheListHasNoCap)
{
    const int runnable[] = {0, 1, 2, 4, 5}; // every listed model but D2Q11(New)
    for (int i = 1; i <= 50; ++i)
        Save(runnable[i % 5], "100", QByteArray::number(10 + i).constData(), "65");
    ASSERT_EQ(settings->TaskCount(), 50);
    EXPECT_EQ(settings->TaskIndex(), 49);
    EXPECT_EQ(settings->TaskGridX(49), 60);

    settings->btDelete->click();
    EXPECT_EQ(settings->TaskCount(), 50) << "no highlighted line: nothing happens";

    settings->chklstAuto->setCurrentRow(1);
    settings->btDelete->click();
    ASSERT_EQ(settings->chklstAuto->count(), 49);
    ASSERT_EQ(settings->TaskCount(), 49);
    EXPECT_EQ(settings->TaskGridX(0), 11);
    EXPECT_EQ(settings->TaskGridX(1), 13) << "the record went with its line";
    EXPECT_EQ(settings->chklstAuto->item(1)->text(), QStringLiteral("D2Q7(New) ren 100Gx 13 Gy 65"));
    EXPECT_EQ(settings->TaskIndex(), 48);
}

TEST_F(TaskTest, TasksAndTicksSurviveARestartAndTheFilesOtherBytesStay)
{
    // A file of the user's own, with comments, CR LF line ends and other sections.
    const QByteArray before =
        Bytes("; my settings\r\n[Copy]\r\nCopyToStyle = Bmpfile\r\n\r\n[Show Window]\r\n"
              "Workspace=0\r\n# keep me\r\n[Recent Files]\r\nFile1=/tmp/a.cvs\r\n");
    WriteAll(ini, before);
    settings = Open();
    frmEnviroment = settings.get();
    Save(1, "400", "129", "129");
    Save(2, "1000", "65", "33");
    Save(0, "100", "17", "17");
    settings->chklstAuto->item(0)->setCheckState(Qt::Checked);
    settings->chklstAuto->item(2)->setCheckState(Qt::Checked);
    // Each change reached the file at once, after all the bytes that were there.
    const QByteArray saved = ReadAll(ini);
    ASSERT_TRUE(saved.startsWith(before)) << Shown(saved);
    EXPECT_TRUE(saved.contains("Ticked1=1\r\n")) << Shown(saved);

    // Deleting the middle line moves the last one up and drops its old keys.
    settings->chklstAuto->setCurrentRow(1);
    settings->btDelete->click();
    const QByteArray afterDelete = ReadAll(ini);
    EXPECT_TRUE(afterDelete.startsWith(before));
    EXPECT_FALSE(afterDelete.contains("Line3")) << Shown(afterDelete);

    // The next run of the program.
    auto restarted = Open();
    ASSERT_EQ(restarted->TaskCount(), 2);
    EXPECT_EQ(restarted->TaskLine(0), QStringLiteral("D2Q9 ren 400Gx 129 Gy 129"));
    EXPECT_EQ(restarted->TaskLine(1), QStringLiteral("D2Q7 ren 100Gx 17 Gy 17"));
    EXPECT_TRUE(restarted->TaskTicked(0));
    EXPECT_TRUE(restarted->TaskTicked(1));
    EXPECT_EQ(restarted->TaskModel(0), 1);
    EXPECT_EQ(restarted->TaskModelName(0), QStringLiteral("D2Q9"));
    EXPECT_EQ(restarted->TaskRe(0), 400.0);
    EXPECT_EQ(restarted->TaskGridX(1), 17);
    EXPECT_EQ(restarted->TaskIndex(), 1);
    EXPECT_TRUE(restarted->rbBmp->isChecked()) << "the other settings read as before";

    // Unticking is kept too; the state shown after a line is not.
    restarted->chklstAuto->item(0)->setCheckState(Qt::Unchecked);
    restarted->SetTaskState(1, QStringLiteral("converged"));
    EXPECT_EQ(restarted->chklstAuto->item(1)->text(), QStringLiteral("D2Q7 ren 100Gx 17 Gy 17  [converged]"));
    auto third = Open();
    EXPECT_FALSE(third->TaskTicked(0));
    EXPECT_EQ(third->TaskLine(1), QStringLiteral("D2Q7 ren 100Gx 17 Gy 17"));
    EXPECT_TRUE(messages.Errors.isEmpty()) << messages.Errors.join('\n').toStdString();
}

TEST_F(TaskTest, UpAndDownMoveTheHighlightedLineAndAreHeldWhileTasksRun)
{
    settings->show();
    settings->PageControl1->setCurrentIndex(1);
    for (const char* gx : {"11", "12", "13"})
        Save(0, "400", gx, "65");
    settings->chklstAuto->item(2)->setCheckState(Qt::Checked);
    auto grids = [](const TfrmEnviroment& dialog) {
        std::vector<int> left;
        for (int i = 0; i < dialog.TaskCount(); ++i)
            left.push_back(dialog.TaskGridX(i));
        return left;
    };
    EXPECT_FALSE(settings->btUp->isEnabled()) << "nothing highlighted";
    EXPECT_FALSE(settings->btDown->isEnabled());

    // As a user does it: click the last line, then Up, Up, Down.
    QListWidgetItem* last = settings->chklstAuto->item(2);
    QTest::mouseClick(settings->chklstAuto->viewport(), Qt::LeftButton, {},
                      settings->chklstAuto->visualItemRect(last).center());
    ASSERT_TRUE(settings->btUp->isEnabled());
    EXPECT_FALSE(settings->btDown->isEnabled()) << "the last line cannot go down";
    QTest::mouseClick(settings->btUp, Qt::LeftButton);
    EXPECT_EQ(grids(*settings), (std::vector<int>{11, 13, 12}));
    EXPECT_EQ(settings->chklstAuto->currentRow(), 1) << "the moved line stays highlighted";
    QTest::mouseClick(settings->btUp, Qt::LeftButton);
    EXPECT_EQ(grids(*settings), (std::vector<int>{13, 11, 12}));
    EXPECT_FALSE(settings->btUp->isEnabled()) << "the first line cannot go up";
    QTest::mouseClick(settings->btDown, Qt::LeftButton);
    EXPECT_EQ(grids(*settings), (std::vector<int>{11, 13, 12}));
    EXPECT_EQ(Lines(),
              (QStringList{"D2Q7 ren 400Gx 11 Gy 65", "D2Q7 ren 400Gx 13 Gy 65", "D2Q7 ren 400Gx 12 Gy 65"}));
    EXPECT_EQ(settings->chklstAuto->item(1)->checkState(), Qt::Checked) << "the tick moved with its line";
    EXPECT_TRUE(settings->TaskTicked(1));

    // While tasks run the lines keep their places, and the buttons say why.
    settings->SetTasksRunning(true);
    for (QWidget* button : {static_cast<QWidget*>(settings->btUp), static_cast<QWidget*>(settings->btDown),
                            static_cast<QWidget*>(settings->btDelete)})
        EXPECT_FALSE(button->isEnabled()) << button->objectName().toStdString();
    EXPECT_TRUE(settings->btUp->toolTip().contains(QLatin1String("Run > Stop")))
        << settings->btUp->toolTip().toStdString();
    settings->btUpClick();
    settings->btDownClick();
    EXPECT_EQ(grids(*settings), (std::vector<int>{11, 13, 12}));
    settings->SetTasksRunning(false);
    EXPECT_TRUE(settings->btUp->isEnabled());
    EXPECT_TRUE(settings->btDown->isEnabled());

    // The next run of the program reads the new order and the tick.
    auto restarted = Open();
    EXPECT_EQ(grids(*restarted), (std::vector<int>{11, 13, 12}));
    EXPECT_TRUE(restarted->TaskTicked(1));
    EXPECT_FALSE(restarted->TaskTicked(2));
    EXPECT_TRUE(messages.Errors.isEmpty()) << messages.Errors.join('\n').toStdString();
}
