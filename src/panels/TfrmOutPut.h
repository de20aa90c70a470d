#pragma once

#include "GlDevice.h"
#include "ViewLinks.h"

#include <QColor>
#include <QDockWidget>
#include <QImage>
#include <QSize>

#include <optional>
#include <vector>

class QButtonGroup;
class QCheckBox;
class QFrame;
class QGridLayout;
class QGroupBox;
class QLabel;
class QMainWindow;
class QPushButton;
class QRadioButton;
class QSlider;
class QTabWidget;
class QTextEdit;
class TColorGrid;
class TShape;
class TfrmPlot;

// The size of the texture a picture of the given size becomes: powers of two
// no larger than the picture nor than maxTextureSize, halved further until the
// decoded picture (four bytes a pixel) fits byteLimit (no limit when 0).
QSize TextureSizeFor(QSize picture, int maxTextureSize, qint64 byteLimit);

// Reads a picture file for a texture. A picture larger than its texture is
// scaled to the texture's size while it is decoded (where its format allows),
// so that large photos need little memory. Throws with a message naming the
// file when it cannot be read.
QImage ReadTexturePicture(const QString& fileName, int maxTextureSize);

// The "Output" panel: foreground and background colours, textures and the
// specular material of the active view's current object. It is also the
// colour source the views read when they place an object.
class TfrmOutPut : public QDockWidget, public TColorSource {
    Q_OBJECT

public:
    explicit TfrmOutPut(QMainWindow* frame);

    // Creation handler: docks into the frame's bottom area.
    void FormCreate();

    int ForegroundColor() const override;
    int BackgroundColor() const override;

    // Handlers. The dialog steps are split off so that what follows a choice
    // can run without a dialog.
    void ColorGridChange();
    void btnOtherClick();
    void OtherColorChosen(const std::optional<QColor>& chosen);
    void btnAddTextureClick();
    void AddTextureFile(const QString& fileName);
    void chkbxLinearClick();
    void btnApplyToCurrentClick();
    void btnApplySpecsClick();

    // The texture list: captions and texture names, item 0 being "None" (0).
    int TextureCount() const { return static_cast<int>(FTextureNames.size()); }
    QString TextureCaption(int item) const;
    GLuint TextureName(int item) const { return FTextureNames[static_cast<std::size_t>(item)]; }
    // The chosen item, or -1.
    int ChosenTexture() const;
    void ChooseTexture(int item);

    QTabWidget* tabData;
    QTextEdit* reMsg;
    QFrame* Panel3;
    TShape* BGShape;
    TShape* FGShape;
    TColorGrid* ColorGrid;
    QPushButton* btnOther;
    QPushButton* btnAddTexture;
    QCheckBox* chkbxLinear;
    QPushButton* btnApplyToCurrent;
    QGroupBox* rdgrpTextures;
    QSlider *trkbrShini, *trkbrSpecR, *trkbrSpecG, *trkbrSpecB;
    QPushButton* btnApplySpecs;

private:
    QWidget* BuildMessagePage();
    QWidget* BuildColorPage();
    QWidget* BuildTexturePage();
    QWidget* BuildMaterialPage();
    void AddTextureItem(const QString& caption, GLuint name);
    TfrmPlot* ActiveView() const;

    QMainWindow* FFrame;
    QButtonGroup* FTextureButtons;
    QGridLayout* FTextureGrid;
    std::vector<GLuint> FTextureNames;
};
