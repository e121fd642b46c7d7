// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/BatchPreview.h"
#include "support/TestSupport.h"

#include <functional>

namespace fs = std::filesystem;
using namespace velmora;
using namespace velmora::test;

namespace {

const std::string kStem = "2010-07-14__18-05-09", kDate = "2010:07:14 18:05:09";

struct Failures : BatchRecorder {
    void record(const PhotoOutcome& o) override
    {
        if (o.kind == PhotoOutcome::Kind::Failed)
            failed.push_back(o.source.filename().native());
    }
    std::vector<std::string> failed;
};

class PreviewTest : public EngineTest {};

TEST_F(PreviewTest, TheBatchGivesTheNamesThePreviewShowedAndReportsWhatChangedSince)
{
    const std::string t = kStem + ".JPG", n1 = kStem + "__1", n2 = kStem + "__2";
    const std::vector<std::string> b2{n2 + ".CR2", n2 + ".CR2.xmp", n2 + ".JPG"};
    const struct {
        const char* what;
        int copy, suffix;
        std::vector<std::string> named; // the batch list; none: the folder
        std::vector<std::string> after; // the folder's names after the batch
        std::function<void(const fs::path&)> between = {};
        std::vector<std::string> failed = {};
    } cases[] = {
        {"collisions, a pair, its sidecar, no date", 0, 0, {}, {t, n1 + ".JPG", b2[0], b2[1], b2[2], "undated.JPG"}},
        {"copies: the sources keep their names", 1, 0, {},
         {t, n1 + ".JPG", b2[0], b2[1], b2[2], "a.JPG", "b.CR2", "b.CR2.xmp", "b.JPG", "undated.JPG"}},
        {"the old name kept", 0, 1, {},
         {t, kStem + "__a.JPG", kStem + "__b.CR2", kStem + "__b.CR2.xmp", kStem + "__b.JPG", "undated.JPG"}},
        {"a photo opened alone takes its sidecar from its folder", 0, 0, {"b.CR2", "a.JPG"},
         {kStem + ".CR2", kStem + ".CR2.xmp", t, n1 + ".JPG", "b.JPG", "undated.JPG"}},
        {"a photo changed since", 0, 0, {}, {t, b2[0], b2[1], b2[2], "a.JPG", "undated.JPG"},
         [](const fs::path& d) { setExifDates(d / "a.JPG", "2011:01:01 00:00:00", std::nullopt); }, {"a.JPG"}},
        {"another photo of the same date under its name", 0, 0, {}, {t, b2[0], b2[1], b2[2], "a.JPG", "undated.JPG"},
         [](const fs::path& d) { makeJpeg(d / "a.JPG", kDate, std::nullopt, 40, 30); }, {"a.JPG"}},
        {"its name taken since", 0, 0, {}, {t, n1 + ".JPG", b2[0], b2[1], b2[2], "a.JPG", "undated.JPG"},
         [](const fs::path& d) { writeFile(d / (kStem + "__1.JPG"), "x"); }, {"a.JPG"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir folder;
        writeFile(folder / t, "taken");
        for (const char* name : {"a.JPG", "b.CR2", "b.JPG"})
            makeJpeg(folder / name, kDate);
        makeJpeg(folder / "undated.JPG", std::nullopt);
        writeFile(folder / "b.CR2.xmp", "<x/>");
        std::vector<fs::path> list;
        for (const std::string& name : c.named)
            list.push_back(folder / name);
        if (list.empty())
            list.push_back(folder.path());
        controls.setRenameState(c.copy);
        controls.setSuffixState(c.suffix);
        std::vector<PreviewRow> rows;
        bool done = false;
        previewBatch(list, controls.snapshot(), true, {}, [&](std::vector<PreviewRow>&& chunk, bool last) {
            for (PreviewRow& row : chunk)
                rows.push_back(std::move(row));
            done = last;
        });
        ASSERT_TRUE(done);
        // What the folder holds after the batch, as the preview tells it.
        Contents expected = contents(folder.path());
        for (const PreviewRow& row : rows)
            if (row.moves()) {
                expected[row.target] = expected[row.name];
                if (!c.copy)
                    expected.erase(row.name);
            }
        if (c.between)
            c.between(folder.path());
        PhotoEngine batch(controls, alertLatch, host);
        Failures failures;
        batch.setRecorder(&failures);
        batch.followPlan(std::make_shared<PreviewPlan>(controls.snapshot(), rows));
        walkInto(batch, list);
        EXPECT_EQ(failures.failed, c.failed);
        EXPECT_EQ(listNames(folder.path()), c.after);
        if (c.failed.empty()) {
            EXPECT_EQ(contents(folder.path()), expected);
        }
    }
}

} // namespace
