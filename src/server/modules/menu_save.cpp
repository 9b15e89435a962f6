// Saving the monthly menu: the day and dish change sets of the screen applied in one
// transaction, all or nothing, and what the screen reloads after a save.
#include "change_record.h"
#include "menu_days.h"
#include "modules.h"

#include "server/operator_access.h"

#include "core/dates.h"
#include "core/text_utils.h"
#include "server/db_layer.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <utility>
#include <vector>

namespace pla::server {

using A = rpc::TAutorizacao;

namespace {

// A new day's number until the server gives it one.
constexpr auto Placeholder = "XXXXXXXXXX";

const QStringList DayColumns{"CDFILIAL",     "NRCARDAPIO",   "CDSERVFILI",   "CDOPERADOR",
                             "DTCARDAPIO",   "QTCOMESTICAR", "QTESTITURNO1", "QTESTITURNO2",
                             "QTESTITURNO3", "QTESTITURNO4", "QTCLIESTICAR", "QTFUNESTICAR",
                             "QTDOAESTICAR", "QTCOMEFETCAR", "QTCLIEFETCAR", "QTFUNEFETCAR",
                             "QTDOAEFETCAR", "DTMESCARD",    "DSCARDAPIO",   "DTULTATUACAR"};
const QStringList DishColumns{"CDFILIAL",     "NRCARDAPIO",     "NRSEQPRATCAR", "NRORDPRATCAR",
                              "CDFILAUXPRAT", "CDPRATO",        "VRPECONSCARD", "IDPRATOESPE",
                              "CDPRATOMAT",   "CDFILAUXPRATMAT"};
// DishColumns by position.
enum TDishColumn {
    cFilial,
    cNumero,
    cSeq,
    cOrdem,
    cFilAuxPrat,
    cPrato,
    cPercentual,
    cEspecial,
    cPratoMat,
    cFilAuxPratMat
};
// Written by the server, never compared with what the screen saw.
const QStringList Stamps{"CDOPERADOR", "DTULTATUACAR"};

// A change set with its columns by name, looked up once: its rows are read by name
// many times each. Names are looked up as the rules spell them, in capitals; a packet's
// field matches whatever its case, the first of equal names as FieldIndex finds it.
struct TChangeSet {
    explicit TChangeSet(const TDataPacket& packet)
        : Rows(packet.Rows) {
        for (int i = 0; i < packet.Fields.size(); ++i) {
            const QString name = packet.Fields[i].Name.toUpper();
            if (!Index.contains(name)) {
                Index.insert(name, i);
            }
        }
    }
    const QList<TPacketRow>& Rows;
    QHash<QString, int> Index;
};

// One row of a change set, read by column name.
class TRow {
public:
    TRow(const TChangeSet& set, const TPacketRow& row)
        : set_(set)
        , row_(row) {}
    bool Has(const QString& column) const { return set_.Index.contains(column); }
    QVariant Value(const QString& column) const {
        const int i = set_.Index.value(column, -1);
        return i < 0 ? QVariant() : row_.Values.value(i);
    }
    // The saved value the screen started from: the original of a modified row, the
    // value of a deleted one.
    QVariant Saved(const QString& column) const {
        const int i = set_.Index.value(column, -1);
        if (i < 0) {
            return {};
        }
        return row_.Kind == TRowKind::Modified ? row_.Originals.value(i) : row_.Values.value(i);
    }
    QString Text(const QString& column) const { return Value(column).toString().trimmed(); }
    TRowKind Kind() const { return row_.Kind; }

private:
    const TChangeSet& set_;
    const TPacketRow& row_;
};

bool same(const QVariant& saved, const QVariant& now) {
    if (saved.isNull() || now.isNull()) {
        const auto empty = [](const QVariant& v) {
            return v.isNull() || v.toString().trimmed().isEmpty();
        };
        return empty(saved) && empty(now);
    }
    if (saved.typeId() == QMetaType::QDateTime || now.typeId() == QMetaType::QDateTime) {
        return saved.toDateTime() == now.toDateTime();
    }
    bool a = false;
    bool b = false;
    const double x = saved.toDouble(&a);
    const double y = now.toDouble(&b);
    if (a && b && saved.typeId() != QMetaType::QString) {
        return std::abs(x - y) < 1e-9;
    }
    return saved.toString().trimmed() == now.toString().trimmed();
}

QString dateText(const QVariant& v) {
    return FormatDateTime(QStringLiteral("dd/mm/yyyy"), v.toDateTime().date());
}

bool isNumber(const QVariant& v) {
    switch (v.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Double:
    case QMetaType::Float:
        return true;
    default:
        return false;
    }
}

// Whether "column = ?" finds a stored value with a bound one, as both engines compare.
bool sqlEquals(const QVariant& stored, const QVariant& bound) {
    if (stored.isNull() || bound.isNull()) {
        return false;
    }
    if (isNumber(stored) || isNumber(bound)) {
        bool a = false;
        bool b = false;
        const double x = stored.toDouble(&a);
        const double y = bound.toDouble(&b);
        return a && b && x == y;
    }
    return stored.toString() == TDatabase::ToSql(bound).toString();
}

// Whether "(column IS NULL OR column = '')" finds a stored value.
bool nullOrEmpty(const QVariant& stored) {
    return stored.isNull() ||
           (stored.typeId() == QMetaType::QString && stored.toString().isEmpty());
}

bool sameInstant(const QDateTime& a, const QDateTime& b) {
    return a.isValid() && b.isValid() && NormalizaDataHora(a) == NormalizaDataHora(b);
}

// A day column's type, as a batch of rows declares it (RowsOf).
TFieldType dayColumnType(const QString& column) {
    if (column.startsWith(QLatin1String("QT"))) {
        return TFieldType::Float;
    }
    if (column.startsWith(QLatin1String("DT"))) {
        return TFieldType::DateTime;
    }
    return TFieldType::String;
}

// A save is worked out row by row, in the order and by the rules of the screen's change
// sets, over the days and dishes it may change, read and locked once at its start; what
// it changes is written at the end in a few statements of many rows each, whatever the
// number of rows. A refusal is raised only after the rows before the refused one are
// written, so that what the database itself refuses among them comes first, as when each
// row was written at once.
class TMenuSave {
public:
    TMenuSave(TDatabase& db, const TOperatorAccess& access, bool moduFili)
        : db_(db)
        , access_(access)
        , operador_(access.Operador())
        , moduFili_(moduFili) {}

    // Whether the menus of the saved service follow a central menu (the central flag).
    std::optional<bool> Follows() const {
        return central_ ? std::optional<bool>(central_->Follows) : std::nullopt;
    }

    // The number of the day this save is about.
    QString Run(const std::optional<TDataPacket>& days, const std::optional<TDataPacket>& dishes) {
        std::optional<TChangeSet> daySet;
        std::optional<TChangeSet> dishSet;
        if (days) {
            days_ = &daySet.emplace(*days);
        }
        if (dishes) {
            dishes_ = &dishSet.emplace(*dishes);
        }
        try {
            plan();
        } catch (const EDatabaseError&) {
            throw;
        } catch (const EPlaError&) {
            write();
            throw;
        }
        write();
        if (registro_) {
            registro_->Registra();
        }
        checkDaysWithoutDiners();
        return answer_;
    }

private:
    // A central dish removed from a position of a day, and who removed it.
    struct TExclusion {
        QString Servico;
        QDate Day;
        int Position = 0;
        QString Dish;
        QString DishBranch;
    };
    // A day menu (CARDADIA) the save reads or writes.
    struct TDay {
        QHash<QString, QVariant> Values; // DayColumns, as the database gives them
        QDateTime Date;
        bool Gone = false; // deleted by this save
    };
    // A dish of such a day (COMPCARD).
    struct TDish {
        QVariantList Values; // DishColumns, as the database gives them
        bool Stored = false; // there when the save began; else inserted by it
        bool Alive = true;
        bool Changed = false;       // a stored dish changed where it is
        bool KeepsWithdrawn = true; // the same dish all along keeps its portions withdrawn
    };
    struct TNewDay {
        QStringList Columns;
        QVariantList Values;
    };

