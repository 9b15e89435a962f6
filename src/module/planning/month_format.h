#pragma once

#include <QString>

namespace pla::module {

// The format of the month list's labels, derived from the application's short date
// format (at most 15 characters used; letters in either case): the day and its
// separator are removed, and the month gets two digits. "d/m/yy" gives "mm/yy",
// "dd/mm/yyyy" and "m/d/yyyy" give "mm/yyyy".
QString FormatoMes(const QString& shortDateFormat);

} // namespace pla::module
