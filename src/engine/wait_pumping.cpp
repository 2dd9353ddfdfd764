#include "engine/wait_pumping.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <atomic>

namespace engine {

namespace {

std::atomic<bool> g_stopped{false};

}  // namespace

void WaitPumping(int ms) {
    QElapsedTimer elapsed;
    elapsed.start();
    while (!g_stopped.load() && elapsed.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        QThread::msleep(1);
    }
}

void StopWaitPumping() {
    g_stopped.store(true);
}

}  // namespace engine
