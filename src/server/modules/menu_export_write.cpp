// ExportarCardapio: the origin's days of a period copied into each marked destination,
// one transaction per destination, with a log of what happened to each.
#include "day_writer.h"
#include "menu_export.h"
#include "modules.h"

#include "core/dates.h"
#include "core/text_utils.h"
#include "server/db_layer.h"
#include "server/operator_access.h"

namespace pla::server {

namespace {

using L = rpc::TLinhaLogExportacao;
namespace sit = rpc::situacao_exportacao;

QString dateText(const QDate& d) {
    return FormatDateTime(QStringLiteral("dd/mm/yyyy"), d);
}

// "00001_00002_": the codes, padded; as many as the count.
QStringList serviceList(const QString& text, qint64 count, const QString& what) {
    QStringList out;
    for (const QString& piece : text.split(QLatin1Char('_'))) {
        if (!piece.trimmed().isEmpty()) {
            out << Ajusta(piece.trimmed(), 5);
        }
    }
    if (out.size() != count) {
        throw EPlaError(QStringLiteral("A lista de serviços de %1 não confere com a quantidade "
                                       "informada (%2).")
                            .arg(what)
                            .arg(count));
    }
    return out;
}

bool flag(const QString& value, const QString& what) {
    const QString v = value.trimmed().toUpper();
    if (v != QLatin1String("S") && v != QLatin1String("N")) {
        throw EPlaError(QStringLiteral("Opção \"%1\" inválida: %2.").arg(what, value));
    }
    return v == QLatin1String("S");
}

struct TLogLine {
    L Kind = L::DiaExportado;
    QDate Day;
    QString DishBranch;
    QString DishCode;
    QString DishName;
    QString OtherName; // the dish type left without position, or the dish met
    QString Text;
};

// One destination's log: the lines of what was done, stored with a header and, but for
// the days exported as asked, given back as the export's observations.
struct TDestinationLog {
    QString Servico;
    QString Nome;
    QString Resultado;
    QList<TLogLine> Lines;
};

struct TExportOptions {
    bool Sobrepor = false;
    bool CopiaComensais = false;
    bool PorFilial = false;
};

// Writes the origin's days into one destination, inside the caller's transaction.
class TDestinationExport {
public:
    TDestinationExport(TCallContext& ctx, const TExportPeriod& period, const TExportOrigin& origin,
                       const QString& servico, const TExportOptions& options, TDestinationLog& log)
        : db_(ctx.Database())
        , period_(period)
        , origin_(origin)
        , servico_(servico)
        , options_(options)
        , log_(log)
        , writer_(db_, period.Filial, servico, ctx.Operador, options.PorFilial,
                  rpc::TOperacaoCardapio::Exportacao)
        , estimates_(db_, period.Filial, servico) {}

    const QDate& CurrentDay() const { return current_; }

