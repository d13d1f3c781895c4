#pragma once
// The save-file dialog of the tune document: the platform's file dialog
// asking before it overwrites, adding no extension to what the user types.

#include <QPointer>
#include <QWidget>

#include "document/DocumentSaving.h"

namespace skirlo {

class QtSaveNameDialog final : public SaveNameDialog {
public:
    void setParent(QWidget* parent) { parent_ = parent; }
    Answer ask(std::string_view title, std::string_view proposal) override;

private:
    QPointer<QWidget> parent_;
};

}  // namespace skirlo
