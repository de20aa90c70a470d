#include "IniFile.h"
#include "SettingsGlobals.h"
#include "TestSupport.h"
#include "TfrmAddTask.h"
#include "TfrmEnviroment.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLineEdit>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

namespace {

QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void WriteAll(const QString& path, const QByteArray& text)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text);
}

class SettingsTest : public ::testing::Test {
protected:
    // The settings dialog as the program creates it at start-up, on a file in a temporary folder.
    std::unique_ptr<TfrmEnviroment> Open()
    {
        auto dialog = std::make_unique<TfrmEnviroment>(nullptr, ini);
        dialog->FormCreate();
        return dialog;
    }

    QTemporaryDir dir;
    QString ini = dir.filePath(QStringLiteral("corvane.INI"));
    MessageRecorder messages;
};

} // namespace

TEST(IniFile, ThePathIsTheExecutablesWithTheExtensionINI)
{
    EXPECT_EQ(TIniFile::PathFor(QStringLiteral("/opt/corvane/bin/corvane")),
              QStringLiteral("/opt/corvane/bin/corvane.INI"));
    EXPECT_EQ(TIniFile::PathFor(QStringLiteral("/opt/app.v2/Veltrane.exe")),
              QStringLiteral("/opt/app.v2/Veltrane.INI"));
}

TEST_F(SettingsTest, TheFileIsReadByItsRulesWithDefaultsForAnythingElse)
{
    struct Case {
        const char* text; // null: no file
        bool bitmap, workspace, output;
    };
    const Case cases[] = {
        {nullptr, false, true, true},
        {"[Copy]\nCopyToStyle=Bmpfile\n", true, true, true},
        {"[Copy]\nCopyToStyle=bmpfile\n", false, true, true},
        {"[copy]\ncopytostyle=Bmpfile\n", true, true, true},
        {"[SHOW WINDOW]\nWORKSPACE=0x0\noutput=0\n", false, false, false},
        {"[Show Window]\nWorkspace=yes\nOutput=0x10\n", false, true, true},
        {"[Show Window]\nWorkspace=-1\nOutput=\n", false, true, true},
        {"[Show Window]\nWorkspace = 0 \n", false, false, true},
    };
    for (const Case& c : cases) {
        QFile::remove(ini);
        if (c.text)
            WriteAll(ini, c.text);
        const auto dialog = Open();
        const std::string what = c.text ? c.text : "(no file)";
        EXPECT_EQ(dialog->rbBmp->isChecked(), c.bitmap) << what;
        EXPECT_EQ(dialog->rbMeta->isChecked(), !c.bitmap) << what;
        EXPECT_EQ(dialog->chkWorkspace->isChecked(), c.workspace) << what;
        EXPECT_EQ(dialog->chkOutput->isChecked(), c.output) << what;
        EXPECT_EQ(dialog->TaskIndex(), -1);
    }
}

TEST_F(SettingsTest, OKWritesTheThreeKeysAndKeepsEverythingElse)
{
    auto dialog = Open();
    dialog->btOk->click();
    EXPECT_EQ(messages.Information, QStringList{" These settings are saved!"});
    const QString text = QString::fromUtf8(ReadAll(ini));
    EXPECT_TRUE(text.contains(QStringLiteral("[Copy]")));
    EXPECT_TRUE(text.contains(QStringLiteral("CopyToStyle = Metafile")) ||
                text.contains(QStringLiteral("CopyToStyle=Metafile")))
        << text.toStdString();
    EXPECT_TRUE(text.contains(QRegularExpression(QStringLiteral("Workspace ?= ?1"))));
    EXPECT_TRUE(text.contains(QRegularExpression(QStringLiteral("Output ?= ?1"))));

    WriteAll(ini, "; kept\n[Mine]\nkey=value\n[copy]\ncopytostyle=Bmpfile\n");
    dialog = Open();
    dialog->chkWorkspace->setChecked(false);
    dialog->btOk->click();
    const QString saved = QString::fromUtf8(ReadAll(ini));
    EXPECT_TRUE(saved.contains(QStringLiteral("[Mine]"))) << saved.toStdString();
    EXPECT_TRUE(saved.contains(QRegularExpression(QStringLiteral("key ?= ?value"))));
    EXPECT_TRUE(saved.contains(QStringLiteral("; kept")));
    EXPECT_TRUE(saved.contains(QRegularExpression(QStringLiteral("copytostyle ?= ?Bmpfile"))));
    EXPECT_TRUE(saved.contains(QRegularExpression(QStringLiteral("Workspace ?= ?0"))));
    // A restart reads what was saved.
    dialog = Open();
    EXPECT_TRUE(dialog->rbBmp->isChecked());
    EXPECT_FALSE(dialog->chkWorkspace->isChecked());
}

