#include "editor/MainWindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QPageSetupDialog>
#include <QScopedValueRollback>
#include <QStatusBar>
#include <QToolBar>
#include <QUrl>
#include <QWhatsThis>

#include "common/MessageSink.h"
#include "document/DocumentSaving.h"
#include "document/FileHistory.h"
#include "document/ProgramConfiguration.h"
#include "document/TuneDocument.h"
#include "document/Workspace.h"
#include "editor/ImportOpening.h"
#include "editor/ActionIcons.h"
#include "editor/EditorContext.h"
#include "editor/HelpWindow.h"
#include "editor/LibraryPane.h"
#include "document/MusicSettings.h"
#include "editor/MusicPrinter.h"
#include "editor/MusicView.h"
#include "editor/ScriptView.h"
#include "editor/StartPage.h"
#include "editor/TuneWindow.h"
#include "editor/WhatsThisTexts.h"
#include "interchange/EmbellishmentTable.h"
#include "library/LibraryIndex.h"

namespace skirlo {

namespace {

constexpr int kFirstChanterVolume = 4501;
constexpr int kVolumeItems = 11;

QString openFilter() {
    return QString::fromLatin1(kTuneFilterName.data(), static_cast<int>(kTuneFilterName.size())) +
           QStringLiteral(";;ABC Files (*.abc);;MusicXML Scores (*.musicxml *.xml *.mxl);;All Files (*)");
}

}  // namespace

MainWindow::MainWindow(EditorContext& context, TuneFolder& tuneFolder, RecentFiles& recentFiles, QWidget* parent)
    : QMainWindow(parent), context_(context), tuneFolder_(tuneFolder), recentFiles_(recentFiles) {
    setWindowTitle(QString::fromLatin1(kApplicationTitle.data(), static_cast<int>(kApplicationTitle.size())));
    setWindowIcon(QIcon(QString::fromStdString((context.workspace.resourceDir / "icons" / "skirlo.svg").string())));
    setAcceptDrops(true);
    area_ = new QMdiArea;
    area_->setViewMode(QMdiArea::TabbedView);
    area_->setDocumentMode(true);
    area_->setTabsClosable(true);
    area_->setTabsMovable(true);
    setCentralWidget(area_);
    // The start page covers the empty area; the tune windows are never hidden behind it.
    startPage_ = new StartPage(QString::fromStdString((context.workspace.resourceDir / "examples").string()),
                               area_->viewport());
    area_->viewport()->installEventFilter(this);
    connect(startPage_, &StartPage::newRequested, this, &MainWindow::newTune);
    connect(startPage_, &StartPage::openRequested, this, &MainWindow::openFromDialog);
    connect(startPage_, &StartPage::fileChosen, this, [this](const QString& path) { openTune(path); });
    chooseFiles_ = [this] {
        return QFileDialog::getOpenFileNames(this, tr("Open"), QDir::currentPath(), openFilter());
    };
    buildMenus();
    buildToolbar();
    library_ = new LibraryPane(defaultLibraryPath(), context_.workspace.symbols,
                               EmbellishmentTable::fromProfile(*context_.workspace.profile),
                               [this](const QString& path, int position) {
        if (TuneWindow* tune = openTune(path)) showTuneAt(*tune, position);
    }, this);
    library_->install(*this);
    library_->setSetOpener([this](std::string text) {
        addTuneWindow(TuneDocument::createImported(++untitledCount_, std::move(text)));
    });
    statusBar()->showMessage(tr("Ready"));
    problemCount_ = new QLabel;
    problemCount_->setObjectName(QStringLiteral("problemCount"));
    statusBar()->addPermanentWidget(problemCount_);
    connect(area_, &QMdiArea::subWindowActivated, this, &MainWindow::updateCommands);
    // Copy follows the pane with the focus.
    connect(qApp, &QApplication::focusChanged, this, &MainWindow::updateCommands);
    updateRecentFiles();
    updateCommands();
}

// The tune windows close after the members are gone: they must not update the commands.
MainWindow::~MainWindow() {
    disconnect(area_, nullptr, this, nullptr);
    disconnect(qApp, nullptr, this, nullptr);
}

QAction* MainWindow::addCommand(QMenu* menu, int commandId, const QString& label, std::function<void()> run,
                                const QList<QKeySequence>& keys) {
    auto* item = new QAction(label, this);
    item->setData(commandId);
    item->setShortcuts(keys);
    item->setWhatsThis(whatsThisText(commandId));
    connect(item, &QAction::triggered, this, [run = std::move(run)] { run(); });
    if (menu) menu->addAction(item);
    actions_.insert(commandId, item);
    return item;
}

void MainWindow::buildMenus() {
    buildFileMenu();
    buildEditMenu();
    buildConfigureMenu();
    buildViewMenu();
    buildPlayerMenu();
    buildWindowMenu();
    buildHelpMenu();
    // Keys that have no menu item of their own.
    addCommand(nullptr, command::kNextPane, tr("Next Pane"), [this] {
        if (TuneWindow* tune = activeTune()) tune->focusOtherPane();
    }, {QKeySequence(Qt::Key_F6)});
    addCommand(nullptr, command::kPreviousPane, tr("Previous Pane"), [this] {
        if (TuneWindow* tune = activeTune()) tune->focusOtherPane();
    }, {QKeySequence(Qt::SHIFT | Qt::Key_F6)});
    for (int id : {command::kNextPane, command::kPreviousPane}) addAction(actions_.value(id));
}

void MainWindow::buildFileMenu() {
    QMenu* file = menuBar()->addMenu(tr("&File"));
    addCommand(file, command::kNew, tr("&New"), [this] { newTune(); }, {QKeySequence::New});
    addCommand(file, command::kOpen, tr("&Open..."), [this] { openFromDialog(); }, {QKeySequence::Open});
    tuneFileItems_ << addCommand(file, command::kClose, tr("&Close"), [this] {
        if (QMdiSubWindow* window = area_->activeSubWindow()) window->close();
    });
    tuneFileItems_ << addCommand(file, command::kSave, tr("&Save"), [this] {
        if (TuneWindow* tune = activeTune()) tune->save(context_.saveDialog);
    }, {QKeySequence::Save});
    tuneFileItems_ << addCommand(file, command::kSaveAs, tr("Save &As..."), [this] {
        if (TuneWindow* tune = activeTune()) tune->saveAs(context_.saveDialog);
    });
    tuneFileItems_ << addCommand(file, command::kSaveAsMidi, tr("Save As &Midi"), [this] {
        if (TuneWindow* tune = activeTune()) tune->saveAsMidi();
    });
    tuneFileItems_ << addCommand(file, command::kSaveAsPipeMidi, tr("Save As Midi with &Pipe Tuning..."), [this] {
        if (TuneWindow* tune = activeTune()) tune->saveAsPipeTunedMidi();
    });
    tuneFileItems_ << addCommand(file, command::kSaveAsImage, tr("Save As &Image.."), [this] {
        if (TuneWindow* tune = activeTune()) tune->saveAsImage();
    });
    tuneFileItems_ << addCommand(file, command::kSaveAsMusicXml, tr("Save As Music&XML..."), [this] {
        if (TuneWindow* tune = activeTune()) tune->saveAsMusicXml();
    });
    // Every print starts from the program's printer settings, which Print Setup edits.
    file->addSeparator();
    auto* printer = new PrinterDefaults(this);
    auto printerFor = [this](TuneWindow& tune) {
        return MusicPrinter(tune.document(), context_.workspace, context_.messages);
    };
    addCommand(file, command::kPrintSetup, tr("P&rint Setup..."),
               [this, printer] { QPageSetupDialog(&printer->printer(), this).exec(); });
    tuneFileItems_ << addCommand(file, command::kMusicPageSetup, tr("Page Se&tup.."), [this] {
        if (TuneWindow* tune = activeTune()) tune->musicPageSetup();
    });
    tuneFileItems_ << addCommand(file, command::kPrintPreview, tr("Print Pre&view"), [this, printer, printerFor] {
        if (TuneWindow* tune = activeTune()) {
            tune->mendText();
            printerFor(*tune).preview(printer->printer(), this);
        }
    });
    tuneFileItems_ << addCommand(file, command::kPrintMusic, tr("&Print..."), [this, printer, printerFor] {
        if (TuneWindow* tune = activeTune()) {
            tune->mendText();
            printerFor(*tune).print(printer->printer(), this);
        }
    }, {QKeySequence::Print});
    tuneFileItems_ << file->addSeparator();
    tuneFileItems_ << addCommand(file, command::kScriptPageSetup, tr("Script Pa&ge Setup..."),
                                 [this] { onScript([](ScriptView& script) { script.scriptPageSetup(); }); });
    tuneFileItems_ << addCommand(file, command::kPrintPreviewScript, tr("Script Print Previe&w"),
                                 [this] { onScript([](ScriptView& script) { script.previewScript(); }); });
    tuneFileItems_ << addCommand(file, command::kPrintScript, tr("Print Script T&ext..."),
                                 [this] { onScript([](ScriptView& script) { script.printScript(); }); });
    recentSeparator_ = file->addSeparator();
    for (std::size_t i = 0; i < RecentFiles::kSize; ++i) {
        const int id = command::kFirstRecentFile + static_cast<int>(i);
        recentItems_ << addCommand(file, id, QString(), [this, i] {
            if (i < recentFiles_.paths().size()) openTune(QString::fromStdString(recentFiles_.paths()[i]));
        });
    }
    file->addSeparator();
    addCommand(file, command::kExit, tr("E&xit"), [this] { close(); }, {QKeySequence::Quit});
}

void MainWindow::buildEditMenu() {
    QMenu* edit = menuBar()->addMenu(tr("&Edit"));
    tuneMenus_ << edit;
    const auto onEditor = [this](void (QPlainTextEdit::*slot)()) {
        return [this, slot] { onScript([slot](ScriptView& script) { (script.*slot)(); }); };
    };
    addCommand(edit, command::kUndo, tr("&Undo"), onEditor(&QPlainTextEdit::undo),
               {QKeySequence::Undo, QKeySequence(Qt::ALT | Qt::Key_Backspace)});
    addCommand(edit, command::kRedo, tr("&Redo"), onEditor(&QPlainTextEdit::redo), {QKeySequence::Redo});
    edit->addSeparator();
    addCommand(edit, command::kCut, tr("Cu&t"), onEditor(&QPlainTextEdit::cut),
               {QKeySequence::Cut, QKeySequence(Qt::SHIFT | Qt::Key_Delete)});
    // Copy in the music pane takes the music; in the script pane the selected text.
    addCommand(edit, command::kCopy, tr("&Copy"), [this] {
        TuneWindow* tune = activeTune();
        if (tune != nullptr && tune->musicView()->hasFocus()) return tune->musicView()->copyMusic();
        onScript([](ScriptView& script) { script.copy(); });
    }, {QKeySequence::Copy, QKeySequence(Qt::CTRL | Qt::Key_Insert)});
    addCommand(edit, command::kPaste, tr("&Paste"), onEditor(&QPlainTextEdit::paste),
               {QKeySequence::Paste, QKeySequence(Qt::SHIFT | Qt::Key_Insert)});
    addCommand(edit, command::kDelete, tr("&Delete"),
               [this] { onScript([](ScriptView& script) { script.deleteSelection(); }); });
    edit->addSeparator();
    addCommand(edit, command::kFind, tr("&Find..."), [this] { onScript([](ScriptView& s) { s.findText(); }); },
               {QKeySequence::Find});
    addCommand(edit, command::kFindNext, tr("Find &Next"), [this] { onScript([](ScriptView& s) { s.findNext(); }); },
               {QKeySequence::FindNext});
    addCommand(edit, command::kReplace, tr("&Replace..."),
               [this] { onScript([](ScriptView& s) { s.replaceText(); }); }, {QKeySequence(Qt::CTRL | Qt::Key_H)});
    edit->addSeparator();
    addCommand(edit, command::kSelectAll, tr("Select &All"), onEditor(&QPlainTextEdit::selectAll),
               {QKeySequence::SelectAll});
    addCommand(edit, command::kWordWrap, tr("&Word Wrap"),
               [this] { onScript([](ScriptView& s) { s.toggleWordWrap(); }); })
        ->setCheckable(true);
}

void MainWindow::buildConfigureMenu() {
    QMenu* configure = menuBar()->addMenu(tr("&Configure"));
    tuneMenus_ << configure;
    // The music pane sets up its selected text; the script pane its own font.
    addCommand(configure, command::kSetFont, tr("Set &Font..."), [this] {
        TuneWindow* tune = activeTune();
        if (tune == nullptr) return;
        if (tune->musicView()->hasFocus()) {
            tune->setUpSelectedText();
        } else {
            tune->scriptView()->chooseFont();
        }
    });
    addCommand(configure, command::kSetPrintFont, tr("Set font for printing"),
               [this] { onScript([](ScriptView& s) { s.choosePrintFont(); }); })
        ->setCheckable(true);
    addCommand(configure, command::kSamePrintFont, tr("Use same font for printing as for display"),
               [this] { onScript([](ScriptView& s) { s.usePrintFontOfDisplay(); }); })
        ->setCheckable(true);
    addCommand(configure, command::kPlayOptions, tr("Set Play &Options.."), [this] {
        if (TuneWindow* tune = activeTune()) tune->playOptions();
    });
    QMenu* volume = configure->addMenu(tr("&Volume"));
    const QString groups[] = {tr("&Chanter"), tr("&Tenor"), tr("&Bass")};
    for (int group = 0; group < 3; ++group) {
        QMenu* instrument = volume->addMenu(groups[group]);
        for (int item = 0; item < kVolumeItems; ++item) {
            const int id = kFirstChanterVolume + group * kVolumeItems + item;
            addCommand(instrument, id, QStringLiteral("%%1").arg(100 - item * 10), [this, id] {
                if (TuneWindow* tune = activeTune()) tune->setVolumeFromMenu(id);
            });
        }
    }
}

void MainWindow::buildViewMenu() {
    QMenu* view = menuBar()->addMenu(tr("&View"));
    addCommand(view, command::kToolbar, tr("&Toolbar"), [] {})->setCheckable(true);
    addCommand(view, command::kStatusBar, tr("&Status Bar"), [] {})->setCheckable(true);
    QAction* statusItem = actions_.value(command::kStatusBar);
    statusItem->setChecked(true);
    connect(statusItem, &QAction::toggled, statusBar(), &QStatusBar::setVisible);
    tuneFileItems_ << view->addSeparator();
    tuneFileItems_ << addCommand(view, command::kTabStops, tr("Set Ta&b Stops..."),
                                 [this] { onScript([](ScriptView& s) { s.chooseTabStops(); }); });
    tuneFileItems_ << addCommand(view, command::kRefresh, tr("&Refresh Music"), [this] {
        if (TuneWindow* tune = activeTune()) tune->refreshMusic();
    }, {QKeySequence(Qt::Key_F5)});
    QAction* whileTyping = view->addAction(tr("Rebuild While &Typing"));
    whileTyping->setCheckable(true);
    whileTyping->setChecked(context_.scriptSettings.rebuildWhileTyping);
    connect(whileTyping, &QAction::toggled, this, [this](bool on) { context_.scriptSettings.rebuildWhileTyping = on; });
    tuneFileItems_ << whileTyping;
    modernEngraving_ = view->addAction(tr("&Modern Engraving"));
    modernEngraving_->setCheckable(true);
    modernEngraving_->setChecked(engravingStyleOf(*context_.workspace.profile) == EngravingStyle::Modern);
    connect(modernEngraving_, &QAction::triggered, this, [this](bool on) {
        rememberEngravingStyle(*context_.workspace.profile, on ? EngravingStyle::Modern : EngravingStyle::Classic);
        engravingStyleChanged();
    });
}

void MainWindow::buildPlayerMenu() {
    QMenu* player = menuBar()->addMenu(tr("&Player"));
    tuneMenus_ << player;
    const auto onTune = [this](int id) {
        return [this, id] {
            if (TuneWindow* tune = activeTune()) tune->runCommand(id);
        };
    };
    addCommand(player, command::kPlay, tr("&Play"), onTune(command::kPlay))->setCheckable(true);
    addCommand(player, command::kContinuous, tr("&Continuous"), onTune(command::kContinuous))->setCheckable(true);
    addCommand(player, command::kStop, tr("&Stop"), onTune(command::kStop))->setCheckable(true);
    addCommand(player, command::kRewind, tr("&Rewind"), onTune(command::kRewind));
    player->addSeparator();
    addCommand(player, command::kFaster, tr("&Faster"), onTune(command::kFaster));
    addCommand(player, command::kSlower, tr("S&lower"), onTune(command::kSlower));
    addCommand(player, command::kWrittenTempo, tr("&Written Tempo"), onTune(command::kWrittenTempo));
    addCommand(player, command::kBeatClick, tr("&Beat Click"), onTune(command::kBeatClick))->setCheckable(true);
}

void MainWindow::buildWindowMenu() {
    QMenu* window = menuBar()->addMenu(tr("&Window"));
    tuneMenus_ << window;
    const auto inWindows = [this](void (QMdiArea::*arrange)()) {
        return [this, arrange] {
            tabsItem_->setChecked(false);
            (area_->*arrange)();
        };
    };
    addCommand(window, command::kCascade, tr("&Cascade"), inWindows(&QMdiArea::cascadeSubWindows));
    addCommand(window, command::kTile, tr("&Tile"), inWindows(&QMdiArea::tileSubWindows));
    addCommand(window, command::kArrangeIcons, tr("&Arrange Icons"), inWindows(&QMdiArea::cascadeSubWindows));
    window->addSeparator();
    tabsItem_ = window->addAction(tr("Ta&bs"));
    tabsItem_->setCheckable(true);
    tabsItem_->setChecked(true);
    connect(tabsItem_, &QAction::toggled, this, [this](bool tabs) {
        area_->setViewMode(tabs ? QMdiArea::TabbedView : QMdiArea::SubWindowView);
        if (!tabs) return;
        for (QMdiSubWindow* window : area_->subWindowList()) window->showMaximized();
    });
}

void MainWindow::buildHelpMenu() {
    QMenu* help = menuBar()->addMenu(tr("&Help"));
    addCommand(help, command::kHelpTopics, tr("&Help Topics"), [this] { openHelp(); }, {QKeySequence(Qt::Key_F1)});
    addCommand(help, command::kContextHelp, tr("What's &This?"), [] { QWhatsThis::enterWhatsThisMode(); },
               {QKeySequence(Qt::SHIFT | Qt::Key_F1)});
    help->addSeparator();
    addCommand(help, command::kAbout, tr("&About Skirlo..."), [this] { showAbout(); });
}

void MainWindow::buildToolbar() {
    QToolBar* bar = addToolBar(tr("Toolbar"));
    bar->setObjectName(QStringLiteral("toolbar"));
    bar->setIconSize(QSize(22, 22));
    const std::filesystem::path& resources = context_.workspace.resourceDir;
    const auto button = [&](int id, const char* icon, const QString& tip) {
        QAction* item = actions_.value(id);
        item->setIcon(actionIcon(icon, resources));
        item->setToolTip(tip);
        item->setStatusTip(tip);
        bar->addAction(item);
    };
    button(command::kNew, "document-new", tr("Create a new tune"));
    button(command::kOpen, "document-open", tr("Open a tune"));
    button(command::kSave, "document-save", tr("Save the tune"));
    bar->addSeparator();
    button(command::kPrintMusic, "document-print", tr("Print the music"));
    button(command::kPrintPreview, "document-print-preview", tr("Print preview of the music"));
    bar->addSeparator();
    button(command::kCut, "edit-cut", tr("Cut the selection"));
    button(command::kCopy, "edit-copy", tr("Copy the selection"));
    button(command::kPaste, "edit-paste", tr("Paste"));
    QAction* toolbarItem = actions_.value(command::kToolbar);
    toolbarItem->setChecked(true);
    connect(toolbarItem, &QAction::toggled, bar, &QToolBar::setVisible);
}

TuneWindow* MainWindow::activeTune() const {
    QMdiSubWindow* window = area_->activeSubWindow();
    if (!window && !area_->subWindowList().isEmpty()) window = area_->currentSubWindow();
    return window ? qobject_cast<TuneWindow*>(window->widget()) : nullptr;
}

void MainWindow::engravingStyleChanged() {
    // The style lives in the profile: every open tune is laid out in it again.
    modernEngraving_->setChecked(engravingStyleOf(*context_.workspace.profile) == EngravingStyle::Modern);
    for (TuneWindow* tune : tunes()) tune->refreshMusic();
}

QList<TuneWindow*> MainWindow::tunes() const {
    QList<TuneWindow*> list;
    for (QMdiSubWindow* window : area_->subWindowList()) {
        if (auto* tune = qobject_cast<TuneWindow*>(window->widget())) list << tune;
    }
    return list;
}

void MainWindow::onScript(const std::function<void(ScriptView&)>& run) {
    if (TuneWindow* tune = activeTune()) run(*tune->scriptView());
}

TuneWindow* MainWindow::newTune() {
    return addTuneWindow(TuneDocument::createNew(++untitledCount_));
}

namespace {

// One name for a file however it is reached: through links, "..", or not.
QString fileIdentity(const QString& path) {
    const QFileInfo file(path);
    const QString canonical = file.canonicalFilePath();
    return canonical.isEmpty() ? file.absoluteFilePath() : canonical;
}

}  // namespace

TuneWindow* MainWindow::openTune(const QString& path) {
    const QString absolute = QFileInfo(path).absoluteFilePath();
    const QString identity = fileIdentity(absolute);
    for (QMdiSubWindow* window : area_->subWindowList()) {
        auto* tune = qobject_cast<TuneWindow*>(window->widget());
        if (tune && !tune->document().path().empty() &&
            fileIdentity(QString::fromStdString(tune->document().path())) == identity) {
            area_->setActiveSubWindow(window);
            return tune;
        }
    }
    const std::string file = absolute.toStdString();
    if (isAbcPath(file) || isMusicXmlPath(file)) {
        auto imported = isAbcPath(file)
                            ? importAbcDocument(file, ++untitledCount_, context_.workspace, context_.messages)
                            : importMusicXmlDocument(file, ++untitledCount_, context_.workspace, context_.messages);
        if (!imported) return nullptr;
        rememberOpened(absolute);
        return addTuneWindow(std::move(imported));
    }
    TuneDocument::Opening opening = TuneDocument::open(absolute.toStdString());
    if (!opening.document) {
        context_.messages.show(opening.error, kApplicationTitle);
        return nullptr;
    }
    rememberOpened(absolute);
    return addTuneWindow(std::move(opening.document));
}

void MainWindow::rememberOpened(const QString& path) {
    tuneFolder_.remember(path.toStdString(), *context_.workspace.profile);
    recentFiles_.add(path.toStdString());
    updateRecentFiles();
}

TuneWindow* MainWindow::addTuneWindow(std::unique_ptr<TuneDocument> document) {
    auto* tune = new TuneWindow(std::move(document), context_);
    startPage_->hide();
    QMdiSubWindow* window = area_->addSubWindow(tune);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->setWindowIcon(windowIcon());
    // The last window closed brings the start page back.
    connect(window, &QObject::destroyed, this, &MainWindow::updateCommands, Qt::QueuedConnection);
    connect(tune, &TuneWindow::captionChanged, this, &MainWindow::updateCommands);
    connect(tune, &TuneWindow::playStateChanged, this, &MainWindow::updateCommands);
    connect(tune, &TuneWindow::problemsChanged, this, &MainWindow::updateCommands);
    connect(tune, &TuneWindow::engravingStyleChanged, this, &MainWindow::engravingStyleChanged);
    connect(tune, &TuneWindow::pathChanged, this, [this](const QString& path) {
        recentFiles_.add(path.toStdString());
        updateRecentFiles();
    });
    connect(tune->scriptView(), &QPlainTextEdit::copyAvailable, this, &MainWindow::updateCommands);
    connect(tune->scriptView(), &QPlainTextEdit::undoAvailable, this, &MainWindow::updateCommands);
    connect(tune->scriptView(), &QPlainTextEdit::redoAvailable, this, &MainWindow::updateCommands);
    window->showMaximized();
    tune->scriptView()->setFocus(Qt::OtherFocusReason);
    updateCommands();
    return tune;
}

bool MainWindow::closeAllTunes() {
    for (QMdiSubWindow* window : area_->subWindowList()) {
        area_->setActiveSubWindow(window);
        if (!window->close()) return false;
    }
    return true;
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (closeAllTunes()) {
        event->accept();
    } else {
        event->ignore();
    }
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == area_->viewport() && event->type() == QEvent::Resize) {
        startPage_->setGeometry(area_->viewport()->rect());
    }
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) {
        // After the activation is over: the question is a box of its own.
        QMetaObject::invokeMethod(this, &MainWindow::checkFilesOnDisk, Qt::QueuedConnection);
    }
}

