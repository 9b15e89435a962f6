// Handing the open month to the screens that bring dishes from elsewhere: a day's menu
// imported from another day, a dish or its diners copied over the month, and dishes
// replaced by cheaper equivalents.
#include "core/dates.h"
#include "core/reference.h"
#include "core/table_scopes.h"
#include "host/busy_scopes.h"
#include "host/host_context.h"
#include "host/host_messages.h"
#include "module/frame/creation.h"
#include "module/menu_copy/copia_valores.h"
#include "module/monthly_menu/model/cardapio_mensal.h"

namespace pla::module {

using namespace pla::host;

QDate TCardapioMensal::PrimeiroDiaEditavel() const {
    return DtBaseBloqueio.addDays(QtDiaBloqCar);
}

void TCardapioMensal::ImportaCardapioDia() {
    DesabilitaAnaliCor();
    if (!Permissoes().importarCardDia() || !Comandos().Importacao) {
        return;
    }
    const QDate dia = DataCard();
    VerificaDiaNaoUtil(dia);
    DesligaFiltro(*cdsCompCardCache);
    FiltraData(*cdsCardaDia, dia);
    const bool semComensais =
        !cdsCardaDia->IsEmpty() &&
        !(cdsCardaDia->FieldByName(QStringLiteral("QTCOMESTICAR")).AsFloat() > 0);
    DesligaFiltro(*cdsCardaDia);
    if (semComensais) {
        MensErro(msgPadrao.Msg(QStringLiteral("COMENS_MAIOR_ZERO")), true);
    }
    if (VerificaSomaTP()) {
        AbreComensaisPorTipo();
        return;
    }
    UpdCacheOnSrv();
    const TReference feito(false);
    Host().LoadBPL(QStringLiteral("PLA00109"),
                   QVariantList{CdFilial, CdServico, DataHora(dia), DtMesCard,
                                qlonglong(TipoMontagem), feito.AsVariant(),
                                QString(tipoDeOperador())});
    emit gradeAlterada();
    if (!feito.Get().toBool()) {
        return;
    }
    recarregaAposOperacao();
}

void TCardapioMensal::CopiaPratoComensais() {
    DesabilitaAnaliCor();
    if (!Permissoes().copiarPratCom()) {
        return;
    }
    const std::optional<TDishLine> entry = EntradaCelula();
    if (!entry || entry->Name.mid(1).trimmed().isEmpty()) {
        emit comandosAlterados();
        return;
    }
    const TPivotCell cell = CelulaAtual();
    const int ordem = cell.Type.left(3).toInt();
    const int posicao = GetSeqPrat(ordem);
    if (!(QuantityValue(entry->Quantity) != 0)) {
        MensErro(msgPadrao.Msg(TipoMontagem == 0 ? QStringLiteral("COM>ZERO")
                                                 : QStringLiteral("PER>ZERO")),
                 true);
    }
    DesligaFiltro(*cdsCompCardCache);
    DesligaFiltro(*cdsCardaDia);
    cdsCnfCaMes->SetFiltered(false);
    if (VerificaSomaTP()) {
        AbreComensaisPorTipo();
        return;
    }
    UpdCacheOnSrv();
    const QDate dia = DataCard();
    if (!cdsCompCardCache->Locate(QStringLiteral("CDFILIAL;DTCARDAPIO;NRSEQPRATCAR"),
                                  {CdFilial, DataHora(dia), posicao})) {
        return; // the dish went with the save
    }
    TParametrosCopia p;
    p.Inicio = PrimeiroDiaEditavel();
    p.Mes = DtMesCard.date();
    p.Posicao = posicao;
    p.Ordem = ordem;
    p.NiveisPrato = niveisPrato();
    p.IdManCorCardAlt = paramGeral("IDMANCORCARDALT");
    p.TipoCardapio = tipoDeCardapio();
    p.TipoOperador = tipoDeOperador();
    p.FilialCentral = !paramPlaneja("CDFILCENTPME").isEmpty();
    p.OperadorGrupo = grupoParametrizado() && operadorDoGrupo();
    CriaExportRece(*this, p);
    emit gradeAlterada();
    emit comandosAlterados();
}

bool TCardapioMensal::ExportaCardapio() {
    DesabilitaAnaliCor();
    if (!CdServico.isEmpty() && !AcertaAlteracoesPendentes()) {
        return false;
    }
    CriaExportarCardapio(CdFilial, NmFilial, CdServico, NmServico, DtMesCard);
    return true;
}

void TCardapioMensal::SubstituiPorEquivalentes() {
    DesabilitaAnaliCor();
    if (!AcertaAlteracoesPendentes()) {
        return;
    }
    if (!CriaSubsPratoEqui(CdFilial, CdServico, DtMesCard, QString::number(TipoCustoPlanejado),
                           RefeCardapio ? QStringLiteral("S") : QStringLiteral("N"), DtRefeCusto,
                           TipoMontagem == 0 ? QStringLiteral("C") : QStringLiteral("P"),
                           Arredondar ? QStringLiteral("S") : QStringLiteral("N"),
                           DataHora(PrimeiroDiaEditavel()))) {
        return;
    }
    {
        TWaitAnimation wait(janela(), 6, QStringLiteral("Atualizando o cardápio..."));
        Carrega();
        emit gradeAlterada();
        emit comandosAlterados();
    }
    RecalculaOuAvisa();
}

} // namespace pla::module
