#pragma once

#include "copia_valores.h"
#include "core/messages.h"
#include "marca_copia.h"

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <functional>

namespace pla {
class TMemTable;
}

namespace pla::module {

class TCardapioMensal;

// How a copy ended: the days it left as they were and why.
struct TResultadoCopia {
    QList<QDate> DiasExcedidos;    // the dish type would feed more than the day's diners
    QList<QDate> DiasSemComensais; // a day planned for no diners
    QString TurnosNaoGravados;     // shifts a new day could not keep
    bool Advertencias() const {
        return !DiasExcedidos.isEmpty() || !DiasSemComensais.isEmpty() ||
               !TurnosNaoGravados.isEmpty();
    }
    // The details the planner reads after a copy with warnings.
    QString Detalhes(const TMessages& msg) const;
};

// Repeats one dish of an open month over the other days of that month: its copy into
// the same position of every permitted day, or its quantity on the days that hold it.
// The dishes go into the month's change cache, which the monthly screen saves later;
// only a day without a record reaches the server, to be created with its number and
// delivery points. A failure on any day leaves the cache as it was.
class TCopiaPrato : public QObject {
    Q_OBJECT

public:
    // The selected dish is the cache's current row.
    TCopiaPrato(TCardapioMensal& cardapio, const TParametrosCopia& parametros,
                QObject* parent = nullptr);

    TMessages msgPadrao;
    // Copies of the month taken at creation, and what the copy reads and records.
    TMemTable* cdsCompCard = nullptr;
    TMemTable* cdsCardaDia = nullptr;
    TMemTable* cdsCnfCaMes = nullptr;
    TMemTable* cdsCompCardDel = nullptr;
    TMemTable* cdsParamPlaneja = nullptr;
    TMemTable* cdsGeraHist = nullptr;
    TMemTable* cdsPratoRelac = nullptr;
    TMemTable* cdsPratoEquiv = nullptr;

    const TParametrosCopia& Parametros() const { return parametros_; }
    const TPratoOrigem& Prato() const { return prato_; }
    TModoQuantidade Modo() const { return modo_; }
    QString CardapioCentral() const { return central_; }
    // The estimated diners of a day of the copy's day table (0 without a record).
    double ComensaisDoDia(const QDate& dia) const;
    // The value the screen starts with: the dish's diners or percentage.
    double ValorInicial() const;

    void CarregaParametros();
    void CarregaPratosExcluidos();
    // The dish's recipe is revised and has no inactive product; else the planner is told.
    void VerificaPrato();

    using TProgresso = std::function<void(const QDate& dia)>;
    // The copy over the month. On a failure the cache is put back as it was and the
    // error names the day.
    TResultadoCopia Executa(const TValoresCopia& valores, const TProgresso& progresso);

private:
    struct TDia;
    void executaDia(const TValoresCopia& v, TDia& d, TResultadoCopia& r);
    bool criaDia(TDia& d, TResultadoCopia& r);
    void insereLinha(const TDia& d, double valor);
    void atualizaLinha(const TDia& d, double valor);
    void somaOutrasParticipacoes();
    bool posicaoContada() const;
    bool celulaOcupada(const QDate& dia) const;
    bool devePularPorEquivalencia(const QDate& dia);
    TPratosDoDia pratosDoDia(const TDia& d);
    double participacao(double valor, double comensais) const;
    void devolveDias();

    QPointer<TCardapioMensal> cardapio_;
    TParametrosCopia parametros_;
    TPratoOrigem prato_;
    TModoQuantidade modo_ = 0;
    QString central_;
    QString idServTran_;
    bool relacao_ = false;
    QHash<QString, double> outras_; // by day number: the type's other counted shares
};

} // namespace pla::module
