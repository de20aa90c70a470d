// SPDX-License-Identifier: GPL-3.0-or-later
#include "TfrmPlot.h"

#include "ContextScope.h"
#include "Messages.h"
#include "Prompts.h"
#include "SceneFile.h"
#include "TGLLight.h"
#include "TGLObject.h"
#include "TexturePicture.h"
#include "tools/TToolTable.h"
#include "tools/TViewNavigation.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QFileInfo>
#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <QImageReader>
#include <QMdiSubWindow>
#include <QOpenGLContext>
#include <QPainter>
#include <QScreen>
#include <QSurfaceFormat>
#include <QTimer>

#include <array>
#include <cstring>
#include <stdexcept>
#include <vector>

namespace {

TfrmPlot::ContextFault g_contextFault = TfrmPlot::ContextFault::None;

// One glyph of the axis-label font as an OpenGL bitmap.
struct Glyph {
    int width = 0;
    int height = 0;
    float yorig = 0;
    float advance = 0;
    std::vector<GLubyte> bits; // rows bottom first, most significant bit first
};

constexpr GLuint kFontListBase = 1000;
constexpr int kGlyphCount = 255;

// The glyphs of the view font for character codes 0..254, rendered once per
// process. Text is painted onto a grayscale image (a 1-bit image stays empty)
// and thresholded into bitmap rows.
const std::array<Glyph, kGlyphCount>& FontGlyphs()
{
    static const std::array<Glyph, kGlyphCount> glyphs = [] {
        std::array<Glyph, kGlyphCount> result;
        QFont font(QStringLiteral("MS Sans Serif"));
        font.setStyleHint(QFont::SansSerif);
        font.setPixelSize(10);
        font.setStyleStrategy(QFont::NoAntialias);
        const QFontMetrics metrics(font);
        for (int code = 0; code < kGlyphCount; ++code) {
            Glyph& g = result[code];
            const QChar ch = QChar::fromLatin1(static_cast<char>(code));
            const bool printable = ch.isPrint();
            const int advance = printable ? metrics.horizontalAdvance(ch) : 0;
            g.advance = static_cast<float>(advance);
            g.yorig = static_cast<float>(metrics.descent());
            if (advance <= 0)
                continue;
            g.width = advance;
            g.height = metrics.height();
            QImage image(g.width, g.height, QImage::Format_Grayscale8);
            image.fill(0);
            {
                QPainter painter(&image);
                painter.setFont(font);
                painter.setPen(Qt::white);
                painter.drawText(0, metrics.ascent(), QString(ch));
            }
            const int stride = (g.width + 7) / 8;
            g.bits.assign(static_cast<size_t>(stride * g.height), 0);
            for (int row = 0; row < g.height; ++row) {
                const uchar* line = image.constScanLine(g.height - 1 - row);
                for (int x = 0; x < g.width; ++x)
                    if (line[x] > 127)
                        g.bits[static_cast<size_t>(row * stride + x / 8)] |=
                            static_cast<GLubyte>(0x80 >> (x % 8));
            }
        }
        return result;
    }();
    return glyphs;
}

} // namespace

void ConfigureOpenGL()
{
    QSurfaceFormat format;
    format.setRenderableType(QSurfaceFormat::OpenGL);
    format.setProfile(QSurfaceFormat::CompatibilityProfile);
    format.setRedBufferSize(8);
    format.setGreenBufferSize(8);
    format.setBlueBufferSize(8);
    // No alpha: the clear colour's alpha of 0 would otherwise show through.
    format.setAlphaBufferSize(0);
    format.setDepthBufferSize(24);
    format.setSwapBehavior(QSurfaceFormat::DoubleBuffer);
    QSurfaceFormat::setDefaultFormat(format);
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
}

void TfrmPlot::SetContextFaultForTesting(ContextFault fault) { g_contextFault = fault; }

