#pragma once
// Fonts and drawing need a GUI application object; without a display the
// command line uses the offscreen platform.

#include <QGuiApplication>

#include <memory>

namespace skirlo {

// Null when an application object exists already.
std::unique_ptr<QGuiApplication> ensureGuiApplication();

}  // namespace skirlo
