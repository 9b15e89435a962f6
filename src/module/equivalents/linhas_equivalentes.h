#pragma once

#include "core/mem_table.h"

#include <QDate>
#include <QStringList>

namespace pla::module {

// A day whose menu can no longer be changed: a reason a line cannot be marked, and the
// monthly screen's refusal of a dish for such a day, in the same words.
QString TextoDiaBloqueado();

// The lines of the substitution by equivalents (PLA00134) as the planner marks them and
// chooses their equivalents, over the table getSubsPratoEqui fills; every call works on
// the table's current row unless it says otherwise. Kept out of the screen so the
// rules are tested without it.
class TLinhasEquivalentes {
public:
    // `tipoQuantidade`: "P" the share of the day's diners, "C" the diners; days before
    // `dataLimite` may no longer change.
    TLinhasEquivalentes(TMemTable& linhas, const QString& tipoQuantidade, const QDate& dataLimite);

    // `row`: a shown row of the table (from 0) instead of the current one, for drawing.
    bool DiaBloqueado(int row = -1) const;
    bool EquivalenteInvalido(int row = -1) const;
    bool SemEquivalente(int row = -1) const;
    // Why the line cannot be marked, in the order the planner reads them.
    QStringList Motivos(int row = -1) const;
    bool Marcada() const;
    int Marcadas() const;

    // Marks the line when its equivalent may stand in; with `explica`, a refusal is
    // said (MensErro) instead of passing quietly. Returns whether it is marked.
    bool Marca(bool explica);
    void Desmarca();
    // A click on the line's check: an unmarked line is marked with its reasons said,
    // a marked one unmarked.
    void Alterna();
    // A click on a column title: every line unmarked when any is marked, else every
    // valid line marked.
    void AlternaTodas();

    // The equivalent at the current row of a getListaEquiPrato table taken for the line,
    // its saving with it.
    void AplicaEquivalente(const TMemTable& lista);
    // The chosen equivalent dropped (a new code typed over it); the line unmarked.
    void LimpaEquivalente();
    // The equivalent's consumption edited: its share and the saving follow.
    void ConsumoAlterado();

private:
    QVariant valor(const char* field, int row) const;
    QString texto(const char* field, int row = -1) const;
    double numero(const char* field, int row = -1) const;
    void grava(const char* field, const QVariant& value);
    // The line's saving (VRECONOMIA) after its equivalent or consumption changed.
    void calculaEconomia();

    TMemTable& t_;
    QString tipo_;
    QDate limite_;
};

} // namespace pla::module
