#pragma once
// A compressed MusicXML score (.mxl) is a zip archive: its
// META-INF/container.xml names the score inside. The archive is read with
// minizip; the score comes out as the bytes of its MusicXML.

#include <string>

namespace skirlo {

struct CompressedScore {
    std::string xml;
    std::string error;  // why nothing was read; empty on success
};

// Whether the path names a compressed score (".mxl" in any letter case).
bool isCompressedScorePath(const std::string& path);

CompressedScore readCompressedScore(const std::string& path);

}  // namespace skirlo
