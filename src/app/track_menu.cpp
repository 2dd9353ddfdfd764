#include "app/track_menu.h"

#include <QAction>
#include <QMenu>

namespace app {

namespace {

constexpr int kDigitAccelerators = 9;

}  // namespace

QString TrackMenuText(const std::string& name, int index) {
    const QString accelerator = index < kDigitAccelerators
                                    ? QString::number(index + 1)
                                    : QString(QChar(u'A' + (index - kDigitAccelerators)));
    return QString::fromStdString(name) + QStringLiteral("(&") + accelerator + QLatin1Char(')');
}

void BuildTrackMenu(QMenu* menu, const std::vector<std::string>& names, const QString& title,
                    int firstId, const std::function<void(int id)>& onCommand) {
    QAction* before = nullptr;
    const QList<QAction*> actions = menu->actions();
    for (int i = 0; i < actions.size(); ++i) {
        if (actions[i]->menu() != nullptr && actions[i]->text() == title) {
            before = i + 1 < actions.size() ? actions[i + 1] : nullptr;
            QMenu* old = actions[i]->menu();
            menu->removeAction(actions[i]);
            old->deleteLater();
            break;
        }
    }
    if (names.empty()) {
        return;
    }
    auto* submenu = new QMenu(title, menu);
    for (int i = 0; i < static_cast<int>(names.size()); ++i) {
        QAction* entry = submenu->addAction(TrackMenuText(names[static_cast<std::size_t>(i)], i));
        const int id = firstId + i;
        entry->setData(id);
        QObject::connect(entry, &QAction::triggered, menu, [onCommand, id] { onCommand(id); });
    }
    menu->insertMenu(before, submenu);
}

}  // namespace app
