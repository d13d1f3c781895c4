#pragma once
// Reads the ABC that pipe tunes are written in (K:HP or K:Hp; the notes G A B
// c d e f g a) and writes it as tune text. A grace group becomes the
// embellishment whose gracenotes it equals, else its single gracenotes. Of
// several voices the chanter's is read. Whatever is not understood is skipped
// and reported with its place: what a piper would hear or see as a message,
// what changes neither as a notice.

#include <string>
#include <string_view>
#include <vector>

namespace skirlo {

class EmbellishmentTable;

// What a message says was lost.
enum class AbcLoss { None, Note, Gracenote, Voice, Other };

struct AbcMessage {
    int line = 0;    // from 1
    int column = 0;  // from 1, in bytes
    std::string text;
    AbcLoss loss = AbcLoss::None;
};

// One tune of the file (from its X: field) and what it lost.
struct AbcTuneReport {
    int line = 0;           // of its X: field
    int firstLossLine = 0;  // 0: nothing lost
    std::string title;
    int notes = 0;
    int gracenotes = 0;
    int voices = 0;
    int other = 0;

    bool lostAnything() const { return notes + gracenotes + voices + other > 0; }
};

struct AbcImport {
    std::string tuneText;  // Windows-1252 bytes as read, CR LF lines
    int tunes = 0;
    std::vector<AbcMessage> messages;  // what was lost or changed
    std::vector<AbcMessage> notices;   // what changes nothing heard or seen
    std::vector<AbcTuneReport> tuneReports;
};

AbcImport importAbc(std::string_view abc, const EmbellishmentTable& table);

// "3 notes and 1 voice left out, 2 other changes"; empty when nothing was lost.
std::string describeLosses(const AbcTuneReport& losses);

}  // namespace skirlo
