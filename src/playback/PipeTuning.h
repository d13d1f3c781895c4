#pragma once
// How the pipes voice tunes its keys: low A at the pitch the piper sets, the
// chanter's nine notes on a scale given in cents from low A (by default the
// just Highland scale), the tenor drone an octave and the bass drone two
// octaves below low A. The tune's own note numbers stay as they are: each key
// key is tuned from the tune's low A key: the key an equal-tempered scale
// would use for a degree (C and F are the key signature's sharps) sounds that
// degree, so gracenotes and melody notes share one table.

#include <array>
#include <optional>
#include <string>
#include <string_view>


namespace skirlo {

class Profile;

inline constexpr double kDefaultLowA = 476.0;
inline constexpr double kMinLowA = 440.0;
inline constexpr double kMaxLowA = 495.0;

// Cents from low A of low G, low A, B, C, D, E, F, high G and high A.
using PipeScale = std::array<double, 9>;

// Low G 7/8, B 9/8, C 5/4, D 4/3, E 3/2, F 5/3, high G 7/4, high A 2.
PipeScale justPipeScale();

struct PipeTuning {
    double lowA = kDefaultLowA;
    PipeScale scale = justPipeScale();
};

// Nine numbers separated by commas, each within two octaves of low A;
// nullopt for anything else.
std::optional<PipeScale> parsePipeScale(std::string_view text);
std::string formatPipeScale(const PipeScale& scale);
// A pitch in Hz from kMinLowA to kMaxLowA; nullopt for anything else.
std::optional<double> parseLowA(std::string_view text);

// The profile's [Pipes] LowA and Scale; a missing or unreadable value keeps
// its default.
PipeTuning pipeTuning(const Profile& profile);

// The pitch of every key on each of the three channels, in cents above MIDI
// key 0 (6900 is A at 440 Hz). Keys the note table does not use keep their
// equal-tempered pitch.
struct KeyTunings {
    std::array<double, 128> chanter{};
    std::array<double, 128> bass{};
    std::array<double, 128> tenor{};
};

// The chanter's key `lowAKey` sounds low A, and the key whole semitones
// nearest each degree above or below it sounds that degree; every other key
// is equal-tempered from low A. The drones' keys sound low A two octaves and
// one octave down.
KeyTunings keyTunings(const PipeTuning& tuning, int lowAKey, int bassKey, int tenorKey);

// The cents above key 0 of a frequency.
double centsOf(double hz);

}  // namespace skirlo
