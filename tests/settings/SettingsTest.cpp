// SPDX-License-Identifier: GPL-3.0-or-later
#include "FullDisk.h"
#include "IniFile.h"
#include "SettingsFixture.h"
#include "SettingsGlobals.h"
#include "TestSupport.h"
#include "TfrmAddTask.h"
#include "TfrmEnviroment.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>
#include <iostream>
#include <iterator>
#include <memory>

#include <sys/stat.h>

TEST(IniFile, ThePathIsTheExecutablesWithTheExtensionINI)
{
    EXPECT_EQ(TIniFile::PathFor(QStringLiteral("/opt/corvane/bin/corvane")),
              QStringLiteral("/opt/corvane/bin/corvane.INI"));
    EXPECT_EQ(TIniFile::PathFor(QStringLiteral("/opt/app.v2/Veltrane.exe")),
              QStringLiteral("/opt/app.v2/Veltrane.INI"));
}

TEST(IniFile, ReadingFindsTheFirstOfEachKeyInEveryPartOfASection)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("x.INI"));
    WriteAll(
        path,
        Bytes("\xEF\xBB\xBFloose=1\r\n[Recent]\r\nFile1=a\r\nfile1=b\r\nnot a key\r\n=nameless\r\n"
              "[Other]\r\nz=1\r\n[RECENT]\r\nFile2=\"c d\"\r\n[\xC3\x89t\xC3\xA9]\r\nCl\xC3\xA9=\xE9\r\n"));
    TIniFile file(path);
    file.Load();
    EXPECT_EQ(file.Sections(), (QStringList{"Recent", "Other", QStringLiteral("Été")}));
    EXPECT_EQ(file.Keys(QStringLiteral("recent")), (QStringList{"File1", "File2"}));
    EXPECT_EQ(file.Keys(QString()), QStringList{"loose"}) << "the lines before the first header";
    EXPECT_TRUE(file.Keys(QStringLiteral("none")).isEmpty());
    struct Case {
        const char *section, *key, *value; // value null: absent
    };
    const Case cases[] = {
        {"Recent", "File1", "a"},
        {"recent", "FILE1", "a"},
        {"Recent", "File2", "c d"},
        {"Other", "File1", nullptr},
        {"", "loose", "1"},
        {"Recent", "loose", nullptr},
        {"ÉTÉ", "clÉ", "\xEF\xBF\xBD"},
        {"Recent", "not a key", nullptr},
        {"Recent", "z", nullptr},
    };
    for (const Case& c : cases) {
        const QString section = QString::fromUtf8(c.section), key = QString::fromUtf8(c.key);
        EXPECT_EQ(file.Contains(section, key), c.value != nullptr) << c.section << "/" << c.key;
        EXPECT_EQ(file.ReadString(section, key, QStringLiteral("default")),
                  c.value ? QString::fromUtf8(c.value) : QStringLiteral("default"))
            << c.section << "/" << c.key;
    }
}

