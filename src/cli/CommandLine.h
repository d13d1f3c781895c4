#pragma once
// The options and file arguments of one skirlo-cli command: `--name value`,
// `--name=value`, `-n value`, `--` and `--help` behave as on any Linux tool,
// and every mistake is named. Read without Qt, so that the commands that
// need no Qt do not load it.

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace skirlo {

struct OptionSpec {
    const char* name;
    const char* valueName;  // empty for a switch
    const char* description;
};

struct CommandSpec {
    const char* name;
    const char* synopsis;     // what follows the command word in the usage line
    const char* description;  // what the command does, for --help
    std::vector<const char*> arguments;  // the names of the file arguments, all required; "NAME..." repeats
    std::vector<OptionSpec> options;
};

class CommandLine {
public:
    explicit CommandLine(const CommandSpec& spec);

    // Reads the arguments after the command word. Returns the exit status when
    // the command must stop here: 0 after printing --help, 1 after naming a
    // usage mistake on standard error; nullopt when the command should run.
    std::optional<int> parse(const std::vector<std::string>& args);

    bool isSet(const char* name) const;
    std::optional<std::string> value(const char* name) const;
    const std::vector<std::string>& files() const { return files_; }

    // The text --help prints.
    std::string help() const;
    // Names the mistake on standard error with the usage line; returns 1.
    int usageError(const std::string& problem) const;

private:
    // The option one of its names stands for; null for an unknown name.
    const OptionSpec* find(std::string_view name) const;
    // Reads the option word at `at` (advancing past a value in the next
    // word); the mistake, or empty.
    std::string readOption(const std::vector<std::string>& args, std::size_t& at);

    const CommandSpec& spec_;
    std::vector<OptionSpec> options_;  // the command's, --profile and --help
    std::map<std::string, std::string, std::less<>> values_;  // by the option's first name; "" for a switch
    std::vector<std::string> files_;
};

// The whole string as an integer from `min` to `max`; nothing else (no blanks,
// fractions, exponents or trailing text) is taken.
std::optional<int> strictInt(const std::string& text, int min, int max);

}  // namespace skirlo
