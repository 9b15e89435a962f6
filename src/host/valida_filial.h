#pragma once

#include <QString>

namespace pla::host {

// Checks a branch code on the shared connection and gives the branch's name. An
// empty, unknown or (with `checkContract`) rescinded branch is reported with
// MensErro, which ends the calling handler. The operator is named for the server's
// own checks of what the operator may do in the branch.
QString ValidaFilial(const QString& cdFilial, const QString& operador, bool checkContract);

} // namespace pla::host
