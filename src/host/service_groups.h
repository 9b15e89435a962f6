#pragma once

#include <QStringList>

class QComboBox;

namespace pla::host {

class THostQuery;

// Fills a combo with the service groups of its query (CDGRUPSERV, NMGRUPSERV): an empty
// first item for all of them, then each group as "code  name", the first item chosen
// and no change signalled. The answer is the codes parallel to the items, "T" first.
QStringList PreencheGruposServico(QComboBox& combo, THostQuery& query);

} // namespace pla::host
