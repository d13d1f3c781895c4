#include "editor/ActionIcons.h"

namespace skirlo {

QIcon actionIcon(const char* name, const std::filesystem::path& resourceDir) {
    const std::filesystem::path bundled = resourceDir / "icons" / "actions" / (std::string(name) + ".svg");
    return QIcon::fromTheme(QString::fromLatin1(name), QIcon(QString::fromStdString(bundled.string())));
}

}  // namespace skirlo