TEST(IniFile, EditsChangeOnlyTheLinesTheyName)
{
    struct Case {
        const char* what;
        QByteArray before;
        std::function<void(TIniFile&)> edit;
        QByteArray after;
    };
    const Case cases[] = {
        {"removing a key removes all its copies in every part of its section",
         Bytes("[Recent]\nFile1=a\nfile1=b\n[Other]\nFile1=c\n[RECENT]\nFile1=d\nFile2=e"),
         [](TIniFile& f) { f.RemoveKey(QStringLiteral("recent"), QStringLiteral("FILE1")); },
         Bytes("[Recent]\n[Other]\nFile1=c\n[RECENT]\nFile2=e")},
        {"removing a section removes every part of it with its lines",
         Bytes("; top\n[Tasks]\nTask1=x\n; about tasks\n[Copy]\nCopyToStyle=Bmpfile\n[tasks]\nTask2=y"),
         [](TIniFile& f) { f.RemoveSection(QStringLiteral("Tasks")); },
         Bytes("; top\n[Copy]\nCopyToStyle=Bmpfile\n")},
        {"a section filled anew keeps its place",
         Bytes("[Recent]\r\nFile1=/a\r\nFile2=/b\r\n[Copy]\r\nCopyToStyle=Bmpfile\r\n"),
         [](TIniFile& f) {
             for (const QString& key : f.Keys(QStringLiteral("Recent")))
                 f.RemoveKey(QStringLiteral("Recent"), key);
             f.WriteString(QStringLiteral("Recent"), QStringLiteral("File1"), QStringLiteral("/c"));
         },
         Bytes("[Recent]\r\nFile1=/c\r\n[Copy]\r\nCopyToStyle=Bmpfile\r\n")},
        {"values that need quotes get them", Bytes("[S]\nquoted=\"x\"\n"),
         [](TIniFile& f) {
             f.WriteString(QStringLiteral("S"), QStringLiteral("a"), QStringLiteral(" padded "));
             f.WriteString(QStringLiteral("S"), QStringLiteral("b"), QStringLiteral("\"in quotes\""));
             f.WriteString(QStringLiteral("S"), QStringLiteral("c"), QStringLiteral("x\"y"));
             f.WriteString(QStringLiteral("S"), QStringLiteral("quoted"), QStringLiteral(" y "));
         },
         Bytes("[S]\nquoted=\" y \"\na=\" padded \"\nb=\"\"in quotes\"\"\nc=x\"y\n")},
        {"a key of no section goes to the top, after a byte-order mark", Bytes("\xEF\xBB\xBF[Copy]\nx=1\n"),
         [](TIniFile& f) { f.WriteString(QString(), QStringLiteral("top"), QStringLiteral("1")); },
         Bytes("\xEF\xBB\xBFtop=1\n[Copy]\nx=1\n")},
        {"a new section takes the file's line end", Bytes("; only a comment\r\n"),
         [](TIniFile& f) { f.WriteString(QStringLiteral("New"), QStringLiteral("k"), QStringLiteral("v")); },
         Bytes("; only a comment\r\n[New]\r\nk=v\r\n")},
        {"removing what is not there changes nothing", Bytes("[A]\nk=v\n"),
         [](TIniFile& f) {
             f.RemoveKey(QStringLiteral("A"), QStringLiteral("other"));
             f.RemoveKey(QStringLiteral("B"), QStringLiteral("k"));
             f.RemoveSection(QStringLiteral("B"));
         },
         Bytes("[A]\nk=v\n")},
    };
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("x.INI"));
    for (const Case& c : cases) {
        WriteAll(path, c.before);
        TIniFile file(path);
        file.Load();
        c.edit(file);
        file.Save();
        const QByteArray saved = ReadAll(path);
        EXPECT_EQ(saved, c.after) << c.what << ":\n" << Shown(saved) << "\nexpected:\n" << Shown(c.after);
    }
}

TEST(IniFile, EveryValueReadsBackAsWritten)
{
    const QString values[] = {QString(),
                              QStringLiteral(" "),
                              QStringLiteral("a b"),
                              QStringLiteral(" lead"),
                              QStringLiteral("trail\t"),
                              QStringLiteral("\"q\""),
                              QStringLiteral("\""),
                              QStringLiteral("\"\""),
                              QStringLiteral("= ; # [x]"),
                              QStringLiteral("ünïcödé"),
                              QString(QStringLiteral("nul") + QChar(0) + QStringLiteral("byte"))};
    const QByteArray layouts[] = {Bytes(""), Bytes("[S]\nk=old\n"), Bytes("[S]\nk=\"old\"\n"),
                                  Bytes("[S]\nk = \" old \" \n")};
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("x.INI"));
    for (const QByteArray& layout : layouts) {
        for (const QString& value : values) {
            WriteAll(path, layout);
            TIniFile file(path);
            file.Load();
            file.WriteString(QStringLiteral("S"), QStringLiteral("k"), value);
            file.Save();
            TIniFile again(path);
            again.Load();
            EXPECT_EQ(again.ReadString(QStringLiteral("S"), QStringLiteral("K"), QStringLiteral("none")),
                      value)
                << Shown(layout) << " <- " << value.toStdString();
            EXPECT_EQ(again.Keys(QStringLiteral("S")), QStringList{"k"}) << Shown(ReadAll(path));
        }
    }
}

