#pragma once
// What the library keeps of each tune of a file: its text records, time
// signature, number of parts and tempo, read without laying out any music.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace skirlo {

class SymbolMap;

struct TuneSummary {
    int position = 0;      // 0 for the first tune of its file
    std::string title;     // the first record of each kind, as UTF-8
    std::string type;
    std::string composer;
    std::string footer;
    std::string time;      // the first time signature as written ("6/8", "C", "C|"); empty: none
    int parts = 0;
    int tempo = 0;         // the tune's own tempo mark; 0: none
    // The tune's text from its first record through its music, hashed with
    // every run of blanks as one space: equal for the same tune in two files
    // whatever their line ends, settings or neighbours.
    std::uint64_t fingerprint = 0;
};

// The tunes of a tune file's bytes, cut into tunes and headers exactly as the
// program's build cuts them (an older file's bare strings count as records,
// as they do when it is opened). The symbol map tells which words are time
// signatures.
std::vector<TuneSummary> summarizeTunes(std::string bytes, const SymbolMap& symbols);

// One tune of a file as a set takes it: its text from its first header
// record through its music, without the blank lines around it.
struct CutTune {
    std::string text;
    TuneSummary summary;
    bool tempoBeforeText = false;  // its tempo mark (a settings line for the first) stands before its text
};

struct CutTuneFile {
    std::string settings;  // the header line and settings lines before the first tune's records
    std::vector<CutTune> tunes;
};

// The tunes of a tune file's bytes cut as the build cuts them; an older
// file's bare strings are made records first, so the texts are in the
// current form.
CutTuneFile cutTuneTexts(std::string bytes, const SymbolMap& symbols);

// Why the bytes are not a tune file, or empty when they are one: a file with
// a NUL byte, or with neither a header line nor a staff, is something else.
std::string notTuneFileReason(std::string_view bytes);

// "6_8" -> "6/8", "C_" -> "C|": the time signature as a piper writes it.
std::string writtenTimeSignature(std::string_view name);

}  // namespace skirlo
