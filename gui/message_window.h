// message_window.h: the docked "Message Window": one plain sentence per finished
// operation, newest on top, kept for the life of the process. LogMessage is the
// one way to write a line; any thread may call it.
#pragma once

#include <QDockWidget>

#include <functional>

class QListWidget;

class MessageWindow : public QDockWidget {
    Q_OBJECT
public:
    // GUI thread. The newest window becomes the one LogMessage writes to.
    explicit MessageWindow(QWidget* parent = nullptr);
    ~MessageWindow() override;

    // GUI thread. Inserts line at the top and repaints at once.
    void PrependLine(const QString& line);
    // GUI thread. The lines, top (newest) first.
    QStringList Lines() const;
    QListWidget* list() const { return listBox; }

private:
    QListWidget* listBox;
};

// Any thread. Puts one line at the top of the message window and appends it to
// the transfer log with the connection's name (the worker thread's own, else
// the one connectionSource gives); returns once it is there. Without a message
// window the line only goes to the log.
void LogMessage(const QString& line);
void LogMessage(const std::string& line);
// GUI thread. Names the connection a line logged on the GUI thread belongs to
// (the active one); an empty function forgets it.
void SetLogConnectionSource(std::function<QString()> connectionSource);
