// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "GlDevice.h"
#include "ViewPanels.h"

#include <QColor>
#include <QDockWidget>
#include <QImage>
#include <QSize>

#include "TexturePicture.h"

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

// The "Output" panel: foreground and background colours, textures and the
// specular material of the active view's current object. It is also the
// colour source the views read when they place an object.
class TfrmOutPut : public QDockWidget, public TColorSource {
    Q_OBJECT

public:
    explicit TfrmOutPut(QMainWindow* frame);

    // Creation handler: docks into the frame's bottom area and from then on
    // follows the active view.
    void FormCreate();
    // The active view changed: the controls that act on a view are enabled
    // exactly while one is open, and the filter box shows the view's filter.
    void FollowActiveView();

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
    // The values beside the bars.
    QLabel *lblShini, *lblSpecR, *lblSpecG, *lblSpecB;
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
