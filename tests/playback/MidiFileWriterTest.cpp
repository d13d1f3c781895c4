// The MIDI file's exact bytes, and that a failed write leaves nothing behind.

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <filesystem>

#include <sys/resource.h>
#include <fstream>
#include <iterator>

#include "notation/Symbol.h"
#include "playback/MidiFileWriter.h"

namespace skirlo {
namespace {

using Bytes = std::vector<std::uint8_t>;

PerformanceEvent note(int pitch, std::uint32_t duration, int numerator = 4, int exponent = 2,
                      double beatFactor = 0.25, int tempo = 90) {
    PerformanceEvent e;
    e.pitch = pitch;
    e.duration = duration;
    e.numerator = numerator;
    e.exponent = exponent;
    e.beatFactor = beatFactor;
    e.tempo = tempo;
    return e;
}

MidiFileSettings smallSettings() {
    MidiFileSettings s;
    s.title = "T";
    s.composer = "C";
    s.footer = "F";
    return s;
}

Bytes written(const std::vector<PerformanceEvent>& performance, const MidiFileSettings& settings) {
    MemoryByteSink sink;
    EXPECT_TRUE(writeMidi(sink, performance, settings));
    return sink.bytes();
}

Bytes text(std::string_view s) { return Bytes(s.begin(), s.end()); }

Bytes concat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

TEST(MidiFileWriter, SmallTuneInCommonTimeAtNinety) {
    const Bytes expected = concat({
        text("MThd"), {0, 0, 0, 6, 0, 1, 0, 2, 0x02, 0x9A},
        text("MTrk"), {0, 0, 0, 0x69},
        {0x00, 0xFF, 0x58, 0x04, 4, 2, 24, 8},
        {0x00, 0xFF, 0x51, 0x03, 0x0A, 0x2C, 0x2A},
        {0x00, 0xC0, 71},
        {0x00, 0xFF, 0x03, 1}, text("T"),
        {0x00, 0xFF, 0x01, 22}, text("Created by Skirlo 1.0."),
        {0x00, 0xFF, 0x02, 16}, text("Composed By: C.F"),
        // first note after the drone introduction of 1000 ms
        {0x87, 0x68, 0x90, 69, 127},
        // a new pitch: portamento source, note on after the old note's time, old released
        {0x00, 0xB0, 84, 69}, {0x85, 0x1A, 0x90, 67, 127}, {0x00, 0x80, 69, 127},
        // the same pitch again: released after its time, struck at once
        {0x82, 0x4D, 0x80, 67, 127}, {0x00, 0x90, 67, 127},
        {0x82, 0x4D, 0x80, 67, 127},
        {0x00, 0xFF, 0x2F, 0x00},
        text("MTrk"), {0, 0, 0, 31},
        {0x00, 0xFF, 0x51, 0x03, 0x0A, 0x2C, 0x2A},
        {0x00, 0xC1, 71},
        {0x00, 0x91, 45, 77}, {0x00, 0x91, 33, 38},
        {0x92, 0x1C, 0x81, 45, 77}, {0x00, 0x81, 33, 38},
        {0x00, 0xFF, 0x2F, 0x00},
    });
    EXPECT_EQ(written({note(69, 666), note(67, 333), note(67, 333)}, smallSettings()), expected);
}

// The note events of track 1: what follows the three texts.
Bytes noteBytes(const Bytes& file, const MidiFileSettings& settings) {
    const std::size_t texts = 4 + settings.title.size() + 4 + 22 + 4 + 14 + settings.composer.size() +
                              settings.footer.size();
    const std::size_t start = 22 + 18 + texts;
    const std::size_t trackEnd = 22 + (std::size_t{file[18]} << 24 | file[19] << 16 | file[20] << 8 | file[21]);
    return Bytes(file.begin() + static_cast<long>(start), file.begin() + static_cast<long>(trackEnd));
}

TEST(MidiFileWriter, RestsTiesAndTheDroneIntroduction) {
    Symbol rest;
    rest.category = CAT_REST;
    Symbol tied;
    tied.tieTarget = true;
    MidiFileSettings settings = smallSettings();
    settings.droneIntroduction = 200;
    settings.chanterVolume = 100;
    const std::vector<PerformanceEvent> performance{note(62, 100), note(62, 50), note(62, 60),
                                                    note(64, 70), note(64, 80)};
    std::vector<PerformanceEvent> marked = performance;
    marked[2].symbol = &tied;
    marked[3].symbol = &tied;  // tied onto a new pitch: struck all the same
    marked[4].symbol = &rest;
    EXPECT_EQ(noteBytes(written(marked, settings), settings),
              (Bytes{0x81, 0x48, 0x90, 62, 100,                      // after the introduction
                     0x64, 0x80, 62, 100, 0x00, 0x90, 62, 100,        // struck again
                     0x32, 0xC0, 71,                                  // held: only the time
                     0x00, 0xB0, 84, 62, 0x3C, 0x90, 64, 100, 0x00, 0x80, 62, 100,
                     0x46, 0x80, 64, 100, 0x00, 0x90, 64, 0,          // a rest: velocity 0
                     0x50, 0x80, 64, 100, 0x00, 0xFF, 0x2F, 0x00}));
}

TEST(MidiFileWriter, TiedNoteThatStartsTheFileIsStruck) {
    Symbol tied;
    tied.tieTarget = true;
    std::vector<PerformanceEvent> performance{note(62, 100)};
    performance[0].symbol = &tied;
    MidiFileSettings settings = smallSettings();
    EXPECT_EQ(noteBytes(written(performance, settings), settings),
              (Bytes{0x87, 0x68, 0x90, 62, 127, 0x64, 0x80, 62, 127, 0x00, 0xFF, 0x2F, 0x00}));
}

TEST(MidiFileWriter, SixEightAtNinetyCountsDottedQuarterBeats) {
    const Bytes bytes = written({note(64, 222, 6, 3, 0.375)}, smallSettings());
    ASSERT_GT(bytes.size(), 40u);
    EXPECT_EQ(bytes[12], 0x01);  // division 444
    EXPECT_EQ(bytes[13], 0xBC);
    EXPECT_EQ(Bytes(bytes.begin() + 22, bytes.begin() + 37),
              (Bytes{0x00, 0xFF, 0x58, 0x04, 6, 3, 36, 8, 0x00, 0xFF, 0x51, 0x03, 0x06, 0xC8, 0x1C}));
    // The drone track's tempo, computed in floating point, agrees.
    const Bytes droneTempo{0x00, 0xFF, 0x51, 0x03, 0x06, 0xC8, 0x1C};
    const auto track2 = std::search(bytes.begin() + 22, bytes.end(), droneTempo.begin(), droneTempo.end());
    EXPECT_NE(std::search(track2 + 1, bytes.end(), droneTempo.begin(), droneTempo.end()), bytes.end());
}

TEST(MidiFileWriter, QuarterRatiosOfTheBeatFactors) {
    const std::pair<double, std::pair<int, int>> cases[] = {
        {0.25, {1, 1}}, {0.375, {3, 2}}, {0.5, {2, 1}}, {0.1875, {3, 4}}, {0.3, {1, 1}}};
    for (auto [factor, ratio] : cases) {
        EXPECT_EQ(quarterRatio(factor).numerator, ratio.first) << factor;
        EXPECT_EQ(quarterRatio(factor).denominator, ratio.second) << factor;
    }
}

TEST(MidiFileWriter, TimeSignatureChangeIsWrittenBeforeTheNoteThatBringsIt) {
    const Bytes bytes = written({note(60, 100), note(62, 100, 2, 1, 0.5)}, smallSettings());
    const Bytes change{0x00, 0xFF, 0x58, 0x04, 2, 1, 48, 8, 0x00, 0xB0, 84, 60};
    EXPECT_NE(std::search(bytes.begin(), bytes.end(), change.begin(), change.end()), bytes.end());
}

TEST(MidiFileWriter, TempoZeroPlaysAsOneBeatPerMinute) {
    const Bytes bytes = written({note(60, 100, 4, 2, 0.25, 0)}, smallSettings());
    EXPECT_EQ(bytes[12], 0xEA);  // 60000 ms a quarter: as the format has it, above the 15-bit range
    EXPECT_EQ(bytes[13], 0x60);
    // 60 000 000 µs does not fit in three bytes: the slowest expressible tempo.
    EXPECT_EQ(Bytes(bytes.begin() + 30, bytes.begin() + 37), (Bytes{0x00, 0xFF, 0x51, 0x03, 0xFF, 0xFF, 0xFF}));
}

TEST(MidiFileWriter, LongTextsAreCutTo127Bytes) {
    MidiFileSettings settings = smallSettings();
    settings.title = std::string(200, '\xE9');
    settings.composer = std::string(130, 'c');
    const Bytes bytes = written({note(60, 100)}, settings);
    EXPECT_EQ(Bytes(bytes.begin() + 40, bytes.begin() + 44), (Bytes{0x00, 0xFF, 0x03, 127}));
    EXPECT_EQ(bytes[44], 0xE9);
    EXPECT_EQ(bytes[44 + 127], 0x00);
    const std::size_t composed = 44 + 127 + 4 + 22;
    EXPECT_EQ(Bytes(bytes.begin() + composed, bytes.begin() + composed + 4), (Bytes{0x00, 0xFF, 0x02, 127}));
}

TEST(MidiFileWriter, VariableLengthQuantities) {
    const std::pair<std::uint32_t, Bytes> cases[] = {
        {0, {0x00}}, {0x7F, {0x7F}}, {0x80, {0x81, 0x00}}, {0x2000, {0xC0, 0x00}},
        {0x3FFF, {0xFF, 0x7F}}, {0x200000, {0x81, 0x80, 0x80, 0x00}}, {0x0FFFFFFF, {0xFF, 0xFF, 0xFF, 0x7F}}};
    for (const auto& [value, bytes] : cases) {
        Bytes out;
        appendVariableLength(out, value);
        EXPECT_EQ(out, bytes) << value;
    }
}

TEST(MidiFileWriter, ShortMessagesCarryOneOrTwoDataBytesAndNeverSystemOnes) {
    Bytes out;
    appendShortMessage(out, 0x7F3C90, 0);
    appendShortMessage(out, 0x0047C1, 0x80);
    appendShortMessage(out, 0x0040D0, 0);
    appendShortMessage(out, 0x0000F8, 0);
    EXPECT_EQ(out, (Bytes{0x00, 0x90, 0x3C, 0x7F, 0x81, 0x00, 0xC1, 0x47, 0x00, 0xD0, 0x40}));
}

TEST(MidiFileWriter, EmptyPerformanceWritesNothing) {
    MemoryByteSink sink;
    EXPECT_FALSE(writeMidi(sink, {}, smallSettings()));
    EXPECT_TRUE(sink.bytes().empty());
}

// Accepts a given number of bytes and then stops, like a full disk.
class FullSink final : public MidiByteSink {
public:
    explicit FullSink(std::size_t room) : room_(room) {}
    std::size_t write(const std::uint8_t*, std::size_t size) override {
        const std::size_t n = std::min(size, room_);
        room_ -= n;
        ++writes;
        return n;
    }
    bool overwrite(std::size_t, const std::uint8_t*, std::size_t) override { return true; }
    int writes = 0;

private:
    std::size_t room_;
};

TEST(MidiFileWriter, ShortWriteStopsTheWriteAtOnce) {
    const std::vector<PerformanceEvent> performance{note(60, 100), note(62, 100), note(64, 100)};
    const std::size_t full = written(performance, smallSettings()).size();
    for (std::size_t room : {std::size_t{0}, std::size_t{10}, std::size_t{30}, std::size_t{100}, full - 1}) {
        FullSink sink(room);
        EXPECT_FALSE(writeMidi(sink, performance, smallSettings())) << room;
    }
    FullSink roomy(full);
    EXPECT_TRUE(writeMidi(roomy, performance, smallSettings()));
    EXPECT_GT(roomy.writes, 5);  // block by block, not all at once
}

class MidiFileOnDisk : public ::testing::Test {
protected:
    void SetUp() override {
        folder = std::filesystem::temp_directory_path() /
                 ("skirlo-midi-" + std::to_string(::getpid()) + "-" +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(folder);
        std::filesystem::create_directories(folder);
    }
    void TearDown() override { std::filesystem::remove_all(folder); }

    std::size_t filesInFolder() const {
        return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(folder), {}));
    }

