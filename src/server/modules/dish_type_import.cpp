// A month's dish types brought from another month or service of the branch (PLA00121).
// Each position of the origin meets the month's position of the same order: it becomes a
// new position, gives that position its dish type and flags, or is there already; the
// month's positions the origin has not may go. What the import writes goes through the
// month's configuration rules (menu_config.h): a position holding dishes on days that
// can no longer change keeps its meaning, and dishes are lost only where the planner
// agreed. All in one transaction.
#include "menu_config.h"
#include "menu_days.h"
#include "modules.h"

#include "core/dates.h"
#include "core/text_utils.h"
#include "server/db_layer.h"

#include <QHash>
#include <QMap>
#include <QSet>
#include <algorithm>

namespace pla::server {

namespace {

using A = rpc::TAutorizacao;
using TAcao = rpc::TAcaoTipoPrat;

QString mesTexto(const QDate& month) {
    return FormatDateTime(QStringLiteral("mm/yyyy"), month);
}

// One line of the import: the origin's position and the month's of the same order.
struct TLinha {
    TAcao Acao = TAcao::Nova;
    int Ordem = 0;
    std::optional<TPosicaoMes> Origem;  // none: a position only the month has
    std::optional<TPosicaoMes> Destino; // none: a new position
    int DiasComPratos = 0;
    int DiasBloqueados = 0;
    bool PerdePratos = false;
    QString Recusa; // why it cannot be chosen; empty when it can

