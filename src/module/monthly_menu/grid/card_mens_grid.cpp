// The monthly menu screen's grid: loading the month (AtualizaTela), the dish lines, and
// the answers the grid asks for every cell; the views.
#include "core/data_packet.h"
#include "core/dates.h"
#include "core/format_float.h"
#include "core/numbers.h"
#include "core/table_scopes.h"
#include "core/text_utils.h"
#include "day_colours.h"
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
#include "menu_grid_model.h"
#include "module/dialogs/proc_prato.h"
#include "module/dialogs/visua.h"
#include "module/monthly_menu/screen/card_mens.h"
#include "module/planning/param_card_indu.h"

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

TDataPacket packetOf(const QVariant& element) {
    return ToDataPacket(rpc::CheckResultServ(element));
}

} // namespace

void TfrmCardMens::RetornaCompcard(const QVariant& packet, bool cache) {
    TDataPacket p = packetOf(packet);
    const int day = p.FieldIndex(QStringLiteral("DTCARDAPIO"));
    const int seq = p.FieldIndex(QStringLiteral("NRSEQPRATCAR"));
    const int ord = p.FieldIndex(QStringLiteral("NRORDPRATCAR"));
    std::stable_sort(p.Rows.begin(), p.Rows.end(), [&](const TPacketRow& a, const TPacketRow& b) {
        const auto ka =
            std::tuple(a.Values[day].toDateTime(), a.Values[seq].toInt(), a.Values[ord].toInt());
        const auto kb =
            std::tuple(b.Values[day].toDateTime(), b.Values[seq].toInt(), b.Values[ord].toInt());
        return ka < kb;
    });
    if (cache) {
        // Loaded rows are the saved state, not changes to send.
        cdsCompCardCache->SetData(p);
        cdsCompCardCache->MergeChangeLog();
        return;
    }
    TDataPacket target;
    target.Fields = {{"DTCARDAPIO", TFieldType::DateTime, 0, false},
                     {"NMTIPOPRAT", TFieldType::String, 38, false},
                     {"NRCARDAPIO", TFieldType::String, 10, false},
                     {"NRSEQPRATCAR", TFieldType::Integer, 0, false},
                     {"NRORDPRATCAR", TFieldType::Integer, 0, false},
                     {"CDTIPOPRAT", TFieldType::String, 2, false},
                     {"CDFILAUXPRAT", TFieldType::String, 4, false},
                     {"CDPRATO", TFieldType::String, 10, false},
                     {"NMPRATO", TFieldType::String, 41, false},
                     {"PERCENTUAL", TFieldType::Float, 0, false},
                     {"COMENS", TFieldType::Float, 0, false},
                     {"IDPRATOESPE", TFieldType::String, 1, false}};
    for (const TPacketRow& r : p.Rows) {
        TPacketRow t;
        for (const TFieldDef& f : target.Fields) {
            const QString from =
                f.Name == QLatin1String("PERCENTUAL") ? QStringLiteral("VRPECONSCARD") : f.Name;
            const int i = p.FieldIndex(from);
            t.Values.append(i >= 0 ? r.Values[i] : QVariant());
        }
        target.Rows.append(t);
    }
    cdsCompCardStlPratos->SetData(target);
}

QStringList TfrmCardMens::GetStlPratosCli() {
    QStringList lines;
    for (cdsCompCardStlPratos->First(); !cdsCompCardStlPratos->Eof();
         cdsCompCardStlPratos->Next()) {
        const auto f = [this](const char* name) -> TMemField& {
            return cdsCompCardStlPratos->FieldByName(QString::fromLatin1(name));
        };
        TDishLine l;
        l.Day = DayKey(f("DTCARDAPIO").AsDateTime().date());
        l.Type = f("NMTIPOPRAT").AsString();
        l.Code = f("CDPRATO").AsString();
        l.Name = f("NMPRATO").AsString();
        l.Quantity = TipoMontagem == 0 ? QuantityText(f("COMENS").AsFloat(), 0)
                                       : QuantityText(f("PERCENTUAL").AsFloat(), 1);
        l.Branch = f("CDFILAUXPRAT").AsString();
        lines << l.Text();
    }
    const QString total = msgPadrao.Msg(QStringLiteral("TotComens"));
    for (cdsCardadiaStlPratos->First(); !cdsCardadiaStlPratos->Eof();
         cdsCardadiaStlPratos->Next()) {
        TDishLine l;
        l.Day = DayKey(
            cdsCardadiaStlPratos->FieldByName(QStringLiteral("DTCARDAPIO")).AsDateTime().date());
        l.Type = total;
        l.Quantity = QuantityText(
            cdsCardadiaStlPratos->FieldByName(QStringLiteral("QTCOMESTICAR")).AsFloat(), 0);
        lines << l.Text();
    }
    return lines;
}

