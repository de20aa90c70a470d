#pragma once

#include "GlDevice.h"

#include <QOpenGLWidget>

#include <cstdint>

class TGLObject;
class QMdiSubWindow;

// What a mouse click or drag in a view does.
enum TMouseTool : std::uint8_t {
    mtCube = 0,
    mtIcosahedron = 1,
    mtPyramid = 2,
    mtPlane = 3,
    mtAddLight = 4,
    mtSelect = 5,
    mtScale = 6,
    mtTranslate = 7,
    mtRotate = 8,
    mtDelete = 9,
    mtCameraRotate = 10,
    mtCameraTranslate = 11
};

// Sets the process-wide OpenGL defaults every view relies on: the surface
// format (RGB without alpha, depth buffer, double buffering, compatibility
// profile) and context sharing, so that all views see the same textures.
// Must run before the QApplication is constructed.
void ConfigureOpenGL();

// A 3-D view: one scene, camera and projection drawn with OpenGL in its own
// context. It lives inside a QMdiSubWindow of the main frame; the widget
// itself is the client area.
//
// Every operation that changes what the view shows draws one complete frame
// at once (RenderScene). A frame drawn outside paintGL is shown by update();
// paintGL then skips drawing it a second time.
class TfrmPlot : public QOpenGLWidget {
    Q_OBJECT

public:
    explicit TfrmPlot(QWidget* parent = nullptr);
    ~TfrmPlot() override;

    // Creation handler, run once the window has been placed in its MDI sub-window.
    void FormCreate();

    // Makes this view's context current; false while the view has no working
    // context, in which case the caller skips its OpenGL commands.
    bool MakeCurrent();
    bool HasContext() const { return FContextReady; }

    void RenderScene(GLenum mode);
    void DrawAxes();
    void UpdateProjection();
    void ApplyProjection();
    void SetDrawAxis(bool on);
    void SetPerspective(bool on);
    void SetWireFrame(bool on);
    void SetBackColor(int rgb);
    // Destroys every object of the scene and redraws.
    void DeleteAll();

    // Read access to the view state for panels and tests.
    TMouseTool GetTool() const { return FTool; }
    TGLObject* GetFirstObject() const { return FFirstObject; }
    TGLObject* GetCurrentObject() const { return FCurrentObject; }
    void GetViewExtents(float& left, float& right, float& bottom, float& top) const;
    void GetBaseExtents(float& left, float& right, float& bottom, float& top) const;
    void GetCameraRotation(float& x, float& y, float& z) const;
    void GetCameraTranslation(float& x, float& y, float& z) const;
    void GetBackColor(float& r, float& g, float& b) const;
    bool GetDrawAxis() const { return FDrawAxis; }
    bool GetPerspective() const { return FPerspective; }
    bool GetWireFrame() const { return FWireFrame; }
    float GetNear() const { return FNear; }
    float GetFar() const { return FFar; }

    // The sub-window that frames this view, or null before it is placed.
    QMdiSubWindow* SubWindow() const;

    // Puts an object at the end of the scene list (the list owns it) and makes
    // it the current one; the first object becomes the head.
    TGLObject* AddObject(std::unique_ptr<TGLObject> obj);

    // Makes the context-creation steps fail as a broken OpenGL driver would,
    // so that the messages and the view's state afterwards can be tested.
    enum class ContextFault { None, ChoosePixelFormat, SetPixelFormat, CreateContext, MakeCurrent };
    static void SetContextFaultForTesting(ContextFault fault);

protected:
    void initializeGL() override;
    void resizeGL(int w, int h) override;
    void paintGL() override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void FormShow();
    void FormResize();
    void FormClose();
    void FormDestroy();
    bool SetupPixelFormat();
    void InitGL();
    void BuildFontLists();
    // Restores what the view set in its context, after a new context replaced the old one.
    void RestoreContextState();
    void ReleaseContext();
    void SwapBuffers();

    QMdiSubWindow* FSubWindow = nullptr; // set by FormCreate
    TGLObject* FFirstObject = nullptr;
    TGLObject* FCurrentObject = nullptr;
    TMouseTool FTool = mtCube;
    float FMouseX = 0, FMouseY = 0;
    float FViewLeft = 0, FViewRight = 0, FViewBottom = 0, FViewTop = 0;
    float FCameraRotX = 20, FCameraRotY = 20, FCameraRotZ = 0;
    float FCameraX = 0, FCameraY = 0, FCameraZ = 0;
    float FBackRed = 0, FBackBlue = 0, FBackGreen = 0;
    bool FRotateXY = true;
    bool FDrawAxis = true;
    bool FPerspective = false;
    float FBaseLeft = -20, FBaseRight = 20, FBaseTop = 20, FBaseBottom = -20;
    float FNear = -30, FFar = 30;
    bool FIgnoreMouseMove = false;
    std::int32_t FAnimateFlags = 0;
    std::int32_t FAnimateStep = 5;
    GLenum FTextureFilter = GL_NEAREST;

    // Context bookkeeping.
    bool FContextReady = false;  // the context works and InitGL has run
    bool FContextFailed = false; // creating or activating the context failed
    bool FBackColorSet = false;  // SetBackColor has replaced the initial white
    bool FWireFrame = false;
    bool FShown = false;
    bool FInPaint = false;    // inside paintGL: the frame is shown on return
    bool FFrameReady = false; // a frame drawn outside paintGL awaits showing
};
