#pragma once
// Reads the ABC that pipe tunes are written in (K:HP or K:Hp; the notes G A B
// c d e f g a) and writes it as tune text. A grace group becomes the
// embellishment whose gracenotes it equals, else its single gracenotes.
// Whatever is not understood is skipped and reported with its place.

#include <string>
#include <string_view>
#include <vector>

namespace skirlo {

class EmbellishmentTable;

struct AbcMessage {
    int line = 0;    // from 1
    int column = 0;  // from 1, in bytes
    std::string text;
};

struct AbcImport {
    std::string tuneText;  // Windows-1252 bytes as read, CR LF lines
    int tunes = 0;
    std::vector<AbcMessage> messages;
};

AbcImport importAbc(std::string_view abc, const EmbellishmentTable& table);

}  // namespace skirlo
