#include "TfrmPlot.h"

#include "ContextScope.h"
#include "Messages.h"
#include "TGLLight.h"
#include "TGLObject.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <QMdiSubWindow>
#include <QOpenGLContext>
#include <QPainter>
#include <QScreen>
#include <QSurfaceFormat>
#include <QTimer>

#include <array>
#include <cstring>
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

TfrmPlot::TfrmPlot(QWidget* parent) : QOpenGLWidget(parent), tmrAnimation(new QTimer(this))
{
    tmrAnimation->setObjectName(QStringLiteral("tmrAnimation"));
    tmrAnimation->setInterval(1);
    connect(tmrAnimation, &QTimer::timeout, this,
            [this] { corvane::RunHandler([this] { tmrAnimationTimer(); }); });
    // The caption follows the mouse even without a button held.
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    setWindowTitle(QStringLiteral("Fig.1"));
    // Frames drawn outside paintGL must survive until they are composed.
    setUpdateBehavior(QOpenGLWidget::PartialUpdate);
    // An opaque framebuffer: the clear colour's alpha of 0 must not let the
    // window behind show through.
    setTextureFormat(GL_RGB8);
}

TfrmPlot::~TfrmPlot()
{
    FormDestroy();
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
    FTool = mtSelect;
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
    if (FBackColorSet)
        gl::ClearColor(FBackRed, FBackGreen, FBackBlue, 0);
    if (FWireFrame)
        gl::PolygonMode(GL_FRONT_AND_BACK, GL_LINE);
    if (FLighting)
        gl::Enable(GL_LIGHTING);
    for (TGLObject* obj = FFirstObject; obj; obj = obj->GetNext())
        if (std::strcmp(obj->GetTypeName(), "TGLLight") == 0)
            static_cast<TGLLight*>(obj)->Restore();
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
        FormShow();
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

void TfrmPlot::resizeGL(int, int) { FormResize(); }

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

void TfrmPlot::SetExtentsFor(int w, int h)
{
    const float r = static_cast<float>(h) / static_cast<float>(w);
    if (w > h) {
        FViewLeft = FBaseLeft / r;
        FViewRight = FBaseRight / r;
        FViewBottom = FBaseBottom;
        FViewTop = FBaseTop;
    } else {
        FViewLeft = FBaseLeft;
        FViewRight = FBaseRight;
        FViewBottom = FBaseBottom * r;
        FViewTop = FBaseTop * r;
    }
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
    if (FPerspective) {
        gl::Perspective(60, aspect, 0.1, 200);
        gl::Translatef(0, 0, FNear);
    } else {
        gl::Ortho(FViewLeft, FViewRight, FViewBottom, FViewTop, FNear, FFar);
    }
    gl::Translatef(FCameraX, FCameraY, FCameraZ);
    gl::Rotatef(FCameraRotX, 1, 0, 0);
    gl::Rotatef(FCameraRotY, 0, 1, 0);
    gl::Rotatef(FCameraRotZ, 0, 0, 1);
}

void TfrmPlot::paintGL()
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
    if (mode == GL_RENDER)
        SwapBuffers();
}

void TfrmPlot::DrawFrame(GLenum mode)
{
    gl::Clear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    if (FDrawAxis)
        DrawAxes();
    for (TGLObject* obj = FFirstObject; obj; obj = obj->GetNext()) {
        obj->SetSelected(obj == FCurrentObject);
        obj->Draw(mode);
    }
    gl::Flush();
}

void TfrmPlot::DrawPicture(int width, int height)
{
    if (width <= 0 || height <= 0)
        return;
    // The state InitGL and RestoreContextState give the view's own context.
    gl::ClearColor(FBackColorSet ? FBackRed : 1, FBackColorSet ? FBackGreen : 1,
                   FBackColorSet ? FBackBlue : 1, 0);
    gl::ShadeModel(GL_SMOOTH);
    gl::Enable(GL_DEPTH_TEST);
    gl::LightModeli(GL_LIGHT_MODEL_LOCAL_VIEWER, 1);
    gl::Enable(GL_NORMALIZE);
    gl::ListBase(kFontListBase);
    gl::PolygonMode(GL_FRONT_AND_BACK, FWireFrame ? GL_LINE : GL_FILL);
    if (FLighting)
        gl::Enable(GL_LIGHTING);
    else
        gl::Disable(GL_LIGHTING);
    // The extents and projection a client area of this size would have.
    const float saved[4] = {FViewLeft, FViewRight, FViewBottom, FViewTop};
    SetExtentsFor(width, height);
    gl::Viewport(0, 0, width, height);
    gl::MatrixMode(GL_PROJECTION);
    gl::LoadIdentity();
    ApplyProjectionFor(static_cast<double>(width) / static_cast<double>(height));
    gl::MatrixMode(GL_MODELVIEW);
    gl::LoadIdentity();
    for (TGLObject* obj = FFirstObject; obj; obj = obj->GetNext())
        if (std::strcmp(obj->GetTypeName(), "TGLLight") == 0)
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
    FDrawAxis = on;
    RenderScene(GL_RENDER);
}

void TfrmPlot::SetPerspective(bool on)
{
    FPerspective = on;
    UpdateProjection();
    RenderScene(GL_RENDER);
}

void TfrmPlot::SetWireFrame(bool on)
{
    FWireFrame = on;
    if (MakeCurrent())
        gl::PolygonMode(GL_FRONT_AND_BACK, on ? GL_LINE : GL_FILL);
    RenderScene(GL_RENDER);
}

void TfrmPlot::SetBackColor(int rgb)
{
    const unsigned value = static_cast<unsigned>(rgb);
    FBackRed = static_cast<float>((value & 0xFF) / 255.0L);
    FBackBlue = static_cast<float>(((value >> 16) & 0xFF) / 255.0L);
    FBackGreen = static_cast<float>(((value >> 8) & 0xFF) / 255.0L);
    FBackColorSet = true;
    if (MakeCurrent())
        gl::ClearColor(FBackRed, FBackGreen, FBackBlue, 0);
}

TGLObject* TfrmPlot::AddObject(std::unique_ptr<TGLObject> obj)
{
    TGLObject* added = nullptr;
    if (!FFirstObject) {
        FFirstObject = obj.release();
        added = FFirstObject;
    } else {
        added = FFirstObject->Append(std::move(obj));
    }
    FCurrentObject = added;
    return added;
}

void TfrmPlot::DeleteAll()
{
    {
        ContextScope scope(*this);
        if (FFirstObject) {
            FFirstObject->DeleteFollowing();
            delete FFirstObject;
        }
        FFirstObject = nullptr;
        FCurrentObject = nullptr;
    }
    RenderScene(GL_RENDER);
}

void TfrmPlot::closeEvent(QCloseEvent* event)
{
    FormClose();
    QOpenGLWidget::closeEvent(event);
}

void TfrmPlot::FormClose()
{
    // Closing a view destroys it (an MDI child would otherwise only be hidden).
    if (FSubWindow)
        FSubWindow->setAttribute(Qt::WA_DeleteOnClose);
}

void TfrmPlot::FormDestroy()
{
    DeleteAll();
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
    x = FCameraRotX;
    y = FCameraRotY;
    z = FCameraRotZ;
}

void TfrmPlot::GetCameraTranslation(float& x, float& y, float& z) const
{
    x = FCameraX;
    y = FCameraY;
    z = FCameraZ;
}

void TfrmPlot::GetBackColor(float& r, float& g, float& b) const
{
    r = FBackRed;
    g = FBackGreen;
    b = FBackBlue;
}
