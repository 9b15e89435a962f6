#pragma once

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <array>

namespace pla::packages {

// The three printed menus: of a day (PLA00400), of the week that holds a day (PLA02600)
// and of a month (PLA02700).
enum class TTipoEmissao { Dia, Semana, Mes };

// The days a printout covers: the day; the week from Sunday to Saturday; the month
// from its first to its last day.
struct TPeriodoEmissao {
    QDate Inicio;
    QDate Fim;
    int Dias() const { return Inicio.isValid() ? int(Inicio.daysTo(Fim)) + 1 : 0; }
    bool Contem(const QDate& d) const { return d.isValid() && d >= Inicio && d <= Fim; }
    friend bool operator==(const TPeriodoEmissao&, const TPeriodoEmissao&) = default;
};
TPeriodoEmissao PeriodoEmissao(TTipoEmissao tipo, const QDate& escolhido);

// The calendar of a period: weeks as rows of seven days, Sunday first; the days of a
// row outside the period are invalid dates (the blank cells before a month's first day
// and after its last).
using TSemanaCalendario = std::array<QDate, 7>;
QList<TSemanaCalendario> SemanasCalendario(const TPeriodoEmissao& periodo);

// A printed position of a day: its dish type, whether it is optional, and its dishes in
// their order within the position.
struct TLinhaCardapio {
    QString TipoPrato;
    bool Opcional = false;
    QStringList Pratos;
    friend bool operator==(const TLinhaCardapio&, const TLinhaCardapio&) = default;
};

// A line of a day's cell: what it is, the dish type before it (for a position, bold on
// paper, "TYPE:" or "TYPE*:") and its text.
struct TLinhaTexto {
    enum TTipo { Feriado, Descricao, SemCardapio, Posicao };
    TTipo Tipo = Posicao;
    QString Rotulo;
    QString Texto;
};

// A day as printed: its holiday's name, its description, and its printed positions
// that hold a dish, in the month's order. A day without any is a day without a menu.
struct TDiaCardapio {
    QDate Dia;
    QString Feriado;
    QString Descricao;
    QList<TLinhaCardapio> Linhas;
    bool SemCardapio() const { return Linhas.isEmpty(); }
};

// A service's menu of a period as the printouts show it, built from the server's one
// answer (rpc::TElemCardapioImpresso): every day of the period, in order.
class TCardapioImpresso {
public:
    TCardapioImpresso() = default;
    // The answer's error text is raised (EPlaError); a malformed answer too.
    static TCardapioImpresso DaResposta(const QVariant& answer, const QString& cdFilial,
                                        const QString& cdServico, TTipoEmissao tipo,
                                        const TPeriodoEmissao& periodo);

    TTipoEmissao Tipo = TTipoEmissao::Dia;
    TPeriodoEmissao Periodo;
    QString CdFilial;
    QString NmFilial;
    QString CdServico;
    QString NmServico;
    QList<TDiaCardapio> Dias;

    const TDiaCardapio* Dia(const QDate& d) const; // null outside the period
    bool TemOpcional() const;                      // some printed position is optional
    int DiasComCardapio() const;

    // "Cardápio do Dia", "Cardápio da Semana", "Cardápio do Mês".
    QString Titulo() const;
    // "Filial 0001 - name" and "Serviço 00001 - name".
    QString LinhaFilial() const;
    QString LinhaServico() const;
    // The period: "Terça-feira, 03/03/2026"; "Semana de 01/03/2026 a 07/03/2026";
    // "Março de 2026".
    QString LinhaPeriodo() const;
    // The lines of a day's cell, after its number: "Feriado" and the holiday's name, the
    // description, each position as "TYPE:" and "dish, dish" (an optional one marked
    // "TYPE*:"), or "Sem cardápio".
    static QList<TLinhaTexto> LinhasDia(const TDiaCardapio& dia);
    // The same as texts ("TYPE: dish, dish").
    static QStringList TextoDia(const TDiaCardapio& dia);
    // How an optional position is marked, and the legend that explains it.
    static QString MarcaOpcional() { return QStringLiteral("*"); }
    static QString LegendaOpcional();
    static QString SemCardapioTexto();
};

} // namespace pla::packages
