// SPDX-License-Identifier: GPL-3.0-or-later
#include "TAboutBox.h"

#include "Messages.h"
#include "ProgramNotice.h"
#include "TSplash.h"
#include "Widgets.h"

#include <QCloseEvent>
#include <QDesktopServices>
#include <QFrame>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QTimer>
#include <QUrl>

namespace {

const QString kTitle = QStringLiteral("Corvane");

void SetColour(QLabel* label, const QColor& colour)
{
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colour);
    label->setPalette(palette);
}

} // namespace

QString TAboutBox::MarqueeText() { return kTitle + QString(17, QLatin1Char(' ')) + kTitle; }

QString TAboutBox::MailAddress() { return QStringLiteral("corvane@example.org"); }

QString TAboutBox::MailLink()
{
    return QStringLiteral("mailto:") + MailAddress() +
           QStringLiteral("?subject=About Veltrane&body=Dear Mr.Talbrin");
}

TAboutBox::TAboutBox(QWidget* parent) : QDialog(parent), Timer1(new QTimer(this))
{
    setObjectName(QStringLiteral("AboutBox"));
    setWindowTitle(QStringLiteral("About"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(11);
    setFont(font);
    resize(329, 87);

    Panel1 = new QFrame(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    ProgramIcon = new QLabel(Panel1);
    ProgramIcon->setObjectName(QStringLiteral("ProgramIcon"));
    ProgramIcon->setGeometry(7, 2, 59, 71);
    ProgramIcon->setScaledContents(true);
    ProgramIcon->setPixmap(TSplash::Emblem().pixmap(64, 64));

    ProductName = corvane::PlaceLabel(Panel1, kTitle, {120, 2}, "ProductName");
    QFont title(QStringLiteral("Times New Roman"));
    title.setPixelSize(19);
    ProductName->setFont(title);
    ProductName->setFixedSize(120, 21);
    ProductName->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    Version = corvane::PlaceLabel(Panel1, QStringLiteral("Version 0.75"), {146, 20}, "Version");
    Copyright = corvane::PlaceLabel(Panel1, QStringLiteral("(C) 2026 Corvane team"), {99, 33}, "Copyright");
    SetColour(Copyright, Qt::red);
    Label1 = corvane::PlaceLabel(Panel1, QStringLiteral("Corvane team"), {136, 48}, "Label1");
    Comments = corvane::PlaceLabel(Panel1, MailAddress(), {112, 64}, "Comments");
    Comments->setWordWrap(true);
    Comments->setFixedWidth(140);
    QFont link = Comments->font();
    link.setUnderline(true);
    Comments->setFont(link);
    Comments->setCursor(Qt::PointingHandCursor);
    SetColour(Comments, Qt::blue);
    License = corvane::PlaceLabel(Panel1,
                                  QStringLiteral("Free software under the <a href=\"https://gnu.org/licenses/"
                                                 "gpl.html\">GNU GPL, version 3 or later</a>"),
                                  {7, 84}, "License");
    License->setToolTip(QStringLiteral(CORVANE_LICENCE ". There is no warranty."));
    License->setTextFormat(Qt::RichText);
    License->setOpenExternalLinks(true);
    btOk = new QPushButton(QStringLiteral("OK"), Panel1);
    btOk->setObjectName(QStringLiteral("btOk"));
    btOk->setGeometry(267, 33, 52, 34);
    btOk->setDefault(true);
    connect(btOk, &QPushButton::clicked, this, &QDialog::accept);

    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(150);
    connect(Timer1, &QTimer::timeout, this, [this] { corvane::RunHandler([this] { Timer1Timer(); }); });

    // The address turns red under the pointer and blue again anywhere else.
    setMouseTracking(true);
    for (QWidget* w : findChildren<QWidget*>()) {
        w->setMouseTracking(true);
        w->installEventFilter(this);
    }
    installEventFilter(this);
}

TAboutBox::~TAboutBox() { Timer1->stop(); }

void TAboutBox::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    FormShow();
}

void TAboutBox::FormShow()
{
    const QRect icon = ProgramIcon->geometry();
    const QRect ok = btOk->geometry();
    setFixedSize(ok.x() + ok.width() + 30, icon.y() + icon.height() + 30);
    Panel1->setGeometry(rect());
    Timer1->start();
}

void TAboutBox::hideEvent(QHideEvent* event)
{
    Timer1->stop();
    QDialog::hideEvent(event);
}

void TAboutBox::closeEvent(QCloseEvent* event)
{
    Timer1->stop();
    QDialog::closeEvent(event);
}

void TAboutBox::Timer1Timer()
{
    const QString text = MarqueeText();
    const int half = static_cast<int>(text.size()) / 2;
    FPosition = (FPosition + 1) % half;
    ProductName->setText(FPosition == 0 ? QString() : text.mid(FPosition - 1, half - 5));
}

void TAboutBox::CommentsClick() { QDesktopServices::openUrl(QUrl(MailLink())); }

bool TAboutBox::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseMove) {
        // An ignored move also reaches the parents: judge by what lies under the pointer.
        const QPoint at = mapFromGlobal(static_cast<QMouseEvent*>(event)->globalPosition().toPoint());
        SetColour(Comments, childAt(at) == Comments ? Qt::red : Qt::blue);
    } else if (watched == Comments &&
               (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonRelease)) {
        // A click is a left press and release both on the address; the release
        // reaches the address however far the pointer was dragged meanwhile.
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton) {
            const bool onLink = Comments->rect().contains(mouse->position().toPoint());
            if (event->type() == QEvent::MouseButtonPress) {
                FLinkPressed = onLink;
            } else {
                const bool click = FLinkPressed && onLink;
                FLinkPressed = false;
                if (click)
                    corvane::RunHandler([this] { CommentsClick(); });
            }
        }
    }
    return QDialog::eventFilter(watched, event);
}
