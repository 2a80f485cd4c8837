// start_options.h: the program's command line: the start mode (one decimal
// number, read the way atoi reads it) and the options of this platform. Pure, any thread.
#pragma once

#include "link/messages.h"

#include <QString>
#include <QStringList>

#include <optional>

struct StartOptions {
    int startMode = 0;                // 0 interactive, 1 transmission, other: install
    std::optional<Language> language; // --lang en|pl
    QString screenshotPath;           // --screenshot FILE
    // --post transmit|install: hand the request to the running program, or
    // start in the matching mode (1 or 2) when none runs. 0: no --post.
    int postMode = 0;
    bool help = false;    // --help or -h: print StartHelpText() and end
    bool version = false; // --version: print the version and end
    bool valid = true;    // false: an option lacks its value or is unknown
};

// args without the program name. Options come first; the text after them, joined
// by blanks, is the start mode.
StartOptions ParseStartOptions(const QStringList& args);

// The line a --post request sends over the program's socket: "auto-transmit"
// for mode 1, "auto-install" for any other.
QByteArray PostRequestLine(int postMode);

// The --help text in the language of the installed translator. The GUI thread.
QString StartHelpText();

// "kvvidiridoved 0.1.0": the --version line.
QString StartVersionText();
