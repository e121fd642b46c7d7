// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/BatchPreview.h"

#include "engine/BatchWalk.h"
#include "engine/ShotGrouping.h"
#include "engine/ShotNaming.h"
#include "files/OpenFolders.h"

#include <chrono>
#include <climits>
#include <unordered_set>

namespace fs = std::filesystem;

namespace velmora {
namespace {

class NoSink : public BatchSink {
public:
    void setProgress(double) override {}
    void hideIndicator() override {}
    void setStatusText(const std::string&) override {}
    void setUpTimer() override {}
};

// The batch's walk, with each shot named as the placer would name it at its turn.
class Previewer {
public:
    Previewer(const OptionSnapshot& options, const std::function<void(std::vector<PreviewRow>&&, bool)>& deliver)
        : options_(options), deliver_(deliver)
    {
    }

    void processSet(const PhotoSet& set)
    {
        std::vector<fs::path> staying;
        std::vector<Shot> shots = groupShots(
            set,
            [&](const fs::path& source) {
                auto date = usableMemberDate(folders_.at(source), options_);
                bool isFolder = false;
                if (!date && manager_.fileExists(source, isFolder) && !isFolder)
                    add(source, PreviewRow::Fate::NoDate);
                return date;
            },
            &staying);
        for (Shot& shot : shots)
            name(shot);
        for (const fs::path& companion : staying)
            add(companion, PreviewRow::Fate::Stays).companion = true;
        flush(false);
    }

    void flush(bool done)
    {
        const auto now = std::chrono::steady_clock::now();
        if (!done && (chunk_.empty() || (now - lastDelivery_ < std::chrono::milliseconds(100) && chunk_.size() < 4096)))
            return;
        lastDelivery_ = now;
        deliver_(std::move(chunk_), done);
        chunk_.clear();
    }

private:
    PreviewRow& add(const fs::path& source, PreviewRow::Fate fate)
    {
        const fs::path folder = source.parent_path();
        if (!folder_ || *folder_ != folder.native())
            folder_ = std::make_shared<const std::string>(folder.native());
        PreviewRow& row = chunk_.emplace_back();
        row.folder = folder_;
        row.name = source.filename().native();
        row.fate = fate;
        row.digitized = options_.digitized();
        ++rows_;
        return row;
    }

    // As ShotPlacer::place names it, with the names taken and freed by the files before it.
    void name(Shot& shot)
    {
        std::vector<ShotFile> files;
        for (const ShotItem& item : shot.items)
            files.push_back({item.source, item.companion});
        const std::vector<std::string> targets =
            nameShot(files, shot.date, options_, [&](const std::string& name, size_t i) {
                const uint64_t key = hash(name);
                if (claimed_.contains(key))
                    return true;
                return !vacated_.contains(key) && manager_.fileExists(name) &&
                       !manager_.isSameFile(shot.items[i].source, name);
            });
        bool tooLong = false;
        for (const std::string& target : targets)
            tooLong = tooLong || fs::path(target).filename().native().size() > NAME_MAX;
        const uint32_t first = rows_;
        for (size_t i = 0; i < shot.items.size(); ++i) {
            const ShotItem& item = shot.items[i];
            using Fate = PreviewRow::Fate;
            const Fate fate = tooLong ? (item.companion ? Fate::Stays : Fate::NameTooLong)
                              : i > 0 ? Fate::Follows
                              : targets[i] == item.source.native() ? Fate::Keeps
                                                                   : Fate::Renamed;
            PreviewRow& row = add(item.source, fate);
            row.companion = item.companion;
            row.date = shot.date;
            if (item.identity)
                row.identity = *item.identity;
            if (i > 0)
                row.follows = first + static_cast<uint32_t>(item.owner.value_or(0));
            row.target = targets[i].substr(row.folder->size() + 1);
            if (tooLong || targets[i] == item.source.native())
                continue;
            claimed_.insert(hash(targets[i]));
            if (!options_.copy)
                vacated_.insert(hash(item.source.native()));
        }
    }

    static uint64_t hash(const std::string& name) { return std::hash<std::string>{}(name); }

    OptionSnapshot options_;
    const std::function<void(std::vector<PreviewRow>&&, bool)>& deliver_;
    OpenFolders folders_;
    FileManager manager_;
    // Names by hash: a file placed at its turn takes one, a file moved away frees one.
    std::unordered_set<uint64_t> claimed_, vacated_;
    std::shared_ptr<const std::string> folder_;
    std::vector<PreviewRow> chunk_;
    uint32_t rows_ = 0;
    std::chrono::steady_clock::time_point lastDelivery_ = std::chrono::steady_clock::now();
};

} // namespace

PreviewPlan::PreviewPlan(const OptionSnapshot& options, std::vector<PreviewRow> rows)
    : options_(options), rows_(std::move(rows))
{
    index_.reserve(rows_.size());
    for (uint32_t i = 0; i < rows_.size(); ++i)
        index_.emplace(rows_[i].source(), i);
}

const PreviewRow* PreviewPlan::find(const std::string& path) const
{
    const auto it = index_.find(path);
    return it == index_.end() ? nullptr : &rows_[it->second];
}

void previewBatch(const std::vector<fs::path>& batchList, const OptionSnapshot& options, bool keepSetsTogether,
                  std::stop_token stop, const std::function<void(std::vector<PreviewRow>&&, bool)>& deliver)
{
    Previewer previewer(options, deliver);
    NoSink sink;
    walkBatch(batchList, [&](const PhotoSet& set) { previewer.processSet(set); }, sink, stop, keepSetsTogether);
    if (!stop.stop_requested())
        previewer.flush(true);
}

} // namespace velmora
