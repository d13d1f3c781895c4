// Every command that writes what is already settled (MIDI, PCX, BMP, PNG,
// the tree, the events and the normalized text) writes the same bytes for
// every example tune as skirlo-cli did at commit 9194341, before its loading
// and drawing were reorganised for speed. The SHA-256 sums below were taken
// from that build's outputs on this project's reference machine (Debian 12,
// its Qt and fonts); a change in any of them is a change users would see.
// Changed on purpose since: the pictures of round-the-sign and two-tunes (the
// segno and "D.C. al Fine" set half a staff space clear of the music, the
// ending labels clear of their hooks); everything made of heather-brae (its
// ties written with ^t, which holds the note) and the text, tree and
// pictures of highland-laddie (its first endings closed by the repeat).

#include <array>
#include <cstdio>

#include "CliRunner.h"

namespace {

using namespace skirlo::clitest;

struct Expected {
    const char* file;  // example name, then what was made of it
    const char* sha256;
};

constexpr Expected kExpected[] = {
    {"heather-brae.bmp", "d3f192e853db8fa5c42e879ed0713fc550be0c005705f3a8ace74820848000ef"},
    {"heather-brae.events.json", "27752f1a23c6f26a8ceaf8ec0ef6fe8caed0546c1dd38ee597204629d5bab69f"},
    {"heather-brae.mid", "3402c8f7ab77cb6999f7c79a28908d478b5fc0fa0ce0f00b01a1d4c8642cf826"},
    {"heather-brae.norm.tnz", "366d3c2e4392f1ce7bef4c7e45621985b1d73b764ebe801b3b04c9262e956302"},
    {"heather-brae.pcx", "45711d5bf58f3c3e458959dbe6f7ee9d5b17bef460817bd7aca70b1c1da690d2"},
    {"heather-brae.png", "5832eece455d97b56fb7208138be418d1e0cbfd5e95f71fa7eacb8922d99ba17"},
    {"heather-brae.speaker.json", "24c7cc5c300fd6d884eaf38e2336d3c096a1fb596ae5f39788b3dff43fdbbfae"},
    {"heather-brae.tree.json", "4aa48580151affa50ebd93144f1d82358a0cedac7f2f0152136ed56d4bf84e19"},
    {"highland-laddie.bmp", "a29ba2ab9263b16342ef9e60899ed8c9624fbdbdb7a9ef46302f93d32250ca9f"},
    {"highland-laddie.events.json", "bbddcbf87c139a7c576f96f51859f117c519d4d8aa9af0322b3d581665ea8040"},
    {"highland-laddie.mid", "47aa1df8e5b03dd13287726409aff81673697325c02d170076d16633cca1af7d"},
    {"highland-laddie.norm.tnz", "c0163a6513102daa3ab012f1d07dd77687a264314c082fe47cb61075d61988f3"},
    {"highland-laddie.pcx", "3eebc640849d142205402f4bfd12f334d5269a052737baa3d4d16fd4dbe71b1b"},
    {"highland-laddie.png", "a8a075da63d5d4d1472bcb4f5959ee52c820b45607a1c194fb9c365dc7e83bac"},
    {"highland-laddie.speaker.json", "7f6460624f1f7a3898f81c97fa1b1c7da315ea3177cf5f83186bad08955a8f87"},
    {"highland-laddie.tree.json", "d06920f7b120a65a8a3691871615cc2c4d3b29be45e342ee46ffe9a41410f125"},
    {"maggie-cameron.bmp", "9c9cd392472c1dd7cc058b05b582be56fe6db7c737638b4ac1f7c1a775d9c196"},
    {"maggie-cameron.events.json", "e1f7691c1b2da243f5fa66e96c5b25cb1636a27a0785c686bf090dc0c3177c85"},
    {"maggie-cameron.mid", "7e88ebfea9f255c083c53c0ded91ae685bdc4213672b085157d725bb4428025c"},
    {"maggie-cameron.norm.tnz", "d2f3142382b9adcd788ebb068f563c11959b4bdf44cb04cb303b0dd91950db1a"},
    {"maggie-cameron.pcx", "20cba2e1a69b77f795233cb8c30e06ef5a8dd8fffeb76be8ea9347e9e0b83f7a"},
    {"maggie-cameron.png", "49a28e0943ff9969c93e3264e8d6f88f8991a09a3bf5d7d0d4647686c37e2757"},
    {"maggie-cameron.speaker.json", "91719457dfdaf8bf2af1c240ff57d18b58d82c1f67b78fc0bfa9adf578b03a7c"},
    {"maggie-cameron.tree.json", "93952bf4acfea1815c39caad14ccca36dd682bff7d3fa4eadff27ae85c11c334"},
    {"round-the-sign.bmp", "6c41a83e550a216ade898bf26a53e74db01e124cae9d574a3d0b6bacd6149566"},
    {"round-the-sign.events.json", "f4e74e1ad08d63ca563b7ff9546a3cf42ed82ac89fb6fc495b26f900b368feb4"},
    {"round-the-sign.mid", "e1797cd9060d5accb0b2cc62d6462fead6c85185455e9cfcac5e82b5d1f1a05c"},
    {"round-the-sign.norm.tnz", "1e8f48270b5edbb5a6717e43a033450c5f5105dd1e32b59d53770cc36103001a"},
    {"round-the-sign.pcx", "02119abf073a70d9b05a5c2f4d634cc6b8071b39d09dc8fb41a8a1d796697465"},
    {"round-the-sign.png", "11f47b087d3cffaf57827ff795080f3e8cbeb391b4f8857a906c706c0a843d45"},
    {"round-the-sign.speaker.json", "35c56ef67b3beeb561edb9e62524295ece98fdee4083d3c02387bebb48bda946"},
    {"round-the-sign.tree.json", "03a32fcaf2683c594ff464bedd1dc61584c4fc49052b2daa8e9b6cde9acc5a4d"},
    {"two-tunes.bmp", "57b6c55878e610b609131744ccf8f083706b402a7b437c612e086b708b041461"},
    {"two-tunes.events.json", "421122e95ed071c3bfed7d593ebdd4f2c9e5ded66b69500f2a00af91e4ff389f"},
    {"two-tunes.mid", "931fb5609035ed25884fcea43cad98884252b0d9a0bc1a39da3abcbfb81a572f"},
    {"two-tunes.norm.tnz", "ca9ca5f37df2c587c32b53d95ff5a7c3bd445f8db97887ccf500d61231d9cf1f"},
    {"two-tunes.pcx", "8d3d0145cdec85555ae5199a5b9214f3316a135d8ac304f88976ff0148ffca92"},
    {"two-tunes.png", "29ac0ae7db99a9f3e101ed885c5e16f83e67a6009237671ed1ce66bea3bbce98"},
    {"two-tunes.speaker.json", "5ab05cbc15a295c9acea7d9fba84207af70633f852e70e1047998dc5b30c71e2"},
    {"two-tunes.tree.json", "bc20bea8be2f27320dfea886730c8a64a73127ee3b99a1570b122e8bdb2146de"},
};

std::string sha256Of(const fs::path& path) {
    const std::string command = "sha256sum '" + path.string() + "'";
    std::FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) return {};
    std::array<char, 65> sum{};
    const std::size_t read = std::fread(sum.data(), 1, 64, pipe);
    ::pclose(pipe);
    return std::string(sum.data(), read);
}

