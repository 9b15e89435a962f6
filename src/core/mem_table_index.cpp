#include "mem_table.h"

#include "errors.h"
#include "mem_table_internal.h"

#include <QSet>
#include <algorithm>

// The orders of a table: its indexes, how they are built, and the searches they serve.

namespace pla {

using detail::splitFieldList;

// --- ordering -----------------------------------------------------------------

bool TMemTable::less(const TIndex& index, const TMemRecord* a, const TMemRecord* b) const {
    for (qsizetype i = 0; i < index.Cols.size(); ++i) {
        const int col = index.Cols[i];
        int c = CompareValues(a->Values[col], b->Values[col], index.CaseIns[i]);
        if (index.Desc[i]) {
            c = -c;
        }
        if (c != 0) {
            return c < 0;
        }
    }
    if (a->Ord != b->Ord) {
        return a->Ord < b->Ord;
    }
    return a->Id < b->Id;
}

int TMemTable::compareKey(const TIndex& index, const TMemRecord* rec, const QList<QVariant>& key,
                          int keyFields) const {
    for (int i = 0; i < keyFields; ++i) {
        int c = CompareValues(rec->Values[index.Cols[i]], key[i], index.CaseIns[i]);
        if (index.Desc[i]) {
            c = -c;
        }
        if (c != 0) {
            return c;
        }
    }
    return 0;
}

TMemTable::TIndex& TMemTable::naturalIndex() const {
    return *indexes_.front();
}
TMemTable::TIndex& TMemTable::activeIndex() const {
    return *active_;
}

void TMemTable::buildIndex(TIndex& index) const {
    if (!index.Resolved) {
        index.Cols = resolveFields(index.FieldsText);
        const QSet<QString> desc = [&] {
            QSet<QString> s;
            for (const QString& n : splitFieldList(index.DescText)) {
                s.insert(n.toUpper());
            }
            return s;
        }();
        const QSet<QString> ci = [&] {
            QSet<QString> s;
            for (const QString& n : splitFieldList(index.CaseInsText)) {
                s.insert(n.toUpper());
            }
            return s;
        }();
        index.Desc.clear();
        index.CaseIns.clear();
        for (const QString& n : splitFieldList(index.FieldsText)) {
            index.Desc.append(desc.contains(n.toUpper()));
            index.CaseIns.append(ci.contains(n.toUpper()));
        }
        index.Resolved = true;
        index.Built = false;
    }
    if (index.Built) {
        return;
    }
    index.Rows.clear();
    index.Rows.reserve(records_.size());
    for (const auto& [id, rec] : records_) {
        index.Rows.push_back(rec.get());
    }
    std::sort(index.Rows.begin(), index.Rows.end(),
              [&](const TMemRecord* a, const TMemRecord* b) { return less(index, a, b); });
    index.Built = true;
}

// --- locate ---------------------------------------------------------------------

bool TMemTable::matches(const TMemRecord* rec, const QList<int>& cols, const QList<QVariant>& key,
                        const TLocateOptions& options) const {
    for (qsizetype i = 0; i < cols.size(); ++i) {
        const QVariant& v = rec->Values[cols[i]];
        if (options.PartialKey && key[i].typeId() == QMetaType::QString &&
            v.typeId() == QMetaType::QString) {
            if (!v.toString().startsWith(key[i].toString(), options.CaseInsensitive
                                                                ? Qt::CaseInsensitive
                                                                : Qt::CaseSensitive)) {
                return false;
            }
        } else if (CompareValues(v, key[i], options.CaseInsensitive) != 0) {
            return false;
        }
    }
    return true;
}

detail::TMemRecord* TMemTable::findRecord(const QList<int>& cols, const QList<QVariant>& key,
                                          const TLocateOptions& options) {
    const int k = static_cast<int>(cols.size());
    auto keyFor = [&](const TIndex& idx, QList<QVariant>& ordered) {
        // The index serves when its first k fields are the located ones, case-exact.
        if (idx.Cols.size() < k) {
            return false;
        }
        ordered.clear();
        for (int i = 0; i < k; ++i) {
            const auto at = cols.indexOf(idx.Cols[i]);
            if (at < 0 || idx.CaseIns[i]) {
                return false;
            }
            ordered.append(key[at]);
        }
        return true;
    };
    if (!options.CaseInsensitive && !options.PartialKey && k > 0) {
        QList<QVariant> ordered;
        if (active_->Resolved && keyFor(*active_, ordered)) {
            const auto& r = rows();
            const auto it = std::lower_bound(r.begin(), r.end(), ordered,
                                             [&](const TMemRecord* rec, const QList<QVariant>& kv) {
                                                 return compareKey(*active_, rec, kv, k) < 0;
                                             });
            return it != r.end() && compareKey(*active_, *it, ordered, k) == 0 ? *it : nullptr;
        }
        for (auto& idx : indexes_) {
            if (idx.get() == active_ || idx->FieldsText.isEmpty()) {
                continue;
            }
            try {
                buildIndex(*idx);
            } catch (const EDataSetError&) {
                continue; // an index over fields this load did not bring
            }
            if (!keyFor(*idx, ordered)) {
                continue;
            }
            auto cmp = [&](const TMemRecord* rec, const QList<QVariant>& kv) {
                return compareKey(*idx, rec, kv, k) < 0;
            };
            auto it = std::lower_bound(idx->Rows.begin(), idx->Rows.end(), ordered, cmp);
            TMemRecord* best = nullptr;
            int bestPos = -1;
            for (; it != idx->Rows.end() && compareKey(*idx, *it, ordered, k) == 0; ++it) {
                const int pos = positionOf(*it);
                if (pos >= 0 && (bestPos < 0 || pos < bestPos)) {
                    best = *it;
                    bestPos = pos;
                }
            }
            return best;
        }
    }
    for (TMemRecord* rec : rows()) {
        if (matches(rec, cols, key, options)) {
            return rec;
        }
    }
    return nullptr;
}

namespace {

QList<QVariant> locateKey(const TMemTable& table, const QString& fields, const QVariantList& values,
                          const TLocateOptions& options) {
    const QStringList names = splitFieldList(fields);
    if (names.size() != values.size()) {
        throw EDataSetError(QStringLiteral("Busca em %1: %2 campos e %3 valores")
                                .arg(table.Name())
                                .arg(names.size())
                                .arg(values.size()));
    }
    QList<QVariant> key;
    for (qsizetype i = 0; i < names.size(); ++i) {
        const TMemField& f = table.FieldByName(names[i]);
        if (options.PartialKey && IsTextType(f.DataType()) && !IsNullValue(values[i])) {
            key.append(values[i].toString());
        } else {
            TFieldDef def = f.Def();
            def.Size = 0; // a longer value simply matches nothing
            QVariant v = ToFieldValue(def, values[i]);
            if (f.DataType() == TFieldType::FixedString && v.typeId() == QMetaType::QString &&
                v.toString().size() < f.Size()) {
                v = v.toString().leftJustified(f.Size(), QLatin1Char(' '));
            }
            key.append(v);
        }
    }
    return key;
}

} // namespace

bool TMemTable::Locate(const QString& fields, const QVariantList& values,
                       const TLocateOptions& options) {
    checkActive("Locate");
    const QList<int> cols = resolveFields(fields);
    const QList<QVariant> key = locateKey(*this, fields, values, options);
    CheckBrowseMode();
    TMemRecord* rec = findRecord(cols, key, options);
    if (!rec) {
        return false;
    }
    setCurrent(rec, positionOf(rec));
    bof_ = eof_ = false;
    scrolled();
    return true;
}

QVariant TMemTable::Lookup(const QString& fields, const QVariantList& values,
                           const QString& resultField) {
    checkActive("Lookup");
    const QList<int> cols = resolveFields(fields);
    const QList<QVariant> key = locateKey(*this, fields, values, {});
    const TMemField& result = FieldByName(resultField);
    const TMemRecord* rec = findRecord(cols, key, {});
    if (!rec) {
        return {};
    }
    if (!result.IsCalculated()) {
        return rec->Values[result.storeIndex_];
    }
    QList<QVariant> calc;
    computeCalc(rec->Values, calc);
    return calc[result.storeIndex_];
}

// --- indexes ----------------------------------------------------------------------

void TMemTable::AddIndex(const QString& name, const QString& fields, const QString& descFields,
                         const QString& caseInsFields) {
    if (name.trimmed().isEmpty()) {
        fail(QStringLiteral("Índice sem nome na tabela %1").arg(Name()));
    }
    if (HasIndex(name)) {
        fail(QStringLiteral("O índice %1 já existe na tabela %2").arg(name, Name()));
    }
    if (splitFieldList(fields).isEmpty()) {
        fail(QStringLiteral("O índice %1 da tabela %2 não tem campos").arg(name, Name()));
    }
    auto idx = std::make_unique<TIndex>();
    idx->Name = name;
    idx->FieldsText = fields;
    idx->DescText = descFields;
    idx->CaseInsText = caseInsFields;
    if (Active()) {
        buildIndex(*idx); // reports unknown fields now
    }
    indexes_.push_back(std::move(idx));
}

bool TMemTable::HasIndex(const QString& name) const {
    return std::any_of(indexes_.begin(), indexes_.end(), [&](const auto& idx) {
        return !idx->Hidden && !idx->Name.isEmpty() &&
               idx->Name.compare(name, Qt::CaseInsensitive) == 0;
    });
}

void TMemTable::DeleteIndex(const QString& name) {
    for (auto it = indexes_.begin() + 1; it != indexes_.end(); ++it) {
        if (!(*it)->Hidden && (*it)->Name.compare(name, Qt::CaseInsensitive) == 0) {
            if (it->get() == active_) {
                SetIndexName(QString());
            }
            indexes_.erase(it);
            return;
        }
    }
    fail(QStringLiteral("Índice %1 não encontrado na tabela %2").arg(name, Name()));
}

void TMemTable::SetIndexName(const QString& name) {
    TIndex* target = nullptr;
    if (name.isEmpty()) {
        target = &naturalIndex();
    } else {
        for (auto& idx : indexes_) {
            if (!idx->Hidden && idx->Name.compare(name, Qt::CaseInsensitive) == 0) {
                target = idx.get();
            }
        }
    }
    if (!target) {
        fail(QStringLiteral("Índice %1 não encontrado na tabela %2").arg(name, Name()));
    }
    if (target == active_) {
        return;
    }
    if (!Active()) {
        active_ = target;
        return;
    }
    CheckBrowseMode();
    buildIndex(*target);
    active_ = target;
    rebuildOrder();
    const int pos = positionOf(cur_);
    curPos_ = pos;
    notifyReset();
}

QString TMemTable::IndexName() const {
    return active_->Hidden ? QString() : active_->Name;
}

void TMemTable::SetIndexFieldNames(const QString& fields) {
    if (splitFieldList(fields).isEmpty()) {
        SetIndexName(QString());
        return;
    }
    auto idx = std::make_unique<TIndex>();
    idx->Hidden = true;
    idx->Name = QStringLiteral("@") + fields;
    idx->FieldsText = fields;
    if (Active()) {
        buildIndex(*idx);
    }
    if (Active()) {
        CheckBrowseMode();
    }
    TIndex* old = active_->Hidden ? active_ : nullptr;
    TIndex* target = idx.get();
    indexes_.push_back(std::move(idx));
    active_ = target;
    if (old) {
        indexes_.erase(std::find_if(indexes_.begin(), indexes_.end(),
                                    [&](const auto& p) { return p.get() == old; }));
    }
    if (Active()) {
        rebuildOrder();
        curPos_ = positionOf(cur_);
        notifyReset();
    }
}

QString TMemTable::IndexFieldNames() const {
    return active_->Hidden ? active_->FieldsText : QString();
}

} // namespace pla
