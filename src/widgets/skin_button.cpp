#include "widgets/skin_button.h"

#include <QBitmap>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFocusRect>

CSkinButton::CSkinButton(QWidget* parent) : QAbstractButton(parent) {
    setAttribute(Qt::WA_Hover);
    setFocusPolicy(Qt::StrongFocus);
}

bool CSkinButton::SetBitmap(const QString& resourcePath, int stateCount, int drawStyle,
                            const QColor& maskColour) {
    m_images.clear();
    clearMask();
    m_nDrawStyle = drawStyle;
    const QPixmap strip(resourcePath);
    if (stateCount <= 0 || strip.isNull() || strip.width() < stateCount) {
        update();
        return false;
    }
    const int width = strip.width() / stateCount;
    for (int i = 0; i < stateCount && i < kMaxStates; ++i) {
        QPixmap image = strip.copy(i * width, 0, width, strip.height());
        if (drawStyle != 0) {
            image.setMask(image.createMaskFromColor(maskColour, Qt::MaskInColor));
        }
        m_images.push_back(image);
    }
    if (drawStyle != 0) {
        // The button takes the shape of the first image's visible pixels.
        resize(width, strip.height());
        setMask(m_images.front().mask());
    }
    updateGeometry();
    update();
    return true;
}

void CSkinButton::SetTooltipText(const QString& text) {
    setToolTip(text);
    setAccessibleName(text);
}

int CSkinButton::ShownImage() const {
    if (m_images.empty()) {
        return -1;
    }
    if (!isEnabled()) {
        return ImageOr0(kImageDisabled);
    }
    if (isDown()) {
        return ImageOr0(kImagePressed);
    }
    if (m_bHovering) {
        return ImageOr0(kImageHover);
    }
    if (m_bToggling && m_bToggledOn) {
        return ImageOr0(kImagePressed);
    }
    return kImageNormal;
}

QSize CSkinButton::sizeHint() const {
    return m_images.empty() ? QSize() : m_images.front().size();
}

void CSkinButton::paintEvent(QPaintEvent*) {
    const int image = ShownImage();
    if (image < 0) {
        return;
    }
    QPainter painter(this);
    painter.drawPixmap(0, 0, m_images[static_cast<std::size_t>(image)]);
    if (hasFocus()) {
        // Keyboard users need to see which button Space presses.
        QStyleOptionFocusRect option;
        option.initFrom(this);
        option.rect = rect().adjusted(2, 2, -2, -2);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, this);
    }
}

void CSkinButton::enterEvent(QEnterEvent* event) {
    m_bHovering = true;
    update();
    QAbstractButton::enterEvent(event);
}

void CSkinButton::leaveEvent(QEvent* event) {
    m_bHovering = false;
    update();
    QAbstractButton::leaveEvent(event);
}

void CSkinButton::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        m_bToggledOn = !m_bToggledOn;
    }
    QAbstractButton::mouseReleaseEvent(event);
}
