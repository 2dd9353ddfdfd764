#include "widgets/hyper_link.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QEnterEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QProcess>
#include <QStandardPaths>
#include <QStyleOptionFocusRect>
#include <QStylePainter>

namespace {

// Failure results, numbered as the message table numbers them.
constexpr int kResultFileNotFound = 2;
constexpr int kResultNoAssociation = 31;

// xdg-open's own exit codes.
constexpr int kXdgFileNotFound = 2;
constexpr int kXdgToolNotFound = 3;
constexpr int kXdgActionFailed = 4;

constexpr int kStartWaitMs = 3000;
// xdg-open normally hands the link over and ends at once; where it runs a browser
// itself it waits for the browser, so the wait is kept short and a run still busy then
// counts as opened.
constexpr int kFinishWaitMs = 2000;

const QColor kHoverColourValue(255, 0, 0);
const QColor kPressedColourValue(0, 128, 128);
const QColor kVisitedColourValue(128, 0, 128);
const QColor kLinkColourValue(0, 0, 255);

}  // namespace

int CHyperLink::OpenWithXdgOpen(const QString& url) {
    const QString program = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    if (program.isEmpty()) {
        return kNotStarted;
    }
    // Parented to the application so that a run left busy is still cleaned up.
    auto* process = new QProcess(QCoreApplication::instance());
    process->setProgram(program);
    process->setArguments({url});
    process->setStandardOutputFile(QProcess::nullDevice());
    process->setStandardErrorFile(QProcess::nullDevice());
    process->start();
    if (!process->waitForStarted(kStartWaitMs)) {
        delete process;
        return kNotStarted;
    }
    if (process->waitForFinished(kFinishWaitMs)) {
        const int code =
            process->exitStatus() == QProcess::NormalExit ? process->exitCode() : kXdgActionFailed;
        delete process;
        return code;
    }
    QObject::connect(process, &QProcess::finished, process, &QObject::deleteLater);
    return 0;
}

namespace {

// The failure result for xdg-open's exit code.
int ResultOfXdgOpen(int exitCode) {
    switch (exitCode) {
        case CHyperLink::kNotStarted:
        case kXdgToolNotFound:
            return kResultNoAssociation;
        case kXdgFileNotFound:
            return kResultFileNotFound;
        default:
            return exitCode;
    }
}

}  // namespace

CHyperLink::CHyperLink(platform::Dialogs& dialogs, QWidget* parent)
    : CHyperLink(QString(), dialogs, parent) {}

CHyperLink::CHyperLink(const QString& text, platform::Dialogs& dialogs, QWidget* parent)
    : QLabel(parent), m_dialogs(dialogs) {
    setTextFormat(Qt::PlainText);
    setText(text);
    setCursor(Qt::PointingHandCursor);
    setAttribute(Qt::WA_Hover);
    m_openDesktop = [](const QUrl& url) { return QDesktopServices::openUrl(url); };
    m_openCommand = OpenWithXdgOpen;
    ApplyStyle();
    ApplyColour();
}

void CHyperLink::SetURL(const QString& url) {
    m_strURL = url;
    setToolTip(url);
}

void CHyperLink::SetOpeners(DesktopOpener desktop, CommandOpener command) {
    m_openDesktop = std::move(desktop);
    m_openCommand = std::move(command);
}

void CHyperLink::ModifyLinkStyle(unsigned remove, unsigned add, bool redraw) {
    m_nStyle = (m_nStyle & ~remove) | add;
    ApplyStyle();
    ApplyColour();
    if (redraw) {
        update();
    }
}

void CHyperLink::ApplyStyle() {
    QFont linkFont = font();
    linkFont.setUnderline((m_nStyle & kUnderline) != 0);
    setFont(linkFont);
    setFocusPolicy((m_nStyle & kFocusOnClick) != 0 ? Qt::StrongFocus : Qt::TabFocus);
    if ((m_nStyle & kAdjustToText) != 0) {
        setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
        adjustSize();
    } else {
        setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    }
}

QColor CHyperLink::LinkColour() const {
    if (m_bOver && (m_nStyle & kHoverColour) != 0) {
        return kHoverColourValue;
    }
    if (m_bPressed && (m_nStyle & kNoPressedColour) == 0) {
        return kPressedColourValue;
    }
    if (m_bVisited) {
        return kVisitedColourValue;
    }
    return kLinkColourValue;
}

