#include "change_record.h"

#include "core/clock.h"
#include "core/dates.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace pla::server {

namespace {

bool mesmoPrato(const QString& filialA, const QString& codigoA, const QString& filialB,
                const QString& codigoB) {
    return filialA.trimmed() == filialB.trimmed() && codigoA.trimmed() == codigoB.trimmed();
}

// Codes are kept as stored.
QVariant ouNulo(const QString& text) {
    return text.trimmed().isEmpty() ? QVariant() : QVariant(text);
}

const QStringList HistoryColumns{
    "CDFILIAL",        "CDSERVFILI", "DTCARDAPIO",      "NRCARDAPIO",   "NRSEQPRATCAR",
    "NRORDPRATCAR",    "CDTIPOPRAT", "CDFILAUXPRATANT", "CDPRATOANT",   "VRPECONSANT",
    "CDFILAUXPRATNOV", "CDPRATONOV", "VRPECONSNOV",     "QTCOMESTIANT", "QTCOMESTINOV",
    "IDOPERACAO",      "CDOPERADOR", "DTALTERACAO"};
const QList<TFieldType> HistoryTypes{TFieldType::String, TFieldType::String,  TFieldType::DateTime,
                                     TFieldType::String, TFieldType::Integer, TFieldType::Integer,
                                     TFieldType::String, TFieldType::String,  TFieldType::String,
                                     TFieldType::Float,  TFieldType::String,  TFieldType::String,
                                     TFieldType::Float,  TFieldType::Float,   TFieldType::Float,
                                     TFieldType::String, TFieldType::String,  TFieldType::DateTime};

} // namespace

TRegistroAlteracoes::TRegistroAlteracoes(TDatabase& db, const QString& filial,
                                         const QString& operador, rpc::TOperacaoCardapio operacao)
    : db_(db)
    , filial_(filial)
    , operador_(operador)
    , operacao_(operacao)
    , instante_(Agora()) {}

// The branch and the day numbers, as the statements over days take them.
QVariantList TRegistroAlteracoes::paramsDe(const QStringList& nrs) const {
    QVariantList params{filial_};
    for (const QString& nr : nrs) {
        params << nr;
    }
    return params;
}

QHash<QString, TRegistroAlteracoes::TDia> TRegistroAlteracoes::le(const QStringList& nrs) {
    QHash<QString, TDia> dias;
    db_.InParts(nrs, [&](const QStringList& parte) {
        // The position's dish type is the month's configuration's, else the dish's own.
        TRows q = db_.Select(
            QStringLiteral(
                "SELECT D.NRCARDAPIO, D.CDSERVFILI, D.DTCARDAPIO, D.QTCOMESTICAR, "
                "C.NRSEQPRATCAR, C.NRORDPRATCAR, C.CDFILAUXPRAT, C.CDPRATO, C.VRPECONSCARD, "
                "COALESCE(M.CDTIPOPRAT, P.CDTIPOPRAT) FROM CARDADIA D LEFT JOIN COMPCARD C ON "
                "C.CDFILIAL = D.CDFILIAL AND C.NRCARDAPIO = D.NRCARDAPIO LEFT JOIN PRATO P ON "
                "P.CDFILAUXPRAT = C.CDFILAUXPRAT AND P.CDPRATO = C.CDPRATO LEFT JOIN CNFCARDMES "
                "M ON M.CDFILIAL = D.CDFILIAL AND M.CDSERVFILI = D.CDSERVFILI AND "
                "M.DTREFECNFMES = D.DTMESCARD AND M.NRSEQCNFMES = C.NRSEQPRATCAR WHERE "
                "D.CDFILIAL = ? AND D.NRCARDAPIO IN (%1) ORDER BY D.NRCARDAPIO, "
                "C.NRSEQPRATCAR, C.NRORDPRATCAR")
                .arg(TDatabase::Placeholders(parte.size())),
            paramsDe(parte));
        while (q.Next()) {
            TDia& dia = dias[q.Value(0).toString()];
            if (!dia.Existe) {
                dia.Existe = true;
                dia.Servico = q.Value(1).toString();
                dia.Data = TDatabase::FromSql(TFieldType::DateTime, q.Value(2)).toDateTime();
                dia.Comensais = q.Value(3).toDouble();
            }
            if (q.Value(4).isNull()) {
                continue; // a day without dishes
            }
            dia.Posicoes[q.Value(4).toInt()].append({q.Value(5).toInt(), q.Value(6).toString(),
                                                     q.Value(7).toString(), q.Value(8).toDouble(),
                                                     q.Value(9).toString()});
        }
    });
    return dias;
}

