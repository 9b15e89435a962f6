// The open month: its tables, the choices it was opened with, the load of the month
// from the server, the current cell the views report, and what the planner may do.
#include "cardapio_mensal.h"

#include "core/data_packet.h"
#include "core/dates.h"
#include "core/table_scopes.h"
#include "core/text_utils.h"
#include "host/busy_scopes.h"
#include "host/dialog_presenter.h"
#include "host/host_context.h"
#include "host/host_messages.h"
#include "host/host_query.h"
#include "module/equivalents/linhas_equivalentes.h"
#include "module/frame/module_state.h"
#include "module/monthly_menu/grid/day_colours.h"
#include "module/monthly_menu/model/analise_cores.h"
#include "rpc/contracts.h"
#include "rpc/net_connection.h"

#include <QSet>
#include <QWidget>

namespace pla::module {

using namespace pla::host;

const QStringList& CatalogoCardapio() {
    static const QStringList catalogue{
        QStringLiteral("CARDAPIO_CONSULTA|Cardápio habilitado apenas para consulta."),
        QStringLiteral("FILIAL|Filial:"),
        QStringLiteral("TotComens| Comensais"),
        QStringLiteral("Op|(Opção)"),
        QStringLiteral("N_Exibe_NrCiclo|&Visualizar Nº do Ciclo"),
        QStringLiteral("Exibe_NrCiclo|&Visualizar apenas dia do cardápio"),
        QStringLiteral("close_error|Ocorreu um erro na tentativa de fechar o cardápio."),
        QStringLiteral("getdataserv|Carregando dados do servidor..."),
        QStringLiteral("undochanges|Tem certeza que deseja desfazer todas as alterações?"),
        QStringLiteral("updatecache|Deseja gravar as alterações antes de sair?"),
        QStringLiteral("GRAVA_ANTES|Há alterações não gravadas no cardápio. Deseja gravá-las "
                       "antes de continuar?"),
        QStringLiteral("CARDAPIO_SEM_PRAT|Cardápio"),
        QStringLiteral("COMENSAIS_SEM_PRAT|Comensais"),
        QStringLiteral("CARD_SEM_PRAT|Existe(m) cardápio(s) sem prato. Deseja excluir os "
                       "comensais estimados do(s) mesmo(s)?"),
        QStringLiteral("SUCESSO|Os comensais estimados foram excluido com sucesso."),
        QStringLiteral("CONF_EXCL|Confirma exclusão?"),
        QStringLiteral("CONF_SUBS|Confirma substituição?"),
        QStringLiteral("CARDBLDIA_N_UTIL|Cardápio bloqueado para dia não útil."),
        QStringLiteral("DIA_BLOQUEADO|") + TextoDiaBloqueado(),
        QStringLiteral("BLOQ_PADR|Operação bloqueada. Prato não possui receita revisada."),
        QStringLiteral("PratRecProdInativ|Prato não pode conter produto inativo na receita (%s)."),
        QStringLiteral("Prato_Equiv|Prato não é equivalente."),
        QStringLiteral("COMENS_MAIOR_ZERO|Número de comensais do dia deve ser maior que zero."),
        QStringLiteral("COM>ZERO|Número de comensais do prato deve ser maior do que zero."),
        QStringLiteral("PER>ZERO|Percentual de consumo do prato deve ser maior do que zero."),
        QStringLiteral("DIA|Dia"),
        QStringLiteral("ACUM_ATE|Acumulado até"),
        QStringLiteral("Recalc|Custos desatualizados! Clique para recalcular."),
        QStringLiteral("ConfRecalc|Custos desatualizados! Confirme para recalcular."),
        QStringLiteral("refecard|(Custo) Data do Cardápio"),
        QStringLiteral("refefix|(Custo) Referência: %s"),
        QStringLiteral("cenario|Gerado pelo cenário:"),
        QStringLiteral("FECHA_CARD_CUS|Operação bloqueada! O custo do cardápio está fora do "
                       "intervalo permitido."),
    };
    return catalogue;
}

TCardapioMensal::TCardapioMensal(QObject* parent, TProvedorPlanejamento planejamento)
    : QObject(parent)
    , planejamento_(planejamento ? std::move(planejamento)
                                 : TProvedorPlanejamento([] { return PlanejamentoAtual(); })) {
    setObjectName(QStringLiteral("Cardapio"));
    msgPadrao.AddLines(CatalogoCardapio());
    custo_ = new TCustoMensal(*this);
    const auto table = [this](const char* name) {
        return new TMemTable(QString::fromLatin1(name), this);
    };
    cdsServicos = table("cdsServicos");
    cdsParamPlaneja = table("cdsParamPlaneja");
    cdsVisualCard = table("cdsVisualCard");
    cdsCnfCaMes = table("cdsCnfCaMes");
    cdsCardaDia = table("cdsCardaDia");
    cdsCardadiaStlPratos = table("cdsCardadiaStlPratos");
    cdsCompCardCache = table("cdsCompCardCache");
    cdsCompCardStlPratos = table("cdsCompCardStlPratos");
    cdsDecision = table("cdsDecision");
    cdsCardEsp = table("cdsCardEsp");
    cdsPratosExcluidos = table("cdsPratosExcluidos");
    cdsParamGeral = table("cdsParamGeral");
    cdsNrCiclo = table("cdsNrCiclo");
    cdsCardames = table("cdsCardames");
    cdsCardaMesCiclo = table("cdsCardaMesCiclo");
    cdsAnaliCor = table("cdsAnaliCor");
    cdsPrato = table("cdsPrato");
    cdsPratoMatriz = table("cdsPratoMatriz");
    cdsPratoEquiv = table("cdsPratoEquiv");
    cdsSerPratRelat = table("cdsSerPratRelat");
    cdsComensAux = table("cdsComensAux");
    cdsComensEst = table("cdsComensEst");
    cdsCardaCli = table("cdsCardaCli");
    analiseCores_ = new TAnaliseCores(*this);
    // The list shows each service as its code, two blanks and its name.
    cdsServicos->AddCalcField(QStringLiteral("SERVICO"), TFieldType::String, 60)
        .SetDisplayLabel(QStringLiteral("Serviço"));
    cdsServicos->OnCalcFields = [](TCalcRow& row) {
        row.SetValue(QStringLiteral("SERVICO"), row.AsString(QStringLiteral("CDSERVFILI")) +
                                                    QStringLiteral("  ") +
                                                    row.AsString(QStringLiteral("NMSERVICO")));
    };
    for (TMemTable* t : {cdsComensAux, cdsComensEst}) {
        t->AddField(QStringLiteral("CDFILIAL"), TFieldType::String, 4);
        t->AddField(QStringLiteral("NMFILIAL"), TFieldType::String, 50);
        t->AddField(QStringLiteral("CDSERVFILI"), TFieldType::String, 5);
        t->AddField(QStringLiteral("NMSERVICO"), TFieldType::String, 50);
        t->AddField(QStringLiteral("DTCARDAPIO"), TFieldType::DateTime);
        t->AddField(QStringLiteral("CDTIPOPRAT"), TFieldType::String, 2);
        t->AddField(QStringLiteral("NMTIPOPRAT"), TFieldType::String, 50);
        t->AddField(QStringLiteral("COMENSEST"), TFieldType::Float);
        t->AddField(QStringLiteral("COMENSDIA"), TFieldType::Float);
        t->AddField(QStringLiteral("DIFERENCA"), TFieldType::Float);
        t->CreateDataSet();
    }
    // Both tables filter on one shared date, each while its own flag is set.
    cdsCardaDia->SetOnFilterRecord([this](const TMemRow& row) {
        return filtroCardaDia_ &&
               row.AsDateTime(QStringLiteral("DTCARDAPIO")).date() == dataFiltro_;
    });
    cdsCompCardCache->SetOnFilterRecord([this](const TMemRow& row) {
        return filtroCompCard_ &&
               row.AsDateTime(QStringLiteral("DTCARDAPIO")).date() == dataFiltro_;
    });
    // Either table starting or ending an edit, or a change logged: the commands follow.
    for (TMemTable* t : {cdsCardaDia, cdsCompCardCache}) {
        connect(t, &TMemTable::stateChanged, this, &TCardapioMensal::comandosAlterados);
    }
    qryFeriado = new THostQuery(QStringLiteral("qryFeriado"), this);
    qryFeriado->SetSql(QStringLiteral("SELECT DTFERIFILI, DSFERIFILI FROM FERIFILI WHERE "
                                      "CDFILIAL = :P_CDFILIAL AND DTFERIFILI >= :P_DTINICIO AND "
                                      "DTFERIFILI <= :P_DTFIM"));
    qryFeriado->AddField(QStringLiteral("DTFERIFILI"), TFieldType::DateTime);
    qryFeriado->AddField(QStringLiteral("DSFERIFILI"), TFieldType::String, 60);
    qryDiaNaoUtil = new THostQuery(QStringLiteral("qryDiaNaoUtil"), this);
    qryDiaNaoUtil->SetSql(QStringLiteral("SELECT DTFERIFILI, DSFERIFILI FROM FERIFILI WHERE "
                                         "CDFILIAL = :P_CDFILIAL AND DTFERIFILI = :P_DTCARDAPIO"));
    qryDiaNaoUtil->AddField(QStringLiteral("DTFERIFILI"), TFieldType::DateTime);
    qryDiaNaoUtil->AddField(QStringLiteral("DSFERIFILI"), TFieldType::String, 60);
    qryTipoPrato = new THostQuery(QStringLiteral("qryTipoPrato"), this);
    qryTipoPrato->SetSql(
        QStringLiteral("SELECT NMTIPOPRAT FROM TIPOPRAT WHERE CDTIPOPRAT = :P_CDTIPOPRAT"));
}

TCardapioMensal::~TCardapioMensal() = default;

IPlanejamento* TCardapioMensal::Planejamento() const {
    return planejamento_();
}

QVariant TCardapioMensal::chama(const rpc::TMethodSpec& metodo, const QVariantList& valores) {
    IPlanejamento* planning = Planejamento();
    if (!planning) {
        throw EPlaError(QStringLiteral("A tela de elaboração do cardápio foi fechada."));
    }
    return Chama(*planning, metodo, valores);
}

QWidget* TCardapioMensal::janela() const {
    return qobject_cast<QWidget*>(parent());
}

// A parameter of the branch's planning, or of the general ones, as trimmed text; empty
// when not loaded.
QString TCardapioMensal::paramPlaneja(const char* name) const {
    const TMemField* f = cdsParamPlaneja->Active() && !cdsParamPlaneja->IsEmpty()
                             ? cdsParamPlaneja->FindField(QString::fromLatin1(name))
                             : nullptr;
    return f && !f->IsNull() ? f->AsString().trimmed() : QString();
}

QString TCardapioMensal::paramGeral(const char* name) const {
    const TMemField* f = cdsParamGeral->Active() && !cdsParamGeral->IsEmpty()
                             ? cdsParamGeral->FindField(QString::fromLatin1(name))
                             : nullptr;
    return f && !f->IsNull() ? f->AsString().trimmed() : QString();
}

QString TCardapioMensal::niveisPrato() const {
    const QString niveis = paramGeral("NRNIVEISPRATO");
    return niveis.isEmpty() ? QStringLiteral("1") : niveis;
}

// --- start ------------------------------------------------------------------------

void TCardapioMensal::Iniciar(const TEscolhaPlanejamento& escolha) {
    CdFilial = escolha.CdFilial;
    NmFilial = escolha.NmFilial;
    DtMesCard = DataHora(PriDiaMes(escolha.DtMesCard.date()));
    TipoMontagem = escolha.TipoMontagem;
    if (!cdsServicos->Active()) {
        CarregaServicos();
    }
    Autorizacoes =
        rpc::CheckResultServ(chama(rpc::metodos::CheckAutOper(), {Host().Operador})).toList();
    emit comandosAlterados();
}

void TCardapioMensal::CarregaServicos() {
    TWaitAnimation wait(janela(), 1, msgPadrao.Msg(QStringLiteral("getdataserv")));
    cdsServicos->SetData(
        rpc::PacoteServ(chama(rpc::metodos::GetServicos(), {CdFilial, QStringLiteral("T")})));
    if (TMemField* f = cdsServicos->FindField(QStringLiteral("CDSERVFILI"))) {
        f->SetDisplayLabel(QStringLiteral("Serviço(Código)"));
    }
    if (TMemField* f = cdsServicos->FindField(QStringLiteral("NMSERVICO"))) {
        f->SetDisplayLabel(QStringLiteral("Serviço(Nome)"));
    }
    for (const char* hidden :
         {"CDSERVFILI", "NMSERVICO", "CDGRUPSERV", "IDSERVTRAN", "IDCARDDESCENTR"}) {
        if (TMemField* f = cdsServicos->FindField(QString::fromLatin1(hidden))) {
            f->SetVisible(false);
        }
    }
}

bool TCardapioMensal::SelecionaServico(const QString& cdServico, bool validado) {
    if (cdsServicos->IsEmpty()) {
        return false;
    }
    if (!VerificaCardapioEmAlteracao()) {
        return false;
    }
    IPlanejamento* planning = Planejamento();
    if (!validado && planning) {
        planning->ValidaElaboracaoCardapio(CdFilial, cdServico, DtMesCard.date(), TipoMontagem);
        ResultadoGeracao = planning->ResultadoGeracao();
    }
    if (!cdsServicos->Locate(QStringLiteral("CDSERVFILI"), cdServico)) {
        return false;
    }
    SetaVariaveis();
    return true;
}

void TCardapioMensal::CarregaDietas() {
    if (IPlanejamento* planning = Planejamento()) {
        QtDietaServ = rpc::CheckResultServ(
                          Chama(*planning, rpc::metodos::getDietaServ(), {CdFilial, CdServico}))
                          .toDouble();
    }
}

void TCardapioMensal::SetaVariaveis() {
    CdServico = cdsServicos->FieldByName(QStringLiteral("CDSERVFILI")).AsString();
    NmServico = cdsServicos->FieldByName(QStringLiteral("NMSERVICO")).AsString();
    const QString descentr = cdsServicos->FieldByName(QStringLiteral("IDCARDDESCENTR")).AsString();
    IdCardDescentr = descentr.isEmpty() ? QChar() : descentr.at(0);
    IdServTran = cdsServicos->FieldByName(QStringLiteral("IDSERVTRAN")).AsString();
    // What was read for the previous service.
    cdsSerPratRelat->Close();
    cdsCardaCli->Close();
    cdsComensAux->EmptyDataSet();
    pratosCarregados_ = false;
    if (IPlanejamento* planning = Planejamento()) {
        const TEscolhaPlanejamento escolha = planning->Escolha();
        CdCardCiclo = escolha.CdCardCiclo;
        NmCardCiclo = escolha.NmCardCiclo;
    } else {
        CdCardCiclo.clear();
        NmCardCiclo.clear();
    }
    CustoPreparado = false;
}

bool TCardapioMensal::EhDoMes(const QString& cdFilial, const QString& cdServico,
                              const QDateTime& mes) const {
    return CdFilial == cdFilial && CdServico == cdServico && DtMesCard == mes;
}

void TCardapioMensal::AplicaEscolha(const TEscolhaPlanejamento& escolha) {
    if (TipoMontagem != escolha.TipoMontagem || Arredondar != escolha.Arredondar) {
        TipoMontagem = escolha.TipoMontagem;
        Arredondar = escolha.Arredondar;
        AtualizaStlPratos(false);
    }
    if (ExibeCusto != escolha.ExibeCusto) {
        CustoPreparado = false;
    }
    ExibeCusto = escolha.ExibeCusto;
    DtRefeCusto = escolha.DtRefeCusto;
    RefeCardapio = escolha.RefeCardapio;
    emit comandosAlterados();
}

// --- load -------------------------------------------------------------------------

void TCardapioMensal::Carrega() {
    IPlanejamento* planning = Planejamento();
    if (FechadoPeloPlanejamento || !planning) {
        return;
    }
    // The colours were of the month as it was.
    DesabilitaAnaliCor();
    // 1-3: the planning screen's choices.
    ResultadoGeracao = planning->ResultadoGeracao();
    { TipoCardapio = Chama(*planning, rpc::metodos::GetTipodeCardapio(), {CdFilial}).toString(); }
    const TEscolhaPlanejamento escolha = planning->Escolha();
    CdFiliCust = AllTrim(escolha.CdFiliCust);
    TipoMontagem = escolha.TipoMontagem;
    Arredondar = escolha.Arredondar;
    ExibeCusto = escolha.ExibeCusto;
    RefeCardapio = escolha.RefeCardapio;
    DtRefeCusto = escolha.DtRefeCusto;
    const QDate baseDate = Host().DataProc(CdFilial);

    // 4: the month in one call.
    rpc::TRespostaCardapio r;
    {
        TWaitAnimation wait(janela(), 1, msgPadrao.Msg(QStringLiteral("getdataserv")));
        r = rpc::TRespostaCardapio::FromWire(Chama(*planning, rpc::metodos::GetCardapio(),
                                                   {CdFilial, QStringLiteral("PLA00101"), CdServico,
                                                    Host().Operador, DtMesCard, Host().ModuFili}));
        cdsCardaMesCiclo->SetData(rpc::PacoteServ(
            Chama(*planning, rpc::metodos::GetCardCiclo(), {CdFilial, CdServico, DtMesCard})));
    }
    using E = rpc::TElemCardapio;
    if (!r[E::Mensagem].toString().isEmpty()) {
        MensErro(r[E::Mensagem].toString(), true);
    }
    cdsParamPlaneja->SetData(rpc::PacoteServ(r[E::ParamPlaneja]));
    cdsVisualCard->SetData(rpc::PacoteServ(r[E::VisualCard]));
    ModoVisual = cdsVisualCard->IsEmpty()
                     ? 2
                     : int(cdsVisualCard->FieldByName(QStringLiteral("NRVISUALCARD")).AsInteger());
    TipoCustoPlanejado = escolha.TipoCustoPlanejado;
    TipoCustoRealizado = escolha.TipoCustoRealizado;
    StlOpcao = r[E::Opcoes].toString().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    RetornaCompcard(r[E::CompCard], false);
    cdsCardadiaStlPratos->SetData(rpc::PacoteServ(r[E::CardaDia]));
    MontaStlPratos(true);
    cdsCnfCaMes->SetData(rpc::PacoteServ(r[E::CnfCaMes]));
    Autorizacoes = r[E::Autorizacoes].toList();
    const QString own =
        Autorizacoes.value(rpc::Posicao(rpc::TAutorizacao::AcessoFilial)).toString();
    if (own != QLatin1String("0") && own != QLatin1String("1")) {
        MensErro(own, true);
    }
    DesligaFiltro(*cdsCardaDia);
    DesligaFiltro(*cdsCompCardCache);
    cdsCardaDia->SetData(rpc::PacoteServ(r[E::CardaDia]));
    cdsCardaDia->MergeChangeLog();
    RetornaCompcard(r[E::CompCard], true);
    cdsDecision->SetData(rpc::PacoteServ(r[E::Decision]));
    cdsCardEsp->SetData(rpc::PacoteServ(r[E::CardEsp]));
    const QVariantList group = r[E::Grupo].toList();
    GrupoParametrizado = group.value(0).toBool();
    OperadorDoGrupo = group.value(1).toBool();
    cdsPratosExcluidos->SetData(rpc::PacoteServ(r[E::PratosExcluidos]));
    CardapioSomenteLeitura = r[E::SomenteLeitura].toBool();
    IdCardCentral = r[E::IdCardCentral].toString();
    cdsParamGeral->SetData(rpc::PacoteServ(r[E::ParamGeral]));
    cdsNrCiclo->SetData(rpc::PacoteServ(r[E::NrCiclo]));
    cdsCardames->SetData(rpc::PacoteServ(r[E::Cardames]));

    // 5: a menu that no longer follows a central one forgets the central removals
    // (someone who may change it does).
    if (!cdsPratosExcluidos->IsEmpty() && IdCardCentral == QLatin1String("N") &&
        !CardapioSomenteLeitura) {
        rpc::CheckResultServ(
            Chama(*planning, rpc::metodos::DelCnfCaMes(),
                  {CdFilial, CdServico, DtMesCard, DataHora(UltimoDiaMes(DtMesCard.date()))}),
            true);
        cdsPratosExcluidos->EmptyDataSet();
        Carrega();
        return;
    }

    // 6-7: blocked days and holidays.
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
    Feriados.clear();
    QSet<QDate>& holidays = Feriados;
    for (qryFeriado->First(); !qryFeriado->Eof(); qryFeriado->Next()) {
        holidays.insert(qryFeriado->FieldByName(QStringLiteral("DTFERIFILI")).AsDateTime().date());
    }
    StlCorFeriado = CoresFeriado(DtMesCard.date(), holidays, paramPlaneja("NRCORNUTIL"));
    // A month just read counts as analysed; figures of an earlier read may no longer
    // match it.
    CustoAnalisado = true;
    emit carregado();
    ExibeAvisoRecalc();
}

TMenuPivot TCardapioMensal::Pivo() const {
    QList<QDate> days;
    QStringList types;
    for (cdsDecision->First(); !cdsDecision->Eof(); cdsDecision->Next()) {
        days << cdsDecision->FieldByName(QStringLiteral("DTDATA")).AsDateTime().date();
        types << cdsDecision->FieldByName(QStringLiteral("NMTIPOPRAT")).AsString();
    }
    TMenuPivot pivot;
    pivot.SetData(days, types, msgPadrao.Msg(QStringLiteral("TotComens")));
    pivot.SetView(ModoVisual);
    return pivot;
}

// The planner starts on the first day that may still change.
QDate TCardapioMensal::PrimeiroDiaAlteravel(const QList<QDate>& dias) const {
    for (const QDate& d : dias) {
        if (!CardBlock(DayKey(d))) {
            return d;
        }
    }
    return dias.value(0);
}

void TCardapioMensal::GravaVisual(int modo) {
    ModoVisual = std::clamp(modo, 0, 2);
    const bool saved =
        !cdsVisualCard->IsEmpty() &&
        cdsVisualCard->FieldByName(QStringLiteral("NRVISUALCARD")).AsInteger() == modo &&
        cdsVisualCard->FieldByName(QStringLiteral("CDOPERADOR")).AsString() == Host().Operador;
    if (saved) {
        return;
    }
    const QString answer = chama(rpc::metodos::GravaVisualCard(),
                                 {CdFilial, CdServico, Host().Operador, qlonglong(modo)})
                               .toString();
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
    cdsVisualCard->FieldByName(QStringLiteral("NRVISUALCARD")).SetAsInteger(modo);
    cdsVisualCard->FieldByName(QStringLiteral("CDOPERADOR")).SetAsString(Host().Operador);
    cdsVisualCard->Post();
    cdsVisualCard->MergeChangeLog();
}

// --- the current cell ---------------------------------------------------------------

void TCardapioMensal::SetProvedorCelula(TProvedorCelula celula) {
    celula_ = std::move(celula);
}

void TCardapioMensal::SetCelulaAtual(const TPivotCell& cell) {
    celula_ = [cell] { return cell; };
    emit comandosAlterados();
}

TPivotCell TCardapioMensal::CelulaAtual() const {
    return celula_ ? celula_() : TPivotCell{TCellKind::DayHeader, {}, {}};
}

QDate TCardapioMensal::DataCard() const {
    const QDate day = CelulaAtual().Day;
    return day.isValid() ? QDate(DtMesCard.date().year(), DtMesCard.date().month(), day.day())
                         : QDate();
}

bool TCardapioMensal::CellVisible() const {
    const TPivotCell c = CelulaAtual();
    return (c.Kind == TCellKind::Data || c.Kind == TCellKind::Total) && c.Day.isValid();
}

bool TCardapioMensal::LinhaComensais() const {
    return CelulaAtual().Kind == TCellKind::Total;
}

std::optional<TDishLine> TCardapioMensal::EntradaCelula() const {
    if (!CellVisible()) {
        return std::nullopt;
    }
    return StlPratos.Lookup(CellKey(CelulaAtual()));
}

void TCardapioMensal::IrParaDia(const QDate& dia, const QString& cdTipoPrat) {
    emit irParaDia(dia, cdTipoPrat);
}

// Menus may refuse days the branch does not work.
void TCardapioMensal::VerificaDiaNaoUtil(const QDate& dia) {
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

// --- permissions and commands ---------------------------------------------------------

TPermissoes TCardapioMensal::Permissoes() const {
    const QString tipo = TipoCardapio.trimmed();
    return {Autorizacoes, CardapioSomenteLeitura, ExclusaoPelaGrade, alteraComCardAprov(),
            tipo.isEmpty() ? QChar() : tipo.at(0)};
}

bool TCardapioMensal::alteraComCardAprov() const {
    const TMemField* f = cdsParamPlaneja->Active()
                             ? cdsParamPlaneja->FindField(QStringLiteral("IDALTCOMCARD"))
                             : nullptr;
    return f && !cdsParamPlaneja->IsEmpty() && f->AsString() == QLatin1String("S");
}

QChar TCardapioMensal::tipoDeCardapio() const {
    const QString t = TipoCardapio.trimmed();
    if (t.isEmpty()) {
        return {};
    }
    const QChar c = t.at(0);
    if (c != QLatin1Char('D') && c != QLatin1Char('N') && c != QLatin1Char('S')) {
        MensErro(t, true);
    }
    return c;
}

QChar TCardapioMensal::tipoDeOperador() const {
    TMarkContext ctx;
    ctx.GroupParameterised = GrupoParametrizado;
    ctx.OperatorOfGroup = OperadorDoGrupo;
    ctx.ModuFili = Host().ModuFili;
    return TipoOperador(ctx);
}

bool TCardapioMensal::dependeLiberacao() const {
    return tipoDeCardapio() == QLatin1Char('D') && IdCardDescentr == QLatin1Char('S');
}

TSituacaoComandos TCardapioMensal::SituacaoComandos() const {
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
    s.CustoCalculado = custo_->CustoCalculado;
    s.Simultaneo = custo_->Simultaneo;
    return s;
}

} // namespace pla::module
