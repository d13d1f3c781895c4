#include "editor/LibraryPane.h"

#include <QComboBox>
#include <QFileDialog>
#include <QFileSystemWatcher>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTimer>
#include <QMimeData>
#include <QTableWidget>
#include <QUrl>
#include <QVBoxLayout>

#include <algorithm>
#include <filesystem>

#include "document/TuneDocument.h"
#include "editor/MusicView.h"
#include "editor/ScriptView.h"
#include "editor/TuneWindow.h"
#include "library/FolderScan.h"
#include "library/LibraryIndex.h"
#include "library/MakeSet.h"

namespace skirlo {

namespace {

enum Column { kTitle, kType, kTime, kComposer, kFile, kColumns };
constexpr int kPathRole = Qt::UserRole;
constexpr int kPositionRole = Qt::UserRole + 1;

QString fromUtf8(const std::string& text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

// The list of tunes. Tunes dragged out leave as their files, each once, for
// the desktop or another program; a copy, so a drop never takes a row away.
class TuneTable final : public QTableWidget {
public:
    using QTableWidget::QTableWidget;

protected:
    QStringList mimeTypes() const override { return {QStringLiteral("text/uri-list")}; }
    Qt::DropActions supportedDropActions() const override { return Qt::CopyAction; }
    QMimeData* mimeData(const QList<QTableWidgetItem*>& items) const override {
        QList<QUrl> files;
        for (const QTableWidgetItem* item : items) {
            const QUrl file = QUrl::fromLocalFile(item->data(kPathRole).toString());
            if (!files.contains(file)) files.push_back(file);
        }
        auto* data = new QMimeData;
        data->setUrls(files);
        return data;
    }
};

QString scanSummary(const ScanReport& report) {
    QString summary = QObject::tr("%1 files read (%2 tunes), %3 unchanged, %4 removed")
                          .arg(report.filesRead)
                          .arg(report.tunesRead)
                          .arg(report.filesUnchanged)
                          .arg(report.filesRemoved);
    for (const std::string& problem : report.problems) summary += "; " + fromUtf8(problem);
    return summary;
}

// Keeps the chosen entry of a filter box when its list is made again.
void refillBox(QComboBox* box, const QString& any, const std::vector<std::string>& values) {
    const QString chosen = box->currentIndex() > 0 ? box->currentText() : QString();
    const QSignalBlocker quiet(box);
    box->clear();
    box->addItem(any);
    for (const std::string& value : values) box->addItem(fromUtf8(value));
    const int at = chosen.isEmpty() ? 0 : box->findText(chosen);
    box->setCurrentIndex(at < 0 ? 0 : at);
}

}  // namespace

LibraryPane::LibraryPane(std::string databasePath, const SymbolMap& symbols, EmbellishmentTable abc, TuneOpener open,
                         QWidget* parent)
    : QDockWidget(tr("Library"), parent),
      databasePath_(std::move(databasePath)),
      symbols_(symbols),
      abc_(std::move(abc)),
      open_(std::move(open)) {
    setObjectName(QStringLiteral("libraryPane"));
    auto* body = new QWidget;
    auto* layout = new QVBoxLayout(body);
    layout->setContentsMargins(4, 4, 4, 4);
    search_ = new QLineEdit;
    search_->setPlaceholderText(tr("Search titles, types, composers"));
    search_->setClearButtonEnabled(true);
    type_ = new QComboBox;
    time_ = new QComboBox;
    auto* filters = new QHBoxLayout;
    filters->addWidget(search_, 1);
    filters->addWidget(type_);
    filters->addWidget(time_);
    layout->addLayout(filters);
    table_ = new TuneTable(0, kColumns);
    table_->setDragEnabled(true);
    table_->setDragDropMode(QAbstractItemView::DragOnly);
    table_->setDefaultDropAction(Qt::CopyAction);
    table_->setHorizontalHeaderLabels({tr("Title"), tr("Type"), tr("Time"), tr("Composer"), tr("File")});
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->verticalHeader()->hide();
    table_->horizontalHeader()->setStretchLastSection(true);
    table_->setSortingEnabled(true);
    table_->sortByColumn(kTitle, Qt::AscendingOrder);
    layout->addWidget(table_, 1);
    status_ = new QLabel;
    status_->setWordWrap(true);
    auto* makeSetButton = new QPushButton(tr("Make Set"));
    makeSetButton->setObjectName(QStringLiteral("makeSet"));
    makeSetButton->setToolTip(tr("A new document of the selected tunes, in the order they were selected"));
    auto* foot = new QHBoxLayout;
    foot->addWidget(status_, 1);
    foot->addWidget(makeSetButton, 0, Qt::AlignTop);
    layout->addLayout(foot);
    setWidget(body);

    // A file saved, added, removed or renamed in a library folder changes the
    // folder: once the changes settle, the files that changed are read again.
    watcher_ = new QFileSystemWatcher(this);
    settle_ = new QTimer(this);
    settle_->setSingleShot(true);
    settle_->setInterval(kSettleMs);
    connect(watcher_, &QFileSystemWatcher::directoryChanged, settle_, qOverload<>(&QTimer::start));
    connect(settle_, &QTimer::timeout, this, &LibraryPane::rescan);

    chooseFolder_ = [this] { return QFileDialog::getExistingDirectory(this, tr("Add Folder")); };
    connect(search_, &QLineEdit::textChanged, this, &LibraryPane::refill);
    connect(type_, &QComboBox::currentIndexChanged, this, &LibraryPane::refill);
    connect(time_, &QComboBox::currentIndexChanged, this, &LibraryPane::refill);
    connect(table_, &QTableWidget::cellActivated, this, [this](int row, int) { openRow(row); });
    connect(table_->selectionModel(), &QItemSelectionModel::selectionChanged, this, &LibraryPane::followSelection);
    table_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(table_, &QWidget::customContextMenuRequested, this, &LibraryPane::showTableMenu);
    connect(makeSetButton, &QPushButton::clicked, this, &LibraryPane::makeSet);

}

bool LibraryPane::ensureIndex() {
    if (index_ || !openProblem_.isEmpty()) return index_ != nullptr;
    try {
        index_ = std::make_unique<LibraryIndex>(databasePath_, symbols_, &abc_);
        if (!index_->rebuildNotice().empty()) openProblem_ = fromUtf8(index_->rebuildNotice());
    } catch (const LibraryError& error) {
        openProblem_ = fromUtf8(error.what());
    }
    return index_ != nullptr;
}

LibraryPane::~LibraryPane() {
    waiting_.clear();
    if (worker_.joinable()) worker_.join();
}

void LibraryPane::install(QMainWindow& window) {
    window.addDockWidget(Qt::LeftDockWidgetArea, this);
    hide();
    auto* menu = new QMenu(tr("&Library"), &window);
    menu->addAction(tr("&Add Folder..."), this, &LibraryPane::chooseFolder);
    menu->addAction(tr("&Update Library"), this, &LibraryPane::rescan);
    menu->addAction(tr("&Make Set"), this, [this] {
        show();
        makeSet();
    });
    QAction* show = toggleViewAction();
    show->setText(tr("&Show Library"));
    menu->addAction(show);
    // Before Help, which stays last.
    const QList<QAction*> menus = window.menuBar()->actions();
    window.menuBar()->insertMenu(menus.isEmpty() ? nullptr : menus.last(), menu);
    // The library follows the folders whenever it is shown.
    connect(show, &QAction::toggled, this, [this](bool shown) {
        if (!shown) return;
        rescan();
        // What is typed next is a search, not an edit of the tune behind.
        search_->setFocus(Qt::OtherFocusReason);
    });
}

void LibraryPane::chooseFolder() {
    const QString folder = chooseFolder_();
    if (folder.isEmpty()) return;
    show();
    addFolders({folder});
}

void LibraryPane::addFolders(const QStringList& folders) {
    ScanRequest request;
    for (const QString& folder : folders) request.add.push_back(folder.toStdString());
    startScan(std::move(request));
}

void LibraryPane::rescan() { startScan({}); }

void LibraryPane::startScan(ScanRequest request) {
    // The database is opened when the library is first used, not when the program starts.
    if (!ensureIndex()) {
        refill();
        return;
    }
    if (worker_.joinable()) {
        waiting_.push_back(std::move(request));
        return;
    }
    status_->setText(tr("Scanning the library folders..."));
    worker_ = std::thread([this, request = std::move(request)] {
        QString summary;
        try {
            LibraryIndex index(databasePath_, symbols_, &abc_);
            const ScanReport report = request.add.empty() ? index.rescan() : index.addFolders(request.add);
            summary = scanSummary(report);
        } catch (const LibraryError& error) {
            summary = fromUtf8(error.what());
        }
        QMetaObject::invokeMethod(this, [this, summary] { finishScan(summary); }, Qt::QueuedConnection);
    });
}

void LibraryPane::watchFolders() {
    QStringList folders;
    try {
        for (const std::string& folder : index_->folders()) {
            folders << fromUtf8(folder);
            std::error_code error;
            for (auto it = std::filesystem::recursive_directory_iterator(
                     folder, std::filesystem::directory_options::skip_permission_denied, error);
                 !error && it != std::filesystem::recursive_directory_iterator(); it.increment(error)) {
                if (it->is_directory(error)) folders << fromUtf8(it->path().string());
            }
        }
    } catch (const LibraryError&) {
        return;  // the table's refill says what is wrong
    }
    const QStringList watched = watcher_->directories();
    QStringList gone;
    for (const QString& folder : watched) {
        if (!folders.contains(folder)) gone << folder;
    }
    if (!gone.isEmpty()) watcher_->removePaths(gone);
    QStringList added;
    for (const QString& folder : folders) {
        if (!watched.contains(folder)) added << folder;
    }
    if (!added.isEmpty()) watcher_->addPaths(added);
}

void LibraryPane::finishScan(QString summary) {
    worker_.join();
    lastScan_ = std::move(summary);
    if (index_) watchFolders();
    refillFilters();
    refill();
    if (!waiting_.empty()) {
        ScanRequest next = std::move(waiting_.front());
        waiting_.erase(waiting_.begin());
        startScan(std::move(next));
        return;
    }
    emit scanFinished();
}

void LibraryPane::refillFilters() {
    if (!index_) return;
    try {
        refillBox(type_, tr("All types"), index_->types());
        refillBox(time_, tr("All times"), index_->times());
    } catch (const LibraryError& error) {
        openProblem_ = fromUtf8(error.what());
    }
}

void LibraryPane::refill() {
    std::vector<LibraryTune> tunes;
    std::vector<SkippedFile> skipped;
    QString problem = openProblem_;
    if (index_) {
        TuneQuery query;
        query.words = search_->text().toStdString();
        if (type_->currentIndex() > 0) query.type = type_->currentText().toStdString();
        if (time_->currentIndex() > 0) query.time = time_->currentText().toStdString();
        try {
            tunes = index_->findTunes(query);
            skipped = index_->skippedFiles();
        } catch (const LibraryError& error) {
            problem = fromUtf8(error.what());
        }
    }
    table_->setSortingEnabled(false);
    table_->setRowCount(static_cast<int>(tunes.size()));
    for (int row = 0; row < static_cast<int>(tunes.size()); ++row) {
        const LibraryTune& tune = tunes[static_cast<std::size_t>(row)];
        const QString path = fromUtf8(tune.file);
        const QString cells[kColumns] = {fromUtf8(tune.summary.title), fromUtf8(tune.summary.type),
                                         fromUtf8(tune.summary.time), fromUtf8(tune.summary.composer),
                                         QFileInfo(path).fileName()};
        for (int column = 0; column < kColumns; ++column) {
            auto* item = new QTableWidgetItem(cells[column]);
            item->setData(kPathRole, path);
            item->setData(kPositionRole, tune.summary.position);
            if (column == kFile) item->setToolTip(tr("%1, tune %2").arg(path).arg(tune.summary.position + 1));
            table_->setItem(row, column, item);
        }
    }
    table_->setSortingEnabled(true);

    QString text = tunes.size() == 1 ? tr("1 tune") : tr("%1 tunes").arg(tunes.size());
    if (!skipped.empty()) text += tr("; %1 skipped (the reasons are in the tool tip)").arg(skipped.size());
    if (scanning()) text += tr("; scanning...");
    else if (!lastScan_.isEmpty()) text += "; " + lastScan_;
    if (!problem.isEmpty()) text += "\n" + problem;
    status_->setText(text);
    QString reasons;
    for (const SkippedFile& file : skipped) reasons += fromUtf8(file.path) + ": " + fromUtf8(file.reason) + "\n";
    status_->setToolTip(reasons.trimmed());
}

void LibraryPane::openRow(int row) {
    const QTableWidgetItem* item = table_->item(row, kTitle);
    if (item == nullptr) return;
    open_(item->data(kPathRole).toString(), item->data(kPositionRole).toInt());
}

void LibraryPane::followSelection() {
    // Tunes selected together join in the table's order; a tune stays where
    // it was chosen however the table is sorted or filtered later.
    std::vector<TuneKey> selected;
    for (const QModelIndex& index : table_->selectionModel()->selectedRows(kTitle)) {
        const QTableWidgetItem* item = table_->item(index.row(), kTitle);
        if (item != nullptr) selected.emplace_back(item->data(kPathRole).toString(), item->data(kPositionRole).toInt());
    }
    const auto isSelected = [&](const TuneKey& key) {
        return std::find(selected.begin(), selected.end(), key) != selected.end();
    };
    std::erase_if(chosen_, [&](const TuneKey& key) { return !isSelected(key); });
    for (int row = 0; row < table_->rowCount(); ++row) {
        const QTableWidgetItem* item = table_->item(row, kTitle);
        if (item == nullptr) continue;
        TuneKey key(item->data(kPathRole).toString(), item->data(kPositionRole).toInt());
        if (isSelected(key) && std::find(chosen_.begin(), chosen_.end(), key) == chosen_.end()) {
            chosen_.push_back(std::move(key));
        }
    }
}

void LibraryPane::showTableMenu(const QPoint& at) {
    QMenu menu;
    const int row = table_->rowAt(at.y());
    if (row >= 0) menu.addAction(tr("Open"), this, [this, row] { openRow(row); });
    QAction* set = menu.addAction(tr("Make Set"), this, &LibraryPane::makeSet);
    set->setEnabled(!chosen_.empty());
    menu.exec(table_->viewport()->mapToGlobal(at));
}

void LibraryPane::makeSet() {
    if (chosen_.empty()) {
        status_->setText(tr("Select the tunes of the set first, in the order they are played."));
        return;
    }
    std::vector<SetTuneSource> sources;
    for (const auto& [path, position] : chosen_) {
        TuneFileLoad load = loadLibraryFile(path.toStdString(), &abc_);
        if (!load.ok) {
            status_->setText(tr("No set made: %1").arg(fromUtf8(load.error)));
            return;
        }
        sources.push_back(SetTuneSource{QFileInfo(path).fileName().toStdString(), std::move(load.bytes), position});
    }
    SetText set = makeSetText(sources, symbols_);
    if (!set.error.empty()) {
        status_->setText(tr("No set made: %1").arg(fromUtf8(set.error)));
        return;
    }
    if (openSet_) openSet_(std::move(set.text));
}

void showTuneAt(TuneWindow& window, int position) {
    const auto& tunes = window.document().tunes();
    if (position < 0 || position >= static_cast<int>(tunes.size())) return;
    const Tune& tune = *tunes[static_cast<std::size_t>(position)];
    for (const auto& record : tune.header.texts) {
        if (record->kind == 'T') {
            window.scriptView()->selectBytes(record->source);
            break;
        }
    }
    for (const auto& part : tune.parts) {
        for (const auto& staff : part->staves) {
            for (const auto& bar : staff->bars) {
                if (!bar->symbols.empty()) {
                    window.musicView()->frameSymbolWrittenAt(bar->symbols.front()->source.begin);
                    return;
                }
            }
        }
    }
}

}  // namespace skirlo
