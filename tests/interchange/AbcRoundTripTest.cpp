// Our ABC versions of the example tunes, imported and performed, sound as the
// examples do: the same pitches for the same times, event for event.

#include <gtest/gtest.h>

#include <regex>

#include "InterchangeTestSupport.h"

namespace skirlo::test {
namespace {

// ABC has no variation tempo: the dal segno passes of these examples are
// compared at the tune's own tempo.
std::string withoutVariationTempo(const std::string& text) {
    static const std::regex record("\"VariationTempo,\\(\\d+,\\d+\\)\"\r\n\r\n");
    return std::regex_replace(text, record, "", std::regex_constants::format_first_only);
}

TEST(AbcRoundTrip, EveryExamplePerformsAsItsAbcVersion) {
    RealBuild build;
    for (const auto& path : exampleTunes()) {
        SCOPED_TRACE(path.filename().string());
        const std::filesystem::path abcPath = std::filesystem::path(SKIRLO_ABC_DIR) / path.stem().concat(".abc");
        ASSERT_TRUE(std::filesystem::exists(abcPath)) << "no ABC version";
        const AbcImport imported = importWithRealMap(readFile(abcPath));
        for (const AbcMessage& m : imported.messages) ADD_FAILURE() << m.line << ":" << m.column << ": " << m.text;
        const auto original = perform(build, withoutVariationTempo(readFile(path)));
        const auto roundTrip = perform(build, imported.tuneText);
        ASSERT_EQ(roundTrip->events().size(), original->events().size());
        ASSERT_GT(original->events().size(), 50u);
        for (std::size_t i = 0; i < original->events().size(); ++i) {
            const PerformanceEvent& want = original->events()[i];
            const PerformanceEvent& got = roundTrip->events()[i];
            ASSERT_EQ(got.pitch, want.pitch) << "event " << i << " " << want.name << " / " << got.name;
            ASSERT_EQ(got.duration, want.duration) << "event " << i << " " << want.name << " / " << got.name;
        }
    }
}

TEST(AbcRoundTrip, TheImportedTextIsWhatTheProgramWritesAndKeepsTheTitles) {
    const AbcImport imported = importWithRealMap(readFile(std::filesystem::path(SKIRLO_ABC_DIR) / "two-tunes.abc"));
    EXPECT_EQ(imported.tunes, 2);
    const std::string& text = imported.tuneText;
    EXPECT_TRUE(text.starts_with("Chantrel:1.0\r\n"));
    // Every line ends in CR LF, and no byte stands alone.
    for (std::size_t at = text.find('\n'); at != std::string::npos; at = text.find('\n', at + 1)) {
        ASSERT_TRUE(at > 0 && text[at - 1] == '\r') << "at byte " << at;
    }
    EXPECT_NE(text.find("\"The Wee Jig\",(T,"), std::string::npos);
    EXPECT_NE(text.find("\"Back to the Start\",(T,"), std::string::npos);
    EXPECT_NE(text.find("\"Anonymous\",(M,"), std::string::npos);
    RealBuild build;
    EXPECT_EQ(build.open(text)->tunes.size(), 2u);
}

}  // namespace
}  // namespace skirlo::test
