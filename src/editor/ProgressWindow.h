#pragma once
// The progress window of a long export: the title with the percentage done
// ("Saving Progress [42%]"), a message line, a bar and a " Cancel " button
// (Escape and closing the window cancel as well). It stands where it stood
// last time (profile "Settings" / "X" and "Y") when that place is on a screen,
// else it is centred on the window it works for.
//
// Each step lets Qt handle the events that wait, so the program repaints
// and the button works during the export. The window is application modal
// meanwhile: nothing can change or close the document being exported.

#include <QDialog>
#include <QPointer>

#include "export/ExportProgress.h"

class QLabel;
class QProgressBar;

namespace skirlo {

class Profile;

class ProgressWindow final : public QDialog, public ExportProgress {
    Q_OBJECT
public:
    // `owner` is the window it is centred on (may be null).
    ProgressWindow(Profile& profile, QWidget* owner);

    void begin(std::string_view title, std::string_view message, int lower, int upper) override;
    void step() override;
    bool cancelled() const override { return cancelled_; }
    void end() override;

    // Whether a remembered top-left corner lies on one of the screens.
    static bool onScreen(QPoint topLeft);

public slots:
    void reject() override;

private:
    void place();
    void showCaption();

    Profile& profile_;
    QPointer<QWidget> owner_;
    QLabel* message_ = nullptr;
    QProgressBar* bar_ = nullptr;
    std::string title_;
    ProgressCounter counter_;
    bool cancelled_ = false;
};

}  // namespace skirlo
