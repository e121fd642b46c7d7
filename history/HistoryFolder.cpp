// SPDX-License-Identifier: GPL-3.0-or-later
#include "history/HistoryFolder.h"

#include "files/StateFolder.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <tuple>

namespace fs = std::filesystem;

namespace velmora {
namespace {

constexpr std::string_view kBatchSuffix = ".jsonl";
constexpr std::string_view kUndoSuffix = ".undo.jsonl";

fs::path batchFolder()
{
    return stateFolder() / "batches";
}

// "<ms>-<pid>[-<n>]" as three numbers.
std::tuple<int64_t, int64_t, int64_t> batchOrder(const std::string& id)
{
    std::tuple<int64_t, int64_t, int64_t> key{};
    const char* at = id.data();
    const char* end = id.data() + id.size();
    for (int64_t* part : {&std::get<0>(key), &std::get<1>(key), &std::get<2>(key)}) {
        at = std::from_chars(at, end, *part).ptr;
        if (at == end || *at != '-')
            break;
        ++at;
    }
    return key;
}

} // namespace

fs::path batchFile(const std::string& id)
{
    return batchFolder() / (id + std::string(kBatchSuffix));
}

fs::path undoFile(const std::string& id)
{
    return batchFolder() / (id + std::string(kUndoSuffix));
}

std::vector<std::string> batchIds()
{
    std::vector<std::string> ids;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(batchFolder(), ec)) {
        const std::string name = entry.path().filename().native();
        if (name.ends_with(kBatchSuffix) && !name.ends_with(kUndoSuffix))
            ids.push_back(name.substr(0, name.size() - kBatchSuffix.size()));
    }
    std::sort(ids.begin(), ids.end(), [](const std::string& a, const std::string& b) {
        return std::pair(batchOrder(a), a) > std::pair(batchOrder(b), b);
    });
    return ids;
}

int64_t batchStartMs(const std::string& id)
{
    return std::get<0>(batchOrder(id));
}

void pruneBatches(size_t keep, int maxAgeDays)
{
    using namespace std::chrono;
    const int64_t now = duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
    const int64_t oldest = now - int64_t{maxAgeDays} * 24 * 3600 * 1000;
    const std::vector<std::string> ids = batchIds();
    for (size_t i = 0; i < ids.size(); ++i) {
        if (i < keep && batchStartMs(ids[i]) >= oldest)
            continue;
        std::error_code ec;
        fs::remove(undoFile(ids[i]), ec);
        fs::remove(batchFile(ids[i]), ec);
    }
}

} // namespace velmora
