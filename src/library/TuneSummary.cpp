#include "library/TuneSummary.h"

#include "common/FixedMetrics.h"
#include "common/MessageSink.h"
#include "common/Windows1252.h"
#include "notation/MusicCutter.h"
#include "notation/SymbolMap.h"
#include "tunefile/HeaderRegion.h"
#include "tunefile/ScriptText.h"
#include "tunefile/TuneFileFormat.h"

namespace skirlo {

namespace {

constexpr int kLayoutScale = 130;

bool isBlank(char c) { return static_cast<unsigned char>(c) <= ' '; }

// The first word of [begin, end) that the map holds as a time signature.
std::string firstTimeSignature(std::string_view text, TextRange range, const SymbolMap& symbols) {
    std::size_t at = range.begin;
    while (at < range.end) {
        while (at < range.end && isBlank(text[at])) ++at;
        std::size_t end = at;
        while (end < range.end && !isBlank(text[end])) ++end;
        if (end > at) {
            const std::string_view word = text.substr(at, end - at);
            const SymbolMap::Lookup lookup = symbols.find(word);
            if (lookup.entry != nullptr && lookup.entry->category == CAT_TIME_SIGNATURE) {
                return writtenTimeSignature(word);
            }
        }
        at = end;
    }
    return {};
}

void takeRecords(const TuneHeader& header, TuneSummary& summary) {
    for (const auto& record : header.texts) {
        std::string* field = nullptr;
        switch (record->kind) {
            case 'T': field = &summary.title; break;
            case 'Y': field = &summary.type; break;
            case 'M': field = &summary.composer; break;
            case 'F': field = &summary.footer; break;
            default: break;
        }
        if (field != nullptr && field->empty()) *field = tuneTextToUtf8(record->text);
    }
    summary.tempo = header.tempo;
}

// Reads the snapshot tune by tune as the tune builder does, keeping only
// what the library shows.
class SummaryReader {
public:
    SummaryReader(std::string_view snapshot, ScriptText& script, bool convertBareStrings, const SymbolMap& symbols)
        : snapshot_(snapshot),
          script_(script),
          convertBareStrings_(convertBareStrings),
          symbols_(symbols),
          headerSearch_(snapshot),
          cutter_(snapshot) {}

    std::vector<TuneSummary> readAll() {
        std::vector<TuneSummary> tunes;
        std::size_t position = 0;
        while (position < snapshot_.size()) {
            TuneSummary summary;
            summary.position = static_cast<int>(tunes.size());
            const std::size_t start = position;
            position = readTune(summary, position);
            spans_.push_back(TuneSpan{start, position, std::move(summary)});
            tunes.push_back(spans_.back().summary);
        }
        return tunes;
    }

    // Where each tune read by readAll stood in the snapshot, in file order.
    struct TuneSpan {
        std::size_t start = 0;
        std::size_t end = 0;
        TuneSummary summary;
    };
    std::vector<TuneSpan>& spans() { return spans_; }

private:
    std::size_t readTune(TuneSummary& summary, std::size_t start) {
        TuneHeader header;
        HeaderRegionReader reader(headerSearch_, start, script_, growth_, convertBareStrings_, measuring_,
                                  kLayoutScale);
        while (reader.next(header) != HeaderRegionReader::Step::None) {
        }
        takeRecords(header, summary);
        const std::size_t ampersand = cutter_.firstAmpersand(start);
        if (ampersand == MusicCutter::npos) return snapshot_.size();
        std::size_t rest = start + bodyStart(snapshot_.substr(start), ampersand - start);
        for (bool first = true;; first = false) {
            const MusicCutter::PartCut cut = cutter_.nextPart(rest, first);
            if (cut.part) {
                ++summary.parts;
                if (summary.time.empty()) summary.time = firstTimeSignature(snapshot_, *cut.part, symbols_);
            }
            if (cut.tuneEnds) return cut.nextTuneStart;
        }
    }

