#pragma once
// The date and time at the right end of the toolbar, redrawn once a second from one
// pixmap so it never flickers. Double-click opens the desktop's date and time settings.

#include <functional>

#include <QColor>
#include <QFont>
#include <QFrame>
#include <QPixmap>
#include <QString>
#include <QStringList>
#include <QTimer>

#include "platform/clock.h"

class CClockWnd : public QFrame {
    Q_OBJECT

public:
    // Starts a program detached; false when it could not be started.
    using Launcher = std::function<bool(const QString& program, const QStringList& arguments)>;

    explicit CClockWnd(const platform::Clock& clock, QWidget* parent = nullptr);

    void SetBackColour(const QColor& colour);
    void SetTextColour(const QColor& colour);
    QColor BackColour() const { return m_backColour; }
    QColor TextColour() const { return m_textColour; }

    // The text shown now.
    QString Text() const { return m_strText; }
    // Reads the clock and redraws when the shown second has changed; the timer calls
    // it once a second.
    void Refresh();

    // "2009年06月07日 星期日 09:05:07".
    static QString FormatTime(const platform::LocalTime& time);
    // The program (first) and arguments of the installed date and time settings,
    // preferring the running desktop's; empty when none is installed.
    static QStringList DateTimeSettingsCommand();

    // With an external tick the clock keeps no timer of its own: its owner, which wakes
    // once a second anyway, calls Refresh, so the program wakes once a second, not twice.
    void SetExternalTick(bool external);
    // Replaces the detached start of the settings program (tests).
    void SetLauncher(Launcher launcher) { m_launch = std::move(launcher); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    void Render();
    void ArmTimer(bool aligned);

    const platform::Clock& m_clock;
    QColor m_backColour = Qt::black;
    QColor m_textColour = Qt::white;
    QFont m_font;
    QString m_strText;
    QPixmap m_buffer;
    QTimer m_timer;
    Launcher m_launch;
    bool m_bExternalTick = false;
};
