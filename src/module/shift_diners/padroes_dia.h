#pragma once

#include <QDate>
#include <QList>
#include <QString>

namespace pla::db {
class TDatabase;
}

namespace pla::module {

// A meal shift of a service and what it expects on one day.
struct TTurnoDia {
    int Codigo = 0;
    QString Nome;
    double Padrao = 0;
    // The day's record keeps four shift columns, named by the shift's code.
    bool Guardavel() const { return Codigo >= 1 && Codigo <= 4; }
};

// What a service expects on a day before anyone sets it: the estimates of its weekday,
// or of a menu holiday, for the service and for each of its shifts.
struct TPadroesDia {
    bool Feriado = false;
    double Total = 0;
    double Cliente = 0;
    double Funcionario = 0;
    double Doacoes = 0;
    QList<TTurnoDia> Turnos; // in the order of their codes

    QList<TTurnoDia> TurnosGuardaveis() const;
    QList<TTurnoDia> TurnosNaoGuardaveis() const;
    // "5 - Ceia, 6 - Madrugada": the shifts a day cannot keep, for the planner.
    QString DescreveNaoGuardaveis() const;

    // Read from the host's lookup tables (SERVICO, TURNOSERV, FERICARD).
    static TPadroesDia Le(db::TDatabase* conexao, const QString& filial, const QString& servico,
                          const QDate& dia);
};

} // namespace pla::module
