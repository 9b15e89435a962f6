// The price lists of a branch's purchasing central and the products' costs they update
// (module "CMP02500.rdmProdCmpFilial"): a list's prices become the central's costs of
// the cost types a price list sets, from the list's first day of validity, once.
#include "modules.h"

#include "core/clock.h"
#include "core/dates.h"
#include "core/text_utils.h"
#include "server/db_layer.h"
#include "server/operator_access.h"

#include <algorithm>

namespace pla::server {

namespace {

using A = rpc::TAutorizacao;

// The branch whose purchases serve a branch: its purchasing central, or the branch
// itself when it has none.
QString centralDeCompras(TDatabase& db, const QString& filial) {
    const QVariant central = db.Scalar(
        QStringLiteral("SELECT COALESCE(CDFILCENTCMP, CDFILIAL) FROM FILIAL WHERE CDFILIAL = ?"),
        {filial});
    if (central.isNull()) {
        throw EPlaError(QStringLiteral("Filial %1 não cadastrada.").arg(filial));
    }
    return central.toString().trimmed();
}

QString diaTexto(const QDate& day) {
    return FormatDateTime(QStringLiteral("dd/mm/yyyy"), day);
}

// A list is offered, and may be applied, while its validity has not ended by the
// branch's processing date: the list in force and those to come.
QVariant getPrevLista(TCallContext& ctx, TMethodArgs& args) {
    TDatabase& db = ctx.Database();
    const QString filial = Ajusta(args.String(0).trimmed(), 4);
    const QDate processamento = args.DateTime(1).date();
    const QString central = centralDeCompras(db, filial);
    if (!ctx.Access().PodeAlterarFilial(filial)) {
        throw EPlaError(QStringLiteral("Operador sem acesso aos custos da filial %1.").arg(filial));
    }
    TDataPacket p = QueryPacket(
        db,
        {{"CDFILIAL", TFieldType::String, 4, false},
         {"NRSEQPRELIST", TFieldType::String, 10, false},
         {"DSPREVLIST", TFieldType::String, 50, false},
         {"DTINIVALLIST", TFieldType::DateTime, 0, false},
         {"DTFINVALLIST", TFieldType::DateTime, 0, false},
         {"IDATUCUSLIST", TFieldType::String, 1, false}},
        QStringLiteral("SELECT CDFILIAL, NRSEQPRELIST, DSPREVLIST, DTINIVALLIST, DTFINVALLIST, "
                       "IDATUCUSLIST FROM LISTAPRECO WHERE CDFILIAL = ? AND DTFINVALLIST >= ? "
                       "ORDER BY NRSEQPRELIST DESC"),
        {central, DataHora(processamento)});
    // Unmarked, for the list lookup to mark.
    p.Fields.prepend({"IDMARCADO", TFieldType::String, 1, false});
    for (TPacketRow& r : p.Rows) {
        r.Values.prepend(QStringLiteral("N"));
    }
    return FromDataPacket(p);
}

struct TListaEscolhida {
    QString Numero;
    QDate Inicio;
    QDate Fim;
    bool Aplicada = false;
};

// "0000202603;202604" as the list lookup joins the chosen numbers: each trimmed and
// padded, empty pieces and repetitions left out.
QStringList numerosEscolhidos(const QString& listas) {
    QStringList out;
    for (const QString& piece : listas.split(QLatin1Char(';'))) {
        const QString n = piece.trimmed();
        if (!n.isEmpty() && !out.contains(Ajusta(n, 10))) {
            out.append(Ajusta(n, 10));
        }
    }
    return out;
}

QVariant atuCustoListPr(TCallContext& ctx, TMethodArgs& args) {
    TDatabase& db = ctx.Database();
    const QString central = Ajusta(args.String(0).trimmed(), 4);
    const QString filial = Ajusta(args.String(2).trimmed(), 4);
    const QString devida = centralDeCompras(db, filial);
    if (central != devida) {
        throw EPlaError(
            QStringLiteral("A filial %1 não é a central de compras da filial %2 (a central é %3).")
                .arg(central, filial, devida));
    }
    // The central's prices serve every branch it buys for: its own access is needed too.
    if (!ctx.Access().PodeAlterarFilial(central)) {
        throw EPlaError(QStringLiteral("Operador sem acesso aos custos da central de compras %1.")
                            .arg(central));
    }
    const QStringList numeros = numerosEscolhidos(args.String(1));
    if (numeros.isEmpty()) {
        throw EPlaError(QStringLiteral("Nenhuma lista de preços foi escolhida."));
    }
    const QDate processamento =
        TDatabase::FromSql(TFieldType::DateTime,
                           db.Scalar(QStringLiteral("SELECT DTPROCESSA FROM FILIAL WHERE "
                                                    "CDFILIAL = ?"),
                                     {filial}))
            .toDateTime()
            .date();
    QList<TListaEscolhida> listas;
    for (const QString& numero : numeros) {
        TRows q = db.Select(QStringLiteral("SELECT DTINIVALLIST, DTFINVALLIST, IDATUCUSLIST FROM "
                                           "LISTAPRECO WHERE CDFILIAL = ? AND NRSEQPRELIST = ?"),
                            {central, numero});
        if (!q.Next()) {
            throw EPlaError(
                QStringLiteral("Lista de preços %1 não cadastrada na central de compras %2.")
                    .arg(numero, central));
        }
        TListaEscolhida l{numero,
                          TDatabase::FromSql(TFieldType::DateTime, q.Value(0)).toDateTime().date(),
                          TDatabase::FromSql(TFieldType::DateTime, q.Value(1)).toDateTime().date(),
                          q.Value(2).toString().trimmed() != QLatin1String("S")};
        if (l.Fim < processamento) {
            throw EPlaError(
                QStringLiteral("A lista de preços %1 venceu em %2.").arg(numero, diaTexto(l.Fim)));
        }
        listas.append(l);
    }
    QList<TListaEscolhida> pendentes;
    QStringList aplicadas;
    for (const TListaEscolhida& l : listas) {
        if (l.Aplicada) {
            aplicadas.append(l.Numero);
        } else {
            pendentes.append(l);
        }
    }
    if (pendentes.isEmpty()) {
        throw EPlaError(aplicadas.size() == 1
                            ? QStringLiteral("A lista de preços %1 já atualizou o custo: nada foi "
                                             "alterado.")
                                  .arg(aplicadas.first())
                            : QStringLiteral("As listas de preços %1 já atualizaram o custo: nada "
                                             "foi alterado.")
                                  .arg(aplicadas.join(QStringLiteral(", "))));
    }
    // Lists of the same first day: the later number's price stands.
    std::sort(pendentes.begin(), pendentes.end(),
              [](const TListaEscolhida& a, const TListaEscolhida& b) {
                  return a.Inicio != b.Inicio ? a.Inicio < b.Inicio : a.Numero < b.Numero;
              });
    QList<int> tipos;
    for (const int tipo : rpc::TiposCustoListaPreco) {
        if (db.Scalar(QStringLiteral("SELECT COUNT(*) FROM TIPOCUSTO WHERE NRTIPOCUSTO = ?"),
                      {tipo})
                .toInt() > 0) {
            tipos.append(tipo);
        }
    }
    if (tipos.isEmpty()) {
        throw EPlaError(QStringLiteral("Nenhum dos tipos de custo que a lista de preços atualiza "
                                       "(6, 10 e 48) está cadastrado: nada foi alterado."));
    }
    qint64 custos = 0;
    for (const TListaEscolhida& l : pendentes) {
        // Claimed before its prices are written: of two updates at once, the second finds
        // the list taken and undoes everything it did.
        if (db.ExecCount(QStringLiteral("UPDATE LISTAPRECO SET IDATUCUSLIST = 'N', CDOPERATUCUS = "
                                        "?, DTATUCUSLIST = ? WHERE CDFILIAL = ? AND NRSEQPRELIST = "
                                        "? AND IDATUCUSLIST = 'S'"),
                         {ctx.Operador, Agora(), central, l.Numero}) == 0) {
            throw EPlaError(QStringLiteral("A lista de preços %1 já atualizou o custo: nada foi "
                                           "alterado.")
                                .arg(l.Numero));
        }
        QList<std::pair<QString, double>> itens;
        TRows q = db.Select(QStringLiteral("SELECT CDPRODUTO, VRPRECO FROM ITEMLISTAPRECO WHERE "
                                           "CDFILIAL = ? AND NRSEQPRELIST = ? ORDER BY "
                                           "CDPRODUTO"),
                            {central, l.Numero});
        while (q.Next()) {
            itens.append({q.Value(0).toString(), q.Value(1).toDouble()});
        }
        const QDateTime inicio = DataHora(l.Inicio);
        for (const auto& [produto, preco] : itens) {
            for (const int tipo : tipos) {
                if (db.ExecCount(QStringLiteral("UPDATE CUSTOPROD SET VRCUSTUNIT = ? WHERE "
                                                "CDFILIAL = ? AND NRTIPOCUSTO = ? AND CDPRODUTO = "
                                                "? AND DTVIGENCIA = ?"),
                                 {preco, central, tipo, produto, inicio}) == 0) {
                    db.Exec(QStringLiteral("INSERT INTO CUSTOPROD (CDFILIAL, CDPRODUTO, "
                                           "NRTIPOCUSTO, DTVIGENCIA, VRCUSTUNIT) VALUES (?, ?, ?, "
                                           "?, ?)"),
                            {central, produto, tipo, inicio, preco});
                }
                ++custos;
            }
        }
    }
    QVariantList out(int(rpc::TElemAtuCustoLista::Quantidade));
    out[int(rpc::TElemAtuCustoLista::Listas)] = qlonglong(pendentes.size());
    out[int(rpc::TElemAtuCustoLista::Custos)] = custos;
    return out;
}

} // namespace

void RegisterPriceListMethods(TRemoteDataModule& m) {
    m.Register(TMethodDef::Declarado(rpc::metodos::GetPrevLista(), getPrevLista));
    // Whoever may set what the month's costs are valued at may bring a price list in;
    // the branch is the one whose purchasing central is written.
    m.Register(TMethodDef::Declarado(
        rpc::metodos::Atu_Custo_ListPr(), atuCustoListPr, true,
        {{A::AtualizarDataRef}, QStringLiteral("atualizar o custo pela lista de preços"), 2}));
}

} // namespace pla::server
