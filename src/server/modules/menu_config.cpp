// The dish positions of a service's month (PLA00119): read as the configuration screen
// shows them, and written in one transaction. A position that holds dishes on days that
// can no longer change keeps what those dishes mean; a position whose dishes would go
// goes only when the planner agreed.
#include "menu_config.h"

#include "change_record.h"

#include "menu_days.h"
#include "modules.h"

#include "core/clock.h"
#include "core/dates.h"
#include "core/text_utils.h"
#include "server/db_layer.h"

#include <QHash>
#include <QSet>
#include <algorithm>
#include <optional>

namespace pla::server {

namespace {

using A = rpc::TAutorizacao;

using TPosicao = TPosicaoMes;

QString diaTexto(const QDate& day) {
    return FormatDateTime(QStringLiteral("dd/mm/yyyy"), day);
}

QString maiuscula(const QString& text) {
    return text.isEmpty() ? text : text.left(1).toUpper() + text.mid(1);
}

} // namespace

QString TPosicaoMes::Nome() const {
    const QString base =
        Seq > 0 ? QStringLiteral("posição %1").arg(Seq) : QStringLiteral("nova posição");
    return NomeTipo.isEmpty() ? base : QStringLiteral("%1 (%2)").arg(base, NomeTipo);
}

QList<TPosicaoMes> PosicoesDoMes(TDatabase& db, const QString& filial, const QString& servico,
                                 const std::optional<QDate>& month) {
    const QString from = month ? QStringLiteral("CNFCARDMES C") : QStringLiteral("CNFCARDSERV C");
    QString sql =
        QStringLiteral("SELECT C.NRSEQCNFMES, C.NRORDCNFMES, C.CDTIPOPRAT, T.NMTIPOPRAT, "
                       "C.IDOPCCNFMES, C.IDCONCNFMES, C.IDIMPCNFMES FROM %1 LEFT JOIN "
                       "TIPOPRAT T ON T.CDTIPOPRAT = C.CDTIPOPRAT WHERE C.CDFILIAL = ? AND "
                       "C.CDSERVFILI = ?")
            .arg(from);
    QVariantList params{filial, servico};
    if (month) {
        sql += QStringLiteral(" AND C.DTREFECNFMES = ?");
        params.append(DataHora(*month));
    }
    sql += QStringLiteral(" ORDER BY C.NRORDCNFMES, C.NRSEQCNFMES");
    QList<TPosicao> out;
    TRows q = db.Select(sql, params);
    while (q.Next()) {
        out.append({q.Value(0).toInt(), q.Value(1).toInt(), q.Value(2).toString().trimmed(),
                    q.Value(3).toString().trimmed(), q.Value(4).toString().trimmed(),
                    q.Value(5).toString().trimmed(), q.Value(6).toString().trimmed()});
    }
    return out;
}

QHash<int, QList<TDiaComPrato>> DiasComPratos(TDatabase& db, const QString& filial,
                                              const QString& servico, const QDate& month) {
    QHash<int, QList<TDiaComPrato>> out;
    TRows q = db.Select(
        QStringLiteral("SELECT DISTINCT C.NRSEQPRATCAR, D.DTCARDAPIO, D.NRCARDAPIO FROM COMPCARD C "
                       "JOIN CARDADIA D ON D.CDFILIAL = C.CDFILIAL AND D.NRCARDAPIO = "
                       "C.NRCARDAPIO WHERE D.CDFILIAL = ? AND D.CDSERVFILI = ? AND D.DTCARDAPIO "
                       ">= ? AND D.DTCARDAPIO <= ? ORDER BY C.NRSEQPRATCAR, D.DTCARDAPIO"),
        {filial, servico, DataHora(month), DataHora(UltimoDiaMes(month))});
    while (q.Next()) {
        out[q.Value(0).toInt()].append(
            {TDatabase::FromSql(TFieldType::DateTime, q.Value(1)).toDateTime().date(),
             q.Value(2).toString()});
    }
    return out;
}

namespace {

QVariant getConfigCardMes(TCallContext& ctx, TMethodArgs& args) {
    TDatabase& db = ctx.Database();
    const QString filial = Ajusta(args.String(0).trimmed(), 4);
    const QString servico = Ajusta(args.String(1).trimmed(), 5);
    const QDate month = PriDiaMes(args.DateTime(2).date());
    CheckService(db, filial, servico);
    QList<TPosicao> positions = PosicoesDoMes(db, filial, servico, month);
    QString origin = QString(QLatin1Char(rpc::ConfigDoMes));
    if (positions.isEmpty()) {
        positions = PosicoesDoMes(db, filial, servico, std::nullopt);
        origin = positions.isEmpty() ? QString() : QString(QLatin1Char(rpc::ConfigDoServico));
    }
    const QHash<int, QList<TDiaComPrato>> days = DiasComPratos(db, filial, servico, month);
    const QDate first = FirstChangeableDay(db, filial);
    TDataPacket p;
    p.Fields = {{"NRSEQCNFMES", TFieldType::Integer, 0, false},
                {"NRORDCNFMES", TFieldType::Integer, 0, false},
                {"CDTIPOPRAT", TFieldType::String, 2, false},
                {"NMTIPOPRAT", TFieldType::String, 35, false},
                {"IDOPCCNFMES", TFieldType::String, 1, false},
                {"IDCONCNFMES", TFieldType::String, 1, false},
                {"IDIMPCNFMES", TFieldType::String, 1, false},
                {"QTDIASPRATO", TFieldType::Integer, 0, false},
                {"QTDIASBLOQ", TFieldType::Integer, 0, false}};
    for (const TPosicao& pos : positions) {
        const QList<TDiaComPrato> held = days.value(pos.Seq);
        qlonglong blocked = 0;
        for (const TDiaComPrato& d : held) {
            blocked += d.Dia < first ? 1 : 0;
        }
        TPacketRow r;
        r.Values = {qlonglong(pos.Seq), qlonglong(pos.Ordem),   pos.Tipo,
                    pos.NomeTipo,       pos.Opcional,           pos.Contada,
                    pos.Impressa,       qlonglong(held.size()), blocked};
        p.Rows.append(r);
    }
    const TDataPacket types = QueryPacket(
        db,
        {{"CDTIPOPRAT", TFieldType::String, 2, true},
         {"NMTIPOPRAT", TFieldType::String, 35, false}},
        QStringLiteral("SELECT CDTIPOPRAT, NMTIPOPRAT FROM TIPOPRAT ORDER BY CDTIPOPRAT"));
    QVariantList out(int(rpc::TElemConfigCard::Quantidade));
    out[int(rpc::TElemConfigCard::Posicoes)] = FromDataPacket(p);
    out[int(rpc::TElemConfigCard::TiposPrato)] = FromDataPacket(types);
    out[int(rpc::TElemConfigCard::Origem)] = origin;
    out[int(rpc::TElemConfigCard::PrimeiroDiaAlteravel)] = DataHora(first);
    out[int(rpc::TElemConfigCard::NomeServico)] =
        db.Scalar(QStringLiteral("SELECT NMSERVICO FROM SERVICO WHERE CDFILIAL = ? AND "
                                 "CDSERVFILI = ?"),
                  {filial, servico})
            .toString()
            .trimmed();
    return out;
}

// The positions the planner sent: the table's rows but its deleted ones.
QList<TPosicao> posicoesEnviadas(TDatabase& db, const TDataPacket& packet) {
    const char* const names[] = {"NRSEQCNFMES", "NRORDCNFMES", "CDTIPOPRAT",
                                 "IDOPCCNFMES", "IDCONCNFMES", "IDIMPCNFMES"};
    int col[6];
    for (int i = 0; i < 6; ++i) {
        col[i] = packet.FieldIndex(QString::fromLatin1(names[i]));
        if (col[i] < 0) {
            throw EPlaError(QStringLiteral("A configuração enviada não traz o campo %1.")
                                .arg(QString::fromLatin1(names[i])));
        }
    }
    QList<TPosicao> out;
    for (const TPacketRow& r : packet.Rows) {
        if (r.Kind == TRowKind::Deleted) {
            continue;
        }
        TPosicao p;
        p.Seq = int(r.Values.value(col[0]).toLongLong());
        p.Ordem = int(r.Values.value(col[1]).toLongLong());
        p.Tipo = ValueAsString(r.Values.value(col[2])).trimmed();
        p.Opcional = ValueAsString(r.Values.value(col[3])).trimmed().toUpper();
        p.Contada = ValueAsString(r.Values.value(col[4])).trimmed().toUpper();
        p.Impressa = ValueAsString(r.Values.value(col[5])).trimmed().toUpper();
        out.append(p);
    }
    ValidaPosicoes(db, out);
    return out;
}

} // namespace

void ValidaPosicoes(TDatabase& db, QList<TPosicaoMes>& positions) {
    QHash<QString, QString> typeNames;
    {
        TRows q = db.Select(QStringLiteral("SELECT CDTIPOPRAT, NMTIPOPRAT FROM TIPOPRAT"));
        while (q.Next()) {
            typeNames.insert(q.Value(0).toString().trimmed(), q.Value(1).toString().trimmed());
        }
    }
    QSet<int> seqs;
    QHash<int, QString> orders; // order -> the position's name
    for (TPosicaoMes& p : positions) {
        const QString tipo = p.Tipo.trimmed();
        p.Tipo = tipo.isEmpty() ? tipo : Ajusta(tipo, 2);
        p.NomeTipo = typeNames.value(p.Tipo);
        if (p.Seq < 0) {
            throw EPlaError(QStringLiteral("Posição %1 inválida.").arg(p.Seq));
        }
        if (p.Seq > 0 && seqs.contains(p.Seq)) {
            throw EPlaError(
                QStringLiteral("A posição %1 aparece mais de uma vez na configuração.").arg(p.Seq));
        }
        seqs.insert(p.Seq);
        if (p.Tipo.isEmpty()) {
            throw EPlaError(QStringLiteral("Informe o tipo de prato da %1.").arg(p.Nome()));
        }
        if (!typeNames.contains(p.Tipo)) {
            throw EPlaError(
                QStringLiteral("Tipo de prato %1 não cadastrado (%2).").arg(p.Tipo, p.Nome()));
        }
        // The grid keys a position by its order in three digits.
        if (p.Ordem <= 0 || p.Ordem > 999) {
            throw EPlaError(
                QStringLiteral("Informe a ordem da %1: um número de 1 a 999.").arg(p.Nome()));
        }
        if (orders.contains(p.Ordem)) {
            throw EPlaError(QStringLiteral("A ordem %1 está em mais de uma posição: %2 e %3.")
                                .arg(p.Ordem)
                                .arg(orders.value(p.Ordem), p.Nome()));
        }
        orders.insert(p.Ordem, p.Nome());
        const std::pair<QString*, const char*> flags[] = {
            {&p.Opcional, "opcional"}, {&p.Contada, "contada"}, {&p.Impressa, "impressa"}};
        for (int i = 0; i < 3; ++i) {
            if (*flags[i].first != QLatin1String("S") && *flags[i].first != QLatin1String("N")) {
                throw EPlaError(
                    QStringLiteral("Valor inválido (%1) de \"%2\" na %3: use S ou N.")
                        .arg(*flags[i].first, QString::fromLatin1(flags[i].second), p.Nome()));
            }
        }
    }
    if (positions.isEmpty()) {
        throw EPlaError(QStringLiteral("A configuração do mês precisa de ao menos uma posição."));
    }
}

QString RecusaPorDiasBloqueados(const TPosicaoMes& antes, const TPosicaoMes* depois,
                                const QList<TDiaComPrato>& dias, const QDate& primeiroAlteravel) {
    if (dias.isEmpty() || !(dias.first().Dia < primeiroAlteravel)) {
        return {};
    }
    if (!depois) {
        return QStringLiteral("A %1 não pode ser excluída: tem pratos no dia %2, que não pode "
                              "mais ser alterado.")
            .arg(antes.Nome(), diaTexto(dias.first().Dia));
    }
    if (!depois->MesmoSentido(antes)) {
        return QStringLiteral("%1 tem pratos no dia %2, que não pode mais ser alterado: seu tipo "
                              "de prato e se é opcional ou contada ficam como estão.")
            .arg(maiuscula(QStringLiteral("a ") + antes.Nome()), diaTexto(dias.first().Dia));
    }
    return {};
}

bool PerdePratos(const TPosicaoMes& antes, const TPosicaoMes* depois,
                 const QList<TDiaComPrato>& dias) {
    return !dias.isEmpty() && (!depois || depois->Tipo != antes.Tipo);
}

namespace {

// "3;12": the positions whose dishes the planner agreed to lose.
QSet<int> posicoesConfirmadas(const QString& text) {
    QSet<int> out;
    for (const QString& piece : text.split(QLatin1Char(';'))) {
        bool ok = false;
        const int n = piece.trimmed().toInt(&ok);
        if (ok) {
            out.insert(n);
        }
    }
    return out;
}

QVariant setConfigCardMes(TCallContext& ctx, TMethodArgs& args) {
    TDatabase& db = ctx.Database();
    const QString filial = Ajusta(args.String(0).trimmed(), 4);
    const QString servico = Ajusta(args.String(1).trimmed(), 5);
    const QDate month = PriDiaMes(args.DateTime(2).date());
    CheckService(db, filial, servico);
    const QList<TPosicao> sent = posicoesEnviadas(db, ToDataPacket(args.Value(3)));
    return GravaPosicoesMes(ctx, filial, servico, month, sent, posicoesConfirmadas(args.String(4)));
}

} // namespace

qlonglong GravaPosicoesMes(TCallContext& ctx, const QString& filial, const QString& servico,
                           const QDate& month, const QList<TPosicaoMes>& sent,
                           const QSet<int>& confirmed) {
    TDatabase& db = ctx.Database();
    // A month planned without positions of its own takes the service's first: the
    // planner saw those.
    EnsureMonthConfiguration(db, filial, servico, month);
    const QList<TPosicao> stored = PosicoesDoMes(db, filial, servico, month);
    QHash<int, TPosicao> storedBySeq;
    for (const TPosicao& p : stored) {
        storedBySeq.insert(p.Seq, p);
    }
    QHash<int, TPosicao> sentBySeq;
    for (const TPosicao& p : sent) {
        if (p.Seq == 0) {
            continue;
        }
        if (!storedBySeq.contains(p.Seq)) {
            throw EPlaError(
                QStringLiteral("A posição %1 não existe na configuração do mês: carregue "
                               "a configuração novamente.")
                    .arg(p.Seq));
        }
        sentBySeq.insert(p.Seq, p);
    }

    // Dishes on days that can no longer change keep their position as it is.
    const QHash<int, QList<TDiaComPrato>> days = DiasComPratos(db, filial, servico, month);
    const QDate firstChangeable = FirstChangeableDay(db, filial);
    for (const TPosicao& s : stored) {
        const auto kept = sentBySeq.constFind(s.Seq);
        const QString refusal =
            RecusaPorDiasBloqueados(s, kept == sentBySeq.constEnd() ? nullptr : &kept.value(),
                                    days.value(s.Seq), firstChangeable);
        if (!refusal.isEmpty()) {
            throw EPlaError(refusal);
        }
    }
    // A position removed, or given another dish type, loses its dishes: only when the
    // planner agreed.
    QList<int> emptied;
    for (const TPosicao& s : stored) {
        const QList<TDiaComPrato> held = days.value(s.Seq);
        const auto kept = sentBySeq.constFind(s.Seq);
        const bool removed = kept == sentBySeq.constEnd();
        if (!PerdePratos(s, removed ? nullptr : &kept.value(), held)) {
            continue;
        }
        if (!confirmed.contains(s.Seq)) {
            throw EPlaError(
                QStringLiteral("A %1 tem pratos a partir do dia %2: confirme a exclusão desses "
                               "pratos para %3.")
                    .arg(s.Nome(), diaTexto(held.first().Dia),
                         removed ? QStringLiteral("excluí-la")
                                 : QStringLiteral("mudar seu tipo de prato")));
        }
        emptied.append(s.Seq);
    }

    // Written: the dishes that go, then the positions.
    qlonglong dishesRemoved = 0;
    QSet<QString> touched;
    const QString lastDay =
        QStringLiteral("%1").arg(UltimoDiaMes(month).day(), 2, 10, QLatin1Char('0'));
    const QString fromDay =
        QStringLiteral("%1").arg(std::max(month, firstChangeable).day(), 2, 10, QLatin1Char('0'));
    // The dishes that go are recorded under what changed the positions.
    TRegistroAlteracoes registro(db, filial, ctx.Operador,
                                 ctx.Method == rpc::metodos::ImportaTipoPrat().Name
                                     ? rpc::TOperacaoCardapio::ImportacaoTipos
                                     : rpc::TOperacaoCardapio::Configuracao);
    for (const int seq : emptied) {
        for (const TDiaComPrato& d : days.value(seq)) {
            registro.Antes(d.NrCardapio);
            dishesRemoved += db.ExecCount(QStringLiteral("DELETE FROM COMPCARD WHERE CDFILIAL = ? "
                                                         "AND NRCARDAPIO = ? AND NRSEQPRATCAR = ?"),
                                          {filial, d.NrCardapio, seq});
            touched.insert(d.NrCardapio);
        }
    }
    registro.Registra();
    // The central dishes removed from a position no longer of its dish type are no
    // record of it; those of the blocked days stay as history.
    for (const TPosicao& s : stored) {
        const auto kept = sentBySeq.constFind(s.Seq);
        if ((kept != sentBySeq.constEnd() && kept->Tipo == s.Tipo) ||
            UltimoDiaMes(month) < firstChangeable) {
            continue;
        }
        db.Exec(QStringLiteral("DELETE FROM PRATEXCL WHERE CDFILIAL = ? AND CDSERVFILI = ? AND "
                               "DTMESCARD = ? AND NRSEQPRATEXCL = ? AND DTPRATEXCL >= ? AND "
                               "DTPRATEXCL <= ?"),
                {filial, servico, DataHora(month), s.Seq, fromDay, lastDay});
    }
    if (!touched.isEmpty()) {
        const bool special = CentralMenuOf(db, filial, servico, ctx.Operador).RecordsSpecialDays();
        for (const int seq : emptied) {
            for (const TDiaComPrato& d : days.value(seq)) {
                if (!touched.remove(d.NrCardapio)) {
                    continue; // stamped once
                }
                db.Exec(QStringLiteral("UPDATE CARDADIA SET CDOPERADOR = ?, DTULTATUACAR = ? WHERE "
                                       "CDFILIAL = ? AND NRCARDAPIO = ?"),
                        {ctx.Operador, Agora(), filial, d.NrCardapio});
                if (special) {
                    RecordSpecialDay(db, filial, servico, d.Dia, d.NrCardapio);
                }
            }
        }
    }
    const QVariantList monthKey{filial, servico, DataHora(month)};
    for (const TPosicao& s : stored) {
        const auto kept = sentBySeq.constFind(s.Seq);
        if (kept == sentBySeq.constEnd()) {
            db.Exec(QStringLiteral("DELETE FROM CNFCARDMES WHERE CDFILIAL = ? AND CDSERVFILI = ? "
                                   "AND DTREFECNFMES = ? AND NRSEQCNFMES = ?"),
                    monthKey + QVariantList{s.Seq});
        } else if (!kept->Igual(s)) {
            db.Exec(QStringLiteral("UPDATE CNFCARDMES SET CDTIPOPRAT = ?, IDOPCCNFMES = ?, "
                                   "IDCONCNFMES = ?, IDIMPCNFMES = ?, NRORDCNFMES = ? WHERE "
                                   "CDFILIAL = ? AND CDSERVFILI = ? AND DTREFECNFMES = ? AND "
                                   "NRSEQCNFMES = ?"),
                    QVariantList{kept->Tipo, kept->Opcional, kept->Contada, kept->Impressa,
                                 kept->Ordem} +
                        monthKey + QVariantList{s.Seq});
        }
    }
    // A new position takes a number no position, dish or removed central dish of the
    // month has used, so that nothing left of an old position finds its way into it.
    int next = 0;
    for (const char* sql :
         {"SELECT MAX(NRSEQCNFMES) FROM CNFCARDMES WHERE CDFILIAL = ? AND CDSERVFILI = ? AND "
          "DTREFECNFMES = ?",
          "SELECT MAX(C.NRSEQPRATCAR) FROM COMPCARD C JOIN CARDADIA D ON D.CDFILIAL = C.CDFILIAL "
          "AND D.NRCARDAPIO = C.NRCARDAPIO WHERE D.CDFILIAL = ? AND D.CDSERVFILI = ? AND "
          "D.DTMESCARD = ?",
          "SELECT MAX(NRSEQPRATEXCL) FROM PRATEXCL WHERE CDFILIAL = ? AND CDSERVFILI = ? AND "
          "DTMESCARD = ?"}) {
        next = std::max(next, db.Scalar(QString::fromLatin1(sql), monthKey).toInt());
    }
    for (const TPosicao& s : stored) {
        next = std::max(next, s.Seq);
    }
    for (const TPosicao& p : sent) {
        if (p.Seq != 0) {
            continue;
        }
        db.Exec(QStringLiteral("INSERT INTO CNFCARDMES (CDFILIAL, CDSERVFILI, DTREFECNFMES, "
                               "NRSEQCNFMES, CDTIPOPRAT, IDOPCCNFMES, IDIMPCNFMES, NRORDCNFMES, "
                               "IDCONCNFMES) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)"),
                monthKey +
                    QVariantList{++next, p.Tipo, p.Opcional, p.Impressa, p.Ordem, p.Contada});
    }
    return dishesRemoved;
}

void RegisterMenuConfigMethods(TRemoteDataModule& m) {
    m.Register(TMethodDef::Declarado(rpc::metodos::GetConfigCardMes(), getConfigCardMes));
    m.Register(
        TMethodDef::Declarado(rpc::metodos::SetConfigCardMes(), setConfigCardMes, true,
                              {{A::ConfigurarCard}, QStringLiteral("configurar o cardápio"), 0}));
}

} // namespace pla::server
