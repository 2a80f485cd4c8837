// modal_box.h: while a modal box or dialog is open, its caller waits inside it
// and the event loop runs on in there. Work that arrives from outside then (the
// sibling program's requests, device changes) must not run in the middle of
// that caller: it waits until no box is open and the caller has returned.
// GUI thread only.
#pragma once

#include <QPointer>

#include <functional>

class QDialog;

// A modal box is open while this lives.
class ModalBox {
public:
    ModalBox();
    ~ModalBox();
    ModalBox(const ModalBox&) = delete;
    ModalBox& operator=(const ModalBox&) = delete;

    static bool AnyOpen();
};

// dialog.exec() with the dialog counted as a modal box.
int ExecModal(QDialog& dialog);

// Runs work now when no modal box is open; else from the event loop once the
// last box has closed, unless context is gone by then. Work that waited runs in
// the order it came.
void WhenNoModalBox(QObject* context, std::function<void()> work);
