#include "support/ProcessSupport.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>

#include <grp.h>
#include <pwd.h>
#include <sys/wait.h>
#include <unistd.h>

namespace velmora::test {

std::optional<QByteArray> runProgram(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0)
        return std::nullopt;
    return process.readAllStandardOutput();
}

QJsonObject exiftoolTags(const std::filesystem::path& path) {
    const auto json = runProgram(QStringLiteral("exiftool"),
                                 {"-j", "-G1", "-a", "-n", QString::fromLocal8Bit(path.c_str())});
    if (!json)
        return {};
    const QJsonArray files = QJsonDocument::fromJson(*json).array();
    return files.isEmpty() ? QJsonObject() : files.first().toObject();
}

int runInChild(const std::function<int()>& body) {
    const pid_t pid = ::fork();
    if (pid < 0)
        return -1;
    if (pid == 0) {
        int code = 99;
        try {
            code = body();
        } catch (...) {
        }
        ::_exit(code);
    }
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool becomeNobody() {
    const passwd* nobody = ::getpwnam("nobody");
    if (!nobody)
        return false;
    return ::setgroups(0, nullptr) == 0 && ::setgid(nobody->pw_gid) == 0 && ::setuid(nobody->pw_uid) == 0;
}

} // namespace velmora::test
