#include "notation/MusicCutter.h"

#include <algorithm>
#include <array>

#include "notation/SymbolVocabulary.h"

namespace skirlo {

namespace {

constexpr std::string_view kRepeatPartEnd = barLineName(BarLineKind::RepeatEnd);
constexpr std::string_view kPartEnd = barLineName(BarLineKind::PartEnd);
constexpr std::string_view kStaffEnd = barLineName(BarLineKind::StaffEnd);
constexpr std::string_view kPartStart = barLineName(BarLineKind::PartStart);

// Blanks, control characters and, read as signed bytes, everything from 128 up.
bool isSkippedBeforeDirection(char c) { return static_cast<signed char>(c) <= 32; }

// A marker found by `cursor` that lies wholly inside [from, limit), or npos.
std::size_t findWithin(OccurrenceCursor& cursor, std::size_t from, std::size_t limit, std::size_t length) {
    const std::size_t at = cursor.from(from);
    return at != OccurrenceCursor::npos && at + length <= limit ? at : OccurrenceCursor::npos;
}

}  // namespace

std::size_t skipDirections(std::string_view text, std::size_t end, std::size_t limit) {
    limit = std::min(limit, text.size());
    for (std::string_view word : kDirectionNames) {
        std::size_t at = end;
        while (at < limit && isSkippedBeforeDirection(text[at])) ++at;
        if (limit - std::min(at, limit) >= word.size() && text.substr(at, word.size()) == word) {
            end = at + word.size();
        }
    }
    return end;
}

static_assert(BarText::kInsertedSize == kBeatSeparatorName.size() + 1);

SourceRange BarText::sourceOf(std::string_view token, std::size_t& separatorsBefore) const {
    const std::size_t offset = static_cast<std::size_t>(token.data() - text.data());
    // Tokens come in text order: the count of insertions before them only grows.
    while (separatorsBefore < beatSeparators.size() && beatSeparators[separatorsBefore] + kInsertedSize <= offset) {
        ++separatorsBefore;
    }
    const std::size_t shift = separatorsBefore * kInsertedSize;
    if (separatorsBefore < beatSeparators.size() && offset >= beatSeparators[separatorsBefore]) {
        const std::size_t tab = source + beatSeparators[separatorsBefore] - 1 - shift;
        return SourceRange::between(tab, tab + 1);
    }
    return SourceRange::between(source + offset - shift, source + offset - shift + token.size());
}

bool nextBar(std::string_view text, std::size_t& rest, std::size_t end, BarText& bar) {
    end = std::min(end, text.size());
    if (rest >= end) return false;
    bar.text.clear();
    bar.beatSeparators.clear();
    bar.source = rest;
    std::size_t at = rest;
    bool afterTab = false;
    for (; at < end && text[at] != '!'; ++at) {
        const char c = text[at];
        bar.text.push_back(c);
        // A run of tabs separates beats: it becomes one _bs token.
        if (c == '\t' && !afterTab) {
            bar.beatSeparators.push_back(bar.text.size());
            bar.text.append(kBeatSeparatorName);
            bar.text.push_back('\t');
        }
        afterTab = c == '\t';
    }
    if (at < end) {
        bar.text.push_back(text[at++]);
        if (at < end && text[at] == '\'') {
            const std::size_t markerEnd = std::min(at + 2, end);
            bar.text.append(text.substr(at, markerEnd - at));
            at = markerEnd;
        } else if (at < end && (text[at] == 'I' || text[at] == 't')) {
            bar.text.push_back(text[at++]);
        }
    }
    const std::size_t after = skipDirections(text, at, end);
    bar.text.append(text.substr(at, after - at));
    rest = after;
    return true;
}

bool nextBar(std::string_view text, std::size_t& rest, std::size_t end, std::string& bar) {
    BarText cut;
    if (!nextBar(text, rest, end, cut)) return false;
    bar = std::move(cut.text);
    return true;
}

namespace {

bool isBlankByte(char c) { return static_cast<signed char>(c) <= 32 && static_cast<signed char>(c) >= 0; }

// The next token of [at, end) after blanks, a quoted text taken whole with
// its attribute list (which may name a face with blanks in it); none at the end.
std::optional<TextRange> nextToken(std::string_view text, std::size_t at, std::size_t end) {
    while (at < end && isBlankByte(text[at])) ++at;
    if (at >= end) return std::nullopt;
    std::size_t tokenEnd = at;
    if (text[at] == '"') {
        const std::size_t close = text.find('"', at + 1);
        tokenEnd = close == std::string_view::npos || close >= end ? end : close + 1;
        if (text.substr(tokenEnd, 2) == ",(") {
            const std::size_t closeList = text.find(')', tokenEnd);
            tokenEnd = closeList == std::string_view::npos || closeList >= end ? end : closeList + 1;
        }
    }
    while (tokenEnd < end && !isBlankByte(text[tokenEnd])) ++tokenEnd;
    return TextRange{at, tokenEnd};
}

}  // namespace

std::vector<TextRange> unclosedStaffLines(std::string_view text, std::size_t begin, std::size_t end) {
    end = std::min(end, text.size());
    std::vector<TextRange> unclosed;
    std::optional<TextRange> open;  // the last token of the staff line still open
    for (auto range = nextToken(text, begin, end); range; range = nextToken(text, range->end, end)) {
        const std::string_view token = text.substr(range->begin, range->end - range->begin);
        if (token == "&") {
            if (open) unclosed.push_back(*open);
            open = range;
        } else if (token.find(kStaffEnd) != std::string_view::npos || token.find(kPartEnd) != std::string_view::npos) {
            open.reset();
        } else if (open && token.front() != '"') {
            open = range;
        }
    }
    if (open) unclosed.push_back(*open);
    return unclosed;
}

std::vector<TextRange> wordsAfterMusic(std::string_view text, std::size_t begin, std::size_t end) {
    end = std::min(end, text.size());
    std::vector<TextRange> words;
    for (auto range = nextToken(text, begin, end); range; range = nextToken(text, range->end, end)) {
        const std::string_view word = text.substr(range->begin, range->end - range->begin);
        if (word.front() == '"') continue;  // a text or comment: neither music nor a word
        if (word.find('&') != std::string_view::npos) break;
        for (std::string_view header : {"Chantrel", "Skirlo", "Tartanix"}) {
            if (word.starts_with(header)) return words;
        }
        words.push_back(*range);
    }
    return words;
}

MusicCutter::MusicCutter(std::string_view text)
    : text_(text),
      ampersand_(text, "&"),
      repeatEnd_(text, kRepeatPartEnd),
      partEnd_(text, kPartEnd),
      staffEnd_(text, kStaffEnd),
      partStart_(text, kPartStart),
      chantrel_(text, "Chantrel"),
      skirlo_(text, "Skirlo"),
      tartanix_(text, "Tartanix"),
      lineRepeatEnd_(text, kRepeatPartEnd),
      linePartEnd_(text, kPartEnd),
      lineStaffEnd_(text, kStaffEnd) {}

std::size_t MusicCutter::headerWordPosition(std::size_t from) {
    // The first of the words that occurs at all decides, wherever it is.
    if (const std::size_t at = chantrel_.from(from); at != npos) return at;
    if (const std::size_t at = skirlo_.from(from); at != npos) return at;
    return tartanix_.from(from);
}

bool MusicCutter::beginsNextTune(std::size_t from, std::size_t ampersand) {
    const std::size_t word = headerWordPosition(from);
    return word != npos && word < ampersand;
}

std::optional<TextRange> MusicCutter::firstPartEnd(std::size_t from) {
    const std::size_t plain = partEnd_.from(from);
    const std::size_t repeat = repeatEnd_.from(from);
    if (plain == npos && repeat == npos) return std::nullopt;
    // ''!I holds a !I two bytes in: it is taken whole unless a !I starts earlier.
    if (plain < repeat) return TextRange{plain, plain + kPartEnd.size()};
    return TextRange{repeat, repeat + kRepeatPartEnd.size()};
}

MusicCutter::PartCut MusicCutter::nextPart(std::size_t& rest, bool firstOfTune) {
    const std::size_t size = text_.size();
    PartCut cut;
    cut.tuneEnds = true;
    cut.nextTuneStart = size;

    std::size_t end = npos;
    if (const std::optional<TextRange> partEnd = firstPartEnd(rest)) {
        end = partEnd->end;
    } else if (const std::size_t staffEnd = staffEnd_.from(rest); staffEnd != npos) {
        end = staffEnd + kStaffEnd.size();
    }
    const std::size_t ampersand = ampersand_.from(rest);
    if (end == npos || ampersand == npos) {
        rest = size;  // music after the last marker is neither shown nor played
        return cut;
    }
    end = skipDirections(text_, end, size);
    // The part at the body start never ends the tune on a header word: the
    // next tune would begin at that same place and reading would not move on.
    if (!firstOfTune && beginsNextTune(rest, ampersand)) {
        cut.nextTuneStart = rest;
        return cut;
    }

    cut.part = TextRange{rest, end};
    rest = end;
    const std::size_t nextAmpersand = ampersand_.from(end);
    if (nextAmpersand == npos) {
        rest = size;
        return cut;
    }
    if (beginsNextTune(end, nextAmpersand)) {
        cut.nextTuneStart = end;
        return cut;
    }
    // A part end before the next part start still belongs to this part.
    if (const std::optional<TextRange> partEnd = firstPartEnd(end)) {
        const std::size_t partStart = partStart_.from(end);
        if (partEnd->begin < partStart) {
            cut.part->end = skipDirections(text_, partEnd->end, size);
            rest = cut.part->end;
        }
    }
    cut.tuneEnds = false;
    return cut;
}

std::optional<TextRange> MusicCutter::nextStaffLine(std::size_t& rest, std::size_t partEnd) {
    partEnd = std::min(partEnd, text_.size());
    struct Marker {
        std::size_t at;
        std::size_t length;
    };
    // In start order ''!I comes before the !I inside it.
    const std::array<Marker, 3> markers = {{
        {findWithin(lineRepeatEnd_, rest, partEnd, kRepeatPartEnd.size()), kRepeatPartEnd.size()},
        {findWithin(linePartEnd_, rest, partEnd, kPartEnd.size()), kPartEnd.size()},
        {findWithin(lineStaffEnd_, rest, partEnd, kStaffEnd.size()), kStaffEnd.size()},
    }};
    const Marker* first = nullptr;
    for (const Marker& marker : markers) {
        if (marker.at != npos && (first == nullptr || marker.at < first->at)) first = &marker;
    }
    if (first == nullptr) {
        rest = partEnd;
        return std::nullopt;
    }
    const TextRange line{rest, skipDirections(text_, first->at + first->length, partEnd)};
    rest = line.end;
    return line;
}

}  // namespace skirlo
