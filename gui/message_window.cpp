#include "gui/message_window.h"

#include "gui/message_sink.h"

#include "gui/run_in_gui_thread.h"

#include "link/transfer_log.h"

#include <QListWidget>

#include <atomic>

namespace {

std::atomic<MessageWindow*> current{nullptr};
std::function<QString()> connectionSource; // the GUI thread's only

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
    const std::string& threadConnection = ThreadLogConnection();
    RunInGuiThread([&line, &threadConnection] {
        std::string connection = threadConnection;
        if (connection.empty() && connectionSource)
            connection = connectionSource().toStdString();
        static TransferLog log(DefaultTransferLogPath());
        log.Write(connection, line.toStdString());
        if (MessageWindow* window = current.load())
            window->PrependLine(line);
    });
}

void SetLogConnectionSource(std::function<QString()> source)
{
    connectionSource = std::move(source);
}

void LogMessage(const std::string& line)
{
    LogMessage(QString::fromStdString(line));
}

void MessageWindowSink::Log(const QString& line)
{
    LogMessage(line);
}
