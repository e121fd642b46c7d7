// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QVariant>
#include <Qt>

#include <optional>
#include <utility>
#include <vector>

// The per-user settings store and the one place that knows Velmora's stored
// keys, their types, defaults and how each is read and written. The store is QSettings("Velmora", "Velmora"), the INI file
// $XDG_CONFIG_HOME/Velmora/Velmora.conf (~/.config/... when unset). A value of
// the wrong type reads as an absent key, so a hand-edited file cannot crash
// anything; a key reads the same in the process that wrote it and after a
// restart. Every write is on disk when the call returns. Safe from any thread.
namespace velmora::settings {

struct BoolKey {
    const char* name;
    bool absent = false; // what an absent key reads as
};
struct IntKey {
    const char* name;
};
struct StringKey {
    const char* name;
};

inline constexpr BoolKey suffix{"suffix"};
inline constexpr BoolKey prefix{"prefix"};
inline constexpr BoolKey rename{"rename"};
inline constexpr IntKey timezones{"timezones"};
inline constexpr StringKey textToPrefix{"text_to_prefix"};
inline constexpr BoolKey fixTime{"fixTime"};
inline constexpr IntKey selectedDateOptionCell{"selected_date_option_cell"};
inline constexpr BoolKey changeExifInPhoto{"change_exif_in_photo"};
// Sidecars and the files of one shot move together (on until turned off).
inline constexpr BoolKey keepSetsTogether{"keep_sets_together", true};
// MP4, MOV, M4V and 3GP named by their recorded date, like photos.
inline constexpr BoolKey renameVideos{"rename_videos"};
// A batch first shows what it would do, and waits for the user (off until turned on).
inline constexpr BoolKey previewBeforeRenaming{"preview_before_renaming"};
// A photo without the chosen date field is named after the other one.
inline constexpr BoolKey useOtherDateWhenMissing{"use_other_date_when_missing"};
// Seconds added to every capture date: the camera clock's error, negative when it was ahead.
inline constexpr IntKey clockOffsetSeconds{"clock_offset_seconds"};
// The write-back moves every date of the photo and of its XMP sidecar, not only the chosen field.
inline constexpr BoolKey shiftAllDates{"shift_all_dates"};

// Absent key: its default, else false, 0, nullopt; a value of the wrong type: false, 0, nullopt.
bool read(BoolKey key);
long long read(IntKey key);
std::optional<QString> read(StringKey key);
bool contains(BoolKey key);

// Values of several keys, written together: one update of the file, and none
// where it holds each of them already (the options are saved as every batch starts).
class Writes {
public:
    Writes& set(BoolKey key, bool value);
    // A checkbox is stored as YES in any state but off; mixed counts as YES.
    Writes& set(BoolKey key, Qt::CheckState state) { return set(key, state != Qt::Unchecked); }
    Writes& set(IntKey key, long long value);
    Writes& set(StringKey key, const QString& value);

private:
    friend void write(const Writes& values);
    std::vector<std::pair<const char*, QVariant>> values_;
};
void write(const Writes& values);

template <typename Key, typename Value> void write(Key key, const Value& value)
{
    write(Writes().set(key, value));
}

// How many writes this process has made through the functions above, counted
// once each is done: a copy of values read from the store is stale once it grows.
unsigned long long writeCount();

} // namespace velmora::settings
