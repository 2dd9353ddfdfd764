#include "editors/holiday_dlg.h"

#include <QComboBox>
#include <QDate>
#include <QDateEdit>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <vector>

#include "platform/qt_text.h"
#include "schedule/store_file.h"

namespace editors {

namespace {

using platform::Q;

constexpr const char* kCaption = "节假日设置";
constexpr const char* kErrorCaption = "错误";
constexpr const char* kHolidayText = "节假日";
constexpr const char* kReversedText = "结束日期不能早于开始日期。";
constexpr const char* kDuplicateText = "列表中已有%1的条目，请先删除它。";
constexpr const char* kCannotAddText = "无法添加这个条目。";
constexpr const char* kCannotSaveText = "无法保存节假日文件：\n%1";
constexpr const char* kCloseSaveText = "节假日设置已经被修改过了，要保存吗？";
constexpr const char* kUnreadableText = "无法读取节假日文件%1，不能在这里修改它。";
constexpr const char* kIgnoredLinesText = "以下各行无法识别，已忽略（保存时原样保留）：";
constexpr const char* kMissingTimetableText = "%1（文件不存在）";
constexpr const char* kMakeupText = "按%1的作息";
constexpr const char* kNoTimetableChoice = "（节假日，不响铃）";
constexpr const char* kCurrentTimetableChoice = "（当前作息表）";
constexpr const char* kDateFormat = "yyyy-MM-dd";
constexpr const char* kTimetableFilter = "*.zxb";
constexpr int kDateColumn = 0;
constexpr int kTimetableColumn = 1;
constexpr int kLineRole = Qt::UserRole;
constexpr int kDefaultWidth = 460;
constexpr int kDefaultHeight = 440;

schedule::CalendarDate ToCalendarDate(const QDate& date) {
    return {date.year(), date.month(), date.day()};
}

QString DatesText(const schedule::CalendarEntry& entry) {
    QString text = Q(entry.first.ToString());
    if (entry.last != entry.first) {
        text += QStringLiteral(" 至 ") + Q(entry.last.ToString());
    }
    return text;
}

// Whether the calendar file can hold name as its own text and read it back unchanged:
// a line break would split the entry and '#' would start a comment.
bool NameFitsTheFile(const QString& name) {
    return schedule::CDayCalendar::IsPlainFileName(name.toStdString()) && name == name.trimmed() &&
           !name.contains(QLatin1Char('#')) && !name.contains(QLatin1Char('\n')) &&
           !name.contains(QLatin1Char('\r'));
}

QDateEdit* MakeDateEdit(const char* name, QWidget* parent) {
    auto* edit = new QDateEdit(QDate::currentDate(), parent);
    edit->setObjectName(QString::fromLatin1(name));
    edit->setCalendarPopup(true);
    edit->setDisplayFormat(QString::fromLatin1(kDateFormat));
    return edit;
}

}  // namespace

CHolidayDlg::CHolidayDlg(IEditorHost& host, QWidget* parent)
    : QDialog(parent != nullptr ? parent : host.Window()),
      m_Host(host),
      m_strPath(schedule::CDayCalendar::PathIn(host.AppDir())) {
    setObjectName(QStringLiteral("holidayDlg"));
    setAttribute(Qt::WA_DeleteOnClose);
    // However it closes (OK, Cancel, Escape, the window's X, the program ending), it is
    // closed for good: its close questions are not asked again.
    connect(this, &QDialog::finished, this, [this] { m_bClosed = true; });
    setWindowTitle(QString::fromUtf8(kCaption));

    m_pList = new QTreeWidget(this);
    m_pList->setObjectName(QStringLiteral("holidayList"));
    m_pList->setColumnCount(2);
    m_pList->setHeaderLabels({QStringLiteral("日期"), QStringLiteral("作息表")});
    m_pList->setRootIsDecorated(false);
    m_pList->setSelectionMode(QAbstractItemView::SingleSelection);
    m_pList->header()->setSectionResizeMode(kDateColumn, QHeaderView::ResizeToContents);

    m_pErrors = new QLabel(this);
    m_pErrors->setObjectName(QStringLiteral("errorLabel"));
    m_pErrors->setWordWrap(true);
    m_pErrors->setTextFormat(Qt::PlainText);
    m_pErrors->setVisible(false);

    auto* addGroup = new QGroupBox(QStringLiteral("添加日期"), this);
    m_pFrom = MakeDateEdit("fromDate", addGroup);
    m_pTo = MakeDateEdit("toDate", addGroup);
    m_pTimetable = new QComboBox(addGroup);
    m_pTimetable->setObjectName(QStringLiteral("timetableCombo"));
    m_pTimetable->setToolTip(QStringLiteral("不选作息表也不选星期即为节假日，不播放作息项"));
    // Monday first, as the timetable editor's tabs; the data is the weekday (Sunday 0).
    m_pWeekday = new QComboBox(addGroup);
    m_pWeekday->setObjectName(QStringLiteral("weekdayCombo"));
    m_pWeekday->setToolTip(QStringLiteral("调休：这些日子播放所选星期的作息项"));
    m_pWeekday->addItem(QString(), -1);
    for (int day = 1; day <= 7; ++day) {
        m_pWeekday->addItem(QString::fromUtf8(schedule::kWeekdayNames[day % 7]), day % 7);
    }
    auto* fromLabel = new QLabel(QStringLiteral("开始日期(&F):"), addGroup);
    fromLabel->setBuddy(m_pFrom);
    auto* toLabel = new QLabel(QStringLiteral("结束日期(&T):"), addGroup);
    toLabel->setBuddy(m_pTo);
    auto* timetableLabel = new QLabel(QStringLiteral("作息表(&Z):"), addGroup);
    timetableLabel->setBuddy(m_pTimetable);
    auto* weekdayLabel = new QLabel(QStringLiteral("按(&W):"), addGroup);
    weekdayLabel->setBuddy(m_pWeekday);
    auto* weekdayRow = new QHBoxLayout;
    weekdayRow->addWidget(m_pWeekday, 1);
    weekdayRow->addWidget(new QLabel(QStringLiteral("的作息"), addGroup));
    auto* addButton = new QPushButton(QStringLiteral("添加(&A)"), addGroup);
    addButton->setObjectName(QStringLiteral("addButton"));
    // Enter in a date field adds the entry rather than closing the dialog.
    addButton->setDefault(true);
    auto* addLayout = new QGridLayout(addGroup);
    addLayout->addWidget(fromLabel, 0, 0);
    addLayout->addWidget(m_pFrom, 0, 1);
    addLayout->addWidget(toLabel, 1, 0);
    addLayout->addWidget(m_pTo, 1, 1);
    addLayout->addWidget(timetableLabel, 2, 0);
    addLayout->addWidget(m_pTimetable, 2, 1);
    addLayout->addWidget(weekdayLabel, 3, 0);
    addLayout->addLayout(weekdayRow, 3, 1);
    addLayout->addWidget(addButton, 4, 1, Qt::AlignRight);
    addLayout->setColumnStretch(1, 1);

    auto* removeButton = new QPushButton(QStringLiteral("删除(&D)"), this);
    removeButton->setObjectName(QStringLiteral("removeButton"));
    removeButton->setAutoDefault(false);

    auto* buttons = new QDialogButtonBox(this);
    m_pOk = buttons->addButton(QStringLiteral("确定(&O)"), QDialogButtonBox::AcceptRole);
    m_pOk->setObjectName(QStringLiteral("okButton"));
    m_pOk->setAutoDefault(false);
    QPushButton* cancel =
        buttons->addButton(QStringLiteral("取消(&C)"), QDialogButtonBox::RejectRole);
    cancel->setObjectName(QStringLiteral("cancelButton"));
    cancel->setAutoDefault(false);

    auto* listButtons = new QHBoxLayout;
    listButtons->addStretch(1);
    listButtons->addWidget(removeButton);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_pList, 1);
    layout->addLayout(listButtons);
    layout->addWidget(m_pErrors);
    layout->addWidget(addGroup);
    layout->addWidget(buttons);
    resize(kDefaultWidth, kDefaultHeight);

