// Placing dishes in the monthly grid: the dish selection for the current cell, a new
// dish written into the change cache (the day created first when it has no menu), a
// dish replaced in place, and the marks that say where each dish comes from.
#include "core/data_packet.h"
#include "core/dates.h"
#include "core/numbers.h"
#include "core/reference.h"
#include "core/table_scopes.h"
#include "host/busy_scopes.h"
#include "host/host_context.h"
#include "host/host_messages.h"
#include "host/host_query.h"
#include "module/monthly_menu/model/cardapio_mensal.h"
#include "module/shift_diners/padroes_dia.h"
#include "rpc/contracts.h"
#include "rpc/net_connection.h"

namespace pla::module {

using namespace pla::host;

TMarkContext TCardapioMensal::contextoMarca() const {
    TMarkContext ctx;
    ctx.MenuType = tipoDeCardapio();
    ctx.CentralBranchSet = !paramPlaneja("CDFILCENTPME").isEmpty();
    ctx.GroupParameterised = grupoParametrizado();
    ctx.OperatorOfGroup = operadorDoGrupo();
    ctx.DependsOnRelease = dependeLiberacao();
    ctx.CentralFlag = IdCardCentral == QLatin1String("S");
    ctx.Keep = paramGeral("IDMANCORCARDALT") == QLatin1String("N");
    ctx.ModuFili = Host().ModuFili;
    return ctx;
}

void TCardapioMensal::FiltraData(TMemTable& table, const QDate& dia) {
    table.SetFiltered(false);
    dataFiltro_ = dia;
    (&table == cdsCardaDia ? filtroCardaDia_ : filtroCompCard_) = true;
    table.SetFiltered(true);
}

void TCardapioMensal::DesligaFiltro(TMemTable& table) {
    table.SetFiltered(false);
    (&table == cdsCardaDia ? filtroCardaDia_ : filtroCompCard_) = false;
}

int TCardapioMensal::GetSeqPrat(int ordem) {
    if (!cdsCnfCaMes->Active()) {
        cdsCnfCaMes->SetData(
            rpc::PacoteServ(chama(rpc::metodos::GetCnfCaMes(), {CdFilial, CdServico, DtMesCard})));
    }
    const QVariant seq =
        cdsCnfCaMes->Lookup(QStringLiteral("NRORDCNFMES"), {ordem}, QStringLiteral("NRSEQCNFMES"));
    return seq.isNull() ? 0 : seq.toInt();
}

void TCardapioMensal::CarregaPratoMatriz(const QString& nrCardapio, int posicao) {
    cdsPratoMatriz->SetData(rpc::PacoteServ(
        chama(rpc::metodos::getPratoMatriz(), {CdFilial, nrCardapio, qlonglong(posicao)})));
}

// The central dish and the removed dish of a day's position (each empty when none).
TMarkDishes TCardapioMensal::pratosDaPosicao(const QString& nrCardapio, const QDate& dia,
                                             int posicao) {
    TMarkDishes dishes;
    CarregaPratoMatriz(nrCardapio, posicao);
    if (!cdsPratoMatriz->IsEmpty()) {
        dishes.Central = {
            cdsPratoMatriz->FieldByName(QStringLiteral("CDPRATOMAT")).AsString(),
            cdsPratoMatriz->FieldByName(QStringLiteral("CDFILAUXPRATMAT")).AsString()};
    }
    if (pratoExcluido(DayKey(dia), posicao)) {
        dishes.Excluded = {
            cdsPratosExcluidos->FieldByName(QStringLiteral("CDPRATO")).AsString(),
            cdsPratosExcluidos->FieldByName(QStringLiteral("CDFILAUXPRAT")).AsString()};
    }
    return dishes;
}

// A position whose dishes count towards their dish type's diners: counted and not
// optional.
bool TCardapioMensal::PosicaoContada(int posicao) {
    return cdsCnfCaMes->Locate(QStringLiteral("NRSEQCNFMES"), posicao) &&
           cdsCnfCaMes->FieldByName(QStringLiteral("IDOPCCNFMES")).AsString() !=
               QLatin1String("S") &&
           cdsCnfCaMes->FieldByName(QStringLiteral("IDCONCNFMES")).AsString() == QLatin1String("S");
}

bool TCardapioMensal::UtilizaPratoRelacionado() {
    if (!cdsSerPratRelat->Active()) {
        cdsSerPratRelat->SetData(
            rpc::PacoteServ(chama(rpc::metodos::GetServUtPratRelat(), {CdFilial, CdServico})));
    }
    return !cdsSerPratRelat->IsEmpty() &&
           cdsSerPratRelat->FieldByName(QStringLiteral("IDUTPRATRELAC")).AsString() ==
               QLatin1String("S");
}

bool TCardapioMensal::pratoExcluido(const QString& dia, int posicao) {
    if (dia.trimmed().isEmpty() || !cdsPratosExcluidos->Active()) {
        return false;
    }
    return cdsPratosExcluidos->Locate(QStringLiteral("DTPRATEXCL;NRSEQPRATEXCL"), {dia, posicao});
}

// Days whose menu departs from the central one: type S following a head office, and a
// release-dependent type D changed outside the group.
void TCardapioMensal::RegistraDiaEspecifico(const QDate& dia) {
    const bool segue =
        (tipoDeCardapio() == QLatin1Char('S') && !paramPlaneja("CDFILCENTPME").isEmpty()) ||
        (dependeLiberacao() && !operadorDoGrupo());
    if (!segue || !cdsCardEsp->Active() ||
        cdsCardEsp->Locate(QStringLiteral("DTCARDAPIO"), DataHora(dia))) {
        return;
    }
    // The day's number read from the day table filtered to that date.
    FiltraData(*cdsCardaDia, dia);
    const QString nr = cdsCardaDia->IsEmpty()
                           ? QString()
                           : cdsCardaDia->FieldByName(QStringLiteral("NRCARDAPIO")).AsString();
    DesligaFiltro(*cdsCardaDia);
    cdsCardEsp->Append();
    cdsCardEsp->FieldByName(QStringLiteral("DTCARDAPIO")).SetValue(DataHora(dia));
    cdsCardEsp->FieldByName(QStringLiteral("NRCARDAPIO")).SetAsString(nr.trimmed());
    cdsCardEsp->Post();
}

void TCardapioMensal::LoadBPL_PLA00115() {
    DesabilitaAnaliCor();
    const TPivotCell cell = CelulaAtual();
    if (!CellVisible() || CellKey(cell).startsWith(QLatin1String("Su"))) {
        return;
    }
    const bool diners = LinhaComensais();
    if (cardapio_ReadOnly() && paramPlaneja("IDALTCOMCARD") != QLatin1String("S") && diners) {
        return;
    }
    const QDate dia = DataCard();
    VerificaDiaNaoUtil(dia);
    const std::optional<TDishLine> entry = EntradaCelula();
    if (CardBlock(DayKey(cell.Day))) {
        return;
    }
    QString nr = getNrCardapio(CdFilial, CdServico, dia).trimmed();
    if (diners) {
        if (!alterarComEstDia()) {
            return;
        }
        if (VerificaSomaTP()) {
            AbreComensaisPorTipo();
        } else {
            CriaComensaisDoDia();
        }
        return;
    }
    if (!entry ? !incluirPrato() : !(alterarPrato() || alterarComEstPrat())) {
        return;
    }
    if (nr.isEmpty()) {
        InsereCardapio(QString(), QString(), QStringLiteral("0"), QString(), dia, QString());
        nr = getNrCardapio(CdFilial, CdServico, dia).trimmed();
        AtualizaStlPratos(true);
    }
    const double comensais = comensaisDia(dia);
    if (!(comensais > 0)) {
        MensErro(msgPadrao.Msg(QStringLiteral("COMENS_MAIOR_ZERO")), true);
    }
    const int posicao = GetSeqPrat(cell.Type.left(3).toInt());

    // With a parameterised group, an operator outside it may only offer the central
    // dish of the position and its equivalents.
    QString central;
    if (grupoParametrizado() && !operadorDoGrupo() && UtilizaPratoRelacionado()) {
        pratosCarregados_ = false;
        if (entry && !entry->Code.isEmpty()) {
            central = entry->Code;
        } else {
            const TMarkDishes position = pratosDaPosicao(nr, dia, posicao);
            central = position.Central.Empty() ? position.Excluded.Code : position.Central.Code;
        }
    }

    // The dishes offered: searched by name on the server, or one list kept loaded.
    if (RefeCardapio && dataPratos_ != dia) {
        DtRefeCusto = DataHora(dia);
        dataPratos_ = dia;
        pratosCarregados_ = false;
    }
    if (paramPlaneja("IDPESQPRATNOME") == QLatin1String("S")) {
        if (cdsPrato->Active()) {
            cdsPrato->EmptyDataSet();
        }
        pratosCarregados_ = false;
    } else if (!pratosCarregados_) {
        const bool hide = tipoDeOperador() == QLatin1Char('F') &&
                          paramPlaneja("IDOCULTRECINATOPFI") == QLatin1String("S");
        const QString levels = niveisPrato();
        const QVariant pratos =
            ExibeCusto
                ? chama(rpc::metodos::GetPratoCusto(),
                        {CdFilial, CdServico, levels, QString(), qlonglong(TipoCustoPlanejado),
                         DtRefeCusto, CdFiliCust, central, hide})
                : chama(rpc::metodos::GetPratoPesq(),
                        {CdFilial, CdServico, levels, QString(), central, hide});
        cdsPrato->SetData(rpc::PacoteServ(pratos));
        pratosCarregados_ = true;
    }

    const TReference entrada(
        entry ? QVariant(QStringList{entry->Code, entry->Name, entry->Quantity, entry->Branch})
              : QVariant());
    const TReference cdPrato, nmPrato, cdFilAux, valor, confirmado(false);
    const int mode = Arredondar ? 2 : TipoMontagem;
    Host().LoadBPL(QStringLiteral("PLA00115"),
                   QVariantList{entry ? StlPratos.Find(CellKey(cell)) : -1, comensais, ExibeCusto,
                                mode, TipoCustoPlanejado, DtRefeCusto, CdFiliCust, CdFilial,
                                CdServico, entrada.AsVariant(), cdPrato.AsVariant(),
                                nmPrato.AsVariant(), cdFilAux.AsVariant(), valor.AsVariant(),
                                confirmado.AsVariant(), QVariant::fromValue<QObject*>(this),
                                Autorizacoes, central});
    if (!confirmado.Get().toBool()) {
        return;
    }
    emit comandosAlterados();
    const double chosen = valor.Get().toDouble();
    const TDishRef escolhido{cdPrato.Get().toString().trimmed(),
                             cdFilAux.Get().toString().trimmed()};
    const QString nome = nmPrato.Get().toString().trimmed();
    if (PosicaoContada(posicao)) {
        VerificaComensaisTipo(dia, cell.Type, posicao, chosen);
    }
    if (!entry) {
        if (escolhido.Empty()) {
            return;
        }
        const TMarkDishes dishes =
            dependeLiberacao() ? pratosDaPosicao(nr, dia, posicao) : TMarkDishes{};
        const QChar mark = MarcaInclusao(contextoMarca(), escolhido, dishes);
        InsereCardapio(escolhido.Code, mark + nome, QString::number(chosen), escolhido.Branch, dia,
                       cell.Type);
        RegistraDiaEspecifico(dia);
    } else {
        substituiPrato(*entry, escolhido.Code, nome, chosen, escolhido.Branch, posicao, nr);
        RegistraDiaEspecifico(dia);
    }
    emit gradeAlterada();
    emit comandosAlterados();
    ExibeAvisoRecalc();
}

// A dish put in the place of the cell's dish: the same cache row, its central dish
// recorded, its share of the day's diners; the row keeps its origin mark.
void TCardapioMensal::substituiPrato(const TDishLine& antes, const QString& cdPrato,
                                     const QString& nmPrato, double valor,
                                     const QString& cdFilAuxPrat, int posicao,
                                     const QString& nrCardapio) {
    const TDishRef escolhido{cdPrato, cdFilAuxPrat};
    const QDate dia = DataCard();
    TMarkDishes dishes;
    dishes.Former = {antes.Code, antes.Branch};
    {
        TFilterSuspended semFiltro(*cdsCompCardCache);
        if (localizaPratoCelula(antes, dia, nrCardapio, posicao)) {
            dishes.Recorded = {
                cdsCompCardCache->FieldByName(QStringLiteral("CDPRATOMAT")).AsString(),
                cdsCompCardCache->FieldByName(QStringLiteral("CDFILAUXPRATMAT")).AsString()};
        }
    }
    // Every type compares with the position's own central dish.
    dishes.Central = pratosDaPosicao(nrCardapio, dia, posicao).Central;
    const QChar mark = MarcaSubstituicao(contextoMarca(), escolhido, dishes);
    TTrocaPrato troca;
    troca.Antes = antes;
    troca.Escolhido = escolhido;
    troca.Marcado = mark.isNull() ? antes.Name : mark + nmPrato;
    troca.Valor = valor;
    troca.ValorTexto = QuantityText(valor, TipoMontagem == 0 ? 0 : 1);
    troca.SemComensais = TParteSemComensais::Integral;
    troca.Central = dishes.Central;
    troca.Posicao = posicao;
    troca.NrCardapio = nrCardapio;
    trocaPratoCelula(troca);
}

bool TCardapioMensal::localizaPratoCelula(const TDishLine& antes, const QDate& dia,
                                          const QString& nrCardapio, int posicao) {
    return cdsCompCardCache->Locate(
        QStringLiteral("CDFILIAL;DTCARDAPIO;NRCARDAPIO;NRSEQPRATCAR;CDPRATO;CDFILAUXPRAT"),
        {CdFilial, DataHora(dia), nrCardapio, posicao, antes.Code, antes.Branch});
}

bool TCardapioMensal::trocaPratoCelula(const TTrocaPrato& t) {
    if (t.Escolhido.Code.isEmpty() || t.Escolhido.Branch.isEmpty()) {
        StlPratos.Put(TDishLine{t.Antes.Day, t.Antes.Type, t.Escolhido.Code, t.Marcado,
                                t.ValorTexto, t.Escolhido.Branch});
        return true;
    }
    const QDate dia = DataCard();
    const double comensais = comensaisDia(dia);
    double parte = t.Valor;
    if (!(comensais > 0)) {
        if (TipoMontagem == 0 || t.SemComensais == TParteSemComensais::Integral) {
            parte = 100;
        }
    } else if (TipoMontagem == 0) {
        parte = t.Valor / comensais * 100.0;
    }
    {
        TFilterSuspended semFiltro(*cdsCompCardCache);
        if (!localizaPratoCelula(t.Antes, dia, t.NrCardapio, t.Posicao)) {
            return false;
        }
        const auto f = [this](const char* name) -> TMemField& {
            return cdsCompCardCache->FieldByName(QString::fromLatin1(name));
        };
        TRowEdit edicao(*cdsCompCardCache);
        TMarkDishes central;
        central.Central = t.Central;
        registraPratoMatriz(central, t.Escolhido, {t.Antes.Code, t.Antes.Branch});
        f("CDPRATO").SetAsString(t.Escolhido.Code);
        f("CDFILAUXPRAT").SetAsString(t.Escolhido.Branch);
        f("NMPRATO").SetAsString(t.Marcado);
        if (!t.Marca.isNull()) {
            f("IDPRATOESPE").SetAsString(QString(t.Marca));
        }
        f("VRPECONSCARD").SetAsFloat(parte);
        edicao.Post();
    }
    // The line as the row now reads.
    AtualizaStlPratos(true);
    return true;
}

void TCardapioMensal::registraPratoMatriz(const TMarkDishes& dishes, const TDishRef& escolhido,
                                          const TDishRef& anterior) {
    const auto f = [this](const char* name) -> TMemField& {
        return cdsCompCardCache->FieldByName(QString::fromLatin1(name));
    };
    if (dishes.Central.Empty()) {
        if (f("IDPRATOESPE").AsString() == QLatin1String("S")) {
            f("CDPRATOMAT").Clear();
            f("CDFILAUXPRATMAT").Clear();
        } else {
            f("CDPRATOMAT").SetAsString(anterior.Code);
            f("CDFILAUXPRATMAT").SetAsString(anterior.Branch);
        }
    } else if (escolhido == dishes.Central) {
        if (paramGeral("IDMANCORCARDALT") == QLatin1String("S")) {
            f("CDPRATOMAT").SetAsString(dishes.Central.Code);
            f("CDFILAUXPRATMAT").SetAsString(dishes.Central.Branch);
        } else {
            f("CDPRATOMAT").Clear();
            f("CDFILAUXPRATMAT").Clear();
        }
    } else {
        f("CDPRATOMAT").SetAsString(dishes.Central.Code);
        f("CDFILAUXPRATMAT").SetAsString(dishes.Central.Branch);
    }
}

void TCardapioMensal::InsereCardapio(const QString& cdPrato, const QString& nmPrato,
                                     const QString& valor, const QString& cdFilAuxPrat,
                                     const QDate& dia, const QString& tipo) {
    const bool comPrato = !cdPrato.isEmpty() || !cdFilAuxPrat.isEmpty();
    QString nr = getNrCardapio(CdFilial, CdServico, dia).trimmed();
    if (nr.isEmpty()) {
        // The day's menu record, with the service's estimates for its weekday or for a
        // menu holiday, created on the server at once.
        const QDateTime data = DataHora(dia);
        const TPadroesDia padroes =
            TPadroesDia::Le(Host().SharedConnection(), CdFilial, CdServico, dia);
        const bool feriado = padroes.Feriado;
        DesligaFiltro(*cdsCardaDia);
        cdsCardaDia->Append();
        const auto f = [this](const QString& name) -> TMemField& {
            return cdsCardaDia->FieldByName(name);
        };
        f(QStringLiteral("NRCARDAPIO")).SetAsString(QString::fromLatin1(NrCardapioProvisorio));
        f(QStringLiteral("CDOPERADOR")).SetAsString(Host().Operador);
        f(QStringLiteral("DTCARDAPIO")).SetValue(data);
        f(QStringLiteral("DTMESCARD")).SetValue(DtMesCard);
        f(QStringLiteral("CDFILIAL")).SetAsString(CdFilial);
        f(QStringLiteral("CDSERVFILI")).SetAsString(CdServico);
        f(QStringLiteral("QTCOMESTICAR")).SetAsFloat(padroes.Total);
        f(QStringLiteral("QTCLIESTICAR")).SetAsFloat(padroes.Cliente);
        f(QStringLiteral("QTFUNESTICAR")).SetAsFloat(padroes.Funcionario);
        f(QStringLiteral("QTDOAESTICAR")).SetAsFloat(padroes.Doacoes);
        // Each shift in the column of its code, as the day's diners dialog reads it.
        for (const TTurnoDia& t : padroes.TurnosGuardaveis()) {
            f(QStringLiteral("QTESTITURNO%1").arg(t.Codigo)).SetAsFloat(t.Padrao);
        }
        if (!(f(QStringLiteral("QTCOMESTICAR")).AsFloat() > 0)) {
            cdsCardaDia->Cancel();
            MensErro(msgPadrao.Msg(QStringLiteral("COMENS_MAIOR_ZERO")), true);
        }
        cdsCardaDia->Post();
        const TBookmark day = cdsCardaDia->Bookmark();
        nr = UpdCacheOnSrv().trimmed();
        cdsCardaDia->GotoBookmark(day);
        cdsCardaDia->Edit();
        f(QStringLiteral("NRCARDAPIO")).SetAsString(nr);
        cdsCardaDia->Post();
        cdsCardaDia->MergeChangeLog();
        if (IdServTran == QLatin1String("S")) {
            InsereCardaCli(nr, dia, feriado);
        }
    }
    if (!comPrato) {
        AtualizaStlPratos(true);
        return;
    }
    const double comensais = comensaisDia(dia);
    if (!(comensais > 0)) {
        AtualizaStlPratos(true);
        MensErro(msgPadrao.Msg(QStringLiteral("COMENS_MAIOR_ZERO")), true);
    }
    const QChar mark = nmPrato.isEmpty() ? QLatin1Char('N') : nmPrato.at(0);
    const int ordem = tipo.left(3).toInt();
    const int posicao = GetSeqPrat(ordem);
    double share = QuantityValue(valor);
    if (TipoMontagem == 0) {
        share = share / comensais * 100.0;
    }
    QString central;
    QString centralBranch;
    if (tipoDeCardapio() == QLatin1Char('D') && IdCardCentral == QLatin1String("S") &&
        pratoExcluido(DayKey(dia), posicao)) {
        const TDishRef excluido{
            cdsPratosExcluidos->FieldByName(QStringLiteral("CDPRATO")).AsString(),
            cdsPratosExcluidos->FieldByName(QStringLiteral("CDFILAUXPRAT")).AsString()};
        // The dish that stands in for an excluded central dish records it.
        if (!(excluido == TDishRef{cdPrato, cdFilAuxPrat})) {
            central = excluido.Code;
            centralBranch = excluido.Branch;
        }
    }
    TFilterSuspended semFiltro(*cdsCompCardCache);
    cdsCompCardCache->Append();
    const auto f = [this](const char* name) -> TMemField& {
        return cdsCompCardCache->FieldByName(QString::fromLatin1(name));
    };
    f("CDFILIAL").SetAsString(CdFilial);
    f("CDSERVFILI").SetAsString(CdServico);
    f("DTCARDAPIO").SetValue(DataHora(dia));
    f("NRCARDAPIO").SetAsString(nr);
    f("NRORDPRATCAR").SetAsInteger(ordem);
    f("NRSEQPRATCAR").SetAsInteger(posicao);
    f("CDPRATO").SetAsString(cdPrato);
    f("NMPRATO").SetAsString(nmPrato);
    f("IDPRATOESPE").SetAsString(QString(mark));
    f("CDFILAUXPRAT").SetAsString(cdFilAuxPrat);
    f("CDTIPOPRAT").SetAsString(tipo.mid(3, 2));
    f("NMTIPOPRAT").SetAsString(tipo);
    f("VRPECONSCARD").SetAsFloat(share);
    if (!central.isEmpty()) {
        f("CDPRATOMAT").SetAsString(central);
        f("CDFILAUXPRATMAT").SetAsString(centralBranch);
    }
    cdsCompCardCache->Post();
    AtualizaStlPratos(true);
}

} // namespace pla::module
