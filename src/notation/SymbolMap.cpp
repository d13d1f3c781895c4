#include "notation/SymbolMap.h"

#include <algorithm>
#include <string>

#include "common/LenientNumber.h"
#include "common/MessageSink.h"
#include "tunefile/Profile.h"

namespace skirlo {

namespace {

constexpr std::string_view kBlanks = " \t";
constexpr std::string_view kSymbolsSection = "Symbols";

std::string_view trimmed(std::string_view text) {
    const std::size_t begin = text.find_first_not_of(kBlanks);
    if (begin == std::string_view::npos) return {};
    return text.substr(begin, text.find_last_not_of(kBlanks) - begin + 1);
}

// One blank-separated field: leading blanks go; the text before the next
// blank is the field and the rest continues after that blank. With no blank
// left the field is empty and the rest is left for the next field.
std::string_view takeField(std::string_view& rest) {
    rest = trimmed(rest);
    const std::size_t blank = rest.find_first_of(kBlanks);
    if (blank == std::string_view::npos) return {};
    std::string_view field = rest.substr(0, blank);
    rest.remove_prefix(blank + 1);
    return field;
}

// The text before the next comma, the rest after it; empty when no comma is left.
std::string_view takeWord(std::string_view& rest) {
    const std::size_t comma = rest.find(',');
    if (comma == std::string_view::npos) return {};
    std::string_view word = rest.substr(0, comma);
    rest.remove_prefix(comma + 1);
    return word;
}

// A "%d" conversion: blanks, an optional sign, at least one digit.
bool scanInt(std::string_view& rest, long long& value) {
    std::size_t i = 0;
    while (i < rest.size() && (rest[i] == ' ' || (rest[i] >= '\t' && rest[i] <= '\r'))) ++i;
    bool negative = false;
    if (i < rest.size() && (rest[i] == '-' || rest[i] == '+')) negative = rest[i++] == '-';
    const std::size_t digits = i;
    value = 0;
    for (; i < rest.size() && rest[i] >= '0' && rest[i] <= '9'; ++i) {
        if (value < 1'000'000'000'000LL) value = value * 10 + (rest[i] - '0');
    }
    if (i == digits) return false;
    if (negative) value = -value;
    rest.remove_prefix(i);
    return true;
}

bool scanLiteral(std::string_view& rest, std::string_view literal) {
    if (!rest.starts_with(literal)) return false;
    rest.remove_prefix(literal.size());
    return true;
}

}  // namespace

void parseCodesField(std::string_view codes, SymbolMapEntry& entry) {
    std::string_view rest = codes;
    if (const std::size_t open = rest.find('('); open != std::string_view::npos) rest.remove_prefix(open + 1);
    const std::string_view categoryWord = takeWord(rest);
    const std::string_view pitchWord = takeWord(rest);
    const std::string_view tailWord = takeWord(rest);
    const std::size_t close = rest.find(')');
    entry.noteValue = close == std::string_view::npos ? 0 : leadingInt(rest.substr(0, close));
    entry.category = categoryFromWord(categoryWord);
    entry.pitch = pitchFromWord(pitchWord);
    entry.tailCode = tailFromWord(tailWord);
}

SymbolMapEntry parseSymbolMapRow(std::string_view value, std::int32_t code) {
    SymbolMapEntry entry;
    std::string_view rest = value;
    entry.name = std::string(takeField(rest));
    const std::string_view codes = takeField(rest);
    rest = trimmed(rest);
    const std::size_t blank = rest.find_first_of(kBlanks);
    if (blank == std::string_view::npos) {
        entry.playbackClass = std::string(rest);
    } else {
        entry.playbackClass = std::string(rest.substr(0, blank));
        entry.playbackData = std::string(trimmed(rest.substr(blank + 1)));
    }
    parseCodesField(codes, entry);
    entry.glyphCharacter = code;
    return entry;
}

bool parseRgbColour(std::string_view text, std::int32_t& colour) {
    std::string_view rest = text;
    long long red = 0;
    long long green = 0;
    long long blue = 0;
    if (!scanLiteral(rest, "RGB(") || !scanInt(rest, red) || !scanLiteral(rest, ",") || !scanInt(rest, green) ||
        !scanLiteral(rest, ",") || !scanInt(rest, blue)) {
        return false;
    }
    colour = static_cast<std::int32_t>((red & 0xFF) | (green & 0xFF) << 8 | (blue & 0xFF) << 16);
    return true;
}

SymbolMap::SymbolMap() : spacing_(CategorySpacing::standard()) { spacing_.setEmbellishmentSpace(embellishmentSpace_); }

void SymbolMap::load(const Profile& profile, MessageSink& messages) {
    clear();
    readSettings(profile);
    for (int section = 1; section <= kSectionCount; ++section) {
        // FontMap8 is the only section a working map may leave empty.
        if (readSection(profile, section) == 0 && section < kSectionCount) {
            messages.show("Could not load symbol mappings for FontMap" + std::to_string(section) + "!",
                          "Initialization Error!", MessageButtons::Ok);
        }
    }
}

void SymbolMap::clear() {
    index_.clear();
    for (Section& section : sections_) section.clear();
    embellishmentSpace_ = kDefaultEmbellishmentSpace;
    hiliteColour_ = kDefaultHiliteColour;
    spacing_ = CategorySpacing::standard();
    spacing_.setEmbellishmentSpace(embellishmentSpace_);
}

void SymbolMap::readSettings(const Profile& profile) {
    const std::string space = profile.getString(kSymbolsSection, "EmbellishmentDistFactor");
    if (!space.empty()) embellishmentSpace_ = leadingInt(space);
    const std::string colour = profile.getString(kSymbolsSection, "HiliteColor");
    if (!colour.empty()) parseRgbColour(colour, hiliteColour_);
    spacing_.setEmbellishmentSpace(embellishmentSpace_);
}

int SymbolMap::readSection(const Profile& profile, int section) {
    // QTN1 holds the extra glyphs 128..171; the other fonts end at 127.
    const int lastCode = section == 1 ? 171 : 127;
    const std::string sectionName = "FontMap" + std::to_string(section);
    int rows = 0;
    for (int code = 32; code <= lastCode; ++code) {
        const std::string value = profile.getString(sectionName, std::to_string(code));
        if (value.empty()) continue;
        insert(section, parseSymbolMapRow(value, code));
        ++rows;
    }
    return rows;
}

void SymbolMap::insert(int section, SymbolMapEntry entry) {
    if (section < 1 || section > kSectionCount) return;
    Section& map = sections_[static_cast<std::size_t>(section - 1)];
    std::string key = entry.name;
    const auto stored = map.insert_or_assign(std::move(key), std::move(entry)).first;
    const auto [indexed, added] = index_.try_emplace(stored->first, Lookup{&stored->second, section});
    if (!added && indexed->second.section >= section) indexed->second = Lookup{&stored->second, section};
}

SymbolMap::Lookup SymbolMap::find(std::string_view name) const {
    const auto found = index_.find(name);
    return found != index_.end() ? found->second : Lookup{};
}

std::size_t SymbolMap::size(int section) const {
    if (section < 1 || section > kSectionCount) return 0;
    return sections_[static_cast<std::size_t>(section - 1)].size();
}

std::vector<std::string_view> SymbolMap::names() const {
    std::vector<std::string_view> names;
    names.reserve(index_.size());
    for (const auto& [name, lookup] : index_) names.push_back(name);
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace skirlo