void TfrmCardMens::MontaStlPratos(bool local) {
    THourglass busy;
    StlPratos.Clear();
    QString lines;
    QString desc;
    TfrmParamCardIndu* planning = Planejamento();
    if (!local) {
        QList<rpc::TRpcArg> args{{CdFilial, false},
                                 {CdServico, false},
                                 {DtMesCard, true},
                                 {DataHora(UltimoDiaMes(DtMesCard.date())), false},
                                 {qlonglong(TipoMontagem), true},
                                 {msgPadrao.Msg(QStringLiteral("TotComens")), false}};
        const QVariantList r =
            rpc::CheckResultServ(planning->Chamar(QStringLiteral("GetStlPratos"), args)).toList();
        lines = r.value(0).toString();
        desc = r.value(1).toString();
    } else {
        try {
            lines = GetStlPratosCli().join(QLatin1Char('\n'));
            QList<rpc::TRpcArg> args{{CdFilial, false},
                                     {CdServico, false},
                                     {DtMesCard, true},
                                     {DataHora(UltimoDiaMes(DtMesCard.date())), true}};
            // The answer is the text itself (empty when no day has one).
            desc = planning->Chamar(QStringLiteral("GetStlDesc"), args).toString();
        } catch (const EPlaError& e) {
            lines = QStringLiteral("&") + e.message();
        }
    }
    QString error;
    StlPratos.SetText(lines, &error);
    StlDesc = desc.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    if (!StlDesc.isEmpty() && StlDesc.last().startsWith(QLatin1Char('&'))) {
        error = StlDesc.takeLast().mid(1);
    }
    if (!error.isEmpty()) {
        MensErro(error, true);
    }
}

// The dish lines again from the editing tables: every dish of the cache with its
// quantity by the montage and rounding, and every day's total. Rebuilt whole, so that
// dishes sharing a cell keep each its line.
void TfrmCardMens::AtualizaStlPratos(bool refazer) {
    Q_UNUSED(refazer);
    TFilterSuspended diasTodos(*cdsCardaDia);
    TFilterSuspended pratosTodos(*cdsCompCardCache);
    TBookmarkRestore dia(*cdsCardaDia);
    TBookmarkRestore prato(*cdsCompCardCache);
    StlPratos.Clear();
    QHash<QString, double> diners; // NRCARDAPIO -> the day's estimated diners
    const QString total = msgPadrao.Msg(QStringLiteral("TotComens"));
    for (cdsCardaDia->First(); !cdsCardaDia->Eof(); cdsCardaDia->Next()) {
        const double d = cdsCardaDia->FieldByName(QStringLiteral("QTCOMESTICAR")).AsFloat();
        diners.insert(cdsCardaDia->FieldByName(QStringLiteral("NRCARDAPIO")).AsString(), d);
        StlPratos.Add(TDishLine{
            DayKey(cdsCardaDia->FieldByName(QStringLiteral("DTCARDAPIO")).AsDateTime().date()),
            total, QString(), QString(), QuantityText(d, 0), QString()});
    }
    for (cdsCompCardCache->First(); !cdsCompCardCache->Eof(); cdsCompCardCache->Next()) {
        const auto f = [this](const char* name) -> TMemField& {
            return cdsCompCardCache->FieldByName(QString::fromLatin1(name));
        };
        const double share = f("VRPECONSCARD").AsFloat();
        const double people = share / 100.0 * diners.value(f("NRCARDAPIO").AsString());
        double qty = share;
        if (TipoMontagem == 0) {
            qty = RoundDec(people, Arredondar ? 0 : 3);
        }
        StlPratos.Add(
            TDishLine{DayKey(f("DTCARDAPIO").AsDateTime().date()), f("NMTIPOPRAT").AsString(),
                      f("CDPRATO").AsString(), f("NMPRATO").AsString(),
                      QuantityText(qty, TipoMontagem == 0 ? 0 : 1), f("CDFILAUXPRAT").AsString()});
    }
    desCardapio->Refresh();
}

