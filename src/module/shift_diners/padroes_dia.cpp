#include "padroes_dia.h"

#include "core/dates.h"
#include "host/host_query.h"

namespace pla::module {

using host::THostQuery;

QList<TTurnoDia> TPadroesDia::TurnosGuardaveis() const {
    QList<TTurnoDia> out;
    for (const TTurnoDia& t : Turnos) {
        if (t.Guardavel()) {
            out << t;
        }
    }
    return out;
}

QList<TTurnoDia> TPadroesDia::TurnosNaoGuardaveis() const {
    QList<TTurnoDia> out;
    for (const TTurnoDia& t : Turnos) {
        if (!t.Guardavel()) {
            out << t;
        }
    }
    return out;
}

QString TPadroesDia::DescreveNaoGuardaveis() const {
    QStringList names;
    for (const TTurnoDia& t : TurnosNaoGuardaveis()) {
        names << QStringLiteral("%1 - %2").arg(t.Codigo).arg(t.Nome.trimmed());
    }
    return names.join(QStringLiteral(", "));
}

TPadroesDia TPadroesDia::Le(db::TDatabase* conexao, const QString& filial, const QString& servico,
                            const QDate& dia) {
    TPadroesDia p;
    const auto open = [&](THostQuery& q, const QString& sql) {
        q.SetConnection(conexao);
        q.SetSql(sql);
        q.SetParam(QStringLiteral("P_CDFILIAL"), filial);
        q.SetParam(QStringLiteral("P_CDSERVFILI"), servico);
        q.SetParam(QStringLiteral("P_DTCARDAPIO"), DataHora(dia));
        q.Open();
    };
    THostQuery feriado(QStringLiteral("qryFeriFili"));
    open(feriado, QStringLiteral("SELECT DTFERICARD FROM FERICARD WHERE CDFILIAL = :P_CDFILIAL "
                                 "AND DTFERICARD = :P_DTCARDAPIO"));
    p.Feriado = !feriado.IsEmpty();
    const QString sufixo = SufixoDia(dia, p.Feriado);
    const auto value = [](const THostQuery& q, const QString& column) {
        const TMemField* f = q.IsEmpty() ? nullptr : q.FindField(column);
        return f && !f->IsNull() ? f->AsFloat() : 0.0;
    };
    THostQuery servicoQ(QStringLiteral("qryServico"));
    open(servicoQ, QStringLiteral("SELECT * FROM SERVICO WHERE CDFILIAL = :P_CDFILIAL AND "
                                  "CDSERVFILI = :P_CDSERVFILI"));
    p.Total = value(servicoQ, QStringLiteral("QTCOMESTI") + sufixo);
    p.Cliente = value(servicoQ, QStringLiteral("QTCLIESTI") + sufixo);
    p.Funcionario = value(servicoQ, QStringLiteral("QTFUNESTI") + sufixo);
    p.Doacoes = value(servicoQ, QStringLiteral("QTDOAESTI") + sufixo);
    THostQuery turnos(QStringLiteral("qryTurno"));
    open(turnos, QStringLiteral("SELECT * FROM TURNOSERV WHERE CDFILIAL = :P_CDFILIAL AND "
                                "CDSERVFILI = :P_CDSERVFILI ORDER BY CDTURNO"));
    for (turnos.First(); !turnos.Eof(); turnos.Next()) {
        p.Turnos << TTurnoDia{int(turnos.FieldByName(QStringLiteral("CDTURNO")).AsInteger()),
                              turnos.FieldByName(QStringLiteral("NMTURNO")).AsString(),
                              value(turnos, QStringLiteral("QTCOMESTT") + sufixo)};
    }
    return p;
}

} // namespace pla::module
