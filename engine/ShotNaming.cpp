// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/ShotNaming.h"

#include "engine/DateText.h"
#include "files/FileSystemTraits.h"

#include <algorithm>

namespace fs = std::filesystem;

namespace velmora {
namespace {

// "__N" when `name` is `base` + "__N" + `rest` with N as a collision number is
// written (1, 2, ..., no leading zero), "" when it is `base` + `rest`.
std::optional<std::string> collisionNumber(const std::string& name, const std::string& base, const std::string& rest)
{
    if (name.size() < base.size() + rest.size() || !name.starts_with(base) || !name.ends_with(rest))
        return std::nullopt;
    const std::string number = name.substr(base.size(), name.size() - base.size() - rest.size());
    if (number.empty())
        return number;
    const bool digits = number.size() > 2 && number.size() < 22 &&
                        std::all_of(number.begin() + 2, number.end(), [](char c) { return c >= '0' && c <= '9'; });
    return digits && number.starts_with("__") && number[2] != '0' ? std::optional(number) : std::nullopt;
}

} // namespace

std::vector<std::string> nameShot(const std::vector<ShotFile>& files, const std::string& shiftedCaptureDate,
                                  const OptionSnapshot& options,
                                  const std::function<bool(const std::string&, size_t)>& held)
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
            rests.push_back(equalsIgnoringCase(name.substr(0, stem.size()), stem) ? name.substr(stem.size())
                                                                                   : "." + name);
        else
            rests.push_back("." + (item.source.has_extension() ? item.source.extension().native().substr(1) : ""));
    }
    // The name the shot already has, numbered or not, when it is free for
    // every file of it (so a second run moves nothing); else the plain name,
    // else the first number free for all of them. A file's own name is free,
    // in another letter case too where the file system ignores case.
    auto freeForAll = [&](const std::string& number) {
        for (size_t i = 0; i < files.size(); ++i) {
            const std::string target = base + number + rests[i];
            if (target != files[i].source.native() && held(target, i))
                return false;
        }
        return true;
    };
    std::string number;
    if (const auto own = collisionNumber(files.front().source.native(), base, rests.front());
        !own || own->empty() || !freeForAll(*own))
        for (unsigned long long n = 1; !freeForAll(number); ++n)
            number = "__" + std::to_string(n);
    else
        number = *own;
    std::vector<std::string> targets;
    for (size_t i = 0; i < files.size(); ++i)
        targets.push_back(base + number + rests[i]);
    return targets;
}

} // namespace velmora
