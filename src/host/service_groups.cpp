#include "service_groups.h"

#include "host_query.h"

#include <QComboBox>
#include <QSignalBlocker>

namespace pla::host {

QStringList PreencheGruposServico(QComboBox& combo, THostQuery& query) {
    const QSignalBlocker quiet(&combo);
    combo.clear();
    QStringList codes{QStringLiteral("T")};
    combo.addItem(QString());
    query.Close();
    query.Open();
    for (query.First(); !query.Eof(); query.Next()) {
        const QString code = query.FieldByName(QStringLiteral("CDGRUPSERV")).AsString();
        combo.addItem(code + QStringLiteral("  ") +
                      query.FieldByName(QStringLiteral("NMGRUPSERV")).AsString());
        codes << code;
    }
    combo.setCurrentIndex(0);
    return codes;
}

} // namespace pla::host