    std::filesystem::path folder;
};

TEST_F(MidiFileOnDisk, WritesTheSameBytesAsInMemoryAndNothingElse) {
    const std::vector<PerformanceEvent> performance{note(60, 100), note(60, 200)};
    const std::filesystem::path path = folder / "tune.mid";
    {
        std::ofstream old(path);
        old << "an older file that is longer than the new one will be, to see it truncated ..........";
    }
    ASSERT_TRUE(writeMidiFile(path.string(), performance, smallSettings()));
    std::ifstream in(path, std::ios::binary);
    const Bytes onDisk{std::istreambuf_iterator<char>(in), {}};
    EXPECT_EQ(onDisk, written(performance, smallSettings()));
    EXPECT_EQ(filesInFolder(), 1u);
}

TEST_F(MidiFileOnDisk, FailureLeavesNoFileBehind) {
    const std::vector<PerformanceEvent> performance{note(60, 100)};
    EXPECT_FALSE(writeMidiFile((folder / "missing" / "tune.mid").string(), performance, smallSettings()));
    EXPECT_FALSE(writeMidiFile((folder / "empty.mid").string(), {}, smallSettings()));
    // A folder where the file should go: the rename fails, the temporary goes.
    std::filesystem::create_directory(folder / "taken.mid");
    std::filesystem::create_directory(folder / "taken.mid" / "x");
    EXPECT_FALSE(writeMidiFile((folder / "taken.mid").string(), performance, smallSettings()));
    EXPECT_EQ(filesInFolder(), 1u);
}

TEST_F(MidiFileOnDisk, FileSizeLimitLeavesNoFileBehind) {
    // A file size limit makes the writes fail as a full disk would.
    std::vector<PerformanceEvent> performance;
    for (int i = 0; i < 20000; ++i) performance.push_back(note(60 + i % 2, 100));
    rlimit old{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
    rlimit small = old;
    small.rlim_cur = 4096;
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool written = writeMidiFile((folder / "big.mid").string(), performance, smallSettings());
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_FALSE(written);
    EXPECT_EQ(filesInFolder(), 0u);
}

}  // namespace
}  // namespace skirlo
