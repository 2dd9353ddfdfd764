#pragma once
// The time-of-day field of the editors: a QTimeEdit that also takes a whole time typed
// over its selected text ("0800", "08:00" or "08:00:00", the colons optional), and whose
// Up and Down keys step the section under the cursor.

#include <QString>
#include <QTime>
#include <QTimeEdit>
#include <optional>

namespace editors {

// The time a user typed so far: digits in pairs from the left (hours, minutes, seconds),
// or sections separated by ':'; a single leading digit is an hour when two would not be.
// None when the text cannot begin a time.
std::optional<QTime> ParseTypedTime(const QString& typed);

class CTimeField : public QTimeEdit {
    Q_OBJECT

public:
    explicit CTimeField(QWidget* parent = nullptr);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    // What the user typed over the whole text, while it goes on.
    QString m_strTyped;
    bool m_bTyping = false;
};

}  // namespace editors
