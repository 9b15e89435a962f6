// The monthly screen's handlers: the grid's keys and clicks (what Enter, F9, Delete and
// the clipboard keys do) and the toolbar's editing commands, each a call into the
// open month.
#include "core/dates.h"
#include "host/busy_scopes.h"
#include "host/host_context.h"
#include "host/host_messages.h"
#include "host/host_query.h"
#include "module/monthly_menu/grid/menu_grid_model.h"
#include "module/monthly_menu/screen/card_mens.h"

#include <QAction>
#include <QCheckBox>
#include <QFrame>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTableView>
#include <QToolButton>

namespace pla::module {

using namespace pla::host;

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

void TfrmCardMens::degCardapioClick() {
    if (!cardapio_->CdServico.isEmpty() && !cardapio_->cardapio_ReadOnly()) {
        degCardapioKeyUp();
    }
}

void TfrmCardMens::degCardapioDblClick() {
    if (cardapio_->CdServico.isEmpty()) {
        return;
    }
    cardapio_->DesabilitaAnaliCor();
    const std::optional<TDishLine> entry = cardapio_->EntradaCelula();
    if (!entry) {
        if (cardapio_->incluirPrato()) {
            cardapio_->LoadBPL_PLA00115();
        }
    } else if (cardapio_->LinhaComensais()) {
        cardapio_->LoadBPL_PLA00115();
    } else if (cardapio_->alterarPrato() || cardapio_->alterarComEstPrat()) {
        cardapio_->LoadBPL_PLA00115();
    }
}

void TfrmCardMens::sbtIncluirClick() {
    cardapio_->DesabilitaAnaliCor();
    if (cardapio_->Comandos().Incluir) {
        cardapio_->LoadBPL_PLA00115();
    }
}

void TfrmCardMens::sbtExcluirClick() {
    cardapio_->ExcluiPrato();
}

void TfrmCardMens::sbtConfirmarClick() {
    cardapio_->Confirma();
}

void TfrmCardMens::sbtCancelarClick() {
    cardapio_->Cancela();
}

void TfrmCardMens::sbtDelCardClick() {
    cardapio_->ExcluiCardapioPeriodo();
}

void TfrmCardMens::sbtInvPratoClick() {
    cardapio_->InvertePrato();
}

void TfrmCardMens::spbImportacaoClick() {
    cardapio_->ImportaCardapioDia();
}

void TfrmCardMens::spbDuplicacaoClick() {
    cardapio_->CopiaPratoComensais();
}

void TfrmCardMens::pmnSubsPorEquiClick() {
    cardapio_->SubstituiPorEquivalentes();
}

// The screen is read again after the export, as after the other screens that write on
// the server.
void TfrmCardMens::sbtCopiarCardClick() {
    if (cardapio_->ExportaCardapio() && !cardapio_->CdServico.isEmpty()) {
        AtualizaTela();
    }
}

// The diet screen writes on the server; the month shows what it wrote.
void TfrmCardMens::sbtAtuComenDietaClick() {
    if (!cardapio_->AtualizaComensaisDieta()) {
        return;
    }
    TWaitAnimation wait(this, 6);
    sbtVerificarClick();
}

void TfrmCardMens::sbtVerificarClick() {
    cardapio_->DesabilitaAnaliCor();
    SelecionaServicoParaElaboracao(cardapio_->CdServico, false);
}

void TfrmCardMens::sbtAlterarClick() {
    cardapio_->DesabilitaAnaliCor();
    if (cardapio_->Comandos().Alterar) {
        cardapio_->LoadBPL_PLA00115();
    }
}

bool TfrmCardMens::eventFilter(QObject* watched, QEvent* event) {
    if (watched == panAvisoRecalc && !chbSimultaneo->isChecked()) {
        // The bar is a button only while the planner recalculates by hand.
        if (event->type() == QEvent::MouseButtonPress) {
            const auto* mouse = static_cast<QMouseEvent*>(event);
            if (mouse->button() == Qt::LeftButton && mouse->buttons() == Qt::LeftButton &&
                mouse->modifiers() == Qt::NoModifier) {
                panAvisoRecalc->setFrameShadow(QFrame::Sunken);
            }
        } else if (event->type() == QEvent::MouseButtonRelease &&
                   static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
            panAvisoRecalc->setFrameShadow(QFrame::Raised);
            RunHandler([this] { panAvisoRecalcClick(); });
        }
    } else if (watched == degCardapio) {
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
    if (cardapio_->CdServico.isEmpty() || cardapio_->cardapio_ReadOnly()) {
        return false;
    }
    const Qt::KeyboardModifiers mods = modifiers & ~Qt::KeypadModifier;
    if (mods == Qt::NoModifier &&
        (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_F9)) {
        degCardapioDblClick();
        return true;
    }
    if (!cardapio_->CellVisible()) {
        return false;
    }
    const bool clipboardKey = key == Qt::Key_C || key == Qt::Key_V || key == Qt::Key_X;
    if (cardapio_->LinhaComensais() && (key == Qt::Key_Delete || clipboardKey)) {
        return true;
    }
    if (key == Qt::Key_Delete) {
        cardapio_->DesabilitaAnaliCor();
        if (cardapio_->excluirPrato()) {
            cardapio_->VerificaDiaNaoUtil(cardapio_->DataCard());
            cardapio_->ChaveConfirmacao = QStringLiteral("CONF_EXCL");
            if (sbtExcluir->isEnabled()) {
                sbtExcluirClick();
            }
            cardapio_->ChaveConfirmacao.clear();
        }
        return true;
    }
    if (!(mods & Qt::ControlModifier) || !clipboardKey) {
        return false;
    }
    if (!cardapio_->CardBlock(DayKey(cardapio_->CelulaAtual().Day))) {
        if (key == Qt::Key_V) {
            if (!cardapio_->PratoCopiado.Vazio()) {
                cardapio_->ColaPrato();
            }
        } else {
            cardapio_->CopiaPrato(key == Qt::Key_X);
        }
        desCardapio->Refresh();
    }
    return true;
}

// The commands follow the current cell (and with it every change of what the planner
// may do).
void TfrmCardMens::degCardapioKeyUp() {
    HabilitaComandos();
    if (cardapio_->CdServico.isEmpty() ||
        cardapio_->CelulaAtual().Kind == TCellKind::TotalCaption) {
        return;
    }
    AtualizaLblRefeCust();
    AtualizaCusto();
}

} // namespace pla::module
