// Handing the open month to the screens that look at its past: the history of the changes
// to the service's menu (PLA00127) and the ranking of its dishes (PLA00102). Both may
// hand a dish back for the current cell, which goes in as a paste puts one.
#include "core/dates.h"
#include "core/reference.h"
#include "core/table_scopes.h"
#include "host/host_context.h"
#include "host/host_messages.h"
#include "module/monthly_menu/model/cardapio_mensal.h"
#include "rpc/contracts.h"

namespace pla::module {

using namespace pla::host;

void TCardapioMensal::ConsultaHistorico() {
    DesabilitaAnaliCor();
    // As its button: a dish the planner may remove, on a day still open, outside a
    // module that works per branch.
    if (!Comandos().HistCard) {
        return;
    }
    if (!GravaAntesDeLancar()) {
        return;
    }
    const QDate dia = DataCard();
    // The costs of what the planner looks at are those of the cell's day.
    if (RefeCardapio || !ExibeCusto) {
        DtRefeCusto = DataHora(dia);
    }
    const std::optional<TDishLine> entry = EntradaCelula();
    const QString codigo = entry ? entry->Code : QString();
    const QString filial = entry ? entry->Branch : QString();
    const TReference cdPrato(codigo), cdFilAux(filial), nmPrato{QVariant(QString())},
        escolhido(false);
    Host().LoadBPL(QStringLiteral("PLA00127"),
                   QVariantList{CdFilial, CdServico, codigo, filial, DtRefeCusto,
                                cdPrato.AsVariant(), cdFilAux.AsVariant(), nmPrato.AsVariant(),
                                escolhido.AsVariant()});
    if (!escolhido.Get().toBool()) {
        return;
    }
    RecebePrato({cdPrato.Get().toString(), cdFilAux.Get().toString(), nmPrato.Get().toString()});
}

QString TCardapioMensal::PratoReferenciaRanking(const QString& nr, int posicao) {
    if (!grupoParametrizado() || operadorDoGrupo() || !UtilizaPratoRelacionado()) {
        return {};
    }
    if (const std::optional<TDishLine> entry = EntradaCelula(); entry && !entry->Code.isEmpty()) {
        return entry->Code;
    }
    const QDate dia = DataCard();
    CarregaPratoMatriz(nr, posicao);
    if (!cdsPratoMatriz->IsEmpty()) {
        return cdsPratoMatriz->FieldByName(QStringLiteral("CDPRATOMAT")).AsString();
    }
    if (pratoExcluido(DayKey(dia), posicao)) {
        return cdsPratosExcluidos->FieldByName(QStringLiteral("CDPRATO")).AsString();
    }
    return {};
}

void TCardapioMensal::ConsultaRanking() {
    if (CdServico.isEmpty() || !CellVisible() || LinhaComensais()) {
        return;
    }
    // Its own checks, in this order, before the launchers' prelude.
    if (!Permissoes().rankingPrat()) {
        return;
    }
    const QDate dia = DataCard();
    VerificaDiaNaoUtil(dia);
    // A day without its menu record gets one, so that a dish can come back into it; a
    // day that can no longer change does not.
    if (getNrCardapio(CdFilial, CdServico, dia).trimmed().isEmpty() && !CardBlock(DayKey(dia))) {
        InsereCardapio(QString(), QString(), QStringLiteral("0"), QString(), dia, QString());
        AtualizaStlPratos(true);
        emit gradeAlterada();
    }
    if (!(comensaisDia(dia) > 0)) {
        MensErro(msgPadrao.Msg(QStringLiteral("COMENS_MAIOR_ZERO")), true);
    }
    DesabilitaAnaliCor();
    if (!GravaAntesDeLancar()) {
        return;
    }
    if (RefeCardapio || !ExibeCusto) {
        DtRefeCusto = DataHora(dia);
    }
    const TPivotCell cell = CelulaAtual();
    const int posicao = GetSeqPrat(cell.Type.left(3).toInt());
    const QString referencia =
        PratoReferenciaRanking(getNrCardapio(CdFilial, CdServico, dia).trimmed(), posicao);
    const std::optional<TDishLine> entry = EntradaCelula();
    const TReference cdPrato(entry ? entry->Code : QString()), nmPrato{QVariant(QString())},
        cdFilAux(entry ? entry->Branch : QString()), escolhido(false);
    // Not read back: it takes the cell's day and dish type to the ranking, for the
    // period and the dish type the ranking starts with.
    const TReference quarto(dia.toString(Qt::ISODate) + QLatin1Char(';') + cell.Type.mid(3, 2));
    Host().LoadBPL(QStringLiteral("PLA00102"),
                   QVariantList{CdFilial, CdServico, qlonglong(TipoCustoPlanejado), DtRefeCusto,
                                CardBlock(DayKey(dia)), cdPrato.AsVariant(), nmPrato.AsVariant(),
                                cdFilAux.AsVariant(), quarto.AsVariant(), escolhido.AsVariant(),
                                QString(), QString(), CdFiliCust, referencia, ExibeCusto,
                                RefeCardapio});
    if (!escolhido.Get().toBool()) {
        return;
    }
    RecebePrato({cdPrato.Get().toString(), cdFilAux.Get().toString(), nmPrato.Get().toString()});
}

void TCardapioMensal::RecebePrato(const TPratoRetornado& prato) {
    const TPivotCell cell = CelulaAtual();
    const QDate dia = DataCard();
    const std::optional<TDishLine> entry = EntradaCelula();
    const TDishRef escolhido{prato.CdPrato.trimmed(), prato.CdFilAuxPrat.trimmed()};
    const QString nome = prato.NmPrato.trimmed();
    // Into an empty cell only a dish with its code and name.
    if (!entry && (escolhido.Code.isEmpty() || nome.isEmpty())) {
        return;
    }
    // The checks of a paste, in its order.
    if (CardBlock(DayKey(dia))) {
        MensErro(msgPadrao.Msg(QStringLiteral("DIA_BLOQUEADO")), true);
    }
    const bool completo = !escolhido.Code.isEmpty() && !escolhido.Branch.isEmpty();
    if (completo) {
        VerificaReceitaPrato(escolhido.Code, escolhido.Branch, niveisPrato());
    }
    VerificaDiaNaoUtil(dia);
    const double comensais = comensaisDia(dia);
    if (!(comensais > 0)) {
        MensErro(msgPadrao.Msg(QStringLiteral("COMENS_MAIOR_ZERO")), true);
    }
    const int posicao = GetSeqPrat(cell.Type.left(3).toInt());
    const QString nr = getNrCardapio(CdFilial, CdServico, dia).trimmed();
    if (completo) {
        VerificaEquivalencia(escolhido, nr, dia, posicao);
    }

    // The value shown: the cell's, or for an empty cell the whole day.
    const QString valor = entry               ? entry->Quantity
                          : TipoMontagem == 0 ? QuantityText(comensais, 0)
                                              : QStringLiteral("100");
    TMarkDishes dishes;
    if (entry) {
        dishes.Former = {entry->Code, entry->Branch};
    }
    if (!nr.isEmpty()) {
        CarregaPratoMatriz(nr, posicao);
        if (!cdsPratoMatriz->IsEmpty()) {
            dishes.Central = {
                cdsPratoMatriz->FieldByName(QStringLiteral("CDPRATOMAT")).AsString(),
                cdsPratoMatriz->FieldByName(QStringLiteral("CDFILAUXPRATMAT")).AsString()};
        }
    }
    const QChar mark = MarcaRetorno(contextoMarca(), escolhido, dishes);
    const QString marcado = mark.isNull() ? entry->Name : mark + nome;

    if (!entry) {
        InsereCardapio(escolhido.Code, marcado, valor, escolhido.Branch, dia, cell.Type);
        RegistraDiaEspecifico(dia);
        if (PosicaoContada(posicao)) {
            VerificaComensaisTipo(dia, cell.Type, posicao, QuantityValue(valor));
        }
    } else {
        TTrocaPrato troca;
        troca.Antes = *entry;
        troca.Escolhido = escolhido;
        troca.Marcado = marcado;
        troca.Marca = marcado.isEmpty() ? QChar() : marcado.at(0);
        troca.Valor = QuantityValue(valor);
        troca.ValorTexto = valor;
        troca.SemComensais = TParteSemComensais::IntegralPorComensais;
        troca.Central = dishes.Central;
        troca.Posicao = posicao;
        troca.NrCardapio = nr;
        if (!trocaPratoCelula(troca)) {
            return;
        }
        RegistraDiaEspecifico(dia);
    }
    emit comandosAlterados();
    ExibeAvisoRecalc();
    emit gradeAlterada();
}

} // namespace pla::module
