#include "playback/live/DiagnosticLog.h"

#include <cstdio>

namespace skirlo {

void StderrDiagnosticLog::write(std::string_view text) {
    std::fwrite(text.data(), 1, text.size(), stderr);
}

}  // namespace skirlo
