// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/DeviceReach.h"

#include <cerrno>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/stat.h>

namespace fs = std::filesystem;

namespace velmora {
namespace {

// mountinfo writes space, tab, newline and backslash as \ooo.
std::string unescapeOctal(const std::string& text)
{
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 3 < text.size()) {
            out += static_cast<char>(std::stoi(text.substr(i + 1, 3), nullptr, 8));
            i += 3;
        } else {
            out += text[i];
        }
    }
    return out;
}

} // namespace

bool liesOn(const std::string& mountPoint, const std::string& path)
{
    return mountPoint == "/" || path == mountPoint ||
           (path.starts_with(mountPoint) && path[mountPoint.size()] == '/');
}

bool isGoneDeviceError(int code)
{
    return code == EIO || code == ENODEV || code == ENOTCONN || code == ESTALE;
}

int reachError(const fs::path& path)
{
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 ? 0 : errno;
}

fs::path mountPointOf(const fs::path& path)
{
    const std::string text = path.is_absolute() ? path.native() : (fs::current_path() / path).native();
    std::ifstream mounts("/proc/self/mountinfo");
    std::string line, best = "/";
    while (std::getline(mounts, line)) {
        std::istringstream fields(line);
        std::string id, parent, device, root, mountPoint;
        if (fields >> id >> parent >> device >> root >> mountPoint) {
            mountPoint = unescapeOctal(mountPoint);
            if (liesOn(mountPoint, text) && mountPoint.size() > best.size())
                best = mountPoint;
        }
    }
    return best;
}

} // namespace velmora