    // Each row in the order the rules read them: the days, the central dishes removed,
    // the dishes (removed, changed, added), the removals recorded, the days that depart
    // from the central menu, the days deleted.
    void plan() {
        if (days_) {
            for (const TPacketRow& r : days_->Rows) {
                if (r.Kind == TRowKind::Inserted || r.Kind == TRowKind::Modified) {
                    saveDay(TRow(*days_, r));
                }
            }
        }
        QList<TExclusion> exclusions;
        if (dishes_) {
            // The central dish a removed dish stood for is read before anything changes.
            for (const TPacketRow& r : dishes_->Rows) {
                if (r.Kind == TRowKind::Deleted) {
                    exclusions << exclusionOf(TRow(*dishes_, r));
                }
            }
            for (const TRowKind kind :
                 {TRowKind::Deleted, TRowKind::Modified, TRowKind::Inserted}) {
                for (const TPacketRow& r : dishes_->Rows) {
                    if (r.Kind == kind) {
                        saveDish(TRow(*dishes_, r));
                    }
                }
            }
        }
        recordExclusions(exclusions);
        recordSpecialDays();
        if (days_) {
            for (const TPacketRow& r : days_->Rows) {
                if (r.Kind == TRowKind::Deleted) {
                    deleteDay(TRow(*days_, r));
                }
            }
        }
    }

    // --- what the save starts from -------------------------------------------------

    // The days the change sets name, by number or by service and date, read and locked
    // with their dishes and their state before the change for the change record.
    void load() {
        QStringList numbers;
        QList<QPair<QString, QDateTime>> byDate;
        const auto number = [&numbers](const QVariant& v) {
            const QString nr = v.toString().trimmed();
            if (!nr.isEmpty() && nr != QLatin1String(Placeholder) && !numbers.contains(nr)) {
                numbers << nr;
            }
        };
        const auto onDate = [&byDate](const QString& servico, const QDateTime& date) {
            if (date.isValid() && !byDate.contains(qMakePair(servico, date))) {
                byDate.append(qMakePair(servico, date));
            }
        };
        for (const TChangeSet* set : {days_, dishes_}) {
            if (!set) {
                continue;
            }
            for (const TPacketRow& r : set->Rows) {
                const TRow row(*set, r);
                number(row.Value(QStringLiteral("NRCARDAPIO")));
                number(row.Saved(QStringLiteral("NRCARDAPIO")));
                const QDateTime date = row.Value(QStringLiteral("DTCARDAPIO")).toDateTime();
                if (set == days_ && r.Kind == TRowKind::Inserted) {
                    onDate(row.Text(QStringLiteral("CDSERVFILI")), date);
                } else if (set == dishes_ && row.Has(QStringLiteral("CDSERVFILI"))) {
                    const QString nr = row.Text(QStringLiteral("NRCARDAPIO"));
                    if (nr.isEmpty() || nr == QLatin1String(Placeholder)) {
                        onDate(row.Text(QStringLiteral("CDSERVFILI")), DataHora(date.date()));
                    }
                }
            }
        }
        // Numbers and dates in one list of conditions, split to the statements' size.
        QList<QVariantList> conditions;
        for (const QString& nr : std::as_const(numbers)) {
            conditions << QVariantList{nr};
        }
        for (const auto& [servico, date] : std::as_const(byDate)) {
            conditions << QVariantList{servico, date};
        }
        db_.InParts(conditions, [this](const QList<QVariantList>& part) {
            QStringList in;
            QStringList pairs;
            QVariantList params{filial_};
            for (const QVariantList& c : part) {
                if (c.size() == 1) {
                    in << QStringLiteral("?");
                    params << c[0];
                }
            }
            for (const QVariantList& c : part) {
                if (c.size() == 2) {
                    pairs << QStringLiteral("(CDSERVFILI = ? AND DTCARDAPIO = ?)");
                    params << c[0] << c[1];
                }
            }
            if (!in.isEmpty()) {
                pairs.prepend(
                    QStringLiteral("NRCARDAPIO IN (%1)").arg(in.join(QStringLiteral(", "))));
            }
            TRows q = db_.Select(QStringLiteral("SELECT %1 FROM CARDADIA WHERE CDFILIAL = ? AND "
                                                "(%2) ORDER BY NRCARDAPIO")
                                         .arg(DayColumns.join(QStringLiteral(", ")),
                                              pairs.join(QStringLiteral(" OR "))) +
                                     db_.RowLock(),
                                 params);
            while (q.Next()) {
                TDay read;
                for (int i = 0; i < DayColumns.size(); ++i) {
                    read.Values.insert(DayColumns[i], q.Value(i));
                }
                read.Date = TDatabase::FromSql(TFieldType::DateTime,
                                               read.Values.value(QStringLiteral("DTCARDAPIO")))
                                .toDateTime();
                dayState_.insert(q.Value(1).toString(), read);
            }
        });
        QStringList found = dayState_.keys();
        for (const QString& nr : std::as_const(found)) {
            if (!numbers.contains(nr)) {
                numbers << nr;
            }
        }
        registro_->LeAntes(numbers);
        db_.InParts(found, [this](const QStringList& part) {
            TRows q = db_.Select(
                QStringLiteral("SELECT %1 FROM COMPCARD WHERE CDFILIAL = ? AND NRCARDAPIO IN "
                               "(%2) ORDER BY NRCARDAPIO, NRSEQPRATCAR, NRORDPRATCAR")
                        .arg(DishColumns.join(QStringLiteral(", ")),
                             TDatabase::Placeholders(part.size())) +
                    db_.RowLock(),
                QVariantList{filial_} + QVariantList(part.cbegin(), part.cend()));
            while (q.Next()) {
                TDish d;
                d.Stored = true;
                for (int i = 0; i < DishColumns.size(); ++i) {
                    d.Values << q.Value(i);
                }
                addDish(std::move(d));
            }
        });
    }

    void addDish(TDish dish) {
        const QString nr = dish.Values[cNumero].toString();
        dishesOf_[nr].append(static_cast<int>(dishState_.size()));
        dishState_.push_back(std::move(dish));
    }

    // The day of a number, while it exists.
    TDay* day(const QString& nr) {
        const auto it = dayState_.find(nr);
        return it == dayState_.end() || it->Gone ? nullptr : &*it;
    }

    // The day of a service on a date ("CDSERVFILI = ? AND DTCARDAPIO = ?").
    QString dayOn(const QString& servico, const QDateTime& date) {
        for (auto it = dayState_.cbegin(); it != dayState_.cend(); ++it) {
            if (!it->Gone && sqlEquals(it->Values.value(QStringLiteral("CDSERVFILI")), servico) &&
                sameInstant(it->Date, date)) {
                return it.key();
            }
        }
        return {};
    }

    QDateTime dayDate(const QString& nr) {
        const TDay* d = day(nr);
        return d ? d->Date : QDateTime();
    }

    // The dish at a key ("NRCARDAPIO = ? AND NRSEQPRATCAR = ? AND NRORDPRATCAR = ?").
    TDish* dishAt(const QString& nr, const QVariant& seq, const QVariant& ord) {
        for (const int i : dishesOf_.value(nr)) {
            TDish& d = dishState_[i];
            if (d.Alive && sqlEquals(d.Values[cSeq], seq) && sqlEquals(d.Values[cOrdem], ord)) {
                return &d;
            }
        }
        return nullptr;
    }

    const TCentralMenu& centralOf(const QString& servico) {
        auto it = centrals_.find(servico);
        if (it == centrals_.end()) {
            it = centrals_.emplace(servico, CentralMenuOf(db_, filial_, servico, operador_)).first;
        }
        central_ = it->second;
        return it->second;
    }

    // --- the rules, row by row -----------------------------------------------------

