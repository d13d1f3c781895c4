#include "document/MusicSettings.h"

#include "tunefile/Profile.h"
#include "tunefile/TuneSettings.h"

namespace skirlo {

int ballSizeOf(const Profile& profile) {
    return profile.getInt("PlayOptions", "BouncingBallSize", kDefaultBallSize);
}

LayoutSettings screenLayoutOf(const TuneSettings& tune, const Profile& profile) {
    return layoutSettingsFor(tune, ballSizeOf(profile));
}

PrintSettings printLayoutOf(const TuneSettings& tune, const Profile& profile) {
    PrintSettings settings;
    settings.tune = tune;
    settings.verticalSpacing = profile.getInt("Symbols", "VerticalSpacingBetweenTunes", settings.verticalSpacing);
    settings.ballSize = ballSizeOf(profile);
    return settings;
}

}  // namespace skirlo