// Blocked is a date rule: the colour of a blocked day only paints it.
bool TfrmCardMens::CardBlock(const QString& dia) const {
    bool ok = false;
    const int d = dia.left(2).toInt(&ok);
    const QDate month = DtMesCard.date();
    if (!ok || !month.isValid() || d < 1 || d > month.daysInMonth()) {
        return false;
    }
    return pla::module::CardBlock(QDate(month.year(), month.month(), d), DtBaseBloqueio,
                                  QtDiaBloqCar);
}

bool TfrmCardMens::CheckOpcao(const QString& ordem) const {
    return pla::module::CheckOpcao(StlOpcao, ordem);
}

QDate TfrmCardMens::DataCard() const {
    const QModelIndex i = degCardapio->currentIndex();
    if (!i.isValid()) {
        return {};
    }
    const QDate day = desCardapio->Pivot().Cell(i.row(), i.column()).Day;
    return day.isValid() ? QDate(DtMesCard.date().year(), DtMesCard.date().month(), day.day())
                         : QDate();
}

QString TfrmCardMens::CellKey(const TPivotCell& cell) const {
    return DayKey(cell.Day) + cell.Type;
}

bool TfrmCardMens::ExibeNrCiclo() const {
    const QAction* a = Menus.value(QStringLiteral("mnuVisuNCiclo"));
    return a && a->text() == msgPadrao.Msg(QStringLiteral("Exibe_NrCiclo"));
}

void TfrmCardMens::loadCaption() {
    QString caption = AllTrim(NmFilial) + QStringLiteral(" - ") + AllTrim(NmServico) +
                      QStringLiteral(" - ") + FormatDateTime(QStringLiteral("mmmm"), DtMesCard) +
                      QStringLiteral(" - ") + FormatDateTime(QStringLiteral("yyyy"), DtMesCard);
    if (ExibeNrCiclo() && !cdsCardaMesCiclo->IsEmpty()) {
        caption += QStringLiteral(" - ") +
                   AllTrim(cdsCardaMesCiclo->FieldByName(QStringLiteral("NMCARDCICLO")).AsString());
    }
    setWindowTitle(caption);
}

