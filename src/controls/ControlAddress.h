#pragma once

#include <QString>

// Why a control's OSC address cannot be used, in both interface languages; empty when it can.
struct AddressProblem {
    QString chinese;
    QString english;

    bool isNone() const { return chinese.isEmpty(); }
};

namespace ControlAddress {

// Checks the address as the dialogs take it, trimmed: it starts with "/", holds no whitespace and
// none of the characters that OSC reserves for patterns and type tags.
AddressProblem problem(const QString &address);

}
