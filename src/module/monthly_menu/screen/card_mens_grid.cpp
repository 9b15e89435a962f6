// The monthly menu screen's grid: the month shown after a load (AtualizaTela), what
// every cell draws, the view modes, the find and the cycle numbers.
#include "core/data_packet.h"
#include "core/dates.h"
#include "core/format_float.h"
#include "core/numbers.h"
#include "core/table_scopes.h"
#include "core/text_utils.h"
#include "host/busy_scopes.h"
#include "host/cost_types.h"
#include "host/date_edit.h"
#include "host/db_grid.h"
#include "host/host_context.h"
#include "host/host_messages.h"
#include "host/host_query.h"
#include "host/mask_edit.h"
#include "host/modal_runner.h"
#include "host/radio_group.h"
#include "module/dialogs/proc_prato.h"
#include "module/dialogs/visua.h"
#include "module/monthly_menu/grid/day_colours.h"
#include "module/monthly_menu/grid/menu_grid_model.h"
#include "module/monthly_menu/model/analise_cores.h"
#include "module/monthly_menu/screen/card_mens.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QRadioButton>
#include <QTableView>

namespace pla::module {

using namespace pla::host;

namespace {

// A colour parameter as stored (the integer of a blue-green-red colour); invalid when
// empty.
QColor storedColour(const QString& text) {
    bool ok = false;
    const qlonglong v = text.trimmed().toLongLong(&ok);
    if (!ok) {
        return {};
    }
    return QColor(int(v & 0xFF), int((v >> 8) & 0xFF), int((v >> 16) & 0xFF));
}

} // namespace

bool TfrmCardMens::ExibeNrCiclo() const {
    const QAction* a = Menus.value(QStringLiteral("mnuVisuNCiclo"));
    return a && a->text() == msgPadrao.Msg(QStringLiteral("Exibe_NrCiclo"));
}

void TfrmCardMens::loadCaption() {
    QString caption =
        AllTrim(cardapio_->NmFilial) + QStringLiteral(" - ") + AllTrim(cardapio_->NmServico) +
        QStringLiteral(" - ") + FormatDateTime(QStringLiteral("mmmm"), cardapio_->DtMesCard) +
        QStringLiteral(" - ") + FormatDateTime(QStringLiteral("yyyy"), cardapio_->DtMesCard);
    if (ExibeNrCiclo() && !cardapio_->cdsCardaMesCiclo->IsEmpty()) {
        caption +=
            QStringLiteral(" - ") +
            AllTrim(
                cardapio_->cdsCardaMesCiclo->FieldByName(QStringLiteral("NMCARDCICLO")).AsString());
    }
    setWindowTitle(caption);
}

void TfrmCardMens::AtualizaTela() {
    if (cardapio_->FechadoPeloPlanejamento || !cardapio_->Planejamento()) {
        return;
    }
    if (!(THostContext::WindowState(this) & Qt::WindowMaximized)) {
        THostContext::SetWindowState(this, Qt::WindowNoState);
    }
    cardapio_->Carrega();
    const TCardapioMensal& c = *cardapio_;
    panFiliCusto->setVisible(!c.CdFiliCust.isEmpty());
    panFiliCusto->setText(msgPadrao.Msg(QStringLiteral("FILIAL")) + QLatin1Char(' ') +
                          c.CdFiliCust);
    loadCaption();
    // The read-only notice and the toolbar.
    panAviso->setVisible(c.CardapioSomenteLeitura);
    arrangeToolbar();
    desCardapio->SetPivot(c.Pivo());
    const TMenuPivot& pivot = desCardapio->Pivot();
    posicionaCelula(c.PrimeiroDiaAlteravel(pivot.Days()), pivot.Types().value(0));
}

TPivotCell TfrmCardMens::celulaDaGrade() const {
    const QModelIndex i = degCardapio->currentIndex();
    if (!i.isValid()) {
        return {TCellKind::DayHeader, {}, {}};
    }
    return desCardapio->Pivot().Cell(i.row(), i.column());
}

void TfrmCardMens::posicionaCelula(const QDate& dia, const QString& tipo) {
    const auto [row, column] = desCardapio->Pivot().Position(dia, tipo);
    if (row >= 0) {
        degCardapio->setCurrentIndex(desCardapio->index(row, column));
    }
}

// Every cell's text, background and font.
void TfrmCardMens::degCardapioDecisionDrawCell(const TPivotCell& cell, TDrawCell& draw) {
    const QChar type = cardapio_->TipoCardapio.isEmpty() ? QChar() : cardapio_->TipoCardapio.at(0);
    const bool centralColours =
        (type == QLatin1Char('S') &&
         !cardapio_->paramPlaneja("CDFILCENTPME").trimmed().isEmpty()) ||
        (type == QLatin1Char('D') && cardapio_->IdCardDescentr == QLatin1Char('S'));
    switch (cell.Kind) {
    case TCellKind::Data:
    case TCellKind::Total: {
        const std::optional<TDishLine> line = cardapio_->StlPratos.Lookup(cardapio_->CellKey(cell));
        if (line) {
            const double qty =
                QuantityValue(line->Quantity.isEmpty() ? QStringLiteral("0") : line->Quantity);
            QString text;
            if (cardapio_->TipoMontagem == 0) {
                text = FormatFloat(cardapio_->Arredondar ? QStringLiteral("#,##0")
                                                         : QStringLiteral("#,##0.###"),
                                   qty);
            } else {
                text = FormatFloat(QStringLiteral("#,##0.##"), qty);
                if (cell.Kind != TCellKind::Total) {
                    text += QLatin1Char('%');
                }
            }
            draw.Text = QLatin1Char(' ') + text + QStringLiteral("  ") + line->Dish();
            if (centralColours) {
                if (line->Mark() == QLatin1Char('R')) {
                    draw.Background = storedColour(cardapio_->paramPlaneja("NRCORCARDREV"));
                } else if (line->Mark() == QLatin1Char('S')) {
                    draw.Background = storedColour(cardapio_->paramPlaneja("NRCORCARDESP"));
                }
            }
            if (const std::optional<TFaixaPrato> faixa =
                    cardapio_->AnaliseCores().FaixaDaCelula(cell)) {
                // The colour analysis marks dishes over everything else, and says why.
                draw.Background = LegendaDe(faixa->Faixa).Cor;
                draw.FontColor = Qt::black;
                draw.Hint = ExplicaFaixa(*faixa);
            }
        } else if (centralColours && cell.Kind == TCellKind::Data &&
                   cardapio_->cdsParamGeral->Active() &&
                   !cardapio_->cdsPratosExcluidos->IsEmpty()) {
            // An empty cell whose central dish was removed shows who removed it.
            const int order = cell.Type.left(3).toInt();
            int seq = -1;
            const QVariant found = cardapio_->cdsCnfCaMes->Lookup(
                QStringLiteral("NRORDCNFMES"), {order}, QStringLiteral("NRSEQCNFMES"));
            if (!found.isNull()) {
                seq = found.toInt();
            }
            const QVariant where = cardapio_->cdsPratosExcluidos->Lookup(
                QStringLiteral("DTPRATEXCL;NRSEQPRATEXCL"), {DayKey(cell.Day), seq},
                QStringLiteral("IDLOCALEXCL"));
            if (where.toString() == QLatin1String("F")) {
                draw.Background = storedColour(cardapio_->paramPlaneja("NRCORCARDESP"));
            } else if (where.toString() == QLatin1String("M")) {
                draw.Background = storedColour(cardapio_->paramPlaneja("NRCORCARDREV"));
            }
        }
        break;
    }
    case TCellKind::TotalCaption:
        draw.Text = msgPadrao.Msg(QStringLiteral("TotComens"));
        break;
    case TCellKind::DayHeader: {
        const QString dd = DayKey(cell.Day);
        for (const QString& l : cardapio_->StlDesc) {
            if (l.startsWith(dd + QLatin1Char('='))) {
                draw.Text += QLatin1Char(' ') + l.mid(3);
                break;
            }
        }
        if (ExibeNrCiclo()) {
            const QVariant nr = cardapio_->cdsNrCiclo->Lookup(QStringLiteral("DTCARDAPIO"), {dd},
                                                              QStringLiteral("NRCICLO"));
            if (!nr.isNull()) {
                draw.Text = nr.toString() + QStringLiteral(" - ") + draw.Text;
            }
        }
        const int d = cell.Day.day();
        const QString blocked = cardapio_->StlCorBloq.value(d).trimmed();
        if (!blocked.isEmpty()) {
            draw.Background = storedColour(blocked);
        }
        const QString holiday = cardapio_->StlCorFeriado.value(d).trimmed();
        if (!holiday.isEmpty()) {
            draw.FontColor = storedColour(holiday);
            draw.Bold = true;
        }
        break;
    }
    case TCellKind::TypeHeader:
        draw.Text = cell.Type.mid(5);
        if (cardapio_->CheckOpcao(cell.Type.left(3))) {
            draw.Text += QLatin1Char(' ') + msgPadrao.Msg(QStringLiteral("Op"));
        }
        break;
    }
}

void TfrmCardMens::MudaVisual(int mode) {
    cardapio_->ModoVisual = std::clamp(mode, 0, 2);
    const TPivotCell current = celulaDaGrade();
    TMenuPivot pivot = desCardapio->Pivot();
    pivot.SetView(cardapio_->ModoVisual);
    desCardapio->SetPivot(pivot);
    // The same day and position, wherever the view puts them.
    posicionaCelula(current.Day, current.Type);
}

void TfrmCardMens::mnuChangeViewClick() {
    TfrmVisua dialog(this);
    dialog.SetView(cardapio_->ModoVisual);
    if (TModalRunner::Run(dialog) != QDialog::Accepted) {
        return;
    }
    const int mode = dialog.View();
    MudaVisual(mode);
    cardapio_->GravaVisual(mode);
}

// The find: every cell of the data area, column by column, with its dish's name.
void TfrmCardMens::sbtProcurarClick() {
    if (dbgServico->hasFocus()) {
        return;
    }
    QStringList cells;
    const TMenuPivot& pivot = desCardapio->Pivot();
    for (int c = 0; c < pivot.ColumnCount(); ++c) {
        for (int r = 0; r < pivot.RowCount(); ++r) {
            const std::optional<TDishLine> line =
                cardapio_->StlPratos.Lookup(cardapio_->CellKey(pivot.Cell(r, c)));
            const QString name =
                line && !line->Dish().isEmpty() ? line->Dish() : QStringLiteral(" ");
            cells << QStringLiteral("%1#%2%%3").arg(c).arg(r).arg(name);
        }
    }
    TfrmProcPrato dialog(cells, [this](int column, int row) {
        degCardapio->setCurrentIndex(desCardapio->index(row, column));
    });
    dialog.ShowModal();
}

void TfrmCardMens::mnuVisuNCicloClick() {
    QAction* a = Menus.value(QStringLiteral("mnuVisuNCiclo"));
    a->setText(ExibeNrCiclo() ? msgPadrao.Msg(QStringLiteral("N_Exibe_NrCiclo"))
                              : msgPadrao.Msg(QStringLiteral("Exibe_NrCiclo")));
    loadCaption();
    desCardapio->Refresh();
}

} // namespace pla::module