void TRegistroAlteracoes::trava(const QStringList& nrs) {
    // Writers of one day take turns from here until they commit: on PostgreSQL another's
    // change not yet committed would be read after it as this one's. The lock comes
    // before the reading, in a statement of its own: a reading that waited for the lock
    // would still see the other's dishes as they were when it started.
    db_.InParts(nrs, [this](const QStringList& parte) {
        db_.Exec(QStringLiteral("SELECT NRCARDAPIO FROM CARDADIA WHERE CDFILIAL = ? AND "
                                "NRCARDAPIO IN (%1) ORDER BY NRCARDAPIO")
                         .arg(TDatabase::Placeholders(parte.size())) +
                     db_.RowLock(),
                 paramsDe(parte));
    });
}

void TRegistroAlteracoes::Antes(const QString& nr) {
    const QString key = nr.trimmed();
    if (key.isEmpty() || antes_.contains(key)) {
        return;
    }
    if (const auto lido = lidos_.constFind(key); lido != lidos_.cend()) {
        antes_.insert(key, *lido);
        lidos_.erase(lido);
    } else {
        trava({key});
        antes_.insert(key, le({key}).value(key));
    }
    ordem_.append(key);
}

void TRegistroAlteracoes::LeAntes(const QStringList& nrs) {
    QStringList novos;
    for (const QString& nr : nrs) {
        const QString key = nr.trimmed();
        if (!key.isEmpty() && !antes_.contains(key) && !lidos_.contains(key) &&
            !novos.contains(key)) {
            novos << key;
        }
    }
    if (novos.isEmpty()) {
        return;
    }
    trava(novos);
    const QHash<QString, TDia> dias = le(novos);
    for (const QString& key : std::as_const(novos)) {
        lidos_.insert(key, dias.value(key));
    }
}

void TRegistroAlteracoes::AntesDoDia(const QString& servico, const QDate& dia) {
    const QString nr = db_.Scalar(QStringLiteral("SELECT NRCARDAPIO FROM CARDADIA WHERE CDFILIAL = "
                                                 "? AND CDSERVFILI = ? AND DTCARDAPIO = ?"),
                                  {filial_, servico, DataHora(dia)})
                           .toString();
    Antes(nr);
}

void TRegistroAlteracoes::Novo(const QString& nr) {
    const QString key = nr.trimmed();
    if (key.isEmpty() || antes_.contains(key)) {
        return;
    }
    antes_.insert(key, TDia{});
    ordem_.append(key);
}

int TRegistroAlteracoes::Registra() {
    const QHash<QString, TDia> depois = le(ordem_);
    int written = 0;
    for (const QString& nr : std::as_const(ordem_)) {
        written += compara(nr, antes_.value(nr), depois.value(nr));
    }
    gravaLinhas();
    ordem_.clear();
    antes_.clear();
    return written;
}

int TRegistroAlteracoes::Registra(const QString& nr) {
    const QString key = nr.trimmed();
    if (!antes_.contains(key)) {
        return 0;
    }
    const int written = compara(key, antes_.take(key), le({key}).value(key));
    gravaLinhas();
    ordem_.removeAll(key);
    return written;
}