    setTabOrder(m_pList, removeButton);
    setTabOrder(removeButton, m_pFrom);
    setTabOrder(m_pFrom, m_pTo);
    setTabOrder(m_pTo, m_pTimetable);
    setTabOrder(m_pTimetable, m_pWeekday);
    setTabOrder(m_pWeekday, addButton);
    setTabOrder(addButton, m_pOk);
    setTabOrder(m_pOk, cancel);

    connect(m_pWeekday, &QComboBox::currentIndexChanged, this, [this] {
        m_pTimetable->setItemText(
            0, QString::fromUtf8(m_pWeekday->currentData().toInt() < 0 ? kNoTimetableChoice
                                                                       : kCurrentTimetableChoice));
    });
    connect(addButton, &QPushButton::clicked, this, &CHolidayDlg::AddEntry);
    connect(removeButton, &QPushButton::clicked, this, &CHolidayDlg::RemoveEntry);
    connect(buttons, &QDialogButtonBox::accepted, this, &CHolidayDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CHolidayDlg::reject);
    // A single day is the usual case: the end follows the start while it was the same
    // day, and never stays before it.
    connect(m_pFrom, &QDateEdit::dateChanged, this, [this](const QDate& date) {
        if (m_pTo->date() < date || m_pTo->date() == m_PreviousFrom) {
            m_pTo->setDate(date);
        }
        m_PreviousFrom = date;
    });
    m_PreviousFrom = m_pFrom->date();

