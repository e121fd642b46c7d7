// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/GoneDevices.h"
#include "engine/LiveOptions.h"
#include "engine/OutcomeQueue.h"
#include "files/FileManager.h"

#include <atomic>
#include <filesystem>
#include <memory>
#include <set>
#include <string>

namespace velmora {

// A message for the user: shown in a modal alert titled "Velmora" with one button.
struct AlertRequest {
    std::string text;
    std::string button;
};

// What the engine needs from whoever runs it: the window, or a headless sink.
class EngineHost {
public:
    virtual ~EngineHost() = default;
    // Shows the alert and returns once it has been dismissed.
    virtual void showAlert(const AlertRequest& request) = 0;
    // The stored preferences, read afresh for every photo set, once.
    virtual StoredPreferences storedPreferences() = 0;
};

// What the user, the log and the recorder learn of each photo of a batch:
// outcomes in the order of the photos, one latched alert per batch for a
// missing date or a failed write-back, one alert per kind of gone file system.
class PhotoReports {
public:
    PhotoReports(std::atomic<bool>& alertLatch, EngineHost& host);

    void raiseLatchedAlert(const char* key);
    void report(PhotoOutcome::Kind kind, const std::filesystem::path& source, std::string error = {});
    void reportNotFound(const std::filesystem::path& path);
    // A photo on a file system that is gone: recorded as not reached; the
    // alert of `error` is shown for the first failure of its kind only.
    void reportUnreachable(const std::filesystem::path& path, const FileError* error = nullptr);
    // A move or copy that failed for another reason than a taken name: logged and shown.
    void reportFailure(const FileError& error);
    void deliver(PhotoOutcome outcome, std::shared_ptr<const PatchTicket> ticket = nullptr)
    {
        outcomes_.deliver(std::move(outcome), std::move(ticket));
    }
    // Ends the group of dates written in place; the outcomes that waited for it go on.
    void finish() { outcomes_.drain(true); }
    void setRecorder(BatchRecorder* recorder) { outcomes_.setRecorder(recorder); }
    GoneDevices& gone() { return gone_; }

private:
    std::atomic<bool>& alertLatch_; // set once an alert was shown: one alert per batch
    EngineHost& host_;
    OutcomeQueue outcomes_;
    GoneDevices gone_;
    std::set<int> goneAlerted_; // the kinds of gone file system already shown in an alert
};

} // namespace velmora