void TfrmCardMens::AtualizaTela() {
    TfrmParamCardIndu* planning = Planejamento();
    if (FechadoPeloPlanejamento || !planning) {
        return;
    }
    // 1-3: the planning screen's choices.
    if (!(THostContext::WindowState(this) & Qt::WindowMaximized)) {
        THostContext::SetWindowState(this, Qt::WindowNoState);
    }
    ResultadoGeracao = planning->ResultadoGeracao();
    {
        QList<rpc::TRpcArg> args{{CdFilial, true}};
        TipoCardapio = planning->Chamar(QStringLiteral("GetTipodeCardapio"), args).toString();
    }
    CdFiliCust = AllTrim(planning->medCdFiliCust->text());
    panFiliCusto->setVisible(!CdFiliCust.isEmpty());
    panFiliCusto->setText(msgPadrao.Msg(QStringLiteral("FILIAL")) + QLatin1Char(' ') + CdFiliCust);
    TipoMontagem = planning->rdgMontagem->ItemIndex();
    Arredondar = planning->chbArredond->isChecked();
    ExibeCusto = planning->chbShowCust->isChecked();
    RefeCardapio = planning->rbtReferCard->isChecked();
    DtRefeCusto = DataHora(planning->depRefer->Date());
    const QDate baseDate = Host().DataProc(CdFilial);

    // 4: the month in one call.
    QVariantList r;
    {
        TWaitAnimation wait(this, 1, msgPadrao.Msg(QStringLiteral("getdataserv")));
        QList<rpc::TRpcArg> args{{CdFilial, true},  {QStringLiteral("PLA00101"), false},
                                 {CdServico, true}, {Host().Operador, false},
                                 {DtMesCard, true}, {Host().ModuFili, false}};
        const QVariant answer = planning->Chamar(QStringLiteral("GetCardapio"), args);
        if (answer.typeId() == QMetaType::QString) {
            throw EPlaError(answer.toString());
        }
        r = answer.toList();
        QList<rpc::TRpcArg> cycle{{CdFilial, true}, {CdServico, true}, {DtMesCard, true}};
        cdsCardaMesCiclo->SetData(
            packetOf(planning->Chamar(QStringLiteral("GetCardCiclo"), cycle)));
    }
    if (r.size() < 17) {
        throw EPlaError(QStringLiteral("Resposta incompleta do servidor ao carregar o cardápio."));
    }
    if (!r[2].toString().isEmpty()) {
        MensErro(r[2].toString(), true);
    }
    cdsParamPlaneja->SetData(packetOf(r[0]));
    cdsVisualCard->SetData(packetOf(r[1]));
    ModoVisual = cdsVisualCard->IsEmpty()
                     ? 2
                     : int(cdsVisualCard->FieldByName(QStringLiteral("NRVISUALCARD")).AsInteger());
    TipoCustoPlanejado =
        planning->TiposCusto().NumeroTipoCusto(planning->cbbTipoCust->currentIndex());
    TipoCustoRealizado =
        planning->TiposCusto().NumeroTipoCusto(planning->cbbTipoCustReal->currentIndex());
    StlOpcao = r[3].toString().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    RetornaCompcard(r[6], false);
    cdsCardadiaStlPratos->SetData(packetOf(r[5]));
    MontaStlPratos(true);
    cdsCnfCaMes->SetData(packetOf(r[4]));
    Autorizacoes = r[8].toList();
    const QString own = Autorizacoes.value(16).toString();
    if (own != QLatin1String("0") && own != QLatin1String("1")) {
        MensErro(own, true);
    }
    DesligaFiltro(*cdsCardaDia);
    DesligaFiltro(*cdsCompCardCache);
    cdsCardaDia->SetData(packetOf(r[5]));
    cdsCardaDia->MergeChangeLog();
    RetornaCompcard(r[6], true);
    cdsDecision->SetData(packetOf(r[7]));
    cdsCardEsp->SetData(packetOf(r[9]));
    const QVariantList group = r[10].toList();
    GrupoParametrizado = group.value(0).toBool();
    OperadorDoGrupo = group.value(1).toBool();
    cdsPratosExcluidos->SetData(packetOf(r[11]));
    CardapioSomenteLeitura = r[12].toBool();
    IdCardCentral = r[13].toString();
    cdsParamGeral->SetData(packetOf(r[14]));
    cdsNrCiclo->SetData(packetOf(r[15]));
    cdsCardames->SetData(packetOf(r[16]));

    // 5: a menu that no longer follows a central one forgets the central removals
    // (someone who may change it does).
    if (!cdsPratosExcluidos->IsEmpty() && IdCardCentral == QLatin1String("N") &&
        !CardapioSomenteLeitura) {
        QList<rpc::TRpcArg> args{{CdFilial, false},
                                 {CdServico, false},
                                 {DtMesCard, true},
                                 {DataHora(UltimoDiaMes(DtMesCard.date())), false}};
        rpc::CheckResultServ(planning->Chamar(QStringLiteral("DelCnfCaMes"), args), true);
        cdsPratosExcluidos->EmptyDataSet();
        AtualizaTela();
        return;
    }

    // 6-7: caption, blocked days and holidays.
    loadCaption();
    DtBaseBloqueio = baseDate;
    QtDiaBloqCar = paramPlaneja("QTDIABLOQCAR").toInt();
    StlCorBloq =
        CoresBloqueio(DtMesCard.date(), baseDate, QtDiaBloqCar, paramPlaneja("NRCORNALTE"));
    qryFeriado->SetConnection(Host().SharedConnection());
    qryFeriado->Close();
    qryFeriado->SetParam(QStringLiteral("P_CDFILIAL"), CdFilial);
    qryFeriado->SetParam(QStringLiteral("P_DTINICIO"), DtMesCard);
    qryFeriado->SetParam(QStringLiteral("P_DTFIM"), DataHora(UltimoDiaMes(DtMesCard.date())));
    qryFeriado->Open();
    QSet<QDate> holidays;
    for (qryFeriado->First(); !qryFeriado->Eof(); qryFeriado->Next()) {
        holidays.insert(qryFeriado->FieldByName(QStringLiteral("DTFERIFILI")).AsDateTime().date());
    }
    StlCorFeriado = CoresFeriado(DtMesCard.date(), holidays, paramPlaneja("NRCORNUTIL"));

    // 8: the read-only notice and the toolbar.
    panAviso->setVisible(CardapioSomenteLeitura);
    arrangeToolbar();

    // The grid.
    QList<QDate> days;
    QStringList types;
    for (cdsDecision->First(); !cdsDecision->Eof(); cdsDecision->Next()) {
        days << cdsDecision->FieldByName(QStringLiteral("DTDATA")).AsDateTime().date();
        types << cdsDecision->FieldByName(QStringLiteral("NMTIPOPRAT")).AsString();
    }
    TMenuPivot pivot;
    pivot.SetData(days, types, msgPadrao.Msg(QStringLiteral("TotComens")));
    pivot.SetView(ModoVisual);
    desCardapio->SetPivot(pivot);
    // The planner starts on the first day that may still change.
    const QList<QDate>& shown = desCardapio->Pivot().Days();
    QDate first = shown.value(0);
    for (const QDate& d : shown) {
        if (!CardBlock(DayKey(d))) {
            first = d;
            break;
        }
    }
    posicionaCelula(first, desCardapio->Pivot().Types().value(0));
}