    TExclusion exclusionOf(const TRow& row) {
        checkBranch(row.Text("CDFILIAL"));
        TExclusion e;
        e.Servico = row.Saved("CDSERVFILI").toString().trimmed();
        const QString nr = row.Saved("NRCARDAPIO").toString().trimmed();
        e.Day = dayDate(nr).date();
        e.Position = row.Saved("NRSEQPRATCAR").toInt();
        if (e.Servico.isEmpty()) {
            const TDay* d = day(nr);
            e.Servico = d ? d->Values.value(QStringLiteral("CDSERVFILI")).toString() : QString();
        }
        // The position's first dish, in order, that records a central dish.
        const TDish* central = nullptr;
        for (const int i : dishesOf_.value(nr)) {
            const TDish& d = dishState_[i];
            if (d.Alive && sqlEquals(d.Values[cSeq], e.Position) && !d.Values[cPratoMat].isNull() &&
                (!central ||
                 d.Values[cOrdem].toLongLong() < central->Values[cOrdem].toLongLong())) {
                central = &d;
            }
        }
        if (central) {
            e.Dish = central->Values[cPratoMat].toString().trimmed();
            e.DishBranch = central->Values[cFilAuxPratMat].toString().trimmed();
        } else if (row.Saved("IDPRATOESPE").toString().trimmed() != QLatin1String("S")) {
            // Without a central dish the removed dish itself was the menu's.
            e.Dish = row.Saved("CDPRATO").toString().trimmed();
            e.DishBranch = row.Saved("CDFILAUXPRAT").toString().trimmed();
        }
        return e;
    }

    void recordExclusions(const QList<TExclusion>& exclusions) {
        if (exclusions.isEmpty()) {
            return;
        }
        // What the month's removals already hold, for every service and month at once.
        QStringList services;
        QList<QDateTime> months;
        for (const TExclusion& e : exclusions) {
            if (!services.contains(e.Servico)) {
                services << e.Servico;
            }
            const QDateTime month = DataHora(PriDiaMes(e.Day));
            if (!months.contains(month)) {
                months << month;
            }
        }
        const auto keyOf = [](const QString& servico, const QDateTime& month, const QString& dia,
                              qlonglong position) {
            return QStringList{servico, NormalizaDataHora(month).toString(Qt::ISODateWithMs), dia,
                               QString::number(position)}
                .join(QLatin1Char('\x1f'));
        };
        QSet<QString> recorded;
        QVariantList params{filial_};
        for (const QString& s : std::as_const(services)) {
            params << s;
        }
        for (const QDateTime& m : std::as_const(months)) {
            params << m;
        }
        TRows q = db_.Select(
            QStringLiteral("SELECT CDSERVFILI, DTMESCARD, DTPRATEXCL, NRSEQPRATEXCL FROM PRATEXCL "
                           "WHERE CDFILIAL = ? AND CDSERVFILI IN (%1) AND DTMESCARD IN (%2)")
                .arg(TDatabase::Placeholders(services.size()),
                     TDatabase::Placeholders(months.size())),
            params);
        while (q.Next()) {
            recorded.insert(keyOf(q.Value(0).toString(),
                                  TDatabase::FromSql(TFieldType::DateTime, q.Value(1)).toDateTime(),
                                  q.Value(2).toString(), q.Value(3).toLongLong()));
        }
        QSet<QString> inserted;
        for (const TExclusion& e : exclusions) {
            const TCentralMenu& c = centralOf(e.Servico);
            const QDateTime month = DataHora(PriDiaMes(e.Day));
            const QString dia = QStringLiteral("%1").arg(e.Day.day(), 2, 10, QLatin1Char('0'));
            const QString key = keyOf(e.Servico, month, dia, e.Position);
            const bool isRecorded = recorded.contains(key) || inserted.contains(key);
            QString mark;
            if (c.MenuType == QLatin1Char('S') && !c.CentralBranch.isEmpty()) {
                mark = c.GroupParameterised && c.OperatorOfGroup ? QStringLiteral("M")
                                                                 : QStringLiteral("F");
                if (isRecorded) {
                    // A removal recorded by this save already has its mark.
                    if (!inserted.contains(key)) {
                        exclusionMarks_ << QVariantList{e.Servico, month, dia, e.Position, mark};
                    }
                    continue;
                }
            } else if (c.MenuType == QLatin1Char('D') && c.Decentralised && !isRecorded) {
                if (c.OperatorKind(moduFili_) == QLatin1Char('F')) {
                    mark = QStringLiteral("F");
                } else if (c.Follows) {
                    mark = QStringLiteral("M");
                }
            }
            if (mark.isEmpty()) {
                continue;
            }
            // A position left by a branch's own dish where the central menu has none is
            // marked removed all the same; its dish is empty.
            exclusionInserts_ << QVariantList{filial_,
                                              e.Servico,
                                              month,
                                              dia,
                                              e.Position,
                                              mark,
                                              e.Dish.isEmpty() ? QStringLiteral("") : e.Dish,
                                              e.DishBranch.isEmpty() ? QStringLiteral("")
                                                                     : e.DishBranch};
            inserted.insert(key);
        }
    }

    // A day whose dishes changed departs from the central menu it follows.
    void recordSpecialDays() {
        if (!dishes_) {
            return;
        }
        struct TCandidate {
            QString Servico;
            QDateTime Day;
            QString Nr;
        };
        QList<TCandidate> candidates;
        for (const TPacketRow& r : dishes_->Rows) {
            const TRow row(*dishes_, r);
            const QString servico = (row.Kind() == TRowKind::Deleted ? row.Saved("CDSERVFILI")
                                                                     : row.Value("CDSERVFILI"))
                                        .toString()
                                        .trimmed();
            if (servico.isEmpty() || !centralOf(servico).RecordsSpecialDays()) {
                continue;
            }
            QString nr = (row.Kind() == TRowKind::Deleted ? row.Saved("NRCARDAPIO")
                                                          : row.Value("NRCARDAPIO"))
                             .toString()
                             .trimmed();
            QDate date = row.Value("DTCARDAPIO").toDateTime().date();
            if (nr.isEmpty() || nr == QLatin1String(Placeholder)) {
                nr = daysByDate_.value(date);
            }
            if (nr.isEmpty()) {
                continue;
            }
            if (!date.isValid()) {
                date = dayDate(nr).date();
            }
            if (date.isValid()) {
                candidates.append({servico, DataHora(date), nr});
            }
        }
        if (candidates.isEmpty()) {
            return;
        }
        const auto keyOf = [](const QString& servico, const QDateTime& day) {
            return servico + QLatin1Char('\x1f') +
                   NormalizaDataHora(day).toString(Qt::ISODateWithMs);
        };
        QStringList services;
        QList<QDateTime> dates;
        for (const TCandidate& c : std::as_const(candidates)) {
            if (!services.contains(c.Servico)) {
                services << c.Servico;
            }
            if (!dates.contains(c.Day)) {
                dates << c.Day;
            }
        }
        QSet<QString> recorded;
        db_.InParts(dates, [&](const QList<QDateTime>& part) {
            QVariantList params{filial_};
            for (const QString& s : std::as_const(services)) {
                params << s;
            }
            for (const QDateTime& d : part) {
                params << d;
            }
            TRows q = db_.Select(
                QStringLiteral("SELECT CDSERVFILI, DTCARDAPIO FROM CARDESP WHERE CDFILIAL "
                               "= ? AND CDSERVFILI IN (%1) AND DTCARDAPIO IN (%2)")
                    .arg(TDatabase::Placeholders(services.size()),
                         TDatabase::Placeholders(part.size())),
                params);
            while (q.Next()) {
                recorded.insert(
                    keyOf(q.Value(0).toString(),
                          TDatabase::FromSql(TFieldType::DateTime, q.Value(1)).toDateTime()));
            }
        });
        for (const TCandidate& c : std::as_const(candidates)) {
            const QString key = keyOf(c.Servico, c.Day);
            if (!recorded.contains(key)) {
                specialDays_ << QVariantList{filial_, c.Servico, c.Day, c.Nr};
                recorded.insert(key);
            }
        }
    }

