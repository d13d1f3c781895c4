#include "editor/ScriptTextCodec.h"

#include "common/Windows1252.h"

namespace skirlo {

namespace {

constexpr char16_t kParagraphSeparator = 0x2029;
constexpr char16_t kLineSeparator = 0x2028;

bool isBlockBreak(QChar c) { return c == u'\n' || c == QChar(kParagraphSeparator); }

// The byte of a character, or -1 when Windows-1252 has none for it.
int byteOf(char16_t c) {
    if (c == kLoneCarriageReturn) return '\r';
    if (c == kLoneLineFeed) return '\n';
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return c;
    for (int byte = 0x80; byte <= 0x9F; ++byte) {
        if (windows1252ToCodePoint(static_cast<unsigned char>(byte)) == c) return byte;
    }
    return -1;
}

}  // namespace

QString scriptBytesToEditorText(std::string_view bytes) {
    QString text;
    text.reserve(static_cast<qsizetype>(bytes.size()));
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const auto byte = static_cast<unsigned char>(bytes[i]);
        if (byte == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') {
            text += u'\n';
            ++i;
        } else if (byte == '\r') {
            text += QChar(kLoneCarriageReturn);
        } else if (byte == '\n') {
            text += QChar(kLoneLineFeed);
        } else {
            text += QChar(static_cast<char16_t>(windows1252ToCodePoint(byte)));
        }
    }
    return text;
}

std::string editorTextToScriptBytes(QStringView text) {
    std::string bytes;
    bytes.reserve(static_cast<std::size_t>(text.size()));
    for (QChar c : text) {
        if (isBlockBreak(c)) {
            bytes += "\r\n";
            continue;
        }
        const int byte = byteOf(c.unicode());
        bytes += static_cast<char>(byte < 0 ? kUnmappableStandIn : byte);
    }
    return bytes;
}

bool holdsScriptByte(QChar c) { return !isBlockBreak(c) && byteOf(c.unicode()) >= 0; }

QString scriptInputText(QStringView text) {
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == u'\r') {
            if (i + 1 < text.size() && text[i + 1] == u'\n') ++i;
            out += u'\n';
        } else if (isBlockBreak(c) || c == QChar(kLineSeparator)) {
            out += u'\n';
        } else if (byteOf(c.unicode()) >= 0) {
            out += c;
        } else {
            if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) ++i;
            out += QChar(kUnmappableStandIn);
        }
    }
    return out;
}

std::size_t scriptByteCount(QStringView inputText) {
    std::size_t count = 0;
    for (QChar c : inputText) count += isBlockBreak(c) ? 2 : 1;
    return count;
}

QStringView prefixWithinBytes(QStringView inputText, std::size_t limit) {
    std::size_t count = 0;
    qsizetype length = 0;
    for (; length < inputText.size(); ++length) {
        count += isBlockBreak(inputText[length]) ? 2 : 1;
        if (count > limit) break;
    }
    return inputText.first(length);
}

}  // namespace skirlo
