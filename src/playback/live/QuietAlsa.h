#pragma once
// ALSA prints its own complaints on standard error (a machine without a
// sound card gets a page of them); while one of these lives, it prints
// nothing and the caller reports through the program's log instead.

#include <alsa/asoundlib.h>

namespace skirlo {

class QuietAlsa {
public:
    QuietAlsa() { snd_lib_error_set_handler(&ignore); }
    ~QuietAlsa() { snd_lib_error_set_handler(nullptr); }
    QuietAlsa(const QuietAlsa&) = delete;
    QuietAlsa& operator=(const QuietAlsa&) = delete;

private:
    static void ignore(const char*, int, const char*, int, const char*, ...) {}
};

}  // namespace skirlo