// The view as its document's host: the document's objects make their OpenGL
// calls in this view's context, and its messages reach the user.
class TfrmPlot::Host : public TSceneHost {
public:
    explicit Host(TfrmPlot& view) : FView(view) {}

    std::unique_ptr<TContextToken> EnterContext() override { return std::make_unique<Token>(FView); }
    void ShowMessage(const QString& text) override { corvane::ShowMessage(text); }
    GLuint LoadTexture(const QString& fileName) override
    {
        GLint maxTextureSize = 0;
        if (FView.MakeCurrent())
            gl::GetIntegerv(GL_MAX_TEXTURE_SIZE, &maxTextureSize);
        return FView.CreateTexture(
            ReadTexturePicture(fileName, maxTextureSize > 0 ? maxTextureSize : 1 << 30));
    }

private:
    class Token : public TContextToken {
    public:
        explicit Token(TfrmPlot& view) : FScope(view) {}

    private:
        ContextScope FScope;
    };
    TfrmPlot& FView;
};

TfrmPlot::TfrmPlot(QWidget* parent)
    : QOpenGLWidget(parent), FHost(std::make_unique<Host>(*this)),
      FDocument(std::make_unique<TSceneDocument>()), tmrAnimation(new QTimer(this)),
      FTools(std::make_unique<TToolTable>(*this)), FNavigation(std::make_unique<TViewNavigation>(*this))
{
    FDocument->SetHost(FHost.get());
    connect(FDocument.get(), &TSceneDocument::SceneChanged, this, &TfrmPlot::SceneChanged);
    connect(FDocument.get(), &TSceneDocument::ModifiedChanged, this, [this] { UpdateCaption(); });
    connect(FDocument.get(), &TSceneDocument::FileNameChanged, this, [this] { UpdateCaption(); });
    tmrAnimation->setObjectName(QStringLiteral("tmrAnimation"));
    tmrAnimation->setInterval(1);
    connect(tmrAnimation, &QTimer::timeout, this,
            [this] { corvane::RunHandler([this] { tmrAnimationTimer(); }); });
    // The mouse readout follows the mouse even without a button held.
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    UpdateCaption();
    // Frames drawn outside paintGL must survive until they are composed.
    setUpdateBehavior(QOpenGLWidget::PartialUpdate);
    // An opaque framebuffer: the clear colour's alpha of 0 must not let the
    // window behind show through.
    setTextureFormat(GL_RGB8);
}

TfrmPlot::~TfrmPlot()
{
    // What the scene does while it is taken down concerns nobody any more
    // (the frame and the panels may be half destroyed around this view).
    FDocument->disconnect();
    FDocument->UndoStack()->disconnect();
    disconnect(this, &TfrmPlot::CaptionChanged, nullptr, nullptr);
    disconnect(this, &TfrmPlot::ToolChanged, nullptr, nullptr);
    disconnect(this, &TfrmPlot::MouseTextChanged, nullptr, nullptr);
    FormDestroy();
    FDocument->SetHost(nullptr);
    // The base class destroys the context after this object's part is gone.
    if (context())
        disconnect(context(), nullptr, this, nullptr);
}

QMdiSubWindow* TfrmPlot::SubWindow() const { return FSubWindow; }

void TfrmPlot::FormCreate()
{
    FSubWindow = qobject_cast<QMdiSubWindow*>(parentWidget());
    // The OpenGL steps run when Qt creates the context (initializeGL). Here the
    // window takes the screen's width less 10 pixels, 5 pixels from the left.
    if (FSubWindow) {
        const int screenWidth = FSubWindow->screen()->geometry().width();
        const int width = screenWidth - 10;
        FSubWindow->setGeometry((screenWidth - width) / 2, FSubWindow->y(), width, FSubWindow->height());
    }
}

void TfrmPlot::initializeGL()
{
    corvane::RunHandler([this] { FormInitializeGL(); });
}

