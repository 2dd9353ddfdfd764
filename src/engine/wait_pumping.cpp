#include "engine/wait_pumping.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

namespace engine {

void WaitPumping(int ms) {
    QElapsedTimer elapsed;
    elapsed.start();
    while (elapsed.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        QThread::msleep(1);
    }
}

}  // namespace engine
