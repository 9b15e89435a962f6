#include "month_cost.h"

#include "core/data_packet.h"
#include "core/dates.h"
#include "core/numbers.h"
#include "core/table_scopes.h"
#include "host/host_context.h"
#include "host/host_messages.h"
#include "rpc/contracts.h"
#include "rpc/net_connection.h"

#include <QScopeGuard>

namespace pla::host {

namespace {

double round5(double value) {
    return RoundDec(value, 5);
}

double valor(const TMemTable& t, const char* field) {
    if (!t.Active() || t.IsEmpty()) {
        return 0;
    }
    const TMemField& f = t.FieldByName(QString::fromLatin1(field));
    return f.IsNull() ? 0.0 : f.AsFloat();
}

void campos(TMemTable& t, std::initializer_list<const char*> names, const QString& format = {}) {
    for (const char* name : names) {
        t.AddField(QString::fromLatin1(name), TFieldType::Float).SetDisplayFormat(format);
    }
}

const QString Cinco = QStringLiteral("#,##0.00000");

} // namespace

TCustoDoMes::TCustoDoMes(TProvedorParametros parametros, QObject* parent)
    : QObject(parent)
    , parametros_(std::move(parametros)) {
    criaTabelas();
}

TCustoDoMes::~TCustoDoMes() = default;

void TCustoDoMes::criaTabelas() {
    cdsParamFilial = new TMemTable(QStringLiteral("cdsParamFilial"), this);
    cdsParamFilial->AddField(QStringLiteral("IDCOMCUSPERC"), TFieldType::String, 1);
    cdsCustoPadrao = new TMemTable(QStringLiteral("cdsCustoPadrao"), this);
    cdsCustoPadrao->AddField(QStringLiteral("VRCUSTPADR"), TFieldType::Float)
        .SetDisplayFormat(QStringLiteral("#,##0.00"));

    cdsTrabCusto = new TMemTable(QStringLiteral("cdsTrabCusto"), this);
    cdsTrabCusto->AddField(QStringLiteral("DTDATA"), TFieldType::DateTime);
    campos(*cdsTrabCusto, {"VRCUSTPRODMAT", "VRCUSTOCONS", "VRCUSTORAT"}, Cinco);
    campos(*cdsTrabCusto, {"QTCOMESTICAR", "QTCLIESTICAR"});
    campos(*cdsTrabCusto, {"VRCUSTOACU"}, Cinco);
    campos(*cdsTrabCusto, {"VRCUSTOCONSACU", "VRCUSTMATACU"});
    campos(*cdsTrabCusto, {"VRCUSTOMEDIO"}, Cinco);
    campos(*cdsTrabCusto, {"QTCOMESACU"}, QStringLiteral("#,##0"));
    cdsTrabCusto->FieldByName(QStringLiteral("VRCUSTOCONSACU")).SetVisible(false);
    cdsTrabCusto->FieldByName(QStringLiteral("VRCUSTMATACU")).SetVisible(false);
    cdsTrabCusto->AddCalcField(QStringLiteral("QTCOMENSAIS"), TFieldType::Float)
        .SetDisplayFormat(QStringLiteral("#,##0"));
    for (const char* name : {"VRCUSTOTOTAL", "VRMATPERC", "VRTOTPERC"}) {
        cdsTrabCusto->AddCalcField(QString::fromLatin1(name), TFieldType::Float)
            .SetDisplayFormat(Cinco);
    }
    cdsTrabCusto->AddIndex(QStringLiteral("OrdenaData"), QStringLiteral("DTDATA"));
    cdsTrabCusto->SetIndexName(QStringLiteral("OrdenaData"));
    cdsTrabCusto->OnCalcFields = [this](TCalcRow& row) { calculaLinhaTrabCusto(row); };
    cdsTrabCusto->AfterOpen = [this](TMemTable& t) { acumulaTrabCusto(t); };

    cdsTotalMes = new TMemTable(QStringLiteral("cdsTotalMes"), this);
    campos(*cdsTotalMes, {"VRTOTMATPRIM", "VRTOTCONS"});

    cdsRealizado = new TMemTable(QStringLiteral("cdsRealizado"), this);
    cdsRealizado->AddField(QStringLiteral("DTCARDAPIO"), TFieldType::DateTime)
        .SetDisplayLabel(QStringLiteral("Data Retirada"));
    campos(*cdsRealizado, {"QTCOMEFETCAR"}, QStringLiteral("#,###,##0"));
    campos(*cdsRealizado, {"QTRETIRADA"});
    campos(*cdsRealizado, {"CUSTO", "CUSTOACUM"}, Cinco);
    campos(*cdsRealizado, {"QTCOMENSACU"}, QStringLiteral("#,##0"));
    campos(*cdsRealizado, {"VRCUSTOMEDIO"}, Cinco);
    cdsRealizado->AddCalcField(QStringLiteral("QtdePerc"), TFieldType::Float)
        .SetDisplayFormat(QStringLiteral("#,###,##0.00000"));
    cdsRealizado->AddIndex(QStringLiteral("OrdenaData"), QStringLiteral("DTCARDAPIO"));
    cdsRealizado->SetIndexName(QStringLiteral("OrdenaData"));
    cdsRealizado->OnCalcFields = [](TCalcRow& row) {
        const double diners = row.AsFloat(QStringLiteral("QTCOMEFETCAR"));
        row.SetValue(QStringLiteral("QtdePerc"),
                     diners > 0 ? round5(row.AsFloat(QStringLiteral("CUSTO")) / diners) : 0.0);
    };
    cdsRealizado->AfterOpen = [this](TMemTable& t) { acumulaRealizado(t); };

    // The comparison tables live as long as the month: a chart reads them while open.
    cdsGrafPlanReal = new TMemTable(QStringLiteral("cdsGrafPlanReal"), this);
    cdsGrafPlanReal->AddField(QStringLiteral("DTCARDAPIO"), TFieldType::DateTime)
        .SetDisplayFormat(QStringLiteral("dd"));
    campos(*cdsGrafPlanReal, {"VrPadrao", "VRPERCPLAN", "VRPERCREAL"}, Cinco);
    cdsCustoAcum = new TMemTable(QStringLiteral("cdsCustoAcum"), this);
    cdsCustoAcum->AddField(QStringLiteral("DTCARDAPIO"), TFieldType::DateTime)
        .SetDisplayFormat(QStringLiteral("dd"));
    campos(*cdsCustoAcum, {"VrTotPadrao", "VRTOTTACUM", "VRTOTRACUM"}, Cinco);
    cdsGrafCust = new TMemTable(QStringLiteral("cdsGrafCust"), this);
    cdsGrafCust->AddField(QStringLiteral("DTCARDAPIO"), TFieldType::DateTime)
        .SetDisplayFormat(QStringLiteral("dd"));
    campos(*cdsGrafCust, {"VrPadrao"});
    campos(*cdsGrafCust, {"VrCustGraf"}, Cinco);
    for (TMemTable* t : {cdsGrafPlanReal, cdsCustoAcum, cdsGrafCust}) {
        t->AddIndex(QStringLiteral("OrdenaData"), QStringLiteral("DTCARDAPIO"));
        t->SetIndexName(QStringLiteral("OrdenaData"));
        t->CreateDataSet();
    }
}

bool TCustoDoMes::ReferenciaFixa() const {
    return parametros_().ReferenciaFixa;
}

double TCustoDoMes::Percapita(double valor, double comensais) {
    return comensais != 0 ? round5(valor / comensais) : 0.0;
}

double TCustoDoMes::VrCustPadr() const {
    return valor(*cdsCustoPadrao, "VRCUSTPADR");
}

void TCustoDoMes::calculaLinhaTrabCusto(TCalcRow& row) const {
    const bool clients = cdsParamFilial->Active() && !cdsParamFilial->IsEmpty() &&
                         cdsParamFilial->FieldByName(QStringLiteral("IDCOMCUSPERC")).AsString() ==
                             QLatin1String("C");
    const double diners =
        row.AsFloat(clients ? QStringLiteral("QTCLIESTICAR") : QStringLiteral("QTCOMESTICAR"));
    const double material = row.AsFloat(QStringLiteral("VRCUSTPRODMAT"));
    // A day without an indirect cost adds nothing to it.
    const double total = material + (row.AsFloat(QStringLiteral("VRCUSTOCONS")) +
                                     row.AsFloat(QStringLiteral("VRCUSTORAT")));
    row.SetValue(QStringLiteral("QTCOMENSAIS"), diners);
    row.SetValue(QStringLiteral("VRCUSTOTOTAL"), total);
    row.SetValue(QStringLiteral("VRMATPERC"), Percapita(material, diners));
    row.SetValue(QStringLiteral("VRTOTPERC"), Percapita(total, diners));
}

// The running figures of every day, in date order, and the month's totals.
void TCustoDoMes::acumulaTrabCusto(TMemTable& t) {
    cdsTotalMes->Open();
    cdsTotalMes->EmptyDataSet();
    cdsTotalMes->Append();
    cdsTotalMes->FieldByName(QStringLiteral("VRTOTMATPRIM")).SetAsFloat(0);
    cdsTotalMes->FieldByName(QStringLiteral("VRTOTCONS")).SetAsFloat(0);
    cdsTotalMes->Post();
    double cost = 0;
    double diners = 0;
    double material = 0;
    double consumption = 0;
    const auto field = [&t](const char* name) -> TMemField& {
        return t.FieldByName(QString::fromLatin1(name));
    };
    {
        TControlsDisabled quiet(t);
        for (t.First(); !t.Eof(); t.Next()) {
            t.Edit();
            field("VRCUSTOACU").SetAsFloat(cost + field("VRCUSTOTOTAL").AsFloat());
            field("QTCOMESACU").SetAsFloat(field("QTCOMENSAIS").AsFloat() + diners);
            cost = field("VRCUSTOACU").AsFloat();
            diners = field("QTCOMESACU").AsFloat();
            material += field("VRCUSTPRODMAT").AsFloat();
            consumption += field("VRCUSTOCONS").AsFloat();
            field("VRCUSTMATACU").SetAsFloat(round5(material));
            field("VRCUSTOCONSACU").SetAsFloat(round5(consumption));
            field("VRCUSTOMEDIO").SetAsFloat(diners != 0 ? round5(cost / diners) : 0.0);
            t.Post();
        }
        t.MergeChangeLog();
    }
    cdsTotalMes->Edit();
    cdsTotalMes->FieldByName(QStringLiteral("VRTOTCONS")).SetAsFloat(round5(consumption));
    cdsTotalMes->FieldByName(QStringLiteral("VRTOTMATPRIM")).SetAsFloat(round5(material));
    cdsTotalMes->Post();
    cdsTotalMes->MergeChangeLog();
    t.First();
}

void TCustoDoMes::acumulaRealizado(TMemTable& t) {
    double cost = 0;
    double diners = 0;
    {
        TControlsDisabled quiet(t);
        for (t.First(); !t.Eof(); t.Next()) {
            cost += t.FieldByName(QStringLiteral("CUSTO")).AsFloat();
            diners += t.FieldByName(QStringLiteral("QTCOMEFETCAR")).AsFloat();
            t.Edit();
            const double accumulated = round5(cost);
            const double accumulatedDiners = round5(diners);
            t.FieldByName(QStringLiteral("CUSTOACUM")).SetAsFloat(accumulated);
            t.FieldByName(QStringLiteral("QTCOMENSACU")).SetAsFloat(accumulatedDiners);
            t.FieldByName(QStringLiteral("VRCUSTOMEDIO"))
                .SetAsFloat(accumulatedDiners != 0 ? round5(accumulated / accumulatedDiners) : 0.0);
            t.Post();
        }
        t.MergeChangeLog();
    }
    t.First();
}

QVariant TCustoDoMes::chama(const rpc::TMethodSpec& metodo, const QVariantList& valores) {
    if (!netCustoServ) {
        netCustoServ = Host().NewConnection(QStringLiteral("netCustoServ"),
                                            QStringLiteral("Pla00106.rdmCustoServ"));
    }
    if (!netCustoServ->Connected()) {
        netCustoServ->SetConnected(true);
    }
    QList<rpc::TRpcArg> args = rpc::Argumentos(metodo, valores);
    return netCustoServ->Call(metodo.Name, args);
}

QVariant TCustoDoMes::buscaRealizado(const QDate& mes) {
    const TParametrosCusto c = parametros_();
    return chama(rpc::metodos::GetRealizado(),
                 {c.CdFilial, c.CdServico, DataHora(mes), qlonglong(c.TipoCustoRealizado),
                  c.ReferenciaFixa, c.DtRefeCusto.isValid() ? QVariant(c.DtRefeCusto) : QVariant(),
                  c.CdFiliCust});
}

void TCustoDoMes::CalculaCusto(const QDate& dia) {
    const TParametrosCusto c = parametros_();
    CalculandoCusto = true;
    const auto fim = qScopeGuard([this] { CalculandoCusto = false; });
    for (TMemTable* t : {cdsTotalMes, cdsCustoPadrao, cdsTrabCusto, cdsRealizado}) {
        t->Open();
    }
    const QDate mes = c.DtMesCard.date();
    const TDataPacket param = rpc::PacoteServ(
        rpc::CheckResultServ(chama(rpc::metodos::GetParamsCustoServ(), {c.CdFilial}))
            .toList()
            .value(0));
    const TDataPacket padrao = ToDataPacket(
        chama(rpc::metodos::GetCustoPadrao(),
              {c.CdFilial, c.CdServico, DataHora(PriDiaMes(dia.isValid() ? dia : mes))}));
    const double comensPlan = rpc::CheckResultServ(chama(rpc::metodos::GetComensPlan(),
                                                         {c.CdFilial, c.CdServico, c.DtMesCard}))
                                  .toDouble();
    if (!ChaveTrabCusto.isEmpty()) {
        const QString answer =
            chama(rpc::metodos::DelConsplan(), {ChaveTrabCusto, c.CdFilial}).toString();
        if (!answer.isEmpty()) {
            MensErro(answer, true);
        }
        ChaveTrabCusto.clear();
    }
    const QVariantList trab =
        chama(rpc::metodos::GetTrabCusto(),
              {c.CdFilial, c.CdServico, c.DtMesCard, DataHora(UltimoDiaMes(mes)),
               qlonglong(c.TipoCustoPlanejado), Host().Operador, c.ReferenciaFixa,
               c.DtRefeCusto.isValid() ? QVariant(c.DtRefeCusto) : QVariant(), c.CdFiliCust,
               PorPrato})
            .toList();
    const QString chave = trab.value(int(rpc::TElemTrabCusto::Chave)).toString();
    if (!chave.isEmpty() && chave.size() != rpc::TamanhoNrCardapio) {
        MensErro(chave, true);
    }
    ChaveTrabCusto = chave;
    const TDataPacket dias = rpc::PacoteServ(trab.value(int(rpc::TElemTrabCusto::Dias)));
    const TDataPacket real = rpc::PacoteServ(rpc::CheckResultServ(buscaRealizado(mes)));
    // Every answer is in: the figures change together or not at all.
    cdsParamFilial->SetData(param);
    cdsCustoPadrao->SetData(padrao);
    ComensPlanMes = comensPlan;
    cdsTrabCusto->SetData(dias);
    cdsRealizado->SetData(real);
    // A chart left open follows the new figures.
    if (!cdsGrafPlanReal->IsEmpty()) {
        MontaGrafPlanReal();
    }
    if (!cdsCustoAcum->IsEmpty()) {
        MontaCustoAcum();
    }
    if (!cdsGrafCust->IsEmpty()) {
        MontaGrafCust();
    }
}

TPainelCusto TCustoDoMes::Painel(const QDate& d, const QDate& dataProc) {
    TPainelCusto p;
    p.Dia = d;
    TMemTable& t = *cdsTrabCusto;
    TMemTable& r = *cdsRealizado;
    if (!t.Active()) {
        return p;
    }
    double indirectToDate = 0;
    double indirectOfMonth = 0;
    {
        TBookmarkRestore back(t);
        TControlsDisabled quiet(t);
        for (t.First(); !t.Eof(); t.Next()) {
            const TMemField& f = t.FieldByName(QStringLiteral("VRCUSTORAT"));
            if (f.IsNull()) {
                continue;
            }
            indirectOfMonth += f.AsFloat();
            if (t.FieldByName(QStringLiteral("DTDATA")).AsDateTime().date() <= d) {
                indirectToDate += f.AsFloat();
            }
        }
    }
    // A day that is not there leaves the table where it was.
    t.Locate(QStringLiteral("DTDATA"), DataHora(d));
    const auto f = [&t](const char* name) { return valor(t, name); };
    p.RealHabilitado = dataProc.isValid() && d < dataProc;
    if (p.RealHabilitado && r.Active() && !r.IsEmpty()) {
        // A day nothing was withdrawn for really cost nothing; what was accumulated
        // is that of the last served day before it.
        TBookmark last;
        bool served = false;
        for (r.First(); !r.Eof(); r.Next()) {
            const QDate day = r.FieldByName(QStringLiteral("DTCARDAPIO")).AsDateTime().date();
            if (day > d) {
                break;
            }
            last = r.Bookmark();
            served = day == d;
        }
        if (last.IsValid()) {
            r.GotoBookmark(last);
            p.CustoCardReal = served ? round5(valor(r, "CUSTO")) : 0.0;
            p.TotalRAcum = round5(valor(r, "CUSTOACUM"));
            p.Efetivos = round5(valor(r, "QTCOMENSACU"));
            p.PuMedioReal = round5(valor(r, "VRCUSTOMEDIO"));
        }
    }
    const double diners = f("QTCOMENSAIS");
    const double padrao = VrCustPadr();
    p.MatPriPerc = round5(f("VRMATPERC"));
    p.ConsPerc = Percapita(f("VRCUSTOCONS"), diners);
    p.PercDia = round5(f("VRTOTPERC"));
    p.PadrPerc = round5(padrao);
    p.SaldoPerc = round5(p.PadrPerc - p.PercDia);

    p.MatPriMes = round5(valor(*cdsTotalMes, "VRTOTMATPRIM"));
    p.ConsMes = round5(valor(*cdsTotalMes, "VRTOTCONS"));
    p.CustIndTotMes = round5(indirectOfMonth);
    p.TotalMes = round5(p.MatPriMes + p.ConsMes);
    p.PadrMens = round5(padrao * ComensPlanMes);
    p.SaldoMes = round5(p.PadrMens - p.TotalMes);

    p.MatPriCardPlan = round5(f("VRCUSTPRODMAT"));
    p.CustIndDia = round5(f("VRCUSTORAT"));
    // Always the client diners, whatever per capita otherwise divides by.
    const double clients = f("QTCLIESTICAR");
    p.CustIndPercDia = clients > 0 ? round5(f("VRCUSTORAT") / clients) : 0.0;
    p.ConsCardPlan = round5(f("VRCUSTOCONS"));
    p.CustoCardPlan = round5(p.MatPriCardPlan + p.ConsCardPlan);

    p.MatPriAcuPlan = round5(f("VRCUSTMATACU"));
    p.CustIndPlan = round5(indirectToDate);
    p.ConsAcuPlan = round5(f("VRCUSTOCONSACU"));
    p.TotalTAcum = round5(p.MatPriAcuPlan + p.ConsAcuPlan);
    p.Estimados = round5(f("QTCOMESACU"));
    p.PuMedioTeor = round5(f("VRCUSTOMEDIO"));
    return p;
}

// The real costs, when none are loaded, for the month of the planner's day; a failure
// leaves the comparison with what it has.
void TCustoDoMes::recarregaRealizado() {
    if (!cdsRealizado->Active() || !cdsRealizado->IsEmpty()) {
        return;
    }
    TBookmarkRestore back(*cdsRealizado);
    try {
        const QDate dia =
            cdsTrabCusto->Active() && !cdsTrabCusto->IsEmpty()
                ? cdsTrabCusto->FieldByName(QStringLiteral("DTDATA")).AsDateTime().date()
                : parametros_().DtMesCard.date();
        cdsRealizado->SetData(ToDataPacket(buscaRealizado(PriDiaMes(dia))));
    } catch (const std::exception&) {
        // The comparison goes on without the real costs.
    }
}

// One row of the comparison table a day of the planned costs, in date order; `linha`
// fills the row from the planned day and the day's real value of `campoReal` (0 when
// the day has none, or when no real field is asked for).
void TCustoDoMes::montaComparacao(TMemTable& g, const char* campoReal,
                                  const std::function<void(TMemTable&, double)>& linha) {
    g.EmptyDataSet();
    if (campoReal) {
        recarregaRealizado();
    }
    if (!cdsTrabCusto->Active()) {
        return;
    }
    TMemTable& t = *cdsTrabCusto;
    TBookmarkRestore back(t);
    TControlsDisabled quietTrab(t);
    TControlsDisabled quiet(g);
    for (t.First(); !t.Eof(); t.Next()) {
        const QDateTime dia = t.FieldByName(QStringLiteral("DTDATA")).AsDateTime();
        const QVariant real = campoReal && cdsRealizado->Active()
                                  ? cdsRealizado->Lookup(QStringLiteral("DTCARDAPIO"), {dia},
                                                         QString::fromLatin1(campoReal))
                                  : QVariant();
        g.Append();
        g.FieldByName(QStringLiteral("DTCARDAPIO")).SetAsDateTime(dia);
        linha(t, real.isNull() ? 0.0 : real.toDouble());
        g.Post();
    }
    g.MergeChangeLog();
}

void TCustoDoMes::MontaGrafPlanReal() {
    TMemTable& g = *cdsGrafPlanReal;
    const double padrao = VrCustPadr();
    montaComparacao(g, "QtdePerc", [&g, padrao](TMemTable& t, double real) {
        g.FieldByName(QStringLiteral("VrPadrao")).SetAsFloat(padrao);
        g.FieldByName(QStringLiteral("VRPERCPLAN"))
            .SetAsFloat(t.FieldByName(QStringLiteral("VRTOTPERC")).AsFloat());
        g.FieldByName(QStringLiteral("VRPERCREAL")).SetAsFloat(real);
    });
}

void TCustoDoMes::MontaCustoAcum() {
    TMemTable& g = *cdsCustoAcum;
    const double padrao = VrCustPadr();
    double acumulado = 0;
    montaComparacao(g, "CUSTO", [&g, padrao, &acumulado](TMemTable& t, double real) {
        acumulado += real;
        g.FieldByName(QStringLiteral("VrTotPadrao"))
            .SetAsFloat(padrao * t.FieldByName(QStringLiteral("QTCOMESACU")).AsFloat());
        g.FieldByName(QStringLiteral("VRTOTRACUM")).SetAsFloat(acumulado);
        g.FieldByName(QStringLiteral("VRTOTTACUM"))
            .SetAsFloat(t.FieldByName(QStringLiteral("VRCUSTMATACU")).AsFloat() +
                        t.FieldByName(QStringLiteral("VRCUSTOCONSACU")).AsFloat());
    });
}

void TCustoDoMes::MontaGrafCust() {
    TMemTable& g = *cdsGrafCust;
    const double padrao = VrCustPadr();
    montaComparacao(g, nullptr, [&g, padrao](TMemTable& t, double) {
        g.FieldByName(QStringLiteral("VrPadrao")).SetAsFloat(padrao);
        g.FieldByName(QStringLiteral("VrCustGraf"))
            .SetAsFloat(t.FieldByName(QStringLiteral("VRTOTPERC")).AsFloat());
    });
}

void TCustoDoMes::LiberaTrabalho() {
    if (ChaveTrabCusto.isEmpty()) {
        return;
    }
    const QString answer =
        chama(rpc::metodos::DelConsplan(), {ChaveTrabCusto, parametros_().CdFilial}).toString();
    ChaveTrabCusto.clear();
    if (!answer.isEmpty()) {
        MensErro(answer, true);
    }
}

void TCustoDoMes::Desconecta() {
    if (netCustoServ && netCustoServ->Connected()) {
        netCustoServ->SetConnected(false);
    }
}

} // namespace pla::host