void TfrmPlot::FormInitializeGL()
{
    ++FContextCreations;
    connect(context(), &QOpenGLContext::aboutToBeDestroyed, this, &TfrmPlot::ReleaseContext,
            Qt::DirectConnection);
    FContextFailed = false;
    const bool pixelFormatOk = SetupPixelFormat();
    if (!pixelFormatOk && FSubWindow)
        QMetaObject::invokeMethod(FSubWindow, &QWidget::close, Qt::QueuedConnection);
    if (!pixelFormatOk || g_contextFault == ContextFault::CreateContext || !context()->isValid()) {
        FContextFailed = true;
        corvane::ShowMessage(QStringLiteral("wglCreateContext failed"));
        return;
    }
    makeCurrent();
    if (g_contextFault == ContextFault::MakeCurrent || QOpenGLContext::currentContext() != context()) {
        FContextFailed = true;
        corvane::ShowMessage(QStringLiteral("wglMakeCurrent failed -- too many errors, so quitting"));
        QMetaObject::invokeMethod(QCoreApplication::instance(), &QCoreApplication::quit,
                                  Qt::QueuedConnection);
        return;
    }
    FContextReady = true;
    InitGL();
    RestoreContextState();
    // The first context finishes the view's creation; one that replaces it
    // later leaves the tool as the user chose it.
    if (!FInitialised) {
        FInitialised = true;
        SetTool(mtSelect);
    }
}

bool TfrmPlot::SetupPixelFormat()
{
    // A context without the fixed-function pipeline (OpenGL ES, core profile)
    // cannot draw this view: that is the "no matching pixel format" case.
    const QSurfaceFormat format = context()->format();
    if (g_contextFault == ContextFault::ChoosePixelFormat ||
        format.renderableType() == QSurfaceFormat::OpenGLES) {
        corvane::ShowMessage(QStringLiteral("ChoosePixelFormat failed"));
        return false;
    }
    if (g_contextFault == ContextFault::SetPixelFormat || format.profile() == QSurfaceFormat::CoreProfile) {
        corvane::ShowMessage(QStringLiteral("SetPixelFormat failed"));
        return false;
    }
    return true;
}

void TfrmPlot::InitGL()
{
    gl::ClearColor(1, 1, 1, 0);
    gl::ShadeModel(GL_SMOOTH);
    gl::Enable(GL_DEPTH_TEST);
    gl::LightModeli(GL_LIGHT_MODEL_LOCAL_VIEWER, 1);
    gl::Enable(GL_NORMALIZE);
    BuildFontLists();
}

void TfrmPlot::BuildFontLists()
{
    const auto& glyphs = FontGlyphs();
    gl::PixelStorei(GL_UNPACK_ALIGNMENT, 1);
    for (int code = 0; code < kGlyphCount; ++code) {
        const Glyph& g = glyphs[code];
        gl::NewList(kFontListBase + static_cast<GLuint>(code), GL_COMPILE);
        gl::Bitmap(g.width, g.height, 0, g.yorig, g.advance, 0, g.bits.empty() ? nullptr : g.bits.data());
        gl::EndList();
    }
    gl::ListBase(kFontListBase);
}

void TfrmPlot::RestoreContextState()
{
    ApplyViewOptions();
    for (TGLObject* obj = FDocument->First(); obj; obj = obj->GetNext())
        if (IsLightObject(obj))
            static_cast<TGLLight*>(obj)->Restore();
    // A new context starts with a default viewport and projection.
    const int w = width();
    const int h = height();
    if (w > 0 && h > 0) {
        const qreal dpr = devicePixelRatioF();
        gl::Viewport(0, 0, static_cast<GLsizei>(w * dpr), static_cast<GLsizei>(h * dpr));
    }
    UpdateProjection();
}

