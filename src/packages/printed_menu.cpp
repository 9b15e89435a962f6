#include "printed_menu.h"

#include "core/data_packet.h"
#include "core/dates.h"
#include "core/errors.h"
#include "core/format_settings.h"
#include "rpc/contracts.h"
#include "rpc/net_connection.h"

#include <QHash>

namespace pla::packages {

namespace {

using E = rpc::TElemCardapioImpresso;

QString dia(const QDate& d) {
    return FormatDateTime(QStringLiteral("dd/mm/yyyy"), d);
}

// A field the answer must bring; its absence is a server of another version.
int campo(const TDataPacket& p, const char* name) {
    const int i = p.FieldIndex(QString::fromLatin1(name));
    if (i < 0) {
        throw EPlaError(QStringLiteral("O cardápio impresso recebido do servidor não tem o "
                                       "campo %1.")
                            .arg(QLatin1String(name)));
    }
    return i;
}

QDate data(const TPacketRow& r, int field) {
    return r.Values.value(field).toDateTime().date();
}

QString texto(const TPacketRow& r, int field) {
    return r.Values.value(field).toString().trimmed();
}

struct TPosicao {
    int Seq = 0;
    QString Tipo;
    bool Opcional = false;
};

} // namespace

TPeriodoEmissao PeriodoEmissao(TTipoEmissao tipo, const QDate& escolhido) {
    if (!escolhido.isValid()) {
        return {};
    }
    switch (tipo) {
    case TTipoEmissao::Dia:
        return {escolhido, escolhido};
    case TTipoEmissao::Semana: {
        // Qt numbers Monday 1 to Sunday 7; the printed week starts on Sunday.
        const QDate domingo = escolhido.addDays(-(escolhido.dayOfWeek() % 7));
        return {domingo, domingo.addDays(6)};
    }
    case TTipoEmissao::Mes:
        return {PriDiaMes(escolhido), UltimoDiaMes(escolhido)};
    }
    return {};
}

QList<TSemanaCalendario> SemanasCalendario(const TPeriodoEmissao& periodo) {
    QList<TSemanaCalendario> semanas;
    if (!periodo.Inicio.isValid() || periodo.Fim < periodo.Inicio) {
        return semanas;
    }
    for (QDate domingo = periodo.Inicio.addDays(-(periodo.Inicio.dayOfWeek() % 7));
         domingo <= periodo.Fim; domingo = domingo.addDays(7)) {
        TSemanaCalendario semana;
        for (int i = 0; i < 7; ++i) {
            const QDate d = domingo.addDays(i);
            semana[i] = periodo.Contem(d) ? d : QDate();
        }
        semanas.append(semana);
    }
    return semanas;
}

TCardapioImpresso TCardapioImpresso::DaResposta(const QVariant& answer, const QString& cdFilial,
                                                const QString& cdServico, TTipoEmissao tipo,
                                                const TPeriodoEmissao& periodo) {
    const QVariantList r = rpc::CheckResultServ(answer).toList();
    if (r.size() < int(E::Quantidade)) {
        throw EPlaError(QStringLiteral("Resposta incompleta do servidor para o cardápio "
                                       "impresso."));
    }
    TCardapioImpresso c;
    c.Tipo = tipo;
    c.Periodo = periodo;
    c.CdFilial = cdFilial.trimmed();
    c.CdServico = cdServico.trimmed();
    c.NmFilial = r[int(E::NomeFilial)].toString().trimmed();
    c.NmServico = r[int(E::NomeServico)].toString().trimmed();

    // Each month's printed positions, in the month's order.
    QHash<QDate, QList<TPosicao>> posicoes;
    {
        const TDataPacket p = rpc::PacoteServ(r[int(E::Posicoes)]);
        const int mes = campo(p, "DTREFECNFMES");
        const int seq = campo(p, "NRSEQCNFMES");
        const int tipoPrato = campo(p, "NMTIPOPRAT");
        const int opcional = campo(p, "IDOPCCNFMES");
        for (const TPacketRow& row : p.Rows) {
            posicoes[PriDiaMes(data(row, mes))].append(
                {row.Values.value(seq).toInt(), texto(row, tipoPrato),
                 texto(row, opcional) == QLatin1String("S")});
        }
    }
    // The dishes of each day and position, in their order.
    QHash<QDate, QHash<int, QStringList>> pratos;
    {
        const TDataPacket p = rpc::PacoteServ(r[int(E::Pratos)]);
        const int d = campo(p, "DTCARDAPIO");
        const int seq = campo(p, "NRSEQPRATCAR");
        const int nome = campo(p, "NMPRATO");
        for (const TPacketRow& row : p.Rows) {
            pratos[data(row, d)][row.Values.value(seq).toInt()].append(texto(row, nome));
        }
    }
    QHash<QDate, QString> descricoes;
    {
        const TDataPacket p = rpc::PacoteServ(r[int(E::Dias)]);
        const int d = campo(p, "DTCARDAPIO");
        const int ds = campo(p, "DSCARDAPIO");
        for (const TPacketRow& row : p.Rows) {
            descricoes.insert(data(row, d), texto(row, ds));
        }
    }
    QHash<QDate, QString> feriados;
    {
        const TDataPacket p = rpc::PacoteServ(r[int(E::Feriados)]);
        const int d = campo(p, "DTFERIADO");
        const int ds = campo(p, "DSFERIADO");
        for (const TPacketRow& row : p.Rows) {
            feriados.insert(data(row, d), texto(row, ds));
        }
    }

    for (QDate d = periodo.Inicio; periodo.Contem(d); d = d.addDays(1)) {
        TDiaCardapio day;
        day.Dia = d;
        day.Feriado = feriados.value(d);
        day.Descricao = descricoes.value(d);
        const QHash<int, QStringList> doDia = pratos.value(d);
        for (const TPosicao& p : posicoes.value(PriDiaMes(d))) {
            const QStringList nomes = doDia.value(p.Seq);
            if (!nomes.isEmpty()) {
                day.Linhas.append({p.Tipo, p.Opcional, nomes});
            }
        }
        c.Dias.append(day);
    }
    return c;
}

const TDiaCardapio* TCardapioImpresso::Dia(const QDate& d) const {
    if (!Periodo.Contem(d)) {
        return nullptr;
    }
    const qsizetype i = Periodo.Inicio.daysTo(d);
    return i < Dias.size() ? &Dias[i] : nullptr;
}

bool TCardapioImpresso::TemOpcional() const {
    for (const TDiaCardapio& d : Dias) {
        for (const TLinhaCardapio& l : d.Linhas) {
            if (l.Opcional) {
                return true;
            }
        }
    }
    return false;
}

int TCardapioImpresso::DiasComCardapio() const {
    int n = 0;
    for (const TDiaCardapio& d : Dias) {
        n += d.SemCardapio() ? 0 : 1;
    }
    return n;
}

QString TCardapioImpresso::Titulo() const {
    switch (Tipo) {
    case TTipoEmissao::Dia:
        return QStringLiteral("Cardápio do Dia");
    case TTipoEmissao::Semana:
        return QStringLiteral("Cardápio da Semana");
    case TTipoEmissao::Mes:
        return QStringLiteral("Cardápio do Mês");
    }
    return {};
}

QString TCardapioImpresso::LinhaFilial() const {
    return QStringLiteral("Filial %1 - %2").arg(CdFilial, NmFilial);
}

QString TCardapioImpresso::LinhaServico() const {
    return QStringLiteral("Serviço %1 - %2").arg(CdServico, NmServico);
}

QString TCardapioImpresso::LinhaPeriodo() const {
    if (!Periodo.Inicio.isValid()) {
        return {};
    }
    switch (Tipo) {
    case TTipoEmissao::Dia:
        return NomeSemana(Periodo.Inicio) + QStringLiteral(", ") + dia(Periodo.Inicio);
    case TTipoEmissao::Semana:
        return QStringLiteral("Semana de %1 a %2").arg(dia(Periodo.Inicio), dia(Periodo.Fim));
    case TTipoEmissao::Mes: {
        QString mes = TFormatSettings::Current().LongMonthNames[Periodo.Inicio.month() - 1];
        if (!mes.isEmpty()) {
            mes[0] = mes[0].toUpper();
        }
        return QStringLiteral("%1 de %2").arg(mes).arg(Periodo.Inicio.year());
    }
    }
    return {};
}

QList<TLinhaTexto> TCardapioImpresso::LinhasDia(const TDiaCardapio& d) {
    QList<TLinhaTexto> out;
    if (!d.Feriado.isEmpty()) {
        out.append({TLinhaTexto::Feriado, QString(), QStringLiteral("Feriado")});
        out.append({TLinhaTexto::Feriado, QString(), d.Feriado});
    }
    if (!d.Descricao.isEmpty() && d.Descricao != d.Feriado) {
        out.append({TLinhaTexto::Descricao, QString(), d.Descricao});
    }
    if (d.SemCardapio()) {
        out.append({TLinhaTexto::SemCardapio, QString(), SemCardapioTexto()});
    }
    for (const TLinhaCardapio& l : d.Linhas) {
        out.append({TLinhaTexto::Posicao,
                    l.TipoPrato + (l.Opcional ? MarcaOpcional() : QString()) + QLatin1Char(':'),
                    l.Pratos.join(QStringLiteral(", "))});
    }
    return out;
}

QStringList TCardapioImpresso::TextoDia(const TDiaCardapio& d) {
    QStringList out;
    for (const TLinhaTexto& l : LinhasDia(d)) {
        out << (l.Rotulo.isEmpty() ? l.Texto : l.Rotulo + QLatin1Char(' ') + l.Texto);
    }
    return out;
}

QString TCardapioImpresso::LegendaOpcional() {
    return MarcaOpcional() + QStringLiteral(" Opcional");
}

QString TCardapioImpresso::SemCardapioTexto() {
    return QStringLiteral("Sem cardápio");
}

} // namespace pla::packages
