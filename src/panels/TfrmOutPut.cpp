// SPDX-License-Identifier: GPL-3.0-or-later
#include "TfrmOutPut.h"

#include "StoragePlaces.h"

#include "TexturePicture.h"

#include "ActiveView.h"
#include "ImageList.h"
#include "Messages.h"
#include "TColorGrid.h"
#include "TShape.h"
#include "TfrmPlot.h"
#include "Widgets.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QColorDialog>
#include <QCoreApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QImageReader>
#include <QLabel>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QSignalBlocker>
#include <QSlider>
#include <QTabBar>
#include <QTabWidget>
#include <QTextEdit>
#include <QVBoxLayout>

#include <stdexcept>

namespace {

// A colour as an RGB value: red in the lowest byte, green, then blue.
int RgbValue(const QColor& c) { return c.red() | (c.green() << 8) | (c.blue() << 16); }

// Black swatches get a white outline so that they stay visible; the rest black.
QColor OutlineFor(const QColor& fill) { return RgbValue(fill) == 0 ? Qt::white : Qt::black; }

QSlider* Bar(QWidget* parent, const char* name, int max, QRect geometry)
{
    auto* bar = new QSlider(Qt::Horizontal, parent);
    bar->setObjectName(QLatin1String(name));
    bar->setRange(0, max);
    bar->setPageStep(25);
    bar->setTickPosition(QSlider::NoTicks);
    bar->setGeometry(geometry);
    return bar;
}

QPushButton* Button(QWidget* parent, const char* name, const QString& text, QRect geometry)
{
    auto* button = new QPushButton(text, parent);
    button->setObjectName(QLatin1String(name));
    button->setGeometry(geometry);
    return button;
}

} // namespace

TfrmOutPut::TfrmOutPut(QMainWindow* frame)
    : QDockWidget(QStringLiteral("Output"), frame), tabData(new QTabWidget(this)), FFrame(frame),
      FTextureButtons(new QButtonGroup(this)), FTextureGrid(nullptr)
{
    setObjectName(QStringLiteral("frmOutPut"));
    setAllowedAreas(Qt::LeftDockWidgetArea | Qt::BottomDockWidgetArea);
    QFont font(QStringLiteral("Times New Roman"));
    font.setPixelSize(12);
    setFont(font);
    // Floating, the panel shows its own caption; docked, the name of its View entry.
    connect(this, &QDockWidget::topLevelChanged, this, [this](bool floating) {
        setWindowTitle(floating ? QStringLiteral("frmOutPut") : QStringLiteral("Output"));
    });

    tabData->setObjectName(QStringLiteral("tabData"));
    tabData->setTabPosition(QTabWidget::South);
    QFont tabFont(QStringLiteral("Times New Roman"));
    tabFont.setPixelSize(13);
    tabData->tabBar()->setFont(tabFont);
    tabData->setIconSize(QSize(16, 16));
    tabData->addTab(BuildMessagePage(), corvane::ImageListIcon(19), QStringLiteral("Command Window"));
    tabData->addTab(BuildColorPage(), corvane::ImageListIcon(40), QStringLiteral("Color Setting"));
    tabData->addTab(BuildTexturePage(), corvane::ImageListIcon(48), QStringLiteral("Texture"));
    tabData->addTab(BuildMaterialPage(), corvane::ImageListIcon(21),
                    QStringLiteral("Specularity of the material:"));
    tabData->setCurrentIndex(1);
    setWidget(tabData);
}

QWidget* TfrmOutPut::BuildMessagePage()
{
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("tbMsg"));
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    reMsg = new QTextEdit(page);
    reMsg->setObjectName(QStringLiteral("reMsg"));
    reMsg->setAcceptRichText(true);
    reMsg->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    reMsg->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    reMsg->setLineWrapMode(QTextEdit::NoWrap);
    QFont font(QStringLiteral("Times New Roman"));
    font.setPixelSize(11);
    reMsg->setFont(font);
    layout->addWidget(reMsg);
    return page;
}

QWidget* TfrmOutPut::BuildColorPage()
{
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("TabSheet2"));
    Panel3 = new QFrame(page);
    Panel3->setObjectName(QStringLiteral("Panel3"));
    Panel3->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Panel3->setLineWidth(2);
    Panel3->setGeometry(0, 0, 40, 40);
    BGShape = new TShape(Panel3);
    BGShape->setObjectName(QStringLiteral("BGShape"));
    BGShape->setGeometry(16, 16, 17, 17);
    BGShape->SetBrushColor(Qt::white);
    BGShape->SetPenColor(Qt::black);
    FGShape = new TShape(Panel3);
    FGShape->setObjectName(QStringLiteral("FGShape"));
    FGShape->setGeometry(8, 8, 18, 18);
    FGShape->SetBrushColor(Qt::red);
    FGShape->SetPenColor(Qt::white);
    FGShape->raise();

    ColorGrid = new TColorGrid(page);
    ColorGrid->move(39, 1);
    btnOther = Button(page, "btnOther", QStringLiteral("Other..."), QRect(250, 0, 60, 25));
    connect(ColorGrid, &TColorGrid::changed, this,
            [this] { corvane::RunHandler([this] { ColorGridChange(); }); });
    connect(btnOther, &QPushButton::clicked, this,
            [this] { corvane::RunHandler([this] { btnOtherClick(); }); });
    return page;
}