void TfrmPlot::ApplyViewOptions()
{
    const TViewState& v = View();
    if (v.BackColorSet)
        gl::ClearColor(v.BackColor[0], v.BackColor[1], v.BackColor[2], 0);
    else
        gl::ClearColor(1, 1, 1, 0);
    gl::PolygonMode(GL_FRONT_AND_BACK, v.WireFrame ? GL_LINE : GL_FILL);
    if (v.Lighting)
        gl::Enable(GL_LIGHTING);
    else
        gl::Disable(GL_LIGHTING);
}

void TfrmPlot::SceneChanged(const TSceneChange& change)
{
    // Every change is drawn; the animation's pace is a view option.
    ComputeExtents();
    if (change.IsAbout(TSceneChange::ViewChanged))
        tmrAnimation->setInterval(std::max(View().AnimationInterval, 0));
    if (!MakeCurrent())
        return;
    ApplyViewOptions();
    UpdateProjection();
    RenderScene(GL_RENDER);
}

void TfrmPlot::SetViewName(const QString& name)
{
    FViewName = name;
    UpdateCaption();
}

QString TfrmPlot::Title() const
{
    QString title = FViewName;
    if (!FDocument->FileName().isEmpty())
        title += QStringLiteral(" \u2014 ") + QFileInfo(FDocument->FileName()).fileName();
    return title;
}

void TfrmPlot::UpdateCaption()
{
    QString caption = Title();
    if (FDocument->IsModified())
        caption += QStringLiteral(" *");
    setWindowTitle(caption);
    emit CaptionChanged();
}

void TfrmPlot::ReleaseContext()
{
    // Everything the view keeps in a context is rebuilt from its own state by
    // initializeGL; shared objects (textures, glyph lists) stay with the
    // other contexts of the share group.
    FContextReady = false;
}

bool TfrmPlot::MakeCurrent()
{
    if (!FContextReady || !context() || !context()->isValid())
        return false;
    // Whatever is held back belongs to the context current until now.
    gl::Sync();
    makeCurrent();
    return QOpenGLContext::currentContext() == context();
}

void TfrmPlot::showEvent(QShowEvent* event)
{
    QOpenGLWidget::showEvent(event);
    if (!FShown) {
        FShown = true;
        corvane::RunHandler([this] { FormShow(); });
    }
}

void TfrmPlot::FormShow()
{
    // The client area starts at 300 x 300 pixels; the frame adds its own margins.
    if (FSubWindow)
        FSubWindow->resize(FSubWindow->size() - size() + QSize(300, 300));
    else
        resize(300, 300);
}

void TfrmPlot::resizeEvent(QResizeEvent* event)
{
    QOpenGLWidget::resizeEvent(event);
    // Without a context Qt does not call resizeGL; the extents still follow the window.
    if (!FContextReady)
        FormResize();
}

void TfrmPlot::resizeGL(int, int)
{
    corvane::RunHandler([this] { FormResize(); });
}

void TfrmPlot::ComputeExtents()
{
    // A window with no area (minimised, say) keeps its previous extents.
    if (width() > 0 && height() > 0)
        SetExtentsFor(width(), height());
}

void TfrmPlot::SetExtentsFor(int w, int h)
{
    const float zoom = View().Zoom > 0 ? View().Zoom : 1;
    const float r = static_cast<float>(h) / static_cast<float>(w);
    if (w > h) {
        FViewLeft = FBaseLeft / zoom / r;
        FViewRight = FBaseRight / zoom / r;
        FViewBottom = FBaseBottom / zoom;
        FViewTop = FBaseTop / zoom;
    } else {
        FViewLeft = FBaseLeft / zoom;
        FViewRight = FBaseRight / zoom;
        FViewBottom = FBaseBottom / zoom * r;
        FViewTop = FBaseTop / zoom * r;
    }
}

