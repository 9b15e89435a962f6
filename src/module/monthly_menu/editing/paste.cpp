// Copy, cut and paste of dishes between cells of the monthly grid, with the checks a
// dish must pass before it is placed.
#include "core/data_packet.h"
#include "core/dates.h"
#include "core/numbers.h"
#include "core/table_scopes.h"
#include "core/text_utils.h"
#include "host/host_context.h"
#include "host/host_messages.h"
#include "module/monthly_menu/model/cardapio_mensal.h"
#include "rpc/contracts.h"
#include "rpc/net_connection.h"

namespace pla::module {

using namespace pla::host;

namespace {

// The removal asks its question and may remove without the removal permission only
// while a paste replaces a dish; both end with the scope.
class TSubstituicao {
public:
    explicit TSubstituicao(TCardapioMensal& screen)
        : screen_(screen) {
        screen_.ChaveConfirmacao = QStringLiteral("CONF_SUBS");
        screen_.ExclusaoPelaGrade = true;
    }
    ~TSubstituicao() {
        screen_.ExclusaoPelaGrade = false;
        screen_.ChaveConfirmacao.clear();
    }
    TSubstituicao(const TSubstituicao&) = delete;
    TSubstituicao& operator=(const TSubstituicao&) = delete;

private:
    TCardapioMensal& screen_;
};

} // namespace

void TCardapioMensal::VerificaReceitaPrato(const QString& cdPrato, const QString& cdFilAuxPrat,
                                           const QString& niveisPrato) {
    if (rpc::CheckResultServ(chama(rpc::metodos::GetRecPrato(),
                                   {CdFilial, CdServico, niveisPrato, cdPrato, cdFilAuxPrat}))
            .toBool()) {
        MensErro(msgPadrao.Msg(QStringLiteral("BLOQ_PADR")), true);
    }
    const QString mascaraProduto = Host().MascaraProduto();
    const QString inativo =
        chama(rpc::metodos::GetVerifProdInativo(), {CdFilial, cdPrato, cdFilAuxPrat, CdServico,
                                                    QString::number(NiveisMascara(mascaraProduto))})
            .toString()
            .trimmed();
    if (!inativo.isEmpty()) {
        MensErro(msgPadrao.Fmt(QStringLiteral("PratRecProdInativ"),
                               {FormataCodigo(inativo, mascaraProduto)}),
                 true);
    }
}

void TCardapioMensal::VerificaEquivalencia(const TDishRef& prato, const QString& nrCardapio,
                                           const QDate& dia, int posicao) {
    if (prato.Empty() || !grupoParametrizado() || operadorDoGrupo() || !UtilizaPratoRelacionado()) {
        return;
    }
    const TMarkDishes position = pratosDaPosicao(nrCardapio, dia, posicao);
    const TDishRef referencia = position.Central.Empty() ? position.Excluded : position.Central;
    if (referencia.Empty()) {
        return;
    }
    cdsPratoEquiv->SetData(rpc::PacoteServ(
        chama(rpc::metodos::GetPratoEquiv(), {referencia.Code, referencia.Branch})));
    if (!(prato == referencia) && !cdsPratoEquiv->IsEmpty() &&
        !cdsPratoEquiv->Locate(QStringLiteral("CDPRATORELAC;CDFILPRATRELAC"),
                               {prato.Code, prato.Branch})) {
        MensErro(msgPadrao.Msg(QStringLiteral("Prato_Equiv")), true);
    }
}

void TCardapioMensal::CopiaPrato(bool recortar) {
    DesabilitaAnaliCor();
    const std::optional<TDishLine> entry = EntradaCelula();
    if (entry) {
        PratoCopiado = {entry->Code, entry->Branch, entry->Dish(),
                        entry->Quantity.isEmpty() ? 0.0 : QuantityValue(entry->Quantity)};
    }
    if (!recortar || !excluirPrato()) {
        return;
    }
    VerificaDiaNaoUtil(DataCard());
    ChaveConfirmacao = QStringLiteral("CONF_EXCL");
    ExcluiPrato();
    ChaveConfirmacao.clear();
}

void TCardapioMensal::ColaPrato() {
    DesabilitaAnaliCor();
    const std::optional<TDishLine> entry = EntradaCelula();
    if (!entry ? !incluirPrato() : !alterarPrato()) {
        return;
    }
    const TPivotCell cell = CelulaAtual();
    const QDate dia = DataCard();
    VerificaReceitaPrato(PratoCopiado.CdPrato, PratoCopiado.CdFilAuxPrat, niveisPrato());
    VerificaDiaNaoUtil(dia);
    const int posicao = GetSeqPrat(cell.Type.left(3).toInt());
    const TDishRef copiado{PratoCopiado.CdPrato, PratoCopiado.CdFilAuxPrat};

    if (!PratoCopiado.Vazio()) {
        VerificaEquivalencia(copiado, getNrCardapio(CdFilial, CdServico, dia).trimmed(), dia,
                             posicao);
    }

    // An occupied cell gives up its dish first, if the planner agrees.
    if (entry) {
        ExclusaoRealizada = false;
        {
            TSubstituicao substituicao(*this);
            ExcluiPrato();
        }
        if (!ExclusaoRealizada) {
            return;
        }
    }
    TMarkDishes dishes;
    if (dependeLiberacao() && IdCardCentral == QLatin1String("S")) {
        dishes = pratosDaPosicao(getNrCardapio(CdFilial, CdServico, dia).trimmed(), dia, posicao);
    }
    if (entry) {
        dishes.Former = {entry->Code, entry->Branch};
    }
    const QChar mark = MarcaColagem(contextoMarca(), copiado, dishes);
    const QString nome = mark.isNull() ? entry->Name : mark + PratoCopiado.NmPrato;
    InsereCardapio(copiado.Code, nome, QString::number(PratoCopiado.Valor), copiado.Branch, dia,
                   cell.Type);
    RegistraDiaEspecifico(dia);
    emit comandosAlterados();
    ExibeAvisoRecalc();
    if (PosicaoContada(posicao)) {
        VerificaComensaisTipo(dia, cell.Type, posicao, PratoCopiado.Valor);
    }
}

} // namespace pla::module
