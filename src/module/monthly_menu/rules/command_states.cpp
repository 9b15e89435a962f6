#include "command_states.h"

namespace pla::module {

TEstadoComandos EstadoComandos(const TSituacaoComandos& s) {
    const TPermissoes& p = s.Permissoes;
    TEstadoComandos c;
    c.Exportar = p.importarCardDia();
    if (!s.ServicoEscolhido) {
        return c;
    }
    const bool naGrade = s.Celula == TCelulaAtual::Comensais || s.Celula == TCelulaAtual::Prato;
    const bool prato = s.Celula == TCelulaAtual::Prato;
    // A blocked day still shows its figures; it takes no change.
    const bool mudaDia = naGrade && !s.DiaBloqueado;
    const bool livre = mudaDia && !s.Editando;

    c.Cancelar = s.Editando || s.AlteracoesPendentes;
    c.Confirmar = c.Cancelar;
    c.Incluir = livre && !s.CelulaPreenchida && p.incluirPrato();
    c.Alterar = livre && s.CelulaPreenchida && p.alterarPrato();
    c.Excluir = livre && prato && s.CelulaPreenchida && p.excluirPrato();
    c.Verificar = true;
    c.Imprimir = true;
    c.Ordenar = true;

    c.Importacao = mudaDia && prato && p.importarCardDia();
    c.Duplicacao = mudaDia && prato && s.CelulaPreenchida && p.copiarPratCom();
    c.RankingPratos = mudaDia && prato && p.rankingPrat();
    c.HistCard = c.Excluir && !s.ModuFili;
    c.InfoCard = naGrade;
    c.Nutrientes = naGrade;
    // The inversion chooses its own days and refuses blocked ones itself.
    c.InvPrato = naGrade && p.InverterPrato();
    c.SubsPorEqui = (c.Incluir || c.Alterar) && s.ExibeCusto;

    c.DelCard = p.excluirCardPeriodo();
    c.Config = p.configurarCard();
    c.ImpTP = p.importarTipoPrat() && p.TipoCardapio != QLatin1Char('S');
    c.DtRefCus = p.atualizarDataRef();
    c.DtRecCus = p.atualizarDataRefRec();
    c.AnaCustRevRec = p.analisarCustoRevRece();
    c.AnaliCor = !s.Editando;
    c.AtuComenDieta = s.TemDietas && !p.SomenteLeitura;
    c.Custos = true;
    // With recalculation on every change there is nothing to ask for.
    c.CalcularCustos = mudaDia && !s.Simultaneo;
    c.Simultaneo = s.CustoCalculado;
    c.Graficos = s.CustoCalculado;
    c.AtuCusto = true;
    c.AnalRestCont = true;
    c.HistoricoFil = true;
    c.Procurar = true;
    c.TrocaVisual = true;
    c.VisuNCiclo = true;
    return c;
}

} // namespace pla::module
