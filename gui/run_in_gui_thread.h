// run_in_gui_thread.h: hands work from a worker thread to the GUI thread and waits
// until it has run. The GUI thread itself runs it at once.
#pragma once

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>

#include <atomic>
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
    // Qt's event queue locks with futexes a race checker cannot see, so the
    // hand-over itself goes through an atomic: everything the worker wrote before
    // posting is ordered before fn reads it.
    auto done = std::make_shared<std::promise<void>>();
    auto posted = std::make_shared<std::atomic<bool>>(false);
    std::future<void> finished = done->get_future();
    posted->store(true, std::memory_order_release);
    QMetaObject::invokeMethod(
        app,
        [&fn, done, posted] {
            (void)posted->load(std::memory_order_acquire);
            fn();
            done->set_value();
        },
        Qt::QueuedConnection);
    finished.wait();
}

// Any thread. Queues fn for receiver's thread and returns at once; the atomic
// orders what the poster wrote before fn runs, as above.
template <typename Fn> void PostToGuiThread(QObject* receiver, Fn&& fn)
{
    auto posted = std::make_shared<std::atomic<bool>>(false);
    posted->store(true, std::memory_order_release);
    QMetaObject::invokeMethod(
        receiver,
        [fn = std::forward<Fn>(fn), posted]() mutable {
            (void)posted->load(std::memory_order_acquire);
            fn();
        },
        Qt::QueuedConnection);
}
