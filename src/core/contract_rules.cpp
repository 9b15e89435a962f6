#include "contract_rules.h"

#include "format_float.h"

#include <cmath>

namespace pla {

namespace {

TTipoRestricao tipoDe(QChar c) {
    return static_cast<TTipoRestricao>(c.toLatin1());
}

bool inteiroEntre(double v, int min, int max) {
    return std::isfinite(v) && v == std::floor(v) && v >= min && v <= max;
}

QString inteiro(double v) {
    return QString::number(qlonglong(std::llround(v)));
}

} // namespace

const QList<TTipoRestricao>& TiposRestricao() {
    static const QList<TTipoRestricao> tipos{
        TTipoRestricao::MaximoPorSemana, TTipoRestricao::MinimoDiasMes,
        TTipoRestricao::IntervaloRepeticao, TTipoRestricao::CustoMaximo};
    return tipos;
}

QString NomeTipoRestricao(QChar tipo) {
    switch (tipoDe(tipo)) {
    case TTipoRestricao::MaximoPorSemana:
        return QStringLiteral("Máximo de pratos por semana");
    case TTipoRestricao::MinimoDiasMes:
        return QStringLiteral("Mínimo de dias no mês");
    case TTipoRestricao::CustoMaximo:
        return QStringLiteral("Per capita máximo do mês");
    case TTipoRestricao::IntervaloRepeticao:
        return QStringLiteral("Intervalo mínimo entre repetições");
    }
    return {};
}

QString UnidadeRestricao(QChar tipo) {
    switch (tipoDe(tipo)) {
    case TTipoRestricao::MaximoPorSemana:
        return QStringLiteral("pratos por semana");
    case TTipoRestricao::MinimoDiasMes:
        return QStringLiteral("dias no mês");
    case TTipoRestricao::CustoMaximo:
        return QStringLiteral("R$ por comensal");
    case TTipoRestricao::IntervaloRepeticao:
        return QStringLiteral("dias entre repetições");
    }
    return {};
}

bool RestricaoDePratos(QChar tipo) {
    const TTipoRestricao t = tipoDe(tipo);
    return t == TTipoRestricao::MaximoPorSemana || t == TTipoRestricao::MinimoDiasMes ||
           t == TTipoRestricao::IntervaloRepeticao;
}

QString AlvoRestricao(const TRestricaoContratual& r, bool plural) {
    QString alvo = plural ? QStringLiteral("pratos") : QStringLiteral("prato");
    if (r.SoFritos) {
        alvo += plural ? QStringLiteral(" fritos") : QStringLiteral(" frito");
    }
    if (!r.CdTipoPrat.trimmed().isEmpty()) {
        const QString nome = r.NmTipoPrat.trimmed();
        alvo += QStringLiteral(" do tipo ") + (nome.isEmpty() ? r.CdTipoPrat.trimmed() : nome);
    }
    return alvo;
}

QString DescricaoRestricao(const TRestricaoContratual& r) {
    switch (tipoDe(r.Tipo)) {
    case TTipoRestricao::MaximoPorSemana:
        // None a week is none at all.
        if (r.Limite < 1) {
            return QStringLiteral("Nenhum %1 no cardápio").arg(AlvoRestricao(r, false));
        }
        return QStringLiteral("No máximo %1 %2 por semana")
            .arg(inteiro(r.Limite), AlvoRestricao(r, r.Limite >= 2));
    case TTipoRestricao::MinimoDiasMes: {
        QString alvo = AlvoRestricao(r);
        alvo[0] = alvo[0].toUpper();
        return QStringLiteral("%1 em no mínimo %2 %3 do mês")
            .arg(alvo, inteiro(r.Limite),
                 r.Limite >= 2 ? QStringLiteral("dias") : QStringLiteral("dia"));
    }
    case TTipoRestricao::CustoMaximo:
        return QStringLiteral("Per capita planejado do mês de no máximo R$ %1")
            .arg(ValorMonetario(r.Limite));
    case TTipoRestricao::IntervaloRepeticao:
        return QStringLiteral("O mesmo %1 só se repete com intervalo de no mínimo %2 dias")
            .arg(AlvoRestricao(r, false), inteiro(r.Limite));
    }
    return NomeTipoRestricao(r.Tipo);
}

QString ProblemaRestricao(const TRestricaoContratual& r) {
    if (NomeTipoRestricao(r.Tipo).isEmpty()) {
        return QStringLiteral("Tipo de restrição inválido: %1.").arg(r.Tipo);
    }
    const bool alvo = r.SoFritos || !r.CdTipoPrat.trimmed().isEmpty();
    if (RestricaoDePratos(r.Tipo) && !alvo) {
        return QStringLiteral("Escolha o tipo de prato ou marque \"Somente pratos fritos\".");
    }
    switch (tipoDe(r.Tipo)) {
    case TTipoRestricao::MaximoPorSemana:
        if (!inteiroEntre(r.Limite, 0, 99)) {
            return QStringLiteral("O máximo de pratos por semana deve ser um número inteiro de 0 "
                                  "a 99.");
        }
        break;
    case TTipoRestricao::MinimoDiasMes:
        if (!inteiroEntre(r.Limite, 1, 31)) {
            return QStringLiteral("O mínimo de dias no mês deve ser um número inteiro de 1 a 31.");
        }
        break;
    case TTipoRestricao::IntervaloRepeticao:
        if (!inteiroEntre(r.Limite, 2, 90)) {
            return QStringLiteral("O intervalo entre repetições deve ser um número inteiro de 2 "
                                  "a 90 dias.");
        }
        break;
    case TTipoRestricao::CustoMaximo:
        if (alvo) {
            return QStringLiteral("O per capita máximo vale para o cardápio inteiro: não escolha "
                                  "tipo de prato nem \"Somente pratos fritos\".");
        }
        if (!(std::isfinite(r.Limite) && r.Limite > 0)) {
            return QStringLiteral("O per capita máximo deve ser maior que zero.");
        }
        break;
    }
    return {};
}

// Reais as the planner reads them: two decimals at least, the rest when there are any.
QString ValorMonetario(double v) {
    return FormatFloat(QStringLiteral("#,##0.00###"), v);
}

} // namespace pla
