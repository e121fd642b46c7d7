// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/PhotoReports.h"

#include "engine/FileErrorText.h"
#include "files/PosixIo.h"
#include "files/SystemLog.h"
#include "settings/MessageTable.h"

namespace fs = std::filesystem;

namespace velmora {

PhotoReports::PhotoReports(std::atomic<bool>& alertLatch, EngineHost& host)
    : alertLatch_(alertLatch), host_(host), outcomes_([this] { raiseLatchedAlert(message::kWriteFailed); })
{
}

void PhotoReports::raiseLatchedAlert(const char* key)
{
    // One missing-date or image-save alert per batch: the first to claim the latch shows it.
    if (!alertLatch_.exchange(true))
        host_.showAlert({MessageTable::text(key), MessageTable::text(message::kOk)});
}

void PhotoReports::report(PhotoOutcome::Kind kind, const fs::path& source, std::string error)
{
    PhotoOutcome outcome;
    outcome.kind = kind;
    outcome.source = source;
    outcome.error = std::move(error);
    outcomes_.deliver(std::move(outcome));
}

void PhotoReports::reportNotFound(const fs::path& path)
{
    SystemLog::write("*** File " + path.native() + " not found! ***");
    report(PhotoOutcome::Kind::NotFound, path);
}

void PhotoReports::reportUnreachable(const fs::path& path, const FileError* error)
{
    PhotoOutcome outcome;
    outcome.kind = PhotoOutcome::Kind::Failed;
    outcome.source = path;
    outcome.unreachable = true;
    if (error) {
        SystemLog::write("Error!! " + error->description);
        outcome.error = userText(*error);
    } else {
        const int code = gone_.codeFor(path);
        outcome.error = code ? errnoText("Not reached", code) : "Not reached";
    }
    outcomes_.deliver(std::move(outcome));
    // The rest of the batch ends in one summary; an alert for the first failure of each kind.
    if (error && goneAlerted_.insert(error->code).second)
        host_.showAlert({userText(*error), MessageTable::text(message::kOk)});
}

void PhotoReports::reportFailure(const FileError& error)
{
    SystemLog::write("Error!! " + error.description);
    host_.showAlert({userText(error), MessageTable::text(message::kOk)});
}

} // namespace velmora
