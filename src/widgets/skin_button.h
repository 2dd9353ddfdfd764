#pragma once
// A bitmap button of the media player: each state (normal, hover, pressed, disabled) is
// one image cut from a strip, the button follows the mouse and carries a tooltip. A
// button of the toggling kind also shows its pressed image after every odd click.

#include <QAbstractButton>
#include <QColor>
#include <QPixmap>
#include <QString>
#include <vector>

class CSkinButton : public QAbstractButton {
    Q_OBJECT

public:
    static constexpr int kMaxStates = 4;
    enum StateImage { kImageNormal = 0, kImageHover = 1, kImagePressed = 2, kImageDisabled = 3 };

    explicit CSkinButton(QWidget* parent = nullptr);

    // Cuts the strip at resourcePath into stateCount equal images (at most four are kept).
    // With a nonzero drawStyle the images are drawn with maskColour as transparent and
    // the button takes one image's size and the shape of its other pixels; with 0 they
    // are drawn opaque. False (and no images) when stateCount <= 0 or the strip is missing.
    bool SetBitmap(const QString& resourcePath, int stateCount, int drawStyle,
                   const QColor& maskColour);
    // The tooltip, which also names the button for assistive technology.
    void SetTooltipText(const QString& text);
    // A button of the toggling kind shows its pressed image while its checked state is
    // set; every left-button release flips that state.
    void SetToggling(bool toggling) { m_bToggling = toggling; }

    bool IsToggling() const { return m_bToggling; }
    bool IsToggledOn() const { return m_bToggledOn; }
    int StateCount() const { return static_cast<int>(m_images.size()); }
    // The index of the state image the button shows now, or -1 when it has none.
    int ShownImage() const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    int ImageOr0(int index) const { return index < StateCount() ? index : 0; }

    std::vector<QPixmap> m_images;
    int m_nDrawStyle = 0;
    bool m_bToggling = false;
    bool m_bToggledOn = false;
    bool m_bHovering = false;
};
