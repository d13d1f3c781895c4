#pragma once
// Tune files written for the library's tests and benchmark: each tune with
// its four header records, a time signature and a number of parts.

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace skirlo::test {

struct GeneratedTune {
    std::string title;  // Windows-1252 bytes, as a tune file holds them
    std::string type = "Reel";
    std::string composer = "Traditional";
    std::string footer = "Written for the tests";
    std::string time = "4_4";
    int parts = 2;
};

inline std::string record(const std::string& text, char kind, char align, int size, int weight) {
    return "\"" + text + "\",(" + kind + "," + align + ",0,0,Times New Roman," + std::to_string(size) + "," +
           std::to_string(weight) + ",0,0,18,0,0,0)\r\n\r\n";
}

inline std::string tuneFileText(const std::vector<GeneratedTune>& tunes) {
    std::string text = "Chantrel:1.0\r\n\r\nTuneTempo,90\r\n\r\n";
    bool first = true;
    for (const GeneratedTune& tune : tunes) {
        if (!first) text += "\"Skirlo: another tune follows\"\r\n\r\n";
        first = false;
        text += record(tune.title, 'T', 'L', 16, 700) + record(tune.type, 'Y', 'C', 14, 400) +
                record(tune.composer, 'M', 'R', 14, 400) + record(tune.footer, 'F', 'R', 10, 400);
        for (int part = 0; part < tune.parts; ++part) {
            text += "& sharpf sharpc ";
            if (part == 0) text += tune.time + " ";
            text += "I! gg LA_4 dbc C_4 gg E_4 dbc C_4 ! gg B_4 dbd D_4 gg C_2 !t\r\n";
            text += "& sharpf sharpc gg E_4 dbf F_4 dbhg HG_4 dbf F_4 ! gg E_4 dbc C_4 grp B_2 !I\r\n\r\n";
        }
    }
    return text;
}

inline void writeTuneFile(const std::filesystem::path& path, const std::vector<GeneratedTune>& tunes) {
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << tuneFileText(tunes);
}

}  // namespace skirlo::test
