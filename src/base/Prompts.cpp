// SPDX-License-Identifier: GPL-3.0-or-later
#include "Prompts.h"

#include "Messages.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>

namespace corvane {
namespace {

SaveChoice AskWithBox(const QString& caption)
{
    QMessageBox box(QMessageBox::Warning, ApplicationTitle(),
                    QStringLiteral("%1 has changes that are not saved.").arg(caption),
                    QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel,
                    QApplication::activeWindow());
    box.setInformativeText(QStringLiteral("Do you want to save them?"));
    box.setDefaultButton(QMessageBox::Save);
    switch (box.exec()) {
    case QMessageBox::Save:
        return SaveChoice::Save;
    case QMessageBox::Discard:
        return SaveChoice::Discard;
    default:
        return SaveChoice::Cancel;
    }
}

SaveChangesPrompt& Prompt()
{
    static SaveChangesPrompt prompt = AskWithBox;
    return prompt;
}

FileNameChooser& Chooser()
{
    static FileNameChooser chooser;
    return chooser;
}

} // namespace

SaveChoice AskSaveChanges(const QString& caption) { return Prompt()(caption); }

SaveChangesPrompt SetSaveChangesPrompt(SaveChangesPrompt prompt)
{
    SaveChangesPrompt previous = std::move(Prompt());
    Prompt() = prompt ? std::move(prompt) : SaveChangesPrompt(AskWithBox);
    return previous;
}

QString ChooseFileName(QWidget* parent, bool save, const QString& caption, const QString& suggested,
                       const QString& filter)
{
    if (Chooser())
        return Chooser()(save, suggested, filter);
    return save ? QFileDialog::getSaveFileName(parent, caption, suggested, filter)
                : QFileDialog::getOpenFileName(parent, caption, suggested, filter);
}

FileNameChooser SetFileNameChooser(FileNameChooser chooser)
{
    FileNameChooser previous = std::move(Chooser());
    Chooser() = std::move(chooser);
    return previous;
}

} // namespace corvane
