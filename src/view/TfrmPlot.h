#pragma once

#include "GlDevice.h"
#include "TGLPolyObject.h"

#include <QOpenGLWidget>
#include <QString>

#include <cstdint>
#include <memory>
#include <vector>

class TGLObject;
class QMdiSubWindow;
class QTimer;
class QImage;

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

// Spins the animation timer performs, as bits of FAnimateFlags.
enum TAnimateFlag : std::int32_t {
    afCameraX = 1,
    afCameraY = 2,
    afCameraZ = 4,
    afObjectX = 8,
    afObjectY = 16,
    afObjectZ = 32
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
    // Draws the view's picture, as RenderScene draws it, at width x height
    // pixels into whatever context and framebuffer are current (an off-screen
    // one, say, or a feedback pass): the view's OpenGL state, the viewport and
    // the projection a client area of that size would have, the axes and the
    // objects. The view's own context and extents are left as they are.
    void DrawPicture(int width, int height);
    void DrawAxes();
    void UpdateProjection();
    void ApplyProjection();
    void SetDrawAxis(bool on);
    void SetPerspective(bool on);
    void SetWireFrame(bool on);
    void SetBackColor(int rgb);
    // Destroys every object of the scene and redraws.
    void DeleteAll();

    // Mouse and keyboard, as the window's event handlers call them; x and y are
    // client pixels, y growing downwards.
    void FormMouseDown(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y);
    void FormMouseUp(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y);
    void FormMouseMove(Qt::MouseButtons buttons, Qt::KeyboardModifiers shift, int x, int y);
    void FormKeyUp(int key, Qt::KeyboardModifiers shift);
    void FormKeyPress(int key);

    // Placing, picking and removing objects.
    void SetTool(unsigned char tool) { FTool = static_cast<TMouseTool>(tool); }
    void MouseToView(int x, int y, float& vx, float& vy) const;
    void RemoveCameraOffset(float& x, float& y) const;
    void AddCube(float x, float y);
    void AddIcosahedron(float x, float y);
    void AddPyramid(float x, float y);
    void AddPlane(float x, float y);
    void AddLight();
    // Loads a polygon object from a ".coor" file and its ".poly" file and
    // shrinks it to fit the view; false (with a message shown) when it fails.
    bool LoadPolyObject(const QString& fileName);
    // Places loaded polygon objects (the meshes of one file) in the scene with
    // the foreground colour, all shrunk by one factor so that together they
    // fit the view (never enlarged), makes the last one current and redraws.
    void AddPolyObjects(std::vector<std::unique_ptr<TGLPolyObject>> objects);
    void PickObject(int x, int y);
    void DeleteCurrent();
    void CopyCurrent();
    void SetDetailAll(int level);
    void UpdateLightPanel();

    // Dragging and the camera.
    void SetRotateXY(bool on) { FRotateXY = on; }
    void ResetAxis();
    // Places the camera directly (no redraw); the mouse tools and ResetAxis
    // are the user's ways, this is for tools and tests.
    void SetCameraRotation(float x, float y, float z)
    {
        FCameraRotX = x;
        FCameraRotY = y;
        FCameraRotZ = z;
    }

    // Light options: act on the current object only when it is a light.
    void SetCurrentLightColor(unsigned char which, float r, float g, float b);
    void SetCurrentLightW(float w);
    // Lighting of the whole view, whatever the current object.
    void SetLighting(bool on);
    bool GetLighting() const { return FLighting; }

    // Textures and material of the current object. CreateTexture makes an
    // OpenGL texture (shared by all views) from an image and returns its name;
    // it throws when the image is empty or cannot be scaled.
    GLuint CreateTexture(const QImage& bitmap);
    void SetLinearFilter(bool linear) { FTextureFilter = linear ? GL_LINEAR : GL_NEAREST; }
    GLenum GetTextureFilter() const { return FTextureFilter; }
    void SetCurrentTexture(GLuint name);
    void SetCurrentMaterial(float r, float g, float b, float shininess);
    // Gives the current object the foreground colour and the view the
    // background colour of the colour source; nothing without a current object.
    void ApplyCurrentColors();

    // Animation.
    void EnableAnimation(bool on);
    bool IsAnimating() const;
    void SetAnimateFlag(int flag) { FAnimateFlags |= flag; }
    void ClearAnimateFlag(int flag) { FAnimateFlags &= ~flag; }
    void SetAnimationInterval(int ms);
    void SetAnimateStep(int step) { FAnimateStep = step; }
    void tmrAnimationTimer();
    int GetAnimateFlags() const { return FAnimateFlags; }
    int GetAnimateStep() const { return FAnimateStep; }
    int GetAnimationInterval() const;

    // Read access to the view state for panels and tests.
    TMouseTool GetTool() const { return FTool; }
    TGLObject* GetFirstObject() const { return FFirstObject; }
    TGLObject* GetCurrentObject() const { return FCurrentObject; }
    void GetViewExtents(float& left, float& right, float& bottom, float& top) const;
    void GetCameraRotation(float& x, float& y, float& z) const;
    void GetCameraTranslation(float& x, float& y, float& z) const;
    void GetBackColor(float& r, float& g, float& b) const;
    bool GetRotateXY() const { return FRotateXY; }
    bool GetIgnoreMouseMove() const { return FIgnoreMouseMove; }
    // Objects of the scene in list order.
    std::vector<TGLObject*> Objects() const;
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
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void FormShow();
    void FormResize();
    void FormClose();
    void FormDestroy();
    bool SetupPixelFormat();
    // Clears and draws the axes and objects into the current context.
    void DrawFrame(GLenum mode);
    // The extents of a client area of w x h pixels (both positive).
    void SetExtentsFor(int w, int h);
    void ApplyProjectionFor(double aspect);
    void InitGL();
    void BuildFontLists();
    // Restores what the view set in its context, after a new context replaced the old one.
    void RestoreContextState();
    void ReleaseContext();
    void SwapBuffers();
    // Links a placed primitive into the scene with the foreground colour and
    // its initial growth, selects it and redraws.
    void PlaceObject(std::unique_ptr<TGLObject> obj, float growth);
    static int ForegroundColor();
    // The light options of the WorkSpace panel, when it is there.
    static void EnableLightOptions();
    static void DisableLightOptions();

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
    QTimer* tmrAnimation;

    // Context bookkeeping.
    bool FContextReady = false;  // the context works and InitGL has run
    bool FContextFailed = false; // creating or activating the context failed
    bool FBackColorSet = false;  // SetBackColor has replaced the initial white
    bool FWireFrame = false;
    bool FLighting = false;
    bool FShown = false;
    bool FInPaint = false;    // inside paintGL: the frame is shown on return
    bool FFrameReady = false; // a frame drawn outside paintGL awaits showing
};
