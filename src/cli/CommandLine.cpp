#include "cli/CommandLine.h"

#include <algorithm>
#include <charconv>
#include <cstdio>

namespace skirlo {

namespace {

const OptionSpec kProfileOption{"profile", "FILE", "read the settings and symbol map from FILE"};
const OptionSpec kHelpOption{"h,help", "", "show this help and exit"};

// The names of an option: "o,output" is -o and --output.
std::vector<std::string_view> namesOf(const OptionSpec& option) {
    std::vector<std::string_view> names;
    std::string_view rest = option.name;
    for (std::size_t comma; (comma = rest.find(',')) != std::string_view::npos; rest.remove_prefix(comma + 1)) {
        names.push_back(rest.substr(0, comma));
    }
    names.push_back(rest);
    return names;
}

bool takesValue(const OptionSpec& option) { return *option.valueName != '\0'; }

// "-o, --output OUT" for the help's list of options.
std::string optionHeading(const OptionSpec& option) {
    std::string heading;
    for (const std::string_view name : namesOf(option)) {
        if (!heading.empty()) heading += ", ";
        heading += (name.size() == 1 ? "-" : "--") + std::string(name);
    }
    if (*option.valueName != '\0') heading += std::string(" ") + option.valueName;
    return heading;
}

std::string usageLine(const CommandSpec& spec) {
    return std::string("usage: skirlo-cli ") + spec.name + (*spec.synopsis != '\0' ? " " : "") + spec.synopsis;
}

}  // namespace

CommandLine::CommandLine(const CommandSpec& spec) : spec_(spec), options_(spec.options) {
    options_.push_back(kProfileOption);
    options_.push_back(kHelpOption);
}

const OptionSpec* CommandLine::find(std::string_view name) const {
    for (const OptionSpec& option : options_) {
        for (const std::string_view alias : namesOf(option)) {
            if (alias == name) return &option;
        }
    }
    return nullptr;
}

std::string CommandLine::readOption(const std::vector<std::string>& args, std::size_t& at) {
    const std::string& word = args[at];
    const bool isLong = word.starts_with("--");
    // A long option may carry its value after '='; a short one right after its letter.
    const std::size_t nameEnd = isLong ? std::min(word.find('='), word.size()) : 2;
    const std::string_view name = std::string_view(word).substr(isLong ? 2 : 1, nameEnd - (isLong ? 2 : 1));
    const OptionSpec* option = find(name);
    if (option == nullptr) return "Unknown option '" + std::string(name) + "'.";
    const std::string written = (isLong ? "--" : "-") + std::string(name);
    std::string value;
    if (nameEnd < word.size()) {
        if (!takesValue(*option)) return "Unexpected value after '" + written + "'.";
        value = word.substr(isLong ? nameEnd + 1 : nameEnd);
    } else if (takesValue(*option)) {
        if (at + 1 >= args.size()) return "Missing value after '" + written + "'.";
        value = args[++at];
    }
    values_[std::string(namesOf(*option).front())] = value;
    return {};
}

std::optional<int> CommandLine::parse(const std::vector<std::string>& args) {
    // Options may come before, between and after the file names; after "--"
    // every word is a file name, and "-" alone is one (standard output).
    std::vector<std::string> positional;
    bool optionsEnded = false;
    for (std::size_t at = 0; at < args.size(); ++at) {
        const std::string& word = args[at];
        if (optionsEnded || word.size() < 2 || word[0] != '-') {
            positional.push_back(word);
        } else if (word == "--") {
            optionsEnded = true;
        } else if (const std::string problem = readOption(args, at); !problem.empty()) {
            return usageError(problem);
        }
    }
    if (isSet("help")) {
        const std::string text = help();
        std::fwrite(text.data(), 1, text.size(), stdout);
        return 0;
    }
    // A last argument named "NAME..." takes any number of further words.
    const bool lastRepeats = !spec_.arguments.empty() && std::string_view(spec_.arguments.back()).ends_with("...");
    if (!lastRepeats && positional.size() > spec_.arguments.size()) {
        return usageError("unexpected argument '" + positional[spec_.arguments.size()] + "'");
    }
    if (positional.size() < spec_.arguments.size()) {
        return usageError(std::string("missing ") + spec_.arguments[positional.size()]);
    }
    files_ = std::move(positional);
    return std::nullopt;
}

bool CommandLine::isSet(const char* name) const {
    const OptionSpec* option = find(name);
    return option != nullptr && values_.contains(namesOf(*option).front());
}

std::optional<std::string> CommandLine::value(const char* name) const {
    const OptionSpec* option = find(name);
    if (option == nullptr) return std::nullopt;
    const auto it = values_.find(namesOf(*option).front());
    if (it == values_.end()) return std::nullopt;
    return it->second;
}

std::string CommandLine::help() const {
    std::string text = usageLine(spec_) + "\n\n" + spec_.description + "\n\noptions:\n";
    for (const OptionSpec& option : options_) {
        std::string heading = "  " + optionHeading(option);
        heading.resize(std::max<std::size_t>(heading.size() + 2, 24), ' ');
        text += heading + option.description + "\n";
    }
    return text;
}

int CommandLine::usageError(const std::string& problem) const {
    std::fprintf(stderr, "skirlo-cli %s: %s\n%s\nTry 'skirlo-cli %s --help' for more information.\n", spec_.name,
                 problem.c_str(), usageLine(spec_).c_str(), spec_.name);
    return 1;
}

std::optional<int> strictInt(const std::string& text, int min, int max) {
    int value = 0;
    const char* end = text.data() + text.size();
    const auto [at, error] = std::from_chars(text.data(), end, value);
    if (error != std::errc() || at != end || value < min || value > max) return std::nullopt;
    return value;
}

}  // namespace skirlo
