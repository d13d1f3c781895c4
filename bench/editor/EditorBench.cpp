// The desktop program's costs on the offscreen platform. Targets: start-up to
// the first painted tune window under 400 ms; opening a book of 50 tunes
// under 1 s; a rebuild of the march after an edit, repaint included, under
// 30 ms; a repaint of a full window of music at zoom 100 and 200 under 8 ms;
// a step of the bouncing ball (erase and draw) under 1 ms; a refresh of the
// march under 30 ms; the rebuild typing asks for, key to repaint, under 30 ms
// for the march and under 200 ms for the book.

#include <benchmark/benchmark.h>
#include <QApplication>
#include <QImage>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>

#include "common/MessageSink.h"
#include "document/DocumentSaving.h"
#include "document/TuneDocument.h"
#include "editor/Application.h"
#include "editor/MainWindow.h"
#include "editor/MusicView.h"
#include "editor/ScriptView.h"
#include "editor/TuneWindow.h"
#include "support/FileTestSupport.h"

namespace {

namespace fs = std::filesystem;
using namespace skirlo;

// A private profile and the tunes to open, in a folder of their own.
struct Scene {
    Scene() {
        folder = fs::temp_directory_path() / ("skirlo_editor_bench_" + std::to_string(::getpid()));
        fs::create_directories(folder);
        fs::copy_file(SKIRLO_RESOURCE_DIR "/QTN32.INI", folder / "QTN32.INI", fs::copy_options::overwrite_existing);
        march = folder / "march.tnz";
        const std::string text = test::readFile(fs::path(SKIRLO_RESOURCE_DIR) / "examples" / "highland-laddie.tnz");
        std::ofstream(march, std::ios::binary) << text;
        // The march fifty times, each copy a tune of its own.
        const std::string tune = text.substr(text.find("\"Highland Laddie\""));
        std::string book = text;
        for (int n = 2; n <= 50; ++n) book += "\r\n\"Skirlo: tune " + std::to_string(n) + "\"\r\n\r\n" + tune;
        bookPath = folder / "book.tnz";
        std::ofstream(bookPath, std::ios::binary) << book;
    }
    ~Scene() { fs::remove_all(folder); }

    std::unique_ptr<Application> start(const fs::path& file) {
        Application::Options options;
        options.files = {QString::fromStdString(file.string())};
        options.profile = QString::fromStdString((folder / "QTN32.INI").string());
        options.messages = &messages;
        options.saveDialog = &dialog;
        auto application = std::make_unique<Application>(options);
        application->start();
        return application;
    }