void TfrmCardMens::posicionaCelula(const QDate& dia, const QString& tipo) {
    const auto [row, column] = desCardapio->Pivot().Position(dia, tipo);
    if (row >= 0) {
        degCardapio->setCurrentIndex(desCardapio->index(row, column));
    }
}

// Every cell's text, background and font.
void TfrmCardMens::degCardapioDecisionDrawCell(const TPivotCell& cell, TDrawCell& draw) {
    const QChar type = TipoCardapio.isEmpty() ? QChar() : TipoCardapio.at(0);
    const bool centralColours =
        (type == QLatin1Char('S') && !paramPlaneja("CDFILCENTPME").trimmed().isEmpty()) ||
        (type == QLatin1Char('D') && IdCardDescentr == QLatin1Char('S'));
    switch (cell.Kind) {
    case TCellKind::Data:
    case TCellKind::Total: {
        const std::optional<TDishLine> line = StlPratos.Lookup(CellKey(cell));
        if (line) {
            const double qty =
                QuantityValue(line->Quantity.isEmpty() ? QStringLiteral("0") : line->Quantity);
            QString text;
            if (TipoMontagem == 0) {
                text = FormatFloat(
                    Arredondar ? QStringLiteral("#,##0") : QStringLiteral("#,##0.###"), qty);
            } else {
                text = FormatFloat(QStringLiteral("#,##0.##"), qty);
                if (cell.Kind != TCellKind::Total) {
                    text += QLatin1Char('%');
                }
            }
            draw.Text = QLatin1Char(' ') + text + QStringLiteral("  ") + line->Dish();
            if (centralColours) {
                if (line->Mark() == QLatin1Char('R')) {
                    draw.Background = storedColour(paramPlaneja("NRCORCARDREV"));
                } else if (line->Mark() == QLatin1Char('S')) {
                    draw.Background = storedColour(paramPlaneja("NRCORCARDESP"));
                }
            }
            if (cdsAnaliCor->Active() && !cdsAnaliCor->IsEmpty()) {
                // The colour analysis marks dishes over everything else.
                const QVariant colour =
                    cdsAnaliCor->Lookup(QStringLiteral("CDPRATO;CDFILAUXPRAT"),
                                        {line->Code, line->Branch}, QStringLiteral("NRCOR"));
                if (!colour.isNull()) {
                    draw.Background = storedColour(colour.toString());
                }
            }
        } else if (centralColours && cell.Kind == TCellKind::Data && cdsParamGeral->Active() &&
                   !cdsPratosExcluidos->IsEmpty()) {
            // An empty cell whose central dish was removed shows who removed it.
            const int order = cell.Type.left(3).toInt();
            int seq = -1;
            const QVariant found = cdsCnfCaMes->Lookup(QStringLiteral("NRORDCNFMES"), {order},
                                                       QStringLiteral("NRSEQCNFMES"));
            if (!found.isNull()) {
                seq = found.toInt();
            }
            const QVariant where =
                cdsPratosExcluidos->Lookup(QStringLiteral("DTPRATEXCL;NRSEQPRATEXCL"),
                                           {DayKey(cell.Day), seq}, QStringLiteral("IDLOCALEXCL"));
            if (where.toString() == QLatin1String("F")) {
                draw.Background = storedColour(paramPlaneja("NRCORCARDESP"));
            } else if (where.toString() == QLatin1String("M")) {
                draw.Background = storedColour(paramPlaneja("NRCORCARDREV"));
            }
        }
        break;
    }
    case TCellKind::TotalCaption:
        draw.Text = msgPadrao.Msg(QStringLiteral("TotComens"));
        break;
    case TCellKind::DayHeader: {
        const QString dd = DayKey(cell.Day);
        for (const QString& l : StlDesc) {
            if (l.startsWith(dd + QLatin1Char('='))) {
                draw.Text += QLatin1Char(' ') + l.mid(3);
                break;
            }
        }
        if (ExibeNrCiclo()) {
            const QVariant nr =
                cdsNrCiclo->Lookup(QStringLiteral("DTCARDAPIO"), {dd}, QStringLiteral("NRCICLO"));
            if (!nr.isNull()) {
                draw.Text = nr.toString() + QStringLiteral(" - ") + draw.Text;
            }
        }
        const int d = cell.Day.day();
        const QString blocked = StlCorBloq.value(d).trimmed();
        if (!blocked.isEmpty()) {
            draw.Background = storedColour(blocked);
        }
        const QString holiday = StlCorFeriado.value(d).trimmed();
        if (!holiday.isEmpty()) {
            draw.FontColor = storedColour(holiday);
            draw.Bold = true;
        }
        break;
    }
    case TCellKind::TypeHeader:
        draw.Text = cell.Type.mid(5);
        if (CheckOpcao(cell.Type.left(3))) {
            draw.Text += QLatin1Char(' ') + msgPadrao.Msg(QStringLiteral("Op"));
        }
        break;
    }
}