    // The month's position as the line would leave it.
    TPosicaoMes Depois() const {
        TPosicaoMes p = Destino ? *Destino : TPosicaoMes{};
        p.Ordem = Ordem;
        p.Tipo = Origem->Tipo;
        p.NomeTipo = Origem->NomeTipo;
        p.Opcional = Origem->Opcional;
        p.Contada = Origem->Contada;
        p.Impressa = Origem->Impressa;
        return p;
    }
};

struct TPlano {
    QList<TPosicaoMes> Atuais; // the month's, or the service's standing ones
    QString Origem;            // where those come from (rpc::ConfigDoMes ...)
    QDate PrimeiroAlteravel;
    QList<TLinha> Linhas; // in order
};

struct TPedido {
    QString Filial;
    QString Servico;
    QDate Mes;
    QString ServicoOrigem;
    QDate MesOrigem;
};

TPedido pedido(TDatabase& db, TMethodArgs& args) {
    TPedido p{Ajusta(args.String(0).trimmed(), 4), Ajusta(args.String(1).trimmed(), 5),
              PriDiaMes(args.DateTime(2).date()), Ajusta(args.String(3).trimmed(), 5),
              PriDiaMes(args.DateTime(4).date())};
    CheckService(db, p.Filial, p.Servico);
    if (args.String(3).trimmed().isEmpty() || !p.MesOrigem.isValid()) {
        throw EPlaError(QStringLiteral("Informe o serviço e o mês de onde vêm os tipos de prato."));
    }
    CheckService(db, p.Filial, p.ServicoOrigem);
    if (p.ServicoOrigem == p.Servico && p.MesOrigem == p.Mes) {
        throw EPlaError(QStringLiteral("Os tipos de prato vêm de outro mês ou de outro serviço: "
                                       "escolha uma origem diferente do próprio cardápio."));
    }
    if (db.Scalar(QStringLiteral("SELECT IDTIPOCARD FROM PARAMPLANEJA WHERE CDFILIAL = ?"),
                  {p.Filial})
            .toString() == QLatin1String("S")) {
        throw EPlaError(QStringLiteral("Os cardápios da filial %1 seguem os da matriz: seus tipos "
                                       "de prato não são importados.")
                            .arg(p.Filial));
    }
    return p;
}

TPlano plano(TDatabase& db, const TPedido& p) {
    const QList<TPosicaoMes> origem = PosicoesDoMes(db, p.Filial, p.ServicoOrigem, p.MesOrigem);
    if (origem.isEmpty()) {
        throw EPlaError(QStringLiteral("O serviço %1 não tem configuração de cardápio em %2.")
                            .arg(p.ServicoOrigem, mesTexto(p.MesOrigem)));
    }
    TPlano out;
    out.Atuais = PosicoesDoMes(db, p.Filial, p.Servico, p.Mes);
    out.Origem = QString(QLatin1Char(rpc::ConfigDoMes));
    if (out.Atuais.isEmpty()) {
        out.Atuais = PosicoesDoMes(db, p.Filial, p.Servico, std::nullopt);
        out.Origem = out.Atuais.isEmpty() ? QString() : QString(QLatin1Char(rpc::ConfigDoServico));
    }
    out.PrimeiroAlteravel = FirstChangeableDay(db, p.Filial);
    const QHash<int, QList<TDiaComPrato>> dias = DiasComPratos(db, p.Filial, p.Servico, p.Mes);
    QMap<int, TPosicaoMes> porOrdem;
    for (const TPosicaoMes& a : out.Atuais) {
        porOrdem.insert(a.Ordem, a);
    }
    // Judged as the configuration judges a change of the position.
    const auto julga = [&](TLinha& l, const TPosicaoMes* depois) {
        const QList<TDiaComPrato> held = dias.value(l.Destino->Seq);
        l.DiasComPratos = int(held.size());
        l.DiasBloqueados = int(std::count_if(held.begin(), held.end(), [&](const TDiaComPrato& d) {
            return d.Dia < out.PrimeiroAlteravel;
        }));
        l.Recusa = RecusaPorDiasBloqueados(*l.Destino, depois, held, out.PrimeiroAlteravel);
        l.PerdePratos = PerdePratos(*l.Destino, depois, held);
    };
    QSet<int> ordens;
    for (const TPosicaoMes& o : origem) {
        TLinha l;
        l.Ordem = o.Ordem;
        l.Origem = o;
        ordens.insert(o.Ordem);
        const auto d = porOrdem.constFind(o.Ordem);
        if (d == porOrdem.constEnd()) {
            l.Acao = TAcao::Nova;
        } else {
            l.Destino = *d;
            const TPosicaoMes depois = l.Depois();
            l.Acao = d->Igual(depois) ? TAcao::Igual : TAcao::Altera;
            julga(l, &depois);
        }
        out.Linhas.append(l);
    }
    for (const TPosicaoMes& a : out.Atuais) {
        if (ordens.contains(a.Ordem)) {
            continue;
        }
        TLinha l;
        l.Acao = TAcao::Remove;
        l.Ordem = a.Ordem;
        l.Destino = a;
        julga(l, nullptr);
        out.Linhas.append(l);
    }
    std::stable_sort(out.Linhas.begin(), out.Linhas.end(),
                     [](const TLinha& a, const TLinha& b) { return a.Ordem < b.Ordem; });
    return out;
}

// The orders in "10;20", each once.
QList<int> ordensDe(const QString& text) {
    QList<int> out;
    for (const QString& piece : text.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        bool ok = false;
        const int n = piece.trimmed().toInt(&ok);
        if (!ok) {
            throw EPlaError(QStringLiteral("Ordem inválida: %1.").arg(piece.trimmed()));
        }
        if (!out.contains(n)) {
            out.append(n);
        }
    }
    return out;
}

// Branch, service and month, with the services of the branch: the months that have
// positions of their own, the month itself left out, the latest first.
QVariant getOrigensTipoPrat(TCallContext& ctx, TMethodArgs& args) {
    TDatabase& db = ctx.Database();
    const QString filial = Ajusta(args.String(0).trimmed(), 4);
    const QString servico = Ajusta(args.String(1).trimmed(), 5);
    const QDate mes = PriDiaMes(args.DateTime(2).date());
    CheckService(db, filial, servico);
    return FromDataPacket(QueryPacket(
        db,
        {{"CDSERVFILI", TFieldType::String, 5, true},
         {"NMSERVICO", TFieldType::String, 40, false},
         {"DTREFECNFMES", TFieldType::DateTime, 0, true},
         {"QTPOSICOES", TFieldType::Integer, 0, false}},
        QStringLiteral("SELECT C.CDSERVFILI, S.NMSERVICO, C.DTREFECNFMES, COUNT(*) FROM CNFCARDMES "
                       "C JOIN SERVICO S ON S.CDFILIAL = C.CDFILIAL AND S.CDSERVFILI = "
                       "C.CDSERVFILI WHERE C.CDFILIAL = ? AND NOT (C.CDSERVFILI = ? AND "
                       "C.DTREFECNFMES = ?) GROUP BY C.CDSERVFILI, S.NMSERVICO, C.DTREFECNFMES "
                       "ORDER BY C.CDSERVFILI, C.DTREFECNFMES DESC"),
        {filial, servico, DataHora(mes)}));
}

QVariant getPrevTipoPrat(TCallContext& ctx, TMethodArgs& args) {
    using E = rpc::TElemPrevTipoPrat;
    TDatabase& db = ctx.Database();
    const TPlano pl = plano(db, pedido(db, args));
    TDataPacket p;
    p.Fields = {{"NRORDCNFMES", TFieldType::Integer, 0, true},
                {"IDACAO", TFieldType::String, 1, true},
                {"CDTIPOPRAT", TFieldType::String, 2, false},
                {"NMTIPOPRAT", TFieldType::String, 35, false},
                {"IDOPCCNFMES", TFieldType::String, 1, false},
                {"IDCONCNFMES", TFieldType::String, 1, false},
                {"IDIMPCNFMES", TFieldType::String, 1, false},
                {"NRSEQCNFMES", TFieldType::Integer, 0, false},
                {"CDTIPOPRATDEST", TFieldType::String, 2, false},
                {"NMTIPOPRATDEST", TFieldType::String, 35, false},
                {"IDFLAGSDEST", TFieldType::String, 3, false},
                {"QTDIASPRATO", TFieldType::Integer, 0, false},
                {"QTDIASBLOQ", TFieldType::Integer, 0, false},
                {"IDPERDEPRATOS", TFieldType::String, 1, false},
                {"DSRECUSA", TFieldType::String, 200, false}};
    for (const TLinha& l : pl.Linhas) {
        // A removal shows the month's position as what it is.
        const TPosicaoMes& shown = l.Origem ? *l.Origem : *l.Destino;
        TPacketRow r;
        r.Values = {qlonglong(l.Ordem),
                    QString(QLatin1Char(char(l.Acao))),
                    shown.Tipo,
                    shown.NomeTipo,
                    shown.Opcional,
                    shown.Contada,
                    shown.Impressa,
                    qlonglong(l.Destino ? l.Destino->Seq : 0),
                    l.Destino ? l.Destino->Tipo : QString(),
                    l.Destino ? l.Destino->NomeTipo : QString(),
                    l.Destino ? l.Destino->Opcional + l.Destino->Contada + l.Destino->Impressa
                              : QString(),
                    qlonglong(l.DiasComPratos),
                    qlonglong(l.DiasBloqueados),
                    l.PerdePratos ? QStringLiteral("S") : QStringLiteral("N"),
                    l.Recusa.left(200)};
        p.Rows.append(r);
    }
    QVariantList out(int(E::Quantidade));
    out[int(E::Linhas)] = FromDataPacket(p);
    out[int(E::PrimeiroDiaAlteravel)] = DataHora(pl.PrimeiroAlteravel);
    out[int(E::Origem)] = pl.Origem;
    return out;
}

// The lines chosen applied to the month's positions, then written as the configuration
// writes them.
QVariant importaTipoPrat(TCallContext& ctx, TMethodArgs& args) {
    using E = rpc::TElemImpTipoPrat;
    TDatabase& db = ctx.Database();
    const TPedido ped = pedido(db, args);
    const QList<int> trazer = ordensDe(args.String(5));
    const QList<int> remover = ordensDe(args.String(6));
    QSet<int> confirmadas;
    for (const int seq : ordensDe(args.String(7))) {
        confirmadas.insert(seq);
    }
    if (trazer.isEmpty() && remover.isEmpty()) {
        throw EPlaError(QStringLiteral("Marque ao menos um tipo de prato para importar."));
    }
    const TPlano pl = plano(db, ped);
    QMap<int, const TLinha*> linhas;
    for (const TLinha& l : pl.Linhas) {
        linhas.insert(l.Ordem, &l);
    }
    QList<TPosicaoMes> result = pl.Atuais;
    const auto posicaoDe = [&result](int seq) {
        return std::find_if(result.begin(), result.end(),
                            [seq](const TPosicaoMes& p) { return p.Seq == seq; });
    };
    qlonglong changed = 0;
    for (const int ordem : trazer) {
        const TLinha* l = linhas.value(ordem);
        if (!l || !l->Origem) {
            throw EPlaError(
                QStringLiteral("A ordem %1 não tem tipo de prato na configuração de origem.")
                    .arg(ordem));
        }
        if (l->Acao == TAcao::Igual) {
            continue;
        }
        if (l->Acao == TAcao::Altera) {
            *posicaoDe(l->Destino->Seq) = l->Depois();
        } else {
            result.append(l->Depois());
        }
        ++changed;
    }
    for (const int ordem : remover) {
        const TLinha* l = linhas.value(ordem);
        if (!l || l->Acao != TAcao::Remove) {
            throw EPlaError(QStringLiteral("A ordem %1 não é de uma posição do mês que falta na "
                                           "configuração de origem.")
                                .arg(ordem));
        }
        result.erase(posicaoDe(l->Destino->Seq));
        ++changed;
    }
    QVariantList out(int(E::Quantidade));
    out[int(E::Posicoes)] = changed;
    out[int(E::PratosExcluidos)] = qlonglong(0);
    if (changed == 0) {
        return out; // the month has those types already: nothing to write
    }
    ValidaPosicoes(db, result);
    out[int(E::PratosExcluidos)] =
        GravaPosicoesMes(ctx, ped.Filial, ped.Servico, ped.Mes, result, confirmadas);
    return out;
}

} // namespace

std::unique_ptr<TRemoteDataModule> MakeImpTipoPrat() {
    auto m = std::make_unique<TRemoteDataModule>(QStringLiteral("Pla00121.rdmImpTipoPrat"));
    m->Register(TMethodDef::Declarado(rpc::metodos::GetOrigensTipoPrat(), getOrigensTipoPrat));
    m->Register(TMethodDef::Declarado(rpc::metodos::GetPrevTipoPrat(), getPrevTipoPrat));
    m->Register(TMethodDef::Declarado(
        rpc::metodos::ImportaTipoPrat(), importaTipoPrat, true,
        {{A::ImportarTipoPrat}, QStringLiteral("importar tipos de prato"), 0}));
    return m;
}

} // namespace pla::server
