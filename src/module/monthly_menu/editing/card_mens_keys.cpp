// The monthly grid's keys and clicks: the current cell and its entry, what Enter, F9,
// Delete and the clipboard keys do, and which commands the cell allows.
#include "core/dates.h"
#include "host/host_context.h"
#include "host/host_messages.h"
#include "host/host_query.h"
#include "module/monthly_menu/grid/menu_grid_model.h"
#include "module/monthly_menu/screen/card_mens.h"

#include <QAction>
#include <QCheckBox>
#include <QKeyEvent>
#include <QTableView>
#include <QToolButton>

namespace pla::module {

using namespace pla::host;

int TfrmCardMens::inActiveCol() const {
    const QModelIndex i = degCardapio->currentIndex();
    return i.isValid() ? i.column() : -1;
}

int TfrmCardMens::inActiveRow() const {
    const QModelIndex i = degCardapio->currentIndex();
    return i.isValid() ? i.row() : -1;
}

TPivotCell TfrmCardMens::CelulaAtual() const {
    const QModelIndex i = degCardapio->currentIndex();
    if (!i.isValid()) {
        return {TCellKind::DayHeader, {}, {}};
    }
    return desCardapio->Pivot().Cell(i.row(), i.column());
}

bool TfrmCardMens::CellVisible() const {
    const TPivotCell c = CelulaAtual();
    return (c.Kind == TCellKind::Data || c.Kind == TCellKind::Total) && c.Day.isValid();
}

bool TfrmCardMens::LinhaComensais() const {
    return CelulaAtual().Kind == TCellKind::Total;
}

std::optional<TDishLine> TfrmCardMens::EntradaCelula() const {
    if (!CellVisible()) {
        return std::nullopt;
    }
    return StlPratos.Lookup(CellKey(CelulaAtual()));
}

void TfrmCardMens::DesabilitaAnaliCor() {
    if (cdsAnaliCor->Active() && !cdsAnaliCor->IsEmpty()) {
        cdsAnaliCor->EmptyDataSet();
        desCardapio->Refresh();
    }
}

void TfrmCardMens::IrParaDia(const QDate& dia, const QString& cdTipoPrat) {
    const TMenuPivot& pivot = desCardapio->Pivot();
    QString tipo = pivot.Types().value(0);
    for (const QString& t : pivot.Types()) {
        if (t.mid(3, 2) == cdTipoPrat.trimmed()) {
            tipo = t;
            break;
        }
    }
    const auto [row, column] = pivot.Position(QDate(dia.year(), dia.month(), dia.day()), tipo);
    if (row >= 0) {
        const QModelIndex at = desCardapio->index(row, column);
        degCardapio->setCurrentIndex(at);
        degCardapio->scrollTo(at);
        degCardapio->setFocus();
    }
}

// Menus may refuse days the branch does not work.
void TfrmCardMens::VerificaDiaNaoUtil(const QDate& dia) {
    if (paramPlaneja("IDCARDIAUTIL") != QLatin1String("S")) {
        return;
    }
    qryDiaNaoUtil->SetConnection(Host().SharedConnection());
    qryDiaNaoUtil->Close();
    qryDiaNaoUtil->SetParam(QStringLiteral("P_CDFILIAL"), CdFilial);
    qryDiaNaoUtil->SetParam(QStringLiteral("P_DTCARDAPIO"), DataHora(dia));
    qryDiaNaoUtil->Open();
    if (!qryDiaNaoUtil->IsEmpty()) {
        MensErro(msgPadrao.Msg(QStringLiteral("CARDBLDIA_N_UTIL")), true);
    }
}

void TfrmCardMens::degCardapioClick() {
    if (!CdServico.isEmpty() && !cardapio_ReadOnly()) {
        degCardapioKeyUp();
    }
}

void TfrmCardMens::degCardapioDblClick() {
    if (CdServico.isEmpty()) {
        return;
    }
    DesabilitaAnaliCor();
    const std::optional<TDishLine> entry = EntradaCelula();
    if (!entry) {
        if (incluirPrato()) {
            LoadBPL_PLA00115();
        }
    } else if (LinhaComensais()) {
        LoadBPL_PLA00115();
    } else if (alterarPrato() || alterarComEstPrat()) {
        LoadBPL_PLA00115();
    }
}

void TfrmCardMens::sbtIncluirClick() {
    DesabilitaAnaliCor();
    if (Comandos().Incluir) {
        LoadBPL_PLA00115();
    }
}

void TfrmCardMens::sbtAlterarClick() {
    DesabilitaAnaliCor();
    if (Comandos().Alterar) {
        LoadBPL_PLA00115();
    }
}

bool TfrmCardMens::eventFilter(QObject* watched, QEvent* event) {
    if (watched == degCardapio) {
        if (event->type() == QEvent::KeyPress) {
            const auto* key = static_cast<QKeyEvent*>(event);
            bool taken = true; // a key whose handling ended in an error goes no further
            RunHandler([&] { taken = degCardapioKeyDown(key->key(), key->modifiers()); });
            if (taken) {
                return true;
            }
        } else if (event->type() == QEvent::KeyRelease) {
            RunHandler([this] { degCardapioKeyUp(); });
        }
    }
    return TfrmPadraoSimples::eventFilter(watched, event);
}

// True when the key was taken: the grid does not move for it.
bool TfrmCardMens::degCardapioKeyDown(int key, Qt::KeyboardModifiers modifiers) {
    if (CdServico.isEmpty() || cardapio_ReadOnly()) {
        return false;
    }
    const Qt::KeyboardModifiers mods = modifiers & ~Qt::KeypadModifier;
    if (mods == Qt::NoModifier &&
        (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_F9)) {
        degCardapioDblClick();
        return true;
    }
    if (!CellVisible()) {
        return false;
    }
    const bool clipboardKey = key == Qt::Key_C || key == Qt::Key_V || key == Qt::Key_X;
    if (LinhaComensais() && (key == Qt::Key_Delete || clipboardKey)) {
        return true;
    }
    if (key == Qt::Key_Delete) {
        DesabilitaAnaliCor();
        if (excluirPrato()) {
            VerificaDiaNaoUtil(DataCard());
            ChaveConfirmacao = QStringLiteral("CONF_EXCL");
            if (sbtExcluir->isEnabled()) {
                sbtExcluirClick();
            }
            ChaveConfirmacao.clear();
        }
        return true;
    }
    if (!(mods & Qt::ControlModifier) || !clipboardKey) {
        return false;
    }
    if (!CardBlock(DayKey(CelulaAtual().Day))) {
        if (key == Qt::Key_V) {
            if (!PratoCopiado.Vazio()) {
                ColaPrato();
            }
        } else {
            CopiaPrato(key == Qt::Key_X);
        }
        desCardapio->Refresh();
    }
    return true;
}

// The commands follow the current cell (and with it every change of what the planner
// may do).
void TfrmCardMens::degCardapioKeyUp() {
    HabilitaComandos();
}

TSituacaoComandos TfrmCardMens::SituacaoComandos() const {
    TSituacaoComandos s;
    s.ServicoEscolhido = !CdServico.isEmpty();
    s.Permissoes = Permissoes();
    const TPivotCell cell = CelulaAtual();
    if (!cell.Day.isValid()) {
        s.Celula = TCelulaAtual::Nenhuma;
    } else if (cell.Kind == TCellKind::Total) {
        s.Celula = TCelulaAtual::Comensais;
    } else if (cell.Kind == TCellKind::Data) {
        s.Celula = TCelulaAtual::Prato;
    } else {
        s.Celula = TCelulaAtual::ForaDosDados;
    }
    if (s.Celula == TCelulaAtual::Comensais || s.Celula == TCelulaAtual::Prato) {
        const std::optional<TDishLine> entry = StlPratos.Lookup(CellKey(cell));
        s.CelulaPreenchida = s.Celula == TCelulaAtual::Comensais
                                 ? entry && !entry->Quantity.isEmpty()
                                 : entry && !entry->Dish().trimmed().isEmpty();
        s.DiaBloqueado = CardBlock(DayKey(cell.Day));
    }
    s.Editando = cdsCardaDia->IsEditing() || cdsCompCardCache->IsEditing();
    s.AlteracoesPendentes = AlteracoesPendentes() > 0;
    s.ModuFili = Host().ModuFili;
    s.ExibeCusto = ExibeCusto;
    s.TemDietas = QtDietaServ > 0;
    return s;
}

} // namespace pla::module