struct Making {
    std::string arguments;
    bool toStandardOutput = false;
};

// How `made` ("NAME.KIND") is made from NAME's example tune into `out`.
Making makingOf(const std::string& made, const fs::path& out) {
    const std::string name = made.substr(0, made.find('.'));
    const std::string kind = made.substr(made.find('.') + 1);
    const std::string tune = SKIRLO_RESOURCE_DIR "/examples/" + name + ".tnz";
    if (kind == "tree.json") return {"tree " + tune, true};
    if (kind == "events.json") return {"events " + tune, true};
    if (kind == "speaker.json") return {"events " + tune + " --speaker", true};
    if (kind == "norm.tnz") return {"normalize " + tune + " -o " + out.string()};
    if (kind == "mid") return {"midi " + tune + " -o " + out.string()};
    return {"image " + tune + " -o " + out.string()};
}

class CliSameBytesTest : public CliTest {};

TEST_F(CliSameBytesTest, EveryExampleMakesTheSameBytesAsBefore) {
    for (const Expected& expected : kExpected) {
        const fs::path out = work() / expected.file;
        const Making making = makingOf(expected.file, out);
        const CliRun result = run(making.arguments);
        ASSERT_EQ(result.status, 0) << expected.file << ": " << result.err;
        if (making.toStandardOutput) writeFile(out, result.out);
        EXPECT_EQ(sha256Of(out), expected.sha256) << expected.file;
    }
}

// The command line measures SVG and PDF pictures through FreeType, without
// Qt; the desktop program's export measures them through Qt. Both must
// write the same file.
TEST_F(CliSameBytesTest, VectorPicturesMadeWithoutQtAreTheBytesQtMeasuringMakes) {
    const fs::path pictureHelper = fs::path(SKIRLO_CLI).parent_path() / "skirlo-cli-picture";
    for (const auto& entry : fs::directory_iterator(SKIRLO_RESOURCE_DIR "/examples")) {
        for (const std::string extension : {".svg", ".pdf"}) {
            const fs::path withoutQt = work() / ("freetype" + extension);
            const fs::path withQt = work() / ("qt" + extension);
            const std::string tune = entry.path().string();
            ASSERT_EQ(run("image " + tune + " -o " + withoutQt.string()).status, 0) << tune;
            const std::string qtCommand = pictureHelper.string() + " image " + tune + " --profile " + profile_ +
                                          " -o " + withQt.string() + " >/dev/null";
            ASSERT_EQ(std::system(qtCommand.c_str()), 0) << tune;
            EXPECT_EQ(readFile(withoutQt), readFile(withQt)) << tune << extension;
        }
    }
}

}  // namespace
