// Operations on several days of a month at once: deleting the menu of a period and
// swapping the dishes of two days. Each is one transaction.
#include "change_record.h"
#include "menu_days.h"
#include "modules.h"

#include "core/dates.h"
#include "core/text_utils.h"

namespace pla::server {

using A = rpc::TAutorizacao;

namespace {

QString dateText(const QDate& d) {
    return FormatDateTime(QStringLiteral("dd/mm/yyyy"), d);
}

void checkChangeable(TDatabase& db, const QString& filial, const QDate& day) {
    if (day < FirstChangeableDay(db, filial)) {
        throw EPlaError(
            QStringLiteral("O cardápio do dia %1 não pode mais ser alterado.").arg(dateText(day)));
    }
}

// Deletes the days of a period of one month with their dishes, clients, the days'
// records of departing from the central menu and the central dishes excluded from
// them. The answer is the number of days deleted.
QVariant delCardPeriodo(TCallContext& ctx, TMethodArgs& args) {
    TDatabase& db = ctx.Database();
    const QString filial = Ajusta(args.String(0).trimmed(), 4);
    const QString servico = Ajusta(args.String(1).trimmed(), 5);
    CheckBranch(db, filial);
    const QDate inicio = args.DateTime(2).date();
    const QDate fim = args.DateTime(3).date();
    if (!inicio.isValid() || !fim.isValid() || fim < inicio) {
        throw EPlaError(QStringLiteral("Período inválido."));
    }
    if (PriDiaMes(inicio) != PriDiaMes(fim)) {
        throw EPlaError(QStringLiteral("O período deve estar dentro de um mesmo mês."));
    }
    checkChangeable(db, filial, inicio);
    return qlonglong(DeleteMenuDays(db, filial, servico, inicio, fim, ctx.Operador,
                                    rpc::TOperacaoCardapio::ExclusaoPeriodo));
}

struct TDishRow {
    int Seq = 0;
    int Ord = 0;
    QVariantList
        Rest; // CDFILAUXPRAT, CDPRATO, VRPECONSCARD, IDPRATOESPE, CDPRATOMAT, CDFILAUXPRATMAT
};

QList<TDishRow> dishesOf(TDatabase& db, const QString& filial, const QString& nr) {
    TRows q = db.Select(QStringLiteral("SELECT NRSEQPRATCAR, NRORDPRATCAR, CDFILAUXPRAT, CDPRATO, "
                                       "VRPECONSCARD, IDPRATOESPE, CDPRATOMAT, CDFILAUXPRATMAT "
                                       "FROM COMPCARD WHERE CDFILIAL = ? AND NRCARDAPIO = ?"),
                        {filial, nr});
    QList<TDishRow> rows;
    while (q.Next()) {
        rows.append({q.Value(0).toInt(),
                     q.Value(1).toInt(),
                     {q.Value(2), q.Value(3), q.Value(4), q.Value(5), q.Value(6), q.Value(7)}});
    }
    return rows;
}

// Swaps the dishes of two days of a service; both must have a menu and may still be
// changed, and a branch that keeps its menus to working days refuses a holiday.
QVariant invertePratos(TCallContext& ctx, TMethodArgs& args) {
    TDatabase& db = ctx.Database();
    const QString filial = Ajusta(args.String(0).trimmed(), 4);
    const QString servico = Ajusta(args.String(1).trimmed(), 5);
    CheckBranch(db, filial);
    const QDate a = args.DateTime(2).date();
    const QDate b = args.DateTime(3).date();
    if (!a.isValid() || !b.isValid() || a == b) {
        throw EPlaError(QStringLiteral("Informe dois dias diferentes para a inversão."));
    }
    const bool workingDaysOnly =
        db.Scalar(QStringLiteral("SELECT IDCARDIAUTIL FROM PARAMPLANEJA WHERE CDFILIAL = ?"),
                  {filial})
            .toString() == QLatin1String("S");
    QStringList numbers;
    for (const QDate& d : {a, b}) {
        checkChangeable(db, filial, d);
        if (workingDaysOnly &&
            db.Scalar(QStringLiteral("SELECT COUNT(*) FROM FERIFILI WHERE CDFILIAL = ? AND "
                                     "DTFERIFILI = ?"),
                      {filial, DataHora(d)})
                    .toInt() > 0) {
            throw EPlaError(
                QStringLiteral("Cardápio bloqueado para dia não útil (%1).").arg(dateText(d)));
        }
        const QString nr = db.Scalar(QStringLiteral("SELECT NRCARDAPIO FROM CARDADIA WHERE "
                                                    "CDFILIAL = ? AND CDSERVFILI = ? AND "
                                                    "DTCARDAPIO = ?"),
                                     {filial, servico, DataHora(d)})
                               .toString();
        if (nr.isEmpty()) {
            throw EPlaError(QStringLiteral("Não há cardápio do dia %1.").arg(dateText(d)));
        }
        numbers << nr;
    }
    TRegistroAlteracoes registro(db, filial, ctx.Operador, rpc::TOperacaoCardapio::Inversao);
    for (const QString& nr : numbers) {
        registro.Antes(nr);
    }
    const QList<TDishRow> first = dishesOf(db, filial, numbers[0]);
    const QList<TDishRow> second = dishesOf(db, filial, numbers[1]);
    for (const QString& nr : numbers) {
        db.Exec(QStringLiteral("DELETE FROM COMPCARD WHERE CDFILIAL = ? AND NRCARDAPIO = ?"),
                {filial, nr});
    }
    const auto put = [&](const QString& nr, const QList<TDishRow>& rows) {
        for (const TDishRow& r : rows) {
            db.Exec(QStringLiteral("INSERT INTO COMPCARD (CDFILIAL, NRCARDAPIO, NRSEQPRATCAR, "
                                   "NRORDPRATCAR, CDFILAUXPRAT, CDPRATO, VRPECONSCARD, "
                                   "IDPRATOESPE, CDPRATOMAT, CDFILAUXPRATMAT) VALUES (?, ?, ?, ?, "
                                   "?, ?, ?, ?, ?, ?)"),
                    QVariantList{filial, nr, r.Seq, r.Ord} + r.Rest);
        }
        db.Exec(QStringLiteral("UPDATE CARDADIA SET CDOPERADOR = ?, DTULTATUACAR = ? WHERE "
                               "CDFILIAL = ? AND NRCARDAPIO = ?"),
                {ctx.Operador, Agora(), filial, nr});
    };
    put(numbers[0], second);
    put(numbers[1], first);
    registro.Registra();
    return true;
}

} // namespace

int DeleteMenuDays(TDatabase& db, const QString& filial, const QString& servico, const QDate& first,
                   const QDate& last, const QString& operador, rpc::TOperacaoCardapio operacao) {
    if (PriDiaMes(first) != PriDiaMes(last)) {
        throw EProgramError(QStringLiteral("DeleteMenuDays: período em dois meses"));
    }
    TRows q = db.Select(QStringLiteral("SELECT NRCARDAPIO FROM CARDADIA WHERE CDFILIAL = ? AND "
                                       "CDSERVFILI = ? AND DTCARDAPIO >= ? AND DTCARDAPIO <= ?"),
                        {filial, servico, DataHora(first), DataHora(last)});
    QStringList days;
    while (q.Next()) {
        days << q.Value(0).toString();
    }
    TRegistroAlteracoes registro(db, filial, operador, operacao);
    for (const QString& nr : days) {
        registro.Antes(nr);
        for (const char* table : {"COMPCARD", "CARDACLI", "CARDADIA"}) {
            db.Exec(QStringLiteral("DELETE FROM %1 WHERE CDFILIAL = ? AND NRCARDAPIO = ?")
                        .arg(QLatin1String(table)),
                    {filial, nr});
        }
    }
    db.Exec(QStringLiteral("DELETE FROM CARDESP WHERE CDFILIAL = ? AND CDSERVFILI = ? AND "
                           "DTCARDAPIO >= ? AND DTCARDAPIO <= ?"),
            {filial, servico, DataHora(first), DataHora(last)});
    const auto dd = [](const QDate& d) {
        return QStringLiteral("%1").arg(d.day(), 2, 10, QLatin1Char('0'));
    };
    db.Exec(QStringLiteral("DELETE FROM PRATEXCL WHERE CDFILIAL = ? AND CDSERVFILI = ? AND "
                           "DTMESCARD = ? AND DTPRATEXCL >= ? AND DTPRATEXCL <= ?"),
            {filial, servico, DataHora(PriDiaMes(first)), dd(first), dd(last)});
    registro.Registra();
    return int(days.size());
}

void RegisterMenuPeriodMethods(TRemoteDataModule& m) {
    m.Register(TMethodDef::Declarado(
        rpc::metodos::DelCardPeriodo(), delCardPeriodo, true,
        {{A::ExcluirCardPeriodo}, QStringLiteral("excluir o cardápio de um período"), 0}));
    m.Register(TMethodDef::Declarado(rpc::metodos::InvertePratos(), invertePratos, true,
                                     {{A::InverterPrato}, QStringLiteral("inverter pratos"), 0}));
}

} // namespace pla::server
