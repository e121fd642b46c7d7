// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QStringList>

#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace velmora::test {

// Runs a program to its end; its standard output, or nullopt when it could not
// start or ended with an error.
std::optional<QByteArray> runProgram(const QString& program, const QStringList& arguments);

// exiftool's view of one file: `exiftool -j -G1 -a -n`, as "Group:Tag" -> value.
QJsonObject exiftoolTags(const std::filesystem::path& path);
// The same for many files in one run, by path as given.
std::map<std::string, QJsonObject> exiftoolTags(const std::vector<std::filesystem::path>& paths);

// Runs `body` in a forked child and returns its exit code, or -1 when it did
// not exit normally. The child ends with _exit, so nothing of the test
// framework runs twice.
int runInChild(const std::function<int()>& body);

// Drops root in the calling process (a forked child) to the user "nobody".
bool becomeNobody();

// Runs `body` in a forked child and returns what it returned (at most a pipe's
// buffer, 64 KiB), or "child died". With `asNobody` the child drops root first,
// so that permissions apply to it; `fileSizeLimit` > 0 caps the size of any
// file it writes, a full disk that needs no mount.
std::string runInChild(const std::function<std::string()>& body, bool asNobody, long fileSizeLimit = 0);

// Lets an unprivileged child read the folder and everything below it, not write.
void openUpForEveryone(const std::filesystem::path& folder);

} // namespace velmora::test