void MainWindow::checkFilesOnDisk() {
    if (checkingFiles_) return;
    const QScopedValueRollback guard(checkingFiles_, true);
    for (TuneWindow* tune : tunes()) {
        TuneDocument& document = tune->document();
        if (!document.changedOnDisk()) continue;
        // Asked once for each change: No keeps the text here until the file changes again.
        document.noteDiskState();
        std::string question = document.path() + " has been changed by another program. Reload it?";
        if (document.modified()) question += "\n\nThe changes made here can be had back with Undo.";
        if (context_.messages.show(question, kApplicationTitle, MessageButtons::YesNo) == MessageAnswer::Yes) {
            tune->reloadFromDisk();
        }
    }
}

void MainWindow::dropEvent(QDropEvent* event) {
    QStringList files;
    for (const QUrl& url : event->mimeData()->urls()) {
        if (url.isLocalFile()) files << url.toLocalFile();
    }
    event->acceptProposedAction();
    // A box an opened file raises must not run inside the drop, whose
    // source may go away meanwhile: the files open once it is over.
    QMetaObject::invokeMethod(
        this, [this, files] { for (const QString& path : files) openTune(path); }, Qt::QueuedConnection);
}

void MainWindow::openFromDialog() {
    // The dialog starts in the folder of the last tune opened, in this run or an earlier one.
    if (!tuneFolder_.folder().empty()) QDir::setCurrent(QString::fromStdString(tuneFolder_.folder()));
    for (const QString& path : chooseFiles_()) openTune(path);
}

