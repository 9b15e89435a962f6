// The diners of one day outside the month's save: the day (or some months of days) read
// again, the patients of the prescribed diets counted, the day's estimated diners
// written from them, or the day deleted when nobody is left to feed.
#include "menu_days.h"
#include "modules.h"

#include "core/dates.h"
#include "core/text_utils.h"
#include "server/db_layer.h"

#include <algorithm>

namespace pla::server {

using A = rpc::TAutorizacao;

namespace {

// A longer read is a report, not a screen's reload.
constexpr int MaxMonthsRead = 3;

QString dateText(const QDate& d) {
    return FormatDateTime(QStringLiteral("dd/mm/yyyy"), d);
}

// An optional text argument: empty when null or blank.
QString optionalCode(TMethodArgs& args, int index, int width) {
    const QString text = args.Value(index).isNull() ? QString() : args.String(index).trimmed();
    return text.isEmpty() ? QString() : Ajusta(text, width);
}

QDate optionalDate(TMethodArgs& args, int index) {
    return args.Value(index).isNull() ? QDate() : args.DateTime(index).date();
}

// The day a menu number names, as the screen that sends it believes it to be (its
// service and date, when given): another service's or another date's day is refused
// rather than written, and so is a day that may no longer change.
struct TNamedDay {
    QString Numero;
    QString Servico;
    QDate Dia;
    double Funcionarios = 0;
    double Doacoes = 0;
};

TNamedDay changeableDay(TDatabase& db, const QString& filial, TMethodArgs& args, int numeroArg,
                        int servicoArg, int diaArg) {
    const QString given = args.String(numeroArg).trimmed();
    if (given.isEmpty()) {
        throw EPlaError(QStringLiteral("Número do cardápio não informado."));
    }
    TNamedDay d;
    d.Numero = Ajusta(given, rpc::TamanhoNrCardapio);
    const QString servico = optionalCode(args, servicoArg, 5);
    const QDate dia = optionalDate(args, diaArg);
    TRows q = db.Select(QStringLiteral("SELECT CDSERVFILI, DTCARDAPIO, QTFUNESTICAR, "
                                       "QTDOAESTICAR FROM CARDADIA WHERE CDFILIAL = ? AND "
                                       "NRCARDAPIO = ?"),
                        {filial, d.Numero});
    if (!q.Next()) {
        if (dia.isValid()) {
            throw EPlaError(QStringLiteral("O cardápio do dia %1 foi excluído por outro operador. "
                                           "Carregue o cardápio novamente.")
                                .arg(dateText(dia)));
        }
        throw EPlaError(QStringLiteral("O cardápio %1 não está cadastrado.").arg(d.Numero));
    }
    d.Servico = q.Value(0).toString();
    d.Dia = TDatabase::FromSql(TFieldType::DateTime, q.Value(1)).toDateTime().date();
    d.Funcionarios = q.Value(2).toDouble();
    d.Doacoes = q.Value(3).toDouble();
    if ((!servico.isEmpty() && servico != d.Servico) || (dia.isValid() && dia != d.Dia)) {
        throw EPlaError(QStringLiteral("O cardápio do dia %1 foi alterado por outro operador. "
                                       "Carregue o cardápio novamente.")
                            .arg(dateText(dia.isValid() ? dia : d.Dia)));
    }
    if (d.Dia < FirstChangeableDay(db, filial)) {
        throw EPlaError(QStringLiteral("O cardápio do dia %1 não pode mais ser alterado.")
                            .arg(dateText(d.Dia)));
    }
    return d;
}

// The day records of a service: with "S" and a day, that day's (none or one);
// otherwise those of the period, which may span at most MaxMonthsRead months.
QVariant getCardadia(TCallContext& ctx, TMethodArgs& args) {
    TDatabase& db = ctx.Database();
    const QString filial = Ajusta(args.String(0).trimmed(), 4);
    const QString servico = Ajusta(args.String(1).trimmed(), 5);
    CheckBranch(db, filial);
    const QDate dia = optionalDate(args, 4);
    if (args.String(5).trimmed().toUpper() == QLatin1String("S") && dia.isValid()) {
        return FromDataPacket(DaysOfPeriod(db, filial, servico, dia, dia));
    }
    const QDate inicio = args.DateTime(2).date();
    const QDate fim = args.DateTime(3).date();
    if (!inicio.isValid() || !fim.isValid()) {
        throw EPlaError(QStringLiteral("Período inválido."));
    }
    if (fim < inicio) {
        throw EPlaError(QStringLiteral("Período inválido: o dia final (%1) é anterior ao inicial "
                                       "(%2).")
                            .arg(dateText(fim), dateText(inicio)));
    }
    if (fim >= inicio.addMonths(MaxMonthsRead)) {
        throw EPlaError(QStringLiteral("O período de %1 a %2 é longo demais: consulte no máximo %3 "
                                       "meses de cada vez.")
                            .arg(dateText(inicio), dateText(fim))
                            .arg(MaxMonthsRead));
    }
    return FromDataPacket(DaysOfPeriod(db, filial, servico, inicio, fim));
}

// The patients of a service whose prescription is valid on the day, for the chosen
// diets ("T" every one, else codes separated by ";"). Only the diets the service
// serves by mouth count: enteral ("1") and parenteral ("2") feeding is no meal of the
// kitchen's. A patient whose diet changes that day has two valid prescriptions and is
// one diner.
QVariant getDietaPrescrita(TCallContext& ctx, TMethodArgs& args) {
    TDatabase& db = ctx.Database();
    const QString filial = Ajusta(args.String(0).trimmed(), 4);
    const QString servico = Ajusta(args.String(1).trimmed(), 5);
    CheckBranch(db, filial);
    if (db.Scalar(QStringLiteral("SELECT COUNT(*) FROM SERVICO WHERE CDFILIAL = ? AND CDSERVFILI "
                                 "= ?"),
                  {filial, servico})
            .toInt() == 0) {
        throw EPlaError(QStringLiteral("Serviço não cadastrado."));
    }
    const QDate dia = optionalDate(args, 2);
    if (!dia.isValid()) {
        throw EPlaError(QStringLiteral("Informe o dia das dietas prescritas."));
    }
    const QString lista = args.String(3).trimmed();
    const bool todas = lista.compare(QLatin1String("T"), Qt::CaseInsensitive) == 0;
    QStringList escolhidas;
    if (!todas) {
        for (const QString& piece : lista.split(QLatin1Char(';'))) {
            const QString code = piece.trimmed();
            if (!code.isEmpty() && !escolhidas.contains(Ajusta(code, 4))) {
                escolhidas << Ajusta(code, 4);
            }
        }
        if (escolhidas.isEmpty()) {
            throw EPlaError(QStringLiteral("Nenhuma dieta foi escolhida na lista."));
        }
    }
    args.SetRef(1, servico);
    args.SetRef(3, todas ? QStringLiteral("T") : escolhidas.join(QLatin1Char(';')));

    // The service's countable diets among those chosen: a list can name no more than
    // the service has, whatever its length.
    TRows d = db.Select(QStringLiteral("SELECT S.CDDIETPAD FROM DIETSERV S JOIN DIETPADR D ON "
                                       "D.CDDIETPAD = S.CDDIETPAD WHERE S.CDFILIAL = ? AND "
                                       "S.CDSERVFILI = ? AND D.IDFORMDIET NOT IN ('1', '2')"),
                        {filial, servico});
    QVariantList contadas;
    while (d.Next()) {
        const QString code = d.Value(0).toString();
        if (todas || escolhidas.contains(code)) {
            contadas << code;
        }
    }
    double pacientes = 0;
    if (!contadas.isEmpty()) {
        // Prescriptions hold whole days, both ends included; the start is compared with
        // the next day so that a start with a time of day still counts on its day.
        pacientes =
            db.Scalar(QStringLiteral("SELECT COUNT(DISTINCT CDPACIENTE) FROM PRESCDIET WHERE "
                                     "CDFILIAL = ? AND CDSERVFILI = ? AND DTINIPRESC < ? AND "
                                     "(DTFIMPRESC IS NULL OR DTFIMPRESC >= ?) AND CDDIETPAD IN "
                                     "(%1)")
                          .arg(QStringList(contadas.size(), QStringLiteral("?"))
                                   .join(QStringLiteral(", "))),
                      QVariantList{filial, servico, DataHora(dia.addDays(1)), DataHora(dia)} +
                          contadas)
                .toDouble();
    }
    TDataPacket p;
    p.Fields = {{"QTCOMENSDIETA", TFieldType::Float, 0, false}};
    TPacketRow row;
    row.Values = {pacientes};
    p.Rows.append(row);
    return FromDataPacket(p);
}

// The day's estimated diners: the total given, the clients what employees and
// donations leave of it. Shifts and dish shares stay as they are.
QVariant setAtuComensDiet(TCallContext& ctx, TMethodArgs& args) {
    TDatabase& db = ctx.Database();
    const QString filial = Ajusta(args.String(0).trimmed(), 4);
    CheckBranch(db, filial);
    const qint64 comensais = args.Integer(2);
    if (comensais <= 0) {
        throw EPlaError(QStringLiteral("Número de comensais do dia deve ser maior que zero."));
    }
    const TNamedDay day = changeableDay(db, filial, args, 1, 3, 4);
    const double total = double(comensais);
    db.Exec(QStringLiteral("UPDATE CARDADIA SET QTCOMESTICAR = ?, QTCLIESTICAR = ?, CDOPERADOR = "
                           "?, DTULTATUACAR = ? WHERE CDFILIAL = ? AND NRCARDAPIO = ?"),
            {total, std::max(0.0, total - day.Funcionarios - day.Doacoes), ctx.Operador, Agora(),
             filial, day.Numero});
    args.SetRef(1, day.Numero);
    return QString();
}

// Deletes one day as the period deletion deletes its days.
QVariant setDeletaCardapio(TCallContext& ctx, TMethodArgs& args) {
    TDatabase& db = ctx.Database();
    const QString filial = Ajusta(args.String(0).trimmed(), 4);
    CheckBranch(db, filial);
    const TNamedDay day = changeableDay(db, filial, args, 1, 2, 3);
    DeleteMenuDays(db, filial, day.Servico, day.Dia, day.Dia, ctx.Operador,
                   rpc::TOperacaoCardapio::Dietas);
    args.SetRef(1, day.Numero);
    return QString();
}

} // namespace

void RegisterMenuDayDinersMethods(TRemoteDataModule& m) {
    m.Register(TMethodDef::Declarado(rpc::metodos::GetCardadia(), getCardadia));
    m.Register(TMethodDef::Declarado(rpc::metodos::getDietaPrescrita(), getDietaPrescrita));
    m.Register(TMethodDef::Declarado(
        rpc::metodos::setAtuComensDiet(), setAtuComensDiet, true,
        {{A::AlterarComEstDia}, QStringLiteral("alterar os comensais do dia"), 0}));
    m.Register(TMethodDef::Declarado(
        rpc::metodos::setDeletaCardapio(), setDeletaCardapio, true,
        {{A::ExcluirCardPeriodo}, QStringLiteral("excluir o cardápio do dia"), 0}));
}

} // namespace pla::server
