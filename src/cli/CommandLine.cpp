#include "cli/CommandLine.h"

#include <algorithm>
#include <charconv>
#include <cstdio>

namespace skirlo {

namespace {

const OptionSpec kProfileOption{"profile", "FILE", "read the settings and symbol map from FILE"};
const OptionSpec kHelpOption{"h,help", "", "show this help and exit"};

QStringList namesOf(const OptionSpec& option) {
    return QString::fromUtf8(option.name).split(QLatin1Char(','));
}

QCommandLineOption qtOption(const OptionSpec& option) {
    if (*option.valueName == '\0') return QCommandLineOption(namesOf(option), QString::fromUtf8(option.description));
    return QCommandLineOption(namesOf(option), QString::fromUtf8(option.description),
                              QString::fromUtf8(option.valueName));
}

// "-o, --output OUT" for the help's list of options.
std::string optionHeading(const OptionSpec& option) {
    std::string heading;
    for (const QString& name : namesOf(option)) {
        if (!heading.empty()) heading += ", ";
        heading += (name.size() == 1 ? "-" : "--") + name.toStdString();
    }
    if (*option.valueName != '\0') heading += std::string(" ") + option.valueName;
    return heading;
}

std::string usageLine(const CommandSpec& spec) {
    return std::string("usage: skirlo-cli ") + spec.name + (*spec.synopsis != '\0' ? " " : "") + spec.synopsis;
}

}  // namespace

CommandLine::CommandLine(const CommandSpec& spec) : spec_(spec) {
    // Options may come before, between and after the file names.
    parser_.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsOptions);
    for (const OptionSpec& option : spec_.options) parser_.addOption(qtOption(option));
    parser_.addOption(qtOption(kProfileOption));
    parser_.addOption(qtOption(kHelpOption));
}

std::optional<int> CommandLine::parse(const std::vector<std::string>& args) {
    QStringList words{QStringLiteral("skirlo-cli")};
    for (const std::string& arg : args) words << QString::fromLocal8Bit(arg.c_str());
    if (!parser_.parse(words)) return usageError(parser_.errorText().toStdString());
    if (parser_.isSet(QStringLiteral("help"))) {
        const std::string text = help();
        std::fwrite(text.data(), 1, text.size(), stdout);
        return 0;
    }
    const QStringList positional = parser_.positionalArguments();
    // A last argument named "NAME..." takes any number of further words.
    const bool lastRepeats = !spec_.arguments.empty() && std::string_view(spec_.arguments.back()).ends_with("...");
    if (!lastRepeats && static_cast<std::size_t>(positional.size()) > spec_.arguments.size()) {
        return usageError("unexpected argument '" + positional[static_cast<qsizetype>(spec_.arguments.size())]
                                                        .toStdString() + "'");
    }
    if (static_cast<std::size_t>(positional.size()) < spec_.arguments.size()) {
        return usageError(std::string("missing ") + spec_.arguments[static_cast<std::size_t>(positional.size())]);
    }
    for (const QString& word : positional) files_.push_back(word.toLocal8Bit().toStdString());
    return std::nullopt;
}

bool CommandLine::isSet(const char* name) const { return parser_.isSet(QString::fromUtf8(name)); }

std::optional<std::string> CommandLine::value(const char* name) const {
    if (!isSet(name)) return std::nullopt;
    return parser_.value(QString::fromUtf8(name)).toLocal8Bit().toStdString();
}

std::string CommandLine::help() const {
    std::string text = usageLine(spec_) + "\n\n" + spec_.description + "\n\noptions:\n";
    std::vector<OptionSpec> options = spec_.options;
    options.push_back(kProfileOption);
    options.push_back(kHelpOption);
    for (const OptionSpec& option : options) {
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
