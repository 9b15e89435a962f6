// A month's menu judged against its service's contract restrictions: dishes of a kind
// per week, days of the month with a kind of dish, the month's planned per capita, and
// how soon the same dish comes back.
#include "contract_rules.h"
#include "costs.h"

#include "core/dates.h"
#include "core/format_float.h"

#include <QHash>
#include <QMap>
#include <QSet>
#include <algorithm>

namespace pla::server {

namespace {

QDate dayOf(const QVariant& column) {
    return TDatabase::FromSql(TFieldType::DateTime, column).toDateTime().date();
}

QString diaMes(const QDate& d) {
    return FormatDateTime(QStringLiteral("dd/mm"), d);
}

QString contagem(qsizetype n, const QString& singular, const QString& plural) {
    return QStringLiteral("%1 %2").arg(n).arg(n == 1 ? singular : plural);
}

// A dish served on a served day.
struct TPratoServido {
    QDate Dia;
    QString Chave; // its branch and code
    QString Nome;
    QString Tipo; // its own dish type
    bool Frito = false;
};

bool nomeia(const TRestricaoContratual& r, const TPratoServido& p) {
    const QString tipo = r.CdTipoPrat.trimmed();
    return (tipo.isEmpty() || p.Tipo == tipo) && (!r.SoFritos || p.Frito);
}

// What a month is judged on: its served days and the dishes of those days, from
// `inicio` on (before the month when a repetition looks back into the month before).
struct TMesServido {
    QDate Mes;
    QDate Ultimo;
    QList<QDate> Dias;           // the month's served days, in order
    QList<TPratoServido> Pratos; // by day and position
};

TMesServido leMes(TDatabase& db, const QString& filial, const QString& servico, const QDate& mes,
                  const QDate& inicio) {
    TMesServido m;
    m.Mes = mes;
    m.Ultimo = UltimoDiaMes(mes);
    {
        TRows q = db.Select(QStringLiteral("SELECT DTCARDAPIO FROM CARDADIA WHERE CDFILIAL = ? "
                                           "AND CDSERVFILI = ? AND DTCARDAPIO >= ? AND "
                                           "DTCARDAPIO <= ? AND QTCOMESTICAR > 0 ORDER BY "
                                           "DTCARDAPIO"),
                            {filial, servico, DataHora(mes), DataHora(m.Ultimo)});
        while (q.Next()) {
            m.Dias.append(dayOf(q.Value(0)));
        }
    }
    TRows q = db.Select(
        QStringLiteral("SELECT D.DTCARDAPIO, C.CDFILAUXPRAT, C.CDPRATO, P.NMPRATO, P.CDTIPOPRAT, "
                       "P.IDFRITURA FROM CARDADIA D JOIN COMPCARD C ON C.CDFILIAL = D.CDFILIAL "
                       "AND C.NRCARDAPIO = D.NRCARDAPIO JOIN PRATO P ON P.CDFILAUXPRAT = "
                       "C.CDFILAUXPRAT AND P.CDPRATO = C.CDPRATO WHERE D.CDFILIAL = ? AND "
                       "D.CDSERVFILI = ? AND D.DTCARDAPIO >= ? AND D.DTCARDAPIO <= ? AND "
                       "D.QTCOMESTICAR > 0 ORDER BY D.DTCARDAPIO, C.NRSEQPRATCAR, C.NRORDPRATCAR"),
        {filial, servico, DataHora(inicio), DataHora(m.Ultimo)});
    while (q.Next()) {
        m.Pratos.append(
            {dayOf(q.Value(0)),
             q.Value(1).toString().trimmed() + QLatin1Char('/') + q.Value(2).toString().trimmed(),
             q.Value(3).toString().trimmed(), q.Value(4).toString().trimmed(),
             q.Value(5).toString() == QLatin1String("S")});
    }
    return m;
}

QDate SegundaDaSemana(const QDate& day) {
    return day.addDays(1 - day.dayOfWeek());
}

// Weeks run Monday to Sunday. The month's first week counts the days it has in the month
// before, so that a week across two months is judged whole; the last week is judged with
// the next month. Only this month's days are named as breaking it.
void maximoPorSemana(const TMesServido& m, TVeredito& v) {
    const TRestricaoContratual& r = v.Restricao.Regra;
    const int maximo = int(r.Limite);
    qsizetype maior = 0;
    QStringList semanas;
    QSet<QDate> dias;
    for (QDate inicio = SegundaDaSemana(m.Mes); inicio <= m.Ultimo;) {
        const QDate fim = std::min(inicio.addDays(6), m.Ultimo);
        qsizetype n = 0;
        QSet<QDate> com;
        for (const TPratoServido& p : m.Pratos) {
            if (p.Dia >= inicio && p.Dia <= fim && nomeia(r, p)) {
                ++n;
                if (p.Dia >= m.Mes) {
                    com.insert(p.Dia);
                }
            }
        }
        maior = std::max(maior, n);
        // A week whose dishes all fall in the month before is that month's to answer for.
        if (n > maximo && !com.isEmpty()) {
            semanas << QStringLiteral("Semana de %1 a %2: %3 (máximo %4).")
                           .arg(diaMes(inicio), diaMes(fim),
                                contagem(n, AlvoRestricao(r, false), AlvoRestricao(r)))
                           .arg(maximo);
            dias.unite(com);
        }
        inicio = fim.addDays(1);
    }
    v.Cumprida = semanas.isEmpty();
    v.Dias = QList<QDate>(dias.cbegin(), dias.cend());
    if (!v.Cumprida) {
        v.Detalhe = semanas.join(QLatin1Char(' '));
    } else if (maior == 0) {
        v.Detalhe = QStringLiteral("Nenhum %1 no mês.").arg(AlvoRestricao(r, false));
    } else {
        v.Detalhe = QStringLiteral("A semana com mais teve %1.")
                        .arg(contagem(maior, AlvoRestricao(r, false), AlvoRestricao(r)));
    }
}

// A month that serves fewer days than the minimum must have the dishes on every day it
// serves: no more can be asked of it.
void minimoDiasMes(const TMesServido& m, TVeredito& v) {
    const TRestricaoContratual& r = v.Restricao.Regra;
    const qsizetype minimo = qsizetype(r.Limite);
    QSet<QDate> com;
    for (const TPratoServido& p : m.Pratos) {
        if (p.Dia >= m.Mes && nomeia(r, p)) {
            com.insert(p.Dia);
        }
    }
    const qsizetype servidos = m.Dias.size();
    const qsizetype exigidos = std::min(minimo, servidos);
    v.Cumprida = com.size() >= exigidos;
    QString alvo = AlvoRestricao(r);
    alvo[0] = alvo[0].toUpper();
    if (servidos == 0) {
        v.Detalhe = QStringLiteral("Nenhum dia servido no mês.");
        return;
    }
    const QString servidosTexto = servidos == 1
                                      ? QStringLiteral("do único dia servido")
                                      : QStringLiteral("dos %1 dias servidos").arg(servidos);
    v.Detalhe = QStringLiteral("%1 em %2 %3").arg(alvo, QString::number(com.size()), servidosTexto);
    if (v.Cumprida) {
        v.Detalhe += QLatin1Char('.');
        return;
    }
    for (const QDate& d : m.Dias) {
        if (!com.contains(d)) {
            v.Dias.append(d);
        }
    }
    v.Detalhe +=
        minimo > servidos
            ? QStringLiteral(" (mínimo %1; o mês serve menos dias: todos devem ter).").arg(minimo)
            : QStringLiteral(" (mínimo %1).").arg(minimo);
}

// The month's planned per capita by the cost rule of the closing check, with the
// branch's planned cost type at the month's stored reference date (each day's own when
// none is stored), in the branch's own prices. The days that break it are those whose
// own per capita is above the limit.
void custoMaximo(TDatabase& db, const QString& filial, const QString& servico, const TMesServido& m,
                 TVeredito& v) {
    const double limite = v.Restricao.Regra.Limite;
    TCostQuery q;
    q.Filial = filial;
    q.Servico = servico;
    q.Inicio = m.Mes;
    q.Fim = m.Ultimo;
    q.FilialCusto = filial;
    bool clientes = false;
    {
        TRows p = db.Select(QStringLiteral("SELECT CDTIPOCUSTOPLA, IDCOMCUSPERC FROM "
                                           "PARAMPLANEJA WHERE CDFILIAL = ?"),
                            {filial});
        bool ok = false;
        if (p.Next()) {
            q.TipoCusto = p.Value(0).toString().trimmed().toLongLong(&ok);
            clientes = p.Value(1).toString() == QLatin1String("C");
        }
        // Without a cost type every cost reads 0 and the limit would always be kept: the
        // restriction cannot be judged kept until the branch's parameter is set.
        if (!ok || q.TipoCusto <= 0) {
            v.Cumprida = false;
            v.Detalhe = QStringLiteral("Não verificável: a filial %1 não tem o tipo de custo "
                                       "planejado nos parâmetros do planejamento.")
                            .arg(filial);
            return;
        }
    }
    const QVariant base = db.Scalar(QStringLiteral("SELECT DTBASCONCUSPLAN FROM BASECUSTMES WHERE "
                                                   "CDFILIAL = ? AND DTMESCUST = ?"),
                                    {filial, DataHora(m.Mes)});
    if (!base.isNull()) {
        q.Referencia = dayOf(base);
    }
    const QList<TDayCost> dias = PlannedCost(db, q).Dias;
    const std::optional<double> mes = PlannedPerCapita(dias, clientes);
    if (!mes) {
        v.Detalhe = QStringLiteral("Sem comensais planejados no mês.");
        return;
    }
    v.Cumprida = *mes <= limite;
    v.Detalhe = QStringLiteral("Per capita planejado do mês: R$ %1").arg(ValorMonetario(*mes));
    if (v.Cumprida) {
        v.Detalhe += QLatin1Char('.');
        return;
    }
    v.Detalhe += QStringLiteral(" (máximo R$ %1).").arg(ValorMonetario(limite));
    for (const TDayCost& d : dias) {
        const std::optional<double> dia = PlannedPerCapita({d}, clientes);
        if (dia && *dia > limite) {
            v.Dias.append(d.Dia);
        }
    }
}

// Each time a dish comes back sooner than the interval, the later day breaks it; the
// month before counts as far back as the interval reaches.
void intervaloRepeticao(const TMesServido& m, TVeredito& v) {
    const TRestricaoContratual& r = v.Restricao.Regra;
    const qint64 intervalo = qint64(r.Limite);
    QHash<QString, QDate> ultimo;
    QList<std::pair<QDate, QString>> repeticoes;
    QSet<QDate> dias;
    for (const TPratoServido& p : m.Pratos) {
        if (!nomeia(r, p)) {
            continue;
        }
        const auto antes = ultimo.constFind(p.Chave);
        if (antes != ultimo.cend() && antes->daysTo(p.Dia) < intervalo && p.Dia >= m.Mes) {
            const qint64 n = antes->daysTo(p.Dia);
            repeticoes.append(
                {p.Dia,
                 n == 0 ? QStringLiteral("%1 duas vezes em %2").arg(p.Nome, diaMes(p.Dia))
                        : QStringLiteral("%1 em %2 e %3 (%4)")
                              .arg(p.Nome, diaMes(*antes), diaMes(p.Dia),
                                   contagem(n, QStringLiteral("dia"), QStringLiteral("dias")))});
            dias.insert(p.Dia);
        }
        ultimo.insert(p.Chave, p.Dia);
    }
    v.Cumprida = repeticoes.isEmpty();
    v.Dias = QList<QDate>(dias.cbegin(), dias.cend());
    if (v.Cumprida) {
        v.Detalhe = QStringLiteral("Nenhuma repetição a menos de %1 dias.").arg(intervalo);
        return;
    }
    std::stable_sort(repeticoes.begin(), repeticoes.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    QStringList textos;
    for (const auto& [dia, texto] : repeticoes) {
        textos << texto;
    }
    v.Detalhe = QStringLiteral("Repetido antes de %1 dias: %2.")
                    .arg(QString::number(intervalo), textos.join(QStringLiteral("; ")));
}

} // namespace

QList<TRestricaoGravada> RestricoesDoServico(TDatabase& db, const QString& cdFilial,
                                             const QString& cdServFili) {
    TRows q = db.Select(
        QStringLiteral("SELECT R.NRRESTCONT, R.IDTIPORESTR, R.CDTIPOPRAT, T.NMTIPOPRAT, "
                       "R.IDSOFRITO, R.VRLIMITE, R.DSRESTCONT FROM RESTCONTSERV R LEFT JOIN "
                       "TIPOPRAT T ON T.CDTIPOPRAT = R.CDTIPOPRAT WHERE R.CDFILIAL = ? AND "
                       "R.CDSERVFILI = ? ORDER BY R.NRRESTCONT"),
        {cdFilial, cdServFili});
    QList<TRestricaoGravada> out;
    while (q.Next()) {
        TRestricaoGravada r;
        r.Numero = q.Value(0).toLongLong();
        const QString tipo = q.Value(1).toString();
        r.Regra.Tipo = tipo.isEmpty() ? QChar() : tipo.at(0);
        r.Regra.CdTipoPrat = q.Value(2).toString().trimmed();
        r.Regra.NmTipoPrat = q.Value(3).toString().trimmed();
        r.Regra.SoFritos = q.Value(4).toString() == QLatin1String("S");
        r.Regra.Limite = q.Value(5).toDouble();
        r.Clausula = q.Value(6).toString().trimmed();
        out.append(r);
    }
    return out;
}

QList<TVeredito> JulgaRestricoes(TDatabase& db, const QString& cdFilial, const QString& cdServFili,
                                 const QDate& mes) {
    const QList<TRestricaoGravada> restricoes = RestricoesDoServico(db, cdFilial, cdServFili);
    // A repetition looks back as far as its interval reaches, a week to its Monday.
    QDate inicio = mes;
    for (const TRestricaoGravada& r : restricoes) {
        if (r.Regra.Tipo == QLatin1Char(char(TTipoRestricao::IntervaloRepeticao))) {
            inicio = std::min(inicio, mes.addDays(1 - qint64(r.Regra.Limite)));
        } else if (r.Regra.Tipo == QLatin1Char(char(TTipoRestricao::MaximoPorSemana))) {
            inicio = std::min(inicio, SegundaDaSemana(mes));
        }
    }
    const TMesServido m = leMes(db, cdFilial, cdServFili, mes, inicio);
    QList<TVeredito> out;
    for (const TRestricaoGravada& r : restricoes) {
        TVeredito v;
        v.Restricao = r;
        switch (static_cast<TTipoRestricao>(r.Regra.Tipo.toLatin1())) {
        case TTipoRestricao::MaximoPorSemana:
            maximoPorSemana(m, v);
            break;
        case TTipoRestricao::MinimoDiasMes:
            minimoDiasMes(m, v);
            break;
        case TTipoRestricao::CustoMaximo:
            custoMaximo(db, cdFilial, cdServFili, m, v);
            break;
        case TTipoRestricao::IntervaloRepeticao:
            intervaloRepeticao(m, v);
            break;
        }
        std::sort(v.Dias.begin(), v.Dias.end());
        out.append(v);
    }
    return out;
}

} // namespace pla::server
