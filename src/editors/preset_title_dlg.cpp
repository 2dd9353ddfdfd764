#include "editors/preset_title_dlg.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>
#include <string>
#include <vector>

#include "editors/text_limit.h"

namespace editors {

namespace {

constexpr const char* kCaption = "常用标题设置";
constexpr const char* kReplaceText = "真的要替换第%1项:%2";
constexpr const char* kReplaceCaption = "替换标题";
constexpr const char* kDeleteText = "真的要删除第%1项:%2";
constexpr const char* kDeleteCaption = "删除标题";
constexpr const char* kSaveText = "保存编辑过的常用标题吗?";
constexpr const char* kSaveCaption = "保存常用标题";

QPushButton* MakeButton(const QString& text, const char* name, QWidget* parent) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(QString::fromLatin1(name));
    return button;
}

}  // namespace

CPresetTitleDlg::CPresetTitleDlg(IEditorHost& host, QWidget* parent)
    : QDialog(parent != nullptr ? parent : host.Window()), m_Host(host) {
    setObjectName(QStringLiteral("presetTitleDlg"));
    setAttribute(Qt::WA_DeleteOnClose);
    // However it closes (OK, Cancel, Escape, the window's X, the program ending), it is
    // closed for good: its close questions are not asked again.
    connect(this, &QDialog::finished, this, [this] { m_bClosed = true; });
    setWindowTitle(QString::fromUtf8(kCaption));

    m_pList = new QListWidget(this);
    m_pList->setObjectName(QStringLiteral("titleList"));
    m_pList->setSelectionMode(QAbstractItemView::SingleSelection);

    auto* titleGroup = new QGroupBox(QStringLiteral("常用标题:"), this);
    m_pTitle = new QLineEdit(titleGroup);
    m_pTitle->setObjectName(QStringLiteral("titleEdit"));
    QPushButton* addButton = MakeButton(QStringLiteral("新增(&A)"), "addButton", titleGroup);
    QPushButton* changeButton = MakeButton(QStringLiteral("修改(&E)"), "changeButton", titleGroup);
    auto* titleLayout = new QGridLayout(titleGroup);
    titleLayout->addWidget(m_pTitle, 0, 0, 1, 2);
    titleLayout->addWidget(addButton, 1, 0);
    titleLayout->addWidget(changeButton, 1, 1);

    auto* orderGroup = new QGroupBox(QStringLiteral("顺序调整"), this);
    QPushButton* upButton = MakeButton(QStringLiteral("↑"), "upButton", orderGroup);
    QPushButton* downButton = MakeButton(QStringLiteral("↓"), "downButton", orderGroup);
    auto* orderLayout = new QHBoxLayout(orderGroup);
    orderLayout->addWidget(upButton);
    orderLayout->addWidget(downButton);

    auto* otherGroup = new QGroupBox(QStringLiteral("其它设置"), this);
    QPushButton* deleteButton = MakeButton(QStringLiteral("删除(&D)"), "deleteButton", otherGroup);
    QPushButton* closeButton = MakeButton(QStringLiteral("退出(&X)"), "closeButton", otherGroup);
    // Enter closes the dialog as Escape does; closing asks before anything is saved.
    closeButton->setDefault(true);
    auto* otherLayout = new QHBoxLayout(otherGroup);
    otherLayout->addWidget(deleteButton);
    otherLayout->addWidget(closeButton);

    auto* side = new QVBoxLayout;
    side->addWidget(titleGroup);
    side->addWidget(orderGroup);
    side->addWidget(otherGroup);
    side->addStretch(1);
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(m_pList, 1);
    layout->addLayout(side);

    setTabOrder(m_pList, m_pTitle);
    setTabOrder(m_pTitle, addButton);
    setTabOrder(addButton, changeButton);
    setTabOrder(changeButton, upButton);
    setTabOrder(upButton, downButton);
    setTabOrder(downButton, deleteButton);
    setTabOrder(deleteButton, closeButton);

    for (const std::string& title : m_Host.Settings().ReadPresetTitles()) {
        m_pList->addItem(QString::fromStdString(title));
    }

    connect(m_pList, &QListWidget::itemSelectionChanged, this, [this] {
        const int row = SelectedRow();
        if (row >= 0) {
            m_pTitle->setText(m_pList->item(row)->text());
        }
    });
    connect(addButton, &QPushButton::clicked, this, &CPresetTitleDlg::AddTitle);
    connect(changeButton, &QPushButton::clicked, this, &CPresetTitleDlg::ChangeTitle);
    connect(deleteButton, &QPushButton::clicked, this, &CPresetTitleDlg::DeleteTitle);
    connect(upButton, &QPushButton::clicked, this, [this] { MoveTitle(-1); });
    connect(downButton, &QPushButton::clicked, this, [this] { MoveTitle(1); });
    connect(closeButton, &QPushButton::clicked, this, &CPresetTitleDlg::reject);
}

