#include "interchange/EmbellishmentTable.h"

#include <algorithm>
#include <array>

#include "notation/SymbolMap.h"
#include "notation/SymbolVocabulary.h"
#include "tunefile/Profile.h"

namespace skirlo {

namespace {

// The playback data's letter for each chanter pitch, low G to high A.
constexpr std::array<char, 9> kDataLetters = {'g', 'a', 'b', 'c', 'd', 'e', 'f', 'G', 'A'};

bool isLetter(char c) { return std::find(kDataLetters.begin(), kDataLetters.end(), c) != kDataLetters.end(); }

bool isDurationCode(char c) { return (c >= '0' && c <= '9') || c == '~' || c == '*'; }

// The gracenote letters of a row's playback data without their duration
// codes, or empty when the data holds anything else.
std::string gracenoteLetters(std::string_view data) {
    std::string letters;
    for (char c : data) {
        if (isLetter(c)) letters += c;
        else if (!isDurationCode(c) || letters.empty()) return {};
    }
    return letters;
}

bool soundsGracenotes(const EmbellishmentTable::Row& row) {
    const std::int32_t c = row.category;
    const bool gracenoteCategory =
        c == CAT_GRACENOTES || c == CAT_EMBELISHMENTS || c == CAT_STRIKES || c == CAT_CADENCE;
    return gracenoteCategory && playbackClassFromWord(row.playbackClass) == PlaybackClass::Embellishment &&
           !gracenoteLetters(row.playbackData).empty();
}

// Lower ranks win a shared gracenote sequence. A cadence that holds one of
// its notes is what a run before a note means in ceol mor; the plain cadence
// of the same gracenotes comes after it.
int rank(const EmbellishmentTable::Row& row) {
    switch (row.category) {
        case CAT_GRACENOTES: return 0;
        case CAT_EMBELISHMENTS: return 1;
        case CAT_STRIKES: return 2;
        default: return gracenoteLetters(row.playbackData).size() < row.playbackData.size() ? 3 : 4;
    }
}

}  // namespace

EmbellishmentTable::EmbellishmentTable(const std::vector<Row>& rows) {
    std::unordered_map<std::string, int> rankOf;
    for (const Row& row : rows) {
        names_.insert(row.name);
        if (!soundsGracenotes(row)) continue;
        const int rowRank = rank(row);
        const std::string letters = gracenoteLetters(row.playbackData);
        if (letters.size() < row.playbackData.size()) {
            heldBySequence_.try_emplace(letters, row.name);
            heldNames_.insert(row.name);
        }
        const auto known = rankOf.find(letters);
        if (known != rankOf.end() && known->second <= rowRank) continue;
        rankOf[letters] = rowRank;
        bySequence_[letters] = row.name;
    }
}

EmbellishmentTable EmbellishmentTable::fromProfile(const Profile& profile) {
    std::vector<Row> rows;
    for (int section = 1; section <= 8; ++section) {
        const std::string sectionName = "FontMap" + std::to_string(section);
        for (int code = 32; code <= 255; ++code) {
            const std::string value = profile.getString(sectionName, std::to_string(code));
            if (value.empty()) continue;
            SymbolMapEntry entry = parseSymbolMapRow(value, code);
            rows.push_back(Row{std::move(entry.name), entry.category, std::move(entry.playbackClass),
                               std::move(entry.playbackData)});
        }
    }
    return EmbellishmentTable(rows);
}

std::optional<std::string> EmbellishmentTable::nameFor(const std::vector<int>& pitches, bool held) const {
    std::string data;
    for (int pitch : pitches) {
        if (pitch < 0 || pitch >= static_cast<int>(kDataLetters.size())) return std::nullopt;
        data += kDataLetters[static_cast<std::size_t>(pitch)];
    }
    if (held) {
        if (const auto heldFound = heldBySequence_.find(data); heldFound != heldBySequence_.end()) return heldFound->second;
    }
    const auto found = bySequence_.find(data);
    if (found == bySequence_.end()) return std::nullopt;
    return found->second;
}

}  // namespace skirlo
