#include "document/MusicSettings.h"

#include "tunefile/Profile.h"
#include "tunefile/TuneSettings.h"

namespace skirlo {

int ballSizeOf(const Profile& profile) {
    return profile.getInt("PlayOptions", "BouncingBallSize", kDefaultBallSize);
}

namespace {
constexpr std::string_view kStyleSection = "Settings";
constexpr std::string_view kStyleKey = "EngravingStyle";
}  // namespace

EngravingStyle engravingStyleOf(const Profile& profile) {
    const std::string name = profile.getString(kStyleSection, kStyleKey, "Classic");
    return engravingStyleNamed(name).value_or(EngravingStyle::Classic);
}

bool rememberEngravingStyle(Profile& profile, EngravingStyle style) {
    return profile.writeString(kStyleSection, kStyleKey, engravingStyleName(style));
}

LayoutSettings screenLayoutOf(const TuneSettings& tune, const Profile& profile) {
    LayoutSettings settings = layoutSettingsFor(tune, ballSizeOf(profile));
    settings.engraving = engravingStyleOf(profile);
    return settings;
}

PrintSettings printLayoutOf(const TuneSettings& tune, const Profile& profile) {
    PrintSettings settings;
    settings.tune = tune;
    settings.verticalSpacing = profile.getInt("Symbols", "VerticalSpacingBetweenTunes", settings.verticalSpacing);
    settings.ballSize = ballSizeOf(profile);
    settings.engraving = engravingStyleOf(profile);
    return settings;
}

}  // namespace skirlo
