// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/BatchWalk.h"

#include "exiv2/ExifHelper.h"
#include "files/FileSystemTraits.h"
#include "files/Placement.h"
#include "settings/MessageTable.h"
#include "metadata/ReadAhead.h"
#include "files/SystemLog.h"

#include <algorithm>
#include <map>
#include <set>
#include <optional>
#include <utility>

namespace fs = std::filesystem;

namespace velmora {
namespace {

double progress(size_t done, size_t total)
{
    return static_cast<double>(100 * done / total);
}

// A file of a listing, handed on at its turn: one that exists and is no folder,
// or one on a file system that is gone (not looked at once it is known gone).
bool isFileNow(const FileManager& manager, const fs::path& path, GoneDevices* gone)
{
    if (gone && gone->covers(path))
        return true;
    bool isDirectory = false;
    return manager.fileExists(path, isDirectory) ? !isDirectory : gone && gone->check(path);
}

// The set that starts at position `first` of a listing, as it stands now:
// files that have gone since the listing was taken are left out.
// Members that were regular files when listed (`plain`) are left for the
// engine to find gone: one look-up each the fewer.
PhotoSet setAt(const PhotoSets& sets, size_t first, const FileManager& manager,
               const std::function<fs::path(size_t)>& pathAt, GoneDevices* gone,
               const std::function<bool(size_t)>& plain = {})
{
    PhotoSet set;
    set.listed = bool(plain);
    for (size_t i = first; i != PhotoSets::npos; i = sets.next(i))
        if (fs::path path = pathAt(i); (plain && !sets.isCompanion(i) && plain(i)) || isFileNow(manager, path, gone))
            (sets.isCompanion(i) ? set.companions : set.members).push_back(std::move(path));
    return set;
}

void walkFolder(const FileManager& manager, const fs::path& folder,
                const std::function<void(const PhotoSet&)>& processSet, BatchSink& sink, const std::stop_token& stop,
                bool keepSetsTogether, GoneDevices* gone)
{
    // Taken whole before the first entry, so the photos placed under their new
    // names during this walk are not visited again.
    std::vector<fs::path> unreadable;
    const auto listing = manager.listFolder(folder, &unreadable, stop);
    if (!listing) {
        SystemLog::write("*** Folder " + folder.native() + " cannot be read! ***");
        if (gone && gone->check(folder))
            processSet({{folder}, {}});
        return;
    }
    for (const fs::path& skipped : unreadable)
        SystemLog::write("*** Folder " + skipped.native() + " cannot be read! ***");

    const size_t n = listing->size();
    auto pathAt = [&](size_t j) { return fs::path(folder.native() + "/" + std::string((*listing)[j])); };
    // A temporary file (left by a killed process, or being written by an
    // overlapping batch) is never a photo to rename.
    auto mayBePhoto = [&](size_t j) {
        const std::string_view relative = (*listing)[j];
        const std::string_view name = relative.substr(relative.rfind('/') + 1);
        return !listing->isFolder(j) && name != ".DS_Store" && !isTemporaryName(name);
    };
    // A regular file when listed is looked at by the engine alone; a link
    // (to a folder, to nothing) is looked at here.
    auto plain = [&](size_t j) { return listing->isPlainFile(j); };
    std::optional<PhotoSets> sets;
    if (keepSetsTogether) {
        // A bit a file, not a second list of names: a folder of a million photos.
        std::vector<bool> photoLike(n);
        for (size_t j = 0; j < n; ++j)
            photoLike[j] = mayBePhoto(j);
        const auto pathOf = [&](size_t j) { return photoLike[j] ? (*listing)[j] : std::string_view(); };
        // Names are compared as the folder's file system compares them, asked of its first file.
        const auto file = std::find(photoLike.begin(), photoLike.end(), true);
        sets.emplace(n, pathOf, file != photoLike.end() && ignoresLetterCase(pathAt(file - photoLike.begin())));
    }

    ReadAhead readAhead(n, [&](size_t j) { return mayBePhoto(j) ? pathAt(j).native() : std::string(); });
    for (size_t j = 0; j < n && !stop.stop_requested(); ++j) {
        readAhead.before(j);
        if (sets && sets->isFirst(j)) {
            // Handed on even when its first member has gone: the others still belong together.
            if (const PhotoSet set = setAt(*sets, j, manager, pathAt, gone, plain); !set.members.empty())
                processSet(set);
        } else if (!sets && mayBePhoto(j)) {
            if (fs::path full = pathAt(j); plain(j) || isFileNow(manager, full, gone))
                processSet({{std::move(full)}, {}, true});
        }
        sink.setProgress(progress(j + 1, n));
    }
}

// The sidecars and videos beside the photos named in the batch list, in their
// folders, that the list does not name: a photo named on its own takes them
// along (whether the Open dialog showed them or not). Found by name only,
// one listing per folder; PhotoSets decides which photo each belongs to.
std::vector<fs::path> companionsBeside(const std::vector<std::string_view>& named)
{
    std::map<std::string_view, std::set<std::string>> stemsByFolder; // lower-case stems and names
    std::set<std::string_view> namedPaths(named.begin(), named.end());
    auto lowered = [](std::string_view text) {
        std::string out(text);
        for (char& c : out)
            c = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
        return out;
    };
    for (std::string_view path : named) {
        const size_t slash = path.rfind('/');
        if (path.empty() || slash == std::string_view::npos || isCompanionName(path))
            continue;
        auto& stems = stemsByFolder[path.substr(0, slash)];
        stems.insert(lowered(stemOf(path.substr(slash + 1))));
        stems.insert(lowered(path.substr(slash + 1)));
    }
    std::vector<fs::path> beside;
    for (const auto& [folder, stems] : stemsByFolder) {
        std::error_code ec;
        for (fs::directory_iterator it(fs::path(folder), ec), end; !ec && it != end; it.increment(ec)) {
            const std::string name = it->path().filename().native();
            std::string path = std::string(folder) + "/" + name;
            if (isCompanionName(name) && stems.contains(lowered(stemOf(name))) && !namedPaths.contains(path))
                beside.emplace_back(std::move(path));
        }
    }
    return beside;
}

} // namespace

void walkBatch(const std::vector<fs::path>& batchList, const std::function<void(const PhotoSet&)>& processSet,
               BatchSink& sink, std::stop_token stop, bool keepSetsTogether,
               const std::function<void()>& finishSets, GoneDevices* gone)
{
    const FileManager manager;
    // A quit cuts the wait on an exiv2 helper short; the photo keeps its name.
    // A helper starts when the first photo that needs exiv2 comes: most
    // batches need none, and a start costs milliseconds.
    const HelperStopScope helperStop(stop);
    const size_t n = batchList.size();
    // The files named in the batch list are one listing of their own.
    std::optional<PhotoSets> sets;
    std::vector<fs::path> beside;
    if (keepSetsTogether) {
        std::vector<std::string_view> paths(n);
        bool ignoreCase = false, asked = false;
        for (size_t k = 0; k < n; ++k) {
            if (!isFileNow(manager, batchList[k], nullptr))
                continue;
            paths[k] = batchList[k].native();
            if (!std::exchange(asked, true))
                ignoreCase = ignoresLetterCase(batchList[k]);
        }
        beside = companionsBeside(paths);
        for (const fs::path& companion : beside)
            paths.push_back(companion.native());
        sets.emplace(paths, ignoreCase);
    }
    auto pathAt = [&](size_t i) { return i < n ? batchList[i] : beside[i - n]; };
    ReadAhead readAhead(n, [&](size_t k) { return batchList[k].native(); });
    for (size_t k = 0; k < n && !stop.stop_requested(); ++k) {
        readAhead.before(k);
        const fs::path& p = batchList[k];
        bool isDirectory = false;
        const bool covered = gone && gone->covers(p);
        const bool exists = !covered && manager.fileExists(p, isDirectory);
        if (exists && isDirectory) {
            walkFolder(manager, p, processSet, sink, stop, keepSetsTogether, gone);
            continue;
        }
        if (covered || (!exists && gone && gone->check(p))) {
            // Recorded as not reached by the engine, on its own.
            processSet({{p}, {}});
        } else if (sets && sets->isFirst(k)) {
            if (const PhotoSet set = setAt(*sets, k, manager, pathAt, gone);
                !set.members.empty())
                processSet(set);
        } else if (!sets && exists) {
            processSet({{p}, {}});
        }
        // A path that has gone gives no progress value.
        if (exists)
            sink.setProgress(progress(k + 1, n));
    }
    if (finishSets)
        finishSets();
    sink.hideIndicator();
    sink.setStatusText(MessageTable::text(message::kDone));
    sink.setUpTimer();
}

} // namespace velmora
