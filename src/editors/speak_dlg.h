#pragma once
// The dialog that takes a text to be spoken at once ("播报").

#include <QDialog>
#include <string>

class QPlainTextEdit;

namespace editors {

class CSpeakDlg : public QDialog {
    Q_OBJECT

public:
    static constexpr const char* kTitle = "播报";

    explicit CSpeakDlg(QWidget* parent = nullptr);

    // The text typed, in UTF-8, with blanks at either end gone.
    std::string Text() const;

public slots:
    // Refuses an empty text: the dialog stays open on its field.
    void accept() override;

private:
    QPlainTextEdit* m_pText = nullptr;
};

}  // namespace editors
