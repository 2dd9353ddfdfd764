#include "app/about_dlg.h"

#include <QCoreApplication>
#include <QDir>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStringList>
#include <QUrl>
#include <QVBoxLayout>

#include "app/maker_links.h"
#include "widgets/hyper_link.h"

namespace app {

namespace {

constexpr int kIconSize = 48;

const char kIntroduction[] =
    "QELT 按学校的作息表定时播放音乐与铃声。\n"
    "· 程序只改动自己文件夹里的文件；\n"
    "· 运行快速，占用资源少；\n"
    "· 内置播放器可播放 MP3/MP2/WMA/ASF/MID 等多种格式；\n"
    "· 作息项可以播放单个曲目、常用曲目或列表曲目。";

// The compiler's "Mmm dd yyyy" as a Chinese date: "2026年12月8日".
QString ChineseDate(const char* compilerDate) {
    static const QStringList kMonths = {
        QStringLiteral("Jan"), QStringLiteral("Feb"), QStringLiteral("Mar"), QStringLiteral("Apr"),
        QStringLiteral("May"), QStringLiteral("Jun"), QStringLiteral("Jul"), QStringLiteral("Aug"),
        QStringLiteral("Sep"), QStringLiteral("Oct"), QStringLiteral("Nov"), QStringLiteral("Dec")};
    const QStringList parts =
        QString::fromLatin1(compilerDate).simplified().split(QLatin1Char(' '));
    if (parts.size() != 3 || !kMonths.contains(parts[0])) {
        return QString::fromLatin1(compilerDate);
    }
    return QStringLiteral("%1年%2月%3日")
        .arg(parts[2])
        .arg(kMonths.indexOf(parts[0]) + 1)
        .arg(parts[1].toInt());
}

}  // namespace

CAboutDlg::CAboutDlg(platform::Dialogs& dialogs, QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("关于 QELT"));
    auto* icon = new QLabel(this);
    icon->setPixmap(QIcon(QStringLiteral(":/app/qelt.png")).pixmap(kIconSize, kIconSize));
    icon->setAccessibleName(QStringLiteral("QELT"));
    auto* name = new QLabel(
        QStringLiteral("<b>QELT — Varnel V1.3</b><br>构建于 %1").arg(ChineseDate(__DATE__)), this);
    auto* intro = new QLabel(QString::fromUtf8(kIntroduction), this);
    intro->setWordWrap(true);

    // The guide ships beside the program; feedback and the home page lead to it too.
    const QString guide =
        QUrl::fromLocalFile(GuidePath(QCoreApplication::applicationDirPath())).toString();
    auto* maker = new CHyperLink(QString::fromUtf8(kProjectMailText), dialogs, this);
    maker->SetURL(QString::fromUtf8(kProjectMail));
    maker->ModifyLinkStyle(CHyperLink::kUnderline, 0);
    auto* home = new CHyperLink(QStringLiteral("QELT 使用手册"), dialogs, this);
    home->SetURL(guide);
    auto* feedback = new CHyperLink(QStringLiteral("问题反馈"), dialogs, this);
    feedback->SetURL(guide);

    auto* ok = new QPushButton(QStringLiteral("确定(&X)"), this);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    auto* top = new QHBoxLayout;
    top->addWidget(icon, 0, Qt::AlignTop);
    top->addWidget(name, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(feedback);
    buttons->addStretch(1);
    buttons->addWidget(ok);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(intro);
    layout->addWidget(maker);
    layout->addWidget(home);
    layout->addLayout(buttons);
}

}  // namespace app
