// single_instance.h: one running program per user. The first start listens on a
// local socket private to the user; a later start asks it to come to the front
// and ends. The automatic-transmission requests arrive over the same socket.
// GUI thread.
#pragma once

#include <QObject>
#include <QString>

class QLocalServer;

// The socket's full path: "VidiRidovedClass" in the user's private folder
// (PrivateRuntimeFolder); empty when there is none.
QString DefaultInstanceServerName();

class SingleInstance : public QObject {
    Q_OBJECT
public:
    explicit SingleInstance(QString serverName, QObject* parent = nullptr);
    ~SingleInstance() override;

    // True when this process is the first and now listens. False when another
    // instance answered; it has been asked to come to the front. Without a
    // name (no private folder) true at once, with a line on stderr: the
    // program runs unguarded.
    bool Claim();
    // Sends one request line ("raise", "auto-transmit", "auto-install") to the
    // running instance; false when none answers or there is no name.
    bool Send(const QByteArray& request);

signals:
    void RaiseRequested();
    void AutoTransmitRequested();
    void AutoInstallRequested();

private:
    void AcceptConnections();

    QString name;
    QLocalServer* server = nullptr;
};
