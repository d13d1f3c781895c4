#pragma once
// The main window: menus, toolbar and status bar, and the tune windows as
// tabs of a multiple-document area. With no tune open it offers only File,
// View and Help; with one open the full set. Commands go to the active tune
// window and, for editing, to its script pane.

#include <QHash>
#include <QMainWindow>

#include <functional>
#include <memory>

#include "editor/CommandIds.h"

class QAction;
class QLabel;
class QMdiArea;
class QMdiSubWindow;
class QMenu;

namespace skirlo {

class HelpWindow;
class LibraryPane;
class RecentFiles;
class StartPage;
class TuneDocument;
class TuneFolder;
class TuneWindow;
struct EditorContext;

class MainWindow final : public QMainWindow {
    Q_OBJECT
public:
    MainWindow(EditorContext& context, TuneFolder& tuneFolder, RecentFiles& recentFiles, QWidget* parent = nullptr);
    ~MainWindow() override;

    // The action of a command id; null for an id the window does not have.
    QAction* action(int commandId) const { return actions_.value(commandId); }
    QMdiArea* area() const { return area_; }
    LibraryPane* libraryPane() const { return library_; }
    StartPage* startPage() const { return startPage_; }
    TuneWindow* activeTune() const;
    QList<TuneWindow*> tunes() const;

    // "&New": an untitled tune.
    TuneWindow* newTune();
    // Opens a tune file, or shows its window when it is open already; null,
    // with the reason shown, when it cannot be opened.
    TuneWindow* openTune(const QString& path);
    // Closes every tune window, asking to save each modified one; false when
    // the user kept one open.
    bool closeAllTunes();

    // Asks, for each open tune whose file another program has changed since
    // it was read or saved, whether to read it again. Runs when the window
    // is activated.
    void checkFilesOnDisk();

    // The Open dialog; replaced by tests.
    void setOpenDialog(std::function<QStringList()> chooseFiles) { chooseFiles_ = std::move(chooseFiles); }

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    // The profile's engraving style changed: the View item follows and every tune is laid out again.
    void engravingStyleChanged();
    QAction* addCommand(QMenu* menu, int commandId, const QString& label, std::function<void()> run,
                        const QList<QKeySequence>& keys = {});
    void buildMenus();
    void buildFileMenu();
    void buildEditMenu();
    void buildConfigureMenu();
    void buildViewMenu();
    void buildPlayerMenu();
    void buildWindowMenu();
    void buildHelpMenu();
    void buildToolbar();
    void updateRecentFiles();
    void updateCommands();
    void updatePlayerCommands(TuneWindow& tune);
    TuneWindow* addTuneWindow(std::unique_ptr<TuneDocument> document);
    void onScript(const std::function<void(class ScriptView&)>& run);
    void openFromDialog();
    void openHelp();
    void showAbout();
    void rememberOpened(const QString& path);

    EditorContext& context_;
    TuneFolder& tuneFolder_;
    RecentFiles& recentFiles_;
    std::function<QStringList()> chooseFiles_;
    StartPage* startPage_ = nullptr;  // shown while no tune is open
    QMdiArea* area_ = nullptr;
    QHash<int, QAction*> actions_;
    QList<QMenu*> tuneMenus_;        // shown only while a tune is open
    QList<QAction*> tuneFileItems_;  // the File items of an open tune
    QList<QAction*> recentItems_;
    QAction* recentSeparator_ = nullptr;
    QAction* tabsItem_ = nullptr;
    QAction* modernEngraving_ = nullptr;
    QLabel* problemCount_ = nullptr;  // in the status bar: the active tune's problems
    int untitledCount_ = 0;
    LibraryPane* library_ = nullptr;
    HelpWindow* help_ = nullptr;  // made when first asked for
    bool checkingFiles_ = false;  // the question's own box activates the window again
};

}  // namespace skirlo
