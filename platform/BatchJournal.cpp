// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/BatchJournal.h"

#include "platform/PatchJournal.h"
#include "platform/SystemLog.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace std::chrono;

namespace velmora {
namespace {

// Lines are written in groups of a few hundred (or what a tenth of a second
// brought); the flush to the disk, which costs milliseconds, once a second.
constexpr size_t kGroupBytes = 64 * 1024;
constexpr auto kWriteTime = milliseconds(100);
constexpr auto kSyncTime = milliseconds(1000);
constexpr const char* kUndoSuffix = ".undo.jsonl";

fs::path batchFolder()
{
    return stateFolder() / "batches";
}

fs::path batchFile(const std::string& id)
{
    return batchFolder() / (id + ".jsonl");
}

fs::path undoFile(const std::string& id)
{
    return batchFolder() / (id + kUndoSuffix);
}

// A JSON string of the bytes: every byte outside printable ASCII as \u00XX,
// so any path, UTF-8 or not, comes back byte for byte.
void appendString(std::string& out, std::string_view bytes)
{
    static constexpr char hex[] = "0123456789abcdef";
    out += '"';
    for (const char c : bytes) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || u >= 0x7f) {
            out += "\\u00";
            out += hex[u >> 4];
            out += hex[u & 15];
        } else {
            if (c == '"' || c == '\\')
                out += '\\';
            out += c;
        }
    }
    out += '"';
}

// Builds one flat JSON object.
class Line {
public:
    explicit Line(const char* type)
    {
        text_.reserve(256);
        text_ += "{\"t\":\"";
        text_ += type;
        text_ += '"';
    }
    Line& str(std::string_view key, std::string_view value)
    {
        appendKey(key);
        appendString(text_, value);
        return *this;
    }
    Line& num(std::string_view key, int64_t value)
    {
        appendKey(key);
        char digits[24];
        text_.append(digits, std::to_chars(digits, digits + sizeof digits, value).ptr);
        return *this;
    }
    std::string done()
    {
        text_ += "}\n";
        return std::move(text_);
    }

private:
    void appendKey(std::string_view key)
    {
        text_ += ",\"";
        text_ += key;
        text_ += "\":";
    }
    std::string text_;
};

// One flat JSON object as we write them: keys to strings or bare numbers.
// Empty when the line is not such an object (a torn last line).
using Fields = std::vector<std::pair<std::string, std::string>>;

bool parseLine(std::string_view line, Fields& fields)
{
    fields.clear();
    size_t at = 0;
    auto readString = [&](std::string& out) {
        if (at >= line.size() || line[at] != '"')
            return false;
        for (++at; at < line.size(); ++at) {
            char c = line[at];
            if (c == '"') {
                ++at;
                return true;
            }
            if (c == '\\') {
                if (++at >= line.size())
                    return false;
                c = line[at];
                if (c == 'u') {
                    unsigned value = 0;
                    if (at + 4 >= line.size() ||
                        std::from_chars(line.data() + at + 1, line.data() + at + 5, value, 16).ptr !=
                            line.data() + at + 5 ||
                        value > 0xff)
                        return false;
                    c = static_cast<char>(value);
                    at += 4;
                }
            }
            out += c;
        }
        return false;
    };
    if (line.empty() || line[0] != '{' || line.back() != '}')
        return false;
    at = 1;
    while (at < line.size() && line[at] != '}') {
        std::string key, value;
        if (!readString(key) || at >= line.size() || line[at++] != ':')
            return false;
        if (at < line.size() && line[at] == '"') {
            if (!readString(value))
                return false;
        } else {
            const size_t end = line.find_first_of(",}", at);
            if (end == std::string_view::npos)
                return false;
            value = line.substr(at, end - at);
            at = end;
        }
        fields.emplace_back(std::move(key), std::move(value));
        if (at < line.size() && line[at] == ',')
            ++at;
    }
    return at + 1 == line.size();
}

const std::string& field(const Fields& fields, std::string_view key)
{
    static const std::string none;
    for (const auto& [k, v] : fields)
        if (k == key)
            return v;
    return none;
}

int64_t number(const Fields& fields, std::string_view key)
{
    const std::string& text = field(fields, key);
    int64_t value = 0;
    std::from_chars(text.data(), text.data() + text.size(), value);
    return value;
}

// Calls `each` with every whole, well-formed line of the file.
template <typename Each> void forEachLine(const fs::path& file, Each each)
{
    std::ifstream in(file, std::ios::binary);
    std::string line;
    Fields fields;
    while (std::getline(in, line)) {
        if (in.eof()) // no newline: torn by a crash
            break;
        if (parseLine(line, fields))
            each(fields);
    }
}

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
        return "failed";
    }
    return "failed";
}

