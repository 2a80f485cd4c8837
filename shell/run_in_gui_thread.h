// run_in_gui_thread.h: hands work from a worker thread to the GUI thread and waits
// until it has run. The GUI thread itself runs it at once.
#pragma once

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>

#include <future>
#include <memory>
#include <utility>

// Any thread. Runs fn on the GUI thread; returns after it has run.
template <typename Fn> void RunInGuiThread(Fn&& fn)
{
    QCoreApplication* app = QCoreApplication::instance();
    if (!app || QThread::currentThread() == app->thread()) {
        fn();
        return;
    }
    // A queued call and a promise rather than Qt's blocking connection: the
    // worker waits on the promise, which orders everything fn did before the
    // worker goes on, where race checkers can see it, and Qt keeps nothing on
    // the worker's stack after fn has run. The call holds its own reference to
    // the promise, so the worker may leave as soon as it is fulfilled.
    auto done = std::make_shared<std::promise<void>>();
    std::future<void> finished = done->get_future();
    QMetaObject::invokeMethod(
        app,
        [&fn, done] {
            fn();
            done->set_value();
        },
        Qt::QueuedConnection);
    finished.wait();
}