    // The number of days that got the origin's dishes.
    int Run() {
        const QDate month = PriDiaMes(period_.Inicio);
        if (!EnsureMonthConfiguration(db_, period_.Filial, servico_, month)) {
            throw EPlaError(rpc::MensagemSituacaoExportacao(QStringLiteral("NOT_CONFCARD")));
        }
        const QSet<QDate> menuHolidays = this->menuHolidays();
        int exported = 0;
        for (auto it = origin_.Days.cbegin(); it != origin_.Days.cend(); ++it) {
            current_ = it.key();
            if (exportDay(it.key(), it.value(), menuHolidays.contains(it.key()))) {
                ++exported;
            }
        }
        current_ = {};
        return exported;
    }

private:
    bool exportDay(const QDate& day, const TSourceDay& source, bool menuHoliday) {
        if (origin_.NonWorkingDays.contains(day)) {
            line(L::DiaNaoUtil, day, QStringLiteral("Dia não útil: o cardápio não foi exportado."));
            return false;
        }
        QList<TSourceDish> dishes;
        for (const TSourceDish& d : source.Dishes) {
            const QString key = TExportOrigin::Key(d);
            if (origin_.Unrevised.contains(key)) {
                dishLine(L::ReceitaNaoRevisada, day, d,
                         QStringLiteral("Prato sem receita revisada: não foi exportado."));
            } else if (origin_.Inactive.contains(key)) {
                dishLine(L::ProdutoInativo, day, d,
                         QStringLiteral("Prato com produto inativo na receita: não foi "
                                        "exportado."));
            } else {
                dishes << d;
            }
        }
        if (dishes.isEmpty()) {
            return false;
        }
        QSet<QString> types;
        for (const TSourceDish& d : dishes) {
            types.insert(d.Type);
        }
        // A day none of whose dishes finds a position is neither created nor touched.
        const TDayImportMatch match = writer_.Match(day, dishes, types);
        if (match.Placed.isEmpty()) {
            logLeftOut(day, dishes, match);
            return false;
        }
        const std::optional<TDayWriter::TDay> existing = writer_.Find(day);
        if (existing && existing->Dishes > 0 && !options_.Sobrepor) {
            line(L::DiaMantido, day,
                 QStringLiteral("O dia já tinha pratos e foi mantido (opção \"Acrescentar\")."));
            return false;
        }
        const TDayEstimate diners = options_.CopiaComensais ? source.Figures
                                    : existing              ? TDayEstimate{existing->Diners}
                                                            : estimates_.ForDay(day, menuHoliday);
        if (!(diners.Comensais > 0)) {
            line(L::DiaSemComensais, day,
                 QStringLiteral("Dia sem comensais estimados: o cardápio não foi exportado."));
            return false;
        }
        QString nr;
        if (existing) {
            nr = existing->Number;
            if (options_.CopiaComensais) {
                writer_.SetDiners(nr, day, diners);
            }
        } else {
            nr = writer_.Create(day, diners);
        }
        const TDayWriter::TPlacement placed = writer_.Place(nr, day, dishes, types);
        logLeftOut(day, dishes, placed.Match);
        const QString count = QString::number(placed.Match.Placed.size());
        if (placed.Removed > 0) {
            line(L::DiaSobreposto, day,
                 QStringLiteral("%1 prato(s) exportado(s) no lugar de %2 prato(s) do dia.")
                     .arg(count)
                     .arg(placed.Removed));
        } else {
            line(L::DiaExportado, day, QStringLiteral("%1 prato(s) exportado(s).").arg(count));
        }
        return true;
    }

    void logLeftOut(const QDate& day, const QList<TSourceDish>& dishes,
                    const TDayImportMatch& match) {
        for (const TDayImportMatch::TLeftOut& l : match.LeftOut) {
            const TSourceDish& d = dishes[l.Source];
            dishLine(L::PratoSemPosicao, day, d, LeftOutLine(d, l.TypeMissing));
            log_.Lines.last().OtherName = d.TypeName;
        }
    }

    QSet<QDate> menuHolidays() {
        QSet<QDate> out;
        TRows q = db_.Select(QStringLiteral("SELECT DTFERICARD FROM FERICARD WHERE CDFILIAL = ? "
                                            "AND DTFERICARD >= ? AND DTFERICARD <= ?"),
                             {period_.Filial, DataHora(period_.Inicio), DataHora(period_.Fim)});
        while (q.Next()) {
            out.insert(TDatabase::FromSql(TFieldType::DateTime, q.Value(0)).toDateTime().date());
        }
        return out;
    }

    void line(L kind, const QDate& day, const QString& text) {
        log_.Lines.append({kind, day, {}, {}, {}, {}, text});
    }
    void dishLine(L kind, const QDate& day, const TSourceDish& d, const QString& text) {
        log_.Lines.append({kind, day, d.Branch, d.Code, d.Name, {}, text});
    }