    void checkBranch(const QString& filial) {
        if (filial.isEmpty()) {
            throw EPlaError(QStringLiteral("Filial do cardápio não informada na alteração."));
        }
        if (filial_.isEmpty()) {
            CheckBranch(db_, filial);
            access_.ExigeFilial(filial, moduFili_);
            filial_ = filial;
            firstChangeable_ = FirstChangeableDay(db_, filial);
            registro_.emplace(db_, filial_, operador_, rpc::TOperacaoCardapio::Gravacao);
            load();
        } else if (filial != filial_) {
            throw EPlaError(
                QStringLiteral("Uma alteração não pode mudar cardápios de duas filiais."));
        }
    }

    void checkChangeable(const QDateTime& day) {
        if (!day.isValid()) {
            throw EPlaError(QStringLiteral("Data do cardápio não informada na alteração."));
        }
        if (day.date() < firstChangeable_) {
            throw EPlaError(QStringLiteral("O cardápio do dia %1 não pode mais ser alterado.")
                                .arg(dateText(day)));
        }
    }

    // The saved row must still be what the screen saw; `now` gives a column as the
    // database holds it, and is null when the row is gone.
    template <typename F>
    void checkUnchanged(bool exists, const QStringList& columns, const TRow& row,
                        const QString& what, F&& now) {
        if (!exists) {
            throw EPlaError(QStringLiteral("%1 foi excluído por outro operador. Cancele as "
                                           "alterações e carregue o cardápio novamente.")
                                .arg(what));
        }
        for (const QString& c : columns) {
            if (!row.Has(c) || Stamps.contains(c)) {
                continue;
            }
            const QVariant saved = row.Saved(c);
            const QVariant value = saved.typeId() == QMetaType::QDateTime
                                       ? TDatabase::FromSql(TFieldType::DateTime, now(c))
                                       : now(c);
            if (!same(saved, value)) {
                throw EPlaError(QStringLiteral("%1 foi alterado por outro operador. Cancele as "
                                               "alterações e carregue o cardápio novamente.")
                                    .arg(what));
            }
        }
    }

    void checkDayUnchanged(const QString& nr, const TRow& row, const QString& what) {
        const TDay* d = day(nr);
        checkUnchanged(d != nullptr, DayColumns, row, what,
                       [d](const QString& c) { return d->Values.value(c); });
    }

    // The next of the branch's menu numbers: all a save needs are taken at its first,
    // from the counter row, which concurrent writers queue on.
    QString nextMenuNumber() {
        if (!numbersTaken_) {
            numbersTaken_ = true;
            qlonglong wanted = 0;
            for (const TPacketRow& r : days_->Rows) {
                const QString nr = TRow(*days_, r).Text("NRCARDAPIO");
                if (r.Kind == TRowKind::Inserted &&
                    (nr.isEmpty() || nr == QLatin1String(Placeholder))) {
                    ++wanted;
                }
            }
            if (db_.ExecCount(QStringLiteral("UPDATE SEQCARDAPIO SET NRULTIMO = NRULTIMO + ? "
                                             "WHERE CDFILIAL = ?"),
                              {wanted, filial_}) == 0) {
                db_.Exec(QStringLiteral("INSERT INTO SEQCARDAPIO (CDFILIAL, NRULTIMO) VALUES (?, "
                                        "?)"),
                         {filial_, wanted});
            }
            nextNumber_ =
                db_.Scalar(QStringLiteral("SELECT NRULTIMO FROM SEQCARDAPIO WHERE CDFILIAL = ?"),
                           {filial_})
                    .toLongLong() -
                wanted + 1;
        }
        const qlonglong n = nextNumber_++;
        if (n > 9999999999LL) {
            throw EPlaError(QStringLiteral("Numeração de cardápios da filial esgotada."));
        }
        return Ajusta(QString::number(n), 10);
    }

    void saveDay(const TRow& row) {
        const QString filial = row.Text("CDFILIAL");
        checkBranch(filial);
        const QVariant date = row.Value("DTCARDAPIO");
        if (row.Kind() == TRowKind::Modified) {
            // A day keeps its keys: moving its date would take a blocked day out of its
            // block, or make two menus of one day.
            for (const char* key : {"CDFILIAL", "NRCARDAPIO", "CDSERVFILI", "DTCARDAPIO"}) {
                const QString c = QString::fromLatin1(key);
                if (row.Has(c) && !same(row.Saved(c), row.Value(c))) {
                    throw EPlaError(QStringLiteral("O cardápio do dia %1 não pode mudar de data, "
                                                   "serviço ou número.")
                                        .arg(dateText(row.Saved(QStringLiteral("DTCARDAPIO")))));
                }
            }
        }
        checkChangeable(date.toDateTime());
        CheckWholeDay(date.toDateTime());
        for (const auto& [column, what] : DayDinersColumns()) {
            if (row.Has(column) && !row.Value(column).isNull()) {
                CheckDiners(row.Value(column).toDouble(), what, date.toDateTime().date());
            }
        }
        const QString what = QStringLiteral("O cardápio do dia %1").arg(dateText(date));
        QString nr = row.Text("NRCARDAPIO");
        QStringList sets;
        QVariantList values;
        for (const QString& c : DayColumns) {
            if (!row.Has(c) || c == QLatin1String("CDFILIAL") || c == QLatin1String("NRCARDAPIO") ||
                Stamps.contains(c)) {
                continue;
            }
            if (row.Kind() == TRowKind::Modified && same(row.Saved(c), row.Value(c))) {
                continue;
            }
            if (row.Kind() == TRowKind::Inserted && row.Value(c).isNull()) {
                continue; // the column's default
            }
            sets << c;
            values << TDatabase::ToSql(row.Value(c));
        }
        if (row.Kind() == TRowKind::Inserted) {
            const QString servico = row.Text("CDSERVFILI");
            if (!dayOn(servico, date.toDateTime()).isEmpty()) {
                throw EPlaError(QStringLiteral("Já existe cardápio do serviço para o dia %1.")
                                    .arg(dateText(date)));
            }
            if (nr.isEmpty() || nr == QLatin1String(Placeholder)) {
                nr = nextMenuNumber();
            }
            QStringList columns{QStringLiteral("CDFILIAL"), QStringLiteral("NRCARDAPIO"),
                                QStringLiteral("CDOPERADOR"), QStringLiteral("DTULTATUACAR")};
            QVariantList all{filial, nr, operador_, Agora()};
            columns << sets;
            all << values;
            if (!columns.contains(QLatin1String("DTMESCARD"))) {
                columns << QStringLiteral("DTMESCARD");
                all << DataHora(PriDiaMes(date.toDateTime().date()));
            }
            if (dayState_.contains(nr)) {
                // The number is taken (a screen that missed another's save). What came
                // before it is written first, so that its own refusals come first.
                write();
                throw EPlaError(QStringLiteral("O número de cardápio %1 já pertence ao dia %2: "
                                               "recarregue o mês e grave de novo.")
                                    .arg(nr, dateText(dayState_.value(nr).Date)));
            }
            TDay created;
            for (const auto& column : DayDinersColumns()) {
                created.Values.insert(column.first, 0.0); // the columns' defaults
            }
            for (int i = 0; i < columns.size(); ++i) {
                created.Values.insert(columns[i], TDatabase::ToSql(all[i]));
            }
            created.Date = date.toDateTime();
            dayState_.insert(nr, created);
            newDays_.append({columns, all});
            registro_->Novo(nr);
            daysByDate_.insert(date.toDateTime().date(), nr);
            if (answer_.isEmpty() || !answerIsNew_) {
                answer_ = nr;
                answerIsNew_ = true;
            }
            return;
        }
        checkDayUnchanged(nr, row, what);
        registro_->Antes(nr);
        TDay* d = day(nr);
        QHash<QString, QVariant>& changes = dayChanges_[nr];
        for (int i = 0; i < sets.size(); ++i) {
            changes.insert(sets[i], values[i]);
            d->Values.insert(sets[i], values[i]);
        }
        daysByDate_.insert(date.toDateTime().date(), nr);
        if (answer_.isEmpty()) {
            answer_ = nr;
        }
    }

