#include "editors/log_view_dlg.h"

#include <QDialogButtonBox>
#include <QFile>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTextCursor>
#include <QTimer>
#include <QVBoxLayout>

namespace editors {

namespace {

constexpr const char* kCaption = "播放记录";
constexpr const char* kEmptyText = "还没有播放记录。";
// The rotated log keeps this suffix; lines written to it before the viewer noticed the
// rotation are read from there.
constexpr const char* kRotatedSuffix = ".1";
// The log's first bytes, which begin with the time of its first line, tell a new log
// file from the one it replaced.
constexpr qint64 kHeadBytes = 64;
// At most this much of the file is read at once, so a huge log cannot stall the window;
// it holds far more than the lines the viewer keeps.
constexpr qint64 kMaxReadBytes = qint64{2} * 1024 * 1024;
constexpr int kDefaultWidth = 760;
constexpr int kDefaultHeight = 480;

// The last count lines of text, whose lines are separated by '\n'.
QString LastLines(const QString& text, int count) {
    qsizetype from = text.size();
    for (int i = 0; i < count; ++i) {
        from = text.lastIndexOf(QLatin1Char('\n'), from - 1);
        if (from < 0) {
            return text;
        }
        if (from == 0) {
            return text.mid(1);
        }
    }
    return text.mid(from + 1);
}

}  // namespace

CLogViewDlg::CLogViewDlg(IEditorHost& host, const std::string& path, QWidget* parent)
    : QDialog(parent != nullptr ? parent : host.Window()),
      m_Host(host),
      m_strPath(QString::fromStdString(path)) {
    setObjectName(QStringLiteral("logViewDlg"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QString::fromUtf8(kCaption));

    m_pText = new QPlainTextEdit(this);
    m_pText->setObjectName(QStringLiteral("logText"));
    m_pText->setReadOnly(true);
    m_pText->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_pText->setMaximumBlockCount(kMaxLines);
    m_pText->setPlaceholderText(QString::fromUtf8(kEmptyText));

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* closeButton =
        buttons->addButton(QStringLiteral("关闭"), QDialogButtonBox::RejectRole);
    closeButton->setObjectName(QStringLiteral("closeButton"));
    closeButton->setDefault(true);
    connect(buttons, &QDialogButtonBox::rejected, this, &CLogViewDlg::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_pText, 1);
    layout->addWidget(buttons);
    resize(kDefaultWidth, kDefaultHeight);

    qint64 end = 0;
    const QString text = ReadFrom(m_strPath, 0, end);
    m_pText->setPlainText(LastLines(text, kMaxLines));
    m_pText->moveCursor(QTextCursor::End);
    m_nOffset = end;
    m_Head = ReadHead(m_strPath);

    m_pTimer = new QTimer(this);
    m_pTimer->setInterval(kPollMs);
    connect(m_pTimer, &QTimer::timeout, this, &CLogViewDlg::Poll);
    // A closed viewer reads no more, also while its deletion is still pending.
    connect(this, &QDialog::finished, m_pTimer, &QTimer::stop);
    m_pTimer->start();
    closeButton->setFocus();
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

void CLogViewDlg::AppendLines(const QString& lines) {
    QScrollBar* bar = m_pText->verticalScrollBar();
    const bool following = bar->value() >= bar->maximum();
    m_pText->appendPlainText(lines);
    // Follow the new lines unless the user scrolled back to read older ones.
    if (following) {
        bar->setValue(bar->maximum());
    }
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
                AppendLines(lines);
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
        AppendLines(lines);
    }
    m_nOffset = end;
    m_Head = ReadHead(m_strPath);
}

}  // namespace editors
