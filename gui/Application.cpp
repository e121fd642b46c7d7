// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/Application.h"

#include <QCoreApplication>
#include <QDataStream>
#include <QGuiApplication>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>

namespace fs = std::filesystem;

namespace velmora {
namespace {

// The paths, then whether to preview: an instance that knows no preview reads the paths alone.
QByteArray encode(const std::vector<fs::path>& paths, bool preview)
{
    QByteArray data;
    QDataStream out(&data, QIODevice::WriteOnly);
    out << static_cast<quint32>(paths.size());
    for (const fs::path& p : paths)
        out << QByteArray::fromStdString(p.native());
    out << static_cast<quint8>(preview);
    return data;
}

std::optional<std::vector<fs::path>> decode(const QByteArray& data, bool& preview)
{
    QDataStream in(data);
    quint32 count = 0;
    in >> count;
    std::vector<fs::path> paths;
    for (quint32 i = 0; i < count && in.status() == QDataStream::Ok; ++i) {
        QByteArray bytes;
        in >> bytes;
        if (in.status() == QDataStream::Ok)
            paths.emplace_back(bytes.toStdString());
    }
    if (in.status() != QDataStream::Ok)
        return std::nullopt;
    quint8 flag = 0;
    if (!in.atEnd())
        in >> flag;
    preview = in.status() == QDataStream::Ok && flag != 0;
    return paths;
}

} // namespace

Application::Application(QObject* parent) : QObject(parent)
{
    connect(qApp, &QCoreApplication::aboutToQuit, this, [this] {
        if (delegate_)
            delegate_->aboutToQuit();
    });
}

Application::~Application() = default;

void Application::setDelegate(ApplicationDelegate* delegate)
{
    delegate_ = delegate;
    if (auto* gui = qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        gui->setQuitOnLastWindowClosed(delegate && delegate->quitOnLastWindowClosed());
    // Not at once: window set-up makes the batch controller the delegate before it hands
    // over the controls, and a batch must not start without them.
    QMetaObject::invokeMethod(this, &Application::deliverPending, Qt::QueuedConnection);
}

void Application::openFiles(const std::vector<fs::path>& paths, bool preview)
{
    pending_.emplace_back(paths, preview);
    deliverPending();
}

void Application::deliverPending()
{
    if (!delegate_ || !delegate_->handlesOpenFiles())
        return;
    auto requests = std::move(pending_);
    pending_.clear();
    for (const auto& [paths, preview] : requests)
        delegate_->openFiles(paths, preview);
}

QString Application::defaultServerName()
{
    // The per-user runtime folder (0700) rather than /tmp, where another user could
    // take the name first and receive our paths.
    const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (runtime.isEmpty())
        return QStringLiteral("velmora");
    return runtime + QStringLiteral("/velmora.socket");
}

bool Application::handOverToRunningInstance(const std::vector<fs::path>& paths, bool preview,
                                            const QString& serverName)
{
    QLocalSocket socket;
    socket.connectToServer(serverName);
    if (!socket.waitForConnected(1000))
        return false;
    const QByteArray payload = encode(paths, preview);
    QDataStream out(&socket);
    out << payload;
    socket.flush();
    // The running instance answers once it has the whole request.
    if (!socket.waitForReadyRead(3000))
        return false;
    socket.disconnectFromServer();
    return true;
}

bool Application::listen(const QString& serverName)
{
    // QLocalServer puts its socket in place with rename(), over whatever is there,
    // so listen() alone would take the name from a running instance: ask first.
    {
        QLocalSocket probe;
        probe.connectToServer(serverName);
        if (probe.waitForConnected(1000))
            return false;
    }
    // Nobody answers: no socket, or one left by an instance that crashed.
    QLocalServer::removeServer(serverName);
    server_ = new QLocalServer(this);
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server_->listen(serverName))
        return false;
    connect(server_, &QLocalServer::newConnection, this, &Application::onNewConnection);
    return true;
}

void Application::onNewConnection()
{
    while (QLocalSocket* socket = server_->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            QDataStream in(socket);
            in.startTransaction();
            QByteArray payload;
            in >> payload;
            if (!in.commitTransaction())
                return; // wait for the rest
            socket->write("ok");
            socket->flush();
            bool preview = false;
            const auto paths = decode(payload, preview);
            if (!paths)
                return;
            // The user started Velmora: show the window, with or without photos for it.
            emit activationRequested();
            if (!paths->empty())
                openFiles(*paths, preview);
        });
    }
}

std::vector<fs::path> pathsFromArguments(int argc, char** argv)
{
    std::vector<fs::path> paths;
    std::error_code ec;
    for (int i = 1; i < argc; ++i) {
        const fs::path p(argv[i]);
        if (p.empty() || argv[i][0] == '-')
            continue; // Qt's own options, such as -platform
        paths.push_back(p.is_absolute() ? p : fs::absolute(p, ec));
    }
    return paths;
}

} // namespace velmora
