// Headers and footers of the printed script: "&p", "&f", time conversions,
// the 127-character limit, which time is shown, and the dialog that sets them.

#include <QAbstractButton>
#include <QButtonGroup>
#include <QLineEdit>
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <string>

#include "editor/ScriptPageFormat.h"
#include "editor/ScriptPageSetupDialog.h"

using namespace skirlo;

namespace {

class ScriptPageFormatTest : public ::testing::Test {
protected:
    void SetUp() override {
        const char* tz = std::getenv("TZ");
        savedTz_ = tz ? std::optional<std::string>(tz) : std::nullopt;
        setenv("TZ", "UTC", 1);
        tzset();
    }
    void TearDown() override {
        if (savedTz_) {
            setenv("TZ", savedTz_->c_str(), 1);
        } else {
            unsetenv("TZ");
        }
        tzset();
    }
    static constexpr std::time_t kNewYear2001 = 978307200;  // 2001-01-01 00:00:00 UTC

private:
    std::optional<std::string> savedTz_;
};

TEST_F(ScriptPageFormatTest, FirstPageAndFileMarksAreReplacedOnceEach) {
    EXPECT_EQ(expandScriptPageFormat("&f page &p &p", 3, "/tunes/march.tnz", 0), "/tunes/march.tnz page 3 &p");
    EXPECT_EQ(expandScriptPageFormat("&f&f", 1, "", 0), "&f");
    EXPECT_EQ(expandScriptPageFormat("no marks", 12, "a", 0), "no marks");
}

TEST_F(ScriptPageFormatTest, TimeConversionsApplyInLocalTime) {
    EXPECT_EQ(expandScriptPageFormat("%d/%m/%y %H:%M", 1, "", kNewYear2001), "01/01/01 00:00");
    EXPECT_EQ(expandScriptPageFormat("100%% &p", 2, "", kNewYear2001), "100% 2");
    // A file name is not a format: its percent signs print as they are.
    EXPECT_EQ(expandScriptPageFormat("&f %Y", 1, "/t/100%march.tnz", kNewYear2001), "/t/100%march.tnz 2001");
}

TEST_F(ScriptPageFormatTest, ResultsOver127CharactersAreEmpty) {
    EXPECT_EQ(expandScriptPageFormat(std::string(127, 'x'), 1, "", 0), std::string(127, 'x'));
    EXPECT_EQ(expandScriptPageFormat(std::string(128, 'x'), 1, "", 0), "");
    EXPECT_EQ(expandScriptPageFormat(std::string(120, 'x') + "&f", 1, "12345678", 0), "");
    const std::string x123(123, 'x');
    EXPECT_EQ(expandScriptPageFormat(x123 + "%Y", 1, "", kNewYear2001), x123 + "2001");
    EXPECT_EQ(expandScriptPageFormat(std::string(124, 'x') + "%Y", 1, "", kNewYear2001), "");
    // Characters, not bytes: 127 e-acutes fit.
    std::string accented;
    for (int i = 0; i < 127; ++i) accented += "\xC3\xA9";
    EXPECT_EQ(expandScriptPageFormat(accented, 1, "", 0), accented);
}

TEST_F(ScriptPageFormatTest, FileTimeOnlyForFileTimeChoiceAndAPathWithADot) {
    const std::time_t now = 2000;
    const std::time_t file = 1000;
    EXPECT_EQ(chooseScriptPageTime(kFileTime, "/tunes/march.tnz", now, file), file);
    EXPECT_EQ(chooseScriptPageTime(kFileTime, "/tunes/march", now, file), now);
    EXPECT_EQ(chooseScriptPageTime(kFileTime, "", now, file), now);  // untitled
    EXPECT_EQ(chooseScriptPageTime(kSystemTime, "/tunes/march.tnz", now, file), now);
    EXPECT_EQ(chooseScriptPageTime(kNoTimeChoice, "/tunes/march.tnz", now, file), now);
    EXPECT_EQ(chooseScriptPageTime(kFileTime, "/tunes/gone.tnz", now, std::nullopt), now);
}

}  // namespace

namespace {

TEST(ScriptPageSetupDialog, StartsWithNeitherTimeAndChangesOnlyWhatWasEdited) {
    ScriptPageSetupDialog dialog(ScriptPageSetup{});
    EXPECT_EQ(dialog.windowTitle(), "Page Setup");
    EXPECT_EQ(dialog.values().headerTime, kNoTimeChoice);
    EXPECT_EQ(dialog.values().footerTime, kNoTimeChoice);
    dialog.headerEdit()->setText("&f page &p");
    dialog.footerTimeButtons()->button(kFileTime)->click();
    const ScriptPageSetup values = dialog.values();
    EXPECT_EQ(values.header, "&f page &p");
    EXPECT_EQ(values.footer, "");
    EXPECT_EQ(values.headerTime, kNoTimeChoice);
    EXPECT_EQ(values.footerTime, kFileTime);

    ScriptPageSetupDialog again(values);  // the two rows' buttons do not exclude each other
    again.headerTimeButtons()->button(kSystemTime)->click();
    EXPECT_EQ(again.values().headerTime, kSystemTime);
    EXPECT_EQ(again.values().footerTime, kFileTime);
}

}  // namespace
