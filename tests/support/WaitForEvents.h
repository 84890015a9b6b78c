// Waits for work that ends on the event loop (queued calls, worker results).
#pragma once

#include <QCoreApplication>
#include <QThread>

namespace vkuitest {

// Processes events until `done` holds; returns whether it does. The bound
// only keeps a broken build from hanging; no time is asserted.
template <class Done> bool WaitFor(Done done)
{
    for (int i = 0; i < 20000 && !done(); ++i) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        if (!done())
            QThread::msleep(1);
    }
    QCoreApplication::processEvents();
    return done();
}

} // namespace vkuitest
