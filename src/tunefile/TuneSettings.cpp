#include "tunefile/TuneSettings.h"

#include <optional>

#include "common/LenientNumber.h"
#include "tunefile/ScriptText.h"
#include "tunefile/TuneFileFormat.h"

namespace skirlo {

namespace {

constexpr std::string_view kMidiNoteMappings = "MIDINoteMappings";
constexpr std::string_view kFrequencyMappings = "FrequencyMappings";
constexpr std::string_view kInstrumentMappings = "InstrumentMappings";
constexpr std::string_view kGracenoteDurations = "GracenoteDurations";
constexpr std::string_view kFontSizes = "FontSizes";
// The reader's shorter word also finds a line written "FontSize".
constexpr std::string_view kFontSizesReadWord = "FontSize";
constexpr std::string_view kTuneFormat = "TuneFormat";
constexpr std::string_view kTuneTempo = "TuneTempo";

// The text after the first comma after the first occurrence of the keyword.
std::optional<std::string_view> valueText(std::string_view text, std::string_view keyword) {
    const std::size_t at = text.find(keyword);
    if (at == std::string_view::npos) return std::nullopt;
    const std::size_t comma = text.find(',', at + keyword.size());
    if (comma == std::string_view::npos) return std::nullopt;
    return text.substr(comma + 1);
}

// The value list, from its opening parenthesis through its first ')'.
std::optional<std::string_view> valueList(std::string_view text, std::string_view keyword) {
    std::optional<std::string_view> rest = valueText(text, keyword);
    if (!rest) return std::nullopt;
    const std::size_t close = rest->find(')');
    if (close == std::string_view::npos) return std::nullopt;
    return rest->substr(0, close + 1);
}

// Reads a value list left to right. A value whose delimiter is missing
// takes its default and consumes nothing.
class ListReader {
public:
    explicit ListReader(std::string_view list) : rest_(list.substr(1)) {}

