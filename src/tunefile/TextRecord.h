#pragma once
// A quoted text with its own font, colour and placement, printed with the
// music: title, tune type, composer, footer, a text hung on a symbol
// (in-line) or a text at a fixed place. In the tune text it is written as
//   "text",(kind,align,x,y,face,size,weight,italic,underline,pitchfamily,charset,strikeout,colour)

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "common/Measuring.h"
#include "common/SourceRange.h"

namespace skirlo {

class ScriptText;

struct Box {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
};

class TextRecord {
public:
    // Builds a record from its text and attribute list (from the opening
    // parenthesis through the closing one), makes its font for the context at
    // layout scale H and measures it.
    static std::unique_ptr<TextRecord> create(MeasuringContext& context, std::string text,
                                              std::string_view attributes, int layoutScaleH);

    // Makes the font again from the description: tenths of a point on a
    // printer, scaled by H / 130 elsewhere so that screen text follows the zoom.
    void makeFont(MeasuringContext& context, int layoutScaleH);
    // Whole-string text extent, or with perCharacter the sum of the character
    // advances and the font height plus external leading.
    Extent measure(bool perCharacter) const;
    // "\"text\",(kind,alignment" : identifies the record's place in the script.
    std::string prefix() const;
    // The record as it is written into the script text.
    std::string writtenForm() const;
    // Writes the changed record over its first occurrence, found by the prefix
    // it had before the change. False (and the script untouched) when the old
    // prefix no longer occurs.
    bool rewrite(std::string_view oldPrefix, ScriptText& script, MeasuringContext& context, int layoutScaleH);
    bool hitTest(int x, int y) const;

    Box box;
    std::string text;
    bool selected = false;
    FontDescription description;
    char kind = 'T';
    char alignment = 'L';
    int x = 0;
    int y = 0;
    int pageRight = 0;
    int pageBottom = 0;
    int number = 0;
    int anchorX = 0;
    int anchorY = 0;
    std::int32_t colour = 0;
    // The record in the script: from its opening quote through its ')'.
    SourceRange source;

    const Font* font() const { return font_.get(); }

private:
    std::unique_ptr<Font> font_;
};

}  // namespace skirlo
