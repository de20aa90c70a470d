// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "GlDevice.h"
#include "TGLPolyObject.h"
#include "TSceneDocument.h"
#include "ViewPanels.h"
#include "tools/TViewTool.h"

#include <QOpenGLWidget>
#include <QString>

#include <cstdint>
#include <memory>
#include <vector>

class TGLObject;
class TToolTable;
class TViewNavigation;
class TViewTool;
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
//
// The scene itself (objects, current object, camera, view options) is the
// view's document (Document()); the view draws it and hands the mouse to the
// tool of its current code (src/view/tools), which turns it into edits of the
// document that can be undone. The middle button moves about the scene
// whatever the tool (TViewNavigation).
class TfrmPlot : public QOpenGLWidget {
    Q_OBJECT

public:
    explicit TfrmPlot(QWidget* parent = nullptr);
    ~TfrmPlot() override;

    TSceneDocument* Document() const { return FDocument.get(); }
    // The view's name ("Fig.2"); the caption adds the scene file's name and
    // a mark while the scene has unsaved changes.
    void SetViewName(const QString& name);
    // The panels this view shows a picked light in and takes its colours
    // from; the frame wires them.
    void SetPanels(const TViewPanels& panels) { FPanels = panels; }
    const TViewPanels& Panels() const { return FPanels; }
    const QString& ViewName() const { return FViewName; }
    // The caption without the unsaved-changes mark: the name and the scene
    // file's name, as prompts and the titles of pictures show it.
    QString Title() const;
    // Saves the scene to its file, asking for a name when it has none (or
    // always, with askName); false when the user cancels or writing fails
    // (the reason shown).
    bool SaveDocument(bool askName);
    // Loads a scene file into this view's document; false, with the reason
    // shown, when nothing could be loaded. What had to be left out is listed
    // in one message.
    bool OpenDocument(const QString& fileName);
    // Before closing: asks whether to save unsaved changes and does what the
    // user chose; false when the user cancels (or saving failed).
    bool MaySaveChanges();
    // The file dialog's filter for scene files.
    static QString SceneFileFilter();
    // The mouse position as the last move showed it ("Tools - mouse at ...").
    const QString& MouseText() const { return FMouseText; }

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
    // Removes every object of the scene (one undoable step) and redraws.
    void DeleteAll();

    // Zooming: the zoom divides the extents. ZoomBy keeps the view point
    // under the client pixel (x, y) where it is.
    void ZoomBy(float factor, int x, int y);
    void ZoomIn();
    // Fits the whole scene into the view; called again, goes back to the
    // camera and zoom from before.
    void ToggleZoomToFit();
    bool IsZoomedToFit() const { return FZoomFitSaved; }
    // A zoom of the user's own: the next zoom to fit fits again.
    void LeaveZoomToFit() { FZoomFitSaved = false; }
    // Fits the current object into the view (the whole scene when nothing
    // is current) as one undo step; the F key.
    void FrameCurrentObject();
    // The standard views of a modeller: the camera turned to look from the
    // left, right, top or bottom.
    enum class StandardView { Left, Right, Top, Bottom };
    void ShowStandardView(StandardView which);

    // Mouse and keyboard, as the window's event handlers call them; x and y are
    // client pixels, y growing downwards.
    void FormMouseDown(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y);
    void FormMouseUp(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y);
    void FormMouseMove(Qt::MouseButtons buttons, Qt::KeyboardModifiers shift, int x, int y);
    void FormKeyUp(int key, Qt::KeyboardModifiers shift);
    void FormKeyPress(int key, Qt::KeyboardModifiers shift = Qt::NoModifier);

