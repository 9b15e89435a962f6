// The contract restrictions of a branch's service: read, written from the change set of
// the restrictions' screen in one transaction (each change logged with who and when),
// and a month's menu judged against them.
#include "contract_rules.h"
#include "modules.h"

#include "core/clock.h"
#include "core/dates.h"
#include "core/text_utils.h"
#include "server/operator_access.h"

#include <QHash>
#include <cmath>

namespace pla::server {

using A = rpc::TAutorizacao;

namespace {

constexpr int TamanhoClausula = 60;

QString filialDe(TMethodArgs& args) {
    return Ajusta(args.String(0).trimmed(), 4);
}

QString servicoDe(TMethodArgs& args) {
    return Ajusta(args.String(1).trimmed(), 5);
}

QString texto(const QVariant& v) {
    return v.isNull() ? QString() : v.toString().trimmed();
}

// The restriction and its clause as a log line keeps them.
QString comoRegistro(const TRestricaoContratual& r, const QString& clausula) {
    QString out = DescricaoRestricao(r);
    if (!clausula.isEmpty()) {
        out += QStringLiteral(" (") + clausula + QLatin1Char(')');
    }
    return out.left(200);
}

// The restrictions, by number, with who changed each last and when.
QVariant getRestContServ(TCallContext& ctx, TMethodArgs& args) {
    TDatabase& db = ctx.Database();
    const QString filial = filialDe(args);
    const QString servico = servicoDe(args);
    CheckService(db, filial, servico);
    return FromDataPacket(QueryPacket(
        db,
        // A new restriction has no number until the server gives one.
        {{"NRRESTCONT", TFieldType::Integer, 0, false},
         {"IDTIPORESTR", TFieldType::String, 1, true},
         {"CDTIPOPRAT", TFieldType::String, 2, false},
         {"NMTIPOPRAT", TFieldType::String, 35, false},
         {"IDSOFRITO", TFieldType::String, 1, true},
         {"VRLIMITE", TFieldType::Float, 0, true},
         {"DSRESTCONT", TFieldType::String, TamanhoClausula, false},
         {"CDOPERADOR", TFieldType::String, 12, false},
         {"DTULTALT", TFieldType::DateTime, 0, false}},
        QStringLiteral("SELECT R.NRRESTCONT, R.IDTIPORESTR, R.CDTIPOPRAT, T.NMTIPOPRAT, "
                       "R.IDSOFRITO, R.VRLIMITE, R.DSRESTCONT, R.CDOPERADOR, R.DTULTALT FROM "
                       "RESTCONTSERV R LEFT JOIN TIPOPRAT T ON T.CDTIPOPRAT = R.CDTIPOPRAT WHERE "
                       "R.CDFILIAL = ? AND R.CDSERVFILI = ? ORDER BY R.NRRESTCONT"),
        {filial, servico}));
}

// The restrictions' table as the screen changed it: deleted rows go, modified rows are
// written over, inserted rows take the service's next number. A row another operator
// changed or removed since the screen read it refuses the whole set, as does a
// restriction that cannot stand or two that say the same of the same dishes. Each change
// is logged under one change number, with the operator and the moment. "" when done.
QVariant setRestContServ(TCallContext& ctx, TMethodArgs& args) {
    TDatabase& db = ctx.Database();
    const QString filial = filialDe(args);
    const QString servico = servicoDe(args);
    CheckService(db, filial, servico);
    TDataPacket p = ToDataPacket(args.Value(2));
    p.Validate();
    if (p.ChangeCount() == 0) {
        return QString();
    }
    const auto col = [&p](const char* name) {
        const int i = p.FieldIndex(QString::fromLatin1(name));
        if (i < 0) {
            throw EPlaError(
                QStringLiteral("Restrições contratuais sem a coluna %1.").arg(QLatin1String(name)));
        }
        return i;
    };
    const int nr = col("NRRESTCONT"), tipo = col("IDTIPORESTR"), tipoPrato = col("CDTIPOPRAT"),
              fritos = col("IDSOFRITO"), limite = col("VRLIMITE"), clausula = col("DSRESTCONT");
    const QDateTime agora = Agora();
    const QVariantList servicoKey{filial, servico};

    // The service's change: taken first, so that changes at once queue here.
    if (db.ExecCount(QStringLiteral("UPDATE RESTCONTCAB SET NRULTALT = NRULTALT + 1, CDOPERADOR = "
                                    "?, DTULTALT = ? WHERE CDFILIAL = ? AND CDSERVFILI = ?"),
                     QVariantList{ctx.Operador, agora} + servicoKey) == 0) {
        // Numbered after any restriction already kept without its header row.
        const qint64 maior = db.Scalar(QStringLiteral("SELECT COALESCE(MAX(NRRESTCONT), 0) FROM "
                                                      "RESTCONTSERV WHERE CDFILIAL = ? AND "
                                                      "CDSERVFILI = ?"),
                                       servicoKey)
                                 .toLongLong();
        db.ExecCount(QStringLiteral("INSERT INTO RESTCONTCAB (CDFILIAL, CDSERVFILI, NRULTREST, "
                                    "NRULTALT, CDOPERADOR, DTULTALT) VALUES (?, ?, ?, 1, ?, ?)"),
                     servicoKey + QVariantList{maior, ctx.Operador, agora});
    }
    qint64 ultimaRestricao = 0;
    qint64 alteracao = 0;
    {
        TRows q = db.Select(QStringLiteral("SELECT NRULTREST, NRULTALT FROM RESTCONTCAB WHERE "
                                           "CDFILIAL = ? AND CDSERVFILI = ?"),
                            servicoKey);
        if (q.Next()) {
            ultimaRestricao = q.Value(0).toLongLong();
            alteracao = q.Value(1).toLongLong();
        }
    }
    // As stored now, read whole before anything is written.
    QHash<qint64, TRestricaoGravada> gravadas;
    for (const TRestricaoGravada& r : RestricoesDoServico(db, filial, servico)) {
        gravadas.insert(r.Numero, r);
    }
    QHash<QString, QString> nomesTipo;
    const auto nomeTipo = [&](const QString& cd) {
        if (cd.isEmpty()) {
            return QString();
        }
        if (const auto it = nomesTipo.constFind(cd); it != nomesTipo.cend()) {
            return *it;
        }
        const QVariant nome =
            db.Scalar(QStringLiteral("SELECT NMTIPOPRAT FROM TIPOPRAT WHERE CDTIPOPRAT = ?"), {cd});
        if (nome.isNull()) {
            throw EPlaError(QStringLiteral("Tipo de prato %1 não cadastrado.").arg(cd));
        }
        nomesTipo.insert(cd, nome.toString().trimmed());
        return nome.toString().trimmed();
    };
    const auto regraDe = [&](const QList<QVariant>& v) {
        TRestricaoContratual r;
        const QString t = texto(v[tipo]);
        r.Tipo = t.size() == 1 ? t.at(0) : QChar(u'?');
        r.CdTipoPrat = texto(v[tipoPrato]);
        r.SoFritos = texto(v[fritos]) == QLatin1String("S");
        r.Limite = v[limite].isNull() ? 0.0 : v[limite].toDouble();
        return r;
    };
    const auto mesma = [&](const TRestricaoGravada& g, const QList<QVariant>& v) {
        const TRestricaoContratual r = regraDe(v);
        return g.Regra.Tipo == r.Tipo && g.Regra.CdTipoPrat == r.CdTipoPrat &&
               g.Regra.SoFritos == r.SoFritos && std::abs(g.Regra.Limite - r.Limite) < 1e-9 &&
               g.Clausula == texto(v[clausula]);
    };
    const auto alteradaPorOutro = [](qint64 numero) {
        return EPlaError(QStringLiteral("A restrição %1 foi alterada por outro operador depois "
                                        "da leitura. Cancele as alterações e leia as restrições "
                                        "novamente.")
                             .arg(numero));
    };
    // A restriction as it will be written: checked first, with its dish type's name.
    const auto valida = [&](const QList<QVariant>& v, const QString& qual) {
        TRestricaoContratual r = regraDe(v);
        r.NmTipoPrat = nomeTipo(r.CdTipoPrat);
        const QString problema = ProblemaRestricao(r);
        if (!problema.isEmpty()) {
            throw EPlaError(qual + problema);
        }
        if (texto(v[clausula]).size() > TamanhoClausula) {
            throw EPlaError(
                qual +
                QStringLiteral("a cláusula tem no máximo %1 caracteres.").arg(TamanhoClausula));
        }
        return r;
    };
    const auto registra = [&](qint64 numero, char operacao, const TRestricaoContratual& r,
                              const QString& texto) {
        db.ExecCount(QStringLiteral("INSERT INTO LOGRESTCONT (CDFILIAL, CDSERVFILI, NRALTERACAO, "
                                    "NRRESTCONT, IDOPERACAO, DSRESTRICAO, CDOPERADOR, "
                                    "DTALTERACAO) VALUES (?, ?, ?, ?, ?, ?, ?, ?)"),
                     servicoKey + QVariantList{alteracao, numero, QString(QLatin1Char(operacao)),
                                               comoRegistro(r, texto), ctx.Operador, agora});
    };
    const auto grava = [&](qint64 numero, const TRestricaoContratual& r, const QString& texto) {
        db.ExecCount(QStringLiteral("INSERT INTO RESTCONTSERV (CDFILIAL, CDSERVFILI, NRRESTCONT, "
                                    "IDTIPORESTR, CDTIPOPRAT, IDSOFRITO, VRLIMITE, DSRESTCONT, "
                                    "CDOPERADOR, DTULTALT) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
                     servicoKey + QVariantList{numero, QString(r.Tipo),
                                               r.CdTipoPrat.isEmpty() ? QVariant() : r.CdTipoPrat,
                                               r.SoFritos ? "S" : "N", r.Limite,
                                               texto.isEmpty() ? QVariant() : texto, ctx.Operador,
                                               agora});
    };
    const QString apaga = QStringLiteral(
        "DELETE FROM RESTCONTSERV WHERE CDFILIAL = ? AND CDSERVFILI = ? AND NRRESTCONT = ?");

    // Deletions first, then changes, then the new ones.
    for (const TPacketRow& r : p.Rows) {
        if (r.Kind != TRowKind::Deleted) {
            continue;
        }
        const qint64 numero = r.Values[nr].toLongLong();
        const auto g = gravadas.constFind(numero);
        if (g == gravadas.cend()) {
            continue; // gone already, as the planner wanted
        }
        if (!mesma(*g, r.Values)) {
            throw alteradaPorOutro(numero);
        }
        db.ExecCount(apaga, servicoKey + QVariantList{numero});
        registra(numero, 'E', g->Regra, g->Clausula);
    }
    for (const TPacketRow& r : p.Rows) {
        if (r.Kind != TRowKind::Modified) {
            continue;
        }
        const qint64 numero = r.Originals[nr].toLongLong();
        const auto g = gravadas.constFind(numero);
        if (g == gravadas.cend() || !mesma(*g, r.Originals)) {
            throw alteradaPorOutro(numero);
        }
        if (r.Values[nr].toLongLong() != numero) {
            throw EPlaError(
                QStringLiteral("O número da restrição %1 não pode ser alterado.").arg(numero));
        }
        const TRestricaoContratual regra =
            valida(r.Values, QStringLiteral("Restrição %1: ").arg(numero));
        db.ExecCount(apaga, servicoKey + QVariantList{numero});
        grava(numero, regra, texto(r.Values[clausula]));
        registra(numero, 'A', regra, texto(r.Values[clausula]));
    }
    for (const TPacketRow& r : p.Rows) {
        if (r.Kind != TRowKind::Inserted) {
            continue;
        }
        const TRestricaoContratual regra = valida(r.Values, QStringLiteral("Nova restrição: "));
        const qint64 numero = ++ultimaRestricao;
        grava(numero, regra, texto(r.Values[clausula]));
        registra(numero, 'I', regra, texto(r.Values[clausula]));
    }
    db.ExecCount(QStringLiteral("UPDATE RESTCONTCAB SET NRULTREST = ? WHERE CDFILIAL = ? AND "
                                "CDSERVFILI = ?"),
                 QVariantList{ultimaRestricao} + servicoKey);

    // Two restrictions of one kind over the same dishes would contradict each other.
    const QList<TRestricaoGravada> depois = RestricoesDoServico(db, filial, servico);
    for (qsizetype i = 0; i < depois.size(); ++i) {
        for (qsizetype j = i + 1; j < depois.size(); ++j) {
            const TRestricaoContratual& a = depois[i].Regra;
            const TRestricaoContratual& b = depois[j].Regra;
            if (a.Tipo == b.Tipo && a.CdTipoPrat == b.CdTipoPrat && a.SoFritos == b.SoFritos) {
                throw EPlaError(
                    QStringLiteral("As restrições %1 e %2 são ambas de \"%3\"%4: deixe só uma.")
                        .arg(depois[i].Numero)
                        .arg(depois[j].Numero)
                        .arg(NomeTipoRestricao(a.Tipo),
                             RestricaoDePratos(a.Tipo) ? QStringLiteral(" para ") + AlvoRestricao(a)
                                                       : QString()));
            }
        }
    }
    return QString();
}

// The month judged: one row per restriction, by number, "S" kept or "N" broken, the
// days that break it ("03/03, 05/03") and what was found.
QVariant getAnaliRestCont(TCallContext& ctx, TMethodArgs& args) {
    TDatabase& db = ctx.Database();
    const QString filial = filialDe(args);
    const QString servico = servicoDe(args);
    CheckService(db, filial, servico);
    // The per capita is a cost: as the month's costs, not for another branch's reader.
    if (!ctx.Access().PodeAlterarFilial(filial)) {
        throw EPlaError(QStringLiteral("Operador sem acesso aos custos da filial %1.").arg(filial));
    }
    TDataPacket p;
    p.Fields = {{"NRRESTCONT", TFieldType::Integer, 0, true},
                {"IDTIPORESTR", TFieldType::String, 1, true},
                {"DSRESTRICAO", TFieldType::String, 0, false},
                {"DSRESTCONT", TFieldType::String, TamanhoClausula, false},
                {"IDCUMPRIDA", TFieldType::String, 1, true},
                {"DSDIAS", TFieldType::String, 0, false},
                {"DSDETALHE", TFieldType::String, 0, false}};
    for (const TVeredito& v :
         JulgaRestricoes(db, filial, servico, PriDiaMes(args.DateTime(2).date()))) {
        QStringList dias;
        for (const QDate& d : v.Dias) {
            dias << FormatDateTime(QStringLiteral("dd/mm"), d);
        }
        TPacketRow row;
        row.Values = {v.Restricao.Numero,
                      QString(v.Restricao.Regra.Tipo),
                      DescricaoRestricao(v.Restricao.Regra),
                      v.Restricao.Clausula,
                      v.Cumprida ? QStringLiteral("S") : QStringLiteral("N"),
                      dias.join(QStringLiteral(", ")),
                      v.Detalhe};
        p.Rows.append(row);
    }
    return FromDataPacket(p);
}

} // namespace

void RegisterContractRuleMethods(TRemoteDataModule& m) {
    m.Register(TMethodDef::Declarado(rpc::metodos::GetRestContServ(), getRestContServ));
    m.Register(TMethodDef::Declarado(
        rpc::metodos::SetRestContServ(), setRestContServ, true,
        {{A::ConfigurarCard}, QStringLiteral("alterar as restrições contratuais"), 0}));
    m.Register(TMethodDef::Declarado(rpc::metodos::GetAnaliRestCont(), getAnaliRestCont));
}

} // namespace pla::server