JournalPhoto photoFrom(const Fields& f)
{
    JournalPhoto p;
    const std::string& kind = field(f, "kind");
    PhotoOutcome& o = p.outcome;
    o.kind = kind == "nodate"     ? PhotoOutcome::Kind::NoDate
             : kind == "notfound" ? PhotoOutcome::Kind::NotFound
             : kind == "failed"   ? PhotoOutcome::Kind::Failed
                                  : PhotoOutcome::Kind::Placed;
    o.copied = kind == "copied";
    o.source = field(f, "from");
    o.target = field(f, "to");
    o.digitized = field(f, "field") == "DateTimeDigitized";
    o.oldDate = field(f, "old");
    o.newDate = field(f, "new");
    o.error = field(f, "error");
    if (!field(f, "ino").empty())
        p.placed = FileIdentity{static_cast<uint64_t>(number(f, "dev")), static_cast<uint64_t>(number(f, "ino")),
                                number(f, "size"), number(f, "mtime")};
    return p;
}

UniqueFd openForAppend(const fs::path& file, int extraFlags)
{
    std::error_code ec;
    fs::create_directories(file.parent_path(), ec);
    UniqueFd fd(::open(file.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NOFOLLOW | extraFlags, 0600));
    if (fd.get() < 0)
        SystemLog::write("*** The history cannot be written to " + file.native() + ": " + std::strerror(errno) +
                         " ***");
    return fd;
}

} // namespace

std::optional<FileIdentity> fileIdentity(const fs::path& path)
{
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return std::nullopt;
    return FileIdentity{st.st_dev, st.st_ino, st.st_size, st.st_mtim.tv_sec * 1'000'000'000LL + st.st_mtim.tv_nsec};
}

void JournalFile::append(const std::string& line)
{
    buffer_ += line;
    const auto now = steady_clock::now();
    if (buffer_.size() >= kGroupBytes || now - lastWrite_ >= kWriteTime)
        writeOut();
    if (now - lastSync_ >= kSyncTime)
        sync();
}

void JournalFile::writeOut()
{
    for (size_t done = 0; done < buffer_.size();) {
        const ssize_t n = ::write(fd_.get(), buffer_.data() + done, buffer_.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break; // a full disk: the history misses lines, the photos are not at stake
        done += static_cast<size_t>(n);
        written_ = true;
    }
    buffer_.clear();
    lastWrite_ = steady_clock::now();
}

void JournalFile::sync()
{
    writeOut();
    if (written_)
        ::fdatasync(fd_.get());
    written_ = false;
    lastSync_ = steady_clock::now();
}

std::unique_ptr<BatchJournal> BatchJournal::begin(const Options& options, const std::vector<fs::path>& paths)
{
    const int64_t started = duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
    // Named by start time, so names sort by age; overlapping batches get their own.
    for (int n = 0; n < 100; ++n) {
        std::string id = std::to_string(started) + "-" + std::to_string(::getpid());
        if (n > 0)
            id += "-" + std::to_string(n);
        UniqueFd fd = openForAppend(batchFile(id), O_EXCL);
        if (fd.get() < 0 && errno == EEXIST)
            continue;
        if (fd.get() < 0)
            return nullptr;
        std::unique_ptr<BatchJournal> journal(new BatchJournal(id, std::move(fd)));
        Line header("batch");
        header.num("started", started);
        for (const auto& [key, value] : options)
            header.str("o." + key, value);
        journal->file_.append(header.done());
        for (const fs::path& path : paths)
            journal->file_.append(Line("open").str("path", path.native()).done());
        journal->file_.sync();
        pruneBatches();
        return journal;
    }
    return nullptr;
}

BatchJournal::~BatchJournal()
{
    if (!finished_)
        finish();
}

void BatchJournal::record(const PhotoOutcome& o)
{
    Line line("photo");
    line.str("kind", kindName(o)).str("from", o.source.native());
    if (o.kind == PhotoOutcome::Kind::Placed) {
        line.str("to", o.target.native());
        if (const auto id = fileIdentity(o.target))
            line.num("dev", static_cast<int64_t>(id->dev))
                .num("ino", static_cast<int64_t>(id->ino))
                .num("size", id->size)
                .num("mtime", id->mtimeNs);
        if (!o.newDate.empty())
            line.str("field", o.digitized ? "DateTimeDigitized" : "DateTimeOriginal")
                .str("old", o.oldDate)
                .str("new", o.newDate);
        if (o.target != o.source)
            ++renamed_;
    }
    if (o.kind == PhotoOutcome::Kind::NoDate)
        ++withoutDate_;
    if (!o.error.empty()) {
        line.str("error", o.error);
        ++failed_;
    }
    file_.append(line.done());
}

void BatchJournal::sync()
{
    file_.sync();
}

void BatchJournal::finish()
{
    finished_ = true;
    file_.append(Line("end")
                     .num("renamed", static_cast<int64_t>(renamed_))
                     .num("nodate", static_cast<int64_t>(withoutDate_))
                     .num("failed", static_cast<int64_t>(failed_))
                     .done());
    file_.sync();
}

std::unique_ptr<UndoJournal> UndoJournal::begin(const std::string& batchId)
{
    UniqueFd fd = openForAppend(undoFile(batchId), 0);
    if (fd.get() < 0)
        return nullptr;
    std::unique_ptr<UndoJournal> journal(new UndoJournal(std::move(fd)));
    journal->file_.append(
        Line("undo")
            .num("started", duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count())
            .done());
    journal->file_.sync();
    return journal;
}

UndoJournal::~UndoJournal()
{
    // An undo stopped part way ends without its end line: it shows as partly done.
    file_.sync();
}

void UndoJournal::record(size_t index, bool undone, const std::string& reason)
{
    Line line(undone ? "undone" : "kept");
    line.num("i", static_cast<int64_t>(index));
    if (!undone) {
        line.str("reason", reason);
        ++kept_;
    }
    file_.append(line.done());
}

void UndoJournal::finish()
{
    file_.append(Line("end").num("kept", static_cast<int64_t>(kept_)).done());
    file_.sync();
}

std::vector<JournalPhoto> readBatch(const std::string& id)
{
    std::vector<JournalPhoto> photos;
    forEachLine(batchFile(id), [&](const Fields& f) {
        if (field(f, "t") == "photo")
            photos.push_back(photoFrom(f));
    });
    return photos;
}

BatchJournal::Options readBatchHeader(const std::string& id, std::vector<fs::path>* paths)
{
    BatchJournal::Options options;
    forEachLine(batchFile(id), [&](const Fields& f) {
        const std::string& type = field(f, "t");
        if (type == "batch") {
            for (const auto& [key, value] : f)
                if (key.starts_with("o."))
                    options.emplace_back(key.substr(2), value);
        } else if (type == "open" && paths) {
            paths->push_back(field(f, "path"));
        }
    });
    return options;
}

std::vector<std::optional<UndoRecord>> readUndo(const std::string& id, size_t photos)
{
    std::vector<std::optional<UndoRecord>> result(photos);
    forEachLine(undoFile(id), [&](const Fields& f) {
        const std::string& type = field(f, "t");
        const auto i = static_cast<size_t>(number(f, "i"));
        if ((type == "undone" || type == "kept") && i < photos)
            result[i] = UndoRecord{type == "undone", field(f, "reason")};
    });
    return result;
}

namespace {

// The last whole line of a file, read from its end.
std::string lastLine(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary | std::ios::ate);
    const auto size = static_cast<int64_t>(in.tellg());
    if (size <= 0)
        return {};
    const int64_t from = std::max<int64_t>(0, size - 4096);
    std::string tail(static_cast<size_t>(size - from), '\0');
    in.seekg(from);
    in.read(tail.data(), static_cast<std::streamsize>(tail.size()));
    if (tail.back() != '\n')
        return {};
    tail.pop_back();
    return tail.substr(tail.rfind('\n') + 1);
}

std::vector<std::string> batchIds()
{
    std::vector<std::string> ids;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(batchFolder(), ec)) {
        const std::string name = entry.path().filename().native();
        if (name.ends_with(".jsonl") && !name.ends_with(kUndoSuffix))
            ids.push_back(name.substr(0, name.size() - 6));
    }
    // Newest first: ids begin with the start time in milliseconds.
    std::sort(ids.begin(), ids.end(), [](const std::string& a, const std::string& b) {
        return std::make_pair(a.size(), a) > std::make_pair(b.size(), b);
    });
    return ids;
}

int64_t startOf(const std::string& id)
{
    int64_t started = 0;
    std::from_chars(id.data(), id.data() + id.size(), started);
    return started;
}

} // namespace

