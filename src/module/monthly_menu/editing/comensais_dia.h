#pragma once

#include <QDate>
#include <QString>
#include <array>
#include <optional>

namespace pla::module {

// A day's estimated diners as the planner sets them: the total, its employees and
// donations (the clients are the rest), the diners of each shift the day keeps (by
// the shift's code, 1 to 4) and the day's description.
struct TComensaisDia {
    QDate Dia;
    double Total = 0;
    double Funcionario = 0;
    double Doacoes = 0;
    bool ComTurnos = false; // the service has shifts the day keeps
    std::array<std::optional<double>, 4> Turnos{};
    QString Descricao;

    double Cliente() const { return Total - (Funcionario + Doacoes); }
};

// The share of the day a dish keeps when the day's diners change and its portions do
// not: a dish that served 300 of 600 diners serves 40 % of 750.
double PercentualMantendoPorcoes(double percentual, double comensaisAntes, double comensaisDepois);

} // namespace pla::module
