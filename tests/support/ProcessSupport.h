// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QStringList>

#include "writeback/ExifDateWriter.h"
#include "support/TestSupport.h"

#include <sys/resource.h>

#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace velmora::test {

// A program's standard output, or nullopt when it could not start or ended with an error.
std::optional<QByteArray> runProgram(const QString& program, const QStringList& arguments);

// "ASAN_OPTIONS=...": LeakSanitizer cannot run under ptrace, so env turns it off for a traced program.
QString noLeakCheck();
// exiftool's view (`exiftool -j -G1 -a -n`) as "Group:Tag" -> value: of one
// file, or of many in one run, by path as given.
QJsonObject exiftoolTags(const std::filesystem::path& path);
std::map<std::string, QJsonObject> exiftoolTags(const std::vector<std::filesystem::path>& paths);
// What differs between two such views of a photo ("Group:Tag [old] -> [new]"), leaving out what describes the file
// rather than its content, derived tags, and where a rewritten file lays its parts out.
std::vector<std::string> differences(const QJsonObject& before, const QJsonObject& after);
// The system calls on the write-ahead log and on `photo` (named photo.jpg) of writeback_crash_helper at `helper`
// writing one date in place, traced by strace into `trace`: "pwrite64 journal record" (the patch's record), "fdatasync
// journal", "pwrite64 photo", "syncfs photo", ...; empty when the date was not written.
std::vector<std::string> patchSystemCalls(const QString& helper, const std::filesystem::path& photo,
                                          const std::filesystem::path& trace);
// The dated camera photos of exiv2's test data and their dates, from its table (exiv2-testdata.tsv): every row with a
// DateTimeOriginal that is an image, not a metadata file.
std::vector<std::pair<std::string, std::string>> datedPhotos(const std::filesystem::path& table);

// Runs `body` in a forked child that ends with _exit, so nothing of the test
// framework runs twice; its exit code, or -1 when it did not exit normally.
int runInChild(const std::function<int()>& body);
// The same, giving what `body` returned (at most 64 KiB), or "child died". `asNobody` drops root first, so that
// permissions apply; `fileSizeLimit` > 0 caps the size of any file written, a full disk that needs no mount.
std::string runInChild(const std::function<std::string()>& body, bool asNobody, long fileSizeLimit = 0);

// Lets an unprivileged child read the folder and everything below it, not write.
void openUpForEveryone(const std::filesystem::path& folder);

// A full disk as the kernel reports it to the writer, without a mount: while it
// lasts, a write that would make any file longer than `bytes` fails (EFBIG).
class DiskFull {
public:
    explicit DiskFull(uintmax_t bytes);
    ~DiskFull();

private:
    rlimit before_{};
    void (*signal_)(int) = nullptr;
};

// The two dates writeback_crash_helper writes in turn, the new one first.
inline const std::string kNew = "2011:12:13 14:15:16";
inline const std::string kOld = "2001:02:03 04:05:06";
// Makes `photo` a JPEG holding kOld; its bytes then, and with kNew written by the route `options` names.
// Inline: only the GoogleTest programs link gtest.
inline std::pair<std::string, std::string> oldAndNew(const std::filesystem::path& photo,
                                                     const ExifWriteOptions& options = {})
{
    makeJpeg(photo, kOld, "2001:02:03 04:05:07", 64, 48);
    EXPECT_EQ(writeExifDate(photo, kNew, false, options).status, ExifWriteResult::Status::Written);
    const std::string newBytes = readFile(photo);
    EXPECT_EQ(writeExifDate(photo, kOld, false, options).status, ExifWriteResult::Status::Written);
    return {readFile(photo), newBytes};
}

} // namespace velmora::test
