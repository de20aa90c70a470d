// SPDX-License-Identifier: GPL-3.0-or-later
// The task dialog refuses, at entry, the tasks the solver could never run.
#include "LbmTask.h"
#include "SettingsGlobals.h"
#include "TestSupport.h"
#include "TfrmAddTask.h"
#include "TfrmEnviroment.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>

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
        // The model alone is left for the run: its grid is still checked.
        {"a model that does not run yet", "D2Q7", "400", "65", "65", false},
        {"a model that does not run yet, on a grid too small", "D2Q13(New)", "400", "2", "65", true},
    };
    const lbm::Settings solver;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const int before = settings->TaskCount();
        const QString reason =
            Save(QLatin1String(c.model), QLatin1String(c.re), QLatin1String(c.gx), QLatin1String(c.gy));
        // The same words as the solver's own check of the same task.
        lbm::Task task;
        task.model = c.model == std::string("D2Q9(New)") ? c.model : lbm::kModelBgk;
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
