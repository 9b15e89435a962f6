#pragma once

#include <QChar>
#include <QDate>
#include <QString>
#include <QStringList>
#include <array>
#include <optional>

namespace pla::module {

// The copy screen's message catalogue.
const QStringList& CatalogoCopia();

// What the monthly screen hands to the copy of a dish, fixed for the screen's life.
struct TParametrosCopia {
    QDate Inicio;               // the first day that may still be changed
    QDate Mes;                  // the first day of the menu's month
    int Posicao = 0;            // the dish position copied (NRSEQPRATCAR)
    int Ordem = 0;              // its order, written into every copied dish (NRORDPRATCAR)
    QString NiveisPrato;        // levels of the dish code picture, as text
    QString IdManCorCardAlt;    // "S": a copied dish equal to the central one keeps its mark
    QChar TipoCardapio;         // D, N or S
    QChar TipoOperador;         // M or F
    bool FilialCentral = false; // the planning parameters name a central branch
    bool OperadorGrupo = false; // parameterised group and the operator is its operator
};

// How quantities are typed: 0 numbers of diners, 1 consumption percentages, 2 numbers
// of diners rounded to whole ones.
using TModoQuantidade = int;

// The dish selected in the grid.
struct TPratoOrigem {
    QString CdPrato;
    QString CdFilAuxPrat;
    QString CdTipoPrat;
    QString NmTipoPrat;
    QString NmPrato; // without its origin mark
    QDate Dia;
    double VrPeConsCard = 0;
};

// Weekday exceptions in the screen's order, then holidays.
enum TExcecaoDia { ExcSeg, ExcTer, ExcQua, ExcQui, ExcSex, ExcSab, ExcDom, ExcFer, QtExcecoes };
// The exception of a date's weekday (Monday first).
inline TExcecaoDia ExcecaoDoDia(const QDate& dia) {
    return static_cast<TExcecaoDia>(dia.dayOfWeek() - 1);
}

struct TExcecao {
    bool Marcada = false;
    std::optional<double> Valor; // empty box: none
};

enum class TPaginaCopia { Prato, Comensais };

// What the planner typed on the copy screen.
struct TValoresCopia {
    TPaginaCopia Pagina = TPaginaCopia::Prato;
    bool ComensaisDoPrato = false; // "Comensais do Prato" rather than the day's
    std::optional<double> Valor;   // the dish's value, or the diners page's
    std::array<TExcecao, QtExcecoes> Excecoes{};
    bool Sobrepor = true;

    // The exception that rules a date on the active page: a holiday's over its
    // weekday's; nothing when neither is ticked.
    std::optional<double> Excecao(const QDate& dia, bool feriado) const;
    double ValorDoDia(const QDate& dia, bool feriado, double base) const {
        return Excecao(dia, feriado).value_or(base);
    }
};

// A value refused: the catalogue key and where the planner corrects it (the value box,
// or an exception's).
struct TFalhaCopia {
    QString Chave;
    std::optional<TExcecaoDia> Excecao;
};

// The screen's checks in order; nothing when the values may be copied.
std::optional<TFalhaCopia> VerificaValoresCopia(const TValoresCopia& valores, TModoQuantidade modo);

} // namespace pla::module
