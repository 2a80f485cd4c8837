// message_sink.h: where a part writes its lines for the message window and the
// transfer log. Handed to each part when it is made; tests may give their own.
#pragma once

#include <QString>

#include <string>

class MessageSink {
public:
    virtual ~MessageSink() = default;
    // Any thread; returns once the line is there. The line carries the
    // connection of the calling thread (see ScopedLogConnection).
    virtual void Log(const QString& line) = 0;
    void Log(const std::string& line) { Log(QString::fromStdString(line)); }
};

// The message window's own sink: LogMessage.
class MessageWindowSink : public MessageSink {
public:
    using MessageSink::Log;
    void Log(const QString& line) override;
};
