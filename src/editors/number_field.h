#pragma once
// A field for a whole number with up and down arrows. The arrows and the Up/Down keys
// step within a range, but the text may hold any number the user types: reading it
// back refuses only what is not a whole number.

#include <QWidget>

class QLineEdit;
class QToolButton;

namespace platform {
class Dialogs;
}

namespace editors {

// What a number field shows when its text is not a whole number.
inline constexpr const char* kEnterIntegerText = "请键入一个整数。";
inline constexpr const char* kEnterIntegerCaption = "QELT";
// What a play time field shows when it holds a negative number.
inline constexpr const char* kNegativePlayTimeText = "播放时间不能为负数，请键入0或更大的整数。";

class CNumberField : public QWidget {
    Q_OBJECT

public:
    // The field's line edit takes objectName; the arrows get objectName + "Up"/"Down".
    CNumberField(const QString& objectName, int minimum, int maximum, QWidget* parent = nullptr);

    QLineEdit* Edit() const { return m_pEdit; }
    void SetValue(int value);
    // Lets only digits be typed, as a volume field does.
    void SetDigitsOnly(bool on);

    // The field's whole number. Anything else shows "请键入一个整数。", focuses the field
    // with its text selected and returns false.
    bool Read(platform::Dialogs& dialogs, int& value) const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Step(int delta);

    QLineEdit* m_pEdit = nullptr;
    QToolButton* m_pUp = nullptr;
    QToolButton* m_pDown = nullptr;
    int m_nMinimum;
    int m_nMaximum;
};

}  // namespace editors
