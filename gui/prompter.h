// prompter.h: the one way the program shows a message box or asks a question, so
// that tests can answer in the user's place. GUI thread only (workers go through
// RunInGuiThread).
#pragma once

#include "link/messages.h"

#include <QString>

class QWidget;

class Prompter {
public:
    virtual ~Prompter() = default;
    // A modal box with OK only, captioned with the program's name.
    virtual void ShowMessage(const QString& text) = 0;
    // A modal Yes/No question; true for Yes.
    virtual bool AskYesNo(const QString& text) = 0;
    // The same question with No as the default, for what cannot be undone.
    virtual bool AskYesNoDefaultNo(const QString& text) { return AskYesNo(text); }
};

// The prompter in use: message boxes over the main window unless one was set.
Prompter& ThePrompter();
// Not owned; null returns to the message boxes.
void SetPrompter(Prompter* prompter);

// The numbered message in the interface language, "\r\n" as a line break.
QString MessageText(MessageId id);
QString MessageText(MessageId id, const QString& argument);
// ThePrompter().ShowMessage of the numbered message.
void ShowMessage(MessageId id);
