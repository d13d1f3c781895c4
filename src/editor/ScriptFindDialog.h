#pragma once
// The modeless find and replace dialogs of the script pane. The dialog only
// collects what to look for; the pane searches and replaces.

#include <QDialog>

class QCheckBox;
class QLineEdit;
class QRadioButton;
class QVBoxLayout;

namespace skirlo {

struct ScriptSearch {
    QString text;
    bool matchCase = false;
    bool down = true;
};

class ScriptFindDialog final : public QDialog {
    Q_OBJECT
public:
    enum class Mode { Find, Replace };
    ScriptFindDialog(Mode mode, QWidget* parent = nullptr);

    Mode mode() const { return mode_; }
    ScriptSearch search() const;
    QString replacement() const;
    void setSearch(const ScriptSearch& search);

    QLineEdit* findEdit() const { return find_; }
    QLineEdit* replaceEdit() const { return replace_; }

signals:
    void findNextRequested();
    void replaceRequested();
    void replaceAllRequested();

private:
    void addButton(const QString& label, void (ScriptFindDialog::*request)());
    void updateButtons();

    Mode mode_;
    QLineEdit* find_;
    QLineEdit* replace_ = nullptr;
    QCheckBox* matchCase_;
    QRadioButton* up_ = nullptr;
    QRadioButton* down_ = nullptr;
    QVBoxLayout* buttonColumn_ = nullptr;
    QList<QWidget*> needText_;
};

}  // namespace skirlo
