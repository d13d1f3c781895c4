#pragma once
// The Library pane: every tune of the library's folders in a table (title,
// type, time, composer, file), filtered as the user types and by type and
// time signature, sorted by any column. Folders are scanned on a thread of
// their own with a connection of its own, so the window stays responsive;
// the table reads the database between the scan's transactions.

#include <QDockWidget>

#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <utility>
#include <vector>

class QComboBox;
class QFileSystemWatcher;
class QLabel;
class QLineEdit;
class QMainWindow;
class QTableWidget;
class QTimer;

#include "interchange/EmbellishmentTable.h"

namespace skirlo {

class LibraryIndex;
class SymbolMap;
class TuneWindow;

class LibraryPane final : public QDockWidget {
    Q_OBJECT
public:
    // Opens the file at the tune with that number (0 for the first).
    using TuneOpener = std::function<void(const QString& path, int position)>;

    // `abc` reads the ABC files of the folders.
    LibraryPane(std::string databasePath, const SymbolMap& symbols, EmbellishmentTable abc, TuneOpener open,
                QWidget* parent = nullptr);
    ~LibraryPane() override;

    // Puts the pane (hidden) and the Library menu (before Help) into the window.
    void install(QMainWindow& window);

    // Opens a new untitled document holding the text of a set.
    using SetOpener = std::function<void(std::string text)>;
    void setSetOpener(SetOpener openSet) { openSet_ = std::move(openSet); }

    // Adds the folders and scans them off the window thread.
    void addFolders(const QStringList& folders);
    // Scans every folder of the library again.
    void rescan();
    bool scanning() const { return worker_.joinable(); }

    // The Add Folder dialog; replaced by tests.
    void setFolderDialog(std::function<QString()> chooseFolder) { chooseFolder_ = std::move(chooseFolder); }

    QLineEdit* searchBox() const { return search_; }
    QComboBox* typeFilter() const { return type_; }
    QComboBox* timeFilter() const { return time_; }
    QTableWidget* table() const { return table_; }
    QLabel* status() const { return status_; }
    // Opens the tune of the table's row.
    void openRow(int row);

    // A tune of the library: its file and its place in the file.
    using TuneKey = std::pair<QString, int>;
    // The selected tunes in the order they were selected.
    const std::vector<TuneKey>& chosenTunes() const { return chosen_; }
    // Makes a set of the chosen tunes and hands its text to the set opener;
    // a problem is shown in the pane's status instead.
    void makeSet();

signals:
    // A scan ended and the table shows its result.
    void scanFinished();

private:
    struct ScanRequest {
        std::vector<std::string> add;  // empty: scan every folder again
    };
    bool ensureIndex();
    void startScan(ScanRequest request);
    void finishScan(QString summary);
    void refill();
    void refillFilters();
    void chooseFolder();
    void followSelection();
    void showTableMenu(const QPoint& at);
    // Watches every library folder and the folders under it.
    void watchFolders();

    // How long the folders stay quiet before a change is read: a save or a
    // copy of many files is read once.
    static constexpr int kSettleMs = 500;

    std::string databasePath_;
    const SymbolMap& symbols_;
    const EmbellishmentTable abc_;
    TuneOpener open_;
    SetOpener openSet_;
    std::vector<TuneKey> chosen_;
    std::unique_ptr<LibraryIndex> index_;
    std::function<QString()> chooseFolder_;
    std::thread worker_;
    std::vector<ScanRequest> waiting_;
    QString lastScan_;
    QString openProblem_;

    QLineEdit* search_ = nullptr;
    QComboBox* type_ = nullptr;
    QComboBox* time_ = nullptr;
    QTableWidget* table_ = nullptr;
    QLabel* status_ = nullptr;
    QFileSystemWatcher* watcher_ = nullptr;
    QTimer* settle_ = nullptr;
};

// Shows the tune with that number in an open tune window: its title selected
// in the text, the music scrolled to its first staff.
void showTuneAt(TuneWindow& window, int position);

}  // namespace skirlo