void TfrmPlot::FormResize()
{
    const int w = width();
    const int h = height();
    // A window with no area (minimised, say) keeps its previous extents and projection.
    if (w <= 0 || h <= 0)
        return;
    SetExtentsFor(w, h);
    if (!MakeCurrent())
        return;
    const qreal dpr = devicePixelRatioF();
    gl::Viewport(0, 0, static_cast<GLsizei>(w * dpr), static_cast<GLsizei>(h * dpr));
    UpdateProjection();
    RenderScene(GL_RENDER);
}

void TfrmPlot::UpdateProjection()
{
    if (!MakeCurrent())
        return;
    gl::MatrixMode(GL_PROJECTION);
    gl::LoadIdentity();
    ApplyProjection();
    gl::MatrixMode(GL_MODELVIEW);
}

void TfrmPlot::ApplyProjection()
{
    ApplyProjectionFor(static_cast<double>(width()) / static_cast<double>(height() > 0 ? height() : 1));
}

void TfrmPlot::ApplyProjectionFor(double aspect)
{
    const TViewState& v = View();
    if (v.Perspective) {
        gl::Perspective(60, aspect, 0.1, 200);
        gl::Translatef(0, 0, FNear);
    } else {
        gl::Ortho(FViewLeft, FViewRight, FViewBottom, FViewTop, FNear, FFar);
    }
    gl::Translatef(v.CameraTranslation[0], v.CameraTranslation[1], v.CameraTranslation[2]);
    gl::Rotatef(v.CameraRotation[0], 1, 0, 0);
    gl::Rotatef(v.CameraRotation[1], 0, 1, 0);
    gl::Rotatef(v.CameraRotation[2], 0, 0, 1);
}

void TfrmPlot::paintGL()
{
    corvane::RunHandler([this] { FormPaint(); });
    // A paint that failed half way is over all the same: frames drawn after it
    // must ask to be shown again.
    FInPaint = false;
}

void TfrmPlot::FormPaint()
{
    if (FFrameReady) {
        // RenderScene already drew this frame into the framebuffer.
        FFrameReady = false;
        return;
    }
    FInPaint = true;
    RenderScene(GL_RENDER);
    FInPaint = false;
}

void TfrmPlot::RenderScene(GLenum mode)
{
    if (!MakeCurrent())
        return;
    DrawFrame(mode);
    if (mode == GL_RENDER) {
        // What the tool shows over the scene goes on the screen only, never
        // into pictures or the selection pass.
        FTools->For(FTool).DrawOverlay();
        SwapBuffers();
    }
}

void TfrmPlot::DrawFrame(GLenum mode)
{
    gl::Clear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    if (View().DrawAxis && !FPicking)
        DrawAxes();
    // The selection marker must show on whatever background the view has.
    const TViewState& v = View();
    const std::array<float, 3> back = v.BackColorSet ? v.BackColor : std::array<float, 3>{1, 1, 1};
    TGLObject::SetMarkerColor(MarkerColorFor(back));
    TGLObject* current = FDocument->Current();
    for (TGLObject* obj = FDocument->First(); obj; obj = obj->GetNext()) {
        obj->SetSelected(obj == current);
        obj->Draw(mode);
    }
    gl::Flush();
}

void TfrmPlot::DrawPicture(int width, int height)
{
    if (width <= 0 || height <= 0)
        return;
    // The state InitGL and RestoreContextState give the view's own context.
    gl::ShadeModel(GL_SMOOTH);
    gl::Enable(GL_DEPTH_TEST);
    gl::LightModeli(GL_LIGHT_MODEL_LOCAL_VIEWER, 1);
    gl::Enable(GL_NORMALIZE);
    gl::ListBase(kFontListBase);
    ApplyViewOptions();
    // The extents and projection a client area of this size would have.
    const float saved[4] = {FViewLeft, FViewRight, FViewBottom, FViewTop};
    SetExtentsFor(width, height);
    gl::Viewport(0, 0, width, height);
    gl::MatrixMode(GL_PROJECTION);
    gl::LoadIdentity();
    ApplyProjectionFor(static_cast<double>(width) / static_cast<double>(height));
    gl::MatrixMode(GL_MODELVIEW);
    gl::LoadIdentity();
    for (TGLObject* obj = FDocument->First(); obj; obj = obj->GetNext())
        if (IsLightObject(obj))
            static_cast<TGLLight*>(obj)->Restore();
    DrawFrame(GL_RENDER);
    FViewLeft = saved[0];
    FViewRight = saved[1];
    FViewBottom = saved[2];
    FViewTop = saved[3];
}