    const bool read = m_Calendar.Load(m_strPath);
    m_bUnreadable = !read && QFileInfo::exists(Q(m_strPath));
    FillTimetables();
    FillList(-1);
    ShowErrors();
    m_pFrom->setFocus();
}

void CHolidayDlg::FillTimetables() {
    m_pTimetable->clear();
    // The blank choice names what it does: a holiday, or with a weekday the current
    // timetable's items of that weekday.
    m_pTimetable->addItem(QString::fromUtf8(kNoTimetableChoice), QString());
    const QDir folder(Q(m_Host.AppDir()) + QString::fromUtf8(schedule::CDayCalendar::kFolderName));
    const QStringList names = folder.entryList({QString::fromLatin1(kTimetableFilter)},
                                               QDir::Files | QDir::Readable, QDir::Name);
    for (const QString& name : names) {
        if (NameFitsTheFile(name)) {
            m_pTimetable->addItem(name, name);
        }
    }
}

void CHolidayDlg::FillList(int selectLine) {
    m_pList->clear();
    const QString folder =
        Q(m_Host.AppDir()) + QString::fromUtf8(schedule::CDayCalendar::kFolderName);
    for (const schedule::CalendarEntry& entry : m_Calendar.GetSortedEntries()) {
        auto* item = new QTreeWidgetItem(m_pList);
        item->setText(kDateColumn, DatesText(entry));
        QString timetable = entry.IsHoliday() ? QString::fromUtf8(kHolidayText) : QString();
        if (!entry.timetable.empty()) {
            timetable = Q(entry.timetable);
            if (!QFileInfo::exists(folder + QLatin1Char('/') + timetable)) {
                timetable = QString::fromUtf8(kMissingTimetableText).arg(timetable);
            }
        }
        if (entry.weekday >= 0) {
            const QString makeup =
                QString::fromUtf8(kMakeupText)
                    .arg(QString::fromUtf8(schedule::kWeekdayNames[entry.weekday]));
            timetable = timetable.isEmpty() ? makeup : timetable + QLatin1Char(' ') + makeup;
        }
        item->setText(kTimetableColumn, timetable);
        item->setData(kDateColumn, kLineRole, entry.lineIndex);
        if (entry.lineIndex == selectLine) {
            m_pList->setCurrentItem(item);
        }
    }
}

