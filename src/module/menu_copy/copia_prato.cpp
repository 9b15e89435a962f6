#include "copia_prato.h"

#include "core/data_packet.h"
#include "core/dates.h"
#include "core/mem_table.h"
#include "core/numbers.h"
#include "core/table_scopes.h"
#include "host/host_context.h"
#include "host/host_messages.h"
#include "module/monthly_menu/grid/dish_lines.h"
#include "module/monthly_menu/model/cardapio_mensal.h"
#include "module/shift_diners/padroes_dia.h"
#include "rpc/contracts.h"
#include "rpc/net_connection.h"

namespace pla::module {

using namespace pla::host;

namespace {

QString datas(const QList<QDate>& dias) {
    QStringList out;
    for (const QDate& d : dias) {
        out << FormatDateTime(QStringLiteral("dd/mm/yyyy"), d);
    }
    return out.join(QLatin1Char('\n'));
}

} // namespace

struct TCopiaPrato::TDia {
    QDate Data;
    bool Feriado = false; // a branch holiday
    bool Existe = false;  // the month holds its record
    QString Nr;
    double Comensais = 0;
    std::optional<TPadroesDia> Padroes; // a day still to be created
};

QString TResultadoCopia::Detalhes(const TMessages& msg) const {
    QStringList trechos;
    if (!DiasExcedidos.isEmpty()) {
        trechos << msg.Msg(QStringLiteral("detalhes")) + QLatin1Char('\n') + datas(DiasExcedidos);
    }
    if (!DiasSemComensais.isEmpty()) {
        trechos << msg.Msg(QStringLiteral("DIAS_SEM_COMENS")) + QLatin1Char('\n') +
                       datas(DiasSemComensais);
    }
    if (!TurnosNaoGravados.isEmpty()) {
        trechos << msg.Fmt(QStringLiteral("TURNOS_NAO_GRAVADOS"), {TurnosNaoGravados});
    }
    return trechos.join(QStringLiteral("\n\n"));
}

TCopiaPrato::TCopiaPrato(TCardapioMensal& cardapio, const TParametrosCopia& parametros,
                         QObject* parent)
    : QObject(parent)
    , cardapio_(&cardapio)
    , parametros_(parametros) {
    msgPadrao.AddLines(CatalogoCopia());
    const auto table = [this](const char* name) {
        return new TMemTable(QString::fromLatin1(name), this);
    };
    cdsCompCard = table("cdsCompCard");
    cdsCardaDia = table("cdsCardaDia");
    cdsCnfCaMes = table("cdsCnfCaMes");
    cdsCompCardDel = table("cdsCompCardDel");
    cdsParamPlaneja = table("cdsParamPlaneja");
    cdsGeraHist = table("cdsGeraHist");
    cdsPratoRelac = table("cdsPratoRelac");
    cdsPratoEquiv = table("cdsPratoEquiv");
    cdsGeraHist->AddField(QStringLiteral("DTCARDAPIO"), TFieldType::DateTime);
    cdsGeraHist->AddField(QStringLiteral("NRCARDAPIO"), TFieldType::String, 10);
    cdsGeraHist->AddField(QStringLiteral("NRSEQPRATCAR"), TFieldType::Integer);
    cdsGeraHist->AddField(QStringLiteral("CDPRATOMAT"), TFieldType::String, 10);
    cdsGeraHist->AddField(QStringLiteral("CDFILAUXPRATMAT"), TFieldType::String, 4);
    cdsGeraHist->CreateDataSet();

    cdsCompCard->SetData(cardapio.cdsCompCardCache->Data());
    cdsCardaDia->SetData(cardapio.cdsCardaDia->Data());
    if (!cardapio.cdsCnfCaMes->Active()) {
        cardapio.GetSeqPrat(parametros.Ordem); // loads the month's positions
    }
    cdsCnfCaMes->SetData(cardapio.cdsCnfCaMes->Data());
    modo_ = cardapio.Arredondar ? 2 : cardapio.TipoMontagem;
    central_ = cardapio.IdCardCentral;
    idServTran_ = cardapio.IdServTran;

    // The dish the grid stands on.
    TMemTable& cache = *cardapio.cdsCompCardCache;
    if (!cache.Active() || cache.IsEmpty()) {
        throw EProgramError(QStringLiteral("TCopiaPrato: nenhum prato selecionado"));
    }
    const auto f = [&cache](const char* name) -> const TMemField& {
        return cache.FieldByName(QString::fromLatin1(name));
    };
    prato_.CdPrato = f("CDPRATO").AsString().trimmed();
    prato_.CdFilAuxPrat = f("CDFILAUXPRAT").AsString().trimmed();
    prato_.CdTipoPrat = f("CDTIPOPRAT").AsString();
    prato_.NmTipoPrat = f("NMTIPOPRAT").AsString();
    prato_.NmPrato = f("NMPRATO").AsString().mid(1);
    prato_.Dia = f("DTCARDAPIO").AsDateTime().date();
    prato_.VrPeConsCard = f("VRPECONSCARD").AsFloat();
    somaOutrasParticipacoes();
}

double TCopiaPrato::ComensaisDoDia(const QDate& dia) const {
    const QVariant v = cdsCardaDia->Lookup(QStringLiteral("DTCARDAPIO"), {DataHora(dia)},
                                           QStringLiteral("QTCOMESTICAR"));
    return v.isNull() ? 0.0 : v.toDouble();
}

double TCopiaPrato::ValorInicial() const {
    if (modo_ == 1) {
        return RoundDec(prato_.VrPeConsCard, 2);
    }
    const double pessoas = prato_.VrPeConsCard * ComensaisDoDia(prato_.Dia) / 100.0;
    return RoundDec(pessoas, modo_ == 2 ? 0 : 3);
}

void TCopiaPrato::CarregaParametros() {
    cdsParamPlaneja->SetData(rpc::PacoteServ(cardapio_->chama(
        rpc::metodos::GetParams(),
        {cardapio_->CdFilial, QStringLiteral("PLA00101"), qlonglong(Host().RetornaIdioma())})));
}

void TCopiaPrato::CarregaPratosExcluidos() {
    const QDate mes = PriDiaMes(parametros_.Mes);
    cdsCompCardDel->SetData(rpc::PacoteServ(cardapio_->chama(
        rpc::metodos::getPratosExcluidos(),
        {cardapio_->CdFilial, cardapio_->CdServico, DataHora(mes), DataHora(UltimoDiaMes(mes))})));
}

void TCopiaPrato::VerificaPrato() {
    cardapio_->VerificaReceitaPrato(prato_.CdPrato, prato_.CdFilAuxPrat, parametros_.NiveisPrato);
}

TResultadoCopia TCopiaPrato::Executa(const TValoresCopia& v, const TProgresso& progresso) {
    TCardapioMensal& m = *cardapio_;
    const QDate mes = PriDiaMes(prato_.Dia);
    TResultadoCopia r;
    cdsGeraHist->EmptyDataSet();
    relacao_ = false;
    if (m.grupoParametrizado() && !m.operadorDoGrupo() && m.UtilizaPratoRelacionado()) {
        cdsPratoRelac->SetData(rpc::PacoteServ(
            m.chama(rpc::metodos::getPratoRelac(), {prato_.CdFilAuxPrat, prato_.CdPrato})));
        relacao_ = true;
    }
    const QSet<QDate>& feriados = m.Feriados;
    const QString diaUtil =
        cdsParamPlaneja->Active() && !cdsParamPlaneja->IsEmpty()
            ? cdsParamPlaneja->FieldByName(QStringLiteral("IDCARDIAUTIL")).AsString().trimmed()
            : m.paramPlaneja("IDCARDIAUTIL");

    // All or nothing: what the cache and the special days held before the run.
    TFilterSuspended todos(*m.cdsCompCardCache);
    const TDataPacket cache = m.cdsCompCardCache->Data();
    const std::optional<TDataPacket> especiais =
        m.cdsCardEsp->Active() ? std::optional(m.cdsCardEsp->Data()) : std::nullopt;
    QDate dia;
    try {
        TControlsDisabled quieto(*m.cdsCompCardCache);
        for (dia = mes; dia.month() == mes.month(); dia = dia.addDays(1)) {
            TDia d;
            d.Data = dia;
            d.Feriado = feriados.contains(dia);
            const bool permitido =
                diaUtil == QLatin1String("N") || (diaUtil == QLatin1String("S") && !d.Feriado);
            if (permitido && dia >= parametros_.Inicio) {
                executaDia(v, d, r);
            }
            if (progresso) {
                progresso(dia);
            }
        }
    } catch (...) {
        // A day still waiting for its number never reaches the month.
        if (cdsCardaDia->IsEditing()) {
            cdsCardaDia->Cancel();
        }
        cdsCardaDia->CancelUpdates();
        m.cdsCompCardCache->SetData(cache);
        if (especiais) {
            m.cdsCardEsp->SetData(*especiais);
        }
        cdsGeraHist->EmptyDataSet();
        // Days created on the server exist there: the month keeps them.
        devolveDias();
        try {
            throw;
        } catch (const EPlaError& e) {
            throw EPlaError(
                msgPadrao.Fmt(QStringLiteral("COPIA_DESFEITA"),
                              {FormatDateTime(QStringLiteral("dd/mm/yyyy"), dia), e.message()}));
        }
    }
    devolveDias();
    return r;
}

// The month's day table is the copy's, with the days it created.
void TCopiaPrato::devolveDias() {
    TCardapioMensal& m = *cardapio_;
    m.DesligaFiltro(*m.cdsCardaDia);
    m.cdsCardaDia->SetData(cdsCardaDia->Data());
    m.AtualizaStlPratos(false);
}

double TCopiaPrato::participacao(double valor, double comensais) const {
    return modo_ == 1 ? valor : valor * 100.0 / comensais;
}

bool TCopiaPrato::posicaoContada() const {
    return cdsCnfCaMes
               ->Lookup(QStringLiteral("NRSEQCNFMES"), {parametros_.Posicao},
                        QStringLiteral("IDCONCNFMES"))
               .toString() == QLatin1String("S");
}

// The shares the dish type's other counted, compulsory positions hold on each day, as
// the month stood when the copy opened.
void TCopiaPrato::somaOutrasParticipacoes() {
    QSet<int> concorrentes;
    for (cdsCnfCaMes->First(); !cdsCnfCaMes->Eof(); cdsCnfCaMes->Next()) {
        const auto f = [this](const char* name) {
            return cdsCnfCaMes->FieldByName(QString::fromLatin1(name)).AsString();
        };
        const int seq = cdsCnfCaMes->FieldByName(QStringLiteral("NRSEQCNFMES")).AsInteger();
        if (f("IDOPCCNFMES") != QLatin1String("S") && f("CDTIPOPRAT") == prato_.CdTipoPrat &&
            seq != parametros_.Posicao && f("IDCONCNFMES") == QLatin1String("S")) {
            concorrentes.insert(seq);
        }
    }
    outras_.clear();
    if (concorrentes.isEmpty()) {
        return;
    }
    const TMemField& nr = cdsCompCard->FieldByName(QStringLiteral("NRCARDAPIO"));
    const TMemField& seq = cdsCompCard->FieldByName(QStringLiteral("NRSEQPRATCAR"));
    const TMemField& parte = cdsCompCard->FieldByName(QStringLiteral("VRPECONSCARD"));
    for (cdsCompCard->First(); !cdsCompCard->Eof(); cdsCompCard->Next()) {
        if (concorrentes.contains(seq.AsInteger())) {
            outras_[nr.AsString().trimmed()] += parte.AsFloat();
        }
    }
}

bool TCopiaPrato::celulaOcupada(const QDate& dia) const {
    return cardapio_->cdsCompCardCache->Locate(QStringLiteral("DTCARDAPIO;NRSEQPRATCAR"),
                                               {DataHora(dia), parametros_.Posicao});
}

// Outside the group's operators a position that follows a central dish with
// equivalents takes only a dish related to the copied one.
bool TCopiaPrato::devePularPorEquivalencia(const QDate& dia) {
    TMemTable& cache = *cardapio_->cdsCompCardCache;
    TDishRef anterior;
    if (celulaOcupada(dia)) {
        anterior = {cache.FieldByName(QStringLiteral("CDPRATOMAT")).AsString().trimmed(),
                    cache.FieldByName(QStringLiteral("CDFILAUXPRATMAT")).AsString().trimmed()};
    } else if (cdsCompCardDel->Active() &&
               cdsCompCardDel->Locate(QStringLiteral("DTPRATEXCL;NRSEQPRATEXCL"),
                                      {DayKey(dia), parametros_.Posicao})) {
        anterior = {
            cdsCompCardDel->FieldByName(QStringLiteral("CDPRATO")).AsString().trimmed(),
            cdsCompCardDel->FieldByName(QStringLiteral("CDFILAUXPRAT")).AsString().trimmed()};
    }
    if (!relacao_ || anterior.Code.isEmpty() ||
        cdsPratoRelac->Locate(QStringLiteral("CDPRATO;CDFILAUXPRAT"),
                              {anterior.Code, anterior.Branch})) {
        return false;
    }
    cdsPratoEquiv->SetData(rpc::PacoteServ(
        cardapio_->chama(rpc::metodos::GetPratoEquiv(), {anterior.Code, anterior.Branch})));
    return !cdsPratoEquiv->IsEmpty();
}

void TCopiaPrato::executaDia(const TValoresCopia& v, TDia& d, TResultadoCopia& r) {
    const bool paginaPrato = v.Pagina == TPaginaCopia::Prato;
    const bool ocupada = celulaOcupada(d.Data);
    if (paginaPrato ? (ocupada && !v.Sobrepor) : !ocupada) {
        return;
    }
    const QVariant nr = cdsCardaDia->Lookup(QStringLiteral("DTCARDAPIO"), {DataHora(d.Data)},
                                            QStringLiteral("NRCARDAPIO"));
    d.Existe = !nr.isNull();
    if (d.Existe) {
        d.Nr = nr.toString().trimmed();
        d.Comensais = ComensaisDoDia(d.Data);
        if (!(d.Comensais > 0)) {
            r.DiasSemComensais << d.Data;
            return;
        }
    } else {
        TCardapioMensal& m = *cardapio_;
        d.Padroes = TPadroesDia::Le(Host().SharedConnection(), m.CdFilial, m.CdServico, d.Data);
        d.Comensais = d.Padroes->Total;
        if (!(d.Comensais > 0)) {
            return; // a day the service does not serve gets no record
        }
    }

    // The share the day gets: on the dish page the day's whole diners unless a value
    // or an exception rules it.
    const std::optional<double> excecao = v.Excecao(d.Data, d.Feriado);
    double parte = 100;
    if (!paginaPrato || v.ComensaisDoPrato) {
        parte = participacao(v.ValorDoDia(d.Data, d.Feriado, v.Valor.value_or(0)), d.Comensais);
    } else if (excecao) {
        parte = participacao(*excecao, d.Comensais);
    }
    if (posicaoContada() && RoundDec(outras_.value(d.Nr), 7) + RoundDec(parte, 7) > 100 + 1e-9) {
        r.DiasExcedidos << d.Data;
        return;
    }
    if (!paginaPrato) {
        atualizaLinha(d, parte);
        return;
    }
    if (v.Sobrepor && devePularPorEquivalencia(d.Data)) {
        return;
    }
    if (ocupada) {
        TMemTable& cache = *cardapio_->cdsCompCardCache;
        celulaOcupada(d.Data);
        cdsGeraHist->Append();
        for (const char* name :
             {"DTCARDAPIO", "NRCARDAPIO", "NRSEQPRATCAR", "CDPRATOMAT", "CDFILAUXPRATMAT"}) {
            const QString n = QString::fromLatin1(name);
            cdsGeraHist->FieldByName(n).SetValue(cache.FieldByName(n).Value());
        }
        cdsGeraHist->Post();
        cache.Delete();
    }
    if (!d.Existe && !criaDia(d, r)) {
        return;
    }
    insereLinha(d, parte);
}

// The day's record from the service's estimates, created on the server for its number
// (only the day goes: the dishes stay in the cache), with its delivery points.
bool TCopiaPrato::criaDia(TDia& d, TResultadoCopia& r) {
    TCardapioMensal& m = *cardapio_;
    const TPadroesDia& p = *d.Padroes;
    if (r.TurnosNaoGravados.isEmpty()) {
        r.TurnosNaoGravados = p.DescreveNaoGuardaveis();
    }
    cdsCardaDia->Append();
    const auto f = [this](const char* name) -> TMemField& {
        return cdsCardaDia->FieldByName(QString::fromLatin1(name));
    };
    f("CDFILIAL").SetAsString(m.CdFilial);
    f("CDSERVFILI").SetAsString(m.CdServico);
    f("DTCARDAPIO").SetValue(DataHora(d.Data));
    f("NRCARDAPIO").SetAsString(QString::fromLatin1(NrCardapioProvisorio));
    f("CDOPERADOR").SetAsString(Host().Operador);
    f("DTMESCARD").SetValue(DataHora(PriDiaMes(d.Data)));
    if (TMemField* when = cdsCardaDia->FindField(QStringLiteral("DTULTATUACAR"))) {
        when->SetValue(Agora());
    }
    f("QTCOMESTICAR").SetAsFloat(p.Total);
    f("QTCLIESTICAR").SetAsFloat(p.Cliente);
    f("QTFUNESTICAR").SetAsFloat(p.Funcionario);
    f("QTDOAESTICAR").SetAsFloat(p.Doacoes);
    for (const TTurnoDia& t : p.TurnosGuardaveis()) {
        cdsCardaDia->FieldByName(QStringLiteral("QTESTITURNO%1").arg(t.Codigo))
            .SetAsFloat(t.Padrao);
    }
    cdsCardaDia->Post();
    const TBookmark novo = cdsCardaDia->Bookmark();

    // Only this day's insertion goes, whatever else the table holds.
    TDataPacket delta = cdsCardaDia->Delta();
    const int data = delta.FieldIndex(QStringLiteral("DTCARDAPIO"));
    delta.Rows.erase(std::remove_if(delta.Rows.begin(), delta.Rows.end(),
                                    [&](const TPacketRow& row) {
                                        return row.Kind != TRowKind::Inserted ||
                                               row.Values[data].toDateTime().date() != d.Data;
                                    }),
                     delta.Rows.end());
    QString numero;
    try {
        const rpc::TMethodSpec& spec = rpc::metodos::UpdateCache();
        QList<rpc::TRpcArg> args = rpc::Argumentos(
            spec, {Host().Operador, Host().ModuFili, FromDataPacket(delta), QVariant(), central_});
        numero = m.Planejamento()->Chamar(spec.Name, args).toString().trimmed();
        central_ = args[int(rpc::TArgUpdateCache::Central)].Value.toString();
        m.IdCardCentral = central_;
    } catch (...) {
        cdsCardaDia->CancelUpdates();
        throw;
    }
    if (rpc::TextoDeErro(numero) || numero.isEmpty()) {
        cdsCardaDia->CancelUpdates();
        throw EPlaError(numero.isEmpty() ? QStringLiteral("O servidor não numerou o dia.")
                                         : numero);
    }
    cdsCardaDia->GotoBookmark(novo);
    cdsCardaDia->Edit();
    f("NRCARDAPIO").SetAsString(numero);
    cdsCardaDia->Post();
    cdsCardaDia->MergeChangeLog();
    d.Existe = true;
    d.Nr = numero;
    if (idServTran_ == QLatin1String("S")) {
        try {
            m.InsereCardaCli(numero, d.Data, p.Feriado);
        } catch (const EAbort&) {
            // The server's refusal was shown; the copy still says where it stopped.
            throw EPlaError(QStringLiteral("Os pontos de entrega do dia não foram gravados."));
        }
    }
    return true;
}

TPratosDoDia TCopiaPrato::pratosDoDia(const TDia& d) {
    TCardapioMensal& m = *cardapio_;
    TPratosDoDia pratos;
    if (parametros_.TipoCardapio == QLatin1Char('S') &&
        cdsGeraHist->Locate(QStringLiteral("DTCARDAPIO;NRCARDAPIO;NRSEQPRATCAR"),
                            {DataHora(d.Data), d.Nr, parametros_.Posicao})) {
        pratos.Historico = {
            cdsGeraHist->FieldByName(QStringLiteral("CDPRATOMAT")).AsString().trimmed(),
            cdsGeraHist->FieldByName(QStringLiteral("CDFILAUXPRATMAT")).AsString().trimmed()};
    }
    if (parametros_.TipoCardapio == QLatin1Char('D') && m.dependeLiberacao() &&
        central_ == QLatin1String("S")) {
        const TMarkDishes posicao = m.pratosDaPosicao(d.Nr, d.Data, parametros_.Posicao);
        pratos.Central = posicao.Central;
        pratos.Excluido = posicao.Excluded;
    }
    return pratos;
}

void TCopiaPrato::insereLinha(const TDia& d, double valor) {
    TCardapioMensal& m = *cardapio_;
    const TDishRef prato{prato_.CdPrato, prato_.CdFilAuxPrat};
    const TMarcaCopia marca = MarcaCopia(
        {parametros_, m.dependeLiberacao(), central_ == QLatin1String("S")}, prato, pratosDoDia(d));
    TMemTable& cache = *m.cdsCompCardCache;
    cache.Append();
    const auto f = [&cache](const char* name) -> TMemField& {
        return cache.FieldByName(QString::fromLatin1(name));
    };
    f("CDFILIAL").SetAsString(m.CdFilial);
    f("CDSERVFILI").SetAsString(m.CdServico);
    f("DTCARDAPIO").SetValue(DataHora(d.Data));
    f("NRCARDAPIO").SetAsString(d.Nr);
    f("NRSEQPRATCAR").SetAsInteger(parametros_.Posicao);
    f("NRORDPRATCAR").SetAsInteger(parametros_.Ordem);
    f("CDFILAUXPRAT").SetAsString(prato_.CdFilAuxPrat);
    f("CDPRATO").SetAsString(prato_.CdPrato);
    f("NMPRATO").SetAsString(marca.Marca + prato_.NmPrato);
    f("IDPRATOESPE").SetAsString(QString(marca.Marca));
    if (marca.Central.Empty()) {
        f("CDPRATOMAT").Clear();
        f("CDFILAUXPRATMAT").Clear();
    } else {
        f("CDPRATOMAT").SetAsString(marca.Central.Code);
        f("CDFILAUXPRATMAT").SetAsString(marca.Central.Branch);
    }
    f("CDTIPOPRAT").SetAsString(prato_.CdTipoPrat);
    f("NMTIPOPRAT").SetAsString(prato_.NmTipoPrat);
    f("VRPECONSCARD").SetAsFloat(valor);
    cache.Post();

    // Days that depart from the central menu are recorded as such.
    const bool especial =
        (parametros_.TipoCardapio == QLatin1Char('S') && parametros_.FilialCentral) ||
        (parametros_.TipoCardapio == QLatin1Char('D') && m.dependeLiberacao() &&
         parametros_.TipoOperador == QLatin1Char('F'));
    if (especial && m.cdsCardEsp->Active() &&
        !m.cdsCardEsp->Locate(QStringLiteral("DTCARDAPIO"), DataHora(d.Data))) {
        m.cdsCardEsp->Append();
        m.cdsCardEsp->FieldByName(QStringLiteral("DTCARDAPIO")).SetValue(DataHora(d.Data));
        m.cdsCardEsp->FieldByName(QStringLiteral("NRCARDAPIO")).SetAsString(d.Nr);
        m.cdsCardEsp->Post();
    }
}

void TCopiaPrato::atualizaLinha(const TDia& d, double valor) {
    TMemTable& cache = *cardapio_->cdsCompCardCache;
    if (!celulaOcupada(d.Data)) {
        return;
    }
    cache.Edit();
    cache.FieldByName(QStringLiteral("VRPECONSCARD")).SetAsFloat(valor);
    cache.Post();
}

} // namespace pla::module