void MainWindow::openHelp() {
    const std::filesystem::path guide = context_.workspace.docsDir / "index.html";
    if (!QFileInfo::exists(QString::fromStdString(guide.string()))) {
        context_.messages.show("The user guide " + guide.string() + " is missing.", kApplicationTitle);
        return;
    }
    if (help_ == nullptr) help_ = new HelpWindow(QString::fromStdString(guide.string()), this);
    help_->show();
    help_->raise();
    help_->activateWindow();
}

void MainWindow::showAbout() {
    QMessageBox::about(this, tr("About Skirlo"),
                       tr("<h3>Skirlo 1.02</h3><p>Pipe music: read it, hear it, print it.</p>"
                          "<p>Copyright &copy; the Skirlo developers.</p>"));
}

void MainWindow::updateRecentFiles() {
    const std::vector<std::string>& paths = recentFiles_.paths();
    for (int i = 0; i < recentItems_.size(); ++i) {
        const bool used = static_cast<std::size_t>(i) < paths.size();
        recentItems_[i]->setVisible(used);
        if (used) recentItems_[i]->setText(QStringLiteral("&%1 %2").arg(i + 1).arg(QString::fromStdString(paths[i])));
    }
    recentSeparator_->setVisible(!paths.empty());
    startPage_->showRecentFiles(paths);
}

