// ImportaCardDia: the dishes of the chosen dish types of one day placed into another
// day of the branch, position by position of the target month, in one transaction.
#include "day_import.h"
#include "mark_context.h"
#include "menu_days.h"
#include "modules.h"

#include "core/dates.h"
#include "core/text_utils.h"
#include "server/db_layer.h"
#include "server/operator_access.h"

#include <QSqlQuery>

namespace pla::server {

namespace {

QString dateText(const QDate& d) {
    return FormatDateTime(QStringLiteral("dd/mm/yyyy"), d);
}

// "01;03": each piece trimmed and padded as a dish-type code, empty pieces ignored.
QSet<QString> chosenTypes(const QString& text) {
    QSet<QString> out;
    for (const QString& piece : text.split(QLatin1Char(';'))) {
        if (!piece.trimmed().isEmpty()) {
            out.insert(Ajusta(piece.trimmed(), 2));
        }
    }
    if (out.isEmpty()) {
        throw EPlaError(QStringLiteral("Escolha ao menos um tipo de prato."));
    }
    return out;
}

class TDayImport {
public:
    TDayImport(TCallContext& ctx, const QString& filial, const QString& servico, const QDate& dia)
        : ctx_(ctx)
        , db_(ctx.Database())
        , filial_(filial)
        , servico_(servico)
        , dia_(dia)
        , mes_(PriDiaMes(dia)) {}

    // The target day may take dishes: changeable, a working day where the branch plans
    // working days only, with diners (its own, or the service's estimate for a new day).
    void CheckTarget() {
        if (dia_ < FirstChangeableDay(db_, filial_)) {
            throw EPlaError(QStringLiteral("O cardápio do dia %1 não pode mais ser alterado.")
                                .arg(dateText(dia_)));
        }
        const bool workingDaysOnly =
            db_.Scalar(QStringLiteral("SELECT IDCARDIAUTIL FROM PARAMPLANEJA WHERE CDFILIAL = ?"),
                       {filial_})
                .toString() == QLatin1String("S");
        if (workingDaysOnly &&
            db_.Scalar(QStringLiteral("SELECT COUNT(*) FROM FERIFILI WHERE CDFILIAL = ? AND "
                                      "DTFERIFILI = ?"),
                       {filial_, DataHora(dia_)})
                    .toInt() > 0) {
            throw EPlaError(QStringLiteral("Cardápio bloqueado para dia não útil."));
        }
    }

    void CheckConfiguration() {
        if (!EnsureMonthConfiguration(db_, filial_, servico_, mes_)) {
            throw EPlaError(QStringLiteral("Não existe configuração de cardápio cadastrada para o "
                                           "serviço de destino."));
        }
    }

    // The day's number, the day created with the service's estimate when missing.
    void CheckDiners() {
        QSqlQuery q = db_.Exec(QStringLiteral("SELECT NRCARDAPIO, QTCOMESTICAR FROM CARDADIA WHERE "
                                              "CDFILIAL = ? AND CDSERVFILI = ? AND DTCARDAPIO = ?"),
                               {filial_, servico_, DataHora(dia_)});
        if (q.next()) {
            nr_ = q.value(0).toString();
            if (!(q.value(1).toDouble() > 0)) {
                refuseWithoutDiners();
            }
            return;
        }
        const bool holiday =
            db_.Scalar(QStringLiteral("SELECT COUNT(*) FROM FERICARD WHERE CDFILIAL = ? AND "
                                      "DTFERICARD = ?"),
                       {filial_, DataHora(dia_)})
                .toInt() > 0;
        estimate_ = TServiceEstimates(db_, filial_, servico_).ForDay(dia_, holiday);
        if (!(estimate_.Comensais > 0)) {
            refuseWithoutDiners();
        }
    }