    std::string_view snapshot_;
    ScriptText& script_;
    bool convertBareStrings_;
    const SymbolMap& symbols_;
    HeaderSearch headerSearch_;
    MusicCutter cutter_;
    FixedMetricsContext measuring_;
    std::ptrdiff_t growth_ = 0;
    std::vector<TuneSpan> spans_;
};

// The opening quote of the first header record in [from, to): a quoted text
// followed by its attribute list. A quoted text without one is a comment.
std::size_t firstRecordQuote(std::string_view text, std::size_t from, std::size_t to) {
    std::size_t open = text.find('"', from);
    while (open < to) {
        const std::size_t close = text.find('"', open + 1);
        if (close == std::string_view::npos || close >= to) break;
        if (text.substr(close + 1, 2) == ",(") return open;
        open = text.find('"', close + 1);
    }
    return std::string_view::npos;
}

// [start, end) of the tune without the blank bytes around it.
std::string_view trimmed(std::string_view text, std::size_t start, std::size_t end) {
    while (start < end && isBlank(text[start])) ++start;
    while (end > start && isBlank(text[end - 1])) --end;
    return text.substr(start, end - start);
}

// A tune's text as a set takes it: from its first record (or its music,
// where it has none) to its end, without the blank bytes around it.
std::string_view tuneText(std::string_view snapshot, std::size_t start, std::size_t end) {
    std::size_t body = end;
    if (const std::size_t ampersand = snapshot.find('&', start); ampersand < end) {
        body = start + bodyStart(snapshot.substr(start), ampersand - start);
    }
    std::size_t textStart = firstRecordQuote(snapshot, start, body);
    if (textStart == std::string_view::npos) textStart = body;
    return trimmed(snapshot, textStart, end);
}

// 64-bit FNV-1a over the text with each run of blanks read as one space.
std::uint64_t fingerprintOf(std::string_view text) {
    std::uint64_t hash = 14695981039346656037ULL;
    bool blank = false;
    for (const char c : text) {
        if (isBlank(c)) {
            blank = true;
            continue;
        }
        if (blank) hash = (hash ^ std::uint8_t{' '}) * 1099511628211ULL;
        blank = false;
        hash = (hash ^ static_cast<std::uint8_t>(c)) * 1099511628211ULL;
    }
    return hash;
}

}  // namespace

std::vector<TuneSummary> summarizeTunes(std::string bytes, const SymbolMap& symbols) {
    // The reader completes records in a scratch copy of the text, as opening
    // the file would; the file itself is never written.
    ScriptText script(std::move(bytes));
    RecordingMessageSink quiet;
    FileRecognition recognition;
    recognition.recognise(script, "", false, quiet);
    const bool convertBareStrings = recognition.beginBuild(script);
    const std::string snapshot = script.text();
    SummaryReader reader(snapshot, script, convertBareStrings, symbols);
    std::vector<TuneSummary> tunes = reader.readAll();
    for (std::size_t i = 0; i < tunes.size(); ++i) {
        const auto& span = reader.spans()[i];
        tunes[i].fingerprint = fingerprintOf(tuneText(snapshot, span.start, span.end));
    }
    return tunes;
}

CutTuneFile cutTuneTexts(std::string bytes, const SymbolMap& symbols) {
    ScriptText script(std::move(bytes));
    RecordingMessageSink quiet;
    FileRecognition recognition;
    recognition.recognise(script, "", false, quiet);
    const bool convertBareStrings = recognition.beginBuild(script);
    std::string snapshot = script.text();
    if (convertBareStrings) {
        // An older file's bare strings become records in the scratch copy
        // first, so that the tunes are cut from text in the current form.
        SummaryReader mending(snapshot, script, true, symbols);
        mending.readAll();
        snapshot = script.text();
    }
    ScriptText scratch(snapshot);
    SummaryReader reader(snapshot, scratch, false, symbols);
    reader.readAll();

    CutTuneFile file;
    for (auto& span : reader.spans()) {
        const std::string_view text = tuneText(snapshot, span.start, span.end);
        const auto textStart = static_cast<std::size_t>(text.data() - snapshot.data());
        if (file.tunes.empty()) file.settings = std::string(trimmed(snapshot, 0, textStart));
        CutTune tune;
        tune.text = std::string(text);
        tune.summary = std::move(span.summary);
        // The first tune's tempo mark is the file's settings line; it is the
        // tempo the tune plays at all the same.
        const std::size_t mark = snapshot.find(std::string_view("TuneTempo"), span.start);
        tune.tempoBeforeText = mark < textStart;
        file.tunes.push_back(std::move(tune));
    }
    return file;
}

std::string notTuneFileReason(std::string_view bytes) {
    if (bytes.find('\0') != std::string_view::npos) return "not a tune file (binary data)";
    if (bytes.find(kHeaderWord) == std::string_view::npos &&
        bytes.find(kOtherWriterHeaderWord) == std::string_view::npos && bytes.find('&') == std::string_view::npos) {
        return "not a tune file (no header line and no staff)";
    }
    return {};
}

std::string writtenTimeSignature(std::string_view name) {
    if (name == "C_") return "C|";
    std::string written(name);
    for (char& c : written) {
        if (c == '_') c = '/';
    }
    return written;
}

}  // namespace skirlo
