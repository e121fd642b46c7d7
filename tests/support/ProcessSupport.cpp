// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/ProcessSupport.h"
#include "support/TestSupport.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>

#include <csignal>
#include <regex>
#include <sstream>
#include <grp.h>
#include <pwd.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace velmora::test {

std::optional<QByteArray> runProgram(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return std::nullopt;
    return process.readAllStandardOutput();
}

std::map<std::string, QJsonObject> exiftoolTags(const std::vector<fs::path>& paths)
{
    // One process for all: exiftool's start-up costs more than a small file.
    QStringList arguments = {"-j", "-G1", "-a", "-n", "-m"};
    for (const auto& path : paths)
        arguments << QString::fromLocal8Bit(path.c_str());
    QProcess process;
    process.start(QStringLiteral("exiftool"), arguments);
    process.waitForFinished(300000);
    // Maker notes may hold text that is not UTF-8, which QJsonDocument refuses: replaced, alike on every run.
    const QByteArray json = QString::fromUtf8(process.readAllStandardOutput()).toUtf8();
    std::map<std::string, QJsonObject> tags;
    for (const QJsonValue file : QJsonDocument::fromJson(json).array())
        tags[file.toObject().value("SourceFile").toString().toStdString()] = file.toObject();
    return tags;
}

QJsonObject exiftoolTags(const fs::path& path)
{
    const auto tags = exiftoolTags(std::vector<fs::path>{path});
    return tags.size() == 1 ? tags.begin()->second : QJsonObject();
}

std::vector<std::string> differences(const QJsonObject& before, const QJsonObject& after)
{
    std::vector<std::string> changed;
    QStringList keys = before.keys() + after.keys();
    keys.removeDuplicates();
    for (const QString& key : keys)
        if (before.value(key) != after.value(key) && key != "SourceFile" && key != "File:ExifByteOrder" &&
            !key.startsWith("System:") && !key.startsWith("Composite:") && !key.startsWith("ExifTool:") &&
            !key.endsWith("Offset") && !key.endsWith("Offsets") && !key.endsWith("Start"))
            changed.push_back(key.toStdString() + " [" + before.value(key).toVariant().toString().toStdString() +
                              "] -> [" + after.value(key).toVariant().toString().toStdString() + "]");
    return changed;
}

QString noLeakCheck()
{
    return "ASAN_OPTIONS=" + qEnvironmentVariable("ASAN_OPTIONS") + ":detect_leaks=0";
}

std::vector<std::string> patchSystemCalls(const QString& helper, const fs::path& photo, const fs::path& trace)
{
    if (!runProgram("env", {noLeakCheck(), "strace", "-f", "-qq", "-y", "-o", QString::fromStdString(trace.native()),
                            "-e", "trace=pwrite64,fsync,fdatasync,syncfs", helper,
                            QString::fromStdString(photo.native()), "inplace", "once"}))
        return {};
    // strace -y prints each descriptor's file: "4537  pwrite64(3</tmp/x/photo.jpg>, ...".
    std::vector<std::string> calls;
    const std::regex call(R"(^\d+ +(\w+)\(\d+<[^>]*(\.journal|/photo\.jpg)>)");
    std::istringstream lines(readFile(trace));
    for (std::string line; std::getline(lines, line);)
        if (std::smatch m; std::regex_search(line, m, call))
            calls.push_back(m.str(1) + (m.str(2) == ".journal" ? " journal" : " photo") +
                            (line.find("VLMPATCH") != std::string::npos ? " record" : ""));
    return calls;
}

std::vector<std::pair<std::string, std::string>> datedPhotos(const fs::path& table)
{
    std::vector<std::pair<std::string, std::string>> names;
    const QStringList rows = QString::fromStdString(readFile(table)).split('\n', Qt::SkipEmptyParts);
    for (const QString& row : rows.mid(1)) { // after the header
        const QStringList cells = row.split('\t');
        if (cells.size() > 2 && cells[1] != "-" && cells[2] != "EXV" && cells[2] != "XMP")
            names.emplace_back(cells[0].toStdString(), cells[1].toStdString());
    }
    return names;
}

int runInChild(const std::function<int()>& body)
{
    const pid_t pid = ::fork();
    if (pid == 0) {
        int code = 99;
        try {
            code = body();
        } catch (...) {
        }
        ::_exit(code);
    }
    int status = 0;
    while (pid > 0 && ::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return pid > 0 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string runInChild(const std::function<std::string()>& body, bool asNobody, long fileSizeLimit)
{
    int fds[2];
    if (::pipe(fds) != 0)
        return "child died";
    const int code = runInChild([&] {
        ::close(fds[0]);
        const passwd* nobody = asNobody ? ::getpwnam("nobody") : nullptr;
        if (asNobody &&
            !(nobody && ::setgroups(0, nullptr) == 0 && ::setgid(nobody->pw_gid) == 0 && ::setuid(nobody->pw_uid) == 0))
            return 90;
        std::optional<DiskFull> full;
        if (fileSizeLimit > 0)
            full.emplace(fileSizeLimit);
        const std::string out = body();
        return ::write(fds[1], out.data(), out.size()) == static_cast<ssize_t>(out.size()) ? 0 : 91;
    });
    ::close(fds[1]);
    std::string out;
    char buffer[4096];
    for (ssize_t n; (n = ::read(fds[0], buffer, sizeof buffer)) > 0;)
        out.append(buffer, static_cast<size_t>(n));
    ::close(fds[0]);
    return code == 0 ? out : "child died";
}

void openUpForEveryone(const fs::path& folder)
{
    // Readable and traversable, never writable: the folder stays root's.
    fs::permissions(folder, static_cast<fs::perms>(0755));
    for (const auto& entry : fs::recursive_directory_iterator(folder))
        if (!entry.is_symlink())
            fs::permissions(entry.path(), static_cast<fs::perms>(entry.is_directory() ? 0755 : 0644));
}

DiskFull::DiskFull(uintmax_t bytes)
{
    ::getrlimit(RLIMIT_FSIZE, &before_);
    const rlimit limit{static_cast<rlim_t>(bytes), before_.rlim_max};
    signal_ = std::signal(SIGXFSZ, SIG_IGN); // the write fails with EFBIG instead
    ::setrlimit(RLIMIT_FSIZE, &limit);
}

DiskFull::~DiskFull()
{
    ::setrlimit(RLIMIT_FSIZE, &before_);
    std::signal(SIGXFSZ, signal_);
}

} // namespace velmora::test
