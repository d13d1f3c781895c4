#pragma once
// The program's knowledge of the notation vocabulary: for every symbol name,
// which music font draws it with which character, its codes and how it is
// sounded. Read once from the profile's FontMap1..FontMap8 sections (section
// n belongs to music font QTNn) together with two display settings.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "notation/SymbolMapEntry.h"
#include "notation/SymbolVocabulary.h"

namespace skirlo {

class MessageSink;
class Profile;

// One map row: name, codes field, playback class and playback data,
// separated by blanks or tabs; `code` is the row's key.
SymbolMapEntry parseSymbolMapRow(std::string_view value, std::int32_t code);

// The codes field "(CATEGORY,PITCH,TAIL,VALUE)" into the entry's codes.
void parseCodesField(std::string_view codes, SymbolMapEntry& entry);

// "RGB(r,g,b)" as red in the low byte, green, blue; false when the text does
// not give three numbers.
bool parseRgbColour(std::string_view text, std::int32_t& colour);

class SymbolMap {
public:
    static constexpr int kSectionCount = 8;
    static constexpr std::int32_t kDefaultHiliteColour = 0x0000FF;  // red
    static constexpr int kDefaultEmbellishmentSpace = 3;

    struct Lookup {
        const SymbolMapEntry* entry = nullptr;  // null: in no section
        int section = 0;                        // 1..8; its music font is FontSet::musicFont(section)
    };

    SymbolMap();
    // Moves keep every entry where it is; a copy would index the original.
    SymbolMap(const SymbolMap&) = delete;
    SymbolMap& operator=(const SymbolMap&) = delete;
    SymbolMap(SymbolMap&&) = default;
    SymbolMap& operator=(SymbolMap&&) = default;

    // Reads the settings and the eight sections. Each of FontMap1..FontMap7
    // without a row is reported ("Initialization Error!") and loading goes on.
    void load(const Profile& profile, MessageSink& messages);
    void clear();

    // Sections in order FontMap1..FontMap8; the first that holds the name wins.
    Lookup find(std::string_view name) const;
    // Adds or replaces a row of section 1..8 (others are ignored).
    void insert(int section, SymbolMapEntry entry);
    std::size_t size(int section) const;
    // Every name of every section once, sorted.
    std::vector<std::string_view> names() const;

    int embellishmentSpace() const { return embellishmentSpace_; }
    std::int32_t hiliteColour() const { return hiliteColour_; }
    const CategorySpacing& spacing() const { return spacing_; }

private:
    struct NameHash {
        using is_transparent = void;
        std::size_t operator()(std::string_view s) const noexcept { return std::hash<std::string_view>{}(s); }
    };
    using Section = std::unordered_map<std::string, SymbolMapEntry, NameHash, std::equal_to<>>;
    // Each name's first section, so that a lookup hashes the name once. Keys
    // view the sections' own keys, which stay put until the map is cleared.
    using Index = std::unordered_map<std::string_view, Lookup, NameHash, std::equal_to<>>;

    void readSettings(const Profile& profile);
    int readSection(const Profile& profile, int section);

    std::array<Section, kSectionCount> sections_;
    Index index_;
    int embellishmentSpace_ = kDefaultEmbellishmentSpace;
    std::int32_t hiliteColour_ = kDefaultHiliteColour;
    CategorySpacing spacing_;
};

}  // namespace skirlo