void MainWindow::updateCommands() {
    TuneWindow* tune = activeTune();
    const bool open = tune != nullptr;
    startPage_->setVisible(area_->subWindowList().isEmpty());
    for (QMenu* menu : tuneMenus_) menu->menuAction()->setVisible(open);
    for (QAction* item : tuneFileItems_) item->setVisible(open);
    for (int id : {command::kSave, command::kCut, command::kCopy, command::kPaste}) {
        actions_.value(id)->setEnabled(open);
    }
    setWindowTitle(open ? QStringLiteral("Skirlo - ") + tune->caption() : QStringLiteral("Skirlo"));
    const int problems = open ? tune->problemCount() : 0;
    problemCount_->setText(problems == 0   ? QString()
                           : problems == 1 ? tr("1 problem in the text")
                                           : tr("%1 problems in the text").arg(problems));
    if (!open) return;
    ScriptView* script = tune->scriptView();
    const bool selection = script->textCursor().hasSelection();
    actions_.value(command::kCut)->setEnabled(selection);
    actions_.value(command::kCopy)->setEnabled(selection || tune->musicView()->hasFocus());
    actions_.value(command::kDelete)->setEnabled(selection);
    actions_.value(command::kUndo)->setEnabled(script->document()->isUndoAvailable());
    actions_.value(command::kRedo)->setEnabled(script->document()->isRedoAvailable());
    actions_.value(command::kWordWrap)->setChecked(script->lineWrapMode() != QPlainTextEdit::NoWrap);
    actions_.value(command::kSetPrintFont)->setChecked(script->hasPrintFont());
    actions_.value(command::kSamePrintFont)->setChecked(!script->hasPrintFont());
    updatePlayerCommands(*tune);
}

void MainWindow::updatePlayerCommands(TuneWindow& tune) {
    for (int id : {command::kPlay, command::kContinuous, command::kRewind, command::kRefresh, command::kSetFont,
                   command::kSaveAsMidi, command::kSaveAsPipeMidi, command::kSaveAsImage, command::kSaveAsMusicXml, command::kTabStops,
                   command::kPlayOptions, command::kMusicPageSetup, command::kPrintPreview, command::kPrintMusic,
                   command::kFaster, command::kSlower, command::kWrittenTempo, command::kBeatClick}) {
        actions_.value(id)->setEnabled(tune.commandEnabled(id));
    }
    for (int id : {command::kPlay, command::kContinuous, command::kStop, command::kBeatClick}) {
        actions_.value(id)->setChecked(tune.commandChecked(id));
    }
}

}  // namespace skirlo
