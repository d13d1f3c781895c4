#include "editor/ScriptFonts.h"

#include <QFontInfo>
#include <QFontMetricsF>

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "editor/ScriptTextCodec.h"

namespace skirlo {

namespace {

// Pitch in the low bits, family in the high nibble, as logical fonts hold them.
constexpr int kFixedPitch = 1;
constexpr int kVariablePitch = 2;
constexpr int kFamilyRoman = 0x10;
constexpr int kFamilySwiss = 0x20;
constexpr int kFamilyModern = 0x30;
constexpr int kFamilyScript = 0x40;
constexpr int kFamilyDecorative = 0x50;
constexpr int kNormalWeight = 400;

QFont::StyleHint styleHintOf(int pitchAndFamily) {
    switch (pitchAndFamily & 0xF0) {
        case kFamilyRoman: return QFont::Serif;
        case kFamilySwiss: return QFont::SansSerif;
        case kFamilyModern: return QFont::Monospace;
        case kFamilyScript: return QFont::Cursive;
        case kFamilyDecorative: return QFont::Decorative;
        default: return QFont::AnyStyle;
    }
}

int familyOf(QFont::StyleHint hint) {
    switch (hint) {
        case QFont::Serif: return kFamilyRoman;
        case QFont::SansSerif: return kFamilySwiss;
        case QFont::Monospace:
        case QFont::TypeWriter: return kFamilyModern;
        case QFont::Cursive: return kFamilyScript;
        case QFont::Decorative:
        case QFont::Fantasy: return kFamilyDecorative;
        default: return 0;
    }
}

}  // namespace

QFont fontFromLogicalFont(const LogicalFont& logical, double screenDpiY) {
    QFont font;
    font.setFamily(scriptBytesToEditorText(logical.faceName));
    font.setStyleHint(styleHintOf(logical.pitchAndFamily));
    font.setFixedPitch((logical.pitchAndFamily & 3) == kFixedPitch);
    // Logical weights and Qt's share the 100..900 scale; 0 asks for the default.
    const int weight = logical.weight == 0 ? kNormalWeight : logical.weight;
    font.setWeight(static_cast<QFont::Weight>(std::clamp(weight, 1, 1000)));
    font.setItalic(logical.italic);
    font.setUnderline(logical.underline);
    const double pixels = std::abs(logical.height);
    font.setPointSizeF(pixels * 72.0 / screenDpiY);
    if (logical.height > 0) {
        // A positive height is the whole cell, ascent plus descent: scale the
        // character size down so that the cell fits it.
        const double cell = QFontMetricsF(font).height();
        if (cell > 0) font.setPointSizeF(font.pointSizeF() * pixels / cell);
    }
    return font;
}

LogicalFont logicalFontFromFont(const QFont& font, double screenDpiY, const LogicalFont& previous) {
    LogicalFont logical;
    const double pixels = font.pointSizeF() > 0 ? font.pointSizeF() * screenDpiY / 72.0 : font.pixelSize();
    logical.height = -std::max(1, static_cast<int>(std::lround(pixels)));
    logical.weight = font.weight();
    logical.italic = font.italic();
    logical.underline = font.underline();
    logical.pitchAndFamily = (QFontInfo(font).fixedPitch() ? kFixedPitch : kVariablePitch) | familyOf(font.styleHint());
    logical.charSet = previous.charSet;
    logical.faceName = editorTextToScriptBytes(font.family()).substr(0, LogicalFont::kMaxFaceName);
    return logical;
}

}  // namespace skirlo