    // Places the matched dishes; the answer as TElemImpCardDia.
    QVariant Run(const QList<TSourceDish>& source, const QSet<QString>& types,
                 bool branchOperator) {
        if (nr_.isEmpty()) {
            createDay();
        }
        const QList<TTargetPosition> positions = TargetPositions(db_, filial_, servico_, mes_);
        const TDayImportMatch match = MatchByDishType(source, positions, types);
        const QHash<int, TDishRef> central = removeDishes(types);
        const QHash<int, TDishRef> removed = removedCentralDishes();
        const TMarkContext marks =
            MarkContextOf(db_, filial_, servico_, ctx_.Operador, branchOperator);
        for (const TDayImportMatch::TPlacement& p : match.Placed) {
            const TSourceDish& dish = source[p.Source];
            const TTargetPosition& position = positions[p.Target];
            const TDishRef chosen{dish.Code, dish.Branch};
            TMarkDishes around;
            around.Central = central.value(position.Seq);
            around.Excluded = removed.value(position.Seq);
            const QChar mark = MarcaInclusao(marks, chosen, around);
            // A dish standing in for the position's central dish records it.
            const TDishRef standsFor = around.Central.Empty() ? around.Excluded : around.Central;
            const bool records = marks.CentralFlag && !standsFor.Empty() && !(standsFor == chosen);
            db_.Exec(QStringLiteral("INSERT INTO COMPCARD (CDFILIAL, NRCARDAPIO, NRSEQPRATCAR, "
                                    "NRORDPRATCAR, CDFILAUXPRAT, CDPRATO, VRPECONSCARD, "
                                    "IDPRATOESPE, CDPRATOMAT, CDFILAUXPRATMAT) VALUES (?, ?, ?, ?, "
                                    "?, ?, ?, ?, ?, ?)"),
                     {filial_, nr_, position.Seq, position.Order, dish.Branch, dish.Code,
                      dish.Share, QString(mark),
                      records ? QVariant(standsFor.Code.trimmed()) : QVariant(),
                      records ? QVariant(standsFor.Branch.trimmed()) : QVariant()});
        }
        db_.Exec(QStringLiteral("UPDATE CARDADIA SET CDOPERADOR = ?, DTULTATUACAR = ? WHERE "
                                "CDFILIAL = ? AND NRCARDAPIO = ?"),
                 {ctx_.Operador, Agora(), filial_, nr_});
        recordSpecialDay();
        QStringList lines;
        for (const TDayImportMatch::TLeftOut& l : match.LeftOut) {
            lines << LeftOutLine(source[l.Source], l.TypeMissing);
        }
        QVariantList out(2);
        out[int(rpc::TElemImpCardDia::Importados)] = qlonglong(match.Placed.size());
        out[int(rpc::TElemImpCardDia::NaoImportados)] = lines.join(QLatin1Char('\n'));
        return out;
    }

private:
    [[noreturn]] void refuseWithoutDiners() const {
        throw EPlaError(QStringLiteral("Número de comensais do dia %1 deve ser maior que zero.")
                            .arg(dateText(dia_)));
    }

    // As the other writers create a day: the service's estimate, a new number, the
    // delivery points of a transported service without diners yet.
    void createDay() {
        const TDayEstimate& e = estimate_;
        const double figures[] = {e.Comensais, e.Turnos[0], e.Turnos[1],    e.Turnos[2],
                                  e.Turnos[3], e.Clientes,  e.Funcionarios, e.Doacoes};
        for (int i = 0; i < 8; ++i) {
            pla::server::CheckDiners(figures[i], DayDinersColumns()[i].second, dia_);
        }
        nr_ = NextMenuNumber(db_, filial_);
        QVariantList values;
        for (const double f : figures) {
            values << f;
        }
        db_.Exec(QStringLiteral("INSERT INTO CARDADIA (QTCOMESTICAR, QTESTITURNO1, QTESTITURNO2, "
                                "QTESTITURNO3, QTESTITURNO4, QTCLIESTICAR, QTFUNESTICAR, "
                                "QTDOAESTICAR, CDOPERADOR, DTULTATUACAR, CDFILIAL, NRCARDAPIO, "
                                "CDSERVFILI, DTCARDAPIO, DTMESCARD) VALUES (?, ?, ?, ?, ?, ?, ?, "
                                "?, ?, ?, ?, ?, ?, ?, ?)"),
                 values + QVariantList{ctx_.Operador, Agora(), filial_, nr_, servico_,
                                       DataHora(dia_), DataHora(mes_)});
        if (db_.Scalar(QStringLiteral("SELECT IDSERVTRAN FROM SERVICO WHERE CDFILIAL = ? AND "
                                      "CDSERVFILI = ?"),
                       {filial_, servico_})
                .toString() == QLatin1String("S")) {
            db_.Exec(QStringLiteral("INSERT INTO CARDACLI (CDFILIAL, NRCARDAPIO, CDCLIENTE, "
                                    "CDDESTFILI, QTCOMESTICLI) SELECT CDFILIAL, ?, CDCLIENTE, "
                                    "CDDESTFILI, 0 FROM DESTFILI WHERE CDFILIAL = ? AND "
                                    "(CDSERVFILI = ? OR CDSERVFILI IS NULL)"),
                     {nr_, filial_, servico_});
        }
    }

