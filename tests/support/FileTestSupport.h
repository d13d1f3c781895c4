#pragma once
// Files in tests: a file's bytes, and a save dialog that answers as told.

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include "document/DocumentSaving.h"

namespace skirlo::test {

inline std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// Answers the save dialog with `answer` (a cancel unless told otherwise) and
// records what it was asked.
class ScriptedSaveDialog final : public SaveNameDialog {
public:
    Answer ask(std::string_view title, std::string_view proposal) override {
        titles.emplace_back(title);
        proposals.emplace_back(proposal);
        return answer;
    }
    Answer answer;
    std::vector<std::string> titles;
    std::vector<std::string> proposals;
};

}  // namespace skirlo::test