TEST(IniFile, NamesAndValuesAnINILineCannotHoldAreRefused)
{
    struct Case {
        const char *section, *key, *value;
    };
    const Case cases[] = {{"a]b", "k", "v"}, {" s", "k", "v"}, {"s\n", "k", "v"},  {"s", "", "v"},
                          {"s", "k=1", "v"}, {"s", " k", "v"}, {"s", "k\t", "v"},  {"s", ";k", "v"},
                          {"s", "#k", "v"},  {"s", "[k", "v"}, {"s", "k", "a\nb"}, {"s", "k", "a\rb"},
                          {"s", "k\r", "v"}};
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("x.INI"));
    const QByteArray original = "[s]\nk=v\n";
    WriteAll(path, original);
    TIniFile file(path);
    file.Load();
    for (const Case& c : cases)
        EXPECT_THROW(file.WriteString(QString::fromUtf8(c.section), QString::fromUtf8(c.key),
                                      QString::fromUtf8(c.value)),
                     std::invalid_argument)
            << c.section << "/" << c.key << "/" << c.value;
    EXPECT_EQ(file.Bytes(), original);

    // Saving what was never read would write over the file with less than it holds.
    TIniFile unread(path);
    unread.WriteString(QStringLiteral("s"), QStringLiteral("k"), QStringLiteral("new"));
    EXPECT_THROW(unread.Save(), std::logic_error);
    EXPECT_EQ(ReadAll(path), original);
}

TEST(IniFile, SavingKeepsTheFilesPermissionsAndALinkStaysALink)
{
    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("real.INI"));
    const QString link = dir.filePath(QStringLiteral("x.INI"));
    WriteAll(target, "[s]\nk=v\n");
    const auto permissions = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup;
    ASSERT_TRUE(QFile::setPermissions(target, permissions));
    ASSERT_TRUE(QFile::link(target, link));
    TIniFile file(link);
    file.Load();
    file.WriteString(QStringLiteral("s"), QStringLiteral("k"), QStringLiteral("w"));
    file.Save();
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_EQ(ReadAll(target), QByteArray("[s]\nk=w\n"));
    EXPECT_EQ(QFile::permissions(target) & QFileDevice::Permissions(0xf0ff), permissions);
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
        // Of a repeated key the first one counts; quotes around a value are not part of it.
        {"[Show Window]\nWorkspace=0\nWorkspace=1\n[Copy]\nCopyToStyle=Bmpfile\nCopyToStyle=Metafile\n", true,
         false, true},
        {"[Show Window]\nOutput=1\n[show window]\noutput=0\n", false, true, true},
        {"[Show Window]\nWorkspace=\"0\"\nOutput= \"0x0\" \n[Copy]\nCopyToStyle=\"Bmpfile\"\n", true, false,
         false},
        {"[Copy]\nCopyToStyle=\" Bmpfile\"\n[Show Window]\nWorkspace=\"\"\nOutput=\"0\n", false, true, true},
        {"[Copy]\nCopyToStyle='Bmpfile'\n", false, true, true},
        // The layout of the file does not change what it says.
        {"\xEF\xBB\xBF[Copy]\r\nCopyToStyle=Bmpfile\r\n[Show Window]\r\nOutput=0\r\n", true, true, false},
        {"[Copy]\rCopyToStyle=Bmpfile\r[Show Window]\rOutput=0", true, true, false},
        {"[Copy\nCopyToStyle=Bmpfile\n[Show Window] ; panels\nOutput=0\n", true, true, false},
        {"; [Show Window]\n; Output=0\nOutput=0\n[Mine]\nWorkspace=0\n# Output=0\n", false, true, true},
        {"[Copy]\nCopyToStyle=Bmpfile ; bitmap\n[Show Window]\nOutput=0 ; hidden\n", false, true, true},
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
    EXPECT_EQ(messages.Information,
              QStringList{" These settings are saved!\nThey are kept in " + ini +
                          ".\nThe panels ticked under Show are shown the next time Corvane starts."});
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

