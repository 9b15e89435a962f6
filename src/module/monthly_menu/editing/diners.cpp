// Diners in the monthly grid: the day's estimate, a dish's share of it, the diners of
// a dish type summed over its counted positions and held against the day's, and the
// day's client distribution of a transported service.
#include "core/data_packet.h"
#include "core/dates.h"
#include "core/numbers.h"
#include "core/table_scopes.h"
#include "host/host_context.h"
#include "host/host_messages.h"
#include "host/host_query.h"
#include "module/monthly_menu/model/cardapio_mensal.h"
#include "rpc/contracts.h"
#include "rpc/net_connection.h"

namespace pla::module {

using namespace pla::host;

double TCardapioMensal::comensaisDia(const QDate& dia) {
    DesligaFiltro(*cdsCardaDia);
    if (!cdsCardaDia->Active() ||
        !cdsCardaDia->Locate(QStringLiteral("CDFILIAL;CDSERVFILI;DTCARDAPIO"),
                             {CdFilial, CdServico, DataHora(dia)})) {
        return 0;
    }
    return cdsCardaDia->FieldByName(QStringLiteral("QTCOMESTICAR")).AsFloat();
}

QString TCardapioMensal::getNrCardapio(const QString& filial, const QString& servico,
                                       const QDate& dia) {
    if (!cdsCardaDia->Active()) {
        return {};
    }
    return cdsCardaDia
        ->Lookup(QStringLiteral("CDFILIAL;CDSERVFILI;DTCARDAPIO"), {filial, servico, DataHora(dia)},
                 QStringLiteral("NRCARDAPIO"))
        .toString();
}

double TCardapioMensal::comensal_Percentual() {
    return TipoMontagem == 0 && Arredondar ? comensaisDia(DataCard()) : 100.0;
}

// The dish type's total on the current cell's day with a dish of the given share (a
// percentage) in the given position: in whole diners when the grid rounds diners,
// else in percentage points.
double TCardapioMensal::somaComensais(const QString& nrCardapio, const QString& cdTipoPrat,
                                      int posicao, double valor) {
    const double comensais = comensaisDia(DataCard());
    const bool inteiros = TipoMontagem == 0 && Arredondar;
    const auto parte = [&](double share) {
        return inteiros ? RoundDec(share / 100.0 * comensais, 0) : RoundDec(share, 3);
    };
    double total = parte(valor);
    QSet<int> contadas;
    for (cdsCnfCaMes->First(); !cdsCnfCaMes->Eof(); cdsCnfCaMes->Next()) {
        const auto f = [this](const char* name) -> TMemField& {
            return cdsCnfCaMes->FieldByName(QString::fromLatin1(name));
        };
        if (f("IDOPCCNFMES").AsString() != QLatin1String("S") &&
            f("CDTIPOPRAT").AsString().trimmed() == cdTipoPrat.trimmed() &&
            f("IDCONCNFMES").AsString() == QLatin1String("S") &&
            f("NRSEQCNFMES").AsInteger() != posicao) {
            contadas.insert(int(f("NRSEQCNFMES").AsInteger()));
        }
    }
    TFilterSuspended semFiltro(*cdsCompCardCache);
    TBookmarkRestore volta(*cdsCompCardCache);
    for (cdsCompCardCache->First(); !cdsCompCardCache->Eof(); cdsCompCardCache->Next()) {
        if (cdsCompCardCache->FieldByName(QStringLiteral("NRCARDAPIO")).AsString().trimmed() ==
                nrCardapio.trimmed() &&
            contadas.contains(
                int(cdsCompCardCache->FieldByName(QStringLiteral("NRSEQPRATCAR")).AsInteger()))) {
            total += parte(cdsCompCardCache->FieldByName(QStringLiteral("VRPECONSCARD")).AsFloat());
        }
    }
    return total;
}

// The day's row of a dish type among the diners by dish type, created when missing.
void TCardapioMensal::linhaComensaisTipo(const QDate& dia, const QString& cdTipoPrat) {
    if (cdsComensAux->Locate(QStringLiteral("DTCARDAPIO;CDTIPOPRAT"),
                             {DataHora(dia), cdTipoPrat})) {
        cdsComensAux->Edit();
        return;
    }
    qryTipoPrato->SetConnection(Host().SharedConnection());
    qryTipoPrato->Close();
    qryTipoPrato->SetParam(QStringLiteral("P_CDTIPOPRAT"), cdTipoPrat);
    qryTipoPrato->Open();
    cdsComensAux->Append();
    const auto f = [this](const char* name) -> TMemField& {
        return cdsComensAux->FieldByName(QString::fromLatin1(name));
    };
    f("CDFILIAL").SetAsString(CdFilial);
    f("NMFILIAL").SetAsString(NmFilial);
    f("CDSERVFILI").SetAsString(CdServico);
    f("NMSERVICO").SetAsString(NmServico);
    f("DTCARDAPIO").SetValue(DataHora(dia));
    f("CDTIPOPRAT").SetAsString(cdTipoPrat);
    f("NMTIPOPRAT")
        .SetAsString(qryTipoPrato->IsEmpty()
                         ? QString()
                         : qryTipoPrato->FieldByName(QStringLiteral("NMTIPOPRAT")).AsString());
}

// After a dish is placed: the diners its dish type now feeds, kept against the day's.
// The value is the one the cell shows (diners or percentage).
void TCardapioMensal::VerificaComensaisTipo(const QDate& dia, const QString& tipo, int posicao,
                                            double valor) {
    const double comensais = comensaisDia(dia);
    double share = valor;
    if (TipoMontagem == 0) {
        share = comensais > 0 ? valor / comensais * 100.0 : 100.0;
    }
    const QString cdTipoPrat = tipo.mid(3, 2);
    const QString nr = getNrCardapio(CdFilial, CdServico, dia);
    const double total = somaComensais(nr, cdTipoPrat, posicao, share);
    const double limite = comensal_Percentual();
    if (!(total > limite) && !(comensais > 0)) {
        return;
    }
    const bool inteiros = TipoMontagem == 0 && Arredondar;
    linhaComensaisTipo(dia, cdTipoPrat);
    const double est = inteiros ? RoundDec(total, 0) : total / 100.0 * comensais;
    cdsComensAux->FieldByName(QStringLiteral("COMENSEST")).SetAsFloat(est);
    cdsComensAux->FieldByName(QStringLiteral("COMENSDIA")).SetAsFloat(comensais);
    cdsComensAux->FieldByName(QStringLiteral("DIFERENCA")).SetAsFloat(RoundDec(est - comensais, 3));
    cdsComensAux->Post();
}

// A dish leaves its dish type: the type's diners lose its share.
void TCardapioMensal::atualizaComensaisRemocao(const QDate& dia, const QString& cdTipoPrat,
                                               double share) {
    const double comensais = comensaisDia(dia);
    const bool inteiros = TipoMontagem == 0 && Arredondar;
    const QString nr = getNrCardapio(CdFilial, CdServico, dia);
    // Every counted position of the type, this dish's included.
    const double total = somaComensais(nr, cdTipoPrat, -1, 0);
    const double totalDiners = inteiros ? total : total / 100.0 * comensais;
    const double dish =
        inteiros ? RoundDec(share / 100.0 * comensais, 0) : share / 100.0 * comensais;
    linhaComensaisTipo(dia, cdTipoPrat);
    const double est = totalDiners - dish;
    cdsComensAux->FieldByName(QStringLiteral("COMENSDIA")).SetAsFloat(comensais);
    cdsComensAux->FieldByName(QStringLiteral("COMENSEST")).SetAsFloat(est);
    cdsComensAux->FieldByName(QStringLiteral("DIFERENCA")).SetAsFloat(RoundDec(est - comensais, 3));
    cdsComensAux->Post();
}

// True when some day and dish type of the month feeds more diners than the day has,
// counting what the planner has changed and not yet saved; the offending pairs are
// left in cdsComensEst.
bool TCardapioMensal::VerificaSomaTP() {
    cdsComensEst->EmptyDataSet();
    QVariantList r;
    {
        std::unique_ptr<rpc::TNetConnection> net = Host().NewConnection(
            QStringLiteral("netComensEst"), QStringLiteral("PLA00124.rdmComensEst"));
        net->SetConnected(true);
        const rpc::TMethodSpec& spec = rpc::metodos::getComensEst();
        QList<rpc::TRpcArg> args = rpc::Argumentos(
            spec, {CdFilial, CdServico, DtMesCard, DataHora(Host().DataProc(CdFilial)),
                   Arredondar ? QStringLiteral("S") : QStringLiteral("N")});
        r = rpc::CheckResultServ(net->Call(spec.Name, args)).toList();
    }
    const QString answer = r.value(0).toString();
    SomaComEst = answer == QLatin1String("S");
    if (answer != QLatin1String("S") && answer != QLatin1String("N")) {
        MensErro(answer, true);
    }
    if (SomaComEst) {
        cdsComensEst->SetData(rpc::PacoteServ(r.value(1)));
    }
    // The planner's unsaved changes count: a pair just corrected no longer blocks, a
    // pair just broken does.
    for (cdsComensAux->First(); !cdsComensAux->Eof(); cdsComensAux->Next()) {
        const auto a = [this](const char* name) -> TMemField& {
            return cdsComensAux->FieldByName(QString::fromLatin1(name));
        };
        const double est = a("COMENSEST").AsFloat();
        const double dia = a("COMENSDIA").AsFloat();
        if (cdsComensEst->Locate(QStringLiteral("DTCARDAPIO;CDTIPOPRAT"),
                                 {a("DTCARDAPIO").Value(), a("CDTIPOPRAT").AsString()})) {
            if (!(RoundDec(est, 3) > RoundDec(dia, 3))) {
                cdsComensEst->Delete();
                continue;
            }
            cdsComensEst->Edit();
        } else {
            if (!(dia < est)) {
                continue;
            }
            cdsComensEst->Append();
            for (const char* name : {"CDFILIAL", "NMFILIAL", "CDSERVFILI", "NMSERVICO",
                                     "DTCARDAPIO", "CDTIPOPRAT", "NMTIPOPRAT"}) {
                cdsComensEst->FieldByName(QString::fromLatin1(name)).SetValue(a(name).Value());
            }
        }
        cdsComensEst->FieldByName(QStringLiteral("COMENSEST")).SetAsFloat(est);
        cdsComensEst->FieldByName(QStringLiteral("COMENSDIA")).SetAsFloat(dia);
        cdsComensEst->FieldByName(QStringLiteral("DIFERENCA")).SetAsFloat(a("DIFERENCA").AsFloat());
        if (RoundDec(a("DIFERENCA").AsFloat(), 3) == 0) {
            cdsComensEst->Cancel();
        } else {
            cdsComensEst->Post();
        }
    }
    return !cdsComensEst->IsEmpty();
}

void TCardapioMensal::AbreComensaisPorTipo() {
    Host().LoadBPL(QStringLiteral("PLA00124"), QVariantList{FromDataPacket(cdsComensEst->Data()),
                                                            QVariant::fromValue<QObject*>(this)});
}

// The day's clients of a transported service, with the menu number of the new day.
void TCardapioMensal::InsereCardaCli(const QString& nrCardapio, const QDate& dia, bool feriado) {
    IPlanejamento* planning = Planejamento();
    const auto pertence = [&] {
        return cdsCardaCli->Active() && !cdsCardaCli->IsEmpty() &&
               cdsCardaCli->FieldByName(QStringLiteral("NRCARDAPIO")).AsString().trimmed() ==
                   nrCardapio;
    };
    try {
        if (!pertence()) {
            cdsCardaCli->SetData(
                rpc::PacoteServ(Chama(*planning, rpc::metodos::GetCardaCli(),
                                      {CdFilial, CdServico, DataHora(dia),
                                       feriado ? QStringLiteral("S") : QStringLiteral("N")})));
            // A day without delivery points yet comes as new rows, still to be written.
        }
        for (cdsCardaCli->First(); !cdsCardaCli->Eof(); cdsCardaCli->Next()) {
            if (cdsCardaCli->FieldByName(QStringLiteral("NRCARDAPIO")).AsString().trimmed() !=
                nrCardapio) {
                cdsCardaCli->Edit();
                cdsCardaCli->FieldByName(QStringLiteral("NRCARDAPIO")).SetAsString(nrCardapio);
                cdsCardaCli->Post();
            }
        }
        if (cdsCardaCli->ChangeCount() > 0) {
            const QString answer =
                Chama(*planning, rpc::metodos::SetCardaCli(), {FromDataPacket(cdsCardaCli->Data())})
                    .toString();
            if (!answer.isEmpty()) {
                MensErro(answer, true);
            }
            cdsCardaCli->MergeChangeLog();
        }
    } catch (...) {
        if (cdsCardaCli->Active()) {
            if (cdsCardaCli->IsEditing()) {
                cdsCardaCli->Cancel();
            }
            cdsCardaCli->CancelUpdates();
        }
        throw;
    }
}

} // namespace pla::module
