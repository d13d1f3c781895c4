#pragma once
// Builds tune trees by hand, symbol by symbol, with the playback rows the
// tests need, so that each test states exactly what the builder gets.

#include <memory>
#include <string>
#include <string_view>

#include "notation/TuneTree.h"

namespace skirlo::test {

// The row a symbol name gets: category, playback class and data, pitch, value.
struct Row {
    constexpr Row(int category = CAT_BEAT_SEPARATOR, std::string_view playbackClass = "no_sound",
                  std::string_view playbackData = {}, int pitch = PITCH_LG, int noteValue = 0)
        : category(category), playbackClass(playbackClass), playbackData(playbackData), pitch(pitch),
          noteValue(noteValue) {}
    int category;
    std::string_view playbackClass;
    std::string_view playbackData;
    int pitch;
    int noteValue;
};

// The rows of the names the tests use; a melody note is written P_v as in
// the tune text (LA_8, HG_4), with the pitch letter of its playback data.
Row rowFor(std::string_view name);

class TreeMaker {
public:
    TreeMaker() : tune_(std::make_unique<Tune>()) {}

    // The next symbol starts a new part / staff / bar. Bar lines start the
    // next bar, "!t" the next staff, "!I" and "''!I" the next part.
    TreeMaker& part();
    TreeMaker& staff();
    TreeMaker& bar();
    // Appends the whitespace-separated symbols; time lines follow the
    // names as in the tune text ('1 ... _'), and "!" closes the bar.
    TreeMaker& add(std::string_view names);
    Symbol& last() { return *lastSymbol_; }

    std::unique_ptr<Tune> take() { return std::move(tune_); }

private:
    enum class Level { None, Bar, Staff, Part };

    void open();
    Symbol& append(std::string name);

    std::unique_ptr<Tune> tune_;
    TimeLineFlags timeLines_ = 0;
    Symbol* lastSymbol_ = nullptr;
    Symbol* previousNote_ = nullptr;
    Symbol* pendingForward_ = nullptr;
    bool tieOpen_ = false;
    Level pending_ = Level::Part;
};

}  // namespace skirlo::test
