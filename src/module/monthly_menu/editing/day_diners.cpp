// A day's diners set by the planner: the day read again before it is set, written into
// the day table and saved with the month, the dishes' shares kept or followed, the
// delivery points sent; and the diners of the diets prescribed for a service.
#include "core/data_packet.h"
#include "core/dates.h"
#include "core/numbers.h"
#include "core/table_scopes.h"
#include "host/dialog_presenter.h"
#include "host/host_context.h"
#include "host/host_messages.h"
#include "module/frame/creation.h"
#include "module/monthly_menu/model/cardapio_mensal.h"
#include "rpc/contracts.h"
#include "rpc/net_connection.h"

namespace pla::module {

using namespace pla::host;

namespace {

constexpr auto Placeholder = "XXXXXXXXXX"; // a new day's number until the server gives one

} // namespace

double PercentualMantendoPorcoes(double percentual, double comensaisAntes, double comensaisDepois) {
    if (!(comensaisAntes > 0) || !(comensaisDepois > 0)) {
        return percentual; // no portions to keep, or none to keep them for
    }
    return percentual * comensaisAntes / 100.0 * 100.0 / comensaisDepois;
}

void TCardapioMensal::CriaComensaisDoDia() {
    DesabilitaAnaliCor();
    const QDate dia = DataCard();
    const std::optional<TDishLine> entry = EntradaCelula();
    const double antes = entry ? QuantityValue(entry->Quantity) : 0.0;
    const TResultadoCardTurn r = CriaCardTurn(*this, dia, antes);
    // Refreshed also after a cancel: a confirmation may have saved the day before it
    // stopped at the delivery points.
    const double agora = comensaisDia(dia);
    if (r.Confirmado && (r.Total == 0 || r.CardaDiaExiste) && agora == 0) {
        PratosDoDiaIntegrais(dia);
    }
    {
        TFilterSuspended todos(*cdsCardaDia);
        if (cdsCardaDia->Locate(QStringLiteral("CDFILIAL;CDSERVFILI;DTCARDAPIO"),
                                {CdFilial, CdServico, DataHora(dia)})) {
            RegistraDescricao(dia,
                              cdsCardaDia->FieldByName(QStringLiteral("DSCARDAPIO")).AsString());
        }
    }
    AtualizaStlPratos(true);
    if (agora != antes) {
        RecalculaOuAvisa();
    }
    emit comandosAlterados();
}

bool TCardapioMensal::RecarregaDia(const QDate& dia) {
    const QVariant answer =
        chama(rpc::metodos::GetCardadia(),
              {CdFilial, CdServico, DtMesCard, DataHora(UltimoDiaMes(DtMesCard.date())),
               DataHora(dia), QStringLiteral("S")});
    const TDataPacket novo = rpc::PacoteServ(answer);
    DesligaFiltro(*cdsCardaDia);
    TDataPacket atual = cdsCardaDia->Data();
    const int dataCol = atual.FieldIndex(QStringLiteral("DTCARDAPIO"));
    const int servCol = atual.FieldIndex(QStringLiteral("CDSERVFILI"));
    int local = -1;
    for (int i = 0; i < atual.Rows.size(); ++i) {
        const TPacketRow& row = atual.Rows[i];
        if (row.Kind != TRowKind::Deleted && row.Values[dataCol].toDateTime().date() == dia &&
            row.Values[servCol].toString().trimmed() == CdServico.trimmed()) {
            local = i;
            break;
        }
    }
    if (local < 0) {
        return false;
    }
    // The planner's own pending change of the day stands; the save checks it against
    // what is stored.
    if (novo.Rows.isEmpty() || atual.Rows[local].Kind != TRowKind::Unchanged) {
        return true;
    }
    TPacketRow& row = atual.Rows[local];
    for (int i = 0; i < atual.Fields.size(); ++i) {
        const int at = novo.FieldIndex(atual.Fields[i].Name);
        if (at >= 0) {
            row.Values[i] = novo.Rows.first().Values[at];
        }
    }
    cdsCardaDia->SetData(atual);
    return true;
}

QString TCardapioMensal::GravaComensaisDia(const TComensaisDia& v,
                                           const std::function<bool()>& alteraProporcional) {
    const auto f = [this](const QString& name) -> TMemField& {
        return cdsCardaDia->FieldByName(name);
    };
    DesligaFiltro(*cdsCardaDia);
    double antes = 0;
    if (cdsCardaDia->Locate(QStringLiteral("CDFILIAL;CDSERVFILI;DTCARDAPIO"),
                            {CdFilial, CdServico, DataHora(v.Dia)})) {
        antes = f(QStringLiteral("QTCOMESTICAR")).AsFloat();
        cdsCardaDia->Edit();
    } else {
        cdsCardaDia->Append();
        f(QStringLiteral("CDFILIAL")).SetAsString(CdFilial);
        f(QStringLiteral("CDSERVFILI")).SetAsString(CdServico);
        f(QStringLiteral("NRCARDAPIO")).SetAsString(QString::fromLatin1(Placeholder));
        f(QStringLiteral("DTCARDAPIO")).SetValue(DataHora(v.Dia));
        f(QStringLiteral("DTMESCARD")).SetValue(DataHora(PriDiaMes(v.Dia)));
    }
    // A column of no shift of the service holds 0: the day keeps no empty figures.
    double total = v.Total;
    if (v.ComTurnos) {
        total = 0;
    }
    for (int n = 0; n < 4; ++n) {
        const double turno = v.ComTurnos ? v.Turnos[n].value_or(0.0) : 0.0;
        f(QStringLiteral("QTESTITURNO%1").arg(n + 1)).SetAsFloat(turno);
        total += turno;
    }
    f(QStringLiteral("QTCOMESTICAR")).SetAsFloat(total);
    f(QStringLiteral("QTCLIESTICAR")).SetAsFloat(total - (v.Funcionario + v.Doacoes));
    f(QStringLiteral("QTFUNESTICAR")).SetAsFloat(v.Funcionario);
    f(QStringLiteral("QTDOAESTICAR")).SetAsFloat(v.Doacoes);
    f(QStringLiteral("CDOPERADOR")).SetAsString(Host().Operador);
    f(QStringLiteral("DTULTATUACAR")).SetValue(DataHora(Hoje()));
    f(QStringLiteral("DSCARDAPIO"))
        .SetAsString(v.Descricao.isEmpty() ? QStringLiteral(" ") : v.Descricao);
    cdsCardaDia->Post();
    const TBookmark dia = cdsCardaDia->Bookmark();

    // The dishes of a menu assembled by number of diners: their portions follow the
    // new total, or are kept and their shares change. Nothing to keep from a day that
    // had no diners.
    {
        TFilterSuspended todos(*cdsCompCardCache);
        QList<TBookmark> pratos;
        for (cdsCompCardCache->First(); !cdsCompCardCache->Eof(); cdsCompCardCache->Next()) {
            if (cdsCompCardCache->FieldByName(QStringLiteral("DTCARDAPIO")).AsDateTime().date() ==
                v.Dia) {
                pratos << cdsCompCardCache->Bookmark();
            }
        }
        if (TipoMontagem == 0 && !pratos.isEmpty() && antes > 0 && total != antes &&
            !alteraProporcional()) {
            for (const TBookmark b : pratos) {
                cdsCompCardCache->GotoBookmark(b);
                TMemField& share = cdsCompCardCache->FieldByName(QStringLiteral("VRPECONSCARD"));
                cdsCompCardCache->Edit();
                share.SetAsFloat(PercentualMantendoPorcoes(share.AsFloat(), antes, total));
                cdsCompCardCache->Post();
            }
        }
    }

    const QString nr = UpdCacheOnSrv().trimmed();
    cdsCardaDia->GotoBookmark(dia);
    // A new day takes the number the server gave it; a day that had one keeps it.
    if (f(QStringLiteral("NRCARDAPIO")).AsString() == QLatin1String(Placeholder)) {
        cdsCardaDia->Edit();
        f(QStringLiteral("NRCARDAPIO")).SetAsString(nr);
        cdsCardaDia->Post();
        cdsCardaDia->MergeChangeLog();
    }
    return f(QStringLiteral("NRCARDAPIO")).AsString().trimmed();
}

void TCardapioMensal::PratosDoDiaIntegrais(const QDate& dia) {
    TFilterSuspended todos(*cdsCompCardCache);
    for (cdsCompCardCache->First(); !cdsCompCardCache->Eof(); cdsCompCardCache->Next()) {
        if (cdsCompCardCache->FieldByName(QStringLiteral("DTCARDAPIO")).AsDateTime().date() ==
                dia &&
            cdsCompCardCache->FieldByName(QStringLiteral("VRPECONSCARD")).AsFloat() != 100.0) {
            cdsCompCardCache->Edit();
            cdsCompCardCache->FieldByName(QStringLiteral("VRPECONSCARD")).SetAsFloat(100.0);
            cdsCompCardCache->Post();
        }
    }
}

void TCardapioMensal::RegistraDescricao(const QDate& dia, const QString& descricao) {
    const QString prefix = DayKey(dia) + QLatin1Char('=');
    StlDesc.erase(std::remove_if(StlDesc.begin(), StlDesc.end(),
                                 [&prefix](const QString& l) { return l.startsWith(prefix); }),
                  StlDesc.end());
    if (!descricao.trimmed().isEmpty()) {
        StlDesc << prefix + descricao.trimmed();
        StlDesc.sort();
    }
}

void TCardapioMensal::EnviaCardaCli(TMemTable& pontos, bool soAlteracoes) {
    try {
        if (pontos.IsEditing()) {
            pontos.Post();
        }
        const QString answer =
            chama(rpc::metodos::SetCardaCli(),
                  {FromDataPacket(soAlteracoes ? pontos.Delta() : pontos.Data())})
                .toString();
        if (!answer.isEmpty()) {
            MensErro(answer, true);
        }
        pontos.MergeChangeLog();
    } catch (...) {
        if (pontos.Active()) {
            if (pontos.IsEditing()) {
                pontos.Cancel();
            }
            pontos.CancelUpdates();
        }
        throw;
    }
}

bool TCardapioMensal::AcertaAlteracoesPendentes() {
    if (VerificaSomaTP()) {
        AbreComensaisPorTipo();
        return false;
    }
    if (AlteracoesPendentes() == 0) {
        return true;
    }
    if (ShowMsg(msgPadrao, QStringLiteral("GRAVA_ANTES"), TMsgDlgType::Confirmation,
                mbYes | mbNo) == mrYes) {
        UpdCacheOnSrv();
        recarregaPratosExcluidos();
    } else {
        DescartaAlteracoes();
    }
    emit gradeAlterada();
    return true;
}

bool TCardapioMensal::AtualizaComensaisDieta() {
    DesabilitaAnaliCor();
    if (!AcertaAlteracoesPendentes()) {
        return false;
    }
    criaAtuComensDieta(CdServico, NmServico, DataHora(DataCard()), this);
    return true;
}

} // namespace pla::module
