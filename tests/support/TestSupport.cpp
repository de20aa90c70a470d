// SPDX-License-Identifier: GPL-3.0-or-later
#include "TestSupport.h"

#include "Prompts.h"
#include "TfrmPlot.h"

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QOpenGLContext>
#include <QOpenGLFunctions>
#include <QTest>

ChildLeakCheckOff::ChildLeakCheckOff()
    : FPrevious(qgetenv("ASAN_OPTIONS")), FWasSet(qEnvironmentVariableIsSet("ASAN_OPTIONS"))
{
    qputenv("ASAN_OPTIONS", (FPrevious.isEmpty() ? QByteArray() : FPrevious + ':') + "detect_leaks=0");
}

ChildLeakCheckOff::~ChildLeakCheckOff()
{
    if (FWasSet)
        qputenv("ASAN_OPTIONS", FPrevious);
    else
        qunsetenv("ASAN_OPTIONS");
}

MessageRecorder::MessageRecorder()
{
    // Scenes with unsaved changes close without asking unless a test answers.
    FPreviousPrompt = corvane::SetSaveChangesPrompt([this](const QString& caption) {
        Prompts.append(caption);
        return PromptAnswer;
    });
    FPrevious = corvane::SetMessageHandler([this](corvane::MessageKind kind, const QString& text) {
        (kind == corvane::MessageKind::Error         ? Errors
         : kind == corvane::MessageKind::Information ? Information
                                                     : Plain)
            .append(text);
    });
}

MessageRecorder::~MessageRecorder()
{
    corvane::SetMessageHandler(std::move(FPrevious));
    corvane::SetSaveChangesPrompt(std::move(FPreviousPrompt));
}

ViewHost::ViewHost() : FArea(new QMdiArea)
{
    FWindow.setCentralWidget(FArea);
    FWindow.resize(1000, 800);
    FWindow.show();
    (void)QTest::qWaitForWindowExposed(&FWindow);
}

ViewHost::~ViewHost()
{
    // Views first, while the window that holds their contexts still exists.
    for (QMdiSubWindow* sub : FArea->subWindowList())
        delete sub;
}

TfrmPlot* ViewHost::AddView(const QString& caption, bool wait)
{
    auto* view = new TfrmPlot;
    view->SetViewName(caption);
    QMdiSubWindow* sub = FArea->addSubWindow(view);
    view->FormCreate();
    sub->show();
    if (wait)
        WaitForContext(view);
    return view;
}

bool WaitForContext(TfrmPlot* view)
{
    return QTest::qWaitFor([view] { return view->HasContext(); }, 5000);
}

QColor ReadPixel(TfrmPlot* view, int x, int y)
{
    view->makeCurrent();
    QOpenGLFunctions* f = view->context()->functions();
    const qreal dpr = view->devicePixelRatioF();
    const int px = static_cast<int>(x * dpr);
    const int py = static_cast<int>((view->height() - 1 - y) * dpr);
    unsigned char rgba[4] = {0, 0, 0, 0};
    f->glBindFramebuffer(GL_FRAMEBUFFER, view->defaultFramebufferObject());
    f->glReadPixels(px, py, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
    return QColor(rgba[0], rgba[1], rgba[2]);
}

void ResizeClient(TfrmPlot* view, int width, int height)
{
    QWidget* frame = view->parentWidget();
    frame->resize(frame->size() - view->size() + QSize(width, height));
    QTest::qWait(1);
}
