// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What the settings tests share: the settings dialog on a file in a
// temporary folder, and reading, writing and showing the file's bytes.
#include "TestSupport.h"
#include "TfrmEnviroment.h"

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstddef>
#include <memory>
#include <string>

inline QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline void WriteAll(const QString& path, const QByteArray& text)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text);
}

// The bytes of a literal, NUL bytes included.
template <std::size_t N> inline QByteArray Bytes(const char (&text)[N]) { return QByteArray(text, N - 1); }

// Bytes made readable in a failure message.
inline std::string Shown(const QByteArray& bytes)
{
    std::string shown;
    for (const char c : bytes) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '\n')
            shown += "\\n\n";
        else if (u >= 0x20 && u < 0x7f)
            shown += c;
        else
            shown += QStringLiteral("\\x%1").arg(u, 2, 16, QLatin1Char('0')).toStdString();
    }
    return shown;
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
