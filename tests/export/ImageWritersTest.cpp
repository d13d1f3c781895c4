// The PCX and BMP writers byte by byte, progress and cancel, and what a
// failed or cancelled export leaves on disk.

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "common/MessageSink.h"
#include "export/ExportProgress.h"
#include "export/ImageWriters.h"
#include "export/MusicImage.h"

namespace skirlo {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

Bytes encode(const Bytes& row) {
    Bytes out;
    const std::size_t written = encodePcxRow(row.data(), row.size(), out);
    EXPECT_EQ(written, out.size());
    return out;
}

Bytes readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

unsigned read16(const Bytes& b, std::size_t at) { return b[at] | b[at + 1] << 8; }
unsigned read32(const Bytes& b, std::size_t at) { return read16(b, at) | read16(b, at + 2) << 16; }

class CancellingProgress final : public ExportProgress {
public:
    explicit CancellingProgress(int after) : after_(after) {}
    void begin(std::string_view t, std::string_view m, int lower, int upper) override {
        title = std::string(t);
        message = std::string(m);
        range = upper - lower;
    }
    void step() override { ++steps; }
    bool cancelled() const override { return after_ >= 0 && steps >= after_; }
    void end() override { ended = true; }

    std::string title;
    std::string message;
    int range = 0;
    int steps = 0;
    bool ended = false;

private:
    int after_;
};

class ScratchFolder : public ::testing::Test {
protected:
    void SetUp() override {
        folder = fs::temp_directory_path() / ("skirlo-writers-" + std::to_string(::getpid()));
        fs::remove_all(folder);
        fs::create_directories(folder);
    }
    void TearDown() override { fs::remove_all(folder); }
    std::size_t filesInFolder() const {
        return static_cast<std::size_t>(std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
    }

    fs::path folder;
    RecordingMessageSink messages;
    PcxDevice device{96, 96, 1024, 768};
};

// Two rows, 33 pixels: the top row all black, the bottom row white but for
// its first pixel.
MonoBitmap twoRows() {
    MonoBitmap bitmap(33, 2);
    for (int x = 0; x < 33; ++x) bitmap.setBlack(x, 0);
    bitmap.setBlack(0, 1);
    return bitmap;
}

TEST(PcxRows, RowSizesOfAnOddWidth) {
    EXPECT_EQ(bmpRowSize(33), 8u);
    EXPECT_EQ(pcxRowSize(33), 6u);
    EXPECT_EQ(bmpRowSize(32), 4u);
    EXPECT_EQ(pcxRowSize(16), 2u);
    EXPECT_EQ(pcxRowSize(1), 2u);
}

TEST(PcxRows, RunLengthEncoding) {
    // 200 equal bytes: three full runs of 63 and a run of 11 (0xC0 | 11).
    EXPECT_EQ(encode(Bytes(200, 0xFF)), (Bytes{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xCB, 0xFF}));
    // A single byte with both top bits set needs a count; one below 0xC0 stands alone.
    EXPECT_EQ(encode({0xC5}), (Bytes{0xC1, 0xC5}));
    EXPECT_EQ(encode({0x12}), (Bytes{0x12}));
    EXPECT_EQ(encode({0x12, 0x12, 0x34, 0xC0, 0xC0}), (Bytes{0xC2, 0x12, 0x34, 0xC2, 0xC0}));
    EXPECT_EQ(encode(Bytes(63, 0x00)), (Bytes{0xFF, 0x00}));
    EXPECT_EQ(encode(Bytes(64, 0x00)), (Bytes{0xFF, 0x00, 0x00}));
    EXPECT_TRUE(encode({}).empty());
}

TEST(BmpFile, HeadersDescribeATwoColourBottomUpBitmap) {
    const Bytes h = bmpHeaders(33, 2);
    ASSERT_EQ(h.size(), kBmpHeaderSize);
    EXPECT_EQ(h[0], 'B');
    EXPECT_EQ(h[1], 'M');
    EXPECT_EQ(read32(h, 2), 62u + 16u);
    EXPECT_EQ(read32(h, 10), 62u);
    EXPECT_EQ(read32(h, 14), 40u);
    EXPECT_EQ(read32(h, 18), 33u);
    EXPECT_EQ(read32(h, 22), 2u);
    EXPECT_EQ(read16(h, 26), 1u);
    EXPECT_EQ(read16(h, 28), 1u);
    EXPECT_EQ(read32(h, 30), 0u);
    EXPECT_EQ(read32(h, 34), 16u);
    EXPECT_EQ(read32(h, 46), 2u);
    EXPECT_EQ(read32(h, 50), 0u);
    EXPECT_EQ(read32(h, 54), 0u);           // black
    EXPECT_EQ(read32(h, 58), 0x00FFFFFFu);  // white
}

TEST(PcxFile, HeaderRecordsSizeResolutionAndPalette) {
    const Bytes h = pcxHeader(33, 2, PcxDevice{96, 120, 1024, 768});
    ASSERT_EQ(h.size(), kPcxHeaderSize);
    EXPECT_EQ(h[0], 0x0A);
    EXPECT_EQ(h[1], 5);
    EXPECT_EQ(h[2], 1);
    EXPECT_EQ(h[3], 1);
    EXPECT_EQ(read16(h, 4), 0u);
    EXPECT_EQ(read16(h, 8), 32u);
    EXPECT_EQ(read16(h, 10), 1u);
    EXPECT_EQ(read16(h, 12), 96u);
    EXPECT_EQ(read16(h, 14), 120u);
    EXPECT_EQ((Bytes{h[16], h[17], h[18], h[19], h[20], h[21]}), (Bytes{0, 0, 0, 255, 255, 255}));
    for (std::size_t i = 22; i < 64; ++i) EXPECT_EQ(h[i], 0) << i;
    EXPECT_EQ(h[65], 1);
    EXPECT_EQ(read16(h, 66), 6u);
    EXPECT_EQ(read16(h, 68), 2u);
    EXPECT_EQ(read16(h, 70), 1024u);
    EXPECT_EQ(read16(h, 72), 768u);
}

TEST(ImageFormats, ExtensionChoosesTheFormat) {
    EXPECT_EQ(imageFormatForPath("tune.bmp"), ImageFileFormat::Bmp);
    EXPECT_EQ(imageFormatForPath("TUNE.BMP"), ImageFileFormat::Bmp);
    EXPECT_EQ(imageFormatForPath("tune.pcx"), ImageFileFormat::Pcx);
    EXPECT_EQ(imageFormatForPath("tune.jpg"), ImageFileFormat::Pcx);
    EXPECT_EQ(imageFormatForPath("tune"), ImageFileFormat::Pcx);
    EXPECT_EQ(imageFormatForPath("pictures.bmp/tune"), ImageFileFormat::Pcx);
    EXPECT_EQ(imageFormatForPath("a.b.Png"), ImageFileFormat::Png);
    EXPECT_EQ(imageFormatForPath("tune.svg"), ImageFileFormat::Svg);
    EXPECT_EQ(imageFormatForPath("tune.pdf"), ImageFileFormat::Pdf);
}

TEST(ImageSize, HugePicturesAreRefusedWithAReason) {
    EXPECT_TRUE(imageSizeProblem({1000, 800}).empty());
    EXPECT_TRUE(imageSizeProblem({kMaxImageSide, 100}).empty());
    EXPECT_NE(imageSizeProblem({kMaxImageSide + 1, 100}).find("smaller zoom"), std::string::npos);
    EXPECT_FALSE(imageSizeProblem({20000, 20000}).empty());  // too many pixels in all
    EXPECT_FALSE(imageSizeProblem({0, 10}).empty());
}

TEST(Progress, PercentageCaptionChangesOnlyWhenTheNumberDoes) {
    ProgressCounter counter;
    counter.setRange(0, 400);
    EXPECT_TRUE(counter.stepIt());  // 0 %, shown the first time
    EXPECT_FALSE(counter.stepIt());
    EXPECT_FALSE(counter.stepIt());
    EXPECT_TRUE(counter.stepIt());  // 4 of 400: 1 %
    EXPECT_EQ(counter.percent(), 1);
    for (int i = 0; i < 196; ++i) counter.stepIt();
    EXPECT_EQ(counter.percent(), 50);
    EXPECT_EQ(counter.caption("Saving Progress"), "Saving Progress [50%]");
    ProgressCounter empty;
    empty.setRange(5, 5);
    empty.stepIt();
    EXPECT_EQ(empty.percent(), 0);
}

TEST(Progress, MessageNamesTheFile) {
    EXPECT_EQ(savingMessage("C:\\tunes\\reel.pcx"), "Saving \"reel.pcx\"");
    EXPECT_EQ(savingMessage("/home/piper/reel.bmp"), "Saving \"reel.bmp\"");
    EXPECT_EQ(savingMessage("reel.pcx"), "reel.pcx");
}

TEST_F(ScratchFolder, BmpRowsAreWrittenBottomUp) {
    const fs::path path = folder / "rows.bmp";
    SilentProgress progress;
    std::string error;
    ASSERT_EQ(writeMonoImage(twoRows(), ImageFileFormat::Bmp, path, device, progress, messages, error),
              WriteOutcome::Written)
        << error;
    const Bytes file = readFile(path);
    ASSERT_EQ(file.size(), 62u + 16u);
    // Bottom row first: black first pixel, then white, padding bits 0.
    EXPECT_EQ((Bytes(file.begin() + 62, file.begin() + 70)), (Bytes{0x7F, 0xFF, 0xFF, 0xFF, 0x80, 0, 0, 0}));
    EXPECT_EQ((Bytes(file.begin() + 70, file.end())), (Bytes(8, 0x00)));
}

TEST_F(ScratchFolder, PcxRowsAreEncodedTopDown) {
    const fs::path path = folder / "rows.pcx";
    CancellingProgress progress(-1);
    std::string error;
    ASSERT_EQ(writeMonoImage(twoRows(), ImageFileFormat::Pcx, path, device, progress, messages, error),
              WriteOutcome::Written)
        << error;
    const Bytes file = readFile(path);
    ASSERT_GE(file.size(), kPcxHeaderSize);
    // Top row: six zero bytes; bottom row: 7F FF FF FF 80 00.
    EXPECT_EQ((Bytes(file.begin() + 128, file.end())), (Bytes{0xC6, 0x00, 0x7F, 0xC3, 0xFF, 0x80, 0x00}));
    EXPECT_EQ(progress.title, "Saving Progress");
    EXPECT_EQ(progress.message, "Saving \"rows.pcx\"");
    EXPECT_EQ(progress.range, 2);
    EXPECT_EQ(progress.steps, 2);
    EXPECT_TRUE(progress.ended);
    EXPECT_TRUE(messages.messages().empty());
    EXPECT_EQ(filesInFolder(), 1u);
}

TEST_F(ScratchFolder, CancellingLeavesTheOldFileAndNoPartialOne) {
    const fs::path path = folder / "tune.pcx";
    std::ofstream(path) << "old";
    CancellingProgress progress(1);
    std::string error;
    EXPECT_EQ(writeMonoImage(MonoBitmap(100, 50), ImageFileFormat::Pcx, path, device, progress, messages, error),
              WriteOutcome::Cancelled);
    ASSERT_EQ(messages.messages().size(), 1u);
    EXPECT_EQ(messages.messages().front().text, "Saving Cancelled");
    EXPECT_EQ(progress.steps, 1);
    EXPECT_EQ(readFile(path), (Bytes{'o', 'l', 'd'}));
    EXPECT_EQ(filesInFolder(), 1u);
}

TEST_F(ScratchFolder, FileThatCannotBeCreatedIsAFailure) {
    SilentProgress progress;
    std::string error;
    const fs::path path = folder / "missing" / "tune.bmp";
    EXPECT_EQ(writeMonoImage(MonoBitmap(10, 10), ImageFileFormat::Bmp, path, device, progress, messages, error),
              WriteOutcome::Failed);
    EXPECT_NE(error.find("tune.bmp"), std::string::npos);
    EXPECT_FALSE(fs::exists(path));
}

TEST_F(ScratchFolder, WriteErrorLeavesNothingBehind) {
    // A file size limit makes the disk refuse the rows, as a full disk would.
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 1000;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    SilentProgress progress;
    std::string error;
    const fs::path path = folder / "big.bmp";
    const WriteOutcome outcome =
        writeMonoImage(MonoBitmap(200, 200), ImageFileFormat::Bmp, path, device, progress, messages, error);
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);
    EXPECT_EQ(outcome, WriteOutcome::Failed);
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(filesInFolder(), 0u);
}

}  // namespace
}  // namespace skirlo