int TRegistroAlteracoes::compara(const QString& nr, const TDia& antes, const TDia& depois) {
    if (!antes.Existe && !depois.Existe) {
        return 0;
    }
    QList<int> posicoes = antes.Posicoes.keys();
    for (const int p : depois.Posicoes.keys()) {
        if (!posicoes.contains(p)) {
            posicoes.append(p);
        }
    }
    std::sort(posicoes.begin(), posicoes.end());
    int written = 0;
    for (const int p : posicoes) {
        QList<TPrato> saiu = antes.Posicoes.value(p);
        QList<TPrato> entrou = depois.Posicoes.value(p);
        // A dish still in its position is itself, whatever its order now: only its
        // share may have changed.
        for (qsizetype i = 0; i < saiu.size();) {
            qsizetype j = 0;
            while (j < entrou.size() && !mesmoPrato(saiu[i].Filial, saiu[i].Codigo,
                                                    entrou[j].Filial, entrou[j].Codigo)) {
                ++j;
            }
            if (j == entrou.size()) {
                ++i;
                continue;
            }
            if (std::abs(saiu[i].Percentual - entrou[j].Percentual) > 1e-9) {
                grava(nr, antes, depois, p, &saiu[i], &entrou[j]);
                ++written;
            }
            saiu.removeAt(i);
            entrou.removeAt(j);
        }
        // The others replaced one another in order; what is left came or went alone.
        const qsizetype pares = std::max(saiu.size(), entrou.size());
        for (qsizetype k = 0; k < pares; ++k) {
            grava(nr, antes, depois, p, k < saiu.size() ? &saiu[k] : nullptr,
                  k < entrou.size() ? &entrou[k] : nullptr);
            ++written;
        }
    }
    return written;
}

void TRegistroAlteracoes::grava(const QString& nr, const TDia& antes, const TDia& depois,
                                int posicao, const TPrato* anterior, const TPrato* novo) {
    const TDia& dia = depois.Existe ? depois : antes;
    const TPrato* tipo = novo && !novo->Tipo.trimmed().isEmpty() ? novo : anterior;
    // The day's date and the change's instant as the database takes them, written once:
    // formatting a date is most of the cost of a line.
    if (dia.Data != data_.first || data_.second.isNull()) {
        data_ = {dia.Data, TDatabase::ToSql(dia.Data)};
    }
    if (instanteSql_.isNull()) {
        instanteSql_ = TDatabase::ToSql(instante_);
    }
    linhas_.append(
        {filial_, dia.Servico, data_.second, nr, posicao, novo ? novo->Ordem : anterior->Ordem,
         tipo ? ouNulo(tipo->Tipo) : QVariant(), anterior ? ouNulo(anterior->Filial) : QVariant(),
         anterior ? ouNulo(anterior->Codigo) : QVariant(),
         anterior ? QVariant(anterior->Percentual) : QVariant(),
         novo ? ouNulo(novo->Filial) : QVariant(), novo ? ouNulo(novo->Codigo) : QVariant(),
         novo ? QVariant(novo->Percentual) : QVariant(),
         antes.Existe ? QVariant(antes.Comensais) : QVariant(),
         depois.Existe ? QVariant(depois.Comensais) : QVariant(),
         QString(QChar::fromLatin1(static_cast<char>(operacao_))), operador_, instanteSql_});
}

void TRegistroAlteracoes::gravaLinhas() {
    const QList<QVariantList> linhas = std::exchange(linhas_, {});
    const QString sql = QStringLiteral("INSERT INTO HISTCARD (%1) SELECT %1 FROM %2 AS V ORDER BY "
                                       "V.ROWNO")
                            .arg(HistoryColumns.join(QStringLiteral(", ")),
                                 db_.RowsOf(HistoryColumns, HistoryTypes));
    db_.InParts(linhas, [this, &sql](const QList<QVariantList>& parte) {
        db_.ExecCount(sql, {TDatabase::RowsValue(parte)});
    });
}

} // namespace pla::server
