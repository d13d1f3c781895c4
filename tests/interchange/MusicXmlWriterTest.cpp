// The MusicXML of the example tunes: measures that add up, repeats where a
// score reader takes them, and what the score cannot say named.

#include <gtest/gtest.h>

#include <regex>

#include "InterchangeTestSupport.h"
#include "interchange/MusicXmlWriter.h"

namespace skirlo::test {
namespace {

MusicXmlScore scoreOf(RealBuild& build, const std::string& example) {
    const auto performed = perform(build, readFile(std::string(SKIRLO_RESOURCE_DIR "/examples/") + example));
    return writeMusicXml(performed->document->tunes, performed->events());
}

int count(const std::string& text, const std::string& what) {
    int n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

TEST(MusicXmlWriter, EveryMeasureOfEveryExampleFillsItsTimeSignature) {
    RealBuild build;
    const std::regex time("<beats>(\\d+)</beats><beat-type>(\\d+)</beat-type>");
    const std::regex duration("<duration>(\\d+)</duration>");
    for (const auto& path : exampleTunes()) {
        SCOPED_TRACE(path.filename().string());
        const std::string xml = scoreOf(build, path.filename().string()).xml;
        long long measureLength = 0;
        int measures = 0;
        for (std::size_t at = xml.find("<measure "); at != std::string::npos; at = xml.find("<measure ", at + 1)) {
            const std::string measure = xml.substr(at, xml.find("</measure>", at) - at);
            std::smatch signature;
            if (std::regex_search(measure, signature, time)) {
                measureLength = 6720LL * 4 * std::stoll(signature[1]) / std::stoll(signature[2]);
            }
            long long sum = 0;
            for (auto it = std::sregex_iterator(measure.begin(), measure.end(), duration); it != std::sregex_iterator(); ++it) {
                sum += std::stoll((*it)[1]);
            }
            EXPECT_EQ(sum, measureLength) << "measure " << measures + 1;
            ++measures;
        }
        EXPECT_GT(measures, 7);
    }
}

TEST(MusicXmlWriter, APartPlayedTwiceRepeatsFromTheEndOfItsFirstTime) {
    RealBuild build;
    const std::string xml = scoreOf(build, "highland-laddie.tnz").xml;
    EXPECT_EQ(count(xml, "<repeat direction=\"forward\"/>"), 4);
    EXPECT_EQ(count(xml, "<bar-style>light-heavy</bar-style><ending number=\"1\" type=\"stop\"/>"
                         "<repeat direction=\"backward\"/>"),
              4);
    EXPECT_EQ(count(xml, "<bar-style>light-heavy</bar-style><ending number=\"2\" type=\"stop\"/></barline>"), 4);
    EXPECT_EQ(count(xml, "<repeat direction=\"backward\"/>"), 4);
}

TEST(MusicXmlWriter, TiesTupletsAndSignsAreWrittenAndTheRestIsNamed) {
    RealBuild build;
    const MusicXmlScore brae = scoreOf(build, "heather-brae.tnz");
    // Its ties hold the note: ties, not slurs.
    EXPECT_EQ(count(brae.xml, "<tie type=\"start\"/>"), 2);
    EXPECT_EQ(count(brae.xml, "<tie type=\"stop\"/>"), 2);
    EXPECT_EQ(count(brae.xml, "<slur "), 0);
    // A span arc joins notes that are each struck again: a slur, not a tie.
    const auto spanned = perform(build, "Chantrel:1.0\r\n\"Arc\",(T,L,0,0,Times New Roman,16,700,0,0,18,0,0,0)\r\n"
                                        "& sharpf sharpc 2_4 dbe ^ts E_4 E_4 ^te ! C_4 D_4 !I");
    const std::string arc = writeMusicXml(spanned->document->tunes, spanned->events()).xml;
    EXPECT_EQ(count(arc, "<slur type=\"start\" number=\"1\"/>"), 1);
    EXPECT_EQ(count(arc, "<slur type=\"stop\" number=\"1\"/>"), 1);
    EXPECT_EQ(count(arc, "<tie "), 0);
    EXPECT_EQ(count(brae.xml, "<actual-notes>3</actual-notes><normal-notes>2</normal-notes>"), 3);
    EXPECT_EQ(brae.leftOut, std::vector<std::string>{"TuneTempo,56 in a repeated part (its tempo on the repeat)"});

    // A sign and its dal segno that a repeat plays alike are a repeat over
    // the parts between, its singling and doubling the first and second
    // endings: score readers agree on repeats, not on signs.
    const MusicXmlScore sign = scoreOf(build, "round-the-sign.tnz");
    EXPECT_EQ(count(sign.xml, "segno"), 0);
    const std::size_t forward = sign.xml.find("<repeat direction=\"forward\"/>");
    EXPECT_LT(forward, sign.xml.find("<measure number=\"2\">"));
    EXPECT_LT(sign.xml.find("<ending number=\"2\" type=\"start\">Doubling</ending>"),
              sign.xml.find("<repeat direction=\"backward\"/>"));
    EXPECT_EQ(sign.xml.find("<repeat direction=\"backward\"/>"), sign.xml.rfind("<repeat "));
    EXPECT_NE(sign.xml.find("<repeat direction=\"backward\"/></barline>\n</measure>\n</part>"), std::string::npos);
    EXPECT_EQ(sign.leftOut, std::vector<std::string>{"the variation tempo"});
    // A repeated part between them would be repeated again by a repeat: a
    // sign and a jump to it.
    const auto repeatedInside = perform(build, "Chantrel:1.0\r\n\"Sign\",(T,L,0,0,Times New Roman,16,700,0,0,18,0,0,0)\r\n"
                                               "& sharpf sharpc 2_4 I! segno LA_4 B_4 !I\r\n"
                                               "& sharpf sharpc I!'' C_4 D_4 ''!I dalsegno");
    const std::string jump = writeMusicXml(repeatedInside->document->tunes, repeatedInside->events()).xml;
    EXPECT_EQ(count(jump, "<sound segno=\"segno1\"/>"), 1);
    EXPECT_EQ(count(jump, "<sound dalsegno=\"segno1\"/>"), 1);
    EXPECT_EQ(count(jump, "<repeat "), 2);

    // The second tune's da capo goes back to the start of that tune, not the
    // score's: to a sign there, which score readers follow.
    const MusicXmlScore two = scoreOf(build, "two-tunes.tnz");
    EXPECT_EQ(count(two.xml, "<direction-type><segno/></direction-type><sound segno=\"start2\"/>"), 1);
    EXPECT_EQ(count(two.xml, "<words>D.S. al Fine</words></direction-type><sound dalsegno=\"start2\"/>"), 1);
    EXPECT_EQ(count(two.xml, "<sound fine=\"yes\"/>"), 1);
    EXPECT_TRUE(two.leftOut.empty());
}

TEST(MusicXmlWriter, ANoteAfterATieIsHeldAndTied) {
    RealBuild build;
    std::string text = readFile(std::string(SKIRLO_RESOURCE_DIR "/examples/highland-laddie.tnz"));
    text.erase(text.find("& sharpf"));
    text += "& sharpf sharpc 2_4 I! gg LA_4 ^t LA_4 ! B_2 !I\r\n";
    const auto performed = perform(build, text);
    const std::string xml = writeMusicXml(performed->document->tunes, performed->events()).xml;
    EXPECT_EQ(count(xml, "<tie type=\"start\"/><voice>1</voice><type>quarter</type>"), 1) << xml;
    EXPECT_EQ(count(xml, "<tie type=\"stop\"/><voice>1</voice><type>quarter</type>"), 1) << xml;
    EXPECT_EQ(count(xml, "<tied type=\"start\"/>"), 1);
}

TEST(MusicXmlWriter, APickupIsItsOwnMeasureAndEndingsAtAPartsStartRepeatFromItsEnd) {
    RealBuild build;
    const auto performed = perform(build, readFile(std::string(SKIRLO_MUSICXML_DIR "/pickup-and-endings-first.tnz")));
    const std::string xml = writeMusicXml(performed->document->tunes, performed->events()).xml;
    // The pickup's measure holds its one note; the repeat starts after it.
    const std::size_t pickup = xml.find("<measure number=\"1\" implicit=\"yes\">");
    ASSERT_NE(pickup, std::string::npos) << xml;
    const std::size_t second = xml.find("<measure number=\"2\">");
    EXPECT_EQ(count(xml.substr(pickup, second - pickup), "<duration>"), 1);
    EXPECT_EQ(xml.find("<repeat direction=\"forward\"/>"), xml.find("<repeat direction=\"forward\"/>", second));
    // The held F is tied over the bar line.
    EXPECT_EQ(count(xml, "<tied type=\"start\"/>"), 1);
    EXPECT_EQ(count(xml, "<tied type=\"stop\"/>"), 1);
    // Second part: ending 1, ending 2, then the bars both passes play, the
    // repeat going back from the last of them.
    const std::size_t secondPart = xml.rfind("<repeat direction=\"forward\"/>");
    const std::string part = xml.substr(secondPart);
    EXPECT_EQ(count(part, "<repeat direction=\"backward\"/>"), 1);
    EXPECT_LT(part.find("<ending number=\"2\" type=\"stop\"/>"), part.find("<repeat direction=\"backward\"/>"));
    EXPECT_GT(part.find("<repeat direction=\"backward\"/>"), part.rfind("<note>"));
}

}  // namespace
}  // namespace skirlo::test
