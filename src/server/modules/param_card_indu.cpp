#include "modules.h"

#include "server/db_layer.h"

namespace pla::server {

// Every planning parameter of a branch, as the monthly menu screen reads them.
TDataPacket PlanningParameters(TDatabase& db, const QString& filial) {
    return QueryPacket(
        db,
        {{"CDFILIAL", TFieldType::String, 4, true},
         {"IDEXIBECUSTO", TFieldType::String, 1, false},
         {"IDPERCCOME", TFieldType::String, 1, false},
         {"CDTIPOCUSTOPLA", TFieldType::String, 5, false},
         {"CDTIPOCUSTOREA", TFieldType::String, 5, false},
         {"QTDIABLOQCAR", TFieldType::Integer, 0, false},
         {"IDALTCOMCARD", TFieldType::String, 1, false},
         {"CDFILCENTPME", TFieldType::String, 4, false},
         {"NRCORNALTE", TFieldType::Integer, 0, false},
         {"NRCORNUTIL", TFieldType::Integer, 0, false},
         {"NRCORCARDESP", TFieldType::Integer, 0, false},
         {"NRCORCARDREV", TFieldType::Integer, 0, false},
         {"IDCARDIAUTIL", TFieldType::String, 1, false},
         {"IDPESQPRATNOME", TFieldType::String, 1, false},
         {"IDOCULTRECINATOPFI", TFieldType::String, 1, false}},
        QStringLiteral("SELECT CDFILIAL, IDEXIBECUSTO, IDPERCCOME, CDTIPOCUSTOPLA, "
                       "CDTIPOCUSTOREA, QTDIABLOQCAR, IDALTCOMCARD, CDFILCENTPME, NRCORNALTE, "
                       "NRCORNUTIL, NRCORCARDESP, NRCORCARDREV, IDCARDIAUTIL, IDPESQPRATNOME, "
                       "IDOCULTRECINATOPFI FROM PARAMPLANEJA WHERE CDFILIAL = ?"),
        {filial});
}

// The operator's permission array: 17 one-character texts, "1" allowed.
QVariantList OperatorPermissions(TDatabase& db, const QString& operador) {
    const QVariant perm = db.Scalar(
        QStringLiteral("SELECT DSPERMISSAO FROM OPERADOR WHERE CDOPERADOR = ?"), {operador});
    if (perm.isNull()) {
        throw EPlaError(QStringLiteral("Operador não cadastrado."));
    }
    const QString text = perm.toString().leftJustified(rpc::QtAutorizacoes, QLatin1Char('0'), true);
    QVariantList out;
    for (const QChar c : text) {
        out.append(QString(c == QLatin1Char('1') ? QLatin1Char('1') : QLatin1Char('0')));
    }
    return out;
}

namespace {

QVariant getParams(TCallContext& ctx, TMethodArgs& args) {
    TDatabase& db = ctx.Database();
    const QString filial = args.String(0);
    const QString tela = args.String(1).trimmed().toUpper();
    CheckBranch(db, filial);
    if (tela == QLatin1String("PLA00100")) {
        const TDataPacket p = QueryPacket(
            db,
            {{"IDEXIBECUSTO", TFieldType::String, 1, false},
             {"IDPERCCOME", TFieldType::String, 1, false},
             {"CDTIPOCUSTOREA", TFieldType::String, 5, false},
             {"CDTIPOCUSTOPLA", TFieldType::String, 5, false}},
            QStringLiteral("SELECT IDEXIBECUSTO, IDPERCCOME, CDTIPOCUSTOREA, CDTIPOCUSTOPLA "
                           "FROM PARAMPLANEJA WHERE CDFILIAL = ?"),
            {filial});
        QString planned;
        QString real;
        if (!p.Rows.isEmpty()) {
            planned = CostTypeText(db, ValueAsString(p.Rows[0].Values[3]));
            real = CostTypeText(db, ValueAsString(p.Rows[0].Values[2]));
        }
        return QVariantList{FromDataPacket(p), planned, real};
    }
    if (tela == QLatin1String("PLA00101")) {
        return FromDataPacket(PlanningParameters(db, filial));
    }
    if (tela == QLatin1String("PLA00101-CLOSE")) {
        return FromDataPacket(QueryPacket(
            db,
            {{"IDBLQFECHCARD", TFieldType::String, 1, false},
             {"IDACOMPCUSTO", TFieldType::String, 1, false},
             {"IDRESTRCARD", TFieldType::String, 1, false}},
            QStringLiteral("SELECT IDBLQFECHCARD, IDACOMPCUSTO, IDRESTRCARD FROM PARAMPLANEJA "
                           "WHERE CDFILIAL = ?"),
            {filial}));
    }
    throw EPlaError(QStringLiteral("Não há parâmetros de planejamento para a tela %1.").arg(tela));
}

QVariant checkAutOper(TCallContext& ctx, TMethodArgs& args) {
    return OperatorPermissions(ctx.Database(), args.String(0).trimmed().toUpper());
}

} // namespace

std::unique_ptr<TRemoteDataModule> MakeParamCardIndu() {
    auto m = std::make_unique<TRemoteDataModule>(QStringLiteral("Pla00100.rdmParamCardIndu"));
    m->Register(TMethodDef::Declarado(rpc::metodos::GetParams(), getParams));
    m->Register(TMethodDef::Declarado(rpc::metodos::CheckAutOper(), checkAutOper));
    RegisterMenuMonthMethods(*m);
    RegisterMenuCycleMethods(*m);
    RegisterMonthlyMenuMethods(*m);
    RegisterMenuSaveMethods(*m);
    RegisterMenuDishMethods(*m);
    RegisterMenuPeriodMethods(*m);
    RegisterEquivalentMethods(*m);
    RegisterMenuExportMethods(*m);
    RegisterMenuDinersMethods(*m);
    RegisterMenuDayDinersMethods(*m);
    RegisterClosingCostMethods(*m);
    RegisterMenuConfigMethods(*m);
    RegisterContractRuleMethods(*m);
    RegisterColourAnalysisMethods(*m);
    RegisterMenuHistoryMethods(*m);
    return m;
}

} // namespace pla::server
