#pragma once
// Colours in the script pane, read with the symbol map the music is built
// with: settings lines, text records, bar lines and part marks, time lines,
// melody notes, gracenotes and embellishments, and words the map does not
// hold, each in its own colour. A row the user adds to the map colours as
// its category says.
//
// Lines before the first '&' of the text are the header region: there only
// settings lines and text records are coloured, nothing is called unknown.

#include <QPalette>
#include <QSyntaxHighlighter>
#include <QTextCharFormat>

#include <array>

namespace skirlo {

class SymbolMap;

class ScriptHighlighter final : public QSyntaxHighlighter {
    Q_OBJECT
public:
    enum class Kind { Settings, TextRecord, BarLine, TimeLine, Melody, Embellishment, Unknown, Count };

    // The colours suit the palette the text is shown in, light or dark.
    ScriptHighlighter(const SymbolMap& symbols, QTextDocument* document, const QPalette& palette);

    // The colour a word of the music takes; nothing (Count) for the words
    // left in the text colour.
    Kind kindOfWord(QStringView word) const;
    QColor colourOf(Kind kind) const { return formats_[static_cast<std::size_t>(kind)].foreground().color(); }

protected:
    void highlightBlock(const QString& text) override;

private:
    // Colours the quoted record that starts at `open`; returns where it ends.
    qsizetype highlightRecord(const QString& text, qsizetype open);
    void format(qsizetype begin, qsizetype end, Kind kind);

    const SymbolMap& symbols_;
    std::array<QTextCharFormat, static_cast<std::size_t>(Kind::Count)> formats_;
};

}  // namespace skirlo
