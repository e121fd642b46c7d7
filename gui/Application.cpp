// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/Application.h"

#include "files/LocalSocket.h"

#include <QCoreApplication>
#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QSocketNotifier>
#include <QStandardPaths>

#include <functional>
#include <optional>

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

// A request as QDataStream frames a byte array: its length (big-endian), then its bytes.
std::string framed(const QByteArray& payload)
{
    QByteArray data;
    QDataStream out(&data, QIODevice::WriteOnly);
    out << payload;
    return data.toStdString();
}

std::optional<QByteArray> unframed(const std::string& data)
{
    if (data.size() < 4)
        return std::nullopt;
    const auto byte = [&](int i) { return static_cast<quint32>(static_cast<unsigned char>(data[i])); };
    const quint32 size = byte(0) << 24 | byte(1) << 16 | byte(2) << 8 | byte(3);
    if (size == 0xFFFFFFFF)
        return QByteArray();
    if (data.size() - 4 < size)
        return std::nullopt;
    return QByteArray(data.data() + 4, static_cast<qsizetype>(size));
}

// A later start's request, read as it arrives; answered and gone once whole.
class HandOverRequest : public QObject {
public:
    HandOverRequest(UniqueFd fd, QObject* parent, std::function<void(const QByteArray&)> handle)
        : QObject(parent), fd_(std::move(fd)), notifier_(fd_.get(), QSocketNotifier::Read), handle_(std::move(handle))
    {
        connect(&notifier_, &QSocketNotifier::activated, this, &HandOverRequest::read);
    }

private:
    // More than any list of paths: the connection is dropped.
    static constexpr size_t kMostBytes = size_t{256} << 20;

    void read()
    {
        const auto got = localsocket::receive(fd_.get(), data_, 0);
        if (const auto payload = unframed(data_)) {
            notifier_.setEnabled(false);
            localsocket::sendAll(fd_.get(), "ok", 1000);
            handle_(*payload);
            deleteLater();
        } else if (got == localsocket::Received::Ended || data_.size() > kMostBytes) {
            notifier_.setEnabled(false);
            deleteLater();
        }
    }

    UniqueFd fd_;
    QSocketNotifier notifier_;
    std::function<void(const QByteArray&)> handle_;
    std::string data_;
};

} // namespace

Application::Application(QObject* parent) : QObject(parent)
{
    connect(qApp, &QCoreApplication::aboutToQuit, this, [this] {
        if (delegate_)
            delegate_->aboutToQuit();
    });
}

Application::~Application()
{
    if (server_.get() >= 0)
        localsocket::removeSocket(socketPath_);
}

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
        return QDir::tempPath() + QStringLiteral("/velmora.socket");
    return runtime + QStringLiteral("/velmora.socket");
}

bool Application::handOverToRunningInstance(const std::vector<fs::path>& paths, bool preview,
                                            const QString& serverName)
{
    const UniqueFd socket = localsocket::connectTo(QFile::encodeName(serverName).toStdString());
    if (socket.get() < 0 || !localsocket::sendAll(socket.get(), framed(encode(paths, preview)), 3000))
        return false;
    // The running instance answers once it has the whole request.
    std::string answer;
    return localsocket::receive(socket.get(), answer, 3000) == localsocket::Received::Some;
}

bool Application::listen(const QString& serverName)
{
    const std::string path = QFile::encodeName(serverName).toStdString();
    // Putting the socket in place replaces whatever is there, a running
    // instance's too: ask first. Nobody answers: no socket, or one left by an
    // instance that crashed.
    if (localsocket::connectTo(path).get() >= 0)
        return false;
    server_ = localsocket::listenAt(path);
    if (server_.get() < 0)
        return false;
    socketPath_ = path;
    serverNotifier_ = std::make_unique<QSocketNotifier>(server_.get(), QSocketNotifier::Read);
    connect(serverNotifier_.get(), &QSocketNotifier::activated, this, &Application::onNewConnection);
    return true;
}

void Application::onNewConnection()
{
    for (UniqueFd client = localsocket::accept(server_.get()); client.get() >= 0;
         client = localsocket::accept(server_.get()))
        new HandOverRequest(std::move(client), this, [this](const QByteArray& payload) {
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
