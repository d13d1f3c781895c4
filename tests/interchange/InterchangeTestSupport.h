#pragma once
// Tune texts imported and performed as the program performs them.

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "interchange/AbcReader.h"
#include "interchange/EmbellishmentTable.h"
#include "playback/DocumentPlayback.h"
#include "support/PlaybackTestSupport.h"

namespace skirlo::test {

struct Performed {
    std::unique_ptr<RealDocument> document;
    DocumentPlayback playback;

    const std::vector<PerformanceEvent>& events() const { return playback.performance.events(); }
};

inline std::unique_ptr<Performed> perform(RealBuild& build, std::string text) {
    auto performed = std::make_unique<Performed>();
    performed->document = build.open(std::move(text));
    RealDocument& document = *performed->document;
    EXPECT_TRUE(buildDocumentPlayback(document.tunes, document.script, document.settings, build.profile(),
                                      PlaybackOutput::Midi, performed->playback));
    return performed;
}

inline AbcImport importWithRealMap(std::string_view abc) {
    static const EmbellishmentTable table =
        EmbellishmentTable::fromProfile(*IniProfile::open(SKIRLO_RESOURCE_DIR "/QTN32.INI"));
    return importAbc(abc, table);
}

}  // namespace skirlo::test
