#pragma once
// A link text: opens its URL when clicked or when the space key is pressed, shows
// whether it was visited, and reports links that cannot be opened.

#include <functional>

#include <QColor>
#include <QLabel>
#include <QString>
#include <QUrl>

#include "platform/dialogs.h"

class CHyperLink : public QLabel {
    Q_OBJECT

public:
    // Link style bits.
    static constexpr unsigned kUnderline = 0x1;
    static constexpr unsigned kHoverColour = 0x2;
    static constexpr unsigned kAdjustToText = 0x4;
    static constexpr unsigned kFollowOnButtonDown = 0x8;
    static constexpr unsigned kFocusOnClick = 0x10;
    static constexpr unsigned kNoPressedColour = 0x40;
    static constexpr unsigned kDefaultStyle = kUnderline | kAdjustToText | kFocusOnClick;

    // Hands the URL to the desktop; true when it took it.
    using DesktopOpener = std::function<bool(const QUrl& url)>;
    // Opens the URL with xdg-open: its exit code, or kNotStarted when it could not be
    // started. A run still busy after a short wait (a browser started by xdg-open
    // itself) counts as success (0).
    using CommandOpener = std::function<int(const QString& url)>;
    static constexpr int kNotStarted = -1;

    explicit CHyperLink(platform::Dialogs& dialogs, QWidget* parent = nullptr);
    CHyperLink(const QString& text, platform::Dialogs& dialogs, QWidget* parent = nullptr);

    void SetURL(const QString& url);
    QString GetURL() const { return m_strURL; }
    // Clears the remove bits and sets the add bits; with redraw the look follows.
    void ModifyLinkStyle(unsigned remove, unsigned add, bool redraw = true);
    unsigned GetLinkStyle() const { return m_nStyle; }

    bool IsVisited() const { return m_bVisited; }
    // The colour the text has now (hover, pressed, visited or plain).
    QColor LinkColour() const;

    // Opens the URL: the desktop first, then xdg-open; a message when both fail.
    void FollowLink();
    // Replaces both openers (tests, so that no browser is ever started).
    void SetOpeners(DesktopOpener desktop, CommandOpener command);

    // The command opener of the running program: xdg-open, found on PATH, given the URL
    // as one argument (no shell).
    static int OpenWithXdgOpen(const QString& url);
    // The message text for a failed opening.
    static QString FailureText(int result);

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void ApplyStyle();
    void ApplyColour();

    platform::Dialogs& m_dialogs;
    QString m_strURL;
    unsigned m_nStyle = kDefaultStyle;
    bool m_bPressed = false;
    bool m_bOver = false;
    bool m_bVisited = false;
    DesktopOpener m_openDesktop;
    CommandOpener m_openCommand;
};
