#include "tunefile/TuneFileFormat.h"

#include <algorithm>
#include <string>

#include "common/LenientNumber.h"
#include "common/MessageSink.h"
#include "tunefile/ScriptText.h"
#include "tunefile/TuneSettings.h"

namespace skirlo {

namespace {

// The version after a header word, read as a decimal number.
bool isVersionOne(std::string_view text, std::size_t headerAt, std::size_t wordSize) {
    return leadingDouble(text.substr(headerAt + wordSize)) == 1.0;
}

constexpr std::string_view kKeySignature = "& sharpf sharpc";

}  // namespace

void FileRecognition::recognise(ScriptText& script, std::string_view title, bool createdByNew,
                                MessageSink& messages) {
    const std::string_view text = script.text();
    if (text.empty()) return;
    currentFormat_ = false;
    replaceHeader_ = false;
    const std::size_t header = text.find(kHeaderWord);
    if (header != std::string_view::npos) {
        currentFormat_ = isVersionOne(text, header, kHeaderWord.size());
    } else {
        const std::size_t other = text.find(kOtherWriterHeaderWord);
        if (other != std::string_view::npos && isVersionOne(text, other, kOtherWriterHeaderWord.size())) {
            currentFormat_ = true;
            replaceHeader_ = true;
            otherWriterHeader_ = other;
        }
    }
    if (!currentFormat_ && !createdByNew) {
        messages.show(std::string(title) + " will be converted to the new file format.", kApplicationTitle,
                      MessageButtons::Ok);
        convertKeySignatures(script);
    }
}

bool FileRecognition::beginBuild(ScriptText& script) {
    const bool convertBareStrings = !currentFormat_;
    if (replaceHeader_) {
        const std::string_view text = script.text();
        // The line found at recognition, unless the text was edited since.
        std::size_t at = otherWriterHeader_;
        if (text.substr(std::min(at, text.size()), kOtherWriterHeaderWord.size()) != kOtherWriterHeaderWord) {
            at = text.find(kOtherWriterHeaderWord);
        }
        if (at != std::string_view::npos) {
            const std::size_t lf = text.find('\n', at);
            script.select(at, lf == std::string_view::npos ? text.size() : lf + 1);
        } else {
            script.select(0, 0);
        }
        script.replaceSelection(kHeaderLine);
    } else if (!currentFormat_) {
        script.select(0, 0);
        script.replaceSelection(kHeaderLine);
    }
    return convertBareStrings;
}

void FileRecognition::endBuild() {
    currentFormat_ = true;
    replaceHeader_ = false;
}

void convertKeySignatures(ScriptText& script) {
    const std::string_view text = script.text();
    const std::size_t first = text.find('&');
    if (first == std::string_view::npos) return;
    const std::size_t last = text.rfind('&');
    // One edit covering the first through the last '&', built in one pass.
    const std::string_view span = text.substr(first, last + 1 - first);
    std::string converted;
    converted.reserve(span.size() + std::count(span.begin(), span.end(), '&') * (kKeySignature.size() - 1));
    std::size_t from = first;
    while (from <= last) {
        const std::size_t at = text.find('&', from);
        converted.append(text.substr(from, at - from));
        converted.append(kKeySignature);
        from = at + 1;
    }
    script.select(first, last + 1);
    script.replaceSelection(converted);
}

void appendNewDocumentText(ScriptText& script) {
    std::string text = "\r\n\"Title\",(T,L,0,0,Times New Roman,16,700,0,0,18,0,0,0)\r\n\r\n";
    text += "\"Type\",(Y,C,0,0,Times New Roman,14,400,0,0,18,0,0,0)\r\n\r\n";
    text += "\"Composer/Arranger\",(M,R,0,0,Times New Roman,14,400,0,0,18,0,0,0)\r\n\r\n";
    text += "\"Footer\",(F,R,0,0,Times New Roman,10,400,0,0,18,0,0,0)\r\n\r\n";
    text += kKeySignature;
    script.select(script.size(), script.size());
    script.replaceSelection(text);
}

void prepareAtFirstSetUp(ScriptText& script, TuneSettingsLines& lines, FileRecognition& recognition,
                         std::string_view title, bool createdByNew, MessageSink& messages) {
    lines.readAtSetUp();
    if (createdByNew) appendNewDocumentText(script);
    recognition.recognise(script, title, createdByNew, messages);
}

}  // namespace skirlo
