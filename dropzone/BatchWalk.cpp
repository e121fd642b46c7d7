#include "dropzone/BatchWalk.h"

#include "platform/ExifDateWriter.h"
#include "platform/ExifHelper.h"
#include "platform/MessageTable.h"
#include "platform/SystemLog.h"

namespace fs = std::filesystem;

namespace velmora {
namespace {

double progress(size_t done, size_t total)
{
    return static_cast<double>(100 * done / total);
}

void walkFolder(const FileManager& manager, const fs::path& folder,
                const std::function<void(const fs::path&)>& processFile, BatchSink& sink, const std::stop_token& stop)
{
    // Taken whole before the first entry, so the photos placed under their new
    // names during this walk are not visited again.
    std::vector<fs::path> unreadable;
    const auto listing = manager.listFolder(folder, &unreadable, stop);
    if (!listing) {
        SystemLog::write("*** Folder " + folder.native() + " cannot be read! ***");
        return;
    }
    for (const fs::path& skipped : unreadable)
        SystemLog::write("*** Folder " + skipped.native() + " cannot be read! ***");

    const size_t n = listing->size();
    for (size_t j = 0; j < n && !stop.stop_requested(); ++j) {
        const std::string_view relative = (*listing)[j];
        const fs::path full = folder.native() + "/" + std::string(relative);
        bool isDirectory = false;
        const std::string_view name = relative.substr(relative.rfind('/') + 1);
        // A write-back's temporary file (left by a killed process, or being
        // written by an overlapping batch) is never a photo to rename.
        if (manager.fileExists(full, isDirectory) && !isDirectory && name != ".DS_Store" && !isWriteBackTempName(name))
            processFile(full);
        sink.setProgress(progress(j + 1, n));
    }
}

} // namespace

void processFiles(const std::vector<fs::path>& batchList, const std::function<void(const fs::path&)>& processFile,
                  BatchSink& sink, std::stop_token stop)
{
    const FileManager manager;
    // A quit cuts the wait on an exiv2 helper short; the photo keeps its name.
    const HelperStopScope helperStop(stop);
    startExifHelper();
    const size_t n = batchList.size();
    for (size_t k = 0; k < n && !stop.stop_requested(); ++k) {
        const fs::path& p = batchList[k];
        bool isDirectory = false;
        if (!manager.fileExists(p, isDirectory))
            continue;
        if (isDirectory) {
            walkFolder(manager, p, processFile, sink, stop);
            continue;
        }
        processFile(p);
        sink.setProgress(progress(k + 1, n));
    }
    sink.hideIndicator();
    sink.setStatusText(MessageTable::text("#1"));
    sink.setUpTimer();
}

} // namespace velmora
