// Ceol mor as a piper writes it: each movement and cadence sounds its own
// gracenotes in their duration categories, and a staff line left open is
// named by `check` without changing what the tune plays.

#include <regex>

#include "cli/CliRunner.h"

namespace skirlo::clitest {
namespace {

// The chanter letters of the default MIDI mapping's naturals.
char letterOf(int midi) {
    switch (midi) {
        case 55: return 'g';
        case 57: return 'a';
        case 59: return 'b';
        case 61: return 'c';
        case 62: return 'd';
        case 64: return 'e';
        case 66: return 'f';
        case 67: return 'G';
        case 69: return 'A';
        default: return '?';
    }
}

// The events of one symbol name, as letter and duration: "g17 d17 e230".
std::map<std::string, std::string> soundsByName(const std::string& json) {
    static const std::regex event(R"re(\{"pitch":(\d+),"duration":(\d+),"name":"([^"]*)")re");
    std::map<std::string, std::string> sounds;
    for (auto it = std::sregex_iterator(json.begin(), json.end(), event); it != std::sregex_iterator(); ++it) {
        std::string& heard = sounds[(*it)[3]];
        if (!heard.empty()) heard += ' ';
        heard += letterOf(std::stoi((*it)[1])) + (*it)[2].str();
    }
    return sounds;
}

// Plain gracenotes 17 ms, category "4" 230 ms: both come from the file.
const std::string kSettings =
    "Chantrel:1.0\r\nGracenoteDurations,(17,40,30,50,100,230,800,1200,250,250,250,500,200)\r\nTuneTempo,60\r\n";

using CliCeolMorTest = CliTest;

TEST_F(CliCeolMorTest, EachMovementSoundsItsGracenotesInTheirCategories) {
    const std::map<std::string, std::string> expected = {
        {"crun", "g17 d17 g17 e17 a17 f17 a17"},
        {"crunb", "g17 b17 g17 e17 a17 f17 a17"},
        {"crunlg", "d17 g17 e17 g17 f17 a17"},
        {"crunamb", "g17 d17 g17 b17 e17 b17 f17 b17"},
        {"crunamc", "g17 d17 g17 c17 e17 c17 f17 c17"},
        {"crunamd", "g17 d17 g17 c17 d17 e17 d17 f17 d17"},
        {"crunfosgb", "e17 b17 f17 b17"},
        {"crunfosgc", "e17 c17 f17 c17"},
        {"crunfosgd", "e17 d17 f17 d17"},
        {"taramb", "g17 d17 g17 b17 e17"},
        {"taramc", "g17 d17 g17 c17 e17"},
        {"taramd", "g17 d17 g17 c17 d17 e17"},
        {"tarlg", "d17 g17 e17"},
        {"dre", "e17 a17 f17 a17"},
        {"dare", "f17 e17 G17 e17"},
        {"bari", "e17 g17 f17 g17"},
        // The cadence E is held: the longer category, whatever comes around it.
        {"cadE", "e230"},
        {"cadEd", "e230 d17"},
        {"cadgE", "G17 e230"},
        {"cadgEd", "G17 e230 d17"},
        {"cadgEf", "G17 e230 f17"},
    };
    std::string music = "& sharpf sharpc 4_4 I!";
    for (const auto& [name, sound] : expected) music += " " + name + " LA_4 !";
    // The movement marks are read, not played: their notes sound plain.
    music += " txtaor LA_4 txcrun B_4 txtaoram C_4 txcrunam D_4 ! trebling E_4 !I\r\n";
    const std::string file = input(kSettings + tune(music));

    EXPECT_EQ(run("check " + file).status, 0);
    const CliRun events = run("events " + file);
    ASSERT_EQ(events.status, 0) << events.err;
    const std::map<std::string, std::string> heard = soundsByName(events.out);
    for (const auto& [name, sound] : expected) {
        const auto found = heard.find(name);
        ASSERT_NE(found, heard.end()) << name;
        EXPECT_EQ(found->second, sound) << name;
    }
    for (const char* mark : {"txtaor", "txcrun", "txtaoram", "txcrunam", "trebling"}) {
        EXPECT_FALSE(heard.contains(mark)) << mark;
    }
}

TEST_F(CliCeolMorTest, APauseOnACadenceHoldsItsEAndNotTheGracenoteAfterIt) {
    // The profile's pause adds 75 %: 230 ms of E become 402.
    const std::string file = input(kSettings + tune("& sharpf sharpc 4_4 I! cadgEd fermat C_4 cadge fermat B_4 !I\r\n"));
    const std::map<std::string, std::string> heard = soundsByName(run("events " + file).out);
    EXPECT_EQ(heard.at("cadgEd"), "G17 e402 d17");
    // The plain cadence keeps what it always played: its last note paused.
    EXPECT_EQ(heard.at("cadge"), "G17 e29");
}

TEST_F(CliCeolMorTest, EachVariationPlaysAtTheVariationTempoWrittenAtItsStart) {
    const std::string file = input(kSettings + tune(
        "& sharpf sharpc 4_4 I! LA_4 B_4 C_4 D_4 !I\r\n"
        "& sharpf sharpc segno I! VariationTempo,(60,72) 'si E_4 _' 'do F_4 _' HG_4 HA_4 B_4 !I dalsegno\r\n"
        "& sharpf sharpc segno I! VariationTempo,(66,80) 'si E_4 _' 'do F_4 _' HG_4 HA_4 B_4 !I dalsegno\r\n"));
    const CliRun events = run("events " + file);
    static const std::regex tempoOf(R"re("name":"([^"]*)","flags":\d+,"tempo":(\d+))re");
    std::string heard;
    for (auto it = std::sregex_iterator(events.out.begin(), events.out.end(), tempoOf); it != std::sregex_iterator(); ++it) {
        heard += (*it)[1].str() + "@" + (*it)[2].str() + " ";
    }
    // The urlar at the tune's tempo; each variation's singling at its first
    // number and its doubling (the replay) at its second.
    EXPECT_EQ(heard,
              "LA_4@60 B_4@60 C_4@60 D_4@60 "
              "E_4@60 HG_4@60 HA_4@60 B_4@60 F_4@72 HG_4@72 HA_4@72 B_4@72 "
              "E_4@66 HG_4@66 HA_4@66 B_4@66 F_4@80 HG_4@80 HA_4@80 B_4@80 ");
}

TEST_F(CliCeolMorTest, AStaffLineLeftOpenIsNamedAndPlaysAsBefore) {
    const std::string line1 = "& sharpf sharpc 4_4 I! LA_4 B_4 C_4 D_4 ";
    const std::string line2 = "& E_4 F_4 HG_4 HA_4 ";
    for (const std::string ending : {"!!", "!", ""}) {
        SCOPED_TRACE("staff lines ending '" + ending + "'");
        // Both lines open: each named at its last token.
        const std::string bothOpen = input(kSettings + tune(line1 + ending + "\r\n" + line2 + ending + "\r\n"), "open.tnz");
        const CliRun checked = run("check " + bothOpen);
        EXPECT_EQ(checked.status, 1);
        const std::string message = ": Staff Error: Staff line is not closed: end it with !t, or with !I or ''!I "
                                    "where its part ends.\n";
        const auto at = [&](int line, std::size_t column) {
            return bothOpen + ":" + std::to_string(line) + ":" + std::to_string(column) + message;
        };
        // The ending's column, or that of the last note when there is none.
        const auto lastColumn = [&](const std::string& line, std::size_t lastNote) {
            return ending.empty() ? line.size() - lastNote : line.size() + 1;
        };
        EXPECT_EQ(checked.err, at(5, lastColumn(line1, 3)) + at(6, lastColumn(line2, 4)));

        // What the cut builds is unchanged: the open line runs on into the
        // next, and music after the last staff end is not played.
        const std::string joined = input(kSettings + tune(line1 + ending + " " + line2 + "!t\r\n"), "joined.tnz");
        const std::string firstOpen = input(kSettings + tune(line1 + ending + "\r\n" + line2 + "!t\r\n"), "first.tnz");
        const CliRun joinedEvents = run("events " + joined);
        EXPECT_EQ(run("events " + firstOpen).out, joinedEvents.out);
        EXPECT_NE(joinedEvents.out, "[]");
        EXPECT_EQ(run("events " + bothOpen).out, "[]");
    }
}

}  // namespace
}  // namespace skirlo::clitest
