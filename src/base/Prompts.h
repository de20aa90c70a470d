// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <functional>

class QWidget;

namespace corvane {

// What the user answers when a scene with unsaved changes is about to close.
enum class SaveChoice { Save, Discard, Cancel };

// Asks whether to save the changes of the scene named by caption. Goes through
// a replaceable prompt, as message boxes do, so that tests never block.
SaveChoice AskSaveChanges(const QString& caption);
using SaveChangesPrompt = std::function<SaveChoice(const QString& caption)>;
// Returns the previous prompt; an empty one restores the message box.
SaveChangesPrompt SetSaveChangesPrompt(SaveChangesPrompt prompt);

// Asks for a file name: to open (save false) or to save (save true), with the
// file dialog's name filter. An empty result means the user cancelled.
QString ChooseFileName(QWidget* parent, bool save, const QString& caption, const QString& suggested,
                       const QString& filter);
using FileNameChooser = std::function<QString(bool save, const QString& suggested, const QString& filter)>;
// Returns the previous chooser; an empty one restores the file dialog.
FileNameChooser SetFileNameChooser(FileNameChooser chooser);

} // namespace corvane
