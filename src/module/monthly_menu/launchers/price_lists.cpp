// The products' costs updated from price lists: the lists of the branch's purchasing
// central the planner marks in the host's list lookup are applied on the server
// ("CMP02500.rdmProdCmpFilial"), each once.
#include "core/dates.h"
#include "core/messages.h"
#include "host/busy_scopes.h"
#include "host/dialog_presenter.h"
#include "host/host_context.h"
#include "host/host_messages.h"
#include "host/host_query.h"
#include "host/lookup_dialog.h"
#include "module/monthly_menu/model/cardapio_mensal.h"
#include "rpc/net_connection.h"

#include <QScopeGuard>

namespace pla::module {

using namespace pla::host;

namespace {

const TMessages& mensagens() {
    static const TMessages m(
        QStringLiteral("ListaPreco"),
        {QStringLiteral("RECE_LIST_PREC|Recebendo lista de preços do servidor..."),
         QStringLiteral("N_H_LIST|Não há lista de preços disponibilizada para a central de "
                        "compras da filial informada."),
         QStringLiteral("TIT_PSQLISPR|Lista de Preços"),
         QStringLiteral("LISTA_N_MARC|Nenhuma lista de preços foi escolhida."),
         QStringLiteral("ATU_CUSTO_LISTPR|Atualizando o custo da(s) lista(s) de preços no "
                        "servidor..."),
         QStringLiteral("ATU_OK|Custo atualizado por %s lista(s) de preços: %s custo(s) de "
                        "produto gravado(s)."),
         QStringLiteral("SIM|Sim"), QStringLiteral("NAO|Não (já atualizada)")});
    return m;
}

// cdsPrevLista as the lookup shows it: newest list first, the update flag in words.
void definePrevLista(TMemTable& t) {
    const auto field = [&t](const char* name, TFieldType type, int size, const char* label) {
        TMemField& f = t.AddField(QString::fromLatin1(name), type, size);
        f.SetDisplayLabel(QString::fromUtf8(label));
        return &f;
    };
    // The lookup keeps its own marks; the flag and the central's code are not shown.
    field("IDMARCADO", TFieldType::String, 1, " ")->SetVisible(false);
    field("CDFILIAL", TFieldType::String, 4, "Filial")->SetVisible(false);
    field("NRSEQPRELIST", TFieldType::String, 10, "Nº Lista");
    field("DSPREVLIST", TFieldType::String, 50, "Descrição");
    field("DTINIVALLIST", TFieldType::DateTime, 0, "Val. Ini")
        ->SetDisplayFormat(QStringLiteral("dd/mm/yyyy"));
    field("DTFINVALLIST", TFieldType::DateTime, 0, "Val. Fin.")
        ->SetDisplayFormat(QStringLiteral("dd/mm/yyyy"));
    field("IDATUCUSLIST", TFieldType::String, 1, "Atualizar Custo")->SetVisible(false);
    t.AddCalcField(QStringLiteral("DSATUCUSLIST"), TFieldType::String, 20)
        .SetDisplayLabel(QStringLiteral("Atualizar Custo"));
    t.OnCalcFields = [](TCalcRow& row) {
        row.SetValue(QStringLiteral("DSATUCUSLIST"),
                     mensagens().Msg(row.AsString(QStringLiteral("IDATUCUSLIST")).trimmed() ==
                                             QLatin1String("S")
                                         ? QStringLiteral("SIM")
                                         : QStringLiteral("NAO")));
    };
    t.AddIndex(QStringLiteral("OrdList"), QStringLiteral("NRSEQPRELIST"),
               QStringLiteral("NRSEQPRELIST"));
    t.CreateDataSet();
    t.SetIndexName(QStringLiteral("OrdList"));
}

QVariant chamaCompras(rpc::TNetConnection& net, const rpc::TMethodSpec& metodo,
                      const QVariantList& valores) {
    QList<rpc::TRpcArg> args = rpc::Argumentos(metodo, valores);
    return net.Call(metodo.Name, args);
}

} // namespace

void TCardapioMensal::AtualizaCustoListaPreco() {
    DesabilitaAnaliCor();
    const TMessages& msg = mensagens();
    const std::unique_ptr<rpc::TNetConnection> netProdCmpFilial = Host().NewConnection(
        QStringLiteral("netProdCmpFilial"), QStringLiteral("CMP02500.rdmProdCmpFilial"));
    // Disconnected however the update ends.
    const auto desconecta =
        qScopeGuard([&netProdCmpFilial] { netProdCmpFilial->SetConnected(false); });
    TMemTable cdsPrevLista(QStringLiteral("cdsPrevLista"));
    definePrevLista(cdsPrevLista);
    {
        TWaitAnimation wait(janela(), 1, msg.Msg(QStringLiteral("RECE_LIST_PREC")));
        netProdCmpFilial->SetConnected(true);
        cdsPrevLista.SetData(
            rpc::PacoteServ(chamaCompras(*netProdCmpFilial, rpc::metodos::GetPrevLista(),
                                         {CdFilial, DataHora(Host().DataProc(CdFilial))})));
    }
    if (cdsPrevLista.IsEmpty()) {
        MensErro(msg.Msg(QStringLiteral("N_H_LIST")), true);
    }
    cdsPrevLista.First();
    QString listas;
    bool confirmada = false;
    PesquisaLista(cdsPrevLista, msg.Msg(QStringLiteral("TIT_PSQLISPR")),
                  QStringLiteral("NRSEQPRELIST"), msg.Msg(QStringLiteral("N_H_LIST")), listas,
                  &confirmada);
    if (!confirmada) {
        return;
    }
    if (listas.isEmpty()) {
        MensErro(msg.Msg(QStringLiteral("LISTA_N_MARC")), true);
    }
    // The purchasing central, read where the lookups read: the branch itself when it
    // has none.
    THostQuery qryCentCompr(QStringLiteral("qryCentCompr"));
    qryCentCompr.SetSql(QStringLiteral("SELECT COALESCE(CDFILCENTCMP, CDFILIAL) AS CDFILCENTCMP "
                                       "FROM FILIAL WHERE CDFILIAL = :P_CDFILIAL"));
    qryCentCompr.AddField(QStringLiteral("CDFILCENTCMP"), TFieldType::String, 4);
    qryCentCompr.SetConnection(Host().SharedConnection());
    qryCentCompr.SetParam(QStringLiteral("P_CDFILIAL"), CdFilial);
    qryCentCompr.Open();
    const QString central =
        qryCentCompr.IsEmpty()
            ? CdFilial
            : qryCentCompr.FieldByName(QStringLiteral("CDFILCENTCMP")).AsString().trimmed();
    QVariantList feito;
    {
        TWaitAnimation wait(janela(), 1, msg.Msg(QStringLiteral("ATU_CUSTO_LISTPR")));
        feito =
            rpc::CheckResultServ(chamaCompras(*netProdCmpFilial, rpc::metodos::Atu_Custo_ListPr(),
                                              {central, listas, CdFilial, Host().Operador}))
                .toList();
    }
    qryCentCompr.Close();
    // The planner hears what changed; the month's costs, valued at those products, are said
    // to be out of date (recalculating here would save edits the planner has not confirmed).
    TDialogPresenter::Current().Message(
        msg.Fmt(QStringLiteral("ATU_OK"),
                {feito.value(int(rpc::TElemAtuCustoLista::Listas)).toString(),
                 feito.value(int(rpc::TElemAtuCustoLista::Custos)).toString()}),
        TMsgDlgType::Information, mbOK);
    ExibeAvisoRecalc();
}

} // namespace pla::module
