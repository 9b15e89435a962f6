#include "demo_contract_rules.h"

#include "core/contract_rules.h"
#include "core/dates.h"
#include "core/numbers.h"

namespace pla::server {

namespace {

using T = TTipoRestricao;

struct TDemoRule {
    T Tipo;
    const char* TipoPrato;
    bool Fritos;
    double Limite;
    const char* Clausula;
};

void seedRules(TDatabase& db, const QString& filial, const QString& servico,
               const QList<TDemoRule>& rules) {
    int number = 0;
    for (const TDemoRule& r : rules) {
        db.ExecCount(QStringLiteral("INSERT INTO RESTCONTSERV (CDFILIAL, CDSERVFILI, NRRESTCONT, "
                                    "IDTIPORESTR, CDTIPOPRAT, IDSOFRITO, VRLIMITE, DSRESTCONT) "
                                    "VALUES (?, ?, ?, ?, ?, ?, ?, ?)"),
                     {filial, servico, ++number, QString(QLatin1Char(char(r.Tipo))),
                      r.TipoPrato ? QVariant(QString::fromLatin1(r.TipoPrato)) : QVariant(),
                      r.Fritos ? "S" : "N", r.Limite, QString::fromUtf8(r.Clausula)});
    }
    db.ExecCount(QStringLiteral("INSERT INTO RESTCONTCAB (CDFILIAL, CDSERVFILI, NRULTREST, "
                                "NRULTALT) VALUES (?, ?, ?, 0)"),
                 {filial, servico, number});
}

bool existe(TDatabase& db, const QString& filial, const QString& servico) {
    return db.Scalar(QStringLiteral("SELECT COUNT(*) FROM SERVICO WHERE CDFILIAL = ? AND "
                                    "CDSERVFILI = ?"),
                     {filial, servico})
               .toInt() > 0;
}

} // namespace

void SeedDemoContractRules(TDatabase& db, const QDate& today) {
    db.ExecCount(QStringLiteral("UPDATE PRATO SET IDFRITURA = 'S' WHERE NMPRATO LIKE '%MILANESA%' "
                                "OR NMPRATO LIKE '%PARMEGIANA%' OR NMPRATO LIKE '%FRITA%' OR "
                                "NMPRATO LIKE '%FRITO%' OR NMPRATO LIKE 'BOLINHO%' OR NMPRATO = "
                                "'BATATA PALHA'"));
    // The company restaurant's lunch: its contracted per capita a tenth over the standard.
    const QVariant standard =
        db.Scalar(QStringLiteral("SELECT VRCUSTPADR FROM CUSTOSERVMES WHERE CDFILIAL = '0001' "
                                 "AND CDSERVFILI = '00001' AND DTMESCUST = ?"),
                  {DataHora(PriDiaMes(today))});
    if (!standard.isNull()) {
        seedRules(db, QStringLiteral("0001"), QStringLiteral("00001"),
                  {{T::MaximoPorSemana, nullptr, true, 2, "Cláusula 7.1 - frituras"},
                   {T::MinimoDiasMes, "09", false, 15, "Cláusula 7.2 - frutas"},
                   {T::IntervaloRepeticao, "03", false, 7, "Cláusula 7.3 - variedade"},
                   {T::CustoMaximo, nullptr, false, RoundDec(standard.toDouble() * 1.10, 2),
                    "Cláusula 9.1 - per capita contratado"}});
    }
    // The municipal schools' lunch, as the school-meals contract asks.
    if (existe(db, QStringLiteral("0004"), QStringLiteral("00001"))) {
        seedRules(db, QStringLiteral("0004"), QStringLiteral("00001"),
                  {{T::MaximoPorSemana, nullptr, true, 1,
                    "Item 4.2 - frituras no máximo uma "
                    "vez por semana"},
                   {T::MinimoDiasMes, "09", false, 12, "Item 4.3 - fruta em ao menos 12 dias"},
                   {T::IntervaloRepeticao, "03", false, 5,
                    "Item 4.5 - variedade do prato "
                    "principal"}});
    }
}

} // namespace pla::server
