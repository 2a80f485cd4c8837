#include "shell/message_window.h"

#include "shell/run_in_gui_thread.h"

#include <QListWidget>

#include <atomic>

namespace {

std::atomic<MessageWindow*> current{nullptr};

} // namespace

MessageWindow::MessageWindow(QWidget* parent)
    : QDockWidget(tr("Message Window"), parent), listBox(new QListWidget(this))
{
    setObjectName(QStringLiteral("MessageWindow"));
    listBox->setObjectName(QStringLiteral("messageList"));
    listBox->setSelectionMode(QAbstractItemView::NoSelection);
    listBox->setSortingEnabled(false);
    listBox->setUniformItemSizes(true);
    setWidget(listBox);
    current.store(this);
}

MessageWindow::~MessageWindow()
{
    MessageWindow* self = this;
    current.compare_exchange_strong(self, nullptr);
}

void MessageWindow::PrependLine(const QString& line)
{
    listBox->insertItem(0, line);
    listBox->repaint();
}

QStringList MessageWindow::Lines() const
{
    QStringList lines;
    for (int i = 0; i < listBox->count(); ++i)
        lines << listBox->item(i)->text();
    return lines;
}

void LogMessage(const QString& line)
{
    RunInGuiThread([&line] {
        if (MessageWindow* window = current.load())
            window->PrependLine(line);
    });
}

void LogMessage(const std::string& line)
{
    LogMessage(QString::fromStdString(line));
}