    void deleteDay(const TRow& row) {
        const QString filial = row.Text("CDFILIAL");
        checkBranch(filial);
        const QVariant date = row.Saved("DTCARDAPIO");
        checkChangeable(date.toDateTime());
        const QString nr = row.Saved("NRCARDAPIO").toString().trimmed();
        checkDayUnchanged(nr, row, QStringLiteral("O cardápio do dia %1").arg(dateText(date)));
        registro_->Antes(nr);
        dayState_[nr].Gone = true;
        goneDays_ << nr;
        if (answer_.isEmpty()) {
            answer_ = nr;
        }
    }

    // The day a dish belongs to: its number, or the day created for its date.
    QString dayOf(const TRow& row) {
        QString nr = row.Text("NRCARDAPIO");
        if (!nr.isEmpty() && nr != QLatin1String(Placeholder)) {
            return nr;
        }
        const QDate date = row.Value("DTCARDAPIO").toDateTime().date();
        nr = daysByDate_.value(date);
        if (nr.isEmpty() && row.Has("CDSERVFILI")) {
            nr = dayOn(row.Text("CDSERVFILI"), DataHora(date));
        }
        if (nr.isEmpty()) {
            throw EPlaError(QStringLiteral("Não há cardápio do dia %1 para o prato %2.")
                                .arg(dateText(DataHora(date)), row.Text("CDPRATO")));
        }
        return nr;
    }

    // The dish a row places must exist and take a share of the day that is a number
    // and not negative; the answer is that share.
    double checkedShare(const TRow& row) {
        const QString dish = row.Text("CDPRATO");
        checkDish(row.Text("CDFILAUXPRAT"), dish);
        const double share = row.Value("VRPECONSCARD").toDouble();
        if (!(share >= 0) || !std::isfinite(share)) {
            throw EPlaError(QStringLiteral("Percentual do prato %1 inválido.").arg(dish));
        }
        return share;
    }

    void checkDish(const QString& branch, const QString& dish) {
        if (!dishesRead_) {
            // Every dish the change sets place, read at once.
            dishesRead_ = true;
            QStringList codes;
            for (const TPacketRow& r : dishes_->Rows) {
                const QString code = TRow(*dishes_, r).Text("CDPRATO");
                if ((r.Kind == TRowKind::Inserted || r.Kind == TRowKind::Modified) &&
                    !codes.contains(code)) {
                    codes << code;
                }
            }
            db_.InParts(codes, [this](const QStringList& part) {
                TRows q = db_.Select(
                    QStringLiteral("SELECT CDFILAUXPRAT, CDPRATO FROM PRATO WHERE CDPRATO IN (%1)")
                        .arg(TDatabase::Placeholders(part.size())),
                    QVariantList(part.cbegin(), part.cend()));
                while (q.Next()) {
                    knownDishes_.insert(q.Value(0).toString() + QLatin1Char('\x1f') +
                                        q.Value(1).toString());
                }
            });
        }
        if (!knownDishes_.contains(branch + QLatin1Char('\x1f') + dish)) {
            throw EPlaError(QStringLiteral("Prato %1 não cadastrado.").arg(dish));
        }
    }

    // The columns a row gives a dish: branch and dish, share, origin mark, central dish.
    QVariantList placed(const TRow& row, double share) {
        const auto orNull = [&row](const char* c) {
            return row.Text(c).isEmpty() ? QVariant() : QVariant(row.Text(c));
        };
        return {row.Text("CDFILAUXPRAT"),
                row.Text("CDPRATO"),
                share,
                row.Text("IDPRATOESPE").isEmpty() ? QStringLiteral("N")
                                                  : row.Text("IDPRATOESPE").left(1),
                orNull("CDPRATOMAT"),
                orNull("CDFILAUXPRATMAT")};
    }

    // The statement that changed a dish where it was when rows were written one by one:
    // kept for what PostgreSQL refuses in it.
    std::pair<QString, QVariantList> inPlaceStatement(const TRow& row, const QString& nr,
                                                      const QVariantList& values) {
        QVariantList params = values + QVariantList{values[0],
                                                    values[1],
                                                    filial_,
                                                    nr,
                                                    row.Saved("NRSEQPRATCAR"),
                                                    row.Saved("NRORDPRATCAR")};
        QString where;
        for (const char* c : {"CDFILAUXPRAT", "CDPRATO", "VRPECONSCARD", "IDPRATOESPE",
                              "CDPRATOMAT", "CDFILAUXPRATMAT"}) {
            if (!row.Has(QString::fromLatin1(c))) {
                continue;
            }
            const QVariant saved = row.Saved(QString::fromLatin1(c));
            if (saved.isNull() || saved.toString().trimmed().isEmpty()) {
                where += QStringLiteral(" AND (%1 IS NULL OR %1 = '')").arg(QLatin1String(c));
            } else {
                where += QStringLiteral(" AND %1 = ?").arg(QLatin1String(c));
                params << (saved.typeId() == QMetaType::QString
                               ? QVariant(saved.toString().trimmed())
                               : saved);
            }
        }
        return {QStringLiteral("UPDATE COMPCARD SET CDFILAUXPRAT = ?, CDPRATO = ?, VRPECONSCARD = "
                               "?, IDPRATOESPE = ?, CDPRATOMAT = ?, CDFILAUXPRATMAT = ?, %1 WHERE "
                               "CDFILIAL = ? AND NRCARDAPIO = ? AND NRSEQPRATCAR = ? AND "
                               "NRORDPRATCAR = ?")
                        .arg(WithdrawnOfTheSameDishSql()) +
                    where,
                params};
    }

    // A dish changed where it was, only while the row is still what the screen saw,
    // the portions withdrawn kept only for the same dish. False when it is not (the
    // caller says why).
    bool updateInPlace(const TRow& row, const QString& nr) {
        if (row.Value("NRCARDAPIO").toString().trimmed() != nr ||
            row.Value("NRSEQPRATCAR").toInt() != row.Saved("NRSEQPRATCAR").toInt() ||
            row.Value("NRORDPRATCAR").toInt() != row.Saved("NRORDPRATCAR").toInt() ||
            row.Value("NRORDPRATCAR").toInt() <= 0) {
            return false;
        }
        const QVariantList values = placed(row, checkedShare(row));
        const QVariant savedShare = row.Saved(QStringLiteral("VRPECONSCARD"));
        if (db_.Dialect() == TDialect::PostgreSQL && row.Has(QStringLiteral("VRPECONSCARD")) &&
            (savedShare.isNull() || savedShare.toString().trimmed().isEmpty())) {
            // PostgreSQL refuses to compare a share with an empty text: its own refusal,
            // of the statement that wrote such a row alone.
            write();
            const auto [sql, params] = inPlaceStatement(row, nr, values);
            db_.ExecCount(sql, params);
            throw EProgramError(
                QStringLiteral("Percentual vazio comparado no cardápio %1").arg(nr));
        }
        TDish* d = dishAt(nr, row.Saved("NRSEQPRATCAR"), row.Saved("NRORDPRATCAR"));
        if (!d) {
            return false;
        }
        // The row is still what the screen saw in the columns it sent.
        for (const int c :
             {cFilAuxPrat, cPrato, cPercentual, cEspecial, cPratoMat, cFilAuxPratMat}) {
            if (!row.Has(DishColumns[c])) {
                continue;
            }
            const QVariant saved = row.Saved(DishColumns[c]);
            const bool empty = saved.isNull() || saved.toString().trimmed().isEmpty();
            const bool found =
                empty ? nullOrEmpty(d->Values[c])
                      : sqlEquals(d->Values[c], saved.typeId() == QMetaType::QString
                                                    ? QVariant(saved.toString().trimmed())
                                                    : saved);
            if (!found) {
                return false;
            }
        }
        d->KeepsWithdrawn = d->KeepsWithdrawn && sqlEquals(d->Values[cFilAuxPrat], values[0]) &&
                            sqlEquals(d->Values[cPrato], values[1]);
        for (int i = 0; i < values.size(); ++i) {
            d->Values[cFilAuxPrat + i] = TDatabase::ToSql(values[i]);
        }
        d->Changed = d->Stored;
        return true;
    }

