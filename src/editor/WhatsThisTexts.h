#pragma once
// The longer explanations Shift+F1 (What's This?) shows for the commands of
// the menus and the controls of the control bar, by command id.

#include <QString>

namespace skirlo {

// Empty for a command without an explanation.
QString whatsThisText(int commandId);

}  // namespace skirlo
