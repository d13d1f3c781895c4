#pragma once
// The program's log: short diagnostics about programming errors and device
// trouble that the user is not shown in a message box.

#include <mutex>
#include <string>
#include <string_view>

namespace skirlo {

class DiagnosticLog {
public:
    virtual ~DiagnosticLog() = default;
    virtual void write(std::string_view text) = 0;
};

// Writes each text to standard error as it is, without adding a line end.
class StderrDiagnosticLog final : public DiagnosticLog {
public:
    void write(std::string_view text) override;
};

// Keeps every text, in order; safe to write from any thread.
class RecordingDiagnosticLog final : public DiagnosticLog {
public:
    void write(std::string_view text) override {
        const std::lock_guard lock(mutex_);
        text_.append(text);
    }
    std::string text() const {
        const std::lock_guard lock(mutex_);
        return text_;
    }

private:
    mutable std::mutex mutex_;
    std::string text_;
};

}  // namespace skirlo
