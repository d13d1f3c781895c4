#pragma once
// Message boxes of the desktop program: a modal QMessageBox over the given
// parent, with the caption and buttons asked for.

#include <QPointer>
#include <QWidget>

#include "common/MessageSink.h"

namespace skirlo {

class QtMessageSink final : public MessageSink {
public:
    explicit QtMessageSink(QWidget* parent = nullptr) : parent_(parent) {}
    void setParent(QWidget* parent) { parent_ = parent; }
    MessageAnswer show(std::string_view text, std::string_view caption, MessageButtons buttons) override;

private:
    QPointer<QWidget> parent_;
};

}  // namespace skirlo
