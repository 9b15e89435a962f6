#include "contracts.h"

namespace pla::rpc {

QList<TRpcArg> Argumentos(const TMethodSpec& spec, const QVariantList& values) {
    if (values.size() != spec.Params.size()) {
        throw EProgramError(QStringLiteral("%1 declara %2 argumentos e recebeu %3")
                                .arg(spec.Name)
                                .arg(spec.Params.size())
                                .arg(values.size()));
    }
    QList<TRpcArg> args;
    args.reserve(values.size());
    for (qsizetype i = 0; i < values.size(); ++i) {
        args.append({values[i], spec.Params[i].ByRef});
    }
    return args;
}

namespace metodos {

namespace {
using P = TParam;
constexpr auto S = TArgType::String;
constexpr auto D = TArgType::DateTime;
constexpr auto I = TArgType::Integer;
constexpr auto B = TArgType::Boolean;
constexpr auto V = TArgType::Variant;

// The month again: the same arguments for both period reloads.
QList<TParam> mesNovamente() {
    return {P{"filial", S},    P{"servico", S}, P{"mes", D},
            P{"ultimodia", D}, P{"zero", I},    P{"flag", S}};
}
} // namespace

const TMethodSpec& CheckAutOper() {
    static const TMethodSpec spec{QStringLiteral("CheckAutOper"), {P{"operador", S}}, 0};
    return spec;
}

const TMethodSpec& GetCardapio() {
    static const TMethodSpec spec{QStringLiteral("GetCardapio"),
                                  {P{"filial", S, true}, P{"tela", S}, P{"servico", S, true},
                                   P{"operador", S}, P{"mes", D, true}, P{"modulofilial", B}},
                                  3};
    return spec;
}

const TMethodSpec& UpdateCache() {
    static const TMethodSpec spec{QStringLiteral("UpdateCache"),
                                  {P{"operador", S}, P{"modulofilial", B}, P{"dias", V, true},
                                   P{"pratos", V, true}, P{"central", S, true}},
                                  0};
    return spec;
}

const TMethodSpec& getDelCard() {
    static const TMethodSpec spec{QStringLiteral("getDelCard"), mesNovamente()};
    return spec;
}

const TMethodSpec& getImpCardDia() {
    static const TMethodSpec spec{QStringLiteral("getImpCardDia"), mesNovamente()};
    return spec;
}

} // namespace metodos

TRespostaCardapio TRespostaCardapio::FromWire(const QVariant& answer) {
    if (answer.typeId() == QMetaType::QString) {
        throw EPlaError(answer.toString());
    }
    const QVariantList list = answer.toList();
    if (list.size() < int(TElemCardapio::Quantidade)) {
        throw EPlaError(QStringLiteral("Resposta incompleta do servidor ao carregar o cardápio."));
    }
    TRespostaCardapio r;
    r.Elementos = list.mid(0, int(TElemCardapio::Quantidade));
    return r;
}

QVariant TMesRecarregado::ToWire() const {
    QVariantList out;
    if (CardEsp) {
        out << *CardEsp;
    }
    out << CardaDia << CompCard << PratosExcluidos;
    return out;
}

TMesRecarregado TMesRecarregado::FromWire(const QVariant& answer, bool comDiasEspeciais) {
    const QVariantList list = answer.toList();
    const int primeiro = comDiasEspeciais ? 1 : 0;
    if (answer.typeId() == QMetaType::QString || list.size() < primeiro + 3) {
        throw EPlaError(QStringLiteral("Resposta incompleta do servidor ao recarregar o mês."));
    }
    TMesRecarregado m;
    if (comDiasEspeciais) {
        m.CardEsp = list[0];
    }
    m.CardaDia = list[primeiro];
    m.CompCard = list[primeiro + 1];
    m.PratosExcluidos = list[primeiro + 2];
    return m;
}

bool TextoDeErro(const QString& answer) {
    return answer.size() > TamanhoNrCardapio;
}

} // namespace pla::rpc
