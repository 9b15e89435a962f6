// The export of a period's menu (PLA00133): the origin read once, each destination's
// situation, and the list of destinations. The export itself is in
// menu_export_write.cpp.
#include "menu_export.h"

#include "menu_days.h"
#include "modules.h"

#include "core/dates.h"
#include "core/text_utils.h"
#include "server/db_layer.h"
#include "server/operator_access.h"

namespace pla::server {

namespace sit = rpc::situacao_exportacao;

TExportOrigin TExportOrigin::Read(TDatabase& db, const TExportPeriod& period,
                                  const QString& servico) {
    TExportOrigin out;
    out.Servico = servico;
    out.Tipo = db.Scalar(QStringLiteral("SELECT IDTIPOSERV FROM SERVICO WHERE CDFILIAL = ? AND "
                                        "CDSERVFILI = ?"),
                         {period.Filial, servico})
                   .toString();
    TRows q = db.Select(QStringLiteral("SELECT DISTINCT D.DTCARDAPIO FROM CARDADIA D JOIN "
                                       "COMPCARD C ON C.CDFILIAL = D.CDFILIAL AND C.NRCARDAPIO "
                                       "= D.NRCARDAPIO WHERE D.CDFILIAL = ? AND D.CDSERVFILI = ? "
                                       "AND D.DTCARDAPIO >= ? AND D.DTCARDAPIO <= ? ORDER BY 1"),
                        {period.Filial, servico, DataHora(period.Inicio), DataHora(period.Fim)});
    QList<QDate> days;
    while (q.Next()) {
        days << TDatabase::FromSql(TFieldType::DateTime, q.Value(0)).toDateTime().date();
    }
    QSet<QString> dishes;
    for (const QDate& day : days) {
        std::optional<TSourceDay> d = SourceDay(db, period.Filial, servico, day);
        for (const TSourceDish& dish : d->Dishes) {
            out.Types.insert(dish.Type);
            dishes.insert(Key(dish));
        }
        out.Days.insert(day, *d);
    }
    // The same rules as placing a dish on the monthly screen: a recipe not revised, or
    // an inactive product in it, keeps the dish out.
    for (const QString& key : dishes) {
        const QString branch = key.section(QLatin1Char('/'), 0, 0);
        const QString code = key.section(QLatin1Char('/'), 1);
        if (db.Scalar(QStringLiteral("SELECT IDRECEREVI FROM PRATO WHERE CDFILAUXPRAT = ? AND "
                                     "CDPRATO = ?"),
                      {branch, code})
                .toString() != QLatin1String("S")) {
            out.Unrevised.insert(key);
        }
        if (db.Scalar(QStringLiteral("SELECT COUNT(*) FROM RECEITA R JOIN PRODUTO P ON "
                                     "P.CDPRODUTO = R.CDPRODUTO WHERE R.CDFILAUXPRAT = ? AND "
                                     "R.CDPRATO = ? AND P.IDATIVO = 'N'"),
                      {branch, code})
                .toInt() > 0) {
            out.Inactive.insert(key);
        }
    }
    if (db.Scalar(QStringLiteral("SELECT IDCARDIAUTIL FROM PARAMPLANEJA WHERE CDFILIAL = ?"),
                  {period.Filial})
            .toString() == QLatin1String("S")) {
        const QHash<QDate, QString> holidays = BranchHolidays(db, period.Filial, period.Inicio);
        for (const QDate& day : days) {
            if (holidays.contains(day)) {
                out.NonWorkingDays.insert(day);
            }
        }
    }
    return out;
}

QString TExportSituation::KeyList() const {
    QString out;
    for (const QString& k : Keys) {
        out += k + QLatin1Char(';');
    }
    return out;
}

TExportJudge::TExportJudge(TCallContext& ctx, const TExportPeriod& period,
                           const TExportOrigin& origin)
    : db_(ctx.Database())
    , period_(period)
    , origin_(origin)
    , operador_(ctx.Operador) {
    const TOperatorAccess& access = ctx.Access();
    readOnly_ =
        !access.PodeMudarCardapio() || !access.PodeAlterarFilial(period.Filial, period.PorFilial);
    beforeLimit_ = period.Inicio < FirstChangeableDay(db_, period.Filial);
}

// Blocked: what may change later (the days, the operator's rights, a central menu not
// released yet). Error: what the destination lacks to take this menu at all. Warning:
// what the export will do differently from a plain copy.
TExportSituation TExportJudge::Of(const QString& servico, const QString& tipoServ) const {
    QStringList blocked;
    QStringList errors;
    QStringList warnings;
    if (readOnly_) {
        blocked << QStringLiteral("CARD_SOMENTE_LEITURA");
    }
    if (beforeLimit_) {
        blocked << QStringLiteral("DTATUAL>DTLIMITE");
    }
    const QDate month = PriDiaMes(period_.Inicio);
    if (tipoServ != origin_.Tipo) {
        errors << QStringLiteral("SERV_OUTRO_TIPO");
    } else {
        const QString refusal =
            MonthRefusal(db_, period_.Filial, servico, DataHora(month), operador_);
        if (refusal == QLatin1String("N_HA_CARD") ||
            refusal == QLatin1String("CARD_N_LIB_MATRIZ") ||
            refusal == QLatin1String("CARD_CENT_N_LIB")) {
            blocked << refusal;
        } else if (refusal == QLatin1String("SERV_NAO_CAD")) {
            errors << QStringLiteral("SERV_OUTRO_TIPO");
        } else if (!refusal.isEmpty()) {
            errors << refusal;
        }
    }
    if (errors.isEmpty()) {
        QSet<QString> positioned;
        for (const TTargetPosition& p : TargetPositions(db_, period_.Filial, servico, month)) {
            positioned.insert(p.Type);
        }
        const QSet<QString> covered = QSet<QString>(origin_.Types).intersect(positioned);
        if (covered.isEmpty() && !origin_.Types.isEmpty()) {
            errors << QStringLiteral("TIPOPRAT_N_CONF");
        } else if (covered.size() < origin_.Types.size()) {
            warnings << QStringLiteral("TIPOPRAT_FALTA");
        }
    }
    if (ActiveCycle(db_, period_.Filial, servico, month)) {
        warnings << QStringLiteral("HA_CICLO");
    }
    if (db_.Scalar(QStringLiteral("SELECT COUNT(*) FROM CARDADIA D WHERE D.CDFILIAL = ? AND "
                                  "D.CDSERVFILI = ? AND D.DTCARDAPIO >= ? AND D.DTCARDAPIO <= ? "
                                  "AND EXISTS (SELECT 1 FROM COMPCARD C WHERE C.CDFILIAL = "
                                  "D.CDFILIAL AND C.NRCARDAPIO = D.NRCARDAPIO)"),
                   {period_.Filial, servico, DataHora(period_.Inicio), DataHora(period_.Fim)})
            .toInt() > 0) {
        warnings << QStringLiteral("DIAS_COM_PRATOS");
    }
    if (!origin_.NonWorkingDays.isEmpty()) {
        warnings << QStringLiteral("FERIADO_PERIODO");
    }
    if (!origin_.Unrevised.isEmpty()) {
        warnings << QStringLiteral("PRATO_REC_N_REV");
    }
    if (!origin_.Inactive.isEmpty()) {
        warnings << QStringLiteral("PRATO_PROD_INAT");
    }
    TExportSituation out;
    out.Situation = !blocked.isEmpty()    ? sit::Bloqueado
                    : !errors.isEmpty()   ? sit::Erro
                    : !warnings.isEmpty() ? sit::Alerta
                                          : sit::Ok;
    out.Keys = blocked + errors + warnings;
    out.Deciding = int(!blocked.isEmpty()  ? blocked.size()
                       : !errors.isEmpty() ? errors.size()
                                           : warnings.size());
    return out;
}

namespace {

// The branch's services other than the origin (of one group, or of all with "T"), each
// with its situation for exporting the origin's menu of the period.
QVariant getServicosExport(TCallContext& ctx, TMethodArgs& args) {
    TDatabase& db = ctx.Database();
    TExportPeriod period;
    period.Filial = Ajusta(args.String(0).trimmed(), 4);
    period.Inicio = args.DateTime(1).date();
    period.Fim = args.DateTime(2).date();
    period.PorFilial = args.Boolean(3);
    const QString grupo = args.String(5).trimmed();
    const QString origem = Ajusta(args.String(6).trimmed(), 5);
    CheckBranch(db, period.Filial);
    if (!period.Inicio.isValid() || !period.Fim.isValid() || period.Fim < period.Inicio ||
        PriDiaMes(period.Inicio) != PriDiaMes(period.Fim)) {
        throw EPlaError(QStringLiteral("Informe um período dentro de um mês."));
    }
    CheckNormalService(db, period.Filial, origem, QStringLiteral("Serviço de origem"));
    const TExportOrigin origin = TExportOrigin::Read(db, period, origem);
    const TExportJudge judge(ctx, period, origin);
    QString sql = QStringLiteral("SELECT CDSERVFILI, NMSERVICO, CDGRUPSERV, IDTIPOSERV FROM "
                                 "SERVICO WHERE CDFILIAL = ? AND CDSERVFILI <> ?");
    QVariantList params{period.Filial, origem};
    if (grupo != QLatin1String("T") && !grupo.isEmpty()) {
        sql += QStringLiteral(" AND CDGRUPSERV = ?");
        params << grupo;
    }
    TRows q = db.Select(sql + QStringLiteral(" ORDER BY CDSERVFILI"), params);
    TDataPacket p;
    p.Fields = {{"IDMARCADO", TFieldType::String, 1, false},
                {"CDFILIAL", TFieldType::String, 4, true},
                {"CDSERVFILI", TFieldType::String, 5, true},
                {"NMSERVICO", TFieldType::String, 40, false},
                {"CDGRUPSERV", TFieldType::String, 4, false},
                {"IDSITSERV", TFieldType::String, 1, false},
                {"DSMENSERRROS", TFieldType::String, 4000, false}};
    // Read whole before judging: the judge's statements on the same connection would
    // discard the rest of this result on PostgreSQL.
    QList<QStringList> services;
    while (q.Next()) {
        services.append({q.Value(0).toString(), q.Value(1).toString(), q.Value(2).toString(),
                         q.Value(3).toString()});
    }
    for (const QStringList& service : services) {
        const TExportSituation s = judge.Of(service[0], service[3]);
        TPacketRow r;
        r.Values = {QStringLiteral("N"),         period.Filial, service[0], service[1], service[2],
                    QString(QChar(s.Situation)), s.KeyList()};
        p.Rows.append(r);
    }
    return FromDataPacket(p);
}

} // namespace

void RegisterMenuExportMethods(TRemoteDataModule& m) {
    m.Register(TMethodDef::Declarado(rpc::metodos::GetServicosExport(), getServicosExport));
    // Not one transaction: each destination is written in its own, so that one that
    // fails leaves the others exported. The method checks the operator itself.
    m.Register(TMethodDef::Declarado(rpc::metodos::ExportarCardapio(), ExportarCardapioMethod));
}

} // namespace pla::server
