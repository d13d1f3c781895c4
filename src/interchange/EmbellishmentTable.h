#pragma once
// What the ABC importer needs of the symbol map: which names exist, and which
// named gracenote or embellishment sounds a given run of gracenotes.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace skirlo {

class Profile;

class EmbellishmentTable {
public:
    struct Row {
        std::string name;
        std::int32_t category = 0;
        std::string playbackClass;
        std::string playbackData;
    };

    // Rows in the order of the profile's FontMap sections and keys.
    explicit EmbellishmentTable(const std::vector<Row>& rows);
    static EmbellishmentTable fromProfile(const Profile& profile);

    bool hasName(std::string_view name) const { return names_.contains(std::string(name)); }
    // Whether the name sounds one of its gracenotes longer (a cadence's held E).
    bool holdsANote(std::string_view name) const { return heldNames_.contains(std::string(name)); }

    // The name whose gracenotes are exactly `pitches` (0 low G .. 8 high A),
    // or none. A single gracenote is preferred to a strike of the same note,
    // and an earlier row to a later one.
    // With `held`, the run holds one of its notes (a score's longer
    // gracenote): a cadence that holds a note wins over a shorter-played
    // embellishment of the same gracenotes.
    std::optional<std::string> nameFor(const std::vector<int>& pitches, bool held = false) const;

private:
    std::unordered_set<std::string> names_;
    std::unordered_set<std::string> heldNames_;
    std::unordered_map<std::string, std::string> bySequence_;  // playback data letters -> name
    std::unordered_map<std::string, std::string> heldBySequence_;  // the same, of rows that hold a note
};

}  // namespace skirlo
