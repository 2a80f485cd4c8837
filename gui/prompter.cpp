#include "gui/prompter.h"

#include "gui/modal_box.h"
#include "gui/ui_language.h"

#include <QApplication>
#include <QMessageBox>

#include <atomic>

namespace {

class MessageBoxPrompter : public Prompter {
public:
    void ShowMessage(const QString& text) override
    {
        QMessageBox::information(QApplication::activeWindow(), ApplicationTitle(), text);
    }
    bool AskYesNo(const QString& text) override
    {
        return QMessageBox::question(QApplication::activeWindow(), ApplicationTitle(), text,
                                     QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
    }
    bool AskYesNoDefaultNo(const QString& text) override
    {
        return QMessageBox::question(QApplication::activeWindow(), ApplicationTitle(), text,
                                     QMessageBox::Yes | QMessageBox::No,
                                     QMessageBox::No) == QMessageBox::Yes;
    }
};

std::atomic<Prompter*> current{nullptr};

// Every box, the message boxes' and a test's alike, counts as a modal box.
class CountingPrompter : public Prompter {
public:
    void ShowMessage(const QString& text) override
    {
        const ModalBox open;
        Current().ShowMessage(text);
    }
    bool AskYesNo(const QString& text) override
    {
        const ModalBox open;
        return Current().AskYesNo(text);
    }
    bool AskYesNoDefaultNo(const QString& text) override
    {
        const ModalBox open;
        return Current().AskYesNoDefaultNo(text);
    }

private:
    static Prompter& Current()
    {
        static MessageBoxPrompter boxes;
        Prompter* p = current.load();
        return p ? *p : boxes;
    }
};

QString WithLineBreaks(const std::string& text)
{
    return QString::fromStdString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

} // namespace

Prompter& ThePrompter()
{
    static CountingPrompter counting;
    return counting;
}

void SetPrompter(Prompter* prompter)
{
    current.store(prompter);
}

QString MessageText(MessageId id)
{
    return WithLineBreaks(MessageString(id, UiLanguage()));
}

QString MessageText(MessageId id, const QString& argument)
{
    return WithLineBreaks(FormatMessage(id, argument.toStdString(), UiLanguage()));
}

void ShowMessage(MessageId id)
{
    ThePrompter().ShowMessage(MessageText(id));
}