void TfrmCardMens::MudaVisual(int mode) {
    ModoVisual = std::clamp(mode, 0, 2);
    const TPivotCell current = CelulaAtual();
    TMenuPivot pivot = desCardapio->Pivot();
    pivot.SetView(ModoVisual);
    desCardapio->SetPivot(pivot);
    // The same day and position, wherever the view puts them.
    posicionaCelula(current.Day, current.Type);
}

void TfrmCardMens::mnuChangeViewClick() {
    TfrmVisua dialog(this);
    dialog.SetView(ModoVisual);
    if (TModalRunner::Run(dialog) != QDialog::Accepted) {
        return;
    }
    const int mode = dialog.View();
    MudaVisual(mode);
    const bool saved =
        !cdsVisualCard->IsEmpty() &&
        cdsVisualCard->FieldByName(QStringLiteral("NRVISUALCARD")).AsInteger() == mode &&
        cdsVisualCard->FieldByName(QStringLiteral("CDOPERADOR")).AsString() == Host().Operador;
    if (saved) {
        return;
    }
    QList<rpc::TRpcArg> args{
        {CdFilial, false}, {CdServico, true}, {Host().Operador, false}, {qlonglong(mode), true}};
    const QString answer =
        Planejamento()->Chamar(QStringLiteral("GravaVisualCard"), args).toString();
    if (!answer.isEmpty()) {
        MensErro(answer, true);
    }
    if (cdsVisualCard->IsEmpty()) {
        cdsVisualCard->Append();
        cdsVisualCard->FieldByName(QStringLiteral("CDFILIAL")).SetAsString(CdFilial);
        cdsVisualCard->FieldByName(QStringLiteral("CDSERVFILI")).SetAsString(CdServico);
    } else {
        cdsVisualCard->Edit();
    }
    cdsVisualCard->FieldByName(QStringLiteral("NRVISUALCARD")).SetAsInteger(mode);
    cdsVisualCard->FieldByName(QStringLiteral("CDOPERADOR")).SetAsString(Host().Operador);
    cdsVisualCard->Post();
    cdsVisualCard->MergeChangeLog();
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
            const std::optional<TDishLine> line = StlPratos.Lookup(CellKey(pivot.Cell(r, c)));
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
