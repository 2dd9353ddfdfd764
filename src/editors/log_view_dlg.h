#pragma once
// The bell-log viewer: the last lines of the log file, read-only, following the lines
// written while it is open, also across the log's rotation (the file renamed to ".1"
// and a new one started). Modeless: it deletes itself when it closes.

#include <QByteArray>
#include <QDialog>
#include <QString>
#include <string>

#include "editors/editor_host.h"

class QPlainTextEdit;
class QTimer;

namespace editors {

class CLogViewDlg : public QDialog {
    Q_OBJECT

public:
    // How many lines the viewer keeps, and how often it looks for new ones.
    static constexpr int kMaxLines = 500;
    static constexpr int kPollMs = 1000;

    // path is the log file (the program folder's "QELT.log"); the parent defaults to the
    // host's window.
    CLogViewDlg(IEditorHost& host, const std::string& path, QWidget* parent = nullptr);

private:
    // Reads what was written since the last look; starts over on a rotated or cut file.
    void Poll();
    // Reads the file at path from offset up to its last complete line; the lines read.
    QString ReadFrom(const QString& path, qint64 offset, qint64& end) const;
    // The first bytes of the file at path, which tell one log file from the next.
    QByteArray ReadHead(const QString& path) const;
    void AppendLines(const QString& lines);

    IEditorHost& m_Host;
    QString m_strPath;
    QPlainTextEdit* m_pText = nullptr;
    QTimer* m_pTimer = nullptr;
    // Bytes of the current file shown so far (always at a line's end), and its start.
    qint64 m_nOffset = 0;
    QByteArray m_Head;
};

}  // namespace editors
