#pragma once

#include "core/origin_marks.h"
#include "server/db_layer.h"

#include <QString>

namespace pla::server {

// What decides the origin mark of a dish the server places in a service's day, read
// as the monthly load reads it for the desktop (menu type, central branch, group,
// central flag, IDMANCORCARDALT), so that both sides mark alike.
TMarkContext MarkContextOf(TDatabase& db, const QString& cdFilial, const QString& cdServFili,
                           const QString& cdOperador, bool moduFili);

} // namespace pla::server
