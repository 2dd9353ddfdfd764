#include "widgets/taskbar_notifier.h"

#include <QEnterEvent>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QTextLayout>

#include <algorithm>

namespace {

// The shortest timer period of one step; a zero period would spin the event loop.
constexpr int kMinStepDelayMs = 1;

QFont MakeFont(const QString& face, int sizeInTenthsOfPoint, int style) {
    QFont font(face);
    constexpr double kTenthsPerPoint = 10.0;
    font.setPointSizeF(sizeInTenthsOfPoint / kTenthsPerPoint);
    font.setWeight((style & CTaskbarNotifier::kStyleBold) != 0 ? QFont::Bold : QFont::Normal);
    font.setItalic((style & CTaskbarNotifier::kStyleItalic) != 0);
    font.setUnderline((style & CTaskbarNotifier::kStyleUnderline) != 0);
    return font;
}

// Word-wrapped lines of text that fit into rect; the last one ends in an ellipsis when
// the text goes on beyond it.
QStringList FitLines(const QString& text, const QFont& font, const QRect& rect) {
    const QFontMetrics metrics(font);
    const int lineHeight = metrics.lineSpacing();
    const int maxLines = std::max(1, rect.height() / std::max(1, lineHeight));

    QTextLayout layout(text, font);
    QTextOption option(Qt::AlignHCenter);
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    layout.beginLayout();
    QStringList lines;
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(rect.width());
        if (lines.size() + 1 == maxLines) {
            const QString rest = text.mid(line.textStart());
            lines << metrics.elidedText(rest.simplified(), Qt::ElideRight, rect.width());
            break;
        }
        lines << text.mid(line.textStart(), line.textLength()).trimmed();
    }
    layout.endLayout();
    return lines;
}

}  // namespace

CTaskbarNotifier::CTaskbarNotifier(QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                          Qt::WindowDoesNotAcceptFocus),
      m_normalFont(MakeFont(QStringLiteral("Arial"), 90, 0)),
      m_hoverFont(MakeFont(QStringLiteral("Arial"), 90, kStyleUnderline)) {
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::NoFocus);
    setCursor(Qt::PointingHandCursor);
    setWindowTitle(QStringLiteral("QELT"));

    for (QTimer* timer : {&m_appearTimer, &m_stayTimer, &m_disappearTimer}) {
        timer->setTimerType(Qt::PreciseTimer);
    }
    m_stayTimer.setSingleShot(true);
    connect(&m_appearTimer, &QTimer::timeout, this, &CTaskbarNotifier::OnAppearStep);
    connect(&m_stayTimer, &QTimer::timeout, this, &CTaskbarNotifier::OnStayOver);
    connect(&m_disappearTimer, &QTimer::timeout, this, &CTaskbarNotifier::OnDisappearStep);
}

CTaskbarNotifier::~CTaskbarNotifier() = default;

bool CTaskbarNotifier::SetSkin(const QString& resourcePath) {
    QPixmap skin;
    if (!skin.load(resourcePath)) {
        m_skin = QPixmap();
        m_rcText = QRect();
        Hide();
        return false;
    }
    m_skin = skin;
    m_rcText = QRect(QPoint(0, 0), m_skin.size());
    resize(m_skin.size());
    update();
    return true;
}

void CTaskbarNotifier::SetTextFont(const QString& face, int sizeInTenthsOfPoint, int normalStyle,
                                   int hoverStyle) {
    m_normalFont = MakeFont(face, sizeInTenthsOfPoint, normalStyle);
    m_hoverFont = MakeFont(face, sizeInTenthsOfPoint, hoverStyle);
    update();
}

void CTaskbarNotifier::SetTextColor(const QColor& normal, const QColor& hover) {
    m_normalColour = normal;
    m_hoverColour = hover;
    update();
}

void CTaskbarNotifier::SetTextRect(const QRect& rect) {
    m_rcText = rect;
    update();
}

CTaskbarNotifier::TaskbarEdge CTaskbarNotifier::EdgeOf(const QRect& screen, const QRect& workArea) {
    if (workArea.width() < screen.width()) {
        return workArea.left() == screen.left() ? TaskbarEdge::Right : TaskbarEdge::Left;
    }
    if (workArea.height() < screen.height() && workArea.top() != screen.top()) {
        return TaskbarEdge::Top;
    }
    return TaskbarEdge::Bottom;
}

// Right and bottom below are the first pixel past the work area.
QPoint CTaskbarNotifier::HiddenPosition(TaskbarEdge edge, const QRect& workArea,
                                        const QSize& size) {
    const int right = workArea.x() + workArea.width();
    const int bottom = workArea.y() + workArea.height();
    switch (edge) {
        case TaskbarEdge::Right:
            return {right, bottom - size.height()};
        case TaskbarEdge::Left:
            return {workArea.x() - size.width(), bottom - size.height()};
        case TaskbarEdge::Top:
            return {right - size.width(), workArea.y() - size.height()};
        case TaskbarEdge::Bottom:
            break;
    }
    return {right - size.width(), bottom};
}