    void saveDish(const TRow& row) {
        checkBranch(row.Text("CDFILIAL"));
        if (row.Kind() == TRowKind::Deleted || row.Kind() == TRowKind::Modified) {
            const QString nr = row.Saved("NRCARDAPIO").toString().trimmed();
            checkChangeable(dayDate(nr));
            registro_->Antes(nr);
            if (row.Kind() == TRowKind::Modified && updateInPlace(row, nr)) {
                touched(nr);
                return;
            }
            TDish* d = dishAt(nr, row.Saved("NRSEQPRATCAR"), row.Saved("NRORDPRATCAR"));
            checkUnchanged(
                d != nullptr, DishColumns, row,
                QStringLiteral("O prato %1 do dia %2")
                    .arg(row.Saved("CDPRATO").toString().trimmed(), dateText(dayDate(nr))),
                [d](const QString& c) { return d->Values[DishColumns.indexOf(c)]; });
            d->Alive = false;
            touched(nr);
            if (row.Kind() == TRowKind::Deleted) {
                return;
            }
        }
        insertDish(row);
    }

    void insertDish(const TRow& row) {
        const QString nr = dayOf(row);
        checkChangeable(dayDate(nr));
        registro_->Antes(nr);
        if (row.Kind() == TRowKind::Inserted &&
            !(day(nr)->Values.value(QStringLiteral("QTCOMESTICAR")).toDouble() > 0)) {
            throw EPlaError(QStringLiteral("Número de comensais do dia %1 deve ser maior que zero.")
                                .arg(dateText(dayDate(nr))));
        }
        const QVariantList values = placed(row, checkedShare(row));
        const QVariant seq = row.Value("NRSEQPRATCAR");
        QVariant ord = row.Value("NRORDPRATCAR");
        if (ord.isNull() || ord.toInt() <= 0) {
            // The next order in the position.
            qlonglong last = 0;
            for (const int i : dishesOf_.value(nr)) {
                const TDish& d = dishState_[i];
                if (d.Alive && sqlEquals(d.Values[cSeq], seq)) {
                    last = std::max(last, d.Values[cOrdem].toLongLong());
                }
            }
            ord = last + 1;
        }
        TDish d;
        d.Values = QVariantList{filial_, nr, seq, ord} + values;
        if (dishAt(nr, seq, ord)) {
            // The place is taken. What came before it is written first, so that its own
            // refusals come first.
            write();
            throw EPlaError(QStringLiteral("O cardápio do dia %1 já tem um prato na posição %2, "
                                           "ordem %3: recarregue o mês e grave de novo.")
                                .arg(dateText(dayDate(nr)))
                                .arg(seq.toLongLong())
                                .arg(ord.toLongLong()));
        }
        for (QVariant& v : d.Values) {
            v = TDatabase::ToSql(v);
        }
        addDish(std::move(d));
        touched(nr);
    }

    void touched(const QString& nr) {
        touched_.insert(nr);
        if (answer_.isEmpty()) {
            answer_ = nr;
        }
    }

    // A day left without diners keeps its dishes at 100 %: a share of nobody is the
    // whole day's dish.
    void checkDaysWithoutDiners() {
        QSet<QString> set = touched_;
        for (const QString& nr : std::as_const(daysByDate_)) {
            set.insert(nr);
        }
        QVariant off;
        db_.InParts(QStringList(set.cbegin(), set.cend()), [&](const QStringList& part) {
            const QVariant first = db_.Scalar(
                QStringLiteral("SELECT MIN(D.NRCARDAPIO) FROM CARDADIA D JOIN COMPCARD C "
                               "ON C.CDFILIAL = D.CDFILIAL AND C.NRCARDAPIO = "
                               "D.NRCARDAPIO WHERE D.CDFILIAL = ? AND D.NRCARDAPIO IN "
                               "(%1) AND D.QTCOMESTICAR = 0 AND C.VRPECONSCARD <> 100")
                    .arg(TDatabase::Placeholders(part.size())),
                QVariantList{filial_} + QVariantList(part.cbegin(), part.cend()));
            if (!first.isNull() && (off.isNull() || first.toString() < off.toString())) {
                off = first;
            }
        });
        if (!off.isNull()) {
            throw EPlaError(QStringLiteral("O cardápio do dia %1 ficou sem comensais: seus pratos "
                                           "devem ficar com 100%.")
                                .arg(dateText(dayDate(off.toString()))));
        }
    }

    // --- the writes -----------------------------------------------------------------

    // Runs a statement over rows handed as one value, the batch split to the statements'
    // size; `before` and `after` are its other values, around the rows' in its text.
    void forRows(const QString& sql, const QList<QVariantList>& rows,
                 const QVariantList& before = {}, const QVariantList& after = {}) {
        db_.InParts(rows, [&](const QList<QVariantList>& part) {
            db_.ExecCount(sql, before + QVariantList{TDatabase::RowsValue(part)} + after);
        });
    }

    // An INSERT of rows of the given columns and types, in the batch's order.
    void insertRows(const QString& table, const QStringList& columns,
                    const QList<TFieldType>& types, const QList<QVariantList>& rows) {
        forRows(QStringLiteral("INSERT INTO %1 (%2) SELECT %2 FROM %3 AS V ORDER BY V.ROWNO")
                    .arg(table, columns.join(QStringLiteral(", ")), db_.RowsOf(columns, types)),
                rows);
    }

    // What the save changed, in the order the rules changed it: once, at the end or
    // before a refusal.
    void write() {
        if (written_) {
            return;
        }
        written_ = true;
        writeNewDays();
        writeDays();
        writeDishes();
        writeExclusions();
        insertRows(
            QStringLiteral("CARDESP"),
            {QStringLiteral("CDFILIAL"), QStringLiteral("CDSERVFILI"), QStringLiteral("DTCARDAPIO"),
             QStringLiteral("NRCARDAPIO")},
            {TFieldType::String, TFieldType::String, TFieldType::DateTime, TFieldType::String},
            specialDays_);
        db_.InParts(goneDays_, [this](const QStringList& part) {
            for (const char* table : {"COMPCARD", "CARDACLI", "CARDADIA"}) {
                db_.Exec(QStringLiteral("DELETE FROM %1 WHERE CDFILIAL = ? AND NRCARDAPIO IN (%2)")
                             .arg(QLatin1String(table), TDatabase::Placeholders(part.size())),
                         QVariantList{filial_} + QVariantList(part.cbegin(), part.cend()));
            }
        });
    }

    // New days of the same columns in one statement.
    void writeNewDays() {
        QList<QStringList> shapes;
        for (const TNewDay& d : std::as_const(newDays_)) {
            if (!shapes.contains(d.Columns)) {
                shapes << d.Columns;
            }
        }
        for (const QStringList& columns : std::as_const(shapes)) {
            QList<TFieldType> types;
            for (const QString& c : columns) {
                types << dayColumnType(c);
            }
            QList<QVariantList> rows;
            for (const TNewDay& d : std::as_const(newDays_)) {
                if (d.Columns == columns) {
                    rows << d.Values;
                }
            }
            insertRows(QStringLiteral("CARDADIA"), columns, types, rows);
        }
    }

