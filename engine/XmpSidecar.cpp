// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/XmpSidecar.h"

#include "engine/DateText.h"
#include "files/PosixIo.h"
#include "files/SystemLog.h"
#include "writeback/AtomicReplace.h"

#include <QString>
#include <QXmlStreamReader>

#include <cerrno>
#include <fcntl.h>

namespace velmora {
namespace {

struct Property {
    const char* ns;
    const char* local;
    const char* name;
};
constexpr Property kDates[] = {
    {"http://ns.adobe.com/exif/1.0/", "DateTimeOriginal", "exif:DateTimeOriginal"},
    {"http://ns.adobe.com/xap/1.0/", "CreateDate", "xmp:CreateDate"},
    {"http://ns.adobe.com/xap/1.0/", "ModifyDate", "xmp:ModifyDate"},
    {"http://ns.adobe.com/photoshop/1.0/", "DateCreated", "photoshop:DateCreated"},
};

const char* dateProperty(QStringView ns, QStringView local)
{
    for (const Property& p : kDates)
        if (ns == QLatin1String(p.ns) && local == QLatin1String(p.local))
            return p.name;
    return nullptr;
}

// A value found in the text: where its characters lie.
struct Found {
    const char* property;
    qsizetype at, length;
};

// The date values of the XMP text, in order; false when it is not well-formed.
bool findDates(const QString& text, std::vector<Found>& found)
{
    QXmlStreamReader xml(text);
    qsizetype before = 0;
    const char* open = nullptr; // an element of ours whose text comes next
    while (!xml.atEnd()) {
        const QXmlStreamReader::TokenType token = xml.readNext();
        const qsizetype after = xml.characterOffset();
        if (token == QXmlStreamReader::StartElement) {
            open = dateProperty(xml.namespaceUri(), xml.name());
            // Attributes: their raw text within the tag, each value as stored (a date needs no entity).
            const QStringView tag = QStringView(text).mid(before, after - before);
            for (const QXmlStreamAttribute& a : xml.attributes()) {
                const char* name = dateProperty(a.namespaceUri(), a.name());
                if (!name)
                    continue;
                for (const QChar quote : {u'"', u'\''}) {
                    const QString raw = quote + a.value().toString() + quote;
                    for (qsizetype i = tag.indexOf(a.qualifiedName()); i >= 0;
                         i = tag.indexOf(a.qualifiedName(), i + 1)) {
                        if (i == 0 || !tag[i - 1].isSpace())
                            continue;
                        qsizetype j = i + a.qualifiedName().size();
                        while (j < tag.size() && tag[j].isSpace())
                            ++j;
                        if (j >= tag.size() || tag[j] != u'=')
                            continue;
                        for (++j; j < tag.size() && tag[j].isSpace(); ++j) {
                        }
                        if (tag.mid(j).startsWith(raw)) {
                            found.push_back({name, before + j + 1, a.value().size()});
                            break;
                        }
                    }
                }
            }
        } else if (token == QXmlStreamReader::Characters && open && !xml.isWhitespace()) {
            // The reader may have looked past the text: it starts the raw characters, after white space.
            const QStringView raw = QStringView(text).mid(before, after - before);
            const QString value = xml.text().trimmed().toString();
            const qsizetype lead = raw.indexOf(value);
            if (lead >= 0 && raw.left(lead).trimmed().isEmpty())
                found.push_back({open, before + lead, value.size()});
            open = nullptr;
        } else if (token != QXmlStreamReader::Comment) {
            open = nullptr;
        }
        before = after;
    }
    return !xml.hasError();
}

} // namespace

bool editSidecarDates(const FileAt& sidecar, const SidecarEdit& edit, std::vector<SidecarDate>& changes)
{
    changes.clear();
    const auto failed = [&](const std::string& why) {
        SystemLog::write("*** The XMP sidecar " + sidecar.path.native() + " was not written: " + why + " ***");
        changes.clear();
        return false;
    };
    // Relative to its folder, where its temporary file goes too.
    UniqueFd ownDir;
    int dir = sidecar.dir;
    std::string name = sidecar.name;
    if (dir == AT_FDCWD) {
        const std::filesystem::path& path = sidecar.path;
        ownDir.reset(
            ::open(path.has_parent_path() ? path.parent_path().c_str() : ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (ownDir.get() < 0)
            return failed(errnoText("open folder", errno));
        dir = ownDir.get();
        name = path.filename().native();
    }
    struct stat st {};
    int error = 0;
    const UniqueFd file = openRegularFile(dir, name.c_str(), O_RDONLY | O_NOFOLLOW, st, error);
    if (error != 0)
        return failed(errnoText("open", error));
    std::string bytes(static_cast<size_t>(st.st_size), '\0');
    if (const int err = preadFull(file.get(), bytes.data(), bytes.size(), 0); err != 0)
        return failed(errnoText("read", err));
    QString text = QString::fromUtf8(bytes);
    std::vector<Found> found;
    if (text.toUtf8().toStdString() != bytes || !findDates(text, found)) {
        SystemLog::write("The XMP sidecar " + sidecar.path.native() + " is left as it is: not well-formed XML");
        return true;
    }
    // From the end, so that the places of those before stay.
    for (auto it = found.rbegin(); it != found.rend(); ++it) {
        const std::string old = text.mid(it->at, it->length).toStdString();
        if (const std::optional<std::string> value = edit(it->property, old); value && *value != old) {
            text.replace(it->at, it->length, QString::fromStdString(*value));
            changes.insert(changes.begin(), {it->property, old, *value});
        }
    }
    if (changes.empty())
        return true;
    const QByteArray out = text.toUtf8();
    if (const int err =
            replaceAtomically(dir, name, file.get(), st, st,
                              {reinterpret_cast<const unsigned char*>(out.data()), size_t(out.size())}, false);
        err != 0)
        return failed(errnoText("write", err));
    return true;
}

std::optional<std::string> shiftXmpDate(std::string_view value, long long seconds)
{
    const auto digits = [&](size_t at, size_t n) {
        if (value.size() < at + n)
            return false;
        for (size_t i = at; i < at + n; ++i)
            if (value[i] < '0' || value[i] > '9')
                return false;
        return true;
    };
    if (!digits(0, 4) || value.size() < 10 || value[4] != '-' || !digits(5, 2) || value[7] != '-' || !digits(8, 2))
        return std::nullopt;
    const std::string date =
        std::string(value.substr(0, 4)) + ':' + std::string(value.substr(5, 2)) + ':' + std::string(value.substr(8, 2));
    if (value.size() == 10) {
        const auto moved = shiftCaptureDate(date + " 12:00:00", 0, seconds / 86400 * 86400);
        if (!moved)
            return std::nullopt;
        return moved->substr(0, 4) + '-' + moved->substr(5, 2) + '-' + moved->substr(8, 2);
    }
    if (value[10] != 'T' || !digits(11, 2) || value.size() < 16 || value[13] != ':' || !digits(14, 2))
        return std::nullopt;
    size_t end = 16; // minutes only
    std::string time = std::string(value.substr(11, 5)) + ":00";
    if (value.size() > 16 && value[16] == ':') {
        if (!digits(17, 2))
            return std::nullopt;
        time = std::string(value.substr(11, 8));
        end = 19;
        if (value.size() > 19 && value[19] == '.') {
            for (end = 20; digits(end, 1); ++end) {
            }
            if (end == 20)
                return std::nullopt;
        }
    }
    const std::string_view zone = value.substr(end);
    const bool zoneOk = zone.empty() || zone == "Z" ||
                        (zone.size() == 6 && (zone[0] == '+' || zone[0] == '-') && digits(end + 1, 2) &&
                         zone[3] == ':' && digits(end + 4, 2));
    if (!zoneOk)
        return std::nullopt;
    const auto moved = shiftCaptureDate(date + ' ' + time, 0, seconds);
    if (!moved)
        return std::nullopt;
    std::string out = moved->substr(0, 4) + '-' + moved->substr(5, 2) + '-' + moved->substr(8, 2) + 'T' +
                      moved->substr(11, end == 16 ? 5 : 8);
    if (end > 19)
        out += value.substr(19, end - 19);
    return out + std::string(zone);
}

bool isXmpSidecar(const std::string& name)
{
    return name.size() > 4 && (name.ends_with(".xmp") || name.ends_with(".XMP") || name.ends_with(".Xmp"));
}

} // namespace velmora
