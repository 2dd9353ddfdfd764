#include "player/status_display.h"

#include <QPaintEvent>
#include <QPainter>
#include <QStringList>

namespace player {

namespace {

// The texts carry a trailing line break of their own; it is not drawn.
QString Printable(const QString& text) {
    QString shown = text;
    shown.remove(QLatin1Char('\r'));
    shown.remove(QLatin1Char('\n'));
    return shown;
}

}  // namespace

CStatusDisplay::CStatusDisplay(QWidget* parent) : QWidget(parent) {
    // The pixmap covers every pixel, so the background is never erased first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAccessibleName(QStringLiteral("播放状态"));
}

QSize CStatusDisplay::sizeHint() const {
    return {kLineHeight * 20, kLineHeight * kLineCount};
}

void CStatusDisplay::SetLine(int line, const QString& text) {
    if (line < 1 || line > kLineCount) {
        return;
    }
    m_lines[static_cast<std::size_t>(line - 1)] = text;
    DrawLine(line - 1);
    UpdateDescription();
    update(0, (line - 1) * kLineHeight, width(), kLineHeight);
}

void CStatusDisplay::SetLines(const QString& line1, const QString& line2, const QString& line3,
                              const QString& line4) {
    m_lines = {line1, line2, line3, line4};
    DrawAll();
    UpdateDescription();
    update();
}

QString CStatusDisplay::Line(int line) const {
    if (line < 1 || line > kLineCount) {
        return {};
    }
    return m_lines[static_cast<std::size_t>(line - 1)];
}

void CStatusDisplay::SetTextColour(const QColor& colour) {
    m_textColour = colour;
    DrawAll();
    update();
}

void CStatusDisplay::SetBackgroundColour(const QColor& colour) {
    m_backgroundColour = colour;
    DrawAll();
    update();
}

void CStatusDisplay::resizeEvent(QResizeEvent*) {
    DrawAll();
}

void CStatusDisplay::paintEvent(QPaintEvent* event) {
    if (m_buffer.deviceIndependentSize().toSize() != size() ||
        m_buffer.devicePixelRatio() != devicePixelRatioF()) {
        DrawAll();
    }
    QPainter painter(this);
    const QRect area = event->rect();
    const qreal ratio = m_buffer.devicePixelRatio();
    painter.drawPixmap(
        QRectF(area), m_buffer,
        QRectF(area.x() * ratio, area.y() * ratio, area.width() * ratio, area.height() * ratio));
}

void CStatusDisplay::DrawAll() {
    if (width() <= 0 || height() <= 0) {
        return;
    }
    // The pixmap has the screen's pixel density, so the text stays sharp on HiDPI screens.
    const qreal ratio = devicePixelRatioF();
    if (m_buffer.deviceIndependentSize().toSize() != size() ||
        m_buffer.devicePixelRatio() != ratio) {
        m_buffer = QPixmap(size() * ratio);
        m_buffer.setDevicePixelRatio(ratio);
    }
    m_buffer.fill(m_backgroundColour);
    for (int i = 0; i < kLineCount; ++i) {
        DrawLine(i);
    }
}

void CStatusDisplay::DrawLine(int index) {
    if (m_buffer.isNull()) {
        return;
    }
    QPainter painter(&m_buffer);
    painter.setFont(font());
    // The whole line is filled first, so a shorter text leaves nothing of the old one.
    const QRect line(0, index * kLineHeight, width(), kLineHeight);
    painter.fillRect(line, m_backgroundColour);
    painter.setPen(m_textColour);
    painter.drawText(line, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                     Printable(m_lines[static_cast<std::size_t>(index)]));
}

void CStatusDisplay::UpdateDescription() {
    QStringList shown;
    for (const QString& line : m_lines) {
        const QString text = Printable(line).trimmed();
        if (!text.isEmpty()) {
            shown << text;
        }
    }
    setAccessibleDescription(shown.join(QLatin1Char('\n')));
}

}  // namespace player