TEST_F(SettingsTest, OKChangesOnlyTheThreeValuesAndKeepsEveryOtherByte)
{
    // The dialog is set to Bitmap File, WorkSpace unticked, Output ticked; OK
    // must turn each file into the expected one and nothing else.
    struct Case {
        const char* what;
        QByteArray before, after;
    };
    const Case cases[] = {
        {"a comment at the end",
         Bytes("[Copy]\nCopyToStyle=Metafile\n[Show Window]\nWorkspace=1\nOutput=0\n; last words\n"),
         Bytes("[Copy]\nCopyToStyle=Bmpfile\n[Show Window]\nWorkspace=0\nOutput=1\n; last words\n")},
        {"comments and blank lines everywhere",
         Bytes("; top\n\n[Copy]\n# hash comment\nCopyToStyle=Metafile\n\n;between\n[Show Window]\n"
               "Workspace=1\n; inside\nOutput=0\n\n"),
         Bytes("; top\n\n[Copy]\n# hash comment\nCopyToStyle=Bmpfile\n\n;between\n[Show Window]\n"
               "Workspace=0\n; inside\nOutput=1\n\n")},
        {"lines without '='",
         Bytes("just words\n[Copy]\nnot a key\nCopyToStyle=Metafile\n[Show Window]\nWorkspace 1\n"
               "Workspace=1\nOutput=0\n"),
         Bytes("just words\n[Copy]\nnot a key\nCopyToStyle=Bmpfile\n[Show Window]\nWorkspace 1\n"
               "Workspace=0\nOutput=1\n")},
        {"repeated keys: the first one changes",
         Bytes("[Show Window]\nWorkspace=1\nworkspace=1\nOutput=0\nOutput=0\n[Copy]\n"
               "CopyToStyle=Metafile\nCopyToStyle=Metafile\n"),
         Bytes("[Show Window]\nWorkspace=0\nworkspace=1\nOutput=1\nOutput=0\n[Copy]\n"
               "CopyToStyle=Bmpfile\nCopyToStyle=Metafile\n")},
        {"a section in two parts",
         Bytes("[Show Window]\nWorkspace=1\n[Copy]\nCopyToStyle=Metafile\n[SHOW WINDOW]\nOutput=0\n"),
         Bytes("[Show Window]\nWorkspace=0\n[Copy]\nCopyToStyle=Bmpfile\n[SHOW WINDOW]\nOutput=1\n")},
        {"CRLF line ends, a missing key gets one too",
         Bytes("[Copy]\r\nCopyToStyle=Metafile\r\n[Show Window]\r\nWorkspace=1\r\n\r\n"),
         Bytes("[Copy]\r\nCopyToStyle=Bmpfile\r\n[Show Window]\r\nWorkspace=0\r\nOutput=1\r\n\r\n")},
        {"CR line ends", Bytes("[Copy]\rCopyToStyle=Metafile\r"),
         Bytes("[Copy]\rCopyToStyle=Bmpfile\r[Show Window]\rWorkspace=0\rOutput=1\r")},
        {"a UTF-8 byte-order mark",
         Bytes("\xEF\xBB\xBF[Copy]\nCopyToStyle=Metafile\n[Show Window]\nWorkspace=1\nOutput=0\n"),
         Bytes("\xEF\xBB\xBF[Copy]\nCopyToStyle=Bmpfile\n[Show Window]\nWorkspace=0\nOutput=1\n")},
        {"a byte-order mark before a key of no section",
         Bytes("\xEF\xBB\xBFloose=1\n[Copy]\nCopyToStyle=Metafile\n"),
         Bytes("\xEF\xBB\xBFloose=1\n[Copy]\nCopyToStyle=Bmpfile\n[Show Window]\nWorkspace=0\nOutput=1\n")},
        {"a section header without its ']'",
         Bytes("[Copy\nCopyToStyle=Metafile\n[Show Window]\nWorkspace=1\nOutput=0\n"),
         Bytes("[Copy\nCopyToStyle=Bmpfile\n[Show Window]\nWorkspace=0\nOutput=1\n")},
        {"text after a header's ']'",
         Bytes("[Copy] ; how to copy\nCopyToStyle=Metafile\n[ Show Window ]\nWorkspace=1\nOutput=0\n"),
         Bytes("[Copy] ; how to copy\nCopyToStyle=Bmpfile\n[ Show Window ]\nWorkspace=0\nOutput=1\n")},
        {"bytes that are not UTF-8",
         Bytes("; caf\xE9 \xFF\xFE\n[Copy]\nCopyToStyle=Metafile\n[Show Window]\nName=\xC3\x28\n"
               "Workspace=1\nOutput=0\n[\xE9t\xE9]\nx=\xE9\n"),
         Bytes("; caf\xE9 \xFF\xFE\n[Copy]\nCopyToStyle=Bmpfile\n[Show Window]\nName=\xC3\x28\n"
               "Workspace=0\nOutput=1\n[\xE9t\xE9]\nx=\xE9\n")},
        {"NUL bytes",
         Bytes("[Copy]\nCopyToStyle=Metafile\n\0binary\0\n[Show Window]\nWorkspace=1\nOutput=0\n\0"),
         Bytes("[Copy]\nCopyToStyle=Bmpfile\n\0binary\0\n[Show Window]\nWorkspace=0\nOutput=1\n\0")},
        {"spacing around '=' and the names",
         Bytes("[Copy]\nCopyToStyle = Metafile\n[Show Window]\n  Workspace\t=  1  \nOutput =0\n"),
         Bytes("[Copy]\nCopyToStyle = Bmpfile\n[Show Window]\n  Workspace\t=  0  \nOutput =1\n")},
        {"values in double quotes keep them",
         Bytes("[Copy]\nCopyToStyle=\"Metafile\"\n[Show Window]\nWorkspace=\"1\"\nOutput= \"0\" \n"),
         Bytes("[Copy]\nCopyToStyle=\"Bmpfile\"\n[Show Window]\nWorkspace=\"0\"\nOutput= \"1\" \n")},
        {"empty values", Bytes("[Copy]\nCopyToStyle=\n[Show Window]\nWorkspace=\nOutput= \n"),
         Bytes("[Copy]\nCopyToStyle=Bmpfile\n[Show Window]\nWorkspace=0\nOutput= 1\n")},
        {"names in other cases",
         Bytes("[COPY]\ncopytostyle=Metafile\n[show window]\nWORKSPACE=1\noutput=0\n"),
         Bytes("[COPY]\ncopytostyle=Bmpfile\n[show window]\nWORKSPACE=0\noutput=1\n")},
        {"missing sections are added at the end", Bytes("[Mine]\nkey=value\n"),
         Bytes("[Mine]\nkey=value\n[Copy]\nCopyToStyle=Bmpfile\n[Show Window]\nWorkspace=0\nOutput=1\n")},
        {"no line break at the end", Bytes("[Mine]\nkey=value"),
         Bytes("[Mine]\nkey=value\n[Copy]\nCopyToStyle=Bmpfile\n[Show Window]\nWorkspace=0\nOutput=1\n")},
        {"missing keys go after the section's last entry",
         Bytes("[Show Window]\nOther=2\n\n; the next one\n[Copy]\n; nothing yet\n[Mine]\nkey=value\n"),
         Bytes(
             "[Show Window]\nOther=2\nWorkspace=0\nOutput=1\n\n; the next one\n[Copy]\nCopyToStyle=Bmpfile\n"
             "; nothing yet\n[Mine]\nkey=value\n")},
        {"a missing key after a last line without a line break",
         Bytes("[Copy]\nCopyToStyle=Metafile\n[Show Window]\nWorkspace=1"),
         Bytes("[Copy]\nCopyToStyle=Bmpfile\n[Show Window]\nWorkspace=0\nOutput=1\n")},
        {"an empty file", Bytes(""),
         Bytes("[Copy]\nCopyToStyle=Bmpfile\n[Show Window]\nWorkspace=0\nOutput=1\n")},
        {"the values already as set",
         Bytes("[Copy]\r\nCopyToStyle=Bmpfile\r\n[Show Window]\r\nWorkspace=0\r\nOutput=1"),
         Bytes("[Copy]\r\nCopyToStyle=Bmpfile\r\n[Show Window]\r\nWorkspace=0\r\nOutput=1")},
    };
    for (const Case& c : cases) {
        WriteAll(ini, c.before);
        for (int ok = 1; ok <= 2; ++ok) {
            const auto dialog = Open();
            dialog->rbBmp->setChecked(true);
            dialog->chkWorkspace->setChecked(false);
            dialog->chkOutput->setChecked(true);
            dialog->show();
            dialog->btOk->click();
            const QByteArray saved = ReadAll(ini);
            EXPECT_EQ(saved, c.after) << c.what << ", after OK number " << ok << ":\n"
                                      << Shown(saved) << "\nexpected:\n"
                                      << Shown(c.after);
        }
        const auto reread = Open();
        EXPECT_TRUE(reread->rbBmp->isChecked()) << c.what;
        EXPECT_FALSE(reread->chkWorkspace->isChecked()) << c.what;
        EXPECT_TRUE(reread->chkOutput->isChecked()) << c.what;
    }
    EXPECT_TRUE(messages.Errors.isEmpty()) << messages.Errors.join('\n').toStdString();
    EXPECT_EQ(messages.Information.size(), 2 * static_cast<int>(std::size(cases)));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"corvane.INI"})
        << "no temporary file left";
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

