#include "editors/store_editor_dlg.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QVBoxLayout>

#include "editors/editor_host.h"
#include "editors/editor_support.h"
#include "editors/store_list_model.h"

namespace editors {

namespace {

constexpr const char* kDeleteQuestion = "真的要删除当前选中的内容吗?";
constexpr const char* kDeleteCaption = "删除当前内容";

}  // namespace

CStoreEditorDlg::CStoreEditorDlg(IEditorHost& host, QWidget* parent, const StoreEditorTexts& texts)
    : QDialog(parent != nullptr ? parent : host.Window()), m_Host(host), m_Texts(texts) {
    setAttribute(Qt::WA_DeleteOnClose);
    // However it closes, its trial play ends with it and its questions are not asked again.
    connect(this, &QDialog::finished, this, [this] {
        m_bClosed = true;
        OnClosed();
    });
}

QVBoxLayout* CStoreEditorDlg::BuildColumn(CStoreListModelBase* model) {
    m_pModel = model;
    auto* listLabel = new QLabel(QString::fromUtf8(m_Texts.listLabel), this);
    m_pList = new QListView(this);
    m_pList->setObjectName(QString::fromUtf8(m_Texts.listName));
    m_pList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_pList->setSelectionMode(QAbstractItemView::SingleSelection);
    m_pList->setModel(model);
    listLabel->setBuddy(m_pList);
    m_pUp = new QPushButton(QStringLiteral("上移(&U)"), this);
    m_pUp->setObjectName(QString::fromUtf8(m_Texts.upName));
    m_pDelete = new QPushButton(QStringLiteral("删除(&E)"), this);
    m_pDelete->setObjectName(QString::fromUtf8(m_Texts.deleteName));
    m_pDown = new QPushButton(QStringLiteral("下移(&D)"), this);
    m_pDown->setObjectName(QString::fromUtf8(m_Texts.downName));
    auto* listButtons = new QHBoxLayout;
    for (QPushButton* button : {m_pUp, m_pDelete, m_pDown}) {
        button->setAutoDefault(false);
        listButtons->addWidget(button);
    }

    auto* nameGroup = new QGroupBox(QString::fromUtf8(m_Texts.nameTitle), this);
    auto* nameLabel = new QLabel(QString::fromUtf8(m_Texts.nameLabel), nameGroup);
    m_pName = new QLineEdit(nameGroup);
    m_pName->setObjectName(QStringLiteral("nameEdit"));
    nameLabel->setBuddy(m_pName);
    m_pNew = new QPushButton(QStringLiteral("新增(&A)"), nameGroup);
    m_pNew->setObjectName(QStringLiteral("newButton"));
    m_pNew->setAutoDefault(false);
    auto* nameLayout = new QHBoxLayout(nameGroup);
    nameLayout->addWidget(nameLabel);
    nameLayout->addWidget(m_pName, 1);
    nameLayout->addWidget(m_pNew);

    auto* column = new QVBoxLayout;
    column->addWidget(listLabel);
    column->addWidget(m_pList, 1);
    column->addLayout(listButtons);
    column->addWidget(nameGroup);

    connect(m_pList->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) {
                if (!m_bUpdating && current.isValid()) {
                    OnSelectRecord(current.row());
                }
            });
    connect(m_pUp, &QPushButton::clicked, this, [this] { OnMove(false); });
    connect(m_pDown, &QPushButton::clicked, this, [this] { OnMove(true); });
    connect(m_pDelete, &QPushButton::clicked, this, &CStoreEditorDlg::OnDelete);
    return column;
}

void CStoreEditorDlg::SelectListRow(int row) {
    UpdateGuard guard(m_bUpdating);
    const QModelIndex index = m_pModel->index(row, 0);
    if (index.isValid()) {
        m_pList->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
    } else {
        m_pList->selectionModel()->clear();
    }
}

int CStoreEditorDlg::SelectedRow() const {
    const QModelIndex current = m_pList->selectionModel()->currentIndex();
    return current.isValid() && m_pList->selectionModel()->isSelected(current) ? current.row() : -1;
}

void CStoreEditorDlg::OnDelete() {
    const int row = SelectedRow();
    if (row < 0 || !Ask(m_Host.Dialogs(), kDeleteQuestion, kDeleteCaption)) {
        return;
    }
    bool deleted = false;
    {
        // The row that takes the deleted one's place is not the user's choice.
        UpdateGuard guard(m_bUpdating);
        deleted = m_pModel->Delete(row);
    }
    if (deleted) {
        SelectListRow(-1);
        AfterDelete();
    }
}

void CStoreEditorDlg::OnMove(bool down) {
    const int row = SelectedRow();
    if (row < 0) {
        return;
    }
    int moved = row;
    {
        UpdateGuard guard(m_bUpdating);
        moved = m_pModel->Move(row, down);
    }
    AfterMove(row, moved);
    SelectListRow(moved);
    m_pList->setFocus();
}

bool CStoreEditorDlg::SaveStoreFile() {
    const std::string file = m_Host.AppDir() + m_Texts.storeFile;
    // Say so when the folder cannot be written at all rather than dropping the save.
    if (!MakeStoreFolder(file)) {
        ShowError(m_Host.Dialogs(), m_Texts.writeError);
        return false;
    }
    return m_pModel->Save(file);
}

bool CStoreEditorDlg::AskAndSave() {
    return !Ask(m_Host.Dialogs(), m_Texts.saveQuestion, m_Texts.saveCaption) || SaveStoreFile();
}

bool CStoreEditorDlg::CloseAsking() {
    if (m_bClosed) {
        return true;
    }
    if (!PrepareClose()) {
        return false;
    }
    if (m_pModel->IsModified() && !AskAndSave()) {
        return false;
    }
    done(QDialog::Rejected);
    return true;
}

std::vector<std::string> CStoreEditorDlg::KeepUnsavedAndClose() {
    done(QDialog::Rejected);
    return {};
}

void CStoreEditorDlg::reject() {
    if (m_bClosed || !PrepareClose()) {
        return;
    }
    done(QDialog::Rejected);
}

}  // namespace editors
