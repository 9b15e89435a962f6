#include "lookup_tables.h"

namespace pla::db {

const QStringList& LookupTables() {
    static const QStringList tables{
        QStringLiteral("FILIAL"),       QStringLiteral("SERVICO"),
        QStringLiteral("GRUPSERV"),     QStringLiteral("FERIFILI"),
        QStringLiteral("FERICARD"),     QStringLiteral("TURNOSERV"),
        QStringLiteral("TIPOPRAT"),     QStringLiteral("PRATO"),
        QStringLiteral("PARAMGERAL"),   QStringLiteral("DIETSERV"),
        QStringLiteral("DIETPADR"),     QStringLiteral("CLIENTE"),
        QStringLiteral("DESTFILI"),     QStringLiteral("TIPOCUSTO"),
        QStringLiteral("PRODUTO"),      QStringLiteral("CARDCICLO"),
        QStringLiteral("LOGCARDCICLO"), QStringLiteral("LOGCARDCICLOITEM")};
    return tables;
}

} // namespace pla::db
