#pragma once
// How the music is engraved. Classic spaces and stretches as the notation
// always has; Modern spaces by duration, leaves short lines ragged, draws
// slimmer ties and gives every tune of a picture the same width.

#include <optional>
#include <string_view>

namespace skirlo {

enum class EngravingStyle { Classic, Modern };

// "classic" or "modern" (any case); nothing for another word.
std::optional<EngravingStyle> engravingStyleNamed(std::string_view name);
std::string_view engravingStyleName(EngravingStyle style);  // "Classic" or "Modern"

}  // namespace skirlo
