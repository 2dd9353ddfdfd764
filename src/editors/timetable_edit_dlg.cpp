#include "editors/timetable_edit_dlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTabBar>
#include <QTableWidget>
#include <QVBoxLayout>
#include <array>

#include "editors/editor_host.h"
#include "editors/ext_run_items_dlg.h"
#include "editors/item_edit_dlg.h"
#include "platform/clock.h"
#include "platform/qt_text.h"
#include "schedule/app_paths.h"
#include "schedule/store_file.h"
#include "schedule/text_codec.h"
#include "schedule/time_text.h"
#include "session/bell_session.h"

namespace editors {

namespace {

using platform::Q;

using schedule::ScheduleItem;

constexpr std::array<const char*, schedule::kDaysPerWeek> kDayNames = {
    "星期日", "星期一", "星期二", "星期三", "星期四", "星期五", "星期六"};
constexpr int kSunday = 0;
constexpr int kMonday = 1;
constexpr int kFriday = 5;
constexpr int kSaturday = 6;
constexpr const char* kCopyToWeekdays = "复制到星期一至五";
constexpr const char* kCopyToWholeWeek = "复制到全周";
constexpr int kSundayTab = 6;
constexpr int kColumnCount = 7;
constexpr std::array<const char*, kColumnCount> kColumnTitles = {
    "时间", "作息项标题", "曲目名", "播放方式", "文件名", "扩展运行", "参数"};
constexpr std::array<int, kColumnCount> kColumnWidths = {72, 100, 120, 60, 140, 60, 80};
constexpr int kTabMinWidth = 80;
// Room for the list's frame and vertical scroll bar beside its columns.
constexpr int kListMargin = 24;
constexpr int kListMinHeight = 300;
// The copy operation list's only entry, "复制".
constexpr int kCopyOperation = 0;
constexpr int kDefaultCopyFrom = 1;
// The longest title the timetable file holds, in encoded bytes.
constexpr std::size_t kMaxTitleBytes = 259;

QString DayName(int day) {
    return QString::fromUtf8(kDayNames.at(static_cast<std::size_t>(day)));
}

// The texts of one row of the item list.
std::array<QString, kColumnCount> RowTexts(const ScheduleItem& item) {
    return {
        Q(schedule::FormatTimeOfDay(item.time)),
        Q(item.title),
        Q(item.musicName),
        item.autoPlay != 0 ? QStringLiteral("自动播放") : QStringLiteral("手动播放"),
        item.kind == schedule::CommonMusic ? QStringLiteral("常用曲目")
        : item.kind == schedule::ListMusic ? QStringLiteral("列表曲目")
                                           : Q(item.path),
        item.runBefore != 0 ? QStringLiteral("运行") : QStringLiteral("不运行"),
        item.useDefaultParams != 0 ? QStringLiteral("默认参数") : Q(item.params),
    };
}

QPushButton* MakeButton(const char* text, const char* name, QWidget* parent) {
    auto* button = new QPushButton(QString::fromUtf8(text), parent);
    button->setObjectName(QString::fromUtf8(name));
    // Enter in a field must not press a button: the editor closes only when asked to.
    button->setAutoDefault(false);
    return button;
}

}  // namespace

CTimetableEditDlg* CTimetableEditDlg::Create(IEditorHost& host, platform::Clock& clock, int mode,
                                             const std::string& path, QWidget* parent) {
    auto* dlg = new CTimetableEditDlg(host, clock, parent);
    if (mode == kViewMode || mode == kModifyMode) {
        if (!dlg->OpenFile(path)) {
            delete dlg;
            return nullptr;
        }
    } else {
        dlg->m_strEditTitle = kNewTitle;
    }
    dlg->InitialiseDays();
    dlg->SetMode(mode);
    dlg->m_pTitle->setText(Q(dlg->m_strEditTitle));
    dlg->RefreshDayList();
    return dlg;
}

CTimetableEditDlg::CTimetableEditDlg(IEditorHost& host, platform::Clock& clock, QWidget* parent)
    : QDialog(parent),
      m_Host(host),
      m_Clock(clock),
      m_CurrentItem(CItemEditDlg::NewItem()),
      m_EditTimetable(this) {
    setObjectName(QStringLiteral("timetableEditDlg"));
    setAttribute(Qt::WA_DeleteOnClose);
    // However it closes (OK, Cancel, Escape, the window's X, the program ending), it is
    // closed for good: its close questions are not asked again.
    connect(this, &QDialog::finished, this, [this] { m_bClosed = true; });
    BuildControls();
}

CTimetableEditDlg::~CTimetableEditDlg() = default;

bool CTimetableEditDlg::OpenFile(const std::string& path) {
    if (!m_EditTimetable.Load(path, true)) {
        return false;
    }
    m_strEditTitle = m_EditTimetable.GetTitle();
    m_strFile = path;
    return true;
}

void CTimetableEditDlg::SetMode(int mode) {
    m_nMode = mode;
    if (mode == kViewMode) {
        m_pSave->setEnabled(false);
    } else if (mode == kNewMode) {
        m_pSaveAs->setEnabled(false);
    }
}

void CTimetableEditDlg::BuildControls() {
    auto* dayCaption = new QLabel(QStringLiteral("当前编辑日期:"), this);
    m_pDayLabel = new QLabel(this);
    m_pDayLabel->setObjectName(QStringLiteral("dayLabel"));
    auto* titleLabel = new QLabel(QStringLiteral("作息表标题:"), this);
    m_pTitle = new QLineEdit(this);
    m_pTitle->setObjectName(QStringLiteral("titleEdit"));
    titleLabel->setBuddy(m_pTitle);
    auto* header = new QHBoxLayout;
    header->addWidget(dayCaption);
    header->addWidget(m_pDayLabel);
    header->addSpacing(kTabMinWidth / 2);
    header->addWidget(titleLabel);
    header->addWidget(m_pTitle, 1);

    m_pTabs = new QTabBar(this);
    m_pTabs->setObjectName(QStringLiteral("dayTabs"));
    m_pTabs->setExpanding(false);
    m_pTabs->setUsesScrollButtons(false);
    m_pTabs->setStyleSheet(QStringLiteral("QTabBar::tab { min-width: %1px; }").arg(kTabMinWidth));
    // Monday first and Sunday last: tab t shows weekday t + 1, the last tab Sunday.
    for (int tab = 0; tab < schedule::kDaysPerWeek; ++tab) {
        m_pTabs->addTab(DayName((tab + 1) % schedule::kDaysPerWeek));
    }

    m_pList = new QTableWidget(0, kColumnCount, this);
    m_pList->setObjectName(QStringLiteral("itemList"));
    m_pList->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_pList->setSelectionMode(QAbstractItemView::SingleSelection);
    m_pList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_pList->setShowGrid(true);
    m_pList->setSortingEnabled(false);
    m_pList->verticalHeader()->hide();
    m_pList->horizontalHeader()->setSectionsClickable(false);
    m_pList->horizontalHeader()->setStretchLastSection(true);
    m_pList->setContextMenuPolicy(Qt::CustomContextMenu);
    int listWidth = kListMargin;
    for (int column = 0; column < kColumnCount; ++column) {
        const auto index = static_cast<std::size_t>(column);
        m_pList->setHorizontalHeaderItem(
            column, new QTableWidgetItem(QString::fromUtf8(kColumnTitles.at(index))));
        m_pList->setColumnWidth(column, kColumnWidths.at(index));
        listWidth += kColumnWidths.at(index);
    }
    // Every column shows without scrolling.
    m_pList->setMinimumWidth(listWidth);
    m_pList->setMinimumHeight(kListMinHeight);

    auto* itemGroup = new QGroupBox(QStringLiteral("作息项编辑"), this);
    QPushButton* add = MakeButton("新增作息项(&A)", "addButton", itemGroup);
    QPushButton* edit = MakeButton("修改作息项(&E)", "editButton", itemGroup);
    QPushButton* remove = MakeButton("删除作息项(&D)", "deleteButton", itemGroup);
    m_pCopyOnAdd = new QCheckBox(QStringLiteral("新增时复制"), itemGroup);
    m_pCopyOnAdd->setObjectName(QStringLiteral("copyOnAddCheck"));
    m_pCopyOnAdd->setChecked(true);
    auto* itemLayout = new QVBoxLayout(itemGroup);
    for (QWidget* control : std::initializer_list<QWidget*>{add, edit, remove, m_pCopyOnAdd}) {
        itemLayout->addWidget(control);
    }

    auto* dayGroup = new QGroupBox(QStringLiteral("日作息表编辑"), this);
    m_pCopyOp = new QComboBox(dayGroup);
    m_pCopyOp->setObjectName(QStringLiteral("copyOpCombo"));
    m_pCopyOp->addItem(QStringLiteral("复制"));
    m_pCopyFrom = new QComboBox(dayGroup);
    m_pCopyFrom->setObjectName(QStringLiteral("copyFromCombo"));
    for (int day = 0; day < schedule::kDaysPerWeek; ++day) {
        m_pCopyFrom->addItem(DayName(day));
    }
    // Beside the single days: the shown day copied to the school week or the whole week.
    m_pCopyFrom->addItem(QString::fromUtf8(kCopyToWeekdays));
    m_pCopyFrom->addItem(QString::fromUtf8(kCopyToWholeWeek));
    m_pCopyFrom->setCurrentIndex(kDefaultCopyFrom);
    QPushButton* copyDay = MakeButton("确认(&Y)", "copyDayButton", dayGroup);
    QPushButton* clearDay = MakeButton("清空当日(&C)", "clearDayButton", dayGroup);
    auto* dayLayout = new QGridLayout(dayGroup);
    dayLayout->addWidget(m_pCopyOp, 0, 0);
    dayLayout->addWidget(m_pCopyFrom, 0, 1);
    dayLayout->addWidget(copyDay, 1, 0);
    dayLayout->addWidget(clearDay, 1, 1);

    auto* fileGroup = new QGroupBox(QStringLiteral("复制完整作息表"), this);
    m_pFiles = new QComboBox(fileGroup);
    m_pFiles->setObjectName(QStringLiteral("fileCombo"));
    QPushButton* copyFile = MakeButton("确认(&F)", "copyFileButton", fileGroup);
    auto* fileLayout = new QVBoxLayout(fileGroup);
    fileLayout->addWidget(m_pFiles);
    fileLayout->addWidget(copyFile);

    QPushButton* extRun = MakeButton("全部扩展设置(&L)...", "extRunButton", this);
    m_pSaveAs = MakeButton("另存为(&L)...", "saveAsButton", this);
    m_pSave = MakeButton("保存(&S)...", "saveButton", this);
    QPushButton* close = MakeButton("退出(&X)", "closeButton", this);

    auto* side = new QVBoxLayout;
    side->addWidget(itemGroup);
    side->addWidget(dayGroup);
    side->addWidget(fileGroup);
    side->addStretch(1);
    auto* middle = new QHBoxLayout;
    middle->addWidget(m_pList, 1);
    middle->addLayout(side);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(extRun);
    buttons->addStretch(1);
    buttons->addWidget(m_pSaveAs);
    buttons->addWidget(m_pSave);
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(header);
    layout->addWidget(m_pTabs);
    layout->addLayout(middle, 1);
    layout->addLayout(buttons);

    connect(m_pTabs, &QTabBar::currentChanged, this, &CTimetableEditDlg::OnTabChanged);
    connect(m_pList, &QTableWidget::clicked, this, &CTimetableEditDlg::OnRowClicked);
    connect(m_pList, &QTableWidget::customContextMenuRequested, this,
            &CTimetableEditDlg::OnContextMenu);
    connect(add, &QPushButton::clicked, this, &CTimetableEditDlg::OnAdd);
    connect(edit, &QPushButton::clicked, this, &CTimetableEditDlg::OnEdit);
    connect(remove, &QPushButton::clicked, this, &CTimetableEditDlg::OnDelete);
    connect(copyDay, &QPushButton::clicked, this, &CTimetableEditDlg::OnCopyDay);
    connect(clearDay, &QPushButton::clicked, this, &CTimetableEditDlg::OnClearDay);
    connect(copyFile, &QPushButton::clicked, this, &CTimetableEditDlg::OnCopyFile);
    connect(extRun, &QPushButton::clicked, this, &CTimetableEditDlg::OnExtRunAll);
    connect(m_pSaveAs, &QPushButton::clicked, this, &CTimetableEditDlg::OnSaveAs);
    connect(m_pSave, &QPushButton::clicked, this, &CTimetableEditDlg::OnSave);
    connect(close, &QPushButton::clicked, this, &CTimetableEditDlg::reject);
}

// Starts on today's tab, and lists the timetable files the whole-timetable copy offers.
void CTimetableEditDlg::InitialiseDays() {
    m_nDay = m_Clock.Now().weekday;
    const QSignalBlocker blocker(m_pTabs);
    m_pTabs->setCurrentIndex(m_nDay == kSunday ? kSundayTab : m_nDay - 1);
    ShowDay();
    FillFileList();
}

// Every timetable file of the folder, by name; the list stays as it is while the editor
// is open.
void CTimetableEditDlg::FillFileList() {
    const QDir folder(Q(m_Host.AppDir() + kFolder));
    const QStringList names =
        folder.entryList({QStringLiteral("*.zxb")}, QDir::Files, QDir::Name | QDir::IgnoreCase);
    m_pFiles->addItems(names);
    m_pFiles->setCurrentIndex(names.isEmpty() ? -1 : 0);
}

void CTimetableEditDlg::RefreshDayList() {
    const int tab = m_pTabs->currentIndex();
    m_nDay = (tab + 1) % schedule::kDaysPerWeek;
    RebuildList();
}

void CTimetableEditDlg::ShowDay() {
    m_pDayLabel->setText(DayName(m_nDay));
    setWindowTitle(QString::fromUtf8(kCaptionFormat).arg(DayName(m_nDay)));
}

void CTimetableEditDlg::OnTabChanged(int index) {
    m_nDay = index + 1;
    if (m_nDay > schedule::kDaysPerWeek - 1) {
        m_nDay = kSunday;
    }
    ShowDay();
    RebuildList();
}

void CTimetableEditDlg::RebuildList() {
    m_pList->clearContents();
    m_pList->setRowCount(0);
    const schedule::CTimetable::Day* day = m_EditTimetable.GetDay(m_nDay);
    if (day == nullptr) {
        return;
    }
    m_pList->setRowCount(static_cast<int>(day->size()));
    int row = 0;
    for (const ScheduleItem& item : *day) {
        const std::array<QString, kColumnCount> texts = RowTexts(item);
        for (int column = 0; column < kColumnCount; ++column) {
            m_pList->setItem(row, column,
                             new QTableWidgetItem(texts.at(static_cast<std::size_t>(column))));
        }
        ++row;
    }
    m_pList->clearSelection();
}

int CTimetableEditDlg::SelectedRow() const {
    const QList<QTableWidgetSelectionRange> ranges = m_pList->selectedRanges();
    return ranges.isEmpty() ? -1 : ranges.first().topRow();
}

void CTimetableEditDlg::OnRowClicked() {
    const ScheduleItem* item = m_EditTimetable.GetItem(m_nDay, SelectedRow());
    if (item != nullptr) {
        schedule::CTimetable::CopyItem(item, &m_CurrentItem);
    }
}

void CTimetableEditDlg::FillContextMenu(QMenu& menu) {
    QAction* add =
        menu.addAction(QStringLiteral("新建作息项(&A)"), this, &CTimetableEditDlg::OnAdd);
    add->setObjectName(QStringLiteral("newItemAction"));
    if (SelectedRow() >= 0) {
        QAction* edit =
            menu.addAction(QStringLiteral("修改当前项(&E)"), this, &CTimetableEditDlg::OnEdit);
        edit->setObjectName(QStringLiteral("editItemAction"));
        QAction* remove =
            menu.addAction(QStringLiteral("删除当前项(&D)"), this, &CTimetableEditDlg::OnDelete);
        remove->setObjectName(QStringLiteral("deleteItemAction"));
    }
}

void CTimetableEditDlg::OnContextMenu(const QPoint& pos) {
    OnRowClicked();
    QMenu menu(this);
    FillContextMenu(menu);
    menu.exec(m_pList->viewport()->mapToGlobal(pos));
}

void CTimetableEditDlg::OnAdd() {
    CItemEditDlg editor(m_Host, m_Clock, this);
    if (m_pCopyOnAdd->isChecked()) {
        editor.SetItem(m_CurrentItem);
    }
    if (editor.exec() != QDialog::Accepted) {
        return;
    }
    m_CurrentItem = editor.Item();
    m_EditTimetable.AddItem(m_nDay, &m_CurrentItem);
    RebuildList();
}

// Edits the selected item; the selection stays on the same row, which after sorting may
// hold another item.
void CTimetableEditDlg::OnEdit() {
    const int row = SelectedRow();
    const ScheduleItem* item = m_EditTimetable.GetItem(m_nDay, row);
    if (item == nullptr) {
        return;
    }
    CItemEditDlg editor(m_Host, m_Clock, this);
    editor.SetItem(*item, true);
    if (editor.exec() != QDialog::Accepted) {
        return;
    }
    m_EditTimetable.ModifyItem(m_nDay, row, editor.Item());
    m_CurrentItem = editor.Item();
    m_EditTimetable.SortAll();
    RebuildList();
    m_pList->selectRow(row);
    m_pList->setFocus();
}

void CTimetableEditDlg::OnDelete() {
    const int row = SelectedRow();
    const ScheduleItem* item = m_EditTimetable.GetItem(m_nDay, row);
    if (item == nullptr) {
        return;
    }
    if (!Ask(QString::fromUtf8(kDeleteFormat).arg(Q(item->title), Q(item->musicName)),
             kClearItemCaption)) {
        return;
    }
    m_EditTimetable.DeleteItem(m_nDay, row);
    RebuildList();
}

void CTimetableEditDlg::OnClearDay() {
    if (!Ask(QString::fromUtf8(kClearDayText), kClearItemCaption)) {
        return;
    }
    m_EditTimetable.ClearDay(m_nDay);
    RebuildList();
}

// Copies the day chosen in the weekday list into the shown day, or the shown day into
// Monday to Friday or every other day of the week.
void CTimetableEditDlg::OnCopyDay() {
    const int from = m_pCopyFrom->currentIndex();
    if (from == m_nDay || m_pCopyOp->currentIndex() != kCopyOperation) {
        return;
    }
    if (from >= schedule::kDaysPerWeek) {
        const bool weekdays = from == schedule::kDaysPerWeek;
        if (!Ask(QString::fromUtf8(kCopyDayFormat)
                     .arg(DayName(m_nDay),
                          weekdays ? QStringLiteral("星期一至五") : QStringLiteral("全周")),
                 kCopyDayCaption)) {
            return;
        }
        for (int day = weekdays ? kMonday : 0; day <= (weekdays ? kFriday : kSaturday); ++day) {
            if (day != m_nDay) {
                m_EditTimetable.CopyDay(m_nDay, day);
            }
        }
        RebuildList();
        return;
    }
    if (!Ask(QString::fromUtf8(kCopyDayFormat).arg(DayName(from), DayName(m_nDay)),
             kCopyDayCaption)) {
        return;
    }
    m_EditTimetable.CopyDay(from, m_nDay);
    RebuildList();
}

// Replaces title and days by those of another timetable file; the file this editor saves
// to stays the same.
void CTimetableEditDlg::OnCopyFile() {
    if (m_pFiles->currentIndex() < 0) {
        return;
    }
    if (!Ask(QString::fromUtf8(kCopyFileText), kCopyFileCaption)) {
        return;
    }
    const std::string path =
        m_Host.AppDir() + kFolder + "/" + m_pFiles->currentText().toStdString();
    if (!m_EditTimetable.Load(path, false)) {
        return;
    }
    m_strEditTitle = m_EditTimetable.GetTitle();
    m_pTitle->setText(Q(m_strEditTitle));
    RefreshDayList();
}

bool CTimetableEditDlg::TakeTitle() {
    m_strEditTitle = m_pTitle->text().toStdString();
    if (schedule::EncodeFileText(m_strEditTitle).size() > kMaxTitleBytes) {
        m_Host.Dialogs().Message(
            QStringLiteral("作息表标题太长，不能超过%1个字节，请修改后再重试！")
                .arg(kMaxTitleBytes)
                .toStdString(),
            schedule::kErrorCaption, platform::MessageIcon::Information,
            platform::MessageButtons::Ok);
        m_pTitle->setFocus();
        return false;
    }
    m_EditTimetable.SetTitle(m_strEditTitle);
    return true;
}

std::string CTimetableEditDlg::ChooseSaveFile() {
    platform::FileDialogRequest request;
    request.folder = m_Host.AppDir() + kFolder;
    request.filter = kFilter;
    request.save = true;
    request.defaultExtension = "zxb";
    const std::vector<std::string> chosen = m_Host.Dialogs().ChooseFiles(request);
    return chosen.empty() ? std::string() : chosen.front();
}

void CTimetableEditDlg::OnSave() {
    if (!TakeTitle()) {
        return;
    }
    if (!m_strFile.empty()) {
        if (!Ask(QString::fromUtf8(kSaveText), kSaveCaption)) {
            return;
        }
    } else {
        std::string chosen = ChooseSaveFile();
        if (chosen.empty()) {
            return;
        }
        m_strFile = std::move(chosen);
    }
    if (m_EditTimetable.Save(m_strFile)) {
        m_EditTimetable.ClearModified();
        OfferAsCurrent();
    }
}

void CTimetableEditDlg::OnSaveAs() {
    if (!TakeTitle()) {
        return;
    }
    std::string chosen = ChooseSaveFile();
    if (chosen.empty()) {
        return;
    }
    m_strFile = std::move(chosen);
    if (m_EditTimetable.Save(m_strFile)) {
        m_EditTimetable.ClearModified();
        OfferAsCurrent();
    }
}

void CTimetableEditDlg::OfferAsCurrent() {
    session::CBellSession& session = m_Host.Session();
    schedule::CTimetable& current = session.CurrentTimetable();
    // Only the first timetable of a folder is offered; items added to the list without a
    // timetable are not replaced behind the user's back.
    if (current.IsLoaded() || current.IsModified() ||
        !Ask(QString::fromUtf8(kMakeCurrentText), kSaveCaption) ||
        !session.LoadTimetable(m_strFile)) {
        return;
    }
    session.SetStatus(std::string());
    if (!session.Settings().SetTimetablePath(schedule::MakeRelative(m_Host.AppDir(), m_strFile))) {
        ReportSettingsNotWritten(m_Host);
    }
}

bool CTimetableEditDlg::IsEdited() const {
    return m_nMode != kViewMode &&
           (m_EditTimetable.IsModified() || m_pTitle->text().toStdString() != m_strEditTitle);
}

bool CTimetableEditDlg::SaveForClose() {
    if (!TakeTitle()) {
        return false;
    }
    if (m_strFile.empty()) {
        std::string chosen = ChooseSaveFile();
        if (chosen.empty()) {
            return false;
        }
        m_strFile = std::move(chosen);
    }
    if (!m_EditTimetable.Save(m_strFile)) {
        return false;
    }
    m_EditTimetable.ClearModified();
    OfferAsCurrent();
    return true;
}

void CTimetableEditDlg::reject() {
    if (!m_bClosed && IsEdited() && Ask(QString::fromUtf8(kCloseSaveText), kSaveCaption) &&
        !SaveForClose()) {
        return;
    }
    QDialog::reject();
}

bool CTimetableEditDlg::CloseAsking() {
    if (!m_bClosed) {
        reject();
    }
    return m_bClosed;
}

std::vector<std::string> CTimetableEditDlg::KeepUnsavedAndClose() {
    std::vector<std::string> kept;
    if (!m_bClosed && IsEdited()) {
        m_EditTimetable.SetTitle(m_pTitle->text().toStdString());
        const std::string base =
            m_strFile.empty() ? m_Host.AppDir() + kFolder + "/" + kNewFileName : m_strFile;
        const std::string copy = schedule::FreshCopyName(base, kUnsavedSuffix);
        // Nobody can answer a message now: a failure is left unsaid.
        m_EditTimetable.SetReporter(nullptr);
        if (m_EditTimetable.Save(copy)) {
            kept.push_back(copy);
        }
    }
    done(QDialog::Rejected);
    return kept;
}

void CTimetableEditDlg::OnExtRunAll() {
    CExtRunItemsDlg dialog(m_Host, m_EditTimetable, m_nDay, true, this);
    dialog.exec();
    RebuildList();
}

bool CTimetableEditDlg::Ask(const QString& text, const char* caption) {
    return m_Host.Dialogs().Message(text.toStdString(), caption, platform::MessageIcon::Question,
                                    platform::MessageButtons::YesNo) ==
           platform::MessageAnswer::Yes;
}

void CTimetableEditDlg::ShowError(const std::string& text, const std::string& caption,
                                  schedule::MessageOwner /*owner*/) {
    m_Host.Dialogs().Message(text, caption, platform::MessageIcon::Error,
                             platform::MessageButtons::Ok);
}

}  // namespace editors