    // The days' own changes, each column written only where the screen changed it, and
    // who changed each day (or its dishes) and when: one statement.
    void writeDays() {
        QStringList stamped = dayChanges_.keys();
        for (const QString& nr : std::as_const(touched_)) {
            if (!dayChanges_.contains(nr)) {
                stamped << nr;
            }
        }
        if (stamped.isEmpty()) {
            return;
        }
        QStringList columns;
        for (const QString& c : DayColumns) {
            for (const QHash<QString, QVariant>& changes : std::as_const(dayChanges_)) {
                if (changes.contains(c) && !columns.contains(c)) {
                    columns << c;
                }
            }
        }
        QList<TFieldType> types{TFieldType::String};
        QStringList names{QStringLiteral("NR")};
        QStringList assignments;
        for (int i = 0; i < columns.size(); ++i) {
            types << TFieldType::Integer << dayColumnType(columns[i]);
            names << QStringLiteral("F%1").arg(i) << QStringLiteral("V%1").arg(i);
            assignments << QStringLiteral("%1 = CASE WHEN V.F%2 = 1 THEN V.V%2 ELSE "
                                          "CARDADIA.%1 END")
                               .arg(columns[i])
                               .arg(i);
        }
        assignments << QStringLiteral("CDOPERADOR = ?") << QStringLiteral("DTULTATUACAR = ?");
        QList<QVariantList> rows;
        for (const QString& nr : std::as_const(stamped)) {
            const QHash<QString, QVariant> changes = dayChanges_.value(nr);
            QVariantList row{nr};
            for (const QString& c : std::as_const(columns)) {
                row << int(changes.contains(c)) << changes.value(c);
            }
            rows << row;
        }
        forRows(QStringLiteral("UPDATE CARDADIA SET %1 FROM %2 AS V WHERE CARDADIA.CDFILIAL = ? "
                               "AND CARDADIA.NRCARDAPIO = V.NR")
                    .arg(assignments.join(QStringLiteral(", ")), db_.RowsOf(names, types)),
                rows, {operador_, Agora()}, {filial_});
    }

    // The dishes removed, changed where they were, and added, each kind in one statement.
    void writeDishes() {
        QList<QVariantList> gone;
        QList<QVariantList> changed;
        QList<QVariantList> added;
        for (const TDish& d : dishState_) {
            if (d.Stored && !d.Alive) {
                gone << QVariantList{d.Values[cNumero], d.Values[cSeq], d.Values[cOrdem]};
            } else if (d.Stored && d.Changed) {
                changed << d.Values.mid(cNumero) + QVariantList{int(d.KeepsWithdrawn)};
            } else if (!d.Stored && d.Alive) {
                added << d.Values;
            }
        }
        const QStringList keys{QStringLiteral("NR"), QStringLiteral("SEQ"), QStringLiteral("ORD")};
        const QList<TFieldType> keyTypes{TFieldType::String, TFieldType::Integer,
                                         TFieldType::Integer};
        forRows(QStringLiteral("DELETE FROM COMPCARD WHERE CDFILIAL = ? AND (NRCARDAPIO, "
                               "NRSEQPRATCAR, NRORDPRATCAR) IN (SELECT V.NR, V.SEQ, V.ORD FROM "
                               "%1 AS V)")
                    .arg(db_.RowsOf(keys, keyTypes)),
                gone, {filial_});
        forRows(QStringLiteral("UPDATE COMPCARD SET CDFILAUXPRAT = V.FILAUX, CDPRATO = V.PRATO, "
                               "VRPECONSCARD = V.PERC, IDPRATOESPE = V.ESPE, CDPRATOMAT = V.MAT, "
                               "CDFILAUXPRATMAT = V.FILMAT, QTPORCRETI = CASE WHEN V.MANTEM = 1 "
                               "THEN COMPCARD.QTPORCRETI END FROM %1 AS V WHERE "
                               "COMPCARD.CDFILIAL = ? AND COMPCARD.NRCARDAPIO = V.NR AND "
                               "COMPCARD.NRSEQPRATCAR = V.SEQ AND COMPCARD.NRORDPRATCAR = V.ORD")
                    .arg(db_.RowsOf(
                        keys + QStringList{QStringLiteral("FILAUX"), QStringLiteral("PRATO"),
                                           QStringLiteral("PERC"), QStringLiteral("ESPE"),
                                           QStringLiteral("MAT"), QStringLiteral("FILMAT"),
                                           QStringLiteral("MANTEM")},
                        keyTypes + QList<TFieldType>{TFieldType::String, TFieldType::String,
                                                     TFieldType::Float, TFieldType::String,
                                                     TFieldType::String, TFieldType::String,
                                                     TFieldType::Integer})),
                changed, {}, {filial_});
        insertRows(QStringLiteral("COMPCARD"), DishColumns,
                   {TFieldType::String, TFieldType::String, TFieldType::Integer,
                    TFieldType::Integer, TFieldType::String, TFieldType::String, TFieldType::Float,
                    TFieldType::String, TFieldType::String, TFieldType::String},
                   added);
    }

    // The central dishes removed: the marks of those recorded before, the new ones.
    void writeExclusions() {
        forRows(QStringLiteral("UPDATE PRATEXCL SET IDLOCALEXCL = V.MARCA FROM %1 AS V WHERE "
                               "PRATEXCL.CDFILIAL = ? AND PRATEXCL.CDSERVFILI = V.SERV AND "
                               "PRATEXCL.DTMESCARD = V.MES AND PRATEXCL.DTPRATEXCL = V.DIA AND "
                               "PRATEXCL.NRSEQPRATEXCL = V.SEQ")
                    .arg(db_.RowsOf({QStringLiteral("SERV"), QStringLiteral("MES"),
                                     QStringLiteral("DIA"), QStringLiteral("SEQ"),
                                     QStringLiteral("MARCA")},
                                    {TFieldType::String, TFieldType::DateTime, TFieldType::String,
                                     TFieldType::Integer, TFieldType::String})),
                exclusionMarks_, {}, {filial_});
        insertRows(QStringLiteral("PRATEXCL"),
                   {QStringLiteral("CDFILIAL"), QStringLiteral("CDSERVFILI"),
                    QStringLiteral("DTMESCARD"), QStringLiteral("DTPRATEXCL"),
                    QStringLiteral("NRSEQPRATEXCL"), QStringLiteral("IDLOCALEXCL"),
                    QStringLiteral("CDPRATO"), QStringLiteral("CDFILAUXPRAT")},
                   {TFieldType::String, TFieldType::String, TFieldType::DateTime,
                    TFieldType::String, TFieldType::Integer, TFieldType::String, TFieldType::String,
                    TFieldType::String},
                   exclusionInserts_);
    }

