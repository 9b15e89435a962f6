// The import of a day's menu from another day of the branch (PLA00109): the services
// and days a planner may take dishes from and one day's dishes by dish type. The
// import itself is in day_import_write.cpp.
#include "day_import.h"

#include "modules.h"

#include "core/dates.h"
#include "core/text_utils.h"
#include "server/db_layer.h"
#include "server/operator_access.h"

namespace pla::server {

using A = rpc::TAutorizacao;

void CheckImportAccess(TCallContext& ctx, const QString& filial) {
    CheckBranch(ctx.Database(), filial);
    const TOperatorAccess& access = ctx.Access();
    if (!access.Permite(A::AcessoFilial) || !access.PodeAlterarFilial(filial)) {
        throw EPlaError(
            QStringLiteral("Operador sem acesso aos cardápios da filial %1.").arg(filial));
    }
}

void CheckNormalService(TDatabase& db, const QString& filial, const QString& servico,
                        const QString& what) {
    if (db.Scalar(QStringLiteral("SELECT COUNT(*) FROM SERVICO WHERE CDFILIAL = ? AND CDSERVFILI "
                                 "= ? AND IDTIPOSERV = 'N'"),
                  {filial, servico})
            .toInt() == 0) {
        throw EPlaError(
            QStringLiteral("%1 %2 não cadastrado na filial %3.").arg(what, servico, filial));
    }
}

std::optional<TSourceDay> SourceDay(TDatabase& db, const QString& filial, const QString& servico,
                                    const QDate& day) {
    TRows d = db.Select(QStringLiteral("SELECT NRCARDAPIO, QTCOMESTICAR, QTESTITURNO1, "
                                       "QTESTITURNO2, QTESTITURNO3, QTESTITURNO4, QTCLIESTICAR, "
                                       "QTFUNESTICAR, QTDOAESTICAR FROM CARDADIA WHERE "
                                       "CDFILIAL = ? AND CDSERVFILI = ? AND DTCARDAPIO = ?"),
                        {filial, servico, DataHora(day)});
    if (!d.Next()) {
        return std::nullopt;
    }
    TSourceDay out;
    out.Number = d.Value(0).toString();
    out.Diners = d.Value(1).toDouble();
    out.Figures.Comensais = out.Diners;
    for (int t = 0; t < 4; ++t) {
        out.Figures.Turnos[t] = d.Value(2 + t).toDouble();
    }
    out.Figures.Clientes = d.Value(6).toDouble();
    out.Figures.Funcionarios = d.Value(7).toDouble();
    out.Figures.Doacoes = d.Value(8).toDouble();
    // Dishes whose position the month lacks come last, by their own dish type.
    TRows q = db.Select(
        QStringLiteral(
            "SELECT M.NRORDCNFMES, C.NRSEQPRATCAR, COALESCE(M.CDTIPOPRAT, P.CDTIPOPRAT), "
            "T.NMTIPOPRAT, C.CDFILAUXPRAT, C.CDPRATO, P.NMPRATO, C.VRPECONSCARD FROM COMPCARD C "
            "JOIN CARDADIA D ON D.CDFILIAL = C.CDFILIAL AND D.NRCARDAPIO = C.NRCARDAPIO JOIN "
            "PRATO P ON P.CDFILAUXPRAT = C.CDFILAUXPRAT AND P.CDPRATO = C.CDPRATO LEFT JOIN "
            "CNFCARDMES M ON M.CDFILIAL = D.CDFILIAL AND M.CDSERVFILI = D.CDSERVFILI AND "
            "M.DTREFECNFMES = D.DTMESCARD AND M.NRSEQCNFMES = C.NRSEQPRATCAR LEFT JOIN TIPOPRAT "
            "T ON T.CDTIPOPRAT = COALESCE(M.CDTIPOPRAT, P.CDTIPOPRAT) WHERE C.CDFILIAL = ? AND "
            "C.NRCARDAPIO = ? ORDER BY CASE WHEN M.NRORDCNFMES IS NULL THEN 1 ELSE 0 END, "
            "M.NRORDCNFMES, C.NRSEQPRATCAR, C.NRORDPRATCAR"),
        {filial, out.Number});
    while (q.Next()) {
        TSourceDish dish;
        dish.Order = q.Value(0).toInt();
        dish.Seq = q.Value(1).toInt();
        dish.Type = q.Value(2).toString().trimmed();
        dish.TypeName = q.Value(3).toString().trimmed();
        dish.Branch = q.Value(4).toString().trimmed();
        dish.Code = q.Value(5).toString().trimmed();
        dish.Name = q.Value(6).toString().trimmed();
        dish.Share = q.Value(7).toDouble();
        out.Dishes.append(dish);
    }
    return out;
}

QList<TTargetPosition> TargetPositions(TDatabase& db, const QString& filial, const QString& servico,
                                       const QDate& month) {
    const auto read = [&](const QString& sql, const QVariantList& params) {
        QList<TTargetPosition> out;
        TRows q = db.Select(sql, params);
        while (q.Next()) {
            out.append({q.Value(0).toInt(), q.Value(1).toInt(), q.Value(2).toString().trimmed()});
        }
        return out;
    };
    QList<TTargetPosition> positions =
        read(QStringLiteral("SELECT NRSEQCNFMES, NRORDCNFMES, CDTIPOPRAT FROM CNFCARDMES WHERE "
                            "CDFILIAL = ? AND CDSERVFILI = ? AND DTREFECNFMES = ? ORDER BY "
                            "NRORDCNFMES, NRSEQCNFMES"),
             {filial, servico, DataHora(PriDiaMes(month))});
    if (positions.isEmpty()) {
        positions = read(QStringLiteral("SELECT NRSEQCNFMES, NRORDCNFMES, CDTIPOPRAT FROM "
                                        "CNFCARDSERV WHERE CDFILIAL = ? AND CDSERVFILI = ? ORDER "
                                        "BY NRORDCNFMES, NRSEQCNFMES"),
                         {filial, servico});
    }
    return positions;
}

TImportArgs TImportArgs::Of(TMethodArgs& args) {
    return {Ajusta(args.String(0).trimmed(), 4), Ajusta(args.String(1).trimmed(), 5),
            args.DateTime(2).date(), Ajusta(args.String(3).trimmed(), 5), args.DateTime(4).date()};
}

void TImportArgs::CheckServices(TDatabase& db) const {
    CheckNormalService(db, Filial, Servico, QStringLiteral("Serviço de origem"));
    CheckNormalService(db, Filial, Destino, QStringLiteral("Serviço de destino"));
}

namespace {

QVariant getServicosImp(TCallContext& ctx, TMethodArgs& args) {
    const QString filial = Ajusta(args.String(0).trimmed(), 4);
    CheckImportAccess(ctx, filial);
    return FromDataPacket(QueryPacket(
        ctx.Database(),
        {{"CDSERVFILI", TFieldType::String, 5, true}, {"NMSERVICO", TFieldType::String, 40, false}},
        QStringLiteral("SELECT CDSERVFILI, NMSERVICO FROM SERVICO "
                       "WHERE CDFILIAL = ? AND IDTIPOSERV = 'N' "
                       "ORDER BY CDSERVFILI"),
        {filial}));
}

// The days of the month that hold at least one dish, with their diners and dishes.
QVariant getDiasOrigem(TCallContext& ctx, TMethodArgs& args) {
    TDatabase& db = ctx.Database();
    const QString filial = Ajusta(args.String(0).trimmed(), 4);
    const QString servico = Ajusta(args.String(1).trimmed(), 5);
    const QDate month = PriDiaMes(args.DateTime(2).date());
    CheckImportAccess(ctx, filial);
    CheckNormalService(db, filial, servico, QStringLiteral("Serviço de origem"));
    return FromDataPacket(QueryPacket(
        db,
        {{"DTCARDAPIO", TFieldType::DateTime, 0, false},
         {"QTCOMESTICAR", TFieldType::Float, 0, false},
         {"QTPRATOS", TFieldType::Integer, 0, false},
         {"DSCARDAPIO", TFieldType::String, 30, false}},
        QStringLiteral("SELECT D.DTCARDAPIO, D.QTCOMESTICAR, COUNT(*), D.DSCARDAPIO FROM CARDADIA "
                       "D JOIN COMPCARD C ON C.CDFILIAL = D.CDFILIAL AND C.NRCARDAPIO = "
                       "D.NRCARDAPIO WHERE D.CDFILIAL = ? AND D.CDSERVFILI = ? AND D.DTCARDAPIO "
                       ">= ? AND D.DTCARDAPIO <= ? GROUP BY D.NRCARDAPIO, D.DTCARDAPIO, "
                       "D.QTCOMESTICAR, D.DSCARDAPIO ORDER BY D.DTCARDAPIO"),
        {filial, servico, DataHora(month), DataHora(UltimoDiaMes(month))}));
}

// The source day's dishes, each said to find a position in the target month ("S")
// or not ("N"), by the rule the import follows.
QVariant getCardDiaOrigem(TCallContext& ctx, TMethodArgs& args) {
    TDatabase& db = ctx.Database();
    const TImportArgs a = TImportArgs::Of(args);
    CheckImportAccess(ctx, a.Filial);
    a.CheckServices(db);
    TDataPacket p;
    p.Fields = {{"NRORDCNFMES", TFieldType::Integer, 0, false},
                {"NRSEQPRATCAR", TFieldType::Integer, 0, false},
                {"CDTIPOPRAT", TFieldType::String, 2, false},
                {"NMTIPOPRAT", TFieldType::String, 35, false},
                {"CDFILAUXPRAT", TFieldType::String, 4, false},
                {"CDPRATO", TFieldType::String, 10, false},
                {"NMPRATO", TFieldType::String, 40, false},
                {"VRPECONSCARD", TFieldType::Float, 0, false},
                {"QTCOMESTICAR", TFieldType::Float, 0, false},
                {"IDDESTINO", TFieldType::String, 1, false}};
    const std::optional<TSourceDay> source = SourceDay(db, a.Filial, a.Servico, a.Dia);
    if (!source) {
        return FromDataPacket(p);
    }
    QSet<QString> types;
    for (const TSourceDish& d : source->Dishes) {
        types.insert(d.Type);
    }
    const TDayImportMatch match = MatchByDishType(
        source->Dishes, TargetPositions(db, a.Filial, a.Destino, a.DiaDestino), types);
    QSet<int> placed;
    for (const TDayImportMatch::TPlacement& m : match.Placed) {
        placed.insert(m.Source);
    }
    for (int i = 0; i < source->Dishes.size(); ++i) {
        const TSourceDish& d = source->Dishes[i];
        TPacketRow r;
        r.Values = {d.Order > 0 ? QVariant(qlonglong(d.Order)) : QVariant(),
                    qlonglong(d.Seq),
                    d.Type,
                    d.TypeName,
                    d.Branch,
                    d.Code,
                    d.Name,
                    d.Share,
                    source->Diners,
                    placed.contains(i) ? QStringLiteral("S") : QStringLiteral("N")};
        p.Rows.append(r);
    }
    return FromDataPacket(p);
}

} // namespace

std::unique_ptr<TRemoteDataModule> MakeImpCardDia() {
    auto m = std::make_unique<TRemoteDataModule>(QStringLiteral("Pla00109.rdmImpCardDia"));
    m->Register(TMethodDef::Declarado(rpc::metodos::GetServicosImp(), getServicosImp));
    m->Register(TMethodDef::Declarado(rpc::metodos::GetDiasOrigem(), getDiasOrigem));
    m->Register(TMethodDef::Declarado(rpc::metodos::GetCardDiaOrigem(), getCardDiaOrigem));
    m->Register(TMethodDef::Declarado(
        rpc::metodos::ImportaCardDia(), ImportaCardDiaMethod, true,
        {{A::ImportarCardDia}, QStringLiteral("importar o cardápio do dia"), 0}));
    return m;
}

} // namespace pla::server
