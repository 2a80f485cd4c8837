// wait_cursor.h: the wait cursor over every window of the program while a
// terminal command holds the GUI thread (a terminal that does not answer holds
// it for the whole reply time). GUI thread.
#pragma once

#include <QGuiApplication>

class WaitCursor {
public:
    WaitCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QGuiApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};