    TDatabase& db_;
    const TOperatorAccess& access_;
    QString operador_;
    const TChangeSet* days_ = nullptr; // while Run runs
    const TChangeSet* dishes_ = nullptr;
    QString filial_;
    QDate firstChangeable_;
    QHash<QDate, QString> daysByDate_;
    QString answer_;
    bool answerIsNew_ = false;
    bool moduFili_ = false;
    // What the save reads and changes.
    QMap<QString, TDay> dayState_;        // by number
    std::vector<TDish> dishState_;        // of those days
    QHash<QString, QList<int>> dishesOf_; // day number -> its dishes
    bool dishesRead_ = false;
    QSet<QString> knownDishes_; // branch and code of the dishes placed that exist
    std::map<QString, TCentralMenu> centrals_;
    std::optional<TCentralMenu> central_; // the last asked
    bool numbersTaken_ = false;
    qlonglong nextNumber_ = 0;
    // What the save writes.
    QList<TNewDay> newDays_;
    QMap<QString, QHash<QString, QVariant>> dayChanges_; // number -> column -> value
    QSet<QString> touched_;                              // days whose dishes changed
    QList<QVariantList> exclusionMarks_;
    QList<QVariantList> exclusionInserts_;
    QList<QVariantList> specialDays_;
    QStringList goneDays_;
    bool written_ = false;
    std::optional<TRegistroAlteracoes> registro_; // once the branch is known
};

std::optional<TDataPacket> changeSet(const QVariant& v) {
    if (v.isNull() || !v.isValid()) {
        return std::nullopt;
    }
    TDataPacket p = ToDataPacket(v);
    p.Validate();
    return p;
}

// Applies the screen's change sets; the answer is the day's menu number, or the
// reason nothing was saved (always longer than a number).
QVariant updateCache(TCallContext& ctx, TMethodArgs& args) {
    TDatabase& db = ctx.Database();
    const bool porFilial = args.Boolean(1);
    const std::optional<TDataPacket> days = changeSet(args.Value(2));
    const std::optional<TDataPacket> dishes = changeSet(args.Value(3));
    // Every row's branch is checked against the operator's own (checkBranch).
    TMenuSave save(db, ctx.Access(), porFilial);
    const QString answer = save.Run(days, dishes);
    args.SetRef(2, QVariant());
    args.SetRef(3, QVariant());
    if (const std::optional<bool> follows = save.Follows()) {
        args.SetRef(4, *follows ? QStringLiteral("S") : QStringLiteral("N"));
    }
    return answer;
}

QVariant getDiaCardEspecif(TCallContext& ctx, TMethodArgs& args) {
    return FromDataPacket(SpecialDaysOfMonth(ctx.Database(), Ajusta(args.String(0).trimmed(), 4),
                                             Ajusta(args.String(1).trimmed(), 5),
                                             DataHora(PriDiaMes(args.DateTime(2).date()))));
}

QVariant getPratosExcluidos(TCallContext& ctx, TMethodArgs& args) {
    return FromDataPacket(RemovedDishesOfMonth(ctx.Database(), Ajusta(args.String(0).trimmed(), 4),
                                               Ajusta(args.String(1).trimmed(), 5),
                                               DataHora(PriDiaMes(args.DateTime(2).date()))));
}

// Days of a period that expect diners but have no dish.
const QString DaysWithoutDishes = QStringLiteral(
    "FROM CARDADIA D WHERE D.CDFILIAL = ? AND D.CDSERVFILI = ? AND D.DTCARDAPIO >= ? AND "
    "D.DTCARDAPIO <= ? AND D.QTCOMESTICAR > 0 AND NOT EXISTS (SELECT 1 FROM COMPCARD C WHERE "
    "C.CDFILIAL = D.CDFILIAL AND C.NRCARDAPIO = D.NRCARDAPIO)");

QVariantList periodOf(TMethodArgs& args) {
    return {Ajusta(args.String(0).trimmed(), 4), Ajusta(args.String(1).trimmed(), 5),
            DataHora(args.DateTime(2).date()), DataHora(args.DateTime(3).date())};
}

QVariant getCardSemPrat(TCallContext& ctx, TMethodArgs& args) {
    return FromDataPacket(QueryPacket(ctx.Database(),
                                      {{"DTCARDAPIO", TFieldType::DateTime, 0, false},
                                       {"QTCOMESTICAR", TFieldType::Float, 0, false}},
                                      QStringLiteral("SELECT D.DTCARDAPIO, D.QTCOMESTICAR ") +
                                          DaysWithoutDishes +
                                          QStringLiteral(" ORDER BY D.DTCARDAPIO"),
                                      periodOf(args)));
}

// Clears the estimated diners of those days: a day without dishes feeds nobody.
QVariant setCardSemPrat(TCallContext& ctx, TMethodArgs& args) {
    TDatabase& db = ctx.Database();
    const QVariantList period = periodOf(args);
    if (period[2].toDateTime().date() < FirstChangeableDay(db, period[0].toString())) {
        throw EPlaError(QStringLiteral("O período inclui dias que não podem mais ser alterados."));
    }
    TRows q = db.Select(QStringLiteral("SELECT D.NRCARDAPIO ") + DaysWithoutDishes, period);
    QStringList days;
    while (q.Next()) {
        days << q.Value(0).toString();
    }
    for (const QString& nr : days) {
        db.Exec(QStringLiteral("UPDATE CARDADIA SET QTCOMESTICAR = 0, QTESTITURNO1 = 0, "
                               "QTESTITURNO2 = 0, QTESTITURNO3 = 0, QTESTITURNO4 = 0, "
                               "QTCLIESTICAR = 0, QTFUNESTICAR = 0, QTDOAESTICAR = 0, CDOPERADOR "
                               "= ?, DTULTATUACAR = ? WHERE CDFILIAL = ? AND NRCARDAPIO = ?"),
                {ctx.Operador, Agora(), period[0], nr});
    }
    return true;
}

// The month again after a period was deleted or a day imported or inverted: days,
// dishes and removed central dishes (and, for the import, the special days first).
QVariant monthAgain(TCallContext& ctx, TMethodArgs& args, bool withSpecialDays) {
    TDatabase& db = ctx.Database();
    const QString filial = Ajusta(args.String(0).trimmed(), 4);
    const QString servico = Ajusta(args.String(1).trimmed(), 5);
    const QDateTime month = DataHora(PriDiaMes(args.DateTime(2).date()));
    rpc::TMesRecarregado out;
    if (withSpecialDays) {
        out.CardEsp = FromDataPacket(SpecialDaysOfMonth(db, filial, servico, month));
    }
    out.CardaDia = FromDataPacket(DaysOfMonth(db, filial, servico, month));
    out.CompCard = FromDataPacket(DishesOfMonth(db, filial, servico, month));
    out.PratosExcluidos = FromDataPacket(RemovedDishesOfMonth(db, filial, servico, month));
    return out.ToWire();
}

// The month's days and dishes after the cost analysis with recipe revision.
QVariant getAtualizaCustos(TCallContext& ctx, TMethodArgs& args) {
    TDatabase& db = ctx.Database();
    const QVariantList period = periodOf(args);
    const QString filial = period[0].toString();
    const QString servico = period[1].toString();
    const QDateTime month = DataHora(PriDiaMes(args.DateTime(2).date()));
    return QVariantList{FromDataPacket(DaysOfMonth(db, filial, servico, month)),
                        FromDataPacket(DishesOfMonth(db, filial, servico, month))};
}

} // namespace

void RegisterMenuSaveMethods(TRemoteDataModule& m) {
    m.Register(TMethodDef::Declarado(rpc::metodos::UpdateCache(), updateCache, true,
                                     {{A::IncluirPrato, A::AlterarPrato, A::ExcluirPrato,
                                       A::AlterarComEstDia, A::AlterarComEstPrat},
                                      QStringLiteral("alterar cardápios"),
                                      -1,
                                      1,
                                      true}));
    m.Register(TMethodDef::Declarado(rpc::metodos::GetDiaCardEspecif(), getDiaCardEspecif));
    for (const auto& [spec, handler, writes] :
         {std::tuple{&rpc::metodos::GetCardSemPrat(), TMethodHandler(getCardSemPrat), false},
          std::tuple{&rpc::metodos::SetCardSemPrat(), TMethodHandler(setCardSemPrat), true}}) {
        m.Register(TMethodDef::Declarado(
            *spec, handler, writes,
            {{A::AlterarComEstDia}, QStringLiteral("alterar os comensais do dia"), 0}));
    }
    for (const auto& [spec, special] : {std::pair{&rpc::metodos::getDelCard(), false},
                                        std::pair{&rpc::metodos::getImpCardDia(), true}}) {
        const bool withSpecial = special;
        m.Register(TMethodDef::Declarado(
            *spec, [withSpecial](TCallContext& ctx, TMethodArgs& args) -> QVariant {
                return monthAgain(ctx, args, withSpecial);
            }));
    }
    m.Register(TMethodDef::Declarado(rpc::metodos::getPratosExcluidos(), getPratosExcluidos));
    m.Register(TMethodDef::Declarado(rpc::metodos::GetAtualizaCustos(), getAtualizaCustos));
}

} // namespace pla::server
