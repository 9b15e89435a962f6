#include "valida_filial.h"

#include "core/text_utils.h"
#include "host_context.h"
#include "host_messages.h"

namespace pla::host {

QString ValidaFilial(const QString& cdFilial, const QString& operador, bool checkContract) {
    Q_UNUSED(operador);
    if (EmptyString(cdFilial)) {
        MensErro(QStringLiteral("Filial deve ser informada."), true);
    }
    THostQuery q(QStringLiteral("qryValidaFilial"));
    q.SetConnection(Host().SharedConnection());
    q.SetSql(
        QStringLiteral("SELECT NMFILIAL, IDCNTRRESC FROM FILIAL WHERE CDFILIAL = :P_CDFILIAL"));
    q.SetParam(QStringLiteral("P_CDFILIAL"), Ajusta(AllTrim(cdFilial), 4));
    q.Open();
    if (q.IsEmpty()) {
        MensErro(QStringLiteral("Filial não cadastrada."), true);
    }
    if (checkContract &&
        q.FieldByName(QStringLiteral("IDCNTRRESC")).AsString() == QLatin1String("S")) {
        MensErro(QStringLiteral("Filial com contrato rescindido."), true);
    }
    return q.FieldByName(QStringLiteral("NMFILIAL")).AsString();
}

} // namespace pla::host