int CPresetTitleDlg::SelectedRow() const {
    const QList<QListWidgetItem*> selected = m_pList->selectedItems();
    return selected.isEmpty() ? -1 : m_pList->row(selected.first());
}

void CPresetTitleDlg::SelectRow(int row) {
    if (row >= 0 && row < m_pList->count()) {
        m_pList->setCurrentRow(row, QItemSelectionModel::ClearAndSelect);
    } else {
        m_pList->clearSelection();
    }
    m_pList->setFocus();
}

bool CPresetTitleDlg::Ask(const char* format, const char* caption, int row) {
    const QString text = QString::fromUtf8(format).arg(row + 1).arg(m_pList->item(row)->text());
    return m_Host.Dialogs().Message(text.toStdString(), caption, platform::MessageIcon::Question,
                                    platform::MessageButtons::YesNo) ==
           platform::MessageAnswer::Yes;
}

void CPresetTitleDlg::AddTitle() {
    const QString title = m_pTitle->text();
    if (title.isEmpty() ||
        !CheckFieldFits(m_Host.Dialogs(), m_pTitle, QStringLiteral("标题"), kPresetTitleMaxBytes)) {
        return;
    }
    m_pList->addItem(title);
    m_bTitlesChanged = true;
}

void CPresetTitleDlg::ChangeTitle() {
    const int row = SelectedRow();
    if (row < 0 ||
        !CheckFieldFits(m_Host.Dialogs(), m_pTitle, QStringLiteral("标题"), kPresetTitleMaxBytes)) {
        return;
    }
    if (!Ask(kReplaceText, kReplaceCaption, row)) {
        return;
    }
    m_pList->item(row)->setText(m_pTitle->text());
    SelectRow(row);
    m_bTitlesChanged = true;
}

void CPresetTitleDlg::DeleteTitle() {
    const int row = SelectedRow();
    if (row < 0 || !Ask(kDeleteText, kDeleteCaption, row)) {
        return;
    }
    delete m_pList->takeItem(row);
    SelectRow(row);
    m_bTitlesChanged = true;
}

void CPresetTitleDlg::MoveTitle(int delta) {
    const int row = SelectedRow();
    const int target = row + delta;
    if (row < 0 || target < 0 || target >= m_pList->count()) {
        return;
    }
    QListWidgetItem* item = m_pList->takeItem(row);
    m_pList->insertItem(target, item);
    SelectRow(target);
    m_bTitlesChanged = true;
}

void CPresetTitleDlg::reject() {
    if (m_bClosed) {
        return;
    }
    if (m_bTitlesChanged &&
        m_Host.Dialogs().Message(kSaveText, kSaveCaption, platform::MessageIcon::Question,
                                 platform::MessageButtons::YesNo) == platform::MessageAnswer::Yes) {
        std::vector<std::string> titles;
        titles.reserve(static_cast<std::size_t>(m_pList->count()));
        for (int i = 0; i < m_pList->count(); ++i) {
            titles.push_back(m_pList->item(i)->text().toStdString());
        }
        // The list is the only copy of the titles: a failed write keeps it open.
        if (!m_Host.Settings().WritePresetTitles(titles)) {
            ReportSettingsNotWritten(m_Host, kPresetTitlesNotWritten);
            return;
        }
    }
    QDialog::reject();
}

}  // namespace editors
