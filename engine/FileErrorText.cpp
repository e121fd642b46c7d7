// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/FileErrorText.h"

#include <QCoreApplication>
#include <QString>

#include <cstring>

namespace velmora {
namespace {

QString displayName(const std::filesystem::path& path)
{
    return QString::fromLocal8Bit(path.filename().native());
}

} // namespace

std::string userText(const FileError& error)
{
    // The context stays "FileManager": the translations are stored under it.
    if (error.folderMissing) {
        const QString text =
            error.copy ? QCoreApplication::translate(
                             "FileManager", "The photo “%1” could not be copied to “%2”: there is no folder “%3”.")
                       : QCoreApplication::translate(
                             "FileManager", "The photo “%1” could not be moved to “%2”: there is no folder “%3”.");
        return text
            .arg(displayName(error.source), displayName(error.target),
                 QString::fromLocal8Bit(error.target.parent_path().native()))
            .toStdString();
    }
    const QString reason = QString::fromLocal8Bit(std::strerror(error.code == FileError::kAlreadyExists ? EEXIST : error.code));
    const QString text =
        error.copy ? QCoreApplication::translate("FileManager", "The photo “%1” could not be copied to “%2”: %3.")
                   : QCoreApplication::translate("FileManager", "The photo “%1” could not be moved to “%2”: %3.");
    return text.arg(displayName(error.source), displayName(error.target), reason).toStdString();
}

} // namespace velmora