void CHyperLink::ApplyColour() {
    QPalette colours = palette();
    colours.setColor(QPalette::WindowText, LinkColour());
    setPalette(colours);
}

QString CHyperLink::FailureText(int result) {
    switch (result) {
        case 0:
            return QStringLiteral("The operating system is out\nof memory or resources.");
        case 2:
            return QStringLiteral("The specified file was not found.");
        case 3:
            return QStringLiteral("The specified path was not found.");
        case 5:
            return QStringLiteral("The operating system denied\naccess to the specified file.");
        case 8:
            return QStringLiteral("There was not enough memory to complete the operation.");
        case 11:
            return QStringLiteral(
                "The .EXE file is invalid\n(non-Win32 .EXE or error in .EXE image).");
        case 26:
            return QStringLiteral("A sharing violation occurred.");
        case 27:
            return QStringLiteral("The filename association is\nincomplete or invalid.");
        case 28:
            return QStringLiteral(
                "The DDE transaction could not\nbe completed because the request timed out.");
        case 29:
            return QStringLiteral("The DDE transaction failed.");
        case 30:
            return QStringLiteral(
                "The DDE transaction could not\nbe completed because other DDE "
                "transactions\nwere being processed.");
        case 31:
            return QStringLiteral(
                "There is no application associated\nwith the given filename extension.");
        case 32:
            return QStringLiteral("The specified dynamic-link library was not found.");
        default:
            return QStringLiteral("Unknown Error (%1) occurred.").arg(result);
    }
}

void CHyperLink::FollowLink() {
    const QUrl url = QUrl::fromUserInput(m_strURL);
    bool opened = url.isValid() && m_openDesktop && m_openDesktop(url);
    int result = 0;
    if (!opened) {
        // The URL goes to xdg-open as one argument, never through a shell.
        const int exitCode = m_openCommand ? m_openCommand(m_strURL) : kNotStarted;
        opened = exitCode == 0;
        result = ResultOfXdgOpen(exitCode);
    }
    if (!opened) {
        QApplication::beep();
        m_dialogs.Message(
            (QStringLiteral("Can't open link:\n\n") + FailureText(result)).toStdString(),
            QGuiApplication::applicationDisplayName().toStdString(), platform::MessageIcon::Warning,
            platform::MessageButtons::Ok);
        return;
    }
    m_bVisited = true;
    ApplyColour();
    update();
}

void CHyperLink::paintEvent(QPaintEvent* event) {
    QLabel::paintEvent(event);
    if (hasFocus()) {
        QStylePainter painter(this);
        QStyleOptionFocusRect option;
        option.initFrom(this);
        option.rect = rect();
        painter.drawPrimitive(QStyle::PE_FrameFocusRect, option);
    }
}

void CHyperLink::enterEvent(QEnterEvent* event) {
    QLabel::enterEvent(event);
    m_bOver = true;
    ApplyColour();
}

void CHyperLink::leaveEvent(QEvent* event) {
    QLabel::leaveEvent(event);
    m_bOver = false;
    ApplyColour();
}

void CHyperLink::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QLabel::mousePressEvent(event);
        return;
    }
    if ((m_nStyle & kFocusOnClick) != 0) {
        setFocus(Qt::MouseFocusReason);
    }
    m_bPressed = true;
    ApplyColour();
    if ((m_nStyle & kFollowOnButtonDown) != 0) {
        FollowLink();
    }
}

// A press let go outside the link opens nothing.
void CHyperLink::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QLabel::mouseReleaseEvent(event);
        return;
    }
    const bool follow = m_bPressed && (m_nStyle & kFollowOnButtonDown) == 0 &&
                        rect().contains(event->position().toPoint());
    m_bPressed = false;
    ApplyColour();
    if (follow) {
        FollowLink();
    }
}

void CHyperLink::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Space:
        case Qt::Key_Return:
        case Qt::Key_Enter:
            FollowLink();
            break;
        default:
            QLabel::keyPressEvent(event);
    }
}

void CHyperLink::focusInEvent(QFocusEvent* event) {
    QLabel::focusInEvent(event);
    update();
}

void CHyperLink::focusOutEvent(QFocusEvent* event) {
    QLabel::focusOutEvent(event);
    update();
}
