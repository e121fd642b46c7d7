// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/ProcessSupport.h"

#include "settings/Settings.h"

#include <cstdlib>
#include <string_view>
#include <thread>

namespace fs = std::filesystem;
using namespace velmora;
using namespace velmora::test;

namespace {

// Every store access runs in a child process of its own (QSettings takes the folder once per process), pointed at
// `config`: what a test reads back is what survived the end of a process.
class SettingsStore : public ::testing::Test {
protected:
    fs::path file() const { return config.path() / "Velmora" / "Velmora.conf"; }

    std::string inChild(const std::function<std::string()>& body)
    {
        return runInChild(
            [&] {
                ::setenv("XDG_CONFIG_HOME", config.path().c_str(), 1);
                return body();
            },
            false);
    }
    void write(const std::function<void()>& body)
    {
        EXPECT_EQ(inChild([&] { return body(), std::string("written"); }), "written");
    }
    // Every key as the application reads it: "key=1", "key=~0" for an absent
    // checkbox key (with `presence`), and the text in brackets or "none".
    std::string dump(bool presence = true)
    {
        return inChild([presence] {
            std::string all;
            for (const auto key :
                 {settings::suffix, settings::prefix, settings::rename, settings::fixTime, settings::changeExifInPhoto})
                all += std::string(key.name) + "=" + (presence && !settings::contains(key) ? "~" : "") +
                       (settings::read(key) ? "1 " : "0 ");
            for (const auto key : {settings::timezones, settings::selectedDateOptionCell})
                all += std::string(key.name) + "=" + std::to_string(settings::read(key)) + " ";
            const auto text = settings::read(settings::textToPrefix);
            return all + "text_to_prefix=" + (text ? "[" + text->toStdString() + "]" : "none");
        });
    }

