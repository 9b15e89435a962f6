#pragma once

#include <QDate>
#include <QDateTime>
#include <QString>

namespace pla::module {

class TCardapioMensal;
struct TParametrosCopia;

// How the day's diners dialog closed.
struct TResultadoCardTurn {
    bool Confirmado = false;
    bool CardaDiaExiste = false; // the day has a record now
    double Total = 0;            // what the total read when it closed
};

// The package's creation functions (also exported with C names for the host).
void IniProc();
// Creates the one planning screen, or shows the open one again.
void CriaElabCard();
// Opens a new monthly menu screen with the open planning screen's choices.
void CriaCardMens();
// The copy of the open month's current cache row over the month, with what the
// monthly screen hands over; modal.
void CriaExportRece(TCardapioMensal& cardapio, const TParametrosCopia& parametros);
// The export of a service's menu of a period to other services of the branch
// (PLA00133), starting at the month given; modal.
void CriaExportarCardapio(const QString& cdFilial, const QString& nmFilial,
                          const QString& cdServico, const QString& nmServico, const QDateTime& mes);
// The substitution of the month's dishes by cheaper equivalents (PLA00134); true when
// the planner confirmed a substitution (the month changed on the server).
bool CriaSubsPratoEqui(const QString& cdFilial, const QString& cdServico, const QDateTime& mes,
                       const QString& tipoCusto, const QString& refeCardapio,
                       const QDateTime& dtRefeCusto, const QString& tipoQuantidade,
                       const QString& arredondar, const QDateTime& dataLimite);
// Opens the log report of a cycle update, modally.
void CriaLogCardCiclo(const QString& cdFilial, const QString& nrLogCardCiclo);
// The day's diners dialog for one day of an open month, its total starting at the
// cell's value; modal.
TResultadoCardTurn CriaCardTurn(TCardapioMensal& cardapio, const QDate& dia, double total);
// The diet diners screen for a service and day of an open month (the monthly screen
// created last when none is given); one at a time, modal.
void criaAtuComensDieta(const QString& cdServFili, const QString& nmServico, const QDateTime& data,
                        TCardapioMensal* cardapio = nullptr);

} // namespace pla::module
