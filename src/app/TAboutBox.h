// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>

class QFrame;
class QLabel;
class QPushButton;
class QTimer;

// The About box: the program's picture, title, version, rights notice, author
// and mail address, and the licence. While it is shown the title scrolls as a marquee; a click
// on the address opens the user's mail program with a prepared message.
class TAboutBox : public QDialog {
    Q_OBJECT

public:
    explicit TAboutBox(QWidget* parent = nullptr);
    ~TAboutBox() override;

    void FormCreate() {}
    // One marquee step.
    void Timer1Timer();
    void CommentsClick();
    int MarqueePosition() const { return FPosition; }

    static QString MarqueeText();
    static QString MailAddress();
    static QString MailLink();

    QFrame* Panel1;
    QLabel* ProgramIcon;
    QLabel* ProductName;
    QLabel* Version;
    QLabel* Copyright;
    QLabel* Label1;
    QLabel* Comments;
    // The licence, linked to its text.
    QLabel* License;
    QPushButton* btOk;
    QTimer* Timer1;

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FormShow();
    int FPosition = 0;         // never reset: each showing goes on where the last stopped
    bool FLinkPressed = false; // the left button went down on the mail address
};
