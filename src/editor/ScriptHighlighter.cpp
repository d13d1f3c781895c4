#include "editor/ScriptHighlighter.h"

#include <string>

#include "editor/ScriptTextCodec.h"
#include "notation/SymbolMap.h"
#include "notation/SymbolVocabulary.h"

namespace skirlo {

namespace {

// Block states: whether the music has begun by the end of the block.
constexpr int kInHeader = 0;
constexpr int kInMusic = 1;

constexpr std::array<QStringView, 9> kSettingsWords = {
    u"Chantrel:",         u"MIDINoteMappings", u"FrequencyMappings", u"InstrumentMappings", u"GracenoteDurations",
    u"FontSizes",         u"TuneFormat",       u"TuneTempo",         u"VariationTempo",
};

bool isBlank(QChar c) { return c == u' ' || c == u'\t'; }

bool startsSettingsLine(const QString& text) {
    for (QStringView word : kSettingsWords) {
        if (text.startsWith(word)) return true;
    }
    return false;
}

QTextCharFormat coloured(const QColor& colour, bool bold = false) {
    QTextCharFormat format;
    format.setForeground(colour);
    if (bold) format.setFontWeight(QFont::Bold);
    return format;
}

}  // namespace

ScriptHighlighter::ScriptHighlighter(const SymbolMap& symbols, QTextDocument* document, const QPalette& palette)
    : QSyntaxHighlighter(document), symbols_(symbols) {
    // Each kind has a shade for light paper and one for a dark theme's.
    const bool dark = palette.color(QPalette::Base).lightness() < palette.color(QPalette::Text).lightness();
    const auto shade = [dark](QRgb onLight, QRgb onDark) { return QColor::fromRgb(dark ? onDark : onLight); };
    formats_[static_cast<std::size_t>(Kind::Settings)] = coloured(shade(0x808080, 0xA0A0A0));
    formats_[static_cast<std::size_t>(Kind::TextRecord)] = coloured(shade(0x008000, 0x70D070));
    formats_[static_cast<std::size_t>(Kind::BarLine)] = coloured(palette.color(QPalette::Text), true);
    formats_[static_cast<std::size_t>(Kind::TimeLine)] = coloured(shade(0xA05000, 0xF0A050));
    formats_[static_cast<std::size_t>(Kind::Melody)] = coloured(shade(0x0030C0, 0x80B0FF));
    formats_[static_cast<std::size_t>(Kind::Embellishment)] = coloured(shade(0x8000A0, 0xD890FF));
    formats_[static_cast<std::size_t>(Kind::Unknown)] = coloured(shade(0xD00000, 0xFF7070), true);
}

ScriptHighlighter::Kind ScriptHighlighter::kindOfWord(QStringView word) const {
    const std::string name = editorTextToScriptBytes(word);
    if (name == kBeatSeparatorName || isTempoMarkName(name)) return Kind::Count;
    const SymbolMap::Lookup lookup = symbols_.find(name);
    if (lookup.entry == nullptr) return Kind::Unknown;
    const std::int32_t category = lookup.entry->category;
    if (isMelodyCategory(category)) return Kind::Melody;
    if (isEmbellishmentLike(category)) return Kind::Embellishment;
    if (isBarLineCategory(category) || category == CAT_G_CLEF) return Kind::BarLine;
    if (category == CAT_START_TIMELINE || category == CAT_END_TIMELINE || category == CAT_END_TIMELINE_BIS) {
        return Kind::TimeLine;
    }
    return Kind::Count;
}

void ScriptHighlighter::highlightBlock(const QString& text) {
    bool inMusic = previousBlockState() == kInMusic;
    if (!inMusic && startsSettingsLine(text)) {
        format(0, text.size(), Kind::Settings);
        setCurrentBlockState(kInHeader);
        return;
    }
    qsizetype at = 0;
    while (at < text.size()) {
        if (isBlank(text[at])) {
            ++at;
            continue;
        }
        if (text[at] == u'"') {
            at = highlightRecord(text, at);
            continue;
        }
        qsizetype end = at;
        while (end < text.size() && !isBlank(text[end])) ++end;
        if (text[at] == u'&') inMusic = true;
        const Kind kind = inMusic ? kindOfWord(QStringView(text).mid(at, end - at)) : Kind::Count;
        if (kind != Kind::Count) format(at, end, kind);
        at = end;
    }
    setCurrentBlockState(inMusic ? kInMusic : kInHeader);
}

qsizetype ScriptHighlighter::highlightRecord(const QString& text, qsizetype open) {
    // The bar builder's rule: a closing quote followed by ',' runs on to ')'.
    qsizetype close = text.indexOf(u'"', open + 1);
    qsizetype end = close < 0 ? text.size() : close + 1;
    if (close >= 0 && close + 1 < text.size() && text[close + 1] == u',') {
        const qsizetype paren = text.indexOf(u')', close);
        end = paren < 0 ? text.size() : paren + 1;
    }
    format(open, end, Kind::TextRecord);
    return end;
}

void ScriptHighlighter::format(qsizetype begin, qsizetype end, Kind kind) {
    setFormat(static_cast<int>(begin), static_cast<int>(end - begin), formats_[static_cast<std::size_t>(kind)]);
}

}  // namespace skirlo
