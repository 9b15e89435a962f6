#include "day_writer.h"

#include "day_import.h"
#include "mark_context.h"
#include "modules.h"

#include "core/dates.h"

namespace pla::server {

namespace {

// The day's figures in the order of DayDinersColumns.
std::array<double, 8> figuresOf(const TDayEstimate& e) {
    return {e.Comensais, e.Turnos[0], e.Turnos[1],    e.Turnos[2],
            e.Turnos[3], e.Clientes,  e.Funcionarios, e.Doacoes};
}

QVariantList checkedFigures(const TDayEstimate& diners, const QDate& day) {
    QVariantList values;
    const std::array<double, 8> figures = figuresOf(diners);
    for (int i = 0; i < 8; ++i) {
        CheckDiners(figures[i], DayDinersColumns()[i].second, day);
        values << figures[i];
    }
    return values;
}

} // namespace

TDayWriter::TDayWriter(TDatabase& db, const QString& filial, const QString& servico,
                       const QString& operador, bool moduFili, rpc::TOperacaoCardapio operacao)
    : db_(db)
    , filial_(filial)
    , servico_(servico)
    , operador_(operador)
    , marks_(MarkContextOf(db, filial, servico, operador, moduFili))
    , recordsSpecialDays_(CentralMenuOf(db, filial, servico, operador).RecordsSpecialDays())
    , transported_(db.Scalar(QStringLiteral("SELECT IDSERVTRAN FROM SERVICO WHERE CDFILIAL = ? "
                                            "AND CDSERVFILI = ?"),
                             {filial, servico})
                       .toString() == QLatin1String("S"))
    , registro_(db, filial, operador, operacao) {}

std::optional<TDayWriter::TDay> TDayWriter::Find(const QDate& day) {
    TRows q = db_.Select(QStringLiteral("SELECT D.NRCARDAPIO, D.QTCOMESTICAR, (SELECT COUNT(*) "
                                        "FROM COMPCARD C WHERE C.CDFILIAL = D.CDFILIAL AND "
                                        "C.NRCARDAPIO = D.NRCARDAPIO) FROM CARDADIA D WHERE "
                                        "D.CDFILIAL = ? AND D.CDSERVFILI = ? AND D.DTCARDAPIO = ?"),
                         {filial_, servico_, DataHora(day)});
    if (!q.Next()) {
        return std::nullopt;
    }
    return TDay{q.Value(0).toString(), q.Value(1).toDouble(), q.Value(2).toInt()};
}

// As the other writers create a day: a new number, the delivery points of a
// transported service without diners yet.
QString TDayWriter::Create(const QDate& day, const TDayEstimate& diners) {
    const QVariantList values = checkedFigures(diners, day);
    const QString nr = NextMenuNumber(db_, filial_);
    db_.Exec(QStringLiteral("INSERT INTO CARDADIA (QTCOMESTICAR, QTESTITURNO1, QTESTITURNO2, "
                            "QTESTITURNO3, QTESTITURNO4, QTCLIESTICAR, QTFUNESTICAR, "
                            "QTDOAESTICAR, CDOPERADOR, DTULTATUACAR, CDFILIAL, NRCARDAPIO, "
                            "CDSERVFILI, DTCARDAPIO, DTMESCARD) VALUES (?, ?, ?, ?, ?, ?, ?, "
                            "?, ?, ?, ?, ?, ?, ?, ?)"),
             values + QVariantList{operador_, Agora(), filial_, nr, servico_, DataHora(day),
                                   DataHora(PriDiaMes(day))});
    registro_.Novo(nr);
    if (transported_) {
        db_.Exec(QStringLiteral("INSERT INTO CARDACLI (CDFILIAL, NRCARDAPIO, CDCLIENTE, "
                                "CDDESTFILI, QTCOMESTICLI) SELECT CDFILIAL, ?, CDCLIENTE, "
                                "CDDESTFILI, 0 FROM DESTFILI WHERE CDFILIAL = ? AND "
                                "(CDSERVFILI = ? OR CDSERVFILI IS NULL)"),
                 {nr, filial_, servico_});
    }
    return nr;
}

void TDayWriter::SetDiners(const QString& nr, const QDate& day, const TDayEstimate& diners) {
    registro_.Antes(nr);
    db_.Exec(QStringLiteral("UPDATE CARDADIA SET QTCOMESTICAR = ?, QTESTITURNO1 = ?, "
                            "QTESTITURNO2 = ?, QTESTITURNO3 = ?, QTESTITURNO4 = ?, QTCLIESTICAR = "
                            "?, QTFUNESTICAR = ?, QTDOAESTICAR = ? WHERE CDFILIAL = ? AND "
                            "NRCARDAPIO = ?"),
             checkedFigures(diners, day) + QVariantList{filial_, nr});
}

const QList<TTargetPosition>& TDayWriter::positions(const QDate& month) {
    if (month != positionsMonth_) {
        positions_ = TargetPositions(db_, filial_, servico_, month);
        positionsMonth_ = month;
    }
    return positions_;
}

TDayImportMatch TDayWriter::Match(const QDate& day, const QList<TSourceDish>& source,
                                  const QSet<QString>& types) {
    return MatchByDishType(source, positions(PriDiaMes(day)), types);
}

TDayWriter::TPlacement TDayWriter::Place(const QString& nr, const QDate& day,
                                         const QList<TSourceDish>& source,
                                         const QSet<QString>& types) {
    TPlacement out;
    registro_.Antes(nr);
    const QList<TTargetPosition>& target = positions(PriDiaMes(day));
    out.Match = MatchByDishType(source, target, types);
    const QHash<int, TDishRef> central = removeDishes(nr, types, out.Removed);
    const QHash<int, TDishRef> removed = removedCentralDishes(day);
    for (const TDayImportMatch::TPlacement& p : out.Match.Placed) {
        const TSourceDish& dish = source[p.Source];
        const TTargetPosition& position = target[p.Target];
        const TDishRef chosen{dish.Code, dish.Branch};
        TMarkDishes around;
        around.Central = central.value(position.Seq);
        around.Excluded = removed.value(position.Seq);
        const QChar mark = MarcaInclusao(marks_, chosen, around);
        // A dish standing in for the position's central dish records it.
        const TDishRef standsFor = around.Central.Empty() ? around.Excluded : around.Central;
        const bool records = marks_.CentralFlag && !standsFor.Empty() && !(standsFor == chosen);
        db_.Exec(QStringLiteral("INSERT INTO COMPCARD (CDFILIAL, NRCARDAPIO, NRSEQPRATCAR, "
                                "NRORDPRATCAR, CDFILAUXPRAT, CDPRATO, VRPECONSCARD, "
                                "IDPRATOESPE, CDPRATOMAT, CDFILAUXPRATMAT) VALUES (?, ?, ?, ?, "
                                "?, ?, ?, ?, ?, ?)"),
                 {filial_, nr, position.Seq, position.Order, dish.Branch, dish.Code, dish.Share,
                  QString(mark), records ? QVariant(standsFor.Code.trimmed()) : QVariant(),
                  records ? QVariant(standsFor.Branch.trimmed()) : QVariant()});
    }
    db_.Exec(QStringLiteral("UPDATE CARDADIA SET CDOPERADOR = ?, DTULTATUACAR = ? WHERE "
                            "CDFILIAL = ? AND NRCARDAPIO = ?"),
             {operador_, Agora(), filial_, nr});
    // A day whose dishes changed departs from the central menu it follows, as the
    // save records it.
    if (recordsSpecialDays_) {
        RecordSpecialDay(db_, filial_, servico_, day, nr);
    }
    registro_.Registra(nr);
    return out;
}

// Deletes the day's dishes of the given types; the answer is the central dish each
// position recorded (CDPRATOMAT of its first dish that has one).
QHash<int, TDishRef> TDayWriter::removeDishes(const QString& nr, const QSet<QString>& types,
                                              int& count) {
    TRows q = db_.Select(
        QStringLiteral("SELECT C.NRSEQPRATCAR, C.NRORDPRATCAR, C.CDPRATOMAT, "
                       "C.CDFILAUXPRATMAT, COALESCE(M.CDTIPOPRAT, P.CDTIPOPRAT) FROM COMPCARD "
                       "C JOIN CARDADIA D ON D.CDFILIAL = C.CDFILIAL AND D.NRCARDAPIO = "
                       "C.NRCARDAPIO JOIN PRATO P ON P.CDFILAUXPRAT = C.CDFILAUXPRAT AND "
                       "P.CDPRATO = C.CDPRATO LEFT JOIN CNFCARDMES M ON M.CDFILIAL = C.CDFILIAL "
                       "AND M.CDSERVFILI = D.CDSERVFILI AND M.DTREFECNFMES = D.DTMESCARD AND "
                       "M.NRSEQCNFMES = C.NRSEQPRATCAR WHERE C.CDFILIAL = ? AND C.NRCARDAPIO = ? "
                       "ORDER BY C.NRSEQPRATCAR, C.NRORDPRATCAR"),
        {filial_, nr});
    QHash<int, TDishRef> central;
    QList<QPair<int, int>> gone;
    while (q.Next()) {
        if (!types.contains(q.Value(4).toString().trimmed())) {
            continue;
        }
        const int seq = q.Value(0).toInt();
        gone.append({seq, q.Value(1).toInt()});
        const TDishRef recorded{q.Value(2).toString().trimmed(), q.Value(3).toString().trimmed()};
        if (!central.contains(seq) && !recorded.Code.isEmpty()) {
            central.insert(seq, recorded);
        }
    }
    for (const auto& [seq, ord] : gone) {
        db_.Exec(QStringLiteral("DELETE FROM COMPCARD WHERE CDFILIAL = ? AND NRCARDAPIO = ? "
                                "AND NRSEQPRATCAR = ? AND NRORDPRATCAR = ?"),
                 {filial_, nr, seq, ord});
    }
    count = static_cast<int>(gone.size());
    return central;
}

// The central dishes removed earlier from the day's positions (PRATEXCL).
QHash<int, TDishRef> TDayWriter::removedCentralDishes(const QDate& day) {
    TRows q = db_.Select(QStringLiteral("SELECT NRSEQPRATEXCL, CDPRATO, CDFILAUXPRAT FROM "
                                        "PRATEXCL WHERE CDFILIAL = ? AND CDSERVFILI = ? AND "
                                        "DTMESCARD = ? AND DTPRATEXCL = ?"),
                         {filial_, servico_, DataHora(PriDiaMes(day)),
                          QStringLiteral("%1").arg(day.day(), 2, 10, QLatin1Char('0'))});
    QHash<int, TDishRef> out;
    while (q.Next()) {
        const TDishRef dish{q.Value(1).toString().trimmed(), q.Value(2).toString().trimmed()};
        if (!dish.Code.isEmpty()) {
            out.insert(q.Value(0).toInt(), dish);
        }
    }
    return out;
}

} // namespace pla::server
