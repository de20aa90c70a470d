// SPDX-License-Identifier: GPL-3.0-or-later
// Test entry point for everything that needs a QApplication: real widgets and
// real OpenGL contexts (under Xvfb with Mesa when there is no display).
#include "Messages.h"
#include "TfrmPlot.h"

#include <QApplication>

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    ConfigureOpenGL();
    QApplication app(argc, argv);
    QApplication::setStyle(QStringLiteral("Fusion"));
    QApplication::setApplicationName(corvane::ApplicationTitle());
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
