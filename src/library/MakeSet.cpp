#include "library/MakeSet.h"

#include "library/TuneSummary.h"
#include "tunefile/ScriptText.h"

namespace skirlo {

namespace {

constexpr std::string_view kLineBreak = "\r\n";
// "Skirlo" is one of the words that end a tune and begin the next.
constexpr std::string_view kNextTune = "\"Skirlo: the next tune of the set follows\"";

void appendParagraph(std::string& text, std::string_view paragraph) {
    text += paragraph;
    text += kLineBreak;
    text += kLineBreak;
}

// The first tune's own tempo mark would stand after the settings' tempo line,
// which the build takes first: the line takes the tune's tempo instead.
void setTempoLine(std::string& settings, int tempo) {
    const std::string line = "TuneTempo," + std::to_string(tempo);
    const std::size_t at = settings.find("TuneTempo,");
    if (at == std::string::npos) {
        if (!settings.empty()) settings += "\r\n\r\n";
        settings += line;
        return;
    }
    std::size_t end = at + line.find(',') + 1;
    while (end < settings.size() && settings[end] >= '0' && settings[end] <= '9') ++end;
    settings.replace(at, end - at, line);
}

}  // namespace

SetText makeSetText(const std::vector<SetTuneSource>& tunes, const SymbolMap& symbols) {
    SetText set;
    if (tunes.empty()) {
        set.error = "no tunes chosen for the set";
        return set;
    }
    std::string text;
    for (std::size_t index = 0; index < tunes.size(); ++index) {
        const SetTuneSource& source = tunes[index];
        CutTuneFile file = cutTuneTexts(source.bytes, symbols);
        if (source.position < 0 || static_cast<std::size_t>(source.position) >= file.tunes.size()) {
            set.error = source.name + " has no tune " + std::to_string(source.position + 1) + " (it holds " +
                        std::to_string(file.tunes.size()) + ")";
            return set;
        }
        const CutTune& tune = file.tunes[static_cast<std::size_t>(source.position)];
        if (index == 0) {
            if (tune.tempoBeforeText && source.position > 0 && tune.summary.tempo > 0) {
                setTempoLine(file.settings, tune.summary.tempo);
            }
            if (!file.settings.empty()) appendParagraph(text, file.settings);
        } else {
            appendParagraph(text, kNextTune);
            if (tune.tempoBeforeText && tune.summary.tempo > 0) {
                appendParagraph(text, "TuneTempo," + std::to_string(tune.summary.tempo));
            }
        }
        appendParagraph(text, tune.text);
    }
    if (text.size() > ScriptText::kMaxSize) {
        set.error = "the set is too large for one tune file";
        return set;
    }
    set.text = std::move(text);
    return set;
}

}  // namespace skirlo