TEST_F(SettingsTest, AFileThatCannotBeReadIsReportedAndNeverOverwritten)
{
    // Each way of making the path unreadable; returns false when it cannot be done here.
    struct Case {
        const char* what;
        std::function<bool(const QString&)> make;
    };
    const Case cases[] = {
        {"a file without read permission",
         [](const QString& path) {
             WriteAll(path, "[Copy]\nCopyToStyle=Bmpfile\n[Show Window]\nOutput=0\n");
             QFile::setPermissions(path, QFileDevice::WriteOwner);
             QFile probe(path);
             return !probe.open(QIODevice::ReadOnly); // the superuser reads it all the same
         }},
        {"a folder", [](const QString& path) { return QDir().mkdir(path); }},
        {"a named pipe",
         [](const QString& path) { return ::mkfifo(QFile::encodeName(path).constData(), 0600) == 0; }},
        {"a file far too large for a settings file",
         [](const QString& path) {
             QFile file(path);
             return file.open(QIODevice::WriteOnly) && file.write("[Copy]\nCopyToStyle=Bmpfile\n") > 0 &&
                    file.resize(8 * 1024 * 1024);
         }},
    };
    for (const Case& c : cases) {
        QFile::setPermissions(ini, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        QFile::remove(ini);
        QDir().rmdir(ini);
        messages.Errors.clear();
        messages.Information.clear();
        if (!c.make(ini)) {
            std::cout << "skipped: " << c.what << " cannot be made here\n";
            continue;
        }
        const QFileInfo before(ini);
        const QDateTime modified = before.lastModified();
        const qint64 size = before.size();

        auto dialog = Open();
        ASSERT_EQ(messages.Errors.size(), 1) << c.what;
        EXPECT_TRUE(messages.Errors.first().contains(ini)) << messages.Errors.first().toStdString();
        EXPECT_TRUE(dialog->rbMeta->isChecked()) << c.what << ": the defaults are shown";
        EXPECT_TRUE(dialog->chkWorkspace->isChecked()) << c.what;
        EXPECT_TRUE(dialog->chkOutput->isChecked()) << c.what;

        dialog->rbBmp->setChecked(true);
        dialog->show();
        dialog->btOk->click();
        EXPECT_FALSE(dialog->isVisible()) << "OK closes the dialog all the same";
        ASSERT_EQ(messages.Errors.size(), 2) << c.what << ": OK reports it again";
        EXPECT_TRUE(messages.Errors.last().contains(ini)) << messages.Errors.last().toStdString();
        EXPECT_TRUE(messages.Information.isEmpty()) << c.what << ": no confirmation";
        const QFileInfo after(ini);
        EXPECT_EQ(after.isDir(), before.isDir()) << c.what;
        EXPECT_EQ(after.isFile(), before.isFile()) << c.what;
        EXPECT_EQ(after.size(), size) << c.what;
        EXPECT_EQ(after.lastModified(), modified) << c.what << ": not written";
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System),
                  QStringList{"corvane.INI"})
            << "no temporary file left";
    }
    QFile::setPermissions(ini, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    messages.Errors.clear();
}