void TfrmPlot::SwapBuffers()
{
    if (FInPaint)
        return; // Qt shows the frame when paintGL returns
    FFrameReady = true;
    update();
}

void TfrmPlot::DrawAxes()
{
    const bool lighting = gl::IsEnabled(GL_LIGHTING);
    if (lighting)
        gl::Disable(GL_LIGHTING);

    gl::PushMatrix();
    gl::Scalef(FViewRight - 3, FViewTop - 3, FFar - 3);
    gl::LineWidth(2);
    gl::Begin(GL_LINES);
    gl::Color3f(1, 0, 0);
    gl::Vertex3f(-1, 0, 0);
    gl::Vertex3f(1, 0, 0);
    gl::Vertex3f(0.98f, 0.02f, 0);
    gl::Vertex3f(1, 0, 0);
    gl::Vertex3f(0.98f, -0.02f, 0);
    gl::Vertex3f(1, 0, 0);
    gl::Color3f(0, 1, 0);
    gl::Vertex3f(0, -1, 0);
    gl::Vertex3f(0, 1, 0);
    gl::Vertex3f(0.02f, 0.98f, 0);
    gl::Vertex3f(0, 1, 0);
    gl::Vertex3f(-0.02f, 0.98f, 0);
    gl::Vertex3f(0, 1, 0);
    gl::Color3f(0, 0, 1);
    gl::Vertex3f(0, 0, -1);
    gl::Vertex3f(0, 0, 1);
    gl::Vertex3f(0, 0.02f, 0.98f);
    gl::Vertex3f(0, 0, 1);
    gl::Vertex3f(0, -0.02f, 0.98f);
    gl::Vertex3f(0, 0, 1);
    gl::End();
    gl::PopMatrix();

    gl::PushMatrix();
    gl::LoadIdentity();
    gl::Color3f(1, 0, 0);
    gl::Translatef(FViewRight - 3, 0, 0);
    GLTextOut("X", 1, 0, 0);
    gl::LoadIdentity();
    gl::Color3f(0, 1, 0);
    gl::Translatef(0, FViewTop - 3, 0);
    GLTextOut("Y", 0, 1, 0);
    gl::LoadIdentity();
    gl::Color3f(0, 0, 1);
    gl::Translatef(0, 0, FNear + 3);
    GLTextOut("Z", 0, 0, -1);
    gl::PopMatrix();

    if (lighting)
        gl::Enable(GL_LIGHTING);
}

void TfrmPlot::SetDrawAxis(bool on)
{
    FDocument->EditView(QStringLiteral("Axes"), [on](TViewState& v) { v.DrawAxis = on; });
}

void TfrmPlot::SetPerspective(bool on)
{
    FDocument->EditView(QStringLiteral("Projection"), [on](TViewState& v) { v.Perspective = on; });
}

void TfrmPlot::SetWireFrame(bool on)
{
    FDocument->EditView(QStringLiteral("Wire Frame"), [on](TViewState& v) { v.WireFrame = on; });
}

void TfrmPlot::SetBackColor(int rgb)
{
    const unsigned value = static_cast<unsigned>(rgb);
    const float red = static_cast<float>((value & 0xFF) / 255.0L);
    const float blue = static_cast<float>(((value >> 16) & 0xFF) / 255.0L);
    const float green = static_cast<float>(((value >> 8) & 0xFF) / 255.0L);
    // The new colour shows with the next frame: setting it does not redraw.
    FDocument->EditView(
        QStringLiteral("Background Colour"),
        [&](TViewState& v) {
            v.BackColor = {red, green, blue};
            v.BackColorSet = true;
        },
        -1, true);
    if (MakeCurrent())
        gl::ClearColor(red, green, blue, 0);
}

