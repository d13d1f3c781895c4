#pragma once
// How the script pane shows the document's Windows-1252 bytes. The editor holds
// one character per byte, except that each CR LF pair is one block break. A CR
// or LF byte standing alone has no block break of its own, so it shows as a
// visible stand-in character that maps back to its byte; every other byte shows
// as its Windows-1252 character (the five undefined bytes as the C1 controls of
// the same value). Thus byte offset = editor position + block breaks before it.

#include <QString>
#include <QStringView>

#include <cstddef>
#include <string>
#include <string_view>

namespace skirlo {

inline constexpr char16_t kLoneCarriageReturn = 0x240D;  // SYMBOL FOR CARRIAGE RETURN
inline constexpr char16_t kLoneLineFeed = 0x240A;        // SYMBOL FOR LINE FEED
inline constexpr char16_t kUnmappableStandIn = u'?';

// Editor text of the bytes, with "\n" for each CR LF pair (QTextDocument makes
// each "\n" one block break).
QString scriptBytesToEditorText(std::string_view bytes);

// Bytes of editor text: a paragraph separator or "\n" gives CR LF, a stand-in
// its byte, a character Windows-1252 cannot hold '?'.
std::string editorTextToScriptBytes(QStringView text);

// Whether the character stands for one byte (block breaks do not).
bool holdsScriptByte(QChar c);

// Typed or pasted text made fit for the editor: every line end (CR LF, CR, LF,
// line or paragraph separator) one "\n", every character Windows-1252 cannot
// hold one '?' (a surrogate pair is one character).
QString scriptInputText(QStringView text);

// The bytes that input text (as scriptInputText makes it) takes in the
// document, and the longest prefix of it that takes at most `limit` bytes.
std::size_t scriptByteCount(QStringView inputText);
QStringView prefixWithinBytes(QStringView inputText, std::size_t limit);

}  // namespace skirlo
