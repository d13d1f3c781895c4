// The desktop program's costs on the offscreen platform. Targets: start-up to
// the first painted tune window under 400 ms; opening a book of 50 tunes
// under 1 s; a rebuild of the march after an edit, repaint included, under
// 30 ms.

#include <benchmark/benchmark.h>
#include <QApplication>

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

namespace {

namespace fs = std::filesystem;
using namespace skirlo;

std::string readText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

class NoSaving final : public SaveNameDialog {
public:
    Answer ask(std::string_view, std::string_view) override { return {}; }
};

// A private profile and the tunes to open, in a folder of their own.
struct Scene {
    Scene() {
        folder = fs::temp_directory_path() / ("skirlo_editor_bench_" + std::to_string(::getpid()));
        fs::create_directories(folder);
        fs::copy_file(SKIRLO_RESOURCE_DIR "/QTN32.INI", folder / "QTN32.INI", fs::copy_options::overwrite_existing);
        march = folder / "march.tnz";
        const std::string text = readText(fs::path(SKIRLO_RESOURCE_DIR) / "examples" / "highland-laddie.tnz");
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
    NoSaving dialog;
};

Scene& scene() {
    static Scene instance;
    return instance;
}

void paint(TuneWindow& tune) { tune.musicView()->viewport()->repaint(); }

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

void BM_RebuildMarchAfterEdit(benchmark::State& state) {
    std::unique_ptr<Application> application = scene().start(scene().march);
    TuneWindow& tune = *application->mainWindow()->activeTune();
    ScriptView& script = *tune.scriptView();
    script.moveCursor(QTextCursor::End);
    bool grow = true;
    for (auto _ : state) {
        // Alternately add and remove a note, so that every rebuild has something new to lay out.
        if (grow) {
            script.insertPlainText(QStringLiteral(" LA_4"));
        } else {
            for (int i = 0; i < 5; ++i) script.textCursor().deletePreviousChar();
        }
        grow = !grow;
        tune.refreshMusic();
        paint(tune);
    }
    tune.document().script().setModified(false);
}
BENCHMARK(BM_RebuildMarchAfterEdit)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