TEST_F(SettingsTest, CancelWritesNothingButTheDialogKeepsTheChangeThisRun)
{
    auto dialog = Open();
    dialog->show();
    dialog->chkOutput->setChecked(false);
    dialog->btCancel->click();
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_FALSE(QFile::exists(ini));
    dialog->show();
    EXPECT_FALSE(dialog->chkOutput->isChecked()) << "shown again in the same run";
    dialog->btSave->click();
    EXPECT_FALSE(QFile::exists(ini));
    EXPECT_TRUE(Open()->chkOutput->isChecked()) << "after a restart";
    EXPECT_TRUE(messages.Information.isEmpty());
}

TEST_F(SettingsTest, AFolderThatCannotBeWrittenLeavesTheOldFileAndShowsTheError)
{
    const QByteArray old = "[Copy]\r\nCopyToStyle=Bmpfile\r\n[Other]\r\nx=1\r\n";
    WriteAll(ini, old);
    auto dialog = Open();
    dialog->rbMeta->setChecked(true);

    // Make the folder read-only; root needs the immutable attribute for that.
    QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    bool immutable = false;
    auto writable = [&] {
        QFile probe(dir.filePath(QStringLiteral("probe")));
        const bool ok = probe.open(QIODevice::WriteOnly);
        if (ok)
            probe.remove();
        return ok;
    };
    if (writable()) {
        immutable = QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("+i"), dir.path()}) == 0;
        if (!immutable || writable()) {
            QFile::setPermissions(dir.path(),
                                  QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
            GTEST_SKIP() << "no way to make a folder read-only here";
        }
    }
    dialog->show();
    dialog->btOk->click();
    if (immutable)
        QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("-i"), dir.path()});
    QFile::setPermissions(dir.path(),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);

    EXPECT_EQ(ReadAll(ini), old) << "the old file, byte for byte";
    ASSERT_EQ(messages.Errors.size(), 1);
    EXPECT_TRUE(messages.Errors.first().contains(ini)) << messages.Errors.first().toStdString();
    EXPECT_TRUE(messages.Information.isEmpty()) << "no confirmation";
    EXPECT_FALSE(dialog->isVisible()) << "OK closes the dialog all the same";
    QDir(dir.path()).entryList(QDir::Files);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"corvane.INI"})
        << "no temporary file left";
}

TEST_F(SettingsTest, AutoShutdownChoicesFollowTheCheckBox)
{
    auto dialog = Open();
    EXPECT_FALSE(dialog->gpAuto->isEnabled());
    EXPECT_FALSE(dialog->RadioShutdown->isEnabled());
    dialog->chkAuto->click();
    for (QWidget* w :
         {static_cast<QWidget*>(dialog->gpAuto), static_cast<QWidget*>(dialog->RadioLogoff),
          static_cast<QWidget*>(dialog->RadioShutdown), static_cast<QWidget*>(dialog->RadioRestart)})
        EXPECT_TRUE(w->isEnabled());
    dialog->chkAuto->click();
    EXPECT_FALSE(dialog->gpAuto->isEnabled());
    EXPECT_FALSE(dialog->RadioRestart->isEnabled());
    EXPECT_TRUE(dialog->RadioLogoff->isChecked());
}

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
    EXPECT_EQ(addTask->cbModelName->count(), 6);
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

    // A typed model name that is none of the list's stores -1.
    addTask->cbModelName->setEditText(QStringLiteral("D3Q19"));
    addTask->BitBtn1->click();
    EXPECT_EQ(settings->TaskModel(2), -1);
    EXPECT_EQ(Lines().last(), QStringLiteral("D3Q19 ren 1e3Gx 129 Gy 257"));
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

TEST_F(TaskTest, DeletingALineDeletesItsRecordAndTheListHasNoCap)
{
    for (int i = 1; i <= 50; ++i)
        Save(i % 6, "400", QByteArray::number(i).constData(), "65");
    ASSERT_EQ(settings->TaskCount(), 50);
    EXPECT_EQ(settings->TaskIndex(), 49);
    EXPECT_EQ(settings->TaskGridX(49), 50);

    settings->btDelete->click();
    EXPECT_EQ(settings->TaskCount(), 50) << "no highlighted line: nothing happens";

    settings->chklstAuto->setCurrentRow(1);
    settings->btDelete->click();
    ASSERT_EQ(settings->chklstAuto->count(), 49);
    ASSERT_EQ(settings->TaskCount(), 49);
    EXPECT_EQ(settings->TaskGridX(0), 1);
    EXPECT_EQ(settings->TaskGridX(1), 3) << "the record went with its line";
    EXPECT_EQ(settings->chklstAuto->item(1)->text(), QStringLiteral("D2Q11(New) ren 400Gx 3 Gy 65"));
    EXPECT_EQ(settings->TaskIndex(), 48);
}
