#pragma once
// Progress of a long export, one step per scan line, with a way to cancel.
// The desktop program's progress window implements it; the command line
// reports on standard error when that is a terminal.

#include <string>
#include <string_view>

namespace skirlo {

// The arithmetic of a progress window: range, step and the percentage its
// caption shows ("%s [%d%%]"), redrawn only when the percentage changes.
class ProgressCounter {
public:
    void setRange(int lower, int upper, int step = 1);
    // True when the shown percentage changed.
    bool stepIt() { return setPosition(position_ + step_); }
    bool setPosition(int position);
    int position() const { return position_; }
    int percent() const { return percent_; }
    std::string caption(std::string_view title) const;

private:
    int lower_ = 0;
    int upper_ = 100;
    int step_ = 1;
    int position_ = 0;
    int percent_ = -1;
};

class ExportProgress {
public:
    virtual ~ExportProgress() = default;
    // Shown with `title` ("Saving Progress") and `message` over the range.
    virtual void begin(std::string_view title, std::string_view message, int lower, int upper) = 0;
    // One unit done; lets the user act (and cancel).
    virtual void step() = 0;
    virtual bool cancelled() const = 0;
    virtual void end() = 0;
};

// Shows nothing and is never cancelled.
class SilentProgress final : public ExportProgress {
public:
    void begin(std::string_view, std::string_view, int, int) override {}
    void step() override {}
    bool cancelled() const override { return false; }
    void end() override {}
};

// The caption written over itself on standard error, when that is a terminal.
class TerminalProgress final : public ExportProgress {
public:
    TerminalProgress();
    void begin(std::string_view title, std::string_view message, int lower, int upper) override;
    void step() override;
    bool cancelled() const override { return false; }
    void end() override;

private:
    bool terminal_;
    std::string title_;
    ProgressCounter counter_;
};

// "Saving \"NAME\"" with the name after the path's last backslash or slash,
// or the whole path alone when it has neither.
std::string savingMessage(std::string_view path);

}  // namespace skirlo
