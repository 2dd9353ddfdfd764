#include "editors/log_view_dlg.h"

#include <QCheckBox>
#include <QColor>
#include <QDateEdit>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QStandardItemModel>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>
#include <optional>
#include <utility>

#include "engine/event_log.h"

namespace editors {

namespace {

constexpr const char* kCaption = "播放记录";
constexpr const char* kDateFormat = "yyyy-MM-dd";
// The rotated log keeps this suffix; lines written to it before the viewer noticed the
// rotation are read from there.
constexpr const char* kRotatedSuffix = ".1";
// The log's first bytes, which begin with the time of its first line, tell a new log
// file from the one it replaced.
constexpr qint64 kHeadBytes = 64;
// At most this much of the file is read at once, so a huge log cannot stall the window;
// it holds far more than the lines the viewer keeps.
constexpr qint64 kMaxReadBytes = qint64{2} * 1024 * 1024;
// The rotated files the log keeps (".1" the newest).
constexpr int kRotatedFiles = engine::kBellLogKeepOld;
constexpr int kDefaultWidth = 820;
constexpr int kTimeWidth = 80;
constexpr int kEventWidth = 200;
constexpr int kItemWidth = 260;
constexpr int kFilterGap = 16;
constexpr int kRowPadding = 6;
// What went wrong is shown in dark red.
constexpr QRgb kProblemColour = 0xB00000;
constexpr int kDefaultHeight = 480;

}  // namespace

CLogViewDlg::CLogViewDlg(IEditorHost& host, const std::string& path, QWidget* parent)
    : QDialog(parent != nullptr ? parent : host.Window()),
      m_Host(host),
      m_strPath(QString::fromStdString(path)) {
    setObjectName(QStringLiteral("logViewDlg"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QString::fromUtf8(kCaption));

    m_pDate = new QDateEdit(this);
    m_pDate->setObjectName(QStringLiteral("logDate"));
    m_pDate->setCalendarPopup(true);
    m_pDate->setDisplayFormat(QString::fromLatin1(kDateFormat));
    auto* dateLabel = new QLabel(QStringLiteral("日期(&D):"), this);
    dateLabel->setBuddy(m_pDate);
    m_pBellsOnly = new QCheckBox(QStringLiteral("只看铃声(&B)"), this);
    m_pBellsOnly->setObjectName(QStringLiteral("bellsOnly"));
    m_pProblemsOnly = new QCheckBox(QStringLiteral("只看问题(&P)"), this);
    m_pProblemsOnly->setObjectName(QStringLiteral("problemsOnly"));
    auto* filters = new QHBoxLayout;
    filters->addWidget(dateLabel);
    filters->addWidget(m_pDate);
    filters->addSpacing(kFilterGap);
    filters->addWidget(m_pBellsOnly);
    filters->addWidget(m_pProblemsOnly);
    filters->addStretch(1);

    m_pModel = new QStandardItemModel(0, kColumnCount, this);
    m_pModel->setHorizontalHeaderLabels({QStringLiteral("时间"), QStringLiteral("事件"),
                                         QStringLiteral("作息项"), QStringLiteral("文件")});
    m_pTable = new QTableView(this);
    m_pTable->setObjectName(QStringLiteral("logTable"));
    m_pTable->setModel(m_pModel);
    m_pTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_pTable->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_pTable->verticalHeader()->hide();
    m_pTable->verticalHeader()->setDefaultSectionSize(m_pTable->fontMetrics().height() +
                                                      kRowPadding);
    m_pTable->horizontalHeader()->setStretchLastSection(true);
    m_pTable->setColumnWidth(kTimeColumn, kTimeWidth);
    m_pTable->setColumnWidth(kEventColumn, kEventWidth);
    m_pTable->setColumnWidth(kItemColumn, kItemWidth);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* closeButton =
        buttons->addButton(QStringLiteral("关闭(&C)"), QDialogButtonBox::RejectRole);
    closeButton->setObjectName(QStringLiteral("closeButton"));
    closeButton->setDefault(true);
    connect(buttons, &QDialogButtonBox::rejected, this, &CLogViewDlg::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(filters);
    layout->addWidget(m_pTable, 1);
    layout->addWidget(buttons);
    resize(kDefaultWidth, kDefaultHeight);

    // Earlier days live in the rotated files, oldest first.
    for (int n = kRotatedFiles; n >= 1; --n) {
        qint64 end = 0;
        AddLines(ReadFrom(m_strPath + QLatin1Char('.') + QString::number(n), 0, end));
    }
    qint64 end = 0;
    AddLines(ReadFrom(m_strPath, 0, end));
    m_nOffset = end;
    m_Head = ReadHead(m_strPath);
    const QDate latest = QDate::fromString(QString::fromStdString(m_strLatestDate),
                                           QString::fromLatin1(kDateFormat));
    m_pDate->setDate(latest.isValid() ? latest : QDate::currentDate());
    Rebuild();
    connect(m_pDate, &QDateEdit::dateChanged, this, &CLogViewDlg::Rebuild);
    connect(m_pBellsOnly, &QCheckBox::toggled, this, &CLogViewDlg::Rebuild);
    connect(m_pProblemsOnly, &QCheckBox::toggled, this, &CLogViewDlg::Rebuild);

    m_pTimer = new QTimer(this);
    m_pTimer->setInterval(kPollMs);
    connect(m_pTimer, &QTimer::timeout, this, &CLogViewDlg::Poll);
    // A closed viewer reads no more, also while its deletion is still pending.
    connect(this, &QDialog::finished, m_pTimer, &QTimer::stop);
    m_pTimer->start();
    closeButton->setFocus();
}

void CLogViewDlg::AddLines(const QString& lines) {
    if (lines.isEmpty()) {
        return;
    }
    const std::string chosen =
        m_pDate->date().toString(QString::fromLatin1(kDateFormat)).toStdString();
    const bool followLatest = m_Entries.empty() || chosen == m_strLatestDate;
    const std::size_t first = m_Entries.size();
    for (const QString& line : lines.split(QLatin1Char('\n'))) {
        std::optional<engine::BellLogEntry> entry = engine::ParseBellLogLine(line.toStdString());
        if (!entry) {
            // A line that is not an event (written by hand, or cut short) is shown as it is.
            entry.emplace();
            entry->date = m_strLatestDate;
            entry->event = line.toStdString();
        }
        if (entry->date > m_strLatestDate) {
            m_strLatestDate = entry->date;
        }
        m_Entries.push_back(std::move(*entry));
    }
    if (m_pTimer == nullptr) {
        return;  // still opening: the table is filled once the day is chosen
    }
    if (followLatest && m_strLatestDate != chosen) {
        m_pDate->setDate(QDate::fromString(QString::fromStdString(m_strLatestDate),
                                           QString::fromLatin1(kDateFormat)));
        return;  // the date's change fills the table
    }
    QScrollBar* bar = m_pTable->verticalScrollBar();
    const bool following = bar->value() >= bar->maximum();
    for (std::size_t i = first; i < m_Entries.size(); ++i) {
        if (Shows(m_Entries[i])) {
            AppendRow(m_Entries[i]);
        }
    }
    while (m_pModel->rowCount() > kMaxLines) {
        m_pModel->removeRow(0);
    }
    // Follow the new lines unless the user scrolled back to read older ones.
    if (following) {
        m_pTable->scrollToBottom();
    }
}

bool CLogViewDlg::Shows(const engine::BellLogEntry& entry) const {
    const std::string chosen =
        m_pDate->date().toString(QString::fromLatin1(kDateFormat)).toStdString();
    return entry.date == chosen && (!m_pBellsOnly->isChecked() || entry.bell) &&
           (!m_pProblemsOnly->isChecked() || entry.problem);
}

void CLogViewDlg::AppendRow(const engine::BellLogEntry& entry) {
    QList<QStandardItem*> row;
    row << new QStandardItem(QString::fromStdString(entry.time))
        << new QStandardItem(QString::fromStdString(entry.event))
        << new QStandardItem(QString::fromStdString(entry.item));
    const QString path = QString::fromStdString(entry.file);
    auto* file = new QStandardItem(
        entry.kind == "run" || entry.kind == "exitcode" ? path : QFileInfo(path).fileName());
    file->setToolTip(path);
    row << file;
    if (entry.problem) {
        for (QStandardItem* cell : row) {
            cell->setForeground(QColor(kProblemColour));
        }
    }
    m_pModel->appendRow(row);
}

void CLogViewDlg::Rebuild() {
    m_pModel->removeRows(0, m_pModel->rowCount());
    for (const engine::BellLogEntry& entry : m_Entries) {
        if (Shows(entry)) {
            AppendRow(entry);
        }
    }
    while (m_pModel->rowCount() > kMaxLines) {
        m_pModel->removeRow(0);
    }
    m_pTable->scrollToBottom();
}

QByteArray CLogViewDlg::ReadHead(const QString& path) const {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    return file.read(kHeadBytes);
}

QString CLogViewDlg::ReadFrom(const QString& path, qint64 offset, qint64& end) const {
    end = offset;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    const qint64 size = file.size();
    if (size <= offset) {
        return {};
    }
    // Far behind: skip to the last part and to the first whole line in it.
    const bool skipped = size - offset > kMaxReadBytes;
    const qint64 from = skipped ? size - kMaxReadBytes : offset;
    if (!file.seek(from)) {
        return {};
    }
    QByteArray bytes = file.read(size - from);
    qsizetype begin = 0;
    if (skipped) {
        begin = bytes.indexOf('\n') + 1;
    }
    // A line still being written is read once its end arrives.
    const qsizetype last = bytes.lastIndexOf('\n');
    if (last < begin) {
        return {};
    }
    end = from + last + 1;
    bytes = bytes.mid(begin, last - begin);
    bytes.replace("\r\n", "\n");
    return QString::fromUtf8(bytes);
}

void CLogViewDlg::Poll() {
    const QByteArray head = ReadHead(m_strPath);
    const bool exists = QFile::exists(m_strPath);
    const bool replaced =
        !exists || QFile(m_strPath).size() < m_nOffset || !head.startsWith(m_Head);
    if (replaced && m_nOffset > 0) {
        // The lines written to the old file after the last look now live in the rotated one.
        const QString rotated = m_strPath + QString::fromLatin1(kRotatedSuffix);
        if (!m_Head.isEmpty() && ReadHead(rotated).startsWith(m_Head)) {
            qint64 end = 0;
            const QString lines = ReadFrom(rotated, m_nOffset, end);
            if (end > m_nOffset) {
                AddLines(lines);
            }
        }
        m_nOffset = 0;
        m_Head.clear();
    }
    if (!exists) {
        return;
    }
    qint64 end = 0;
    const QString lines = ReadFrom(m_strPath, m_nOffset, end);
    if (end > m_nOffset) {
        AddLines(lines);
    }
    m_nOffset = end;
    m_Head = ReadHead(m_strPath);
}

}  // namespace editors
