// Reads arbitrary bytes as a compressed MusicXML score (.mxl): the archive
// unpacked, then its score read as MusicXML. Nothing may crash, hang or
// unpack without bound; a score that comes out reads as the other fuzzer's do.

#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "FuzzSupport.h"
#include "document/CompressedScore.h"
#include "interchange/EmbellishmentTable.h"
#include "interchange/MusicXmlReader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace skirlo;
    static const EmbellishmentTable table = EmbellishmentTable::fromProfile(*fuzz::workspace().profile);
    static const int file = ::memfd_create("fuzz.mxl", 0);
    if (::ftruncate(file, 0) != 0 || ::pwrite(file, data, size, 0) != static_cast<ssize_t>(size)) return 0;
    const CompressedScore score = readCompressedScore("/proc/self/fd/" + std::to_string(file));
    if (!score.error.empty() && !score.xml.empty()) std::abort();
    if (score.xml.size() > (64u << 20)) std::abort();
    if (!score.error.empty()) return 0;
    const MusicXmlImport imported = importMusicXml(score.xml, table);
    if ((imported.tunes > 0) != !imported.tuneText.empty()) std::abort();
    return 0;
}
