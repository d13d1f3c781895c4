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

bool soundsGracenotes(const EmbellishmentTable::Row& row) {
    const bool gracenoteCategory = row.category == CAT_GRACENOTES || row.category == CAT_EMBELISHMENTS ||
                                   row.category == CAT_STRIKES;
    const bool lettersOnly = std::all_of(row.playbackData.begin(), row.playbackData.end(), [](char c) {
        return std::find(kDataLetters.begin(), kDataLetters.end(), c) != kDataLetters.end();
    });
    return gracenoteCategory && playbackClassFromWord(row.playbackClass) == PlaybackClass::Embellishment &&
           !row.playbackData.empty() && lettersOnly;
}

// Lower ranks win a shared gracenote sequence.
int rank(std::int32_t category) {
    return category == CAT_GRACENOTES ? 0 : category == CAT_EMBELISHMENTS ? 1 : 2;
}

}  // namespace

EmbellishmentTable::EmbellishmentTable(const std::vector<Row>& rows) {
    std::unordered_map<std::string, int> rankOf;
    for (const Row& row : rows) {
        names_.insert(row.name);
        if (!soundsGracenotes(row)) continue;
        const int rowRank = rank(row.category);
        const auto known = rankOf.find(row.playbackData);
        if (known != rankOf.end() && known->second <= rowRank) continue;
        rankOf[row.playbackData] = rowRank;
        bySequence_[row.playbackData] = row.name;
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

std::optional<std::string> EmbellishmentTable::nameFor(const std::vector<int>& pitches) const {
    std::string data;
    for (int pitch : pitches) {
        if (pitch < 0 || pitch >= static_cast<int>(kDataLetters.size())) return std::nullopt;
        data += kDataLetters[static_cast<std::size_t>(pitch)];
    }
    const auto found = bySequence_.find(data);
    if (found == bySequence_.end()) return std::nullopt;
    return found->second;
}

}  // namespace skirlo