QWidget* TfrmOutPut::BuildTexturePage()
{
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("TabSheet1"));
    btnAddTexture = Button(page, "btnAddTexture", QStringLiteral("Add Texture..."), QRect(3, 0, 118, 25));
    chkbxLinear = new QCheckBox(QStringLiteral("Linear"), page);
    chkbxLinear->setObjectName(QStringLiteral("chkbxLinear"));
    chkbxLinear->setGeometry(16, 26, 81, 17);
    btnApplyToCurrent =
        Button(page, "btnApplyToCurrent", QStringLiteral("Apply To Current"), QRect(2, 42, 119, 25));

    rdgrpTextures = new QGroupBox(QStringLiteral("Textures"), page);
    rdgrpTextures->setObjectName(QStringLiteral("rdgrpTextures"));
    rdgrpTextures->setGeometry(128, 0, 657, 68);
    auto* groupLayout = new QVBoxLayout(rdgrpTextures);
    groupLayout->setContentsMargins(4, 2, 4, 2);
    // The list only grows: it scrolls once it no longer fits.
    auto* scroll = new QScrollArea(rdgrpTextures);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    auto* items = new QWidget;
    FTextureGrid = new QGridLayout(items);
    FTextureGrid->setContentsMargins(0, 0, 0, 0);
    FTextureGrid->setVerticalSpacing(0);
    FTextureGrid->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    scroll->setWidget(items);
    groupLayout->addWidget(scroll);
    FTextureButtons->setExclusive(true);
    AddTextureItem(QStringLiteral("None"), 0);

    connect(btnAddTexture, &QPushButton::clicked, this,
            [this] { corvane::RunHandler([this] { btnAddTextureClick(); }); });
    connect(chkbxLinear, &QCheckBox::clicked, this,
            [this] { corvane::RunHandler([this] { chkbxLinearClick(); }); });
    connect(btnApplyToCurrent, &QPushButton::clicked, this,
            [this] { corvane::RunHandler([this] { btnApplyToCurrentClick(); }); });
    return page;
}

QWidget* TfrmOutPut::BuildMaterialPage()
{
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("TabSheet3"));
    corvane::PlaceLabel(page, QStringLiteral("Shininess:"), QPoint(16, 0), "Label14");
    trkbrShini = Bar(page, "trkbrShini", 100, QRect(6, 17, 66, 30));
    corvane::PlaceLabel(page, QStringLiteral("Red (None to Full):"), QPoint(125, 1), "Label11");
    trkbrSpecR = Bar(page, "trkbrSpecR", 255, QRect(126, 17, 66, 25));
    corvane::PlaceLabel(page, QStringLiteral("Green (None to Full):"), QPoint(244, 0), "Label12");
    trkbrSpecG = Bar(page, "trkbrSpecG", 255, QRect(246, 17, 66, 25));
    corvane::PlaceLabel(page, QStringLiteral("Blue (None to Full):"), QPoint(372, 0), "Label13");
    trkbrSpecB = Bar(page, "trkbrSpecB", 255, QRect(374, 17, 66, 25));
    // Each bar's value at its right, following it.
    auto valueOf = [page](QSlider* bar, const char* name) {
        auto* value = new QLabel(QString::number(bar->value()), page);
        value->setObjectName(QLatin1String(name));
        value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        value->setGeometry(bar->x() + bar->width() + 2, bar->y() + 4, 26, 16);
        QObject::connect(bar, &QSlider::valueChanged, value,
                         [value](int position) { value->setText(QString::number(position)); });
        return value;
    };
    lblShini = valueOf(trkbrShini, "lblShini");
    lblSpecR = valueOf(trkbrSpecR, "lblSpecR");
    lblSpecG = valueOf(trkbrSpecG, "lblSpecG");
    lblSpecB = valueOf(trkbrSpecB, "lblSpecB");
    btnApplySpecs = Button(page, "btnApplySpecs", QStringLiteral("Apply to Current"), QRect(496, 6, 105, 25));
    connect(btnApplySpecs, &QPushButton::clicked, this,
            [this] { corvane::RunHandler([this] { btnApplySpecsClick(); }); });
    return page;
}