TEST_F(SettingsTest, AutoShutdownChoicesFollowTheCheckBox)
{
    auto dialog = Open();
    const QWidget* choices[] = {dialog->gpAuto, dialog->RadioLogoff, dialog->RadioShutdown,
                                dialog->RadioRestart};
    auto expectChoices = [&](bool enabled, const std::string& when) {
        for (const QWidget* w : choices)
            EXPECT_EQ(w->isEnabled(), enabled) << w->objectName().toStdString() << " " << when;
    };
    expectChoices(false, "at first");
    dialog->show();
    dialog->PageControl1->setCurrentIndex(1);
    for (int cycle = 1; cycle <= 3; ++cycle) {
        const std::string n = std::to_string(cycle);
        dialog->chkAuto->click();
        expectChoices(true, "after tick " + n);
        dialog->chkAuto->click();
        expectChoices(false, "after untick " + n);
    }
    // The keyboard ticks it as well.
    dialog->chkAuto->setFocus();
    QTest::keyClick(dialog->chkAuto, Qt::Key_Space);
    ASSERT_TRUE(dialog->chkAuto->isChecked());
    expectChoices(true, "after a tick by the space bar");
    dialog->chkAuto->setChecked(false);
    expectChoices(false, "after the box was unticked by the program");
    EXPECT_TRUE(dialog->RadioLogoff->isChecked());
}