    int integer(int defaultValue, char delimiter = ',') {
        std::string_view field;
        return next(delimiter, field) ? leadingInt(field) : defaultValue;
    }
    // A value that may also be the last of a shortened line.
    int integerOrLast(int defaultValue) {
        std::string_view field;
        return next(',', field) || next(')', field) ? leadingInt(field) : defaultValue;
    }
    char letter(char defaultValue) {
        std::string_view field;
        // An empty field has no letter; writing a NUL back would cut the line.
        return next(',', field) && !field.empty() && field.front() != '\0' ? field.front() : defaultValue;
    }
    template <std::size_t N>
    void integers(std::array<int, N>& values, const std::array<int, N>& defaults) {
        for (std::size_t i = 0; i < N; ++i) values[i] = integer(defaults[i], i + 1 < N ? ',' : ')');
    }

private:
    bool next(char delimiter, std::string_view& field) {
        const std::size_t at = rest_.find(delimiter);
        if (at == std::string_view::npos) return false;
        field = rest_.substr(0, at);
        rest_.remove_prefix(at + 1);
        return true;
    }
    std::string_view rest_;
};

template <std::size_t N>
std::string joined(const std::array<int, N>& values) {
    std::string text;
    for (std::size_t i = 0; i < N; ++i) text += (i ? "," : "") + std::to_string(values[i]);
    return text;
}

std::string settingsLine(std::string_view keyword, const std::string& values) {
    return "\r\n" + std::string(keyword) + ",(" + values + ")\r\n";
}

// Just after the line of the first occurrence of the anchor, or npos.
std::size_t afterLineOf(std::string_view text, std::string_view anchor) {
    if (anchor.empty()) return std::string_view::npos;
    const std::size_t at = text.find(anchor);
    if (at == std::string_view::npos) return std::string_view::npos;
    const std::size_t lf = text.find('\n', at + anchor.size());
    return lf == std::string_view::npos ? text.size() : lf + 1;
}

// Where a line goes that has no anchor: at the start, but after a header
// line standing there, which other programs look for on the first line.
std::size_t afterLeadingHeaderLine(std::string_view text) {
    if (!text.starts_with(kHeaderWord) && !text.starts_with(kOtherWriterHeaderWord)) return 0;
    const std::size_t lf = text.find('\n');
    return lf == std::string_view::npos ? text.size() : lf + 1;
}

}  // namespace

std::string midiNoteMappingsLine(const TuneSettings& settings) {
    return settingsLine(kMidiNoteMappings, joined(settings.midiNotes));
}

std::string frequencyMappingsLine(const TuneSettings& settings) {
    return settingsLine(kFrequencyMappings, joined(settings.frequencies));
}

std::string instrumentMappingsLine(const TuneSettings& settings) {
    const InstrumentMapping& m = settings.instruments;
    return settingsLine(kInstrumentMappings,
                        joined(std::array<int, 7>{m.droneInstrument, m.chanterInstrument, m.tenorDroneNote,
                                                  m.bassDroneNote, m.droneIntroduction, m.smoothFactorA,
                                                  m.smoothFactorB}));
}

std::string gracenoteDurationsLine(const TuneSettings& settings) {
    return settingsLine(kGracenoteDurations, joined(settings.gracenoteDurations));
}

std::string fontSizesLine(const TuneSettings& settings) {
    const FontSizes& f = settings.fontSizes;
    return settingsLine(kFontSizes, joined(std::array<int, 5>{f.xScale, f.yScale, f.zoom, f.spacing, f.staffHeight}));
}

std::string tuneFormatLine(const TuneSettings& settings) {
    const TuneFormat& f = settings.format;
    const auto n = [](int value) { return std::to_string(value); };
    std::string values = n(f.spreadHorizontally) + "," + n(f.spreadVertically) + ",";
    values += f.scaleOption;
    values += ',';
    values += f.justification;
    values += "," + n(f.leftMargin) + "," + n(f.topMargin) + "," + n(f.rightMargin) + "," + n(f.bottomMargin) + ",";
    values += f.orientation;
    values += "," + n(f.alignBars) + "," + n(f.reserved);
    return settingsLine(kTuneFormat, values);
}

std::string tuneTempoLine(int tempo) { return "\r\nTuneTempo," + std::to_string(tempo) + "\r\n"; }

void TuneSettingsLines::readAtSetUp() {
    readTuneFormat();
    readTuneTempo();
    readLinesAfterTempo();
}

void TuneSettingsLines::readAtRefresh() {
    readTuneFormat();
    readLinesAfterTempo();
}

void TuneSettingsLines::writeMissing(void (TuneSettingsLines::*write)()) {
    if (repairs_ == TextRepairs::Mend) (this->*write)();
}

void TuneSettingsLines::readLinesAfterTempo() {
    readMidiNoteMappings();
    readFrequencyMappings();
    readInstrumentMappings();
    readGracenoteDurations();
    readFontSizes();
}

void TuneSettingsLines::readTuneFormat() {
    std::optional<std::string_view> list = valueList(script_.text(), kTuneFormat);
    if (!list) {
        settings_.format = TuneFormat{};
        writeMissing(&TuneSettingsLines::writeTuneFormat);
        return;
    }
    // The defaults of single values differ from those of a missing line.
    ListReader values(*list);
    TuneFormat& f = settings_.format;
    f.spreadHorizontally = values.integer(1);
    f.spreadVertically = values.integer(0);
    f.scaleOption = values.letter('F');
    f.justification = values.letter('L');
    f.leftMargin = values.integer(500);
    f.topMargin = values.integer(500);
    f.rightMargin = values.integer(500);
    f.bottomMargin = values.integer(500);
    f.orientation = values.letter('P');
    f.alignBars = values.integer(1);
    f.reserved = values.integer(1, ')');
}

void TuneSettingsLines::readTuneTempo() {
    std::optional<std::string_view> rest = valueText(script_.text(), kTuneTempo);
    settings_.lacksTempoLine = !rest;
    settings_.tempo = rest ? leadingInt(*rest) : 90;
}

void TuneSettingsLines::readMidiNoteMappings() {
    std::optional<std::string_view> list = valueList(script_.text(), kMidiNoteMappings);
    const TuneSettings defaults;
    if (!list) {
        settings_.midiNotes = defaults.midiNotes;
        writeMissing(&TuneSettingsLines::writeMidiNoteMappings);
        return;
    }
    ListReader(*list).integers(settings_.midiNotes, defaults.midiNotes);
}

void TuneSettingsLines::readFrequencyMappings() {
    std::optional<std::string_view> list = valueList(script_.text(), kFrequencyMappings);
    const TuneSettings defaults;
    if (!list) {
        settings_.frequencies = defaults.frequencies;
        writeMissing(&TuneSettingsLines::writeFrequencyMappings);
        return;
    }
    ListReader(*list).integers(settings_.frequencies, defaults.frequencies);
}

void TuneSettingsLines::readInstrumentMappings() {
    std::optional<std::string_view> list = valueList(script_.text(), kInstrumentMappings);
    const InstrumentMapping defaults;
    InstrumentMapping& m = settings_.instruments;
    if (!list) {
        m = defaults;
        writeMissing(&TuneSettingsLines::writeInstrumentMappings);
        return;
    }
    ListReader values(*list);
    m.droneInstrument = values.integer(defaults.droneInstrument);
    m.chanterInstrument = values.integer(defaults.chanterInstrument);
    m.tenorDroneNote = values.integer(defaults.tenorDroneNote);
    m.bassDroneNote = values.integer(defaults.bassDroneNote);
    // A line of five or six values is accepted.
    m.droneIntroduction = values.integerOrLast(defaults.droneIntroduction);
    m.smoothFactorA = values.integerOrLast(defaults.smoothFactorA);
    m.smoothFactorB = values.integer(defaults.smoothFactorB, ')');
}

void TuneSettingsLines::readGracenoteDurations() {
    std::optional<std::string_view> list = valueList(script_.text(), kGracenoteDurations);
    const TuneSettings defaults;
    if (!list) {
        settings_.gracenoteDurations = defaults.gracenoteDurations;
        writeMissing(&TuneSettingsLines::writeGracenoteDurations);
        return;
    }
    ListReader(*list).integers(settings_.gracenoteDurations, defaults.gracenoteDurations);
}

void TuneSettingsLines::readFontSizes() {
    std::optional<std::string_view> list = valueList(script_.text(), kFontSizesReadWord);
    const FontSizes defaults;
    FontSizes& f = settings_.fontSizes;
    if (!list) {
        f = defaults;
        writeMissing(&TuneSettingsLines::writeFontSizes);
        return;
    }
    ListReader values(*list);
    f.xScale = values.integer(defaults.xScale);
    f.yScale = values.integer(defaults.yScale);
    // A line of three or four values is accepted.
    f.zoom = values.integerOrLast(defaults.zoom);
    f.spacing = values.integerOrLast(defaults.spacing);
    f.staffHeight = values.integer(defaults.staffHeight, ')');
}

void TuneSettingsLines::writeTuneFormat() { putLine(kTuneFormat, tuneFormatLine(settings_), kFontSizesReadWord); }

void TuneSettingsLines::writeTuneTempo(int tempo) {
    settings_.tempo = tempo;
    settings_.lacksTempoLine = false;
    putLine(kTuneTempo, tuneTempoLine(tempo), kTuneFormat, kHeaderWord);
}

void TuneSettingsLines::writeMidiNoteMappings() {
    putLine(kMidiNoteMappings, midiNoteMappingsLine(settings_), kHeaderWord);
}

void TuneSettingsLines::writeFrequencyMappings() {
    putLine(kFrequencyMappings, frequencyMappingsLine(settings_), kMidiNoteMappings);
}

void TuneSettingsLines::writeInstrumentMappings() {
    putLine(kInstrumentMappings, instrumentMappingsLine(settings_), kFrequencyMappings);
}

void TuneSettingsLines::writeGracenoteDurations() {
    putLine(kGracenoteDurations, gracenoteDurationsLine(settings_), kInstrumentMappings);
}

void TuneSettingsLines::writeFontSizes() { putLine(kFontSizes, fontSizesLine(settings_), kGracenoteDurations); }

void TuneSettingsLines::putLine(std::string_view keyword, std::string_view line, std::string_view anchor,
                                std::string_view fallbackAnchor) {
    const std::string_view text = script_.text();
    const std::size_t at = text.find(keyword);
    if (at != std::string_view::npos) {
        // From the CR LF ending the previous line through the LF ending this one.
        const std::size_t begin = at >= 2 ? at - 2 : 0;
        const std::size_t lf = text.find('\n', at + keyword.size());
        script_.select(begin, lf == std::string_view::npos ? text.size() : lf + 1);
    } else {
        std::size_t insertAt = afterLineOf(text, anchor);
        if (insertAt == std::string_view::npos) insertAt = afterLineOf(text, fallbackAnchor);
        if (insertAt == std::string_view::npos) insertAt = afterLeadingHeaderLine(text);
        script_.select(insertAt, insertAt);
    }
    script_.replaceSelection(line);
}

}  // namespace skirlo
