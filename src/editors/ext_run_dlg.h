#pragma once
// The extension-run settings dialog: whether programs run around the schedule items, the
// program run before each item and the one run after it, with their default parameters.
// OK copies them into the engine and writes them to the settings. Modeless: it deletes
// itself when it closes.

#include <QDialog>

#include "editors/editor_host.h"

class QCheckBox;
class QLineEdit;

namespace editors {

class CExtRunDlg : public QDialog {
    Q_OBJECT

public:
    // The parent defaults to the host's window.
    explicit CExtRunDlg(IEditorHost& host, QWidget* parent = nullptr);

public slots:
    void accept() override;

private:
    // Lets the user choose a program and puts it into the path field.
    void Browse(QLineEdit* pathField);

    IEditorHost& m_Host;
    QCheckBox* m_pExtRun = nullptr;
    QLineEdit* m_pProgramBefore = nullptr;
    QLineEdit* m_pParamsBefore = nullptr;
    QLineEdit* m_pProgramAfter = nullptr;
    QLineEdit* m_pParamsAfter = nullptr;
};

}  // namespace editors
