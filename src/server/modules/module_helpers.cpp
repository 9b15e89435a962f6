#include "modules.h"

#include "core/text_utils.h"

namespace pla::server {

void CheckBranch(TDatabase& db, const QString& cdFilial) {
    if (db.Scalar(QStringLiteral("SELECT COUNT(*) FROM FILIAL WHERE CDFILIAL = ?"), {cdFilial})
            .toInt() == 0) {
        throw EPlaError(QStringLiteral("Filial não cadastrada."));
    }
}

void CheckService(TDatabase& db, const QString& cdFilial, const QString& cdServFili) {
    CheckBranch(db, cdFilial);
    if (db.Scalar(QStringLiteral("SELECT COUNT(*) FROM SERVICO WHERE CDFILIAL = ? AND "
                                 "CDSERVFILI = ?"),
                  {cdFilial, cdServFili})
            .toInt() == 0) {
        throw EPlaError(
            QStringLiteral("Serviço %1 não cadastrado na filial %2.").arg(cdServFili, cdFilial));
    }
}

QString CostTypeText(TDatabase& db, const QString& code) {
    bool ok = false;
    const int nr = code.trimmed().toInt(&ok);
    if (!ok) {
        return {};
    }
    const QVariant name =
        db.Scalar(QStringLiteral("SELECT NMTIPOCUSTO FROM TIPOCUSTO WHERE NRTIPOCUSTO = ?"), {nr});
    return name.isNull() ? QString() : FormatTipoCusto(nr, name.toString());
}

void AddAllModules(TDispatcher& dispatcher, TSessionService& sessions) {
    dispatcher.AddModule(MakeParamCardIndu());
    dispatcher.AddModule(MakeCustoServ());
    dispatcher.AddModule(MakeComensEst());
    dispatcher.AddModule(MakeAutoriza(sessions));
    dispatcher.AddModule(MakeCustProd());
    dispatcher.AddModule(MakeProdCmpFilial());
    dispatcher.AddModule(MakeBaseCusto());
    dispatcher.AddModule(MakeImpCardDia());
    dispatcher.AddModule(MakeNutriCard());
    dispatcher.AddModule(MakeImpTipoPrat());
    dispatcher.AddModule(MakeHistFilial());
    dispatcher.AddModule(MakeEmissaoCard());
}

} // namespace pla::server