TGLObject* TfrmPlot::AddObject(std::unique_ptr<TGLObject> obj, const QString& text)
{
    return FDocument->AddObject(std::move(obj), text);
}

void TfrmPlot::DeleteAll() { FDocument->DeleteAll(QStringLiteral("Delete All")); }

void TfrmPlot::closeEvent(QCloseEvent* event)
{
    bool mayClose = true;
    corvane::RunHandler([&] { mayClose = MaySaveChanges(); });
    if (!mayClose) {
        event->ignore();
        return;
    }
    FormClose();
    QOpenGLWidget::closeEvent(event);
}

QString TfrmPlot::SceneFileFilter()
{
    return QStringLiteral("Scenes (*.%1);;All files (*)").arg(scenefile::Extension());
}

bool TfrmPlot::MaySaveChanges()
{
    if (!FDocument->IsModified())
        return true;
    switch (corvane::AskSaveChanges(Title())) {
    case corvane::SaveChoice::Save:
        return SaveDocument(false);
    case corvane::SaveChoice::Discard:
        return true;
    case corvane::SaveChoice::Cancel:
        break;
    }
    return false;
}

bool TfrmPlot::SaveDocument(bool askName)
{
    QString fileName = FDocument->FileName();
    if (askName || fileName.isEmpty()) {
        const QString suggested =
            fileName.isEmpty() ? FViewName + QLatin1Char('.') + scenefile::Extension() : fileName;
        fileName = corvane::ChooseFileName(this, true, QStringLiteral("Save Scene As"), suggested,
                                           SceneFileFilter());
        if (fileName.isEmpty())
            return false;
        if (QFileInfo(fileName).suffix().isEmpty())
            fileName += QLatin1Char('.') + scenefile::Extension();
    }
    QString error;
    if (!FDocument->Save(fileName, error)) {
        corvane::ShowMessage(error);
        return false;
    }
    return true;
}

bool TfrmPlot::OpenDocument(const QString& fileName)
{
    QString error;
    QStringList skipped;
    if (!FDocument->Load(fileName, error, skipped)) {
        corvane::ShowMessage(error);
        return false;
    }
    if (!skipped.isEmpty())
        corvane::ShowMessage(QStringLiteral("Some of %1 could not be loaded:\n").arg(fileName) +
                             skipped.join(QLatin1Char('\n')));
    return true;
}

void TfrmPlot::FormClose()
{
    // Closing a view destroys it (an MDI child would otherwise only be hidden).
    if (FSubWindow)
        FSubWindow->setAttribute(Qt::WA_DeleteOnClose);
}

void TfrmPlot::FormDestroy()
{
    FDocument->Clear();
    if (FContextReady)
        doneCurrent();
    FContextReady = false;
}

void TfrmPlot::GetViewExtents(float& left, float& right, float& bottom, float& top) const
{
    left = FViewLeft;
    right = FViewRight;
    bottom = FViewBottom;
    top = FViewTop;
}

void TfrmPlot::GetCameraRotation(float& x, float& y, float& z) const
{
    x = View().CameraRotation[0];
    y = View().CameraRotation[1];
    z = View().CameraRotation[2];
}

void TfrmPlot::GetCameraTranslation(float& x, float& y, float& z) const
{
    x = View().CameraTranslation[0];
    y = View().CameraTranslation[1];
    z = View().CameraTranslation[2];
}

void TfrmPlot::GetBackColor(float& r, float& g, float& b) const
{
    r = View().BackColor[0];
    g = View().BackColor[1];
    b = View().BackColor[2];
}
