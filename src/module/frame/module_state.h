#pragma once

#include <QDateTime>
#include <QList>
#include <QPointer>
#include <QString>
#include <QWidget>

namespace pla::module {

class IPlanejamento;
class TfrmCardMens;
class TfrmParamCardIndu;
class TfrmLogIntCard;
class TfrmCardTurn;
class TfrmAtuComensDieta;
class TfrmCopiRece;
class TfrmExportarCardapio;

// The package's exported variables: the current instance of each unit's form and
// the few unit states the screens hand to one another.
extern QPointer<TfrmParamCardIndu> frmParamCardIndu;
extern QPointer<TfrmLogIntCard> frmLogIntCard;
extern QPointer<QWidget> formExtCardMens;                  // the monthly menu screen created last
extern QPointer<TfrmCardTurn> frmCardTurn;                 // the day's diners dialog created last
extern QPointer<TfrmAtuComensDieta> frmAtuComensDieta;     // the one diet diners screen
extern QPointer<TfrmCopiRece> frmCopiRece;                 // the copy screen created last
extern QPointer<TfrmExportarCardapio> frmExportarCardapio; // the export screen created last
// Handed to the diet diners screen.
extern QString stCdServico;
extern QString stNmServico;
extern QString stNrCardapio;
extern QDateTime dtDataCardapio;
extern bool boIdCriado;
extern bool boExcluiCardapio;

// The planning screen as the monthly menus see it; null while it is not open.
IPlanejamento* PlanejamentoAtual();

// The open monthly menu screens, oldest first: each registers itself while it lives.
void RegistraCardapioMensal(TfrmCardMens* screen);
void RemoveCardapioMensal(TfrmCardMens* screen);
QList<TfrmCardMens*> CardapiosMensais();

// The planning screen has been created (and not closed since).
bool PlanejamentoCriado();
void SetPlanejamentoCriado(bool created);

// The start-up and shut-down work of the package's units, run on load and unload.
void InitializeUnits();
void FinalizeUnits();

} // namespace pla::module
