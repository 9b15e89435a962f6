#include "menu_days.h"
#include "modules.h"

#include "server/operator_access.h"

#include "core/dates.h"
#include "core/packet_encoder.h"
#include "core/text_utils.h"
#include "server/db_layer.h"

namespace pla::server {

// What keeps a month from being planned, as a key of the planning screen's
// catalogue; empty when it may be planned.
QString MonthRefusal(TDatabase& db, const QString& filial, const QString& servico,
                     const QDateTime& month, const QString& operador) {
    TRows b = db.Select(QStringLiteral("SELECT F.IDCNTRRESC, P.IDTIPOCARD, P.CDFILCENTPME FROM "
                                       "FILIAL F LEFT JOIN PARAMPLANEJA P ON P.CDFILIAL = "
                                       "F.CDFILIAL WHERE F.CDFILIAL = ?"),
                        {filial});
    if (!b.Next()) {
        return QStringLiteral("FILI_NAO_CAD");
    }
    if (b.Value(0).toString() == QLatin1String("S")) {
        return QStringLiteral("FILI_RESC");
    }
    const QString menuType = b.Value(1).isNull() ? QStringLiteral("N") : b.Value(1).toString();
    const QString central = b.Value(2).toString().trimmed();
    TRows s = db.Select(QStringLiteral("SELECT S.IDCARDDESCENTR, G.IDPARAMETRIZADO FROM SERVICO "
                                       "S LEFT JOIN GRUPSERV G ON G.CDGRUPSERV = S.CDGRUPSERV "
                                       "WHERE S.CDFILIAL = ? AND S.CDSERVFILI = ? AND "
                                       "S.IDTIPOSERV = 'N'"),
                        {filial, servico});
    if (!s.Next()) {
        return QStringLiteral("SERV_NAO_CAD");
    }
    const bool groupMenu =
        s.Value(0).toString() == QLatin1String("S") && s.Value(1).toString() == QLatin1String("S");

    // A month wholly before the first changeable day can only be read: without days
    // there is nothing to open.
    const QDate lastDay = UltimoDiaMes(month.date());
    if (lastDay < FirstChangeableDay(db, filial) &&
        db.Scalar(QStringLiteral("SELECT COUNT(*) FROM CARDADIA WHERE CDFILIAL = ? AND "
                                 "CDSERVFILI = ? AND DTMESCARD = ?"),
                  {filial, servico, month})
                .toInt() == 0) {
        return QStringLiteral("N_HA_CARD");
    }
    const auto has = [&db](const QString& sql, const QVariantList& p) {
        return db.Scalar(sql, p).toInt() > 0;
    };
    if (!has(QStringLiteral("SELECT COUNT(*) FROM CNFCARDMES WHERE CDFILIAL = ? AND CDSERVFILI = "
                            "? AND DTREFECNFMES = ?"),
             {filial, servico, month}) &&
        !has(QStringLiteral("SELECT COUNT(*) FROM CNFCARDSERV WHERE CDFILIAL = ? AND CDSERVFILI "
                            "= ?"),
             {filial, servico})) {
        return QStringLiteral("NOT_CONFCARD");
    }
    if (db.Scalar(QStringLiteral("SELECT VRCUSTPADR FROM CUSTOSERVMES WHERE CDFILIAL = ? AND "
                                 "CDSERVFILI = ? AND DTMESCUST = ?"),
                  {filial, servico, month})
            .toDouble() <= 0) {
        return QStringLiteral("CUSTPADR");
    }
    // The month's planned cost counts what each diner consumes besides the dishes.
    if (!has(QStringLiteral("SELECT COUNT(*) FROM CONSSERV WHERE CDFILIAL = ? AND CDSERVFILI = ?"),
             {filial, servico})) {
        return QStringLiteral("CONSSERV");
    }
    // Branch operators work on central menus only once the central side released the
    // month; the head office and group operators write them.
    const QString kind =
        db.Scalar(QStringLiteral("SELECT IDTIPOOPER FROM OPERADOR WHERE CDOPERADOR = ?"),
                  {operador})
            .toString();
    if (kind == QLatin1String("F")) {
        const QString released =
            QStringLiteral("SELECT COUNT(*) FROM LIBCARDMES WHERE CDFILIAL = ? AND DTMESCARD = ?");
        if (menuType == QLatin1String("S") && !central.isEmpty() &&
            !has(released, {central, month})) {
            return QStringLiteral("CARD_N_LIB_MATRIZ");
        }
        if (menuType == QLatin1String("D") && groupMenu && !has(released, {filial, month})) {
            return QStringLiteral("CARD_CENT_N_LIB");
        }
    }
    return {};
}

namespace {

QDateTime monthOf(const QVariant& v) {
    const QDateTime d = v.toDateTime();
    if (!d.isValid()) {
        throw EPlaError(QStringLiteral("Mês de referência do cardápio deve ser informado."));
    }
    return DataHora(PriDiaMes(d.date()));
}

// The months of a service (of every service of the branch when none is given) that
// have day menus; the text column is left for the screen to format.
QVariant getMesCard(TCallContext& ctx, TMethodArgs& args) {
    TDatabase& db = ctx.Database();
    const QString filial = Ajusta(args.String(0).trimmed(), 4);
    const QString servico = args.String(1).trimmed();
    QString sql;
    QVariantList params;
    if (servico.isEmpty()) {
        sql = QStringLiteral("SELECT DISTINCT '' AS DTMESCARD, DTMESCARD AS DTORDENA FROM "
                             "CARDADIA WHERE CDFILIAL = ? ORDER BY 2");
        params = {filial};
    } else {
        // From month to month in the service's index, one search each: five years of days
        // are sixty searches, not the 1,800 entries a DISTINCT walks.
        const QString code = Ajusta(servico, 5);
        sql = QStringLiteral(
            "WITH RECURSIVE M (DTMESCARD) AS (SELECT MIN(DTMESCARD) FROM CARDADIA WHERE "
            "CDFILIAL = ? AND CDSERVFILI = ? UNION ALL SELECT (SELECT MIN(C.DTMESCARD) FROM "
            "CARDADIA C WHERE C.CDFILIAL = ? AND C.CDSERVFILI = ? AND C.DTMESCARD > "
            "M.DTMESCARD) FROM M WHERE M.DTMESCARD IS NOT NULL) SELECT '' AS DTMESCARD, "
            "DTMESCARD AS DTORDENA FROM M WHERE DTMESCARD IS NOT NULL ORDER BY 2");
        params = {filial, code, filial, code};
    }
    return QVariant::fromValue(
        EncodedQueryPacket(db, {{{"DTMESCARD", TFieldType::String, 18, false},
                                 {"DTORDENA", TFieldType::DateTime, 0, false}},
                                sql,
                                params}));
}

QVariant getDtReferencia(TCallContext& ctx, TMethodArgs& args) {
    TDatabase& db = ctx.Database();
    const QString filial = Ajusta(args.String(0).trimmed(), 4);
    const QVariant when = args.Value(1);
    QVariantList params{filial, when.toDateTime().isValid() ? QVariant(monthOf(when)) : QVariant()};
    return FromDataPacket(
        QueryPacket(db, {{"DTBASCONCUSPLAN", TFieldType::DateTime, 0, false}},
                    QStringLiteral("SELECT DTBASCONCUSPLAN FROM BASECUSTMES WHERE CDFILIAL = ? "
                                   "AND DTMESCUST = ?"),
                    params));
}

// Prepares a month for elaboration: checks that it can be planned and gives it its
// dish-position configuration and scenario when it has none. The answer is the
// refusal key (or empty) and the general parameters the monthly screen reads.
QVariant geraCardapio(TCallContext& ctx, TMethodArgs& args) {
    TDatabase& db = ctx.Database();
    const QString filial = Ajusta(args.String(0).trimmed(), 4);
    const QString servico = Ajusta(args.String(2).trimmed(), 5);
    const QDateTime month = monthOf(args.Value(3));
    qint64 montagem = args.Value(1).isNull() ? -1 : args.Integer(1);
    const bool moduloPorFilial = args.Boolean(5);
    args.SetRef(0, filial);
    args.SetRef(2, servico);
    args.SetRef(3, month);

    const TDataPacket general =
        QueryPacket(db,
                    {{"IDUTILDTPROC", TFieldType::String, 1, false},
                     {"IDPERCOMENSPRAT", TFieldType::String, 1, false}},
                    QStringLiteral("SELECT IDUTILDTPROC, IDPERCOMENSPRAT FROM PARAMGERAL"));
    // Working per branch, another branch's months are not opened at all; otherwise an
    // operator who may not change the branch opens them as they are, to read.
    const TOperatorAccess& access = ctx.Access();
    const bool mayChange =
        access.PodeAlterarFilial(filial, moduloPorFilial) && access.PodeMudarCardapio();
    if (moduloPorFilial && !access.PodeAlterarFilial(filial, true)) {
        // Not a key of the screen's catalogue: the text is shown as it is.
        return QVariantList{
            QStringLiteral("Operador sem acesso aos cardápios da filial %1.").arg(filial),
            FromDataPacket(general)};
    }
    if (montagem != 0 && montagem != 1) {
        // No choice made: the branch's parameter decides.
        montagem = db.Scalar(QStringLiteral("SELECT IDPERCCOME FROM PARAMPLANEJA WHERE "
                                            "CDFILIAL = ?"),
                             {filial})
                               .toString() == QLatin1String("P")
                       ? 1
                       : 0;
    }
    args.SetRef(1, montagem);

    const QString refusal = MonthRefusal(db, filial, servico, month, ctx.Operador);
    if (refusal.isEmpty() && mayChange) {
        EnsureMonthConfiguration(db, filial, servico, month.date());
        if (db.Scalar(QStringLiteral("SELECT COUNT(*) FROM CARDAMES WHERE CDFILIAL = ? AND "
                                     "CDSERVFILI = ? AND DTMESCARD = ?"),
                      {filial, servico, month})
                .toInt() == 0) {
            db.Exec(QStringLiteral("INSERT INTO CARDAMES (CDFILIAL, CDSERVFILI, DTMESCARD, "
                                   "NRCENARIOCARD) VALUES (?, ?, ?, 1)"),
                    {filial, servico, month});
        }
    }
    return QVariantList{refusal, FromDataPacket(general)};
}

} // namespace

void RegisterMenuMonthMethods(TRemoteDataModule& m) {
    m.Register(TMethodDef::Declarado(rpc::metodos::GetMesCard(), getMesCard));
    m.Register(TMethodDef::Declarado(rpc::metodos::GetDtReferencia(), getDtReferencia));
    m.Register(TMethodDef::Declarado(rpc::metodos::Gera_Cardapio(), geraCardapio, true,
                                     {.SelfChecked = true}));
}

} // namespace pla::server
