// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "gui/ApplicationDelegate.h"
#include "files/UniqueFd.h"

#include <QObject>
#include <QString>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

class QSocketNotifier;

namespace velmora {

// Routes the application-level events to the current delegate: the quit
// notice, the last-window question and open-files requests (from the command
// line, from the Open... menu, and from a second start of Velmora). Requests
// that arrive before a delegate can open files wait for one.
class Application : public QObject {
    Q_OBJECT
public:
    explicit Application(QObject* parent = nullptr);
    ~Application() override;

    ApplicationDelegate* delegate() const { return delegate_; }
    void setDelegate(ApplicationDelegate* delegate);

    // `preview`: the batch shows what it would do first (velmora --preview).
    void openFiles(const std::vector<std::filesystem::path>& paths, bool preview = false);

    // One Velmora per user: hands `paths` to a running instance. True when one took them.
    static bool handOverToRunningInstance(const std::vector<std::filesystem::path>& paths, bool preview = false,
                                          const QString& serverName = defaultServerName());
    // Takes the requests of later starts from now on. False when another
    // instance already listens under `serverName` (or the socket cannot be made).
    bool listen(const QString& serverName = defaultServerName());
    static QString defaultServerName();

signals:
    // A later start of Velmora: bring the window to the front.
    void activationRequested();

private:
    void deliverPending();
    void onNewConnection();

    ApplicationDelegate* delegate_ = nullptr;
    std::vector<std::pair<std::vector<std::filesystem::path>, bool>> pending_; // paths, preview
    std::string socketPath_; // where this instance listens, once it does
    UniqueFd server_;
    std::unique_ptr<QSocketNotifier> serverNotifier_; // before server_ is closed
};

// Absolute, byte-exact paths from command-line arguments.
std::vector<std::filesystem::path> pathsFromArguments(int argc, char** argv);

} // namespace velmora
