#include "gui/modal_box.h"

#include <QDialog>
#include <QTimer>

#include <deque>

namespace {

int openBoxes = 0;

struct Waiting {
    QPointer<QObject> context;
    std::function<void()> work;
};
std::deque<Waiting> waiting;

// Runs what waited, from the event loop: the caller of the last box has
// returned by then. A box one of them opens makes the rest wait again.
void RunWaiting()
{
    while (!waiting.empty() && openBoxes == 0) {
        Waiting next = std::move(waiting.front());
        waiting.pop_front();
        if (next.context)
            next.work();
    }
}

} // namespace

ModalBox::ModalBox()
{
    ++openBoxes;
}

ModalBox::~ModalBox()
{
    if (--openBoxes == 0 && !waiting.empty())
        QTimer::singleShot(0, [] { RunWaiting(); });
}

bool ModalBox::AnyOpen()
{
    return openBoxes > 0;
}

int ExecModal(QDialog& dialog)
{
    const ModalBox open;
    return dialog.exec();
}

void WhenNoModalBox(QObject* context, std::function<void()> work)
{
    if (openBoxes == 0 && waiting.empty()) {
        work();
        return;
    }
    waiting.push_back({context, std::move(work)});
}