    TDatabase& db_;
    const TExportPeriod& period_;
    const TExportOrigin& origin_;
    QString servico_;
    TExportOptions options_;
    TDestinationLog& log_;
    TDayWriter writer_;
    TServiceEstimates estimates_;
    QDate current_;
};

// The stored log of one destination: its header and every line, under a new number.
void storeLog(TDatabase& db, const TExportPeriod& period, const QString& origem,
              const QString& operador, const TDestinationLog& log) {
    const QString nr = NextBranchNumber(db, QStringLiteral("SEQLOGEXPCARD"), period.Filial,
                                        QStringLiteral("logs de exportação"));
    db.Exec(QStringLiteral("INSERT INTO LOGEXPCARD (CDFILIAL, NRLOGEXPCARD, DTLOGEXP, CDOPERADOR, "
                           "CDSERVORIG, CDSERVDEST, DTINIEXP, DTFIMEXP, DSRESULTADO) VALUES (?, "
                           "?, ?, ?, ?, ?, ?, ?, ?)"),
            {period.Filial, nr, Agora(), operador, origem, log.Servico, DataHora(period.Inicio),
             DataHora(period.Fim), log.Resultado.left(200)});
    int item = 0;
    for (const TLogLine& l : log.Lines) {
        db.Exec(QStringLiteral("INSERT INTO LOGEXPCARDITEM (CDFILIAL, NRLOGEXPCARD, NRITEMLOG, "
                               "IDNUMERRO, DTCARDAPIO, CDFILAUXPRAT, CDPRATO, NMPRATORIG, "
                               "NMPRATDEST, DSMENSLOG) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
                {period.Filial, nr, ++item, QString(QChar(char(l.Kind))),
                 l.Day.isValid() ? QVariant(DataHora(l.Day)) : QVariant(),
                 l.DishBranch.isEmpty() ? QVariant() : QVariant(l.DishBranch),
                 l.DishCode.isEmpty() ? QVariant() : QVariant(l.DishCode),
                 l.DishName.isEmpty() ? QVariant() : QVariant(l.DishName.left(40)),
                 l.OtherName.isEmpty() ? QVariant() : QVariant(l.OtherName.left(40)),
                 l.Text.left(200)});
    }
}

TDataPacket observations(TDatabase& db, const QString& filial, const QList<TDestinationLog>& logs) {
    const QString branchName =
        db.Scalar(QStringLiteral("SELECT NMFILIAL FROM FILIAL WHERE CDFILIAL = ?"), {filial})
            .toString()
            .left(30);
    TDataPacket p;
    p.Fields = {{"IDNUMERRO", TFieldType::String, 1, false},
                {"CDFILORIGLOG", TFieldType::String, 4, false},
                {"NMFILORIG", TFieldType::String, 30, false},
                {"CDFILDESTLOG", TFieldType::String, 4, false},
                {"NMFILDEST", TFieldType::String, 30, false},
                {"CDSERDESTLOG", TFieldType::String, 5, false},
                {"NMSERVICO", TFieldType::String, 40, false},
                {"DTCARDESTLOG", TFieldType::DateTime, 0, false},
                {"CDPRATLOG", TFieldType::String, 10, false},
                {"NMPRATORIG", TFieldType::String, 40, false},
                {"NMPRATDEST", TFieldType::String, 40, false},
                {"DSMENSLOG", TFieldType::String, 200, false}};
    for (const TDestinationLog& log : logs) {
        for (const TLogLine& l : log.Lines) {
            if (l.Kind == L::DiaExportado || l.Kind == L::DiaSobreposto) {
                continue;
            }
            TPacketRow r;
            r.Values = {QString(QChar(char(l.Kind))),
                        filial,
                        branchName,
                        filial,
                        branchName,
                        log.Servico,
                        log.Nome,
                        l.Day.isValid() ? QVariant(DataHora(l.Day)) : QVariant(),
                        l.DishCode.isEmpty() ? QVariant() : QVariant(l.DishCode),
                        l.DishName.isEmpty() ? QVariant() : QVariant(l.DishName.left(40)),
                        l.OtherName.isEmpty() ? QVariant() : QVariant(l.OtherName.left(40)),
                        l.Text.left(200)};
            p.Rows.append(r);
        }
    }
    return p;
}

} // namespace

// Refused as a whole, nothing written: the lists, the flags, the period, the operator,
// the origin. Then each destination on its own: judged again, skipped with its reasons
// when blocked or in error, else written in one transaction, undone alone when it fails.
QVariant ExportarCardapioMethod(TCallContext& ctx, TMethodArgs& args) {
    TDatabase& db = ctx.Database();
    TExportPeriod period;
    period.Filial = Ajusta(args.String(0).trimmed(), 4);
    period.Inicio = args.DateTime(4).date();
    period.Fim = args.DateTime(5).date();
    period.PorFilial = args.Boolean(9);
    const qint64 count = args.Integer(10);
    const QStringList origens = serviceList(args.String(1), count, QStringLiteral("origem"));
    const QStringList destinos = serviceList(args.String(2), count, QStringLiteral("destino"));
    TExportOptions options;
    options.Sobrepor = flag(args.String(6), QStringLiteral("Sobrepor"));
    options.CopiaComensais = flag(args.String(7), QStringLiteral("Copiar comensais"));
    options.PorFilial = period.PorFilial;
    if (destinos.isEmpty()) {
        throw EPlaError(QStringLiteral("SERVDEST_N_INF"));
    }
    CheckBranch(db, period.Filial);
    if (!period.Inicio.isValid() || !period.Fim.isValid()) {
        throw EPlaError(QStringLiteral("DATAINI_N_INF"));
    }
    if (period.Fim < period.Inicio) {
        throw EPlaError(QStringLiteral("DATAINI>DATAFIN"));
    }
    if (PriDiaMes(period.Inicio) != PriDiaMes(period.Fim) ||
        args.DateTime(3).date() != PriDiaMes(period.Inicio)) {
        throw EPlaError(QStringLiteral("MES_DATAINI<>MES_DATAFIN"));
    }
    const QDate limit = FirstChangeableDay(db, period.Filial);
    if (period.Inicio < limit) {
        throw EPlaError(
            QStringLiteral("Data inicial deve ser maior ou igual à %1.").arg(dateText(limit)));
    }
    const TOperatorAccess& access = ctx.Access();
    access.ExigePermissao({rpc::TAutorizacao::ImportarCardDia},
                          QStringLiteral("exportar o cardápio"));
    access.ExigeFilial(period.Filial, period.PorFilial);

    QHash<QString, TExportOrigin> origins;
    for (const QString& o : origens) {
        if (!origins.contains(o)) {
            CheckNormalService(db, period.Filial, o, QStringLiteral("Serviço de origem"));
            TExportOrigin origin = TExportOrigin::Read(db, period, o);
            if (origin.Days.isEmpty()) {
                throw EPlaError(
                    QStringLiteral("O serviço de origem %1 não tem cardápio de %2 a %3.")
                        .arg(o, dateText(period.Inicio), dateText(period.Fim)));
            }
            origins.insert(o, std::move(origin));
        }
    }

    QList<TDestinationLog> logs;
    for (qsizetype i = 0; i < destinos.size(); ++i) {
        const QString& destino = destinos[i];
        const TExportOrigin& origin = origins[origens[i]];
        TDestinationLog log;
        log.Servico = destino;
        QString tipo;
        bool known = false;
        {
            TRows s = db.Select(QStringLiteral("SELECT NMSERVICO, IDTIPOSERV FROM SERVICO "
                                               "WHERE CDFILIAL = ? AND CDSERVFILI = ?"),
                                {period.Filial, destino});
            if (s.Next()) {
                known = true;
                log.Nome = s.Value(0).toString();
                tipo = s.Value(1).toString();
            }
        }
        const auto refuse = [&](const QString& why) {
            log.Resultado = why;
            log.Lines.append({L::ServicoNaoExportado, {}, {}, {}, {}, {}, why});
        };
        if (!known) {
            refuse(QStringLiteral("Serviço %1 não cadastrado na filial.").arg(destino));
        } else if (destino == origin.Servico) {
            refuse(QStringLiteral("O serviço de destino é o próprio serviço de origem."));
        } else {
            const TExportSituation situation = TExportJudge(ctx, period, origin).Of(destino, tipo);
            if (situation.Situation == sit::Erro || situation.Situation == sit::Bloqueado) {
                QStringList texts;
                for (const QString& key : situation.Keys.mid(0, situation.Deciding)) {
                    texts << rpc::MensagemSituacaoExportacao(key);
                }
                refuse(QStringLiteral("Não exportado: %1").arg(texts.join(QLatin1Char(' '))));
            }
        }
        if (log.Lines.isEmpty()) {
            std::optional<TDestinationExport> run;
            try {
                TTransaction tx(db, true);
                run.emplace(ctx, period, origin, destino, options, log);
                const int days = run->Run();
                log.Resultado = QStringLiteral("Exportado: %1 dia(s).").arg(days);
                storeLog(db, period, origin.Servico, ctx.Operador, log);
                tx.Commit();
                logs.append(log);
                continue;
            } catch (const EConnectionLost&) {
                throw;
            } catch (const EPlaError& e) {
                const QDate day = run ? run->CurrentDay() : QDate();
                const QString reason =
                    dynamic_cast<const EDatabaseError*>(&e)
                        ? QStringLiteral("erro no banco de dados: %1").arg(e.message())
                        : e.message();
                log.Lines.clear();
                refuse((day.isValid()
                            ? QStringLiteral("A exportação parou no dia %1 e foi desfeita; nada "
                                             "foi gravado neste serviço. Motivo: %2")
                                  .arg(dateText(day), reason)
                            : QStringLiteral("A exportação foi desfeita; nada foi gravado neste "
                                             "serviço. Motivo: %1")
                                  .arg(reason)));
            }
        }
        TTransaction tx(db, true);
        storeLog(db, period, origin.Servico, ctx.Operador, log);
        tx.Commit();
        logs.append(log);
    }
    return FromDataPacket(observations(db, period.Filial, logs));
}

} // namespace pla::server