    TempDir config;
};

TEST_F(SettingsStore, EveryKeySurvivesTheEndOfTheProcess)
{
    // The worker reads "change_exif_in_photo" for every photo while the GUI thread writes other keys.
    EXPECT_EQ(inChild([] {
                  settings::write(settings::changeExifInPhoto, true);
                  int wrong = 0;
                  std::thread worker([&wrong] {
                      for (int i = 0; i < 1000; ++i)
                          wrong += !settings::read(settings::changeExifInPhoto);
                  });
                  for (int i = 0; i < 40; ++i) {
                      settings::write(settings::suffix, i % 2 == 0);
                      settings::write(settings::timezones, i);
                      settings::write(settings::textToPrefix, QString::number(i));
                  }
                  worker.join();
                  return std::to_string(wrong);
              }),
              "0");
    EXPECT_EQ(dump(), "suffix=0 prefix=~0 rename=~0 fixTime=~0 change_exif_in_photo=1 timezones=39 "
                      "selected_date_option_cell=0 text_to_prefix=[39]");
    write([] {
        settings::write(settings::suffix, true);
        settings::write(settings::prefix, Qt::PartiallyChecked); // a mixed checkbox is stored as YES
        settings::write(settings::rename, Qt::Unchecked);
        settings::write(settings::timezones, 17);
        settings::write(settings::textToPrefix, QStringLiteral("Trip_"));
        settings::write(settings::fixTime, Qt::Checked);
        settings::write(settings::selectedDateOptionCell, 1);
        settings::write(settings::changeExifInPhoto, false);
    });
    EXPECT_EQ(dump(), "suffix=1 prefix=1 rename=0 fixTime=1 change_exif_in_photo=0 timezones=17 "
                      "selected_date_option_cell=1 text_to_prefix=[Trip_]");

    // The file a user would look for, with booleans as true/false and plain numbers.
    const std::string text = readFile(file());
    for (const char* line : {"suffix=true", "rename=false", "fixTime=true", "timezones=17",
                             "selected_date_option_cell=1", "change_exif_in_photo=false", "text_to_prefix=Trip_"})
        EXPECT_NE(text.find(line), std::string::npos) << line << " missing in\n" << text;
    // Values written together: the file replaced once, and not at all when it holds them already
    // (the options are saved as every batch starts, and each replacement is flushed).
    const auto inode = [&] { return fs::exists(file()) ? statOf(file()).st_ino : 0; };
    const auto before = inode();
    write([] { settings::write(settings::Writes().set(settings::suffix, true).set(settings::timezones, 17)); });
    EXPECT_EQ(inode(), before);
    write([] { settings::write(settings::Writes().set(settings::suffix, false).set(settings::timezones, 18)); });
    EXPECT_NE(inode(), before);
    EXPECT_TRUE(dump().starts_with("suffix=0 ")) << dump();

    // The prefix text survives the INI file whatever it holds; an empty one stays present.
    for (const char* prefix : {"", "Trip, Rome", "\"quoted\" and 'single'", "back\\slash", "  spaces  ", "@Variant(x)",
                             "semi;colon=eq#hash [x]", "Ünïcødé €", "line\nbreak\ttab"}) {
        write([prefix] { settings::write(settings::textToPrefix, QString::fromUtf8(prefix)); });
        EXPECT_TRUE(dump().ends_with(" text_to_prefix=[" + std::string(prefix) + "]")) << "[" << prefix << "]";
    }
}

// Absent keys, and the wrong types of a hand-edited or damaged file, read as
// the absent key's results; the store stays usable.
TEST_F(SettingsStore, AbsentOrDamagedValuesReadAsAbsent)
{
    using namespace std::string_view_literals;
    const struct {
        const char* name;
        std::string_view content;
        bool textIsWrongType;          // else the file's damage makes some text of it
        bool organisationWide = false; // in the file beside ours, which must not answer for our keys
    } damages[] = {
        {"absent", "[General]\nsuffix=true\ntimezones=4\ntext_to_prefix=x\n", true, true},
        {"wrong types",
         "[General]\nsuffix=banana\nprefix=2\nrename=@Rect(1 2 3 4)\ntimezones=abc\nselected_date_option_cell=1.5\n"
         "text_to_prefix=a, b\nfixTime=\nchange_exif_in_photo=@ByteArray(true)\n",
         true},
        {"garbage", "\x01\x02\xff\xfe[[[\n=\n==\nsuffix\n[General\n\x00\x00timezones=\xff\n"sv, true},
        {"unterminated quote", "[General]\ntext_to_prefix=\"never closed\nsuffix=true\ntimezones=3\n"sv, false},
        {"bad variant",
         "[General]\ntimezones=@Variant(\\0\\0\\0\\x7f\\0\\0\\0\\nQByteArray)\n"
         "text_to_prefix=@Variant(\\0\\0\\0\\n\\xff\\xff\\xff\\xff)\n"sv,
         false},
        {"no group, overflow", "timezones=99999999999999999999999\nselected_date_option_cell=-\n"sv, true},
    };
    const std::string absent = "suffix=0 prefix=0 rename=0 fixTime=0 change_exif_in_photo=0 timezones=0 "
                               "selected_date_option_cell=0 text_to_prefix=";
    for (const auto& damage : damages) {
        SCOPED_TRACE(damage.name);
        const fs::path target = damage.organisationWide ? config.path() / "Velmora.conf" : file();
        fs::create_directories(target.parent_path());
        writeFile(target, std::string(damage.content));
        const std::string read = dump(false);
        EXPECT_EQ(damage.textIsWrongType ? read : read.substr(0, absent.size()),
                  damage.textIsWrongType ? absent + "none" : absent);
        if (damage.organisationWide) {
            EXPECT_TRUE(dump().starts_with("suffix=~0 prefix=~0 rename=~0 fixTime=~0 change_exif_in_photo=~0 "));
            EXPECT_FALSE(fs::exists(file())) << "reading must not create the file";
        }

        write([] {
            settings::write(settings::suffix, true);
            settings::write(settings::timezones, 5);
            settings::write(settings::textToPrefix, QStringLiteral("again"));
        });
        const std::string repaired = dump();
        EXPECT_TRUE(repaired.starts_with("suffix=1 ")) << repaired;
        EXPECT_NE(repaired.find(" timezones=5 "), std::string::npos) << repaired;
        EXPECT_TRUE(repaired.ends_with(" text_to_prefix=[again]")) << repaired;
    }
}

} // namespace
