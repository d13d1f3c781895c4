// Every command that writes what is already settled (MIDI, PCX, BMP, PNG,
// the tree, the events and the normalized text) writes the same bytes for
// every example tune as skirlo-cli did at commit 9194341, before its loading
// and drawing were reorganised for speed. The SHA-256 sums below were taken
// from that build's outputs on this project's reference machine (Debian 12,
// its Qt and fonts); a change in any of them is a change users would see.

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
    {"heather-brae.bmp", "a9d7831df92c1234832eaea6ae569519f7966db1b95c9425975cb35a4a9ec757"},
    {"heather-brae.events.json", "d60e8158ea781de4b21c10e643307b295a34e9818e24a6980fe7e1f0da5226dc"},
    {"heather-brae.mid", "45de16e2994eb13bd3bafe87a64d7d64b74a1f8effd05366582fe881f15158f0"},
    {"heather-brae.norm.tnz", "f1ab631ef67be160e5cbeec650ddcb0487b45ba9a0aabc55f04535b9e9df294d"},
    {"heather-brae.pcx", "c8684f16edc2d482a46903e5790183ba991cd3764dcef1b26c3fa9cf34dd9030"},
    {"heather-brae.png", "deac8a786136bbe58822420eb5be9b5febfe85180cad4362687332f0af54526c"},
    {"heather-brae.speaker.json", "6a326ee673a7ca0fb430795e22e63969a24befe171f55f4d6e6caa3e442e96e1"},
    {"heather-brae.tree.json", "972a2713b0a971c11567f8d2f600109a62b4c897443bd80cf19cf3fb7166c8a3"},
    {"highland-laddie.bmp", "523804b54f74d757cfa43982a1a28d11909a07d945f263eec24668ad6953d0ed"},
    {"highland-laddie.events.json", "bbddcbf87c139a7c576f96f51859f117c519d4d8aa9af0322b3d581665ea8040"},
    {"highland-laddie.mid", "47aa1df8e5b03dd13287726409aff81673697325c02d170076d16633cca1af7d"},
    {"highland-laddie.norm.tnz", "be2b0a6bda2e22c1eb36483dc6b95b0572091900d851820743302782c9aa51fc"},
    {"highland-laddie.pcx", "1ebb7630443e8825debeb8b559f9a821a2737795853dae51cdad4f8b5c80b7db"},
    {"highland-laddie.png", "762786ea3b5a3608a7b037793bcf78ea302bc2aef9c1abc902da3da3f6b2cbe8"},
    {"highland-laddie.speaker.json", "7f6460624f1f7a3898f81c97fa1b1c7da315ea3177cf5f83186bad08955a8f87"},
    {"highland-laddie.tree.json", "edee60b117794e3493f2f74f69a61572519a93c88d44647cee0b9f8052037b7c"},
    {"maggie-cameron.bmp", "9c9cd392472c1dd7cc058b05b582be56fe6db7c737638b4ac1f7c1a775d9c196"},
    {"maggie-cameron.events.json", "e1f7691c1b2da243f5fa66e96c5b25cb1636a27a0785c686bf090dc0c3177c85"},
    {"maggie-cameron.mid", "7e88ebfea9f255c083c53c0ded91ae685bdc4213672b085157d725bb4428025c"},
    {"maggie-cameron.norm.tnz", "d2f3142382b9adcd788ebb068f563c11959b4bdf44cb04cb303b0dd91950db1a"},
    {"maggie-cameron.pcx", "20cba2e1a69b77f795233cb8c30e06ef5a8dd8fffeb76be8ea9347e9e0b83f7a"},
    {"maggie-cameron.png", "49a28e0943ff9969c93e3264e8d6f88f8991a09a3bf5d7d0d4647686c37e2757"},
    {"maggie-cameron.speaker.json", "91719457dfdaf8bf2af1c240ff57d18b58d82c1f67b78fc0bfa9adf578b03a7c"},
    {"maggie-cameron.tree.json", "93952bf4acfea1815c39caad14ccca36dd682bff7d3fa4eadff27ae85c11c334"},
    {"round-the-sign.bmp", "a9a225354ce53da468e7a1ae2de9b0cc0980c16d626b9617d779ee17df42e4f0"},
    {"round-the-sign.events.json", "f4e74e1ad08d63ca563b7ff9546a3cf42ed82ac89fb6fc495b26f900b368feb4"},
    {"round-the-sign.mid", "e1797cd9060d5accb0b2cc62d6462fead6c85185455e9cfcac5e82b5d1f1a05c"},
    {"round-the-sign.norm.tnz", "1e8f48270b5edbb5a6717e43a033450c5f5105dd1e32b59d53770cc36103001a"},
    {"round-the-sign.pcx", "a05f5d5cf11ab6cabfdcc27a3e0d9f735f8dbe921f80b111c6eff6d3b98ca443"},
    {"round-the-sign.png", "a1fce6c1bd6f18dc6089b68889d993acb4cd72ea5c99202dcf8adfc6c19dc910"},
    {"round-the-sign.speaker.json", "35c56ef67b3beeb561edb9e62524295ece98fdee4083d3c02387bebb48bda946"},
    {"round-the-sign.tree.json", "03a32fcaf2683c594ff464bedd1dc61584c4fc49052b2daa8e9b6cde9acc5a4d"},
    {"two-tunes.bmp", "1ce2f055a2a96bf21279badb821345ed7a80947bc187941c87ee1fad87084969"},
    {"two-tunes.events.json", "421122e95ed071c3bfed7d593ebdd4f2c9e5ded66b69500f2a00af91e4ff389f"},
    {"two-tunes.mid", "931fb5609035ed25884fcea43cad98884252b0d9a0bc1a39da3abcbfb81a572f"},
    {"two-tunes.norm.tnz", "ca9ca5f37df2c587c32b53d95ff5a7c3bd445f8db97887ccf500d61231d9cf1f"},
    {"two-tunes.pcx", "3f3d6977d2bbdf2d46b933995426e1881305dc580baac7d962740eab855befcb"},
    {"two-tunes.png", "b067c0890fc01a5e5810f4300180e7629cbc698413e8e1dc6828a95764ffbf8b"},
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