    // Deletes the target day's dishes of the chosen types; the answer is the central
    // dish each position recorded (CDPRATOMAT of its first dish that has one).
    QHash<int, TDishRef> removeDishes(const QSet<QString>& types) {
        QSqlQuery q = db_.Exec(
            QStringLiteral("SELECT C.NRSEQPRATCAR, C.NRORDPRATCAR, C.CDPRATOMAT, "
                           "C.CDFILAUXPRATMAT, COALESCE(M.CDTIPOPRAT, P.CDTIPOPRAT) FROM COMPCARD "
                           "C JOIN PRATO P ON P.CDFILAUXPRAT = C.CDFILAUXPRAT AND P.CDPRATO = "
                           "C.CDPRATO LEFT JOIN CNFCARDMES M ON M.CDFILIAL = C.CDFILIAL AND "
                           "M.CDSERVFILI = ? AND M.DTREFECNFMES = ? AND M.NRSEQCNFMES = "
                           "C.NRSEQPRATCAR WHERE C.CDFILIAL = ? AND C.NRCARDAPIO = ? ORDER BY "
                           "C.NRSEQPRATCAR, C.NRORDPRATCAR"),
            {servico_, DataHora(mes_), filial_, nr_});
        QHash<int, TDishRef> central;
        QList<QPair<int, int>> gone;
        while (q.next()) {
            if (!types.contains(q.value(4).toString().trimmed())) {
                continue;
            }
            const int seq = q.value(0).toInt();
            gone.append({seq, q.value(1).toInt()});
            const TDishRef recorded{q.value(2).toString().trimmed(),
                                    q.value(3).toString().trimmed()};
            if (!central.contains(seq) && !recorded.Code.isEmpty()) {
                central.insert(seq, recorded);
            }
        }
        for (const auto& [seq, ord] : gone) {
            db_.Exec(QStringLiteral("DELETE FROM COMPCARD WHERE CDFILIAL = ? AND NRCARDAPIO = ? "
                                    "AND NRSEQPRATCAR = ? AND NRORDPRATCAR = ?"),
                     {filial_, nr_, seq, ord});
        }
        return central;
    }

    // The central dishes removed earlier from the day's positions (PRATEXCL).
    QHash<int, TDishRef> removedCentralDishes() {
        QSqlQuery q = db_.Exec(QStringLiteral("SELECT NRSEQPRATEXCL, CDPRATO, CDFILAUXPRAT FROM "
                                              "PRATEXCL WHERE CDFILIAL = ? AND CDSERVFILI = ? AND "
                                              "DTMESCARD = ? AND DTPRATEXCL = ?"),
                               {filial_, servico_, DataHora(mes_),
                                QStringLiteral("%1").arg(dia_.day(), 2, 10, QLatin1Char('0'))});
        QHash<int, TDishRef> out;
        while (q.next()) {
            const TDishRef dish{q.value(1).toString().trimmed(), q.value(2).toString().trimmed()};
            if (!dish.Code.isEmpty()) {
                out.insert(q.value(0).toInt(), dish);
            }
        }
        return out;
    }

    // A day whose dishes changed departs from the central menu it follows, as the
    // save records it.
    void recordSpecialDay() {
        if (CentralMenuOf(db_, filial_, servico_, ctx_.Operador).RecordsSpecialDays()) {
            RecordSpecialDay(db_, filial_, servico_, dia_, nr_);
        }
    }

    TCallContext& ctx_;
    TDatabase& db_;
    QString filial_;
    QString servico_;
    QDate dia_;
    QDate mes_;
    QString nr_; // empty until the day exists
    TDayEstimate estimate_;
};

} // namespace

// Checked in this order, refusing with nothing written: the types, the operator, the
// services, the same day, the target day, the source day's dishes, the target month's
// positions, the target day's diners.
QVariant ImportaCardDiaMethod(TCallContext& ctx, TMethodArgs& args) {
    TDatabase& db = ctx.Database();
    const TImportArgs a = TImportArgs::Of(args);
    const QString& filial = a.Filial;
    const QDate& dia = a.Dia;
    const QSet<QString> types = chosenTypes(args.String(5));
    CheckBranch(db, filial);
    ctx.Access().ExigePermissao({rpc::TAutorizacao::IncluirPrato, rpc::TAutorizacao::AlterarPrato,
                                 rpc::TAutorizacao::ExcluirPrato,
                                 rpc::TAutorizacao::AlterarComEstDia,
                                 rpc::TAutorizacao::AlterarComEstPrat},
                                QStringLiteral("alterar cardápios"));
    CheckImportAccess(ctx, filial);
    a.CheckServices(db);
    if (a.Servico == a.Destino && dia == a.DiaDestino) {
        throw EPlaError(QStringLiteral("O dia de origem é o próprio dia de destino: escolha outro "
                                       "dia ou outro serviço."));
    }
    TDayImport import(ctx, filial, a.Destino, a.DiaDestino);
    import.CheckTarget();
    const std::optional<TSourceDay> source = SourceDay(db, filial, a.Servico, dia);
    if (!source || source->Dishes.isEmpty()) {
        throw EPlaError(
            QStringLiteral("O cardápio do dia %1 do serviço %2 não tem pratos para importar.")
                .arg(dateText(dia), a.Servico));
    }
    QSet<QString> present;
    for (const TSourceDish& d : source->Dishes) {
        present.insert(d.Type);
    }
    for (const QString& type : types) {
        if (!present.contains(type)) {
            throw EPlaError(QStringLiteral("O cardápio do dia %1 não tem pratos do tipo %2.")
                                .arg(dateText(dia), type));
        }
    }
    import.CheckConfiguration();
    import.CheckDiners();
    return import.Run(source->Dishes, types,
                      args.String(6).trimmed().toUpper() == QLatin1String("F"));
}

} // namespace pla::server
