// The colour analysis of the open month: switched on and off, its ten-minute clock, and
// the class of the dish each grid cell shows. The rule itself is the server's
// (GetAnaliCor, docs/COSTS.md); this side only shows it.
#include "analise_cores.h"

#include "core/data_packet.h"
#include "core/dates.h"
#include "core/format_float.h"
#include "host/busy_scopes.h"
#include "module/monthly_menu/grid/dish_lines.h"
#include "module/monthly_menu/model/cardapio_mensal.h"
#include "rpc/net_connection.h"

#include <QTimer>

namespace pla::module {

using namespace pla::host;
using rpc::TFaixaCusto;

namespace {

QString chave(const QString& dia, qlonglong posicao, const QString& filial, const QString& prato) {
    return dia + QLatin1Char('|') + QString::number(posicao) + QLatin1Char('|') + filial.trimmed() +
           QLatin1Char('|') + prato.trimmed();
}

QString valor(double v) {
    return FormatFloat(QStringLiteral("#,##0.00###"), v);
}

} // namespace

const QList<TLegendaFaixa>& LegendaAnaliCor() {
    static const QList<TLegendaFaixa> legenda = [] {
        const int below = 100 - rpc::ToleranciaFaixaCusto;
        const int above = 100 + rpc::ToleranciaFaixaCusto;
        // Light enough for the dish's name to stay readable on them.
        return QList<TLegendaFaixa>{
            {TFaixaCusto::Barato, QColor(198, 239, 206), QStringLiteral("Barato"),
             QStringLiteral("porção abaixo de %1 % do alvo da posição").arg(below)},
            {TFaixaCusto::NaFaixa, QColor(255, 235, 156), QStringLiteral("Na faixa"),
             QStringLiteral("de %1 % a %2 % do alvo").arg(below).arg(above)},
            {TFaixaCusto::Caro, QColor(255, 199, 206), QStringLiteral("Caro"),
             QStringLiteral("acima de %1 % do alvo").arg(above)},
        };
    }();
    return legenda;
}

const TLegendaFaixa& LegendaDe(TFaixaCusto faixa) {
    for (const TLegendaFaixa& l : LegendaAnaliCor()) {
        if (l.Faixa == faixa) {
            return l;
        }
    }
    return LegendaAnaliCor().at(1);
}

QString ExplicaFaixa(const TFaixaPrato& f) {
    QString custo;
    switch (f.Faixa) {
    case TFaixaCusto::Barato:
        custo = QStringLiteral("abaixo de %1").arg(valor(f.Inferior));
        break;
    case TFaixaCusto::Caro:
        custo = QStringLiteral("acima de %1").arg(valor(f.Superior));
        break;
    case TFaixaCusto::NaFaixa:
        custo = QStringLiteral("entre %1 e %2").arg(valor(f.Inferior), valor(f.Superior));
        break;
    }
    QString text = QStringLiteral("%1: a porção custa %2, %3.\nAlvo da posição: %4.")
                       .arg(LegendaDe(f.Faixa).Titulo, valor(f.CustoPorcao), custo, valor(f.Alvo));
    text +=
        QStringLiteral("\nPer capita do dia: %1; padrão: %2.")
            .arg(f.PerCapitaDia.isNull() ? QStringLiteral("sem comensais")
                                         : valor(f.PerCapitaDia.toDouble()),
                 f.Padrao.isNull() ? QStringLiteral("não informado") : valor(f.Padrao.toDouble()));
    return text;
}

TAnaliseCores::TAnaliseCores(TCardapioMensal& cardapio)
    : QObject(&cardapio)
    , cardapio_(cardapio) {
    setObjectName(QStringLiteral("AnaliseCores"));
    timAnaliCor = new QTimer(this);
    timAnaliCor->setObjectName(QStringLiteral("timAnaliCor"));
    timAnaliCor->setInterval(IntervaloMs);
    connect(timAnaliCor, &QTimer::timeout, this, &TAnaliseCores::timAnaliCorTimer);
}

bool TAnaliseCores::Ativa() const {
    return timAnaliCor->isActive();
}

void TAnaliseCores::Alterna() {
    if (Ativa()) {
        desliga();
        return;
    }
    if (!cardapio_.Comandos().AnaliCor) {
        return;
    }
    {
        THourglass busy;
        const QDate mes = cardapio_.DtMesCard.date();
        cardapio_.cdsAnaliCor->SetData(rpc::PacoteServ(cardapio_.chama(
            rpc::metodos::GetAnaliCor(), {cardapio_.CdFilial, cardapio_.CdServico,
                                          cardapio_.DtMesCard, DataHora(UltimoDiaMes(mes))})));
    }
    indexa();
    ticks_ = 0;
    timAnaliCor->start();
    emit cardapio_.gradeAlterada();
    emit alterada(true);
}

void TAnaliseCores::timAnaliCorTimer() {
    if (!Ativa()) {
        return;
    }
    if (++ticks_ >= TicksMaximo) {
        desliga();
    }
}

void TAnaliseCores::Desabilita() {
    if (Ativa()) {
        desliga();
    }
}

void TAnaliseCores::desliga() {
    ticks_ = 0;
    timAnaliCor->stop();
    faixas_.clear();
    if (cardapio_.cdsAnaliCor->Active()) {
        cardapio_.cdsAnaliCor->EmptyDataSet();
    }
    emit cardapio_.gradeAlterada();
    emit alterada(false);
}

// The packet by day, position and dish: the grid asks for every cell on each repaint.
void TAnaliseCores::indexa() {
    faixas_.clear();
    TMemTable& t = *cardapio_.cdsAnaliCor;
    const auto f = [&t](const char* name) -> TMemField& {
        return t.FieldByName(QString::fromLatin1(name));
    };
    for (t.First(); !t.Eof(); t.Next()) {
        const QString kind = f("IDFAIXACUSTO").AsString();
        TFaixaPrato p;
        p.Faixa = kind == QLatin1String("B")   ? TFaixaCusto::Barato
                  : kind == QLatin1String("C") ? TFaixaCusto::Caro
                                               : TFaixaCusto::NaFaixa;
        p.CustoPorcao = f("VRCUSTOPORCAO").AsFloat();
        p.Alvo = f("VRALVOPOSICAO").AsFloat();
        p.Inferior = f("VRLIMINFERIOR").AsFloat();
        p.Superior = f("VRLIMSUPERIOR").AsFloat();
        p.PerCapitaDia = f("VRPERCAPDIA").Value();
        p.Padrao = f("VRCUSTPADR").Value();
        faixas_.insert(chave(DayKey(f("DTCARDAPIO").AsDateTime().date()),
                             f("NRSEQPRATCAR").AsInteger(), f("CDFILAUXPRAT").AsString(),
                             f("CDPRATO").AsString()),
                       p);
    }
}

std::optional<TFaixaPrato> TAnaliseCores::FaixaDaCelula(const TPivotCell& cell) const {
    if (!Ativa() || cell.Kind != TCellKind::Data || faixas_.isEmpty()) {
        return std::nullopt;
    }
    const std::optional<TDishLine> line = cardapio_.StlPratos.Lookup(cardapio_.CellKey(cell));
    if (!line || line->Code.trimmed().isEmpty() || !cardapio_.cdsCnfCaMes->Active()) {
        return std::nullopt;
    }
    const QVariant posicao = cardapio_.cdsCnfCaMes->Lookup(
        QStringLiteral("NRORDCNFMES"), {cell.Type.left(3).toInt()}, QStringLiteral("NRSEQCNFMES"));
    if (posicao.isNull()) {
        return std::nullopt;
    }
    const auto it =
        faixas_.constFind(chave(DayKey(cell.Day), posicao.toLongLong(), line->Branch, line->Code));
    if (it == faixas_.cend()) {
        return std::nullopt;
    }
    return *it;
}

void TCardapioMensal::DesabilitaAnaliCor() {
    analiseCores_->Desabilita();
}

} // namespace pla::module
