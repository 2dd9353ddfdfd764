#include "editors/ext_run_dlg.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <string>
#include <vector>

#include "editors/text_limit.h"
#include "schedule/app_paths.h"

namespace editors {

namespace {

constexpr const char* kCaption = "扩展运行设置";
constexpr const char* kBrowseTitle = "请选择程序文件";
// Programs on this system carry no extension of their own, so the first entry shows
// every file, as the second does.
constexpr const char* kProgramFilter = "程序|*|所有文件(*.*)|*.*||";

// Wide enough for a program path of usual length.
constexpr int kPathFieldMinimumWidth = 280;

struct ProgramGroup {
    QGroupBox* box;
    QLineEdit* path;
    QLineEdit* params;
    QPushButton* browse;
};

ProgramGroup MakeProgramGroup(const QString& title, const QString& name, QWidget* parent) {
    ProgramGroup group{};
    group.box = new QGroupBox(title, parent);
    auto* pathLabel = new QLabel(QStringLiteral("运行程序的路径:"), group.box);
    group.path = new QLineEdit(group.box);
    group.path->setObjectName(QStringLiteral("program") + name);
    group.path->setMinimumWidth(kPathFieldMinimumWidth);
    pathLabel->setBuddy(group.path);
    group.browse = new QPushButton(QStringLiteral("浏览(&B)..."), group.box);
    group.browse->setObjectName(QStringLiteral("browse") + name);
    group.browse->setAutoDefault(false);
    auto* paramsLabel = new QLabel(QStringLiteral("默认命令行参数:"), group.box);
    group.params = new QLineEdit(group.box);
    group.params->setObjectName(QStringLiteral("params") + name);
    paramsLabel->setBuddy(group.params);
    auto* layout = new QGridLayout(group.box);
    layout->addWidget(pathLabel, 0, 0);
    layout->addWidget(group.path, 0, 1);
    layout->addWidget(group.browse, 0, 2);
    layout->addWidget(paramsLabel, 1, 0);
    layout->addWidget(group.params, 1, 1, 1, 2);
    return group;
}

}  // namespace

CExtRunDlg::CExtRunDlg(IEditorHost& host, QWidget* parent)
    : QDialog(parent != nullptr ? parent : host.Window()), m_Host(host) {
    setObjectName(QStringLiteral("extRunDlg"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QString::fromUtf8(kCaption));

    m_pExtRun =
        new QCheckBox(QStringLiteral("开启该功能(关闭该项的话,作息表播放前后不再运行程序)"), this);
    m_pExtRun->setObjectName(QStringLiteral("extRunOn"));
    const ProgramGroup before = MakeProgramGroup(QStringLiteral("每项作息表播放前运行程序"),
                                                 QStringLiteral("Before"), this);
    const ProgramGroup after =
        MakeProgramGroup(QStringLiteral("每项作息表播放后运行程序"), QStringLiteral("After"), this);
    m_pProgramBefore = before.path;
    m_pParamsBefore = before.params;
    m_pProgramAfter = after.path;
    m_pParamsAfter = after.params;

    auto* okButton = new QPushButton(QStringLiteral("确定"), this);
    okButton->setObjectName(QStringLiteral("okButton"));
    okButton->setDefault(true);
    auto* cancelButton = new QPushButton(QStringLiteral("取消"), this);
    cancelButton->setObjectName(QStringLiteral("cancelButton"));
    cancelButton->setAutoDefault(false);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(okButton);
    buttons->addWidget(cancelButton);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_pExtRun);
    layout->addWidget(before.box);
    layout->addWidget(after.box);
    layout->addLayout(buttons);

    setTabOrder(m_pExtRun, before.path);
    setTabOrder(before.path, before.browse);
    setTabOrder(before.browse, before.params);
    setTabOrder(before.params, after.path);
    setTabOrder(after.path, after.browse);
    setTabOrder(after.browse, after.params);
    setTabOrder(after.params, okButton);
    setTabOrder(okButton, cancelButton);

    const engine::EngineOptions& options = m_Host.Session().Options();
    m_pExtRun->setChecked(options.extRun);
    m_pProgramBefore->setText(QString::fromStdString(options.runBefore));
    m_pParamsBefore->setText(QString::fromStdString(options.paramBefore));
    m_pProgramAfter->setText(QString::fromStdString(options.runAfter));
    m_pParamsAfter->setText(QString::fromStdString(options.paramAfter));

    connect(before.browse, &QPushButton::clicked, this, [this] { Browse(m_pProgramBefore); });
    connect(after.browse, &QPushButton::clicked, this, [this] { Browse(m_pProgramAfter); });
    connect(okButton, &QPushButton::clicked, this, &CExtRunDlg::accept);
    connect(cancelButton, &QPushButton::clicked, this, &CExtRunDlg::reject);
}

void CExtRunDlg::Browse(QLineEdit* pathField) {
    platform::FileDialogRequest request;
    request.title = kBrowseTitle;
    request.folder = m_Host.AppDir();
    request.filter = kProgramFilter;
    const std::vector<std::string> chosen = m_Host.Dialogs().ChooseFiles(request);
    if (chosen.empty()) {
        return;
    }
    pathField->setText(
        QString::fromStdString(schedule::MakeRelative(m_Host.AppDir(), chosen.front())));
}

void CExtRunDlg::accept() {
    // Empty paths and parameters are kept as they are; only what the file cannot hold
    // whole is refused.
    const std::pair<QLineEdit*, const char*> fields[] = {
        {m_pProgramBefore, "播放前运行程序的路径"},
        {m_pParamsBefore, "播放前运行程序的参数"},
        {m_pProgramAfter, "播放后运行程序的路径"},
        {m_pParamsAfter, "播放后运行程序的参数"},
    };
    for (const auto& [field, what] : fields) {
        if (!CheckFieldFits(m_Host.Dialogs(), field, QString::fromUtf8(what), kFileTextMaxBytes)) {
            return;
        }
    }
    engine::EngineOptions options = m_Host.Session().Options();
    options.extRun = m_pExtRun->isChecked();
    options.runBefore = m_pProgramBefore->text().toStdString();
    options.paramBefore = m_pParamsBefore->text().toStdString();
    options.runAfter = m_pProgramAfter->text().toStdString();
    options.paramAfter = m_pParamsAfter->text().toStdString();
    // In force even when the file cannot take it; the user is told it will not last, and
    // the dialog stays open with the values to try again or to cancel.
    if (!m_Host.Session().ApplyOptions(options, session::OptionKeys::ExtRun)) {
        ReportSettingsNotWritten(m_Host);
        return;
    }
    QDialog::accept();
}

}  // namespace editors
