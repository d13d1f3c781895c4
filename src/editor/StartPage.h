#pragma once
// What the main window shows while no tune is open: New and Open, the tunes
// opened last and the example tunes that come with the program, each one
// click away.

#include <QWidget>

#include <string>
#include <vector>

class QListWidget;
class QListWidgetItem;

namespace skirlo {

class StartPage final : public QWidget {
    Q_OBJECT
public:
    explicit StartPage(const QString& examplesFolder, QWidget* parent = nullptr);

    // The recent files, newest first, as the File menu lists them.
    void showRecentFiles(const std::vector<std::string>& paths);

    QListWidget* recentList() const { return recent_; }
    QListWidget* exampleList() const { return examples_; }

signals:
    void newRequested();
    void openRequested();
    void fileChosen(const QString& path);

private:
    QListWidget* addList(const QString& heading, QWidget* parent);

    QListWidget* recent_;
    QListWidget* examples_;
};

}  // namespace skirlo
