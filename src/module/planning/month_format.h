#pragma once

#include <QString>

namespace pla::module {

// The format of the month list's labels, derived from a short date format (Qt's
// letters, at most 15 characters used): the day and its separator are removed, and
// the month gets two digits. "d/M/yy" gives "MM/yy", "dd/MM/yyyy" and "M/d/yyyy"
// give "MM/yyyy".
QString FormatoMes(const QString& shortDateFormat);

} // namespace pla::module
