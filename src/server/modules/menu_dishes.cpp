// The checks the monthly screen makes before it places a dish: revised recipe,
// inactive products, the central dish of a position and its equivalents.
#include "modules.h"

#include "core/dates.h"
#include "core/text_utils.h"
#include "server/sql_packet.h"

namespace pla::server {

namespace {

// True when the dish lacks a revised recipe: it cannot be placed.
QVariant getRecPrato(TCallContext& ctx, TMethodArgs& args) {
    const QVariant revised =
        ctx.Database().Scalar(QStringLiteral("SELECT IDRECEREVI FROM PRATO WHERE CDFILAUXPRAT = ? "
                                             "AND CDPRATO = ?"),
                              {args.String(4).trimmed(), args.String(3).trimmed()});
    if (revised.isNull()) {
        throw EPlaError(QStringLiteral("Prato %1 não cadastrado.").arg(args.String(3).trimmed()));
    }
    return revised.toString() != QLatin1String("S");
}

// The first inactive product of the dish's recipe, or empty.
QVariant getVerifProdInativo(TCallContext& ctx, TMethodArgs& args) {
    return ctx.Database()
        .Scalar(QStringLiteral("SELECT MIN(R.CDPRODUTO) FROM RECEITA R JOIN PRODUTO P ON "
                               "P.CDPRODUTO = R.CDPRODUTO WHERE R.CDFILAUXPRAT = ? AND R.CDPRATO "
                               "= ? AND P.IDATIVO = 'N'"),
                {args.String(2).trimmed(), args.String(1).trimmed()})
        .toString();
}

QVariant getServUtPratRelat(TCallContext& ctx, TMethodArgs& args) {
    return FromDataPacket(QueryPacket(
        ctx.Database(), {{"IDUTPRATRELAC", TFieldType::String, 1, false}},
        QStringLiteral("SELECT IDUTPRATRELAC FROM SERVICO WHERE CDFILIAL = ? AND CDSERVFILI = ?"),
        {Ajusta(args.String(0).trimmed(), 4), Ajusta(args.String(1).trimmed(), 5)}));
}

// The central dish a position of a day stands for.
QVariant getPratoMatriz(TCallContext& ctx, TMethodArgs& args) {
    return FromDataPacket(QueryPacket(
        ctx.Database(),
        {{"CDPRATOMAT", TFieldType::String, 10, false},
         {"CDFILAUXPRATMAT", TFieldType::String, 4, false}},
        QStringLiteral("SELECT CDPRATOMAT, CDFILAUXPRATMAT FROM COMPCARD WHERE CDFILIAL = ? AND "
                       "NRCARDAPIO = ? AND NRSEQPRATCAR = ? AND CDPRATOMAT IS NOT NULL ORDER BY "
                       "NRORDPRATCAR"),
        {Ajusta(args.String(0).trimmed(), 4), args.String(1).trimmed(), args.Integer(2)}));
}

QVariant getPratoEquiv(TCallContext& ctx, TMethodArgs& args) {
    return FromDataPacket(QueryPacket(
        ctx.Database(),
        {{"CDFILPRATRELAC", TFieldType::String, 4, false},
         {"CDPRATORELAC", TFieldType::String, 10, false}},
        QStringLiteral("SELECT CDFILPRATRELAC, CDPRATORELAC FROM PRATORELAC WHERE CDPRATO = ? AND "
                       "CDFILAUXPRAT = ? AND IDTIPORELAC = 'E' ORDER BY CDPRATORELAC"),
        {args.String(0).trimmed(), args.String(1).trimmed()}));
}

QVariant getCnfCaMes(TCallContext& ctx, TMethodArgs& args) {
    return FromDataPacket(QueryPacket(
        ctx.Database(),
        {{"CDFILIAL", TFieldType::String, 4, false},
         {"CDSERVFILI", TFieldType::String, 5, false},
         {"NRSEQCNFMES", TFieldType::Integer, 0, false},
         {"DTREFECNFMES", TFieldType::DateTime, 0, false},
         {"CDTIPOPRAT", TFieldType::String, 2, false},
         {"IDOPCCNFMES", TFieldType::String, 1, false},
         {"IDIMPCNFMES", TFieldType::String, 1, false},
         {"NRORDCNFMES", TFieldType::Integer, 0, false},
         {"IDCONCNFMES", TFieldType::String, 1, false}},
        QStringLiteral("SELECT CDFILIAL, CDSERVFILI, NRSEQCNFMES, DTREFECNFMES, CDTIPOPRAT, "
                       "IDOPCCNFMES, IDIMPCNFMES, NRORDCNFMES, IDCONCNFMES FROM CNFCARDMES WHERE "
                       "CDFILIAL = ? AND CDSERVFILI = ? AND DTREFECNFMES = ? ORDER BY "
                       "NRORDCNFMES"),
        {Ajusta(args.String(0).trimmed(), 4), Ajusta(args.String(1).trimmed(), 5),
         DataHora(PriDiaMes(args.DateTime(2).date()))}));
}

} // namespace

void RegisterMenuDishMethods(TRemoteDataModule& m) {
    using P = TParam;
    const auto S = TArgType::String;
    m.Register(
        {QStringLiteral("GetRecPrato"),
         {P{"filial", S}, P{"servico", S}, P{"niveis", S}, P{"prato", S}, P{"filialprato", S}},
         -1,
         getRecPrato});
    m.Register(
        {QStringLiteral("GetVerifProdInativo"),
         {P{"filial", S}, P{"prato", S}, P{"filialprato", S}, P{"servico", S}, P{"niveis", S}},
         -1,
         getVerifProdInativo});
    m.Register({QStringLiteral("GetServUtPratRelat"),
                {P{"filial", S}, P{"servico", S}},
                -1,
                getServUtPratRelat});
    m.Register({QStringLiteral("getPratoMatriz"),
                {P{"filial", S}, P{"cardapio", S}, P{"posicao", TArgType::Integer}},
                -1,
                getPratoMatriz});
    m.Register(
        {QStringLiteral("GetPratoEquiv"), {P{"prato", S}, P{"filialprato", S}}, -1, getPratoEquiv});
    m.Register({QStringLiteral("GetCnfCaMes"),
                {P{"filial", S}, P{"servico", S}, P{"mes", TArgType::DateTime}},
                -1,
                getCnfCaMes});
}

} // namespace pla::server
