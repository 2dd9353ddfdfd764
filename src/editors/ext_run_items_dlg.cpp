#include "editors/ext_run_items_dlg.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "editors/text_limit.h"
#include "schedule/records.h"

namespace editors {

namespace {

using schedule::kSecondsPerHour;
using schedule::kSecondsPerMinute;

constexpr const char* kCaption = "扩展运行设置";
constexpr const char* kDayCaption = "扩展运行设置：%1";
constexpr const char* kDayNames[schedule::kDaysPerWeek] = {
    "星期日", "星期一", "星期二", "星期三", "星期四", "星期五", "星期六",
};

QString RowText(const schedule::ScheduleItem& item) {
    return QStringLiteral("%1:%2:%3  %4")
        .arg(item.time / kSecondsPerHour, 2, 10, QLatin1Char('0'))
        .arg(item.time % kSecondsPerHour / kSecondsPerMinute, 2, 10, QLatin1Char('0'))
        .arg(item.time % kSecondsPerMinute, 2, 10, QLatin1Char('0'))
        .arg(QString::fromStdString(item.title));
}

}  // namespace

CExtRunItemsDlg::CExtRunItemsDlg(IEditorHost& host, QWidget* parent)
    : CExtRunItemsDlg(host, host.Session().CurrentTimetable(), host.Session().Engine().Today(),
                      false, parent) {}

CExtRunItemsDlg::CExtRunItemsDlg(IEditorHost& host, schedule::CTimetable& timetable, int day,
                                 bool modal, QWidget* parent)
    : QDialog(parent != nullptr ? parent : host.Window()), m_Host(host), m_bModeless(!modal) {
    setObjectName(QStringLiteral("extRunItemsDlg"));
    if (m_bModeless) {
        setAttribute(Qt::WA_DeleteOnClose);
    } else {
        setModal(true);
    }

    auto* listLabel = new QLabel(QStringLiteral("作息项时间与标题:"), this);
    m_pList = new QListWidget(this);
    m_pList->setObjectName(QStringLiteral("itemList"));
    m_pList->setSelectionMode(QAbstractItemView::SingleSelection);
    listLabel->setBuddy(m_pList);

    auto* group = new QGroupBox(QStringLiteral("扩展运行设置"), this);
    m_pRunBefore = new QCheckBox(QStringLiteral("播放作息项前运行程序"), group);
    m_pRunBefore->setObjectName(QStringLiteral("runBefore"));
    m_pDefaultParams = new QCheckBox(QStringLiteral("使用默认的命令行参数"), group);
    m_pDefaultParams->setObjectName(QStringLiteral("useDefaultParams"));
    auto* paramsLabel = new QLabel(QStringLiteral("自定义参数:"), group);
    m_pParams = new QLineEdit(group);
    m_pParams->setObjectName(QStringLiteral("params"));
    paramsLabel->setBuddy(m_pParams);
    auto* groupLayout = new QVBoxLayout(group);
    groupLayout->addWidget(m_pRunBefore);
    groupLayout->addWidget(m_pDefaultParams);
    groupLayout->addWidget(paramsLabel);
    groupLayout->addWidget(m_pParams);

    auto* closeButton = new QPushButton(QStringLiteral("退出(&X)"), this);
    closeButton->setObjectName(QStringLiteral("closeButton"));
    closeButton->setDefault(true);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(closeButton);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(listLabel);
    layout->addWidget(m_pList, 1);
    layout->addWidget(group);
    layout->addLayout(buttons);

    connect(m_pList, &QListWidget::itemSelectionChanged, this, &CExtRunItemsDlg::ShowSelected);
    connect(m_pRunBefore, &QCheckBox::clicked, this, &CExtRunItemsDlg::RunBeforeClicked);
    connect(m_pDefaultParams, &QCheckBox::clicked, this, &CExtRunItemsDlg::DefaultParamsClicked);
    connect(m_pParams, &QLineEdit::textEdited, this, &CExtRunItemsDlg::ParamsEdited);
    connect(closeButton, &QPushButton::clicked, this, &CExtRunItemsDlg::reject);

    Attach(timetable, day);
}

void CExtRunItemsDlg::Attach(schedule::CTimetable& timetable, int day) {
    m_pTimetable = &timetable;
    m_nDay = day;
    if (day >= 0 && day < schedule::kDaysPerWeek) {
        setWindowTitle(QString::fromUtf8(kDayCaption).arg(QString::fromUtf8(kDayNames[day])));
    } else {
        setWindowTitle(QString::fromUtf8(kCaption));
    }
    Fill();
}

void CExtRunItemsDlg::TimetableReplaced() {
    Fill();
}

const schedule::CTimetable& CExtRunItemsDlg::Shown() const {
    return m_bEditable ? *m_pTimetable : m_Host.Session().Engine().DayTimetable();
}

void CExtRunItemsDlg::Fill() {
    m_bEditable = !m_bModeless || !m_Host.Session().Engine().IsSpecialDay();
    {
        const QSignalBlocker blocker(m_pList);
        m_pList->clear();
        if (const schedule::CTimetable::Day* items = Shown().GetDay(m_nDay)) {
            for (const schedule::ScheduleItem& item : *items) {
                m_pList->addItem(RowText(item));
            }
        }
    }
    ShowSelected();
}

void CExtRunItemsDlg::ShowSelected() {
    const QList<QListWidgetItem*> selected = m_pList->selectedItems();
    m_nSelectedRow = selected.isEmpty() ? -1 : m_pList->row(selected.first());
    const schedule::ScheduleItem* item =
        m_nSelectedRow >= 0 ? Shown().GetItem(m_nDay, m_nSelectedRow) : nullptr;
    if (item == nullptr) {
        m_nSelectedRow = -1;
    } else {
        m_Selected = *item;
    }
    // Without a selected item, or with items that may not be changed, the controls only
    // show.
    const bool editable = item != nullptr && m_bEditable;
    m_pRunBefore->setEnabled(editable);
    m_pDefaultParams->setEnabled(editable);
    m_pRunBefore->setChecked(item != nullptr && item->runBefore != 0);
    m_pDefaultParams->setChecked(item != nullptr && item->useDefaultParams != 0);
    m_pParams->setText(item != nullptr ? QString::fromStdString(item->params) : QString());
    m_pParams->setEnabled(editable && item->useDefaultParams == 0);
}

schedule::ScheduleItem* CExtRunItemsDlg::SelectedItem() {
    if (m_nSelectedRow < 0) {
        return nullptr;
    }
    // The day may have become a special one since the list was filled.
    if (!m_bEditable || (m_bModeless && m_Host.Session().Engine().IsSpecialDay())) {
        Fill();
        return nullptr;
    }
    schedule::ScheduleItem* item = m_pTimetable->GetItem(m_nDay, m_nSelectedRow);
    if (item == nullptr || !(*item == m_Selected)) {
        Fill();
        return nullptr;
    }
    return item;
}

void CExtRunItemsDlg::Changed(const schedule::ScheduleItem& item) {
    m_Selected = item;
    m_pTimetable->SetModified();
    // On the timetable that rings, the next bell rings as edited from now on.
    if (m_bModeless) {
        m_Host.Session().TodayChanged();
    }
}

void CExtRunItemsDlg::RunBeforeClicked(bool checked) {
    if (schedule::ScheduleItem* item = SelectedItem()) {
        item->runBefore = checked ? 1 : 0;
        Changed(*item);
    }
}

void CExtRunItemsDlg::DefaultParamsClicked(bool checked) {
    if (schedule::ScheduleItem* item = SelectedItem()) {
        item->useDefaultParams = checked ? 1 : 0;
        Changed(*item);
        m_pParams->setEnabled(!checked);
    }
}

void CExtRunItemsDlg::ParamsEdited(const QString& text) {
    schedule::ScheduleItem* item = SelectedItem();
    if (item == nullptr) {
        return;
    }
    if (!TextFits(text, kFileTextMaxBytes)) {
        // The file could not hold the longer text whole: keep what the item holds.
        m_pParams->setText(QString::fromStdString(item->params));
        ShowTooLong(m_Host.Dialogs(), QStringLiteral("自定义参数"), kFileTextMaxBytes);
        return;
    }
    item->params = text.toStdString();
    Changed(*item);
}

}  // namespace editors
