#pragma once

#include "permissions.h"

namespace pla::module {

// Where the grid's current cell is.
enum class TCelulaAtual {
    Nenhuma,      // no current cell, or one without a day
    ForaDosDados, // a header or caption
    Comensais,    // a day's diners
    Prato,        // a dish position of a day
};

// Everything the monthly screen's commands depend on.
struct TSituacaoComandos {
    bool ServicoEscolhido = false;
    TPermissoes Permissoes;
    TCelulaAtual Celula = TCelulaAtual::Nenhuma;
    bool CelulaPreenchida = false; // a dish in a dish cell, diners on the diners row
    bool DiaBloqueado = false;     // the cell's day can no longer be changed
    bool Editando = false;         // a day or dish row is being edited
    bool AlteracoesPendentes = false;
    bool ModuFili = false; // the module works per branch
    bool ExibeCusto = false;
    bool TemDietas = false; // the service has prescribed diets
    bool CustoCalculado = false;
    bool Simultaneo = false; // costs recalculated with every saved change
};

// Which of the monthly screen's commands may run. One answer for the toolbar, the
// menus and each handler's own check.
struct TEstadoComandos {
    // Maintenance.
    bool Confirmar = false;
    bool Cancelar = false;
    bool Incluir = false;
    bool Alterar = false;
    bool Excluir = false;
    bool Verificar = false;
    bool Imprimir = false;
    bool Ordenar = false;
    // The cell's dish and day.
    bool Importacao = false; // import a day's menu
    bool Duplicacao = false; // copy dishes and diners
    bool RankingPratos = false;
    bool HistCard = false; // history of the position
    bool InfoCard = false; // cost analysis
    bool Nutrientes = false;
    bool InvPrato = false;
    bool SubsPorEqui = false;
    // The month.
    bool DelCard = false; // delete the menu of a period
    bool Config = false;
    bool ImpTP = false; // import dish types
    bool DtRefCus = false;
    bool DtRecCus = false;
    bool AnaCustRevRec = false;
    bool AnaliCor = false;      // colour analysis
    bool AtuComenDieta = false; // diners from the diets
    bool Custos = false;        // cost follow-up
    bool CalcularCustos = false;
    bool Simultaneo = false;   // the recalculation on every saved change may be chosen
    bool Graficos = false;     // the cost charts
    bool AtuCusto = false;     // price-list cost update
    bool AnalRestCont = false; // contract restrictions
    bool HistoricoFil = false;
    bool Procurar = false;
    bool TrocaVisual = false;
    bool VisuNCiclo = false;
    // The service list's export of the menu.
    bool Exportar = false;
};

TEstadoComandos EstadoComandos(const TSituacaoComandos& s);

} // namespace pla::module