    fs::path folder, march, bookPath;
    RecordingMessageSink messages;
    test::ScriptedSaveDialog dialog;
};

Scene& scene() {
    static Scene instance;
    return instance;
}

// Paints the visible music, as an expose of the whole pane would, into an
// image of the pane's size.
void paint(TuneWindow& tune) {
    QWidget& viewport = *tune.musicView()->viewport();
    if (!viewport.isVisible() || viewport.width() < 100) {
        std::fprintf(stderr, "the music pane is not showing (%d x %d)\n", viewport.width(), viewport.height());
        std::abort();
    }
    QImage picture(viewport.size(), QImage::Format_ARGB32_Premultiplied);
    viewport.render(&picture);
    benchmark::DoNotOptimize(picture.constBits());
}

void BM_StartUpToFirstPaintedTune(benchmark::State& state) {
    for (auto _ : state) {
        std::unique_ptr<Application> application = scene().start(scene().march);
        paint(*application->mainWindow()->activeTune());
        state.PauseTiming();
        application.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_StartUpToFirstPaintedTune)->Unit(benchmark::kMillisecond);

void BM_OpenFiftyTuneBook(benchmark::State& state) {
    std::unique_ptr<Application> application = scene().start({});
    MainWindow& window = *application->mainWindow();
    for (auto _ : state) {
        TuneWindow* tune = window.openTune(QString::fromStdString(scene().bookPath.string()));
        paint(*tune);
        state.PauseTiming();
        tune->document().script().setModified(false);
        window.closeAllTunes();
        QApplication::processEvents();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_OpenFiftyTuneBook)->Unit(benchmark::kMillisecond);

// Alternately adds and removes a note at the end of the text, so that every
// rebuild has something new to lay out, and times `rebuild` and the repaint.
template <typename Rebuild>
void timeEditsAndRebuilds(benchmark::State& state, TuneWindow& tune, Rebuild rebuild) {
    ScriptView& script = *tune.scriptView();
    script.moveCursor(QTextCursor::End);
    bool grow = true;
    for (auto _ : state) {
        if (grow) {
            script.insertPlainText(QStringLiteral(" LA_4"));
        } else {
            for (int i = 0; i < 5; ++i) script.textCursor().deletePreviousChar();
        }
        grow = !grow;
        rebuild();
        paint(tune);
    }
    tune.document().script().setModified(false);
}

void BM_RebuildMarchAfterEdit(benchmark::State& state) {
    std::unique_ptr<Application> application = scene().start(scene().march);
    TuneWindow& tune = *application->mainWindow()->activeTune();
    timeEditsAndRebuilds(state, tune, [&tune] { tune.refreshMusic(); });
}
BENCHMARK(BM_RebuildMarchAfterEdit)->Unit(benchmark::kMillisecond);

// A window of 1400 x 900, the size of the screen the program is looked at on.
TuneWindow& fullWindow(Application& application, int zoom) {
    TuneWindow& tune = *application.mainWindow()->activeTune();
    tune.resize(1400, 900);
    tune.show();
    if (zoom != tune.musicView()->zoom()) {
        tune.musicView()->setZoom(zoom);
        tune.musicView()->refresh();
    }
    return tune;
}

void BM_RepaintFullWindow(benchmark::State& state) {
    std::unique_ptr<Application> application = scene().start(scene().march);
    TuneWindow& tune = fullWindow(*application, static_cast<int>(state.range(0)));
    for (auto _ : state) paint(tune);
}
BENCHMARK(BM_RepaintFullWindow)->Arg(100)->Arg(200)->Unit(benchmark::kMillisecond);

// The ball moves from one sounding symbol to the next: the old ball's area
// and the new one's are repainted.
void BM_BallStep(benchmark::State& state) {
    std::unique_ptr<Application> application = scene().start(scene().march);
    TuneWindow& tune = fullWindow(*application, 100);
    const auto& events = tune.document().playback().midiEvents.events();
    std::vector<const Symbol*> symbols;
    for (const MidiEvent& event : events) {
        if (event.symbol && (symbols.empty() || symbols.back() != event.symbol)) symbols.push_back(event.symbol);
    }
    MusicView& music = *tune.musicView();
    std::size_t next = 0;
    for (auto _ : state) {
        // The erased ball is one unit larger all round than the drawn one.
        const QRect old = music.ballRect().adjusted(-1, -1, 1, 1);
        music.followPlayback(symbols[next], nullptr);
        QImage picture(music.viewport()->size(), QImage::Format_ARGB32_Premultiplied);
        music.viewport()->render(&picture, QPoint(), QRegion(old) + QRegion(music.ballRect()));
        next = (next + 1) % std::min<std::size_t>(symbols.size(), 40);
        state.PauseTiming();
        QApplication::processEvents();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_BallStep)->Unit(benchmark::kMicrosecond);

// What typing costs once it pauses: from the last key to the repainted
// music, the pause itself left out. Arg 0 the march, 1 the book of fifty
// tunes. Targets: under 30 ms for the march, under 200 ms for the book.
void BM_TypingRebuild(benchmark::State& state) {
    std::unique_ptr<Application> application =
        scene().start(state.range(0) == 0 ? scene().march : scene().bookPath);
    TuneWindow& tune = *application->mainWindow()->activeTune();
    timeEditsAndRebuilds(state, tune, [&tune] { tune.rebuildFromTyping(); });
}
BENCHMARK(BM_TypingRebuild)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_RefreshMarch(benchmark::State& state) {
    std::unique_ptr<Application> application = scene().start(scene().march);
    TuneWindow& tune = *application->mainWindow()->activeTune();
    for (auto _ : state) tune.refreshMusic();
}
BENCHMARK(BM_RefreshMarch)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
