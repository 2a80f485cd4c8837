// run_in_gui_thread.h: hands work from a worker thread to the GUI thread and waits
// until it has run. The GUI thread itself runs it at once.
#pragma once

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>

#include <utility>

// Any thread. Runs fn on the GUI thread; returns after it has run.
template <typename Fn> void RunInGuiThread(Fn&& fn)
{
    QCoreApplication* app = QCoreApplication::instance();
    if (!app || QThread::currentThread() == app->thread()) {
        fn();
        return;
    }
    QMetaObject::invokeMethod(app, std::forward<Fn>(fn), Qt::BlockingQueuedConnection);
}
