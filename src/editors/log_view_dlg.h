#pragma once
// The bell-log viewer: one day of the log as a table a school reads (时间, 事件, 作息项,
// 文件), the day chosen from a date picker, with filters for the bells and for what went
// wrong. It follows the lines written while it is open, also across the log's rotation
// (the file renamed to ".1" and a new one started), and reads the rotated files for
// earlier days. Modeless: it deletes itself when it closes.

#include <QByteArray>
#include <QDialog>
#include <QString>
#include <string>
#include <vector>

#include "editors/editor_host.h"
#include "engine/bell_log_line.h"

class QCheckBox;
class QDateEdit;
class QStandardItemModel;
class QTableView;
class QTimer;

namespace editors {

class CLogViewDlg : public QDialog {
    Q_OBJECT

public:
    // How many rows of one day the viewer shows, and how often it looks for new lines.
    static constexpr int kMaxLines = 500;
    static constexpr int kPollMs = 1000;
    // The table's columns.
    enum Column { kTimeColumn, kEventColumn, kItemColumn, kFileColumn, kColumnCount };

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
    // Adds the lines to the entries and shows those of the chosen day that pass the filters.
    void AddLines(const QString& lines);
    // Fills the table again from the entries (another day or filter chosen).
    void Rebuild();
    bool Shows(const engine::BellLogEntry& entry) const;
    void AppendRow(const engine::BellLogEntry& entry);

    IEditorHost& m_Host;
    QString m_strPath;
    QDateEdit* m_pDate = nullptr;
    QCheckBox* m_pBellsOnly = nullptr;
    QCheckBox* m_pProblemsOnly = nullptr;
    QTableView* m_pTable = nullptr;
    QStandardItemModel* m_pModel = nullptr;
    QTimer* m_pTimer = nullptr;
    // Every line read, oldest first; a line without a date counts on the day before it.
    std::vector<engine::BellLogEntry> m_Entries;
    // The latest day in the log: while it is the chosen one, a new day's lines move the
    // picker on with them.
    std::string m_strLatestDate;
    // Bytes of the current file shown so far (always at a line's end), and its start.
    qint64 m_nOffset = 0;
    QByteArray m_Head;
};

}  // namespace editors
