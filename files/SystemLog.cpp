// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/SystemLog.h"

#include <cstdio>
#include <mutex>
#include <string>
#include <syslog.h>

namespace velmora {
namespace {

std::mutex& logMutex()
{
    static std::mutex m;
    return m;
}

SystemLog::Observer& observer()
{
    static SystemLog::Observer o;
    return o;
}

} // namespace

void SystemLog::write(std::string_view line)
{
    static std::once_flag opened;
    std::call_once(opened, [] { ::openlog("Velmora", LOG_PID, LOG_USER); });
    const std::string text(line);
    // "%s": a path in the line may hold a per-cent sign.
    ::syslog(LOG_NOTICE, "%s", text.c_str());
    std::lock_guard lock(logMutex());
    std::fprintf(stderr, "Velmora: %s\n", text.c_str());
    if (observer())
        observer()(text);
}

void SystemLog::setObserver(Observer o)
{
    std::lock_guard lock(logMutex());
    observer() = std::move(o);
}

} // namespace velmora
