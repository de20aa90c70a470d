// SPDX-License-Identifier: GPL-3.0-or-later
// The task dialog refuses, at entry, the tasks the solver could never run,
// and says under the model box what the chosen model is.
#include "Descriptor.h"
#include "LbmTask.h"
#include "SettingsGlobals.h"
#include "TestSupport.h"
#include "TfrmAddTask.h"
#include "TfrmEnviroment.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

namespace {

class AddTaskCheckTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        addTask = std::make_unique<TfrmAddTask>();
        addTask->FormCreate();
        settings = std::make_unique<TfrmEnviroment>(nullptr, dir.filePath(QStringLiteral("corvane.INI")));
        settings->FormCreate();
        frmAddTask = addTask.get();
        frmEnviroment = settings.get();
    }
    void TearDown() override
    {
        frmAddTask = nullptr;
        frmEnviroment = nullptr;
    }

    // Saves an entry; the solver's reason when it is refused, empty when stored.
    QString Save(const QString& model, const QString& re, const QString& gx, const QString& gy)
    {
        messages.Errors.clear();
        addTask->cbModelName->setEditText(model);
        addTask->edRen->setText(re);
        addTask->edGridX->setText(gx);
        addTask->edGridY->setText(gy);
        addTask->show();
        addTask->BitBtn1->click();
        return messages.Errors.join('\n');
    }

    QTemporaryDir dir;
    MessageRecorder messages;
    std::unique_ptr<TfrmAddTask> addTask;
    std::unique_ptr<TfrmEnviroment> settings;
};

} // namespace

TEST_F(AddTaskCheckTest, ATaskTheSolverCouldNeverRunIsRefusedWithTheSolversReason)
{
    const struct {
        const char* name;
        const char *model, *re, *gx, *gy;
        bool refused; // by today's check; any further rule of the solver's shows the same way
    } cases[] = {
        {"a grid too small", "D2Q9", "100", "2", "2", true},
        {"one side too small", "D2Q9(New)", "100", "65", "2", true},
        {"more memory than the machine has", "D2Q9", "100", "100000", "100000", true},
        {"a side too long to count", "D2Q9", "100", "2000000000", "3", true},
        {"a Reynolds number too small", "D2Q9", "1e-300", "65", "65", true},
        {"a Reynolds number that cannot be reached", "D2Q9", "1e308", "65", "65", false},
        {"a task that runs", "D2Q9", "400", "65", "65", false},
        {"the hexagonal lattice", "D2Q7", "400", "65", "65", false},
        {"thirteen velocities, on a grid too small", "D2Q13(New)", "400", "2", "65", true},
        // A model typed in that the solver does not know.
        {"no model at all", "D3Q27", "400", "65", "65", true},
    };
    const lbm::Settings solver;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const int before = settings->TaskCount();
        const QString reason =
            Save(QLatin1String(c.model), QLatin1String(c.re), QLatin1String(c.gx), QLatin1String(c.gy));
        // The same words as the solver's own check of the same task.
        lbm::Task task;
        task.model = c.model;
        task.reynolds = QString::fromLatin1(c.re).toDouble();
        task.gx = QString::fromLatin1(c.gx).toInt();
        task.gy = QString::fromLatin1(c.gy).toInt();
        const QString expected = QString::fromStdString(lbm::CheckTask(task, solver));
        EXPECT_EQ(reason, expected);
        if (c.refused) {
            EXPECT_FALSE(expected.isEmpty()) << "the solver refuses it";
        }
        EXPECT_EQ(addTask->isVisible(), !expected.isEmpty()) << "a refused entry keeps the dialog open";
        EXPECT_EQ(settings->TaskCount(), before + (expected.isEmpty() ? 1 : 0));
        if (!expected.isEmpty()) {
            EXPECT_EQ(addTask->edGridX->text(), QLatin1String(c.gx)) << "with the entry as typed";
        }
    }
}

TEST_F(AddTaskCheckTest, TheCheckUsesTheSettingsTheTasksRunWith)
{
    // A lid speed the solver refuses makes every entry fail, with its reason.
    lbm::Settings fast;
    fast.lidSpeed = 0.5;
    addTask->SetRunSettings([fast] { return fast; });
    const QString reason =
        Save(QStringLiteral("D2Q9"), QStringLiteral("400"), QStringLiteral("65"), QStringLiteral("65"));
    EXPECT_TRUE(reason.startsWith(QLatin1String("The lid speed"))) << reason.toStdString();
    EXPECT_EQ(settings->TaskCount(), 0);
    addTask->SetRunSettings(nullptr);
    EXPECT_TRUE(
        Save(QStringLiteral("D2Q9"), QStringLiteral("400"), QStringLiteral("65"), QStringLiteral("65"))
            .isEmpty());
    EXPECT_EQ(settings->TaskCount(), 1);
}

