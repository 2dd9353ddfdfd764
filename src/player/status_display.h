#pragma once
// The player's four-line status display. Every line is drawn into one pixmap and the
// pixmap is copied to the screen in one step, so the once-a-second updates never
// flicker. The lines are also the display's accessible description.

#include <QColor>
#include <QPixmap>
#include <QString>
#include <QWidget>
#include <array>

namespace player {

class CStatusDisplay : public QWidget {
    Q_OBJECT

public:
    static constexpr int kLineCount = 4;
    static constexpr int kLineHeight = 12;

    explicit CStatusDisplay(QWidget* parent = nullptr);

    // Sets line 1..4; other numbers are ignored. Only that line is redrawn.
    void SetLine(int line, const QString& text);
    void SetLines(const QString& line1, const QString& line2, const QString& line3,
                  const QString& line4);
    // The text of line 1..4 as it was given, or an empty text for other numbers.
    QString Line(int line) const;
    void SetTextColour(const QColor& colour);
    void SetBackgroundColour(const QColor& colour);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void DrawAll();
    void DrawLine(int index);
    void UpdateDescription();

    std::array<QString, kLineCount> m_lines;
    QColor m_textColour = Qt::white;
    QColor m_backgroundColour = Qt::black;
    QPixmap m_buffer;
};

}  // namespace player
