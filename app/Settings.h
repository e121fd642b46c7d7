#pragma once

#include <QString>
#include <Qt>

#include <optional>

// The one place that knows the eight keys of the settings store, their types
// and how each is read and written.
namespace velmora::settings {

struct BoolKey {
    const char* name;
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

// Absent key (or a value of the wrong type): false, 0, nullopt.
bool read(BoolKey key);
long long read(IntKey key);
std::optional<QString> read(StringKey key);
bool contains(BoolKey key);

void write(BoolKey key, bool value);
void write(IntKey key, long long value);
void write(StringKey key, const QString& value);
// A checkbox is stored as YES in any state but off; mixed counts as YES.
void write(BoolKey key, Qt::CheckState state);

} // namespace velmora::settings
