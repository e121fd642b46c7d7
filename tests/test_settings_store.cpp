// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/TestSupport.h"

#include "platform/Settings.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QProcessEnvironment>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <string_view>
#include <thread>

namespace fs = std::filesystem;
using namespace velmora;
using namespace velmora::test;

namespace {

// Each helper run is a fresh process with its own QSettings, pointed at `config`.
class SettingsStore : public ::testing::Test {
protected:
    fs::path file() const { return config.path() / "Velmora" / "Velmora.conf"; }

    bool run(const QStringList& arguments, QByteArray* output = nullptr)
    {
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_CONFIG_HOME", QString::fromLocal8Bit(config.path().c_str()));
        process.setProcessEnvironment(env);
        process.start(SETTINGS_HELPER, arguments);
        if (!process.waitForFinished(30000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
            return false;
        if (output)
            *output = process.readAllStandardOutput();
        return true;
    }

    QJsonObject dump()
    {
        QByteArray json;
        EXPECT_TRUE(run({"dump"}, &json)) << "the store could not be read";
        return QJsonDocument::fromJson(json).object();
    }

    static bool boolOf(const QJsonObject& all, const char* key) { return all[key].toObject()["value"].toBool(); }
    static bool presentOf(const QJsonObject& all, const char* key) { return all[key].toObject()["present"].toBool(); }
    static long long intOf(const QJsonObject& all, const char* key)
    {
        return all[key].toObject()["value"].toString().toLongLong();
    }

    TempDir config;
};

TEST_F(SettingsStore, EveryKeySurvivesTheEndOfTheProcess)
{
    ASSERT_TRUE(
        run({"write", "suffix", "true", "prefix", "state:1", "rename", "state:0", "timezones", "17", "text_to_prefix",
             "Trip_", "fixTime", "state:2", "selected_date_option_cell", "1", "change_exif_in_photo", "false"}));
    const QJsonObject all = dump();
    EXPECT_TRUE(boolOf(all, "suffix"));
    EXPECT_TRUE(boolOf(all, "prefix")) << "a mixed checkbox is stored as YES";
    EXPECT_FALSE(boolOf(all, "rename"));
    EXPECT_TRUE(presentOf(all, "rename"));
    EXPECT_EQ(intOf(all, "timezones"), 17);
    EXPECT_EQ(all["text_to_prefix"].toString(), "Trip_");
    EXPECT_TRUE(boolOf(all, "fixTime"));
    EXPECT_EQ(intOf(all, "selected_date_option_cell"), 1);
    EXPECT_FALSE(boolOf(all, "change_exif_in_photo"));
    EXPECT_TRUE(presentOf(all, "change_exif_in_photo"));

    // The file a user would look for, with booleans as true/false and plain numbers.
    const std::string text = readFile(file());
    for (const char* line : {"suffix=true", "rename=false", "fixTime=true", "timezones=17",
                             "selected_date_option_cell=1", "change_exif_in_photo=false", "text_to_prefix=Trip_"})
        EXPECT_NE(text.find(line), std::string::npos) << line << " missing in\n" << text;
}

TEST_F(SettingsStore, PrefixTextSurvivesTheIniFileWhateverItHolds)
{
    for (const char* text : {"", "Trip, Rome", "\"quoted\" and 'single'", "back\\slash", "  spaces  ", "@Variant(x)",
                             "semi;colon=eq#hash [x]", "Ünïcødé €", "line\nbreak\ttab"}) {
        ASSERT_TRUE(run({"write", "text_to_prefix", QString::fromUtf8(text)}));
        const QJsonValue read = dump()["text_to_prefix"];
        ASSERT_TRUE(read.isString()) << "an empty string must stay present: [" << text << "]";
        EXPECT_EQ(read.toString().toStdString(), text);
    }
}

struct Damage {
    const char* name;
    std::string_view content;
    bool textIsWrongType;          // else the file's damage makes some text of it
    bool organisationWide = false; // in the file beside ours, which must not answer for our keys
};

// Absent keys, and the wrong types of a hand-edited or damaged file, read as
// the absent key's results; the store stays usable.
TEST_F(SettingsStore, AbsentOrDamagedValuesReadAsAbsent)
{
    using namespace std::string_view_literals;
    const Damage damages[] = {
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
    for (const Damage& damage : damages) {
        SCOPED_TRACE(damage.name);
        const fs::path target = damage.organisationWide ? config.path() / "Velmora.conf" : file();
        fs::create_directories(target.parent_path());
        writeFile(target, std::string(damage.content));
        const QJsonObject all = dump();
        for (const char* key : {"suffix", "prefix", "rename", "fixTime", "change_exif_in_photo"}) {
            EXPECT_FALSE(boolOf(all, key)) << key;
            EXPECT_FALSE(damage.organisationWide && presentOf(all, key)) << key;
        }
        EXPECT_EQ(intOf(all, "timezones"), 0);
        EXPECT_EQ(intOf(all, "selected_date_option_cell"), 0);
        EXPECT_TRUE(!damage.textIsWrongType || all["text_to_prefix"].isNull())
            << all["text_to_prefix"].toString().toStdString();
        EXPECT_TRUE(!damage.organisationWide || !fs::exists(file())) << "reading must not create the file";

        ASSERT_TRUE(run({"write", "suffix", "true", "timezones", "5", "text_to_prefix", "again"}));
        const QJsonObject repaired = dump();
        EXPECT_TRUE(boolOf(repaired, "suffix"));
        EXPECT_EQ(intOf(repaired, "timezones"), 5);
        EXPECT_EQ(repaired["text_to_prefix"].toString(), "again");
    }
}

// In this process: the worker reads "change_exif_in_photo" for every photo
// while the GUI thread writes other keys.
TEST(SettingsStoreThreads, WorkerReadsWhileGuiThreadWrites)
{
    static TempDir config; // QSettings takes the folder once per process
    ::setenv("XDG_CONFIG_HOME", config.path().c_str(), 1);
    settings::write(settings::changeExifInPhoto, true);

    std::atomic<int> wrong{0};
    std::thread worker([&wrong] {
        for (int i = 0; i < 1000; ++i)
            if (!settings::read(settings::changeExifInPhoto))
                ++wrong;
    });
    for (int i = 0; i < 40; ++i) {
        settings::write(settings::suffix, i % 2 == 0);
        settings::write(settings::timezones, i);
        settings::write(settings::textToPrefix, QString::number(i));
    }
    worker.join();
    EXPECT_EQ(wrong.load(), 0);
    EXPECT_EQ(settings::read(settings::timezones), 39);
    EXPECT_FALSE(settings::read(settings::suffix));
}

} // namespace
