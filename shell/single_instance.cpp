#include "shell/single_instance.h"

#include "link/private_folder.h"

#include <QLocalServer>
#include <QLocalSocket>

#include <cstdio>

namespace {

constexpr int kConnectTimeoutMs = 1000;

} // namespace

QString DefaultInstanceServerName()
{
    const std::filesystem::path folder = PrivateRuntimeFolder();
    // A bare name would be a socket in the shared temporary folder.
    if (folder.empty())
        return {};
    return QString::fromStdString((folder / "VidiRidovedClass").string());
}

SingleInstance::SingleInstance(QString serverName, QObject* parent)
    : QObject(parent), name(std::move(serverName))
{
}

SingleInstance::~SingleInstance() = default;

bool SingleInstance::Send(const QByteArray& request)
{
    if (name.isEmpty())
        return false;
    QLocalSocket socket;
    socket.connectToServer(name);
    if (!socket.waitForConnected(kConnectTimeoutMs))
        return false;
    socket.write(request + '\n');
    socket.waitForBytesWritten(kConnectTimeoutMs);
    socket.disconnectFromServer();
    if (socket.state() != QLocalSocket::UnconnectedState)
        socket.waitForDisconnected(kConnectTimeoutMs);
    return true;
}

bool SingleInstance::Claim()
{
    if (name.isEmpty()) {
        const QString text = tr("kvvidiridoved: no private folder for the single-instance socket "
                                "(XDG_RUNTIME_DIR, the temporary folder, ~/.cache); this program "
                                "runs without it, so a second start or --post will not reach it");
        std::fprintf(stderr, "%s\n", qPrintable(text));
        return true;
    }
    // Listening would replace a socket already there, so ask first.
    if (Send("raise"))
        return false;
    // Nobody answers: nothing there, or a socket left by a program that ended badly.
    QLocalServer::removeServer(name);
    server = new QLocalServer(this);
    server->setSocketOptions(QLocalServer::UserAccessOption);
    if (server->listen(name))
        AcceptConnections();
    // Without the socket the program still runs, only unguarded.
    return true;
}

void SingleInstance::AcceptConnections()
{
    connect(server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = server->nextPendingConnection()) {
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            connect(socket, &QLocalSocket::readyRead, socket, [this, socket] {
                while (socket->canReadLine()) {
                    const QByteArray line = socket->readLine(256).trimmed();
                    if (line == "raise")
                        emit RaiseRequested();
                    else if (line == "auto-transmit")
                        emit AutoTransmitRequested();
                    else if (line == "auto-install")
                        emit AutoInstallRequested();
                }
            });
        }
    });
}
