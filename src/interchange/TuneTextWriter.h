#pragma once
// Writes tunes as tune text: the header line and settings lines, each tune's
// title, type and composer records, and its music as staff lines of symbol
// names cut into parts and bars. The reader of another format tells it what
// it read, note by note and bar line by bar line; the writer keeps the
// notation's rules (tails that join beamed notes, part starts and ends, the
// first and second time lines, staff-line ends).

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace skirlo {

struct WrittenNote {
    bool rest = false;
    int pitch = 0;  // 0 low G .. 8 high A
    int value = 4;  // 1 whole .. 32
    int dots = 0;
    std::vector<std::string> embellishments;  // names, in order, before the note
    // Held on from the note before (of the same pitch): not struck again.
    bool tiedFromPrevious = false;
    int tupletCount = 0;  // a tuplet of this many notes starts here
    bool fermata = false;  // held: a pause
    // The pause stands on the held note of the last embellishment (a
    // cadence's E), not on the melody note.
    bool pauseOnEmbellishment = false;
    // Words over the note (a variation's name): an in-line text.
    std::string text;
};

struct TuneHeading {
    std::string title;
    std::string type;
    std::string composer;
    std::string footer;
    int tempo = 0;  // 0: none given
};

class TuneTextWriter {
public:
    void beginTune(const TuneHeading& heading);
    // Goes before the next note of the current staff line or the next one.
    void timeSignature(const std::string& name);
    void tempoMark(int tempo);
    void note(const WrittenNote& note);
    // What stands between notes: a blank ends the beamed group.
    void beatBreak() { tabNext_ = true; }
    void barLine();
    // ":|": the end of a first time, or of a repeated part.
    void repeatEnd();
    // "|:" starts a part; one already holding music ends first.
    void repeatStart();
    // "||", "|]": the part ends.
    void partEnd();
    // The time line starts at the next note, so that a label standing alone
    // on its line opens no staff line. A second time at the start of a part
    // (before any music both times play) lasts one bar.
    void ending(int number);
    // The time line open ends with the bar just closed (a score's ending
    // stop); otherwise it ends at the next ending or the part's end.
    void endingStop() { closeEnding(); }
    // A sign or jump ("segno", "fine", "dalsegno", ...): a jump goes after the
    // bar line that closes its bar, the others where they stand. A tune's
    // second "coda" is where the coda begins.
    void direction(const std::string& name);
    // The end of a line of the source: the staff line ends with it.
    void lineEnd();
    // False, with nothing written, for a tune that holds no music.
    bool endTune();

    // The whole file: header line, settings lines and every tune.
    std::string text() const;

    // A text as a record can hold it: its quotes become apostrophes, what
    // would be read as music ('&', "!I", "!t") is replaced, and the words that
    // begin a tune ("Skirlo", ...) are broken by a hyphen.
    static std::string recordText(std::string_view text);

private:
    struct Token {
        std::string text;
        bool tabBefore = false;
        int pitch = -1;  // a melody note (its tail is decided when the line is written)
        int value = 0;
    };
    struct Place {
        std::size_t line = 0;
        std::size_t token = 0;
    };

    void writeHeading();
    void push(std::string text, bool tabBefore = false);
    void pushNote(const WrittenNote& note);
    void ensurePartOpen();
    void startEnding(int number);
    void closeEnding();
    void endPart(bool repeated);
    // Shifts the places after it on its line.
    void insertAfter(Place place, std::string text);
    void barToken(const std::string& name);
    // Whether the text so far ends in a bar line (a part or staff end is one).
    bool lastTokenIsBar() const;
    Token& at(Place place) { return lines_[place.line][place.token]; }
    static std::string lineText(const std::vector<Token>& tokens);

    std::string tunes_;
    TuneHeading heading_;
    int firstTempo_ = 0;
    int tuneCount_ = 0;
    std::vector<std::vector<Token>> lines_;  // of the current tune
    bool lineOpen_ = false;
    bool partOpen_ = false;
    bool partHasMusic_ = false;
    bool barHasMusic_ = false;
    bool repeatConfirmed_ = false;  // a first time ended with ":|"
    bool partHasSharedMusic_ = false;  // music outside the part's time lines
    std::optional<int> pendingEnding_;
    std::optional<int> openEnding_;
    bool endingClosesAtBar_ = false;
    Place partStart_;
    std::optional<Place> lastBar_;
    std::string pendingTime_;
    std::string pendingJump_;
    std::vector<Place> partEndings_;  // the current part's '1 and '2
    std::optional<Place> repeatStart_;  // the part start of a "|:" not yet closed
    bool repeatStartPending_ = false;   // a "|:" whose part has not opened yet
    std::vector<Place> repeatEndings_;  // '1 and '2 since that "|:"
    bool segnoOpen_ = false;          // a segno stands before, its dal segno not yet
    bool codaWritten_ = false;        // the sign the return leaves the tune at
    bool tabNext_ = false;
    int tupletLeft_ = 0;
    int tupletSize_ = 0;
};

}  // namespace skirlo