TEST_F(AddTaskCheckTest, TheNoteUnderTheModelBoxFollowsTheModelAndAModelThatCannotRunIsRefused)
{
    addTask->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(addTask.get()));
    const struct {
        const char* typed;
        const char* model; // whose note is shown; null: none
        bool runs;
    } cases[] = {
        {"D2Q7", "D2Q7", true},
        {"D2Q9", "D2Q9", true},
        {"D2Q9(New)", "D2Q9(New)", true},
        {"D2Q11(New)", "D2Q11(New)", false},
        {"D2Q7(New)", "D2Q7(New)", true},
        {"D2Q13(New)", "D2Q13(New)", true},
        {"d2q11(new)", "D2Q11(New)", false}, // typed: the list's model it names
        {"D3Q27", nullptr, true},            // no model: Save says why
        {"", nullptr, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed);
        const int listed = addTask->cbModelName->findText(QLatin1String(c.typed), Qt::MatchCaseSensitive);
        if (listed >= 0)
            addTask->cbModelName->setCurrentIndex(listed);
        else
            addTask->cbModelName->setEditText(QLatin1String(c.typed));
        const QString note = addTask->lbModelNote->text();
        if (!c.model) {
            EXPECT_TRUE(note.isEmpty()) << note.toStdString();
        } else {
            EXPECT_TRUE(note.startsWith(QString::fromStdString(lbm::ModelNote(c.model))))
                << note.toStdString();
        }
        // Shown whole, under the model box.
        EXPECT_TRUE(addTask->lbModelNote->isVisible());
        EXPECT_GE(addTask->lbModelNote->height(),
                  addTask->lbModelNote->heightForWidth(addTask->lbModelNote->width()));
        EXPECT_GE(addTask->lbModelNote->y(), addTask->cbModelName->geometry().bottom());
        EXPECT_LE(addTask->lbModelNote->geometry().bottom(), addTask->edRen->y());
        EXPECT_EQ(addTask->BitBtn1->isEnabled(), c.runs);
        EXPECT_EQ(addTask->BitBtn1->toolTip(), c.runs ? QString() : note);
    }

    // The model that cannot run is refused however Save is reached, with the
    // same reason, and nothing is stored.
    addTask->cbModelName->setCurrentIndex(3);
    QTest::keyClick(addTask.get(), Qt::Key_Return);
    EXPECT_TRUE(addTask->isVisible());
    corvane::RunHandler([this] { addTask->BitBtn1Click(); });
    ASSERT_EQ(messages.Errors.size(), 1);
    EXPECT_NE(messages.Errors[0].indexOf(QLatin1String("no eleven-velocity lattice")), -1)
        << messages.Errors[0].toStdString();
    EXPECT_EQ(settings->TaskCount(), 0);
    EXPECT_TRUE(addTask->isVisible());

    // For the hexagonal lattices the note says how the grid maps onto it,
    // with the rows for the Gy entered.
    for (const char* hexagonal : {"D2Q7", "D2Q7(New)"}) {
        SCOPED_TRACE(hexagonal);
        addTask->cbModelName->setCurrentIndex(addTask->cbModelName->findText(QLatin1String(hexagonal)));
        for (const char* gy : {"65", "129", "3"}) {
            addTask->edGridY->setText(QLatin1String(gy));
            const QString rows = QStringLiteral("(%1 rows for Gy %2)")
                                     .arg(lbm::D2Q7().Rows(QString::fromLatin1(gy).toInt()))
                                     .arg(QLatin1String(gy));
            EXPECT_NE(addTask->lbModelNote->text().indexOf(rows), -1)
                << addTask->lbModelNote->text().toStdString();
        }
        addTask->edGridY->setText(QStringLiteral("lots"));
        EXPECT_EQ(addTask->lbModelNote->text().indexOf(QLatin1String("rows for")), -1);
        EXPECT_NE(addTask->lbModelNote->text().indexOf(QStringLiteral("Gx \u00d7 Gy grid")), -1);
    }
    addTask->edGridY->setText(QStringLiteral("65"));
    addTask->cbModelName->setCurrentIndex(1);
    EXPECT_EQ(addTask->lbModelNote->text().indexOf(QLatin1String("rows")), -1)
        << "square lattices: nodes are the grid";
}
