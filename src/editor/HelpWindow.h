#pragma once
// The user guide, read inside the program: the bundled HTML pages in a text
// browser with their links, Back and Forward, and a search box that finds
// the next place a word is written (from the top again after the last).

#include <QWidget>

class QLabel;
class QLineEdit;
class QTextBrowser;
class QToolButton;

namespace skirlo {

class HelpWindow final : public QWidget {
    Q_OBJECT
public:
    explicit HelpWindow(const QString& guidePath, QWidget* parent = nullptr);

    QTextBrowser* browser() const { return browser_; }
    QLineEdit* searchBox() const { return search_; }
    // Selects the next place the search box's text is written; false, with
    // "Not found" beside the box, when it is written nowhere.
    bool findNext();

private:
    QTextBrowser* browser_;
    QLineEdit* search_;
    QLabel* found_;
};

}  // namespace skirlo