QPoint CTaskbarNotifier::ShownPosition(TaskbarEdge edge, const QRect& workArea, const QSize& size) {
    const QPoint hidden = HiddenPosition(edge, workArea, size);
    switch (edge) {
        case TaskbarEdge::Right:
            return {hidden.x() - size.width(), hidden.y()};
        case TaskbarEdge::Left:
            return {hidden.x() + size.width(), hidden.y()};
        case TaskbarEdge::Top:
            return {hidden.x(), hidden.y() + size.height()};
        case TaskbarEdge::Bottom:
            break;
    }
    return {hidden.x(), hidden.y() - size.height()};
}

void CTaskbarNotifier::Show(const QString& text, int showMs, int stayMs, int hideMs) {
    m_strText = text;
    m_nShowMs = showMs;
    m_nStayMs = std::max(0, stayMs);
    m_nHideMs = hideMs;
    setAccessibleName(text);

    // Without a skin the popup has no size: there is nothing to show, and no steps to
    // divide the slide into.
    if (m_skin.isNull()) {
        return;
    }

    switch (m_nState) {
        case NotifierState::Idle: {
            const QScreen* screen = QGuiApplication::primaryScreen();
            if (screen == nullptr) {
                return;
            }
            const QRect workArea = screen->availableGeometry();
            m_nEdge = EdgeOf(screen->geometry(), workArea);
            const bool sideways = m_nEdge == TaskbarEdge::Left || m_nEdge == TaskbarEdge::Right;
            const int distance = sideways ? m_skin.width() : m_skin.height();
            const int steps = std::max(1, distance / kStep);
            m_nShowDelay = std::max(kMinStepDelayMs, m_nShowMs / steps);
            m_nHideDelay = std::max(kMinStepDelayMs, m_nHideMs / steps);
            m_ptStart = HiddenPosition(m_nEdge, workArea, m_skin.size());
            m_ptShown = ShownPosition(m_nEdge, workArea, m_skin.size());
            setGeometry(QRect(m_ptStart, m_skin.size()));
            m_nState = NotifierState::Appearing;
            show();
            m_appearTimer.start(m_nShowDelay);
            break;
        }
        case NotifierState::Appearing:
            update();
            break;
        case NotifierState::Waiting:
            update();
            m_stayTimer.start(m_nStayMs);
            break;
        case NotifierState::Disappearing:
            m_disappearTimer.stop();
            m_stayTimer.start(m_nStayMs);
            move(m_ptShown);
            m_nState = NotifierState::Waiting;
            update();
            break;
    }
}

void CTaskbarNotifier::Hide() {
    m_appearTimer.stop();
    m_stayTimer.stop();
    m_disappearTimer.stop();
    move(0, 0);
    hide();
    m_bHovering = false;
    m_nState = NotifierState::Idle;
}

bool CTaskbarNotifier::StepToward(const QPoint& target) {
    QPoint next = pos();
    const auto stepAxis = [](int from, int to) {
        return from < to ? std::min(from + kStep, to) : std::max(from - kStep, to);
    };
    next.setX(stepAxis(next.x(), target.x()));
    next.setY(stepAxis(next.y(), target.y()));
    move(next);
    return next == target;
}

void CTaskbarNotifier::OnAppearStep() {
    m_nState = NotifierState::Appearing;
    if (StepToward(m_ptShown)) {
        m_appearTimer.stop();
        m_stayTimer.start(m_nStayMs);
        m_nState = NotifierState::Waiting;
    }
}

void CTaskbarNotifier::OnStayOver() {
    m_disappearTimer.start(m_nHideDelay);
}

void CTaskbarNotifier::OnDisappearStep() {
    m_nState = NotifierState::Disappearing;
    if (StepToward(m_ptStart)) {
        Hide();
    }
}

void CTaskbarNotifier::setVisible(bool visible) {
    if (visible && m_nState == NotifierState::Idle) {
        return;
    }
    QWidget::setVisible(visible);
}

void CTaskbarNotifier::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    if (m_skin.isNull()) {
        painter.fillRect(rect(), palette().window());
        return;
    }
    painter.drawPixmap(0, 0, m_skin);
    if (m_strText.isEmpty() || !m_rcText.isValid()) {
        return;
    }
    const QFont& font = m_bHovering ? m_hoverFont : m_normalFont;
    painter.setFont(font);
    painter.setPen(m_bHovering ? m_hoverColour : m_normalColour);

    const QStringList lines = FitLines(m_strText, font, m_rcText);
    const int lineHeight = QFontMetrics(font).lineSpacing();
    int y = m_rcText.top() + (m_rcText.height() - lineHeight * lines.size()) / 2;
    for (const QString& line : lines) {
        painter.drawText(QRect(m_rcText.left(), y, m_rcText.width(), lineHeight),
                         Qt::AlignHCenter | Qt::AlignVCenter | Qt::TextSingleLine, line);
        y += lineHeight;
    }
}

void CTaskbarNotifier::enterEvent(QEnterEvent* /*event*/) {
    m_bHovering = true;
    update();
}

void CTaskbarNotifier::leaveEvent(QEvent* /*event*/) {
    m_bHovering = false;
    update();
}

void CTaskbarNotifier::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        emit clicked();
    }
}
