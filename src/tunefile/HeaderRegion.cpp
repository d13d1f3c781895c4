#include "tunefile/HeaderRegion.h"

#include <algorithm>
#include <array>
#include <string>

#include "common/LenientNumber.h"
#include "tunefile/ScriptText.h"

namespace skirlo {

namespace {

constexpr std::size_t npos = std::string_view::npos;

bool isBelowExclamation(char c) { return static_cast<unsigned char>(c) < '!'; }

// Attributes for a header record that has none, by its position among the
// records of its tune.
constexpr std::array<std::string_view, 4> kDefaultAttributes = {
    "(T,L,0,0,Times New Roman,16,700,0,0,18,0,0,0)",
    "(Y,C,0,0,Times New Roman,14,400,0,0,18,0,0,0)",
    "(M,R,0,0,Times New Roman,14,400,0,0,18,0,0,0)",
    "(F,R,0,0,Times New Roman,12,400,0,0,18,0,0,0)",
};

constexpr std::size_t kTempoDigitsOffset = 10;  // just after "TuneTempo,"

}  // namespace

std::size_t bodyStart(std::string_view text, std::size_t firstAmpersand) {
    if (firstAmpersand >= text.size()) return firstAmpersand;
    std::size_t end = firstAmpersand;  // text[end - 1] is the character looked at
    while (end > 0 && isBelowExclamation(text[end - 1])) --end;
    if (end < 2 || text[end - 1] != ')') return firstAmpersand;
    const std::size_t closingQuote = text.rfind('"', end - 2);
    if (closingQuote == npos || closingQuote == 0 || text.substr(closingQuote + 1, 3) != ",(I") {
        return firstAmpersand;
    }
    const std::size_t openingQuote = text.rfind('"', closingQuote - 1);
    return openingQuote == npos ? firstAmpersand : openingQuote;
}

HeaderSearch::HeaderSearch(std::string_view snapshot)
    : quote(snapshot, "\""),
      ampersand(snapshot, "&"),
      attributeEnd(snapshot, ")"),
      tuneTempo(snapshot, "TuneTempo"),
      variationTempo(snapshot, "VariationTempo"),
      variationComma(snapshot, ","),
      variationSeparator(snapshot, ","),
      variationEnd(snapshot, ")"),
      snapshot_(snapshot) {}

HeaderRegionReader::HeaderRegionReader(HeaderSearch& search, std::size_t tuneStart, ScriptText& script,
                                       std::ptrdiff_t& growth, bool convertBareStrings, MeasuringContext& context,
                                       int layoutScaleH, TextRepairs repairs)
    : search_(search),
      snapshot_(search.snapshot()),
      tuneStart_(std::min(tuneStart, search.snapshot().size())),
      position_(tuneStart_),
      script_(script),
      growth_(growth),
      convertBareStrings_(convertBareStrings),
      repairs_(repairs),
      context_(context),
      layoutScaleH_(layoutScaleH) {}

HeaderRegionReader::HeaderRegionReader(std::string_view snapshot, std::size_t tuneStart, ScriptText& script,
                                       std::ptrdiff_t& growth, bool convertBareStrings, MeasuringContext& context,
                                       int layoutScaleH, TextRepairs repairs)
    : ownSearch_(std::make_unique<HeaderSearch>(snapshot)),
      search_(*ownSearch_),
      snapshot_(snapshot),
      tuneStart_(std::min(tuneStart, snapshot.size())),
      position_(tuneStart_),
      script_(script),
      growth_(growth),
      convertBareStrings_(convertBareStrings),
      repairs_(repairs),
      context_(context),
      layoutScaleH_(layoutScaleH) {}

HeaderRegionReader::Step HeaderRegionReader::next(TuneHeader& header) {
    if (exhausted_) return Step::None;
    exhausted_ = true;  // until a record or comment is read below
    const std::size_t open = search_.quote.from(position_);
    if (open == npos) return Step::None;
    const std::size_t ampersand = search_.ampersand.from(position_);
    const std::size_t body = ampersand == npos ? npos : bodyStartFrom(ampersand);
    readTempoMarks(header, body);
    if (body != npos && body <= open) return Step::None;
    const std::size_t close = search_.quote.from(open + 1);
    if (close == npos) return Step::None;

    const std::string_view text = snapshot_.substr(open + 1, close - open - 1);
    std::string_view attributes;
    SourceRange source;
    if (close + 1 < snapshot_.size() && snapshot_[close + 1] == ',') {
        position_ = close + 2;
        const std::size_t end = search_.attributeEnd.from(position_);
        if (end != npos) {
            attributes = snapshot_.substr(position_, end - position_ + 1);
            source = liveRange(open, end + 1);
        } else {
            attributes = mendRecord(open, close, source);
        }
    } else {
        position_ = close + 1;
        if (!convertBareStrings_) {
            exhausted_ = false;
            return Step::Skip;
        }
        attributes = mendRecord(open, close, source);
    }
    auto record = TextRecord::create(context_, std::string(text), attributes, layoutScaleH_);
    record->source = source;
    // An in-line text belongs to the music: the header region ends here.
    if (record->kind == 'I') return Step::None;
    header.texts.push_back(std::move(record));
    recordsRead_ = std::min(recordsRead_ + 1, 3);
    exhausted_ = false;
    return Step::Record;
}

std::size_t HeaderRegionReader::bodyStartFrom(std::size_t ampersandAt) {
    // Measured within this tune: the text before it belongs to the last one.
    if (ampersandAt != bodyAmpersand_) {
        bodyAmpersand_ = ampersandAt;
        bodyAt_ = bodyStart(snapshot_.substr(tuneStart_), ampersandAt - tuneStart_) + tuneStart_;
    }
    return bodyAt_;
}

int HeaderRegionReader::tempoMarkAt(std::size_t at) {
    if (at != tempoMarkAt_) {
        tempoMarkAt_ = at;
        const std::size_t digits = at + kTempoDigitsOffset;
        tempoMarkValue_ = digits <= snapshot_.size() ? leadingDigits(snapshot_.substr(digits)) : 0;
    }
    return tempoMarkValue_;
}

void HeaderRegionReader::readTempoMarks(TuneHeader& header, std::size_t body) {
    // Marks count only before the music; without a body nothing is read.
    if (body == npos) return;
    const std::size_t tempo = search_.tuneTempo.from(position_);
    if (tempo != npos && tempo < body) header.tempo = tempoMarkAt(tempo);
    const std::size_t variation = search_.variationTempo.from(position_);
    if (variation == npos || variation >= body) return;
    const VariationMark mark = readVariationMark(variation);
    // A TuneTempo mark after the VariationTempo mark keeps the tempo it gives.
    if (mark.hasFirst && !(tempo != npos && tempo > variation)) header.tempo = mark.first;
    if (mark.hasSecond) header.variationTempo = mark.second;
}

HeaderRegionReader::VariationMark HeaderRegionReader::readVariationMark(std::size_t at) {
    const std::size_t comma = search_.variationComma.from(at);
    if (comma == npos) return {};
    // Everything below follows from the comma alone.
    if (comma == variationCommaAt_) return variationMark_;
    VariationMark mark;
    std::size_t from = comma + 2;  // past the comma and the opening parenthesis
    const std::size_t separator = search_.variationSeparator.from(from);
    if (separator != npos) {
        mark.hasFirst = true;
        mark.first = leadingInt(snapshot_.substr(from, separator - from));
        from = separator + 1;
    }
    const std::size_t end = search_.variationEnd.from(from);
    if (end != npos) {
        mark.hasSecond = true;
        mark.second = leadingInt(snapshot_.substr(from, end - from));
    }
    variationCommaAt_ = comma;
    variationMark_ = mark;
    return mark;
}

SourceRange HeaderRegionReader::liveRange(std::size_t begin, std::size_t end) const {
    const auto live = [this](std::size_t at) {
        return static_cast<std::size_t>(std::max<std::ptrdiff_t>(0, static_cast<std::ptrdiff_t>(at) + growth_));
    };
    return SourceRange::between(live(begin), live(end));
}

std::string_view HeaderRegionReader::mendRecord(std::size_t open, std::size_t close, SourceRange& written) {
    const std::string_view attributes = kDefaultAttributes[static_cast<std::size_t>(recordsRead_)];
    if (repairs_ == TextRepairs::Leave) {
        written = liveRange(open, close + 1);
        return attributes;
    }
    const std::size_t liveOpen = static_cast<std::size_t>(std::max<std::ptrdiff_t>(
        0, static_cast<std::ptrdiff_t>(open) + growth_));
    const std::size_t quotedSize = close + 1 - open;
    std::string replacement = needsLineBreakBefore(liveOpen) ? "\r\n" : "";
    replacement.append(snapshot_.substr(open, quotedSize));
    replacement += ',';
    replacement.append(attributes);
    replacement += "\r\n";
    script_.select(liveOpen, liveOpen + quotedSize);
    script_.replaceSelection(replacement);
    const std::size_t lineBreak = replacement.size() - quotedSize - 2 - attributes.size() - 1;
    written = SourceRange::between(liveOpen + lineBreak, liveOpen + replacement.size() - 2);
    growth_ += static_cast<std::ptrdiff_t>(replacement.size()) - static_cast<std::ptrdiff_t>(quotedSize);
    return attributes;
}

// Judged on the live text, where the record is written: a record written
// just before this one ends with its own CR LF, which the snapshot does not
// hold, and which with one blank line in the file already makes the blank
// line the program puts between records.
bool HeaderRegionReader::needsLineBreakBefore(std::size_t liveQuote) const {
    const std::string_view text = script_.text();
    std::size_t at = std::min(liveQuote, text.size());
    int lineEnds = 0;
    while (at > 0 && isBelowExclamation(text[at - 1]) && lineEnds < 2) {
        if (at >= 2 && text[at - 1] == '\n' && text[at - 2] == '\r') {
            ++lineEnds;
            at -= 2;
        } else {
            --at;
        }
    }
    return lineEnds < 2;
}

}  // namespace skirlo
