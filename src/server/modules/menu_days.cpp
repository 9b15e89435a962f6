#include "menu_days.h"

#include "core/dates.h"
#include "core/errors.h"
#include "core/numbers.h"
#include "core/text_utils.h"

#include <algorithm>
#include <cmath>

namespace pla::server {

namespace {

const char* const DaySuffix[8] = {"DOM", "SEG", "TER", "QUA", "QUI", "SEX", "SAB", "FER"};

int dayIndex(const QDate& day, bool holiday) {
    return holiday ? 7 : day.dayOfWeek() % 7; // Qt: Monday 1 .. Sunday 7
}

} // namespace

const QList<QPair<QString, QString>>& DayDinersColumns() {
    static const QList<QPair<QString, QString>> columns{
        {QStringLiteral("QTCOMESTICAR"), QStringLiteral("comensais estimados")},
        {QStringLiteral("QTESTITURNO1"), QStringLiteral("comensais estimados do turno 1")},
        {QStringLiteral("QTESTITURNO2"), QStringLiteral("comensais estimados do turno 2")},
        {QStringLiteral("QTESTITURNO3"), QStringLiteral("comensais estimados do turno 3")},
        {QStringLiteral("QTESTITURNO4"), QStringLiteral("comensais estimados do turno 4")},
        {QStringLiteral("QTCLIESTICAR"), QStringLiteral("clientes estimados")},
        {QStringLiteral("QTFUNESTICAR"), QStringLiteral("funcionários estimados")},
        {QStringLiteral("QTDOAESTICAR"), QStringLiteral("doações estimadas")},
        {QStringLiteral("QTCOMEFETCAR"), QStringLiteral("comensais efetivos")},
        {QStringLiteral("QTCLIEFETCAR"), QStringLiteral("clientes efetivos")},
        {QStringLiteral("QTFUNEFETCAR"), QStringLiteral("funcionários efetivos")},
        {QStringLiteral("QTDOAEFETCAR"), QStringLiteral("doações efetivas")},
    };
    return columns;
}

void CheckDiners(double value, const QString& what, const QDate& day) {
    if (value < 0 || std::isnan(value)) {
        throw EPlaError(
            QStringLiteral("Valor negativo (%2) de %1 no cardápio do dia %3.")
                .arg(what, FloatToStr(value), FormatDateTime(QStringLiteral("dd/mm/yyyy"), day)));
    }
}

void CheckWholeDay(const QDateTime& day) {
    if (day.isValid() && day.time() != QTime(0, 0)) {
        throw EPlaError(QStringLiteral("A data do cardápio %1 tem hora: um cardápio é de um dia "
                                       "inteiro.")
                            .arg(FormatDateTime(QStringLiteral("dd/mm/yyyy hh:nn"), day)));
    }
}

TServiceEstimates::TServiceEstimates(TDatabase& db, const QString& cdFilial,
                                     const QString& cdServFili) {
    QStringList columns;
    for (const char* d : DaySuffix) {
        columns << QStringLiteral("QTCOMESTI%1, QTCLIESTI%1, QTFUNESTI%1, QTDOAESTI%1")
                       .arg(QLatin1String(d));
    }
    TRows q = db.Select(QStringLiteral("SELECT %1 FROM SERVICO WHERE CDFILIAL = ? AND "
                                       "CDSERVFILI = ?")
                            .arg(columns.join(QStringLiteral(", "))),
                        {cdFilial, cdServFili});
    if (!q.Next()) {
        throw EPlaError(QStringLiteral("Serviço não cadastrado."));
    }
    for (int d = 0; d < 8; ++d) {
        days_[d].Comensais = q.Value(d * 4).toDouble();
        days_[d].Clientes = q.Value(d * 4 + 1).toDouble();
        days_[d].Funcionarios = q.Value(d * 4 + 2).toDouble();
        days_[d].Doacoes = q.Value(d * 4 + 3).toDouble();
    }
    QStringList shiftColumns;
    for (const char* d : DaySuffix) {
        shiftColumns << QStringLiteral("QTCOMESTT%1").arg(QLatin1String(d));
    }
    TRows t = db.Select(QStringLiteral("SELECT CDTURNO, %1 FROM TURNOSERV WHERE CDFILIAL = ? AND "
                                       "CDSERVFILI = ? AND CDTURNO BETWEEN 1 AND 4")
                            .arg(shiftColumns.join(QStringLiteral(", "))),
                        {cdFilial, cdServFili});
    while (t.Next()) {
        const int shift = t.Value(0).toInt() - 1;
        for (int d = 0; d < 8; ++d) {
            days_[d].Turnos[shift] = t.Value(d + 1).toDouble();
        }
    }
}

const TDayEstimate& TServiceEstimates::ForDay(const QDate& day, bool holiday) const {
    return days_[dayIndex(day, holiday)];
}

QString NextBranchNumber(TDatabase& db, const QString& counter, const QString& cdFilial,
                         const QString& what) {
    if (db.ExecCount(
            QStringLiteral("UPDATE %1 SET NRULTIMO = NRULTIMO + 1 WHERE CDFILIAL = ?").arg(counter),
            {cdFilial}) == 0) {
        db.Exec(QStringLiteral("INSERT INTO %1 (CDFILIAL, NRULTIMO) VALUES (?, 1)").arg(counter),
                {cdFilial});
    }
    const qint64 n =
        db.Scalar(QStringLiteral("SELECT NRULTIMO FROM %1 WHERE CDFILIAL = ?").arg(counter),
                  {cdFilial})
            .toLongLong();
    if (n > 9999999999LL) {
        throw EPlaError(QStringLiteral("Numeração de %1 da filial esgotada.").arg(what));
    }
    return Ajusta(QString::number(n), 10);
}

QString NextMenuNumber(TDatabase& db, const QString& cdFilial) {
    return NextBranchNumber(db, QStringLiteral("SEQCARDAPIO"), cdFilial,
                            QStringLiteral("cardápios"));
}

QString WithdrawnOfTheSameDishSql() {
    // The right side reads the row as it was before the UPDATE, on both engines.
    return QStringLiteral("QTPORCRETI = CASE WHEN CDFILAUXPRAT = ? AND CDPRATO = ? THEN "
                          "QTPORCRETI END");
}

QDate FirstChangeableDay(TDatabase& db, const QString& cdFilial) {
    TRows q = db.Select(QStringLiteral("SELECT F.DTPROCESSA, P.QTDIABLOQCAR FROM FILIAL F "
                                       "LEFT JOIN PARAMPLANEJA P ON P.CDFILIAL = F.CDFILIAL "
                                       "WHERE F.CDFILIAL = ?"),
                        {cdFilial});
    if (!q.Next()) {
        throw EPlaError(QStringLiteral("Filial não cadastrada."));
    }
    const QDate processing =
        TDatabase::FromSql(TFieldType::DateTime, q.Value(0)).toDateTime().date();
    return processing.addDays(q.Value(1).toInt());
}

QHash<QDate, QString> BranchHolidays(TDatabase& db, const QString& cdFilial, const QDate& month) {
    QHash<QDate, QString> out;
    TRows q = db.Select(QStringLiteral("SELECT DTFERIFILI, DSFERIFILI FROM FERIFILI WHERE "
                                       "CDFILIAL = ? AND DTFERIFILI >= ? AND DTFERIFILI <= ?"),
                        {cdFilial, DataHora(PriDiaMes(month)), DataHora(UltimoDiaMes(month))});
    while (q.Next()) {
        out.insert(TDatabase::FromSql(TFieldType::DateTime, q.Value(0)).toDateTime().date(),
                   q.Value(1).toString());
    }
    return out;
}

bool EnsureMonthConfiguration(TDatabase& db, const QString& cdFilial, const QString& cdServFili,
                              const QDate& month) {
    const QVariantList key{cdFilial, cdServFili, DataHora(PriDiaMes(month))};
    if (db.Scalar(QStringLiteral("SELECT COUNT(*) FROM CNFCARDMES WHERE CDFILIAL = ? AND "
                                 "CDSERVFILI = ? AND DTREFECNFMES = ?"),
                  key)
            .toInt() > 0) {
        return true;
    }
    return db.ExecCount(QStringLiteral("INSERT INTO CNFCARDMES (CDFILIAL, CDSERVFILI, "
                                       "DTREFECNFMES, NRSEQCNFMES, CDTIPOPRAT, IDOPCCNFMES, "
                                       "IDIMPCNFMES, NRORDCNFMES, IDCONCNFMES) SELECT CDFILIAL, "
                                       "CDSERVFILI, ?, NRSEQCNFMES, CDTIPOPRAT, IDOPCCNFMES, "
                                       "IDIMPCNFMES, NRORDCNFMES, IDCONCNFMES FROM CNFCARDSERV "
                                       "WHERE CDFILIAL = ? AND CDSERVFILI = ?"),
                        {key[2], cdFilial, cdServFili}) > 0;
}

std::optional<TCycleInfo> ActiveCycle(TDatabase& db, const QString& cdFilial,
                                      const QString& cdServFili, const QDate& month) {
    TRows q = db.Select(QStringLiteral("SELECT S.CDCARDCICLO, C.NMCARDCICLO, C.QTDIASCICLO, "
                                       "S.DTINICICLO FROM CARDCICLOSERV S JOIN CARDCICLO C ON "
                                       "C.CDFILIAL = S.CDFILIAL AND C.CDCARDCICLO = "
                                       "S.CDCARDCICLO WHERE S.CDFILIAL = ? AND S.CDSERVFILI = "
                                       "? AND S.DTINICICLO <= ? ORDER BY S.DTINICICLO DESC"),
                        {cdFilial, cdServFili, DataHora(UltimoDiaMes(month))});
    if (!q.Next()) {
        return std::nullopt;
    }
    return TCycleInfo{q.Value(0).toString(), q.Value(1).toString(), q.Value(2).toInt(),
                      TDatabase::FromSql(TFieldType::DateTime, q.Value(3)).toDateTime().date()};
}

QMap<QDate, int> CycleDays(const TCycleInfo& cycle, const TServiceEstimates& estimates,
                           const QDate& month) {
    QMap<QDate, int> out;
    if (cycle.Days <= 0) {
        return out;
    }
    const QDate first = PriDiaMes(month);
    if (!first.isValid() || !cycle.Start.isValid()) {
        throw EPlaError(QStringLiteral("Mês ou início do ciclo inválido."));
    }
    // The days served since the cycle began: whole weeks by count, then the rest, so
    // that a cycle begun long ago costs no more than a recent one.
    int served = 0;
    const qint64 span = std::max<qint64>(0, cycle.Start.daysTo(first));
    int perWeek = 0;
    for (int i = 0; i < 7; ++i) {
        perWeek += estimates.Serves(cycle.Start.addDays(i)) ? 1 : 0;
    }
    served = int((span / 7 * perWeek) % cycle.Days);
    for (QDate d = cycle.Start.addDays(span / 7 * 7); d < first; d = d.addDays(1)) {
        served += estimates.Serves(d) ? 1 : 0;
    }
    for (QDate day = first; day.month() == first.month(); day = day.addDays(1)) {
        if (day < cycle.Start || !estimates.Serves(day)) {
            continue;
        }
        ++served;
        out.insert(day, (served - 1) % cycle.Days + 1);
    }
    return out;
}

void RecordSpecialDay(TDatabase& db, const QString& cdFilial, const QString& cdServFili,
                      const QDate& day, const QString& nrCardapio) {
    if (db.Scalar(QStringLiteral("SELECT COUNT(*) FROM CARDESP WHERE CDFILIAL = ? AND "
                                 "CDSERVFILI = ? AND DTCARDAPIO = ?"),
                  {cdFilial, cdServFili, DataHora(day)})
            .toInt() > 0) {
        return;
    }
    db.Exec(QStringLiteral("INSERT INTO CARDESP (CDFILIAL, CDSERVFILI, DTCARDAPIO, NRCARDAPIO) "
                           "VALUES (?, ?, ?, ?)"),
            {cdFilial, cdServFili, DataHora(day), nrCardapio});
}

} // namespace pla::server
