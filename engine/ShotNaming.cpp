// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/ShotNaming.h"

#include "engine/DateText.h"

namespace fs = std::filesystem;

namespace velmora {
std::vector<std::string> nameShot(const std::vector<ShotFile>& files, const std::string& shiftedCaptureDate,
                                  const OptionSnapshot& options, const FileManager& manager)
{
    // Name base: the photo's own folder, the prefix text as typed (it may name
    // a sub-folder), the date stem and, on request, the old name. The files of
    // a shot share the folder and the old name without extension.
    const fs::path& first = files.front().source;
    const std::string stem = first.stem().native();
    std::string base = first.parent_path().native() + "/";
    if (options.prefix)
        base += options.textToPrefix;
    base += dateStem(shiftedCaptureDate);
    if (options.suffix)
        base += "__" + stem;

    // What follows the base: "." and the extension for a photo (a bare "." when
    // it has none), the rest of its name after the old stem for a companion (".CR2.xmp").
    std::vector<std::string> rests;
    for (const ShotFile& item : files) {
        const std::string name = item.source.filename().native();
        if (item.companion)
            rests.push_back(name.starts_with(stem) ? name.substr(stem.size()) : "." + name);
        else
            rests.push_back("." + (item.source.has_extension() ? item.source.extension().native().substr(1) : ""));
    }
    // The plain name when it is free, or already the file's own, for every
    // file of the shot; else the first number free for all of them.
    auto freeForAll = [&](const std::string& number, bool plain) {
        for (size_t i = 0; i < files.size(); ++i) {
            const std::string target = base + number + rests[i];
            if (!(plain && target == files[i].source.native()) && manager.fileExists(target))
                return false;
        }
        return true;
    };
    std::string number;
    for (unsigned long long n = 1; !freeForAll(number, n == 1); ++n)
        number = "__" + std::to_string(n);
    std::vector<std::string> targets;
    for (size_t i = 0; i < files.size(); ++i)
        targets.push_back(base + number + rests[i]);
    return targets;
}

} // namespace velmora
