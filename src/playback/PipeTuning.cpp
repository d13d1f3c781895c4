#include "playback/PipeTuning.h"

#include <charconv>
#include <cmath>
#include <cstdio>

#include "tunefile/Profile.h"

namespace skirlo {

namespace {

constexpr double kCentsPerOctave = 1200.0;
constexpr double kSemitone = 100.0;
// A degree further than two octaves from low A is no chanter note.
constexpr double kMaxScaleCents = 2400.0;

std::optional<double> parseNumber(std::string_view text) {
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    double value = 0;
    const char* end = text.data() + text.size();
    const auto [at, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc() || at != end || !std::isfinite(value)) return std::nullopt;
    return value;
}

std::array<double, 128> equalTempered() {
    std::array<double, 128> keys{};
    for (std::size_t key = 0; key < keys.size(); ++key) keys[key] = kSemitone * double(key);
    return keys;
}

void setKey(std::array<double, 128>& keys, int key, double cents) {
    if (key >= 0 && key < int(keys.size())) keys[std::size_t(key)] = cents;
}

}  // namespace

PipeScale justPipeScale() {
    const std::array<double, 9> ratios{7.0 / 8, 1, 9.0 / 8, 5.0 / 4, 4.0 / 3, 3.0 / 2, 5.0 / 3, 7.0 / 4, 2};
    PipeScale scale{};
    for (std::size_t i = 0; i < ratios.size(); ++i) scale[i] = kCentsPerOctave * std::log2(ratios[i]);
    return scale;
}

std::optional<PipeScale> parsePipeScale(std::string_view text) {
    PipeScale scale{};
    for (std::size_t i = 0; i < scale.size(); ++i) {
        const std::size_t comma = text.find(',');
        const bool last = i + 1 == scale.size();
        if (last != (comma == std::string_view::npos)) return std::nullopt;
        const std::optional<double> cents = parseNumber(text.substr(0, comma));
        if (!cents || std::abs(*cents) > kMaxScaleCents) return std::nullopt;
        scale[i] = *cents;
        text.remove_prefix(last ? text.size() : comma + 1);
    }
    return scale;
}

std::string formatPipeScale(const PipeScale& scale) {
    std::string text;
    for (const double cents : scale) {
        char field[32];
        std::snprintf(field, sizeof field, "%.1f", cents);
        if (!text.empty()) text += ',';
        text += field;
    }
    return text;
}

std::optional<double> parseLowA(std::string_view text) {
    const std::optional<double> hz = parseNumber(text);
    if (!hz || *hz < kMinLowA || *hz > kMaxLowA) return std::nullopt;
    return hz;
}

PipeTuning pipeTuning(const Profile& profile) {
    PipeTuning tuning;
    if (const auto lowA = parseLowA(profile.getString("Pipes", "LowA"))) tuning.lowA = *lowA;
    if (const auto scale = parsePipeScale(profile.getString("Pipes", "Scale"))) tuning.scale = *scale;
    return tuning;
}

double centsOf(double hz) { return 6900.0 + kCentsPerOctave * std::log2(hz / 440.0); }

KeyTunings keyTunings(const PipeTuning& tuning, int lowAKey, int bassKey, int tenorKey) {
    KeyTunings tunings{equalTempered(), equalTempered(), equalTempered()};
    const double lowA = centsOf(tuning.lowA);
    for (int key = 0; key < int(tunings.chanter.size()); ++key) {
        setKey(tunings.chanter, key, lowA + kSemitone * (key - lowAKey));
    }
    for (const double degree : tuning.scale) {
        setKey(tunings.chanter, lowAKey + int(std::lround(degree / kSemitone)), lowA + degree);
    }
    setKey(tunings.bass, bassKey, lowA - 2 * kCentsPerOctave);
    setKey(tunings.tenor, tenorKey, lowA - kCentsPerOctave);
    return tunings;
}

}  // namespace skirlo
