// run_in_gui_thread.h: hands work from a worker thread to the GUI thread and waits
// until it has run. The GUI thread itself runs it at once.
#pragma once

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>

#include <atomic>
#include <utility>

// Any thread. Runs fn on the GUI thread; returns after it has run.
template <typename Fn> void RunInGuiThread(Fn&& fn)
{
    QCoreApplication* app = QCoreApplication::instance();
    if (!app || QThread::currentThread() == app->thread()) {
        fn();
        return;
    }
    // Qt's semaphore already orders the two threads; the atomic states that
    // order where race checkers can see it: what the worker wrote before is
    // visible to fn, and what fn wrote is visible once this returns.
    std::atomic<int> handOver{0};
    handOver.store(1, std::memory_order_release);
    QMetaObject::invokeMethod(
        app,
        [&handOver, &fn] {
            (void)handOver.load(std::memory_order_acquire);
            fn();
            handOver.store(2, std::memory_order_release);
        },
        Qt::BlockingQueuedConnection);
    (void)handOver.load(std::memory_order_acquire);
}
