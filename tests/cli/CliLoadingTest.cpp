// Each command loads only the shared libraries it uses: the music-only
// commands neither Qt Gui, the font libraries nor the audio stack, vector
// pictures no Qt, the drawing commands no audio.
// The dynamic loader itself reports what it opens (LD_DEBUG=files); a
// statically linked skirlo-cli opens nothing and the loader has nothing to say.

#include <elf.h>

#include <cstring>

#include "CliRunner.h"

namespace {

using namespace skirlo::clitest;

const std::string kExample = SKIRLO_RESOURCE_DIR "/examples/round-the-sign.tnz";
const char* const kAudioLibraries[] = {"libfluidsynth", "libasound", "librtmidi", "libpulse", "libjack"};

// Whether the program asks for no dynamic loader: it can open no shared library.
bool linkedStatically(const std::string& program) {
    const std::string image = readFile(program);
    if (image.size() < sizeof(Elf64_Ehdr) || image.compare(0, SELFMAG, ELFMAG) != 0) return false;
    Elf64_Ehdr header;
    std::memcpy(&header, image.data(), sizeof header);
    for (int i = 0; i < header.e_phnum; ++i) {
        const std::size_t at = header.e_phoff + static_cast<std::size_t>(i) * header.e_phentsize;
        if (at + sizeof(Elf64_Phdr) > image.size()) return false;
        Elf64_Phdr segment;
        std::memcpy(&segment, image.data() + at, sizeof segment);
        if (segment.p_type == PT_INTERP) return false;
    }
    return true;
}

class CliLoadingTest : public CliTest {
protected:
    // The libraries the command's process opened, as the loader printed them.
    CliRun loading(const std::string& arguments) {
        CliRun result = run(arguments, "LD_DEBUG=files LD_DEBUG_OUTPUT=" + (dir_ / "loaded").string());
        result.err.clear();
        for (const auto& entry : fs::directory_iterator(dir_)) {
            if (entry.path().filename().string().rfind("loaded", 0) == 0) result.err += readFile(entry.path());
        }
        return result;
    }
};

TEST_F(CliLoadingTest, MusicOnlyCommandsLoadNeitherQtGuiNorAudio) {
    const std::vector<std::string> commands = {"tree " + kExample, "events " + kExample,
                                               "midi " + kExample + " -o " + (work() / "x.mid").string(),
                                               "normalize " + kExample + " -o " + (work() / "x.tnz").string()};
    for (const std::string& command : commands) {
        const CliRun result = loading(command);
        ASSERT_EQ(result.status, 0) << command;
        if (result.err.empty()) {
            EXPECT_TRUE(linkedStatically(SKIRLO_CLI)) << command << ": the loader reported nothing";
            continue;
        }
        ASSERT_NE(result.err.find("file=libc.so"), std::string::npos) << command;
        EXPECT_EQ(result.err.find("libQt6Gui"), std::string::npos) << command;
        EXPECT_EQ(result.err.find("libfreetype"), std::string::npos) << command;
        for (const char* library : kAudioLibraries) EXPECT_EQ(result.err.find(library), std::string::npos) << command;
    }
}

TEST_F(CliLoadingTest, VectorPicturesLoadNoQtAndPixelsNoAudio) {
    for (const std::string out : {"x.svg", "x.pdf", "x.pcx", "x.png"}) {
        const CliRun result = loading("image " + kExample + " -o " + (work() / out).string());
        ASSERT_EQ(result.status, 0) << out;
        EXPECT_NE(result.err.find("libfreetype"), std::string::npos) << out << ": no font library was loaded";
        const bool vectors = out == "x.svg" || out == "x.pdf";
        EXPECT_EQ(result.err.find("libQt6") == std::string::npos, vectors) << out;
        for (const char* library : kAudioLibraries) EXPECT_EQ(result.err.find(library), std::string::npos) << out;
    }
}

}  // namespace
