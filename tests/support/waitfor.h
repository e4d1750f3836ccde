#pragma once

#include <QCoreApplication>
#include <QThread>
#include <chrono>
#include <thread>

// Waits until `pred` holds, at most `limit`, looking every 2 ms; on the application's thread the event loop
// runs meanwhile, so queued signals arrive. For conditions another thread makes true (an output at real-time
// pace, a decoder, a daemon): a test never sleeps for a fixed time and hopes.
template <class Pred> bool waitFor(Pred pred, std::chrono::milliseconds limit = std::chrono::seconds(3)) {
    const auto until = std::chrono::steady_clock::now() + limit;
    const bool uiThread = QCoreApplication::instance() && QThread::currentThread() == qApp->thread();
    while (!pred()) {
        if (std::chrono::steady_clock::now() > until)
            return false;
        if (uiThread)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 2);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}