    // Placing, picking and removing objects.
    // Sets the mouse tool; ToolChanged tells the panels.
    void SetTool(unsigned char tool);
    // The key that chooses each tool in a view (no modifier), and the tool a
    // key chooses: false for a key that chooses none. Escape also chooses Select.
    static int ToolKey(TMouseTool tool);
    static bool ToolForKey(int key, TMouseTool& tool);
    void Undo();
    void Redo();
    void MouseToView(int x, int y, float& vx, float& vy) const;
    // The drag anchor (FMouseX, FMouseY): where the last press was, in view
    // units, moved on by each drag step; a light is placed there.
    void GetMouseAnchor(float& vx, float& vy) const
    {
        vx = FMouseX;
        vy = FMouseY;
    }
    void SetMouseAnchor(float vx, float vy)
    {
        FMouseX = vx;
        FMouseY = vy;
    }
    void SetMouseForTesting(float vx, float vy) { SetMouseAnchor(vx, vy); }
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
    // The last name of each whole hit record in a selection buffer, in order;
    // a record that runs past the buffer ends the reading.
    static std::vector<GLuint> ParseHitNames(const std::vector<GLuint>& buffer, std::size_t hits);
    void DeleteCurrent();
    void CopyCurrent();
    void SetDetailAll(int level);
    // The subdivision level of the view's icosahedra: the current object's
    // when it is one, else the last one's in the scene, else the level a new
    // one starts with.
    int GetDetailLevel() const;
    void UpdateLightPanel();

    // Dragging and the camera.
    void SetRotateXY(bool on);
    void ResetAxis();
    // Places the camera directly (no redraw, no undo step); the mouse tools
    // and ResetAxis are the user's ways, this is for tools and tests.
    void SetCameraRotation(float x, float y, float z) { FDocument->LiveView().CameraRotation = {x, y, z}; }

    // Light options: act on the current object only when it is a light.
    void SetCurrentLightColor(unsigned char which, float r, float g, float b);
    void SetCurrentLightW(float w);
    // Lighting of the whole view, whatever the current object.
    void SetLighting(bool on);
    bool GetLighting() const { return View().Lighting; }

    // Textures and material of the current object. CreateTexture makes an
    // OpenGL texture (shared by all views) from an image and returns its name;
    // it throws when the image is empty or cannot be scaled.
    GLuint CreateTexture(const QImage& bitmap);
    // Gives the texture `name` the picture's pixels, at the picture's size
    // (powers of two, for every OpenGL); a picture shown anew (a field as it
    // changes) keeps its texture so.
    void ReplaceTexturePicture(GLuint name, const QImage& picture);
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
    void SetAnimateFlag(int flag);
    void ClearAnimateFlag(int flag);
    void SetAnimationInterval(int ms);
    void SetAnimateStep(int step);
    void tmrAnimationTimer();
    int GetAnimateFlags() const { return View().AnimateFlags; }
    int GetAnimateStep() const { return View().AnimateStep; }
    int GetAnimationInterval() const;

    // Read access to the view state for panels and tests.
    TMouseTool GetTool() const { return FTool; }
    TGLObject* GetFirstObject() const { return FDocument->First(); }
    TGLObject* GetCurrentObject() const { return FDocument->Current(); }
    void GetViewExtents(float& left, float& right, float& bottom, float& top) const;
    void GetCameraRotation(float& x, float& y, float& z) const;
    void GetCameraTranslation(float& x, float& y, float& z) const;
    void GetBackColor(float& r, float& g, float& b) const;
    bool GetRotateXY() const { return View().RotateXY; }
    bool GetIgnoreMouseMove() const { return FIgnoreMouseMove; }
    // Objects of the scene in list order.
    std::vector<TGLObject*> Objects() const;
    bool GetDrawAxis() const { return View().DrawAxis; }
    bool GetPerspective() const { return View().Perspective; }
    bool GetWireFrame() const { return View().WireFrame; }
    float GetNear() const { return FNear; }
    float GetFar() const { return FFar; }

    // The sub-window that frames this view, or null before it is placed.
    QMdiSubWindow* SubWindow() const;

    // Puts an object at the end of the scene list (the list owns it) and makes
    // it the current one; the first object becomes the head.
    TGLObject* AddObject(std::unique_ptr<TGLObject> obj, const QString& text = QStringLiteral("Add"));