TEST_F(SettingsTest, DamagedTaskEntriesLoseOnlyThemselves)
{
    WriteAll(ini, "[Tasks]\nCount=4\nLine1=D2Q9 ren 400Gx 65 Gy 65\nModel1=1\nRe1=400\nGridX1=65\nGridY1=65\n"
                  "Ticked1=1\nLine2=broken\nModel2=x\nRe2=1\nGridX2=1\nGridY2=1\n"
                  "Line3=D2Q9 typed ren 2Gx 9 Gy 9\nModel3=-1\nRe3=2\nGridX3=9\nGridY3=9\n");
    auto dialog = Open();
    ASSERT_EQ(dialog->TaskCount(), 2);
    EXPECT_EQ(dialog->TaskGridX(0), 65);
    EXPECT_TRUE(dialog->TaskTicked(0));
    EXPECT_FALSE(dialog->TaskTicked(1)) << "no Ticked key: unticked";
    EXPECT_EQ(dialog->TaskModelName(1), QStringLiteral("D2Q9 typed")) << "a typed model keeps its name";

    WriteAll(ini, "[Tasks]\nCount=many\n");
    EXPECT_EQ(Open()->TaskCount(), 0);
}

TEST_F(SettingsTest, TheProcessCountKeepsToItsOwnSectionAndIsGreyedWithoutMpirun)
{
    // PATH for the dialog's look for mpirun: a folder with one, or without.
    struct Path {
        QByteArray old = qgetenv("PATH");
        ~Path() { qputenv("PATH", old); }
    } restore;
    QTemporaryDir with, without;
    WriteAll(with.filePath(QStringLiteral("mpirun")), "#!/bin/sh\n");
    QFile::setPermissions(with.filePath(QStringLiteral("mpirun")),
                          QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    const QByteArray tasks = "[Tasks]\r\nCount=1\r\nLine1=D2Q9 ren 400Gx 65 Gy 65\r\nModel1=1\r\nRe1=400\r\n"
                             "GridX1=65\r\nGridY1=65\r\nTicked1=1\r\n";
    WriteAll(ini, tasks);

    qputenv("PATH", QFile::encodeName(with.path()));
    {
        auto dialog = Open();
        EXPECT_TRUE(dialog->spProcesses->isEnabled());
        EXPECT_EQ(dialog->Processes(), 1) << "a file from before: in the program";
        EXPECT_EQ(dialog->spProcesses->text(), QStringLiteral("in the program"));
        EXPECT_TRUE(dialog->lbProcesses->text().isEmpty());
        dialog->SetProcesses(3);
        EXPECT_EQ(dialog->Processes(), 3);
    }
    const QByteArray written = ReadAll(ini);
    EXPECT_TRUE(written.startsWith(tasks)) << "the Tasks section as it was:\n" << Shown(written);
    EXPECT_TRUE(written.contains("[Run]")) << Shown(written);
    EXPECT_TRUE(written.contains("Processes=3")) << Shown(written);
    EXPECT_EQ(Open()->Processes(), 3) << "read back";

    // No mpirun: greyed, with the reason, and every task runs in the program.
    qputenv("PATH", QFile::encodeName(without.path()));
    {
        auto dialog = Open();
        dialog->PageControl1->setCurrentIndex(1);
        dialog->show();
        EXPECT_FALSE(dialog->spProcesses->isEnabled());
        EXPECT_TRUE(dialog->spProcesses->toolTip().contains(QStringLiteral("mpirun is not installed")))
            << dialog->spProcesses->toolTip().toStdString();
        EXPECT_TRUE(dialog->lbProcesses->text().contains(QStringLiteral("mpirun is not installed")));
        EXPECT_TRUE(dialog->lbProcesses->isVisible());
        EXPECT_EQ(dialog->Processes(), 1);
        EXPECT_EQ(dialog->spProcesses->text(), QStringLiteral("in the program")) << "it shows what runs";
        // Shown again once it is installed.
        qputenv("PATH", QFile::encodeName(with.path()));
        dialog->hide();
        dialog->show();
        EXPECT_TRUE(dialog->spProcesses->isEnabled());
        EXPECT_EQ(dialog->Processes(), 3);
    }
    EXPECT_EQ(ReadAll(ini), written) << "looking writes nothing";

    for (const char* value : {"lots", "0", "-4", ""}) {
        WriteAll(ini, tasks + "[Run]\r\nProcesses=" + value + "\r\n");
        EXPECT_EQ(Open()->Processes(), 1) << value;
    }
}

namespace {

// The settings file holds the three values OK writes and, to make it small or
// large, a section of other keys.
QByteArray SettingsOfSize(int bytes)
{
    QByteArray text =
        "[Copy]\r\nCopyToStyle=Bmpfile\r\n[Show Window]\r\nWorkspace=1\r\nOutput=1\r\n[Other]\r\n";
    for (int n = 0; text.size() < bytes; ++n)
        text += "Key" + QByteArray::number(n) + "=some value the user keeps\r\n";
    return text;
}

struct FullDiskCase {
    const char* name;
    int fileBytes;    // below and above the write buffer
    std::size_t room; // left on the file system
};

class SettingsOnFullDisk : public ::testing::TestWithParam<FullDiskCase> {};

} // namespace

// On a full disk OK keeps the settings file byte for byte, leaves no temporary
// file, names the file and the reason in the error box and does not say the
// settings were saved.
TEST_P(SettingsOnFullDisk, OKKeepsTheOldFileAndSaysWhyNotThatItSaved)
{
    const FullDiskCase c = GetParam();
    FullDisk disk;
    const QString ini = QString::fromStdString(disk.Path("corvane.INI"));
    const QByteArray old = SettingsOfSize(c.fileBytes);
    WriteAll(ini, old);
    TfrmEnviroment dialog(nullptr, ini);
    dialog.FormCreate();
    dialog.rbMeta->setChecked(true);
    const std::string outcome = disk.WithRoom(c.room, [&] {
        MessageRecorder messages;
        dialog.btOk->click();
        return "errors=" + messages.Errors.join(QLatin1Char('|')).toStdString() +
               " confirmations=" + std::to_string(messages.Information.size());
    });
    SCOPED_TRACE(disk.How());
    EXPECT_EQ(ReadAll(ini), old) << "the old file, byte for byte";
    EXPECT_EQ(disk.Names(), std::vector<std::string>{"corvane.INI"}) << "no temporary file left";
    EXPECT_NE(
        outcome.find("errors=Cannot write the settings file " + ini.toStdString() + ": " + disk.Reason()),
        std::string::npos)
        << outcome;
    EXPECT_NE(outcome.find("confirmations=0"), std::string::npos) << outcome;
}

INSTANTIATE_TEST_SUITE_P(Sizes, SettingsOnFullDisk,
                         ::testing::Values(FullDiskCase{"Small", 100, 0},
                                           FullDiskCase{"Large", 150000, 8192}),
                         [](const auto& info) { return std::string(info.param.name); });
