#pragma once
// The wait cursor for as long as the object lives: a build, an export, a
// layout for the paper.

#include <QApplication>

namespace skirlo {

class WaitCursor {
public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

}  // namespace skirlo
