#include "widgets/clock_wnd.h"

#include <QMouseEvent>
#include <QPainter>
#include <QProcess>
#include <QStandardPaths>

#include <array>

namespace {

constexpr int kFontPixels = 16;
constexpr int kTextLeft = 5;
constexpr int kTickMs = 1000;
// Wake a little after the wall-clock second has turned, so each tick sees a new second.
constexpr int kTickLateMs = 5;

struct SettingsProgram {
    const char* desktop;  // as named in XDG_CURRENT_DESKTOP
    const char* program;
    std::array<const char*, 2> arguments;
};

// The date and time settings of the common desktops, in the order they are tried.
constexpr std::array<SettingsProgram, 7> kSettingsPrograms{{
    {"GNOME", "gnome-control-center", {"datetime", nullptr}},
    {"KDE", "kcmshell6", {"kcm_clock", nullptr}},
    {"KDE", "kcmshell5", {"clock", nullptr}},
    {"X-Cinnamon", "cinnamon-settings", {"calendar", nullptr}},
    {"MATE", "time-admin", {nullptr, nullptr}},
    {"XFCE", "time-admin", {nullptr, nullptr}},
    {"LXQt", "lxqt-admin-time", {nullptr, nullptr}},
}};

QStringList CommandOf(const SettingsProgram& entry, const QString& path) {
    QStringList command{path};
    for (const char* argument : entry.arguments) {
        if (argument != nullptr) {
            command << QString::fromLatin1(argument);
        }
    }
    return command;
}

}  // namespace

CClockWnd::CClockWnd(const platform::Clock& clock, QWidget* parent)
    : QFrame(parent), m_clock(clock) {
    setFrameStyle(QFrame::Box | QFrame::Plain);
    setLineWidth(1);
    setAttribute(Qt::WA_OpaquePaintEvent);

    m_font.setFamilies({QStringLiteral("宋体"), QStringLiteral("SimSun"),
                        QStringLiteral("WenQuanYi Micro Hei"), QStringLiteral("Noto Sans CJK SC"),
                        QStringLiteral("Noto Sans SC")});
    m_font.setPixelSize(kFontPixels);
    m_font.setWeight(QFont::Bold);
    setFont(m_font);

    m_launch = [](const QString& program, const QStringList& arguments) {
        return QProcess::startDetached(program, arguments);
    };

    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, [this] {
        const QString before = m_strText;
        Refresh();
        ArmTimer(m_strText != before);
    });
    Refresh();
}

QString CClockWnd::FormatTime(const platform::LocalTime& time) {
    static const std::array<QString, 7> kWeekdays{
        QStringLiteral("日"), QStringLiteral("一"), QStringLiteral("二"), QStringLiteral("三"),
        QStringLiteral("四"), QStringLiteral("五"), QStringLiteral("六")};
    const QString weekday = time.weekday >= 0 && time.weekday < static_cast<int>(kWeekdays.size())
                                ? kWeekdays[static_cast<std::size_t>(time.weekday)]
                                : QString();
    return QStringLiteral("%1年%2月%3日 星期%4 %5:%6:%7")
        .arg(time.year)
        .arg(time.month, 2, 10, QLatin1Char('0'))
        .arg(time.day, 2, 10, QLatin1Char('0'))
        .arg(weekday)
        .arg(time.hour, 2, 10, QLatin1Char('0'))
        .arg(time.minute, 2, 10, QLatin1Char('0'))
        .arg(time.second, 2, 10, QLatin1Char('0'));
}

QStringList CClockWnd::DateTimeSettingsCommand() {
    const QStringList desktops =
        qEnvironmentVariable("XDG_CURRENT_DESKTOP").split(QLatin1Char(':'), Qt::SkipEmptyParts);
    // The running desktop's own settings first, then any other that is installed.
    for (const bool ownDesktopOnly : {true, false}) {
        for (const SettingsProgram& entry : kSettingsPrograms) {
            if (ownDesktopOnly &&
                !desktops.contains(QString::fromLatin1(entry.desktop), Qt::CaseInsensitive)) {
                continue;
            }
            const QString path = QStandardPaths::findExecutable(QString::fromLatin1(entry.program));
            if (!path.isEmpty()) {
                return CommandOf(entry, path);
            }
        }
    }
    return {};
}

void CClockWnd::SetBackColour(const QColor& colour) {
    m_backColour = colour;
    Render();
    update();
}

void CClockWnd::SetTextColour(const QColor& colour) {
    m_textColour = colour;
    Render();
    update();
}

void CClockWnd::Refresh() {
    const QString text = FormatTime(m_clock.Now());
    if (text == m_strText) {
        return;
    }
    m_strText = text;
    setAccessibleName(text);
    Render();
    update();
}

// Aligned to the clock's second while the seconds move; a clock that stood still since
// the last tick (or was read a moment early) is read again a whole second later.
void CClockWnd::SetExternalTick(bool external) {
    m_bExternalTick = external;
    if (external) {
        m_timer.stop();
    } else if (isVisible()) {
        ArmTimer(true);
    }
}

void CClockWnd::ArmTimer(bool aligned) {
    if (m_bExternalTick) {
        return;
    }
    const int ms = m_clock.Now().millisecond;
    m_timer.start(aligned ? kTickMs - ms + kTickLateMs : kTickMs);
}

// The whole face is drawn into one pixmap; painting only copies it.
void CClockWnd::Render() {
    const QRect face = contentsRect();
    if (face.isEmpty()) {
        m_buffer = QPixmap();
        return;
    }
    const qreal ratio = devicePixelRatioF();
    if (m_buffer.size() != face.size() * ratio) {
        m_buffer = QPixmap(face.size() * ratio);
        m_buffer.setDevicePixelRatio(ratio);
    }
    m_buffer.fill(m_backColour);
    QPainter painter(&m_buffer);
    painter.setFont(m_font);
    painter.setPen(m_textColour);
    painter.drawText(QRect(kTextLeft, 0, face.width() - kTextLeft, face.height()),
                     Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, m_strText);
}

void CClockWnd::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    if (m_buffer.isNull()) {
        painter.fillRect(contentsRect(), m_backColour);
    } else {
        painter.drawPixmap(contentsRect().topLeft(), m_buffer);
    }
    drawFrame(&painter);
}

void CClockWnd::resizeEvent(QResizeEvent* event) {
    QFrame::resizeEvent(event);
    Render();
}

void CClockWnd::showEvent(QShowEvent* event) {
    QFrame::showEvent(event);
    Refresh();
    ArmTimer(true);
}

// A hidden clock does not wake the program every second.
void CClockWnd::hideEvent(QHideEvent* event) {
    QFrame::hideEvent(event);
    m_timer.stop();
}

void CClockWnd::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        return;
    }
    QStringList command = DateTimeSettingsCommand();
    if (command.isEmpty()) {
        return;
    }
    const QString program = command.takeFirst();
    m_launch(program, command);
}