std::vector<BatchSummary> listBatches()
{
    std::vector<BatchSummary> batches;
    Fields f;
    for (const std::string& id : batchIds()) {
        BatchSummary b{.id = id, .startedMs = startOf(id)};
        if (parseLine(lastLine(batchFile(id)), f) && field(f, "t") == "end") {
            b.finished = true;
            b.renamed = static_cast<size_t>(number(f, "renamed"));
            b.withoutDate = static_cast<size_t>(number(f, "nodate"));
            b.failed = static_cast<size_t>(number(f, "failed"));
        } else {
            // Cut short by a crash: counted from its lines.
            for (const JournalPhoto& p : readBatch(id)) {
                b.renamed += p.outcome.kind == PhotoOutcome::Kind::Placed && p.outcome.target != p.outcome.source;
                b.withoutDate += p.outcome.kind == PhotoOutcome::Kind::NoDate;
                b.failed += !p.outcome.error.empty();
            }
        }
        if (fs::exists(undoFile(id)))
            b.undo = parseLine(lastLine(undoFile(id)), f) && field(f, "t") == "end" && number(f, "kept") == 0
                         ? BatchSummary::Undo::Done
                         : BatchSummary::Undo::Partly;
        batches.push_back(std::move(b));
    }
    return batches;
}

void pruneBatches(size_t keep, int maxAgeDays)
{
    const int64_t now = duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
    const int64_t oldest = now - int64_t{maxAgeDays} * 24 * 3600 * 1000;
    const std::vector<std::string> ids = batchIds();
    for (size_t i = 0; i < ids.size(); ++i) {
        if (i < keep && startOf(ids[i]) >= oldest)
            continue;
        std::error_code ec;
        fs::remove(undoFile(ids[i]), ec);
        fs::remove(batchFile(ids[i]), ec);
    }
}

} // namespace velmora
