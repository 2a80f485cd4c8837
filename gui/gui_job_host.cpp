#include "gui/gui_job_host.h"

#include "gui/message_sink.h"
#include "gui/prompter.h"
#include "gui/run_in_gui_thread.h"
#include "gui/ui_language.h"

#include <charconv>

namespace {

// The message with its one placeholder filled: %s with the text, %d with the
// number the text holds.
QString Filled(MessageId id, const std::string& argument)
{
    if (MessageString(id).find("%d") == std::string::npos)
        return MessageText(id, QString::fromStdString(argument));
    int number = 0;
    std::from_chars(argument.data(), argument.data() + argument.size(), number);
    return MessageText(id).replace(QStringLiteral("%d"), QString::number(number));
}

} // namespace

GuiJobHost::GuiJobHost(MessageSink& sink, std::function<void(std::size_t)> moved)
    : messages(sink), sourceMoved(std::move(moved))
{
}

void GuiJobHost::LogLine(const std::string& line)
{
    messages.Log(line);
}

void GuiJobHost::LogMessageLine(MessageId id)
{
    messages.Log(MessageString(id, UiLanguage()));
}

void GuiJobHost::ShowMessage(MessageId id, const std::string& argument)
{
    RunInGuiThread([&] { ThePrompter().ShowMessage(Filled(id, argument)); });
}

bool GuiJobHost::AskYesNo(MessageId id, const std::string& argument)
{
    bool yes = false;
    RunInGuiThread([&] { yes = ThePrompter().AskYesNo(Filled(id, argument)); });
    return yes;
}

void GuiJobHost::SourceMoved(std::size_t index)
{
    if (sourceMoved)
        RunInGuiThread([&] { sourceMoved(index); });
}
