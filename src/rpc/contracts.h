#pragma once

// What the server and the desktop agree on by position: the declarations of the
// methods both sides rely on, the elements of their positional results, the
// operator's permission array and the answers that carry an error text in a
// result's place. Both sides include this header; nothing here changes the bytes on
// the wire (docs/PROTOCOL.md).

#include "rpc_protocol.h"

#include <QList>
#include <QString>
#include <QVariant>
#include <optional>

namespace pla::rpc {

// The declared type of a method's argument. A value of another kind is refused
// before the method runs, and so is null unless the argument is optional (a variant,
// such as a change set, may always be null).
enum class TArgType { String, Integer, Float, Boolean, DateTime, Bytes, Variant };

struct TParam {
    QString Name;
    TArgType Type = TArgType::Variant;
    bool ByRef = false;
    bool Optional = false; // null stands for "none" (a date not given)
    friend bool operator==(const TParam&, const TParam&) = default;
};

// A method's name and arguments, in order; which argument names the operator.
struct TMethodSpec {
    QString Name;
    QList<TParam> Params;
    int OperatorParam = -1;
};

// The arguments of a call to a declared method: the by-reference flags come from the
// declaration; a wrong count is a programming error.
QList<TRpcArg> Argumentos(const TMethodSpec& spec, const QVariantList& values);

// --- the declared methods ------------------------------------------------------------
namespace metodos {
const TMethodSpec& CheckAutOper();
const TMethodSpec& GetCardapio();
const TMethodSpec& UpdateCache();
const TMethodSpec& getDelCard();
const TMethodSpec& getImpCardDia();
} // namespace metodos

// UpdateCache's arguments: the change sets and the central flag come back by
// reference.
enum class TArgUpdateCache { Operador, ModuFili, Dias, Pratos, Central };

// --- the operator's permission array (CheckAutOper, GetCardapio's element 8) ---------
// Seventeen texts, "1" allowed; the last says whether the operator may open this
// branch's menus ("0" or "1"; any other text refuses it and says why).
enum class TAutorizacao {
    IncluirPrato = 0,
    AlterarPrato = 1,
    ExcluirPrato = 2,
    AlterarComEstDia = 3,
    AlterarComEstPrat = 4,
    AnalisarCustoRevRece = 6,
    ExcluirCardPeriodo = 7,
    ImportarCardDia = 8,
    CopiarPratCom = 9,
    ConfigurarCard = 10,
    ImportarTipoPrat = 11,
    AtualizarDataRef = 12,
    RankingPrat = 13,
    AtualizarDataRefRec = 14,
    InverterPrato = 15,
    AcessoFilial = 16,
};
constexpr int QtAutorizacoes = 17;
constexpr int Posicao(TAutorizacao a) {
    return static_cast<int>(a);
}

// --- GetCardapio's answer: the month in one result of 17 elements ---------------------
enum class TElemCardapio {
    ParamPlaneja,    // planning parameters (packet)
    VisualCard,      // the operator's saved view (packet)
    Mensagem,        // empty, or why the service cannot be loaded
    Opcoes,          // optional positions, "ooo%S" lines
    CnfCaMes,        // the month's dish positions (packet)
    CardaDia,        // the days (packet)
    CompCard,        // the dishes (packet)
    Decision,        // the grid's days and dish types (packet)
    Autorizacoes,    // the permission array
    CardEsp,         // days that depart from the central menu (packet)
    Grupo,           // [group parameterised, operator of the group]
    PratosExcluidos, // central dishes removed (packet)
    SomenteLeitura,  // the month may only be read
    IdCardCentral,   // "S" when the days follow a central menu
    ParamGeral,      // general parameters (packet)
    NrCiclo,         // cycle day numbers (packet)
    Cardames,        // the month's scenario (packet)
    Quantidade
};

struct TRespostaCardapio {
    QVariantList Elementos = QVariantList(int(TElemCardapio::Quantidade));

    QVariant& operator[](TElemCardapio e) { return Elementos[int(e)]; }
    const QVariant& operator[](TElemCardapio e) const { return Elementos[int(e)]; }

    QVariant ToWire() const { return Elementos; }
    // EPlaError with the server's text when the answer is an error text, or when it
    // has fewer elements than declared.
    static TRespostaCardapio FromWire(const QVariant& answer);
};

// --- getDelCard and getImpCardDia: the month again after a period operation ------------
// [days, dishes, removed dishes], preceded by the special days for getImpCardDia.
struct TMesRecarregado {
    std::optional<QVariant> CardEsp;
    QVariant CardaDia;
    QVariant CompCard;
    QVariant PratosExcluidos;

    QVariant ToWire() const;
    static TMesRecarregado FromWire(const QVariant& answer, bool comDiasEspeciais);
};

// --- a menu number or an error text in its place (UpdateCache, cycle updates) ---------
constexpr int TamanhoNrCardapio = 10;
// Longer than a menu number: the server's explanation of a refusal.
bool TextoDeErro(const QString& answer);

} // namespace pla::rpc
