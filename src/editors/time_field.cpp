#include "editors/time_field.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QStringList>
#include <algorithm>

namespace editors {

namespace {

constexpr int kHoursPerDay = 24;
constexpr int kMinutesPerHour = 60;
constexpr int kSecondsPerMinute = 60;
constexpr int kSectionCount = 3;
constexpr int kDigitsPerSection = 2;
// "HH:mm:ss": each section and its separator take three characters.
constexpr int kSectionWidth = 3;

bool FitsSection(int value, int section) {
    const int limits[kSectionCount] = {kHoursPerDay, kMinutesPerHour, kSecondsPerMinute};
    return value >= 0 && value < limits[section];
}

}  // namespace

std::optional<QTime> ParseTypedTime(const QString& typed) {
    QStringList sections;
    if (typed.contains(QLatin1Char(':'))) {
        sections = typed.split(QLatin1Char(':'));
    } else {
        // Pairs from the left, unless the first pair cannot be an hour ("800" is 8:00).
        const int firstWidth =
            typed.size() > 1 && typed.left(kDigitsPerSection).toInt() >= kHoursPerDay
                ? 1
                : kDigitsPerSection;
        sections << typed.left(firstWidth);
        for (qsizetype at = firstWidth; at < typed.size(); at += kDigitsPerSection) {
            sections << typed.mid(at, kDigitsPerSection);
        }
    }
    if (sections.size() > kSectionCount) {
        return std::nullopt;
    }
    int values[kSectionCount] = {0, 0, 0};
    for (int i = 0; i < sections.size(); ++i) {
        const QString& section = sections[i];
        if (section.size() > kDigitsPerSection) {
            return std::nullopt;
        }
        bool ok = section.isEmpty();
        const int value = section.isEmpty() ? 0 : section.toInt(&ok);
        if (!ok || !FitsSection(value, i)) {
            return std::nullopt;
        }
        values[i] = value;
    }
    return QTime(values[0], values[1], values[2]);
}

CTimeField::CTimeField(QWidget* parent) : QTimeEdit(parent) {
    setDisplayFormat(QStringLiteral("HH:mm:ss"));
}

void CTimeField::keyPressEvent(QKeyEvent* event) {
    QLineEdit* edit = lineEdit();
    const QString text = event->text();
    const bool timeKey = text.size() == 1 && (text[0].isDigit() || text[0] == QLatin1Char(':'));
    const bool allSelected = edit->hasSelectedText() && edit->selectedText() == edit->text();
    if (timeKey && allSelected) {
        // Typing over the whole text starts a new time.
        m_strTyped.clear();
        m_bTyping = true;
    }
    if (timeKey && m_bTyping) {
        // A key that cannot continue a time is ignored; the text stays what it was.
        if (const std::optional<QTime> time = ParseTypedTime(m_strTyped + text)) {
            m_strTyped += text;
            setTime(*time);
        }
        edit->deselect();
        edit->end(false);
        event->accept();
        return;
    }
    m_bTyping = false;
    if (event->key() == Qt::Key_Up || event->key() == Qt::Key_Down) {
        // The section under the cursor steps, whatever was selected before.
        const int section = std::min(edit->cursorPosition() / kSectionWidth, kSectionCount - 1);
        setCurrentSectionIndex(section);
    }
    QTimeEdit::keyPressEvent(event);
}

void CTimeField::focusOutEvent(QFocusEvent* event) {
    m_bTyping = false;
    QTimeEdit::focusOutEvent(event);
}

void CTimeField::mousePressEvent(QMouseEvent* event) {
    m_bTyping = false;
    QTimeEdit::mousePressEvent(event);
}

}  // namespace editors
