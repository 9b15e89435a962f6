#include "demo_contract_rules.h"

#include "core/contract_rules.h"
#include "core/dates.h"
#include "core/numbers.h"

namespace pla::server {

void SeedDemoContractRules(TDatabase& db, const QDate& today) {
    db.ExecCount(QStringLiteral("UPDATE PRATO SET IDFRITURA = 'S' WHERE NMPRATO LIKE '%MILANESA%' "
                                "OR NMPRATO LIKE '%PARMEGIANA%' OR NMPRATO LIKE '%FRITA%' OR "
                                "NMPRATO LIKE '%FRITO%' OR NMPRATO LIKE 'BOLINHO%' OR NMPRATO = "
                                "'BATATA PALHA'"));
    const QString filial = QStringLiteral("0001");
    const QString servico = QStringLiteral("00001");
    const QVariant standard =
        db.Scalar(QStringLiteral("SELECT VRCUSTPADR FROM CUSTOSERVMES WHERE CDFILIAL = ? AND "
                                 "CDSERVFILI = ? AND DTMESCUST = ?"),
                  {filial, servico, DataHora(PriDiaMes(today))});
    if (standard.isNull()) {
        return; // no restaurant in this demonstration
    }
    using T = TTipoRestricao;
    struct TDemoRule {
        T Tipo;
        const char* TipoPrato;
        bool Fritos;
        double Limite;
        const char* Clausula;
    };
    const TDemoRule rules[] = {
        {T::MaximoPorSemana, nullptr, true, 2, "Cláusula 7.1 - frituras"},
        {T::MinimoDiasMes, "09", false, 15, "Cláusula 7.2 - frutas"},
        {T::IntervaloRepeticao, "03", false, 7, "Cláusula 7.3 - variedade"},
        {T::CustoMaximo, nullptr, false, RoundDec(standard.toDouble() * 1.10, 2),
         "Cláusula 9.1 - per capita contratado"},
    };
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

} // namespace pla::server