void TfrmOutPut::FormCreate()
{
    FFrame->addDockWidget(Qt::BottomDockWidgetArea, this);
    if (auto* area = qobject_cast<QMdiArea*>(FFrame->centralWidget()))
        connect(area, &QMdiArea::subWindowActivated, this,
                [this] { corvane::RunHandler([this] { FollowActiveView(); }); });
    FollowActiveView();
}

void TfrmOutPut::FollowActiveView()
{
    TfrmPlot* view = ActiveView();
    // The colours stay choosable without a view: new objects take them.
    EnableForView({btnAddTexture, chkbxLinear, btnApplyToCurrent, trkbrShini, trkbrSpecR, trkbrSpecG,
                   trkbrSpecB, btnApplySpecs},
                  view != nullptr);
    if (view) {
        const QSignalBlocker block(chkbxLinear);
        chkbxLinear->setChecked(view->GetTextureFilter() == GL_LINEAR);
    }
}

TfrmPlot* TfrmOutPut::ActiveView() const { return ActiveViewOf(FFrame); }

int TfrmOutPut::ForegroundColor() const { return RgbValue(FGShape->BrushColor()); }

int TfrmOutPut::BackgroundColor() const { return RgbValue(BGShape->BrushColor()); }

void TfrmOutPut::ColorGridChange()
{
    const QColor fg = ColorGrid->ForegroundColor();
    FGShape->SetBrushColor(fg);
    FGShape->SetPenColor(OutlineFor(fg));
    const QColor bg = ColorGrid->BackgroundColor();
    BGShape->SetBrushColor(bg);
    BGShape->SetPenColor(OutlineFor(bg));
    if (TfrmPlot* view = ActiveView())
        view->ApplyCurrentColors();
}

void TfrmOutPut::btnOtherClick()
{
    const QColor chosen = QColorDialog::getColor(FGShape->BrushColor(), this);
    OtherColorChosen(chosen.isValid() ? std::optional<QColor>(chosen) : std::nullopt);
}

void TfrmOutPut::OtherColorChosen(const std::optional<QColor>& chosen)
{
    if (chosen)
        FGShape->SetBrushColor(*chosen);
    if (TfrmPlot* view = ActiveView())
        view->ApplyCurrentColors();
}

void TfrmOutPut::btnAddTextureClick()
{
    const QString chosen =
        QFileDialog::getOpenFileName(this, QString(), corvane::ProgramStoragePlaces().startFolder);
    if (chosen.isEmpty())
        return;
    AddTextureFile(chosen);
}

void TfrmOutPut::AddTextureFile(const QString& fileName)
{
    TfrmPlot* view = ActiveView();
    // Without a view there is no OpenGL limit to respect; the picture is still
    // read so that a file that is not one is reported.
    GLint maxTextureSize = 0;
    if (view && view->MakeCurrent())
        gl::GetIntegerv(GL_MAX_TEXTURE_SIZE, &maxTextureSize);
    const QImage image = ReadTexturePicture(fileName, maxTextureSize > 0 ? maxTextureSize : 1 << 30);
    if (!view)
        return;
    const GLuint name = view->CreateTexture(image);
    // Scenes keep a texture by the picture it was made from.
    RememberTextureFile(name, QFileInfo(fileName).absoluteFilePath());
    AddTextureItem(QFileInfo(fileName).fileName(), name);
}

void TfrmOutPut::AddTextureItem(const QString& caption, GLuint name)
{
    const int item = static_cast<int>(FTextureNames.size());
    auto* button = new QRadioButton(caption);
    button->setObjectName(QStringLiteral("texture%1").arg(item));
    FTextureButtons->addButton(button, item);
    FTextureGrid->addWidget(button, item / 3, item % 3);
    FTextureNames.push_back(name);
}

QString TfrmOutPut::TextureCaption(int item) const { return FTextureButtons->button(item)->text(); }

int TfrmOutPut::ChosenTexture() const { return FTextureButtons->checkedId(); }

void TfrmOutPut::ChooseTexture(int item)
{
    if (QAbstractButton* button = FTextureButtons->button(item))
        button->setChecked(true);
}

void TfrmOutPut::chkbxLinearClick()
{
    if (TfrmPlot* view = ActiveView())
        view->SetLinearFilter(chkbxLinear->isChecked());
}

void TfrmOutPut::btnApplyToCurrentClick()
{
    const int item = ChosenTexture();
    if (item < 0)
        return;
    if (TfrmPlot* view = ActiveView())
        view->SetCurrentTexture(TextureName(item));
}

void TfrmOutPut::btnApplySpecsClick()
{
    if (TfrmPlot* view = ActiveView())
        view->SetCurrentMaterial(static_cast<float>(trkbrSpecR->value()) / 255,
                                 static_cast<float>(trkbrSpecG->value()) / 255,
                                 static_cast<float>(trkbrSpecB->value()) / 255,
                                 static_cast<float>(trkbrShini->value() * 0.01 * 6));
}
