// SPDX-License-Identifier: GPL-3.0-or-later
#include "history/PhotoRecord.h"

#include "history/JsonLine.h"

namespace velmora {
namespace {

const char* kindName(const PhotoOutcome& o)
{
    switch (o.kind) {
    case PhotoOutcome::Kind::Placed:
        return o.target == o.source ? "kept" : o.copied ? "copied" : "moved";
    case PhotoOutcome::Kind::NoDate:
        return "nodate";
    case PhotoOutcome::Kind::NotFound:
        return "notfound";
    case PhotoOutcome::Kind::Failed:
        break;
    }
    return "failed";
}

} // namespace

void writePhotoLine(std::string& out, const PhotoOutcome& o, const std::optional<FileIdentity>& placed)
{
    JsonLine line(out, "photo");
    line.str("kind", kindName(o)).str("from", o.source.native());
    if (o.kind == PhotoOutcome::Kind::Placed)
        line.str("to", o.target.native());
    if (placed)
        line.num("dev", static_cast<int64_t>(placed->dev))
            .num("ino", static_cast<int64_t>(placed->ino))
            .num("size", placed->size)
            .num("mtime", placed->mtimeNs);
    if (!o.dateField.empty())
        line.str("named_after", o.dateField);
    if (!o.newDate.empty())
        line.str("field", o.digitized ? "DateTimeDigitized" : "DateTimeOriginal")
            .str("old", o.oldDate)
            .str("new", o.newDate);
    for (const PhotoOutcome::MoreDate& d : o.moreDates)
        line.str("old:" + d.field, d.oldText).str("new:" + d.field, d.newText);
    if (!o.error.empty())
        line.str("error", o.error);
    if (o.unreachable)
        line.str("reason", "unreachable");
    line.end();
}

RecordedPhoto readPhotoLine(const JsonFields& f)
{
    RecordedPhoto p;
    const std::string& kind = f.text("kind");
    PhotoOutcome& o = p.outcome;
    o.kind = kind == "nodate"     ? PhotoOutcome::Kind::NoDate
             : kind == "notfound" ? PhotoOutcome::Kind::NotFound
             : kind == "failed"   ? PhotoOutcome::Kind::Failed
                                  : PhotoOutcome::Kind::Placed;
    o.copied = kind == "copied";
    o.source = f.text("from");
    o.target = f.text("to");
    o.digitized = f.text("field") == "DateTimeDigitized";
    o.dateField = f.text("named_after");
    o.oldDate = f.text("old");
    o.newDate = f.text("new");
    for (const auto& [key, value] : f.all())
        if (key.starts_with("old:"))
            o.moreDates.push_back({key.substr(4), value, f.text("new:" + key.substr(4))});
    o.error = f.text("error");
    o.unreachable = f.text("reason") == "unreachable";
    if (!f.text("ino").empty())
        p.placed = FileIdentity{static_cast<uint64_t>(f.number("dev")), static_cast<uint64_t>(f.number("ino")),
                                f.number("size"), f.number("mtime")};
    return p;
}

} // namespace velmora