    // Makes the context-creation steps fail as a broken OpenGL driver would,
    // so that the messages and the view's state afterwards can be tested.
    enum class ContextFault { None, ChoosePixelFormat, SetPixelFormat, CreateContext, MakeCurrent };
    static void SetContextFaultForTesting(ContextFault fault);
    // How many times Qt has given the view a context (a view moved to another
    // window may get a new one).
    int ContextCreations() const { return FContextCreations; }

signals:
    // The mouse position readout, for the frame's status bar.
    void MouseTextChanged(const QString& text);
    // The caption changed (file name, modified mark).
    void CaptionChanged();
    // The mouse tool changed.
    void ToolChanged();

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
    void wheelEvent(QWheelEvent* event) override;

private:
    class Host;
    const TViewState& View() const { return FDocument->View(); }
    // The document changed: bring the context's state, the extents and the
    // projection in line with it and draw.
    void SceneChanged(const TSceneChange& change);
    // Sends the document's view options to the context (clear colour,
    // polygon mode, lighting).
    void ApplyViewOptions();
    // Extents from the client size, the base extents and the zoom.
    void ComputeExtents();
    void UpdateCaption();
    // The mouse as the tool of FTool gets it.
    TToolEvent ToolEvent(Qt::MouseButton button, Qt::MouseButtons buttons, Qt::KeyboardModifiers shift, int x,
                         int y) const;
    void ToolPress(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y);
    void ToolRelease(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y);
    // The tool of FTool; when FTool changed while a button was held, the
    // tool that had the press finishes its drag first.
    TViewTool& ActiveTool();
    void FormShow();
    void FormResize();
    void FormClose();
    void FormDestroy();
    void FormInitializeGL();
    void FormPaint();
    bool SetupPixelFormat();
    // Clears and draws the axes and objects into the current context.
    void DrawFrame(GLenum mode);
    // The extents of a client area of w x h pixels (both positive), with the zoom.
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
    int ForegroundColor() const;
    // The light options of the WorkSpace panel, when it is there.
    void EnableLightOptions();
    void DisableLightOptions();

    std::unique_ptr<Host> FHost;
    std::unique_ptr<TSceneDocument> FDocument;
    TViewPanels FPanels;
    QString FViewName = QStringLiteral("Fig.1");
    QString FMouseText;
    QMdiSubWindow* FSubWindow = nullptr; // set by FormCreate
    TMouseTool FTool = mtCube;
    float FMouseX = 0, FMouseY = 0;
    float FViewLeft = 0, FViewRight = 0, FViewBottom = 0, FViewTop = 0;
    float FBaseLeft = -20, FBaseRight = 20, FBaseTop = 20, FBaseBottom = -20;
    float FNear = -30, FFar = 30;
    bool FIgnoreMouseMove = false;
    GLenum FTextureFilter = GL_NEAREST;
    QTimer* tmrAnimation;

    // The mouse tools, one per code, and the navigation every tool shares.
    std::unique_ptr<TToolTable> FTools;
    std::unique_ptr<TViewNavigation> FNavigation;
    TViewTool* FPressedTool = nullptr; // the tool a held button was pressed with
    Qt::MouseButtons FHeld;            // the buttons down over the view
    Qt::MouseButtons FSwallowed;       // pressed while navigating: their releases too are ignored
    // The camera and zoom from before a zoom to fit, while zoomed to fit.
    bool FZoomFitSaved = false;
    TViewState FBeforeZoomFit;

    // Context bookkeeping.
    bool FContextReady = false;  // the context works and InitGL has run
    bool FContextFailed = false; // creating or activating the context failed
    bool FInitialised = false;   // the first context has been set up
    int FContextCreations = 0;
    bool FPicking = false; // a pick's selection pass: no axes
    bool FShown = false;
    bool FInPaint = false;    // inside paintGL: the frame is shown on return
    bool FFrameReady = false; // a frame drawn outside paintGL awaits showing
};