void CHolidayDlg::ShowErrors() {
    QStringList lines;
    if (m_bUnreadable) {
        lines << QString::fromUtf8(kUnreadableText).arg(Q(m_strPath));
        m_pOk->setEnabled(false);
    }
    const std::vector<schedule::CalendarError> errors = m_Calendar.errors();
    if (!errors.empty()) {
        lines << QString::fromUtf8(kIgnoredLinesText);
        for (const schedule::CalendarError& error : errors) {
            lines << Q(error.ToString());
        }
    }
    m_pErrors->setText(lines.join(QLatin1Char('\n')));
    m_pErrors->setVisible(!lines.isEmpty());
}

void CHolidayDlg::ShowError(const QString& text) {
    m_Host.Dialogs().Message(text.toStdString(), kErrorCaption, platform::MessageIcon::Error,
                             platform::MessageButtons::Ok);
}

void CHolidayDlg::AddEntry() {
    const QDate fromDate = m_pFrom->date();
    const QDate toDate = m_pTo->date();
    if (toDate < fromDate) {
        ShowError(QString::fromUtf8(kReversedText));
        m_pTo->setFocus();
        return;
    }
    const schedule::CalendarDate from = ToCalendarDate(fromDate);
    const schedule::CalendarDate to = ToCalendarDate(toDate);
    for (const schedule::CalendarEntry& entry : m_Calendar.GetEntries()) {
        if (entry.first == from && entry.last == to) {
            ShowError(QString::fromUtf8(kDuplicateText).arg(DatesText(entry)));
            FillList(entry.lineIndex);
            return;
        }
    }
    const int line =
        m_Calendar.AddEntry(from, to, m_pTimetable->currentData().toString().toStdString(),
                            m_pWeekday->currentData().toInt());
    if (line < 0) {
        ShowError(QString::fromUtf8(kCannotAddText));
        return;
    }
    m_bChanged = true;
    FillList(line);
}

void CHolidayDlg::RemoveEntry() {
    QTreeWidgetItem* item = m_pList->currentItem();
    if (item == nullptr || !item->isSelected()) {
        return;
    }
    const int row = m_pList->indexOfTopLevelItem(item);
    if (!m_Calendar.RemoveEntry(item->data(kDateColumn, kLineRole).toInt())) {
        return;
    }
    m_bChanged = true;
    FillList(-1);
    // The row that took the removed one's place is selected, so removing goes on.
    const int count = m_pList->topLevelItemCount();
    if (count > 0) {
        m_pList->setCurrentItem(m_pList->topLevelItem(qMin(row, count - 1)));
    }
    m_pList->setFocus();
}

void CHolidayDlg::accept() {
    if (m_bChanged && !m_bUnreadable) {
        // The folder may have gone since start-up; the file cannot be written without it.
        QDir().mkpath(QFileInfo(Q(m_strPath)).absolutePath());
        if (!m_Calendar.Save(m_strPath)) {
            ShowError(QString::fromUtf8(kCannotSaveText).arg(Q(m_strPath)));
            return;
        }
    }
    QDialog::accept();
}

bool CHolidayDlg::CloseAsking() {
    if (m_bClosed) {
        return true;
    }
    if (m_bChanged && !m_bUnreadable &&
        m_Host.Dialogs().Message(kCloseSaveText, kCaption, platform::MessageIcon::Question,
                                 platform::MessageButtons::YesNo) == platform::MessageAnswer::Yes) {
        // A failed save says why and keeps the dialog open with the entries.
        accept();
        return m_bClosed;
    }
    reject();
    return true;
}

std::vector<std::string> CHolidayDlg::KeepUnsavedAndClose() {
    std::vector<std::string> kept;
    if (!m_bClosed && m_bChanged && !m_bUnreadable) {
        const std::string copy = schedule::FreshCopyName(m_strPath, kUnsavedSuffix);
        if (m_Calendar.Save(copy)) {
            kept.push_back(copy);
        }
    }
    done(QDialog::Rejected);
    return kept;
}

}  // namespace editors
