#pragma once
// Icons of the desktop's theme by their freedesktop names, with the program's
// own drawings from <resources>/icons/actions/ where the theme has none; on a
// dark palette their outlines take the palette's text colour.

#include <QIcon>

#include <filesystem>

namespace skirlo {

QIcon actionIcon(const char* name, const std::filesystem::path& resourceDir);

}  // namespace skirlo
