#include "copia_valores.h"

namespace pla::module {

namespace {

constexpr const char* Sufixos[QtExcecoes] = {"SEG", "TER", "QUA", "QUI",
                                             "SEX", "SAB", "DOM", "FER"};

QString chaveExcecao(TExcecaoDia e, const char* fim) {
    return QStringLiteral("EXC_%1_%2").arg(QLatin1String(Sufixos[e]), QLatin1String(fim));
}

} // namespace

const QStringList& CatalogoCopia() {
    static const QStringList lines{
        QStringLiteral("Comensais|Comensais do Prato"),
        QStringLiteral("Percentual|Consumo do Prato (%)"),
        QStringLiteral("BASE|Atualizando banco de dados."),
        QStringLiteral("Come|Comensais"),
        QStringLiteral("Cons|Consumo"),
        QStringLiteral("Come_Inf|Comensais do prato devem ser informados."),
        QStringLiteral("Perc_Inf|Percentual de consumo do prato deve ser informado."),
        QStringLiteral("Come_Zero|Comensais do prato devem ser maiores que zero."),
        QStringLiteral("Perc_Zero|Percentual de consumo do prato deve ser maior que zero."),
        QStringLiteral("copiaok|Cópia concluída com êxito."),
        QStringLiteral("copiaokobs|Cópia concluída, com advertências."),
        QStringLiteral("detalhes|Para alguns dias, os pratos não foram copiados, pois a soma dos "
                       "comensais seria maior que o total do dia."),
        QStringLiteral("PratRecProdInativ|Prato não pode conter produto inativo na receita (%s)."),
        QStringLiteral("RECEBENDO_DADOS|Recebendo Dados do Servidor..."),
        QStringLiteral("EXC_SEG|Exceção (segundas-feiras) (%)"),
        QStringLiteral("EXC_TER|Exceção (terças-feiras) (%)"),
        QStringLiteral("EXC_QUA|Exceção (quartas-feiras) (%)"),
        QStringLiteral("EXC_QUI|Exceção (quintas-feiras) (%)"),
        QStringLiteral("EXC_SEX|Exceção (sextas-feiras) (%)"),
        QStringLiteral("EXC_SAB|Exceção (sábados) (%)"),
        QStringLiteral("EXC_DOM|Exceção (domingos) (%)"),
        QStringLiteral("EXC_FER|Exceção (feriados) (%)"),
        QStringLiteral("EXC_SEG_INF|Exceção (segunda-feira) deve ser informada."),
        QStringLiteral("EXC_TER_INF|Exceção (terça-feira) deve ser informada."),
        QStringLiteral("EXC_QUA_INF|Exceção (quarta-feira) deve ser informada."),
        QStringLiteral("EXC_QUI_INF|Exceção (quinta-feira) deve ser informada."),
        QStringLiteral("EXC_SEX_INF|Exceção (sexta-feira) deve ser informada."),
        QStringLiteral("EXC_SAB_INF|Exceção (sábados) deve ser informada."),
        QStringLiteral("EXC_DOM_INF|Exceção (domingos) deve ser informada."),
        QStringLiteral("EXC_FER_INF|Exceção (feriado) deve ser informada."),
        QStringLiteral("EXC_SEG_>0|Exceção (segunda-feira) deve ser maior que zero."),
        QStringLiteral("EXC_TER_>0|Exceção (terça-feira) deve ser maior que zero."),
        QStringLiteral("EXC_QUA_>0|Exceção (quarta-feira) deve ser maior que zero."),
        QStringLiteral("EXC_QUI_>0|Exceção (quinta-feira) deve ser maior que zero."),
        QStringLiteral("EXC_SEX_>0|Exceção (sexta-feira) deve ser maior que zero."),
        QStringLiteral("EXC_SAB_>0|Exceção (sábados) deve ser maior que zero."),
        QStringLiteral("EXC_DOM_>0|Exceção (domingos) deve ser maior que zero."),
        QStringLiteral("EXC_FER_>0|Exceção (feriado) deve ser maior que zero."),
        QStringLiteral("CARDBLDIA_N_UTIL|Cardápio bloqueado para dia não útil."),
        // What the details of a copy say besides the days over their diners.
        QStringLiteral("DIAS_SEM_COMENS|Dias sem comensais estimados, deixados como estavam:"),
        QStringLiteral("TURNOS_NAO_GRAVADOS|Turnos do serviço que o dia não guarda (apenas os "
                       "quatro primeiros são gravados): %s"),
        QStringLiteral("COPIA_DESFEITA|A cópia parou no dia %s e foi desfeita; nenhum prato foi "
                       "alterado. Motivo: %s"),
    };
    return lines;
}

std::optional<double> TValoresCopia::Excecao(const QDate& dia, bool feriado) const {
    const TExcecao& fer = Excecoes[ExcFer];
    if (feriado && fer.Marcada && fer.Valor) {
        return fer.Valor;
    }
    const TExcecao& semana = Excecoes[ExcecaoDoDia(dia)];
    if (semana.Marcada && semana.Valor) {
        return semana.Valor;
    }
    return std::nullopt;
}

std::optional<TFalhaCopia> VerificaValoresCopia(const TValoresCopia& v, TModoQuantidade modo) {
    const bool percentual = modo == 1;
    const bool comValor = v.Pagina == TPaginaCopia::Comensais || v.ComensaisDoPrato;
    if (comValor) {
        if (!v.Valor) {
            return TFalhaCopia{percentual ? QStringLiteral("Perc_Inf") : QStringLiteral("Come_Inf"),
                               std::nullopt};
        }
        if (!(*v.Valor > 0)) {
            return TFalhaCopia{percentual ? QStringLiteral("Perc_Zero")
                                          : QStringLiteral("Come_Zero"),
                               std::nullopt};
        }
    }
    for (int i = 0; i < QtExcecoes; ++i) {
        const auto e = static_cast<TExcecaoDia>(i);
        const TExcecao& x = v.Excecoes[i];
        if (!x.Marcada) {
            continue;
        }
        if (!x.Valor) {
            return TFalhaCopia{chaveExcecao(e, "INF"), e};
        }
        if (!(*x.Valor > 0)) {
            return TFalhaCopia{chaveExcecao(e, ">0"), e};
        }
    }
    return std::nullopt;
}

} // namespace pla::module
