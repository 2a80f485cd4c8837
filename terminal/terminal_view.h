// terminal_view.h: a connection's window: the MDI child that hosts the terminal's
// view, and the view itself (its tree arrives with the terminal workspace).
// GUI thread.
#pragma once

#include <QMdiSubWindow>
#include <QWidget>

class CKVVidiRidovedDoc;

class CTerminalView : public QWidget {
    Q_OBJECT
public:
    explicit CTerminalView(CKVVidiRidovedDoc& document, QWidget* parent = nullptr);
    CKVVidiRidovedDoc& document() const { return doc; }

private:
    CKVVidiRidovedDoc& doc;
};

// Owns the document; closing the window closes the connection.
class CChildFrame : public QMdiSubWindow {
    Q_OBJECT
public:
    // Takes the document over.
    explicit CChildFrame(CKVVidiRidovedDoc* document, QWidget* parent = nullptr);
    CKVVidiRidovedDoc* document() const { return doc; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    CKVVidiRidovedDoc* doc;
};
