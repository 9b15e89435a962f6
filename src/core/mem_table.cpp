#include "mem_table.h"

#include "errors.h"

#include <QSet>
#include <algorithm>

namespace pla {

namespace {

constexpr qint64 OrdGap = qint64(1) << 20;

QStringList splitFieldList(const QString& fields) {
    QStringList out;
    for (const QString& part : fields.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const QString name = part.trimmed();
        if (!name.isEmpty()) {
            out.append(name);
        }
    }
    return out;
}

bool sameValues(const QList<QVariant>& a, const QList<QVariant>& b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (qsizetype i = 0; i < a.size(); ++i) {
        if (CompareValues(a[i], b[i]) != 0) {
            return false;
        }
    }
    return true;
}

QVariant canonical(const TFieldDef& f, const QVariant& v) {
    return IsCanonicalValue(f, v) ? v : ToFieldValue(f, v);
}

bool compatibleTypes(TFieldType declared, TFieldType loaded) {
    if (declared == loaded) {
        return true;
    }
    if (IsTextType(declared) && IsTextType(loaded)) {
        return true;
    }
    return declared == TFieldType::Float && loaded == TFieldType::Integer;
}

} // namespace

struct TMemTable::TIndex {
    QString Name;
    QString FieldsText;
    QString DescText;
    QString CaseInsText;
    bool Hidden = false; // made by SetIndexFieldNames
    bool Resolved = false;
    bool Built = false;
    QList<int> Cols; // data store positions
    QList<bool> Desc;
    QList<bool> CaseIns;
    std::vector<TMemRecord*> Rows;
};

TMemTable::TMemTable(const QString& name, QObject* parent)
    : QObject(parent) {
    setObjectName(name);
    auto natural = std::make_unique<TIndex>();
    natural->Resolved = true;
    natural->Built = true;
    active_ = natural.get();
    indexes_.push_back(std::move(natural));
}

TMemTable::~TMemTable() = default;

// --- checks -----------------------------------------------------------------

void TMemTable::fail(const QString& message) const {
    throw EDataSetError(message);
}

void TMemTable::checkActive(const char* operation) const {
    if (state_ == TDataSetState::Inactive) {
        fail(QStringLiteral("%1: a tabela %2 está fechada")
                 .arg(QString::fromUtf8(operation), Name()));
    }
}

void TMemTable::checkBrowse(const char* operation) const {
    checkActive(operation);
    if (IsEditing()) {
        fail(QStringLiteral("%1: a tabela %2 está em edição")
                 .arg(QString::fromUtf8(operation), Name()));
    }
}

// --- fields -------------------------------------------------------------------

TMemField& TMemTable::addField(const TFieldDef& def, TFieldKind kind, bool persistent) {
    if (def.Name.trimmed().isEmpty()) {
        fail(QStringLiteral("Campo sem nome na tabela %1").arg(Name()));
    }
    if (fieldIndex_.contains(def.Name.toUpper())) {
        fail(QStringLiteral("O campo %1 já existe na tabela %2").arg(def.Name, Name()));
    }
    if ((def.Type == TFieldType::FixedString && def.Size <= 0) || def.Size < 0) {
        fail(QStringLiteral("Tamanho %1 inválido para o campo %2").arg(def.Size).arg(def.Name));
    }
    fields_.push_back(std::make_unique<TMemField>(*this, def, kind, persistent));
    reindexFields();
    return *fields_.back();
}

TMemField& TMemTable::AddField(const QString& name, TFieldType type, int size, bool required) {
    if (Active()) {
        fail(QStringLiteral("Não é possível criar o campo %1 com a tabela %2 aberta")
                 .arg(name, Name()));
    }
    return addField({name, type, size, required}, TFieldKind::Data, true);
}

TMemField& TMemTable::AddCalcField(const QString& name, TFieldType type, int size) {
    if (Active()) {
        fail(QStringLiteral("Não é possível criar o campo %1 com a tabela %2 aberta")
                 .arg(name, Name()));
    }
    return addField({name, type, size, false}, TFieldKind::Calculated, true);
}

void TMemTable::ClearFields() {
    if (Active()) {
        fail(QStringLiteral("Não é possível remover os campos com a tabela %1 aberta").arg(Name()));
    }
    fields_.clear();
    reindexFields();
}

void TMemTable::reindexFields() {
    fieldIndex_.clear();
    dataCount_ = 0;
    calcCount_ = 0;
    for (std::size_t i = 0; i < fields_.size(); ++i) {
        TMemField& f = *fields_[i];
        f.index_ = static_cast<int>(i);
        f.storeIndex_ = f.IsCalculated() ? calcCount_++ : dataCount_++;
        fieldIndex_.insert(f.FieldName().toUpper(), static_cast<int>(i));
    }
    for (auto& idx : indexes_) {
        idx->Resolved = idx->Cols.isEmpty() && idx->FieldsText.isEmpty();
    }
}

TMemField& TMemTable::Fields(int index) const {
    if (index < 0 || index >= FieldCount()) {
        fail(QStringLiteral("Índice de campo %1 fora dos limites da tabela %2")
                 .arg(index)
                 .arg(Name()));
    }
    return *fields_[static_cast<std::size_t>(index)];
}

int TMemTable::FieldIndexOf(const QString& name) const {
    return fieldIndex_.value(name.toUpper(), -1);
}

TMemField* TMemTable::FindField(const QString& name) const {
    const int i = FieldIndexOf(name);
    return i < 0 ? nullptr : fields_[static_cast<std::size_t>(i)].get();
}

TMemField& TMemTable::FieldByName(const QString& name) const {
    TMemField* f = FindField(name);
    if (!f) {
        fail(QStringLiteral("Campo %1 não encontrado na tabela %2").arg(name, Name()));
    }
    return *f;
}

QList<TFieldDef> TMemTable::DataFieldDefs() const {
    QList<TFieldDef> defs;
    for (const auto& f : fields_) {
        if (!f->IsCalculated()) {
            defs.append(f->Def());
        }
    }
    return defs;
}

QList<int> TMemTable::resolveFields(const QString& fields) const {
    QList<int> cols;
    for (const QString& name : splitFieldList(fields)) {
        const TMemField& f = FieldByName(name);
        if (f.IsCalculated()) {
            fail(QStringLiteral("O campo calculado %1 não pode ser usado em índice ou busca")
                     .arg(f.FieldName()));
        }
        cols.append(f.storeIndex_);
    }
    return cols;
}

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

const std::vector<detail::TMemRecord*>& TMemTable::rows() const {
    return filtered_ ? view_ : active_->Rows;
}

bool TMemTable::passesFilter(const TMemRecord* rec) const {
    if (!filtered_ || (!filter_ && !onFilterRecord_)) {
        return true;
    }
    QList<QVariant> calc;
    if (calcCount_ > 0) {
        computeCalc(rec->Values, calc);
    }
    const TMemRow row(*this, rec->Values, calcCount_ > 0 ? &calc : nullptr);
    return (!filter_ || filter_(row)) && (!onFilterRecord_ || onFilterRecord_(row));
}

int TMemTable::positionOf(const TMemRecord* rec) const {
    if (!rec) {
        return -1;
    }
    const auto& r = rows();
    if (rec == cur_ && curPos_ >= 0 && curPos_ < static_cast<int>(r.size()) &&
        r[static_cast<std::size_t>(curPos_)] == rec) {
        return curPos_;
    }
    const auto it =
        std::lower_bound(r.begin(), r.end(), rec, [&](const TMemRecord* a, const TMemRecord* b) {
            return less(*active_, a, b);
        });
    if (it == r.end() || *it != rec) {
        return -1;
    }
    const int pos = static_cast<int>(it - r.begin());
    if (rec == cur_) {
        curPos_ = pos;
    }
    return pos;
}

void TMemTable::attach(TMemRecord* rec) {
    for (auto& idx : indexes_) {
        if (!idx->Built) {
            continue;
        }
        const auto it = std::upper_bound(
            idx->Rows.begin(), idx->Rows.end(), rec,
            [&](const TMemRecord* a, const TMemRecord* b) { return less(*idx, a, b); });
        idx->Rows.insert(it, rec);
    }
    if (filtered_ && passesFilter(rec)) {
        const auto it = std::upper_bound(
            view_.begin(), view_.end(), rec,
            [&](const TMemRecord* a, const TMemRecord* b) { return less(*active_, a, b); });
        view_.insert(it, rec);
    }
    curPos_ = -1;
}

void TMemTable::detach(TMemRecord* rec) {
    auto eraseFrom = [&](std::vector<TMemRecord*>& list, const TIndex& idx) {
        const auto it = std::lower_bound(
            list.begin(), list.end(), rec,
            [&](const TMemRecord* a, const TMemRecord* b) { return less(idx, a, b); });
        if (it != list.end() && *it == rec) {
            list.erase(it);
        }
    };
    for (auto& idx : indexes_) {
        if (idx->Built) {
            eraseFrom(idx->Rows, *idx);
        }
    }
    if (filtered_) {
        eraseFrom(view_, *active_);
    }
    curPos_ = -1;
}

void TMemTable::rebuildOrder() {
    for (auto& idx : indexes_) {
        if (idx->Built || idx.get() == active_ || idx == indexes_.front()) {
            idx->Built = false;
            buildIndex(*idx);
        }
    }
    view_.clear();
    if (filtered_) {
        for (TMemRecord* rec : active_->Rows) {
            if (passesFilter(rec)) {
                view_.push_back(rec);
            }
        }
    }
    curPos_ = -1;
}

void TMemTable::clearRecords() {
    for (auto& idx : indexes_) {
        idx->Rows.clear();
    }
    view_.clear();
    cur_ = nullptr;
    curPos_ = -1;
    curCalcValid_ = false;
    records_.clear();
    deleted_.clear();
    maxOrd_ = 0;
}

qint64 TMemTable::ordBefore(TMemRecord* next) {
    const auto& nat = naturalIndex().Rows;
    auto byOrd = [&](const TMemRecord* a, const TMemRecord* b) {
        return less(naturalIndex(), a, b);
    };
    auto it = std::lower_bound(nat.begin(), nat.end(), next, byOrd);
    const qint64 prev = it == nat.begin() ? next->Ord - 2 * OrdGap : (*(it - 1))->Ord;
    if (next->Ord - prev >= 2) {
        return prev + (next->Ord - prev) / 2;
    }
    // No room left between the two: spread every row, deleted ones included so that
    // cancelling brings them back to their places.
    std::vector<TMemRecord*> all(nat.begin(), nat.end());
    for (auto& d : deleted_) {
        all.push_back(d.get());
    }
    std::sort(all.begin(), all.end(), byOrd);
    qint64 ord = 0;
    for (TMemRecord* r : all) {
        ord += OrdGap;
        r->Ord = ord;
    }
    maxOrd_ = ord;
    return ordBefore(next);
}

// --- calculated fields -----------------------------------------------------------

void TMemTable::computeCalc(const QList<QVariant>& values, QList<QVariant>& calc) const {
    calc = QList<QVariant>(calcCount_);
    if (!OnCalcFields) {
        return;
    }
    auto* self = const_cast<TMemTable*>(this);
    const bool wasInCalc = inCalc_;
    self->inCalc_ = true;
    try {
        TCalcRow row(*this, values, calc);
        OnCalcFields(row);
    } catch (...) {
        self->inCalc_ = wasInCalc;
        throw;
    }
    self->inCalc_ = wasInCalc;
}

// --- lifecycle ------------------------------------------------------------------

void TMemTable::CreateDataSet() {
    if (dataCount_ == 0) {
        fail(QStringLiteral("A tabela %1 não tem campos definidos").arg(Name()));
    }
    if (IsEditing()) {
        Cancel();
    }
    TDataPacket empty;
    empty.Fields = DataFieldDefs();
    loadPacket(empty);
}

void TMemTable::Open() {
    if (!Active()) {
        CreateDataSet();
    }
}

void TMemTable::SetData(const TDataPacket& packet) {
    loadPacket(packet);
}

void TMemTable::loadPacket(const TDataPacket& packet) {
    // Everything is checked and built aside first, so that a bad packet leaves the
    // table as it was.
    QSet<QString> seen;
    for (const auto& f : packet.Fields) {
        if (f.Name.trimmed().isEmpty() || seen.contains(f.Name.toUpper())) {
            throw EDecodeError(QStringLiteral("Pacote inválido para %1: campo vazio ou repetido "
                                              "\"%2\"")
                                   .arg(Name(), f.Name));
        }
        if (f.Size < 0 || (f.Type == TFieldType::FixedString && f.Size == 0)) {
            throw EDecodeError(
                QStringLiteral("Pacote inválido para %1: tamanho do campo %2").arg(Name(), f.Name));
        }
        seen.insert(f.Name.toUpper());
    }

    // The new field list: the declared fields, then what else the packet brings.
    struct TNewField {
        TFieldDef Def;
        TFieldKind Kind;
        TMemField* Existing; // a declared field kept as it is
        int Source;          // position in the packet, -1 for calculated fields
    };
    std::vector<TNewField> layout;
    QSet<int> used;
    for (const auto& f : fields_) {
        if (!f->persistent_) {
            continue;
        }
        int src = -1;
        if (!f->IsCalculated()) {
            src = packet.FieldIndex(f->FieldName());
            if (src < 0) {
                throw EDecodeError(QStringLiteral("O campo %1 da tabela %2 não veio nos dados")
                                       .arg(f->FieldName(), Name()));
            }
            if (!compatibleTypes(f->DataType(), packet.Fields[src].Type)) {
                throw EDecodeError(
                    QStringLiteral("O campo %1 da tabela %2 veio como %3, esperado %4")
                        .arg(f->FieldName(), Name(), FieldTypeName(packet.Fields[src].Type),
                             FieldTypeName(f->DataType())));
            }
            used.insert(src);
        }
        layout.push_back({f->Def(), f->Kind(), f.get(), src});
    }
    for (int i = 0; i < packet.Fields.size(); ++i) {
        if (!used.contains(i)) {
            layout.push_back({packet.Fields[i], TFieldKind::Data, nullptr, i});
        }
    }
    std::vector<int> sources; // packet position of each data value, in store order
    std::vector<TFieldDef> targets;
    for (const auto& nf : layout) {
        if (nf.Kind == TFieldKind::Data) {
            sources.push_back(nf.Source);
            targets.push_back(nf.Def);
        }
    }

    bool identity = static_cast<qsizetype>(sources.size()) == packet.Fields.size();
    for (std::size_t i = 0; identity && i < sources.size(); ++i) {
        identity = sources[i] == static_cast<int>(i) && targets[i] == packet.Fields[sources[i]];
    }
    auto convertRow = [&](const QList<QVariant>& in, int row, const char* what) {
        if (in.size() != packet.Fields.size()) {
            throw EDecodeError(QStringLiteral("Pacote inválido para %1: linha %2 tem %3 %4 "
                                              "para %5 campos")
                                   .arg(Name())
                                   .arg(row + 1)
                                   .arg(in.size())
                                   .arg(QString::fromUtf8(what))
                                   .arg(packet.Fields.size()));
        }
        if (identity &&
            std::all_of(in.begin(), in.end(), [&, i = std::size_t(0)](const QVariant& v) mutable {
                return IsCanonicalValue(targets[i++], v);
            })) {
            return in; // shares the packet's row: nothing to convert
        }
        QList<QVariant> out;
        out.reserve(static_cast<qsizetype>(sources.size()));
        for (std::size_t i = 0; i < sources.size(); ++i) {
            try {
                out.append(canonical(targets[i], in[sources[i]]));
            } catch (const EPlaError& e) {
                throw EDecodeError(QStringLiteral("Pacote inválido para %1: linha %2: %3")
                                       .arg(Name())
                                       .arg(row + 1)
                                       .arg(e.message()));
            }
        }
        return out;
    };

    std::vector<std::unique_ptr<TMemRecord>> fresh;
    std::vector<std::unique_ptr<TMemRecord>> freshDeleted;
    fresh.reserve(static_cast<std::size_t>(packet.Rows.size()));
    quint64 id = nextId_;
    qint64 ord = 0;
    for (int r = 0; r < packet.Rows.size(); ++r) {
        const TPacketRow& pr = packet.Rows[r];
        auto rec = std::make_unique<TMemRecord>();
        rec->Id = id++;
        ord += OrdGap;
        rec->Ord = ord;
        rec->Values = convertRow(pr.Values, r, "valores");
        if (pr.Kind == TRowKind::Modified) {
            rec->Originals = convertRow(pr.Originals, r, "valores originais");
        } else if (!pr.Originals.isEmpty()) {
            throw EDecodeError(QStringLiteral("Pacote inválido para %1: linha %2 não alterada "
                                              "traz valores originais")
                                   .arg(Name())
                                   .arg(r + 1));
        }
        rec->Status = pr.Kind;
        if (pr.Kind == TRowKind::Deleted) {
            freshDeleted.push_back(std::move(rec));
        } else {
            fresh.push_back(std::move(rec));
        }
    }

    // Check that every index still resolves on the new fields before committing.
    {
        QHash<QString, const TNewField*> byName;
        for (const auto& nf : layout) {
            byName.insert(nf.Def.Name.toUpper(), &nf);
        }
        for (const auto& idx : indexes_) {
            for (const QString& n : splitFieldList(idx->FieldsText)) {
                const TNewField* nf = byName.value(n.toUpper());
                if ((!nf || nf->Kind == TFieldKind::Calculated) && idx.get() == active_) {
                    throw EDecodeError(QStringLiteral("O índice %1 da tabela %2 usa o campo %3, "
                                                      "que não veio nos dados")
                                           .arg(idx->Name, Name(), n));
                }
            }
        }
    }

    // Commit.
    state_ = TDataSetState::Browse;
    buffer_.clear();
    bufferOld_.clear();
    bufferModified_ = false;
    insertBeforeId_ = 0;
    clearRecords();
    std::vector<std::unique_ptr<TMemField>> keep;
    for (auto& f : fields_) {
        if (f->persistent_) {
            keep.push_back(std::move(f));
        }
    }
    fields_ = std::move(keep);
    for (const auto& nf : layout) {
        if (!nf.Existing) {
            fields_.push_back(std::make_unique<TMemField>(*this, nf.Def, nf.Kind, false));
        }
    }
    reindexFields();
    // Declared fields keep their declared shape; values were converted to it.
    nextId_ = id;
    maxOrd_ = ord;
    for (auto& rec : fresh) {
        const quint64 rid = rec->Id;
        records_.emplace(rid, std::move(rec));
    }
    deleted_ = std::move(freshDeleted);
    // The natural order and the active index are built now (their fields were
    // checked above); the others when used, so one whose fields are gone waits.
    for (auto& idx : indexes_) {
        idx->Built = false;
        idx->Resolved = idx->FieldsText.isEmpty();
    }
    rebuildOrder();
    notifyReset();
    notifyState();
    First();
    run(AfterOpen);
}

TPacketRow TMemTable::packetRow(const TMemRecord* rec) const {
    TPacketRow row;
    row.Kind = rec->Status;
    row.Values = rec->Values;
    if (rec->Status == TRowKind::Modified) {
        row.Originals = rec->Originals;
    }
    return row;
}

TDataPacket TMemTable::Data() const {
    checkActive("Data");
    TDataPacket p;
    p.Fields = DataFieldDefs();
    std::vector<const TMemRecord*> all(naturalIndex().Rows.begin(), naturalIndex().Rows.end());
    for (const auto& d : deleted_) {
        all.push_back(d.get());
    }
    std::sort(all.begin(), all.end(),
              [&](const TMemRecord* a, const TMemRecord* b) { return less(naturalIndex(), a, b); });
    p.Rows.reserve(static_cast<qsizetype>(all.size()));
    for (const TMemRecord* rec : all) {
        p.Rows.append(packetRow(rec));
    }
    return p;
}

TDataPacket TMemTable::Delta() const {
    checkActive("Delta");
    TDataPacket p;
    p.Fields = DataFieldDefs();
    std::vector<const TMemRecord*> gone;
    for (const auto& d : deleted_) {
        gone.push_back(d.get());
    }
    std::sort(gone.begin(), gone.end(),
              [&](const TMemRecord* a, const TMemRecord* b) { return less(naturalIndex(), a, b); });
    for (const TMemRecord* rec : gone) {
        p.Rows.append(packetRow(rec));
    }
    for (const TRowKind kind : {TRowKind::Modified, TRowKind::Inserted}) {
        for (const TMemRecord* rec : naturalIndex().Rows) {
            if (rec->Status == kind) {
                p.Rows.append(packetRow(rec));
            }
        }
    }
    return p;
}

void TMemTable::Close() {
    if (!Active()) {
        return;
    }
    run(BeforeClose);
    state_ = TDataSetState::Inactive;
    buffer_.clear();
    bufferOld_.clear();
    bufferModified_ = false;
    clearRecords();
    std::vector<std::unique_ptr<TMemField>> keep;
    for (auto& f : fields_) {
        if (f->persistent_) {
            keep.push_back(std::move(f));
        }
    }
    fields_ = std::move(keep);
    reindexFields();
    bof_ = eof_ = true;
    notifyReset();
    notifyState();
}

void TMemTable::EmptyDataSet() {
    checkActive("EmptyDataSet");
    if (IsEditing()) {
        Cancel();
    }
    clearRecords();
    rebuildOrder();
    bof_ = eof_ = true;
    notifyReset();
    notifyCurrent();
}

// --- cursor ---------------------------------------------------------------------

void TMemTable::setCurrent(TMemRecord* rec, int pos) {
    const bool moved = rec != cur_;
    cur_ = rec;
    curPos_ = pos;
    if (moved) {
        curCalcValid_ = false;
        notifyCurrent();
    }
}

void TMemTable::scrolled() {
    run(AfterScroll);
}

void TMemTable::First() {
    checkActive("First");
    CheckBrowseMode();
    const auto& r = rows();
    if (r.empty()) {
        setCurrent(nullptr, -1);
        bof_ = eof_ = true;
        return;
    }
    setCurrent(r.front(), 0);
    bof_ = true;
    eof_ = false;
    scrolled();
}

void TMemTable::Last() {
    checkActive("Last");
    CheckBrowseMode();
    const auto& r = rows();
    if (r.empty()) {
        setCurrent(nullptr, -1);
        bof_ = eof_ = true;
        return;
    }
    setCurrent(r.back(), static_cast<int>(r.size()) - 1);
    bof_ = false;
    eof_ = true;
    scrolled();
}

void TMemTable::Next() {
    checkActive("Next");
    CheckBrowseMode();
    const auto& r = rows();
    const int pos = positionOf(cur_);
    if (pos < 0 || pos + 1 >= static_cast<int>(r.size())) {
        eof_ = true;
        return;
    }
    setCurrent(r[static_cast<std::size_t>(pos + 1)], pos + 1);
    bof_ = false;
    eof_ = false;
    scrolled();
}

void TMemTable::Prior() {
    checkActive("Prior");
    CheckBrowseMode();
    const auto& r = rows();
    const int pos = positionOf(cur_);
    if (pos <= 0) {
        bof_ = true;
        return;
    }
    setCurrent(r[static_cast<std::size_t>(pos - 1)], pos - 1);
    bof_ = false;
    eof_ = false;
    scrolled();
}

bool TMemTable::Eof() const {
    checkActive("Eof");
    return eof_ || rows().empty();
}

bool TMemTable::Bof() const {
    checkActive("Bof");
    return bof_ || rows().empty();
}

bool TMemTable::IsEmpty() const {
    checkActive("IsEmpty");
    return rows().empty() && state_ != TDataSetState::Insert;
}

int TMemTable::RecordCount() const {
    checkActive("RecordCount");
    return static_cast<int>(rows().size());
}

int TMemTable::RecNo() const {
    checkActive("RecNo");
    if (state_ == TDataSetState::Insert) {
        return insertPos_ + 1;
    }
    return positionOf(cur_) + 1;
}

void TMemTable::SetRecNo(int recNo) {
    checkActive("RecNo");
    CheckBrowseMode();
    const auto& r = rows();
    if (recNo < 1 || recNo > static_cast<int>(r.size())) {
        fail(QStringLiteral("Registro %1 fora dos limites da tabela %2").arg(recNo).arg(Name()));
    }
    setCurrent(r[static_cast<std::size_t>(recNo - 1)], recNo - 1);
    bof_ = eof_ = false;
    scrolled();
}

TBookmark TMemTable::Bookmark() const {
    checkActive("Bookmark");
    return cur_ ? TBookmark{cur_->Id} : TBookmark{};
}

bool TMemTable::BookmarkValid(TBookmark bookmark) const {
    if (!Active() || !bookmark.IsValid()) {
        return false;
    }
    const auto it = records_.find(bookmark.Id);
    return it != records_.end() && positionOf(it->second.get()) >= 0;
}

void TMemTable::GotoBookmark(TBookmark bookmark) {
    checkActive("GotoBookmark");
    CheckBrowseMode();
    const auto it = records_.find(bookmark.Id);
    const int pos = it == records_.end() ? -1 : positionOf(it->second.get());
    if (pos < 0) {
        fail(QStringLiteral("Registro não encontrado na tabela %1").arg(Name()));
    }
    setCurrent(it->second.get(), pos);
    bof_ = eof_ = false;
    scrolled();
}

void TMemTable::resyncAfterRemoval(int removedPos) {
    const auto& r = rows();
    if (r.empty()) {
        setCurrent(nullptr, -1);
        bof_ = eof_ = true;
        return;
    }
    if (removedPos < 0) {
        removedPos = 0;
    }
    if (removedPos >= static_cast<int>(r.size())) {
        setCurrent(r.back(), static_cast<int>(r.size()) - 1);
        eof_ = true;
        bof_ = false;
        return;
    }
    setCurrent(r[static_cast<std::size_t>(removedPos)], removedPos);
    bof_ = eof_ = false;
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

// --- filters ----------------------------------------------------------------------

void TMemTable::SetFilter(TRowPredicate predicate) {
    filter_ = std::move(predicate);
    if (filtered_ && Active()) {
        Refilter();
    }
}

void TMemTable::SetOnFilterRecord(TRowPredicate predicate) {
    onFilterRecord_ = std::move(predicate);
    if (filtered_ && Active()) {
        Refilter();
    }
}

void TMemTable::SetFiltered(bool filtered) {
    if (filtered == filtered_) {
        return;
    }
    if (Active()) {
        CheckBrowseMode();
    }
    filtered_ = filtered;
    if (Active()) {
        Refilter();
    }
}

void TMemTable::Refilter() {
    checkActive("Refilter");
    CheckBrowseMode();
    view_.clear();
    if (filtered_) {
        for (TMemRecord* rec : active_->Rows) {
            if (passesFilter(rec)) {
                view_.push_back(rec);
            }
        }
    }
    curPos_ = -1;
    notifyReset();
    First();
}

// --- editing ----------------------------------------------------------------------

QVariant TMemTable::CurrentValue(const TMemField& field) const {
    checkActive("Value");
    const int store = field.storeIndex_;
    if (!field.IsCalculated()) {
        if (IsEditing()) {
            return buffer_[store];
        }
        return cur_ ? cur_->Values[store] : QVariant();
    }
    if (IsEditing()) {
        if (!bufferCalcValid_) {
            computeCalc(buffer_, bufferCalc_);
            bufferCalcValid_ = true;
        }
        return bufferCalc_[store];
    }
    if (!cur_) {
        return {};
    }
    if (!curCalcValid_) {
        computeCalc(cur_->Values, curCalc_);
        curCalcValid_ = true;
    }
    return curCalc_[store];
}

QVariant TMemTable::CurrentOldValue(const TMemField& field) const {
    checkActive("OldValue");
    if (field.IsCalculated()) {
        return CurrentValue(field);
    }
    if (state_ == TDataSetState::Edit || state_ == TDataSetState::Insert) {
        return bufferOld_[field.storeIndex_];
    }
    return cur_ ? cur_->Values[field.storeIndex_] : QVariant();
}

void TMemTable::SetCurrentValue(TMemField& field, const QVariant& value) {
    checkActive("SetValue");
    if (field.IsCalculated()) {
        fail(QStringLiteral("O campo calculado %1 de %2 só é preenchido pelo cálculo")
                 .arg(field.FieldName(), Name()));
    }
    if (!IsEditing()) {
        fail(QStringLiteral("A tabela %1 não está em modo de edição ou inclusão").arg(Name()));
    }
    buffer_[field.storeIndex_] = ToFieldValue(field.Def(), value);
    bufferModified_ = true;
    bufferCalcValid_ = false;
    if (field.OnChange) {
        field.OnChange(field);
    }
    notifyField(field.Index());
}

void TMemTable::Edit() {
    checkActive("Edit");
    if (IsEditing()) {
        return;
    }
    if (!cur_) {
        Insert();
        return;
    }
    run(BeforeEdit);
    buffer_ = cur_->Values;
    bufferOld_ = buffer_;
    bufferModified_ = false;
    bufferCalcValid_ = false;
    state_ = TDataSetState::Edit;
    notifyState();
    run(AfterEdit);
}

void TMemTable::Insert() {
    checkActive("Insert");
    CheckBrowseMode();
    run(BeforeInsert);
    beginInsert(cur_ ? cur_->Id : 0, cur_ ? std::max(positionOf(cur_), 0) : 0);
}

void TMemTable::Append() {
    checkActive("Append");
    CheckBrowseMode();
    run(BeforeInsert);
    beginInsert(0, static_cast<int>(rows().size()));
}

void TMemTable::beginInsert(quint64 beforeId, int viewPos) {
    insertBeforeId_ = beforeId;
    insertPos_ = viewPos;
    buffer_ = QList<QVariant>(dataCount_);
    bufferOld_ = buffer_;
    bufferCalcValid_ = false;
    state_ = TDataSetState::Insert;
    notifyReset();
    notifyState();
    run(OnNewRecord);
    bufferModified_ = false;
    run(AfterInsert);
}

void TMemTable::Post() {
    checkActive("Post");
    if (!IsEditing()) {
        fail(QStringLiteral("A tabela %1 não está em modo de edição ou inclusão").arg(Name()));
    }
    run(BeforePost);
    for (const auto& f : fields_) {
        if (!f->IsCalculated() && f->Required() && IsNullValue(buffer_[f->storeIndex_])) {
            fail(QStringLiteral("O campo '%1' deve ser informado.").arg(f->DisplayLabel()));
        }
    }
    if (state_ == TDataSetState::Insert) {
        auto owned = std::make_unique<TMemRecord>();
        TMemRecord* rec = owned.get();
        rec->Id = nextId_++;
        rec->Status = TRowKind::Inserted;
        rec->Values = buffer_;
        const auto before = insertBeforeId_ ? records_.find(insertBeforeId_) : records_.end();
        if (before != records_.end()) {
            rec->Ord = ordBefore(before->second.get());
        } else {
            maxOrd_ += OrdGap;
            rec->Ord = maxOrd_;
        }
        records_.emplace(rec->Id, std::move(owned));
        attach(rec);
        state_ = TDataSetState::Browse;
        buffer_.clear();
        bufferOld_.clear();
        bufferModified_ = false;
        const int pos = positionOf(rec);
        if (pos >= 0) {
            setCurrent(rec, pos);
            bof_ = eof_ = false;
        } else {
            resyncAfterRemoval(insertPos_);
        }
        curCalcValid_ = false;
        notifyReset();
        notifyState();
    } else {
        TMemRecord* rec = cur_;
        const int oldPos = positionOf(rec);
        bool moved = false;
        if (!sameValues(buffer_, rec->Values)) {
            detach(rec);
            if (rec->Status == TRowKind::Unchanged) {
                rec->Originals = rec->Values;
                rec->Status = TRowKind::Modified;
            }
            rec->Values = buffer_;
            if (rec->Status == TRowKind::Modified && sameValues(rec->Values, rec->Originals)) {
                // Edited back to what was saved: nothing left to send.
                rec->Status = TRowKind::Unchanged;
                rec->Originals.clear();
            }
            attach(rec);
            moved = true;
        }
        state_ = TDataSetState::Browse;
        buffer_.clear();
        bufferOld_.clear();
        bufferModified_ = false;
        curCalcValid_ = false;
        if (moved) {
            const int pos = positionOf(rec);
            if (pos < 0) {
                resyncAfterRemoval(oldPos);
                notifyReset();
            } else if (pos != oldPos) {
                curPos_ = pos;
                notifyReset();
            } else {
                notifyRow(pos);
            }
        } else {
            notifyRow(oldPos);
        }
        notifyState();
    }
    run(AfterPost);
}

void TMemTable::Cancel() {
    checkActive("Cancel");
    if (!IsEditing()) {
        return;
    }
    run(BeforeCancel);
    const bool wasInsert = state_ == TDataSetState::Insert;
    state_ = TDataSetState::Browse;
    buffer_.clear();
    bufferOld_.clear();
    bufferModified_ = false;
    bufferCalcValid_ = false;
    if (wasInsert) {
        notifyReset();
    } else {
        notifyRow(positionOf(cur_));
    }
    notifyState();
    run(AfterCancel);
}

void TMemTable::CheckBrowseMode() {
    if (!IsEditing()) {
        return;
    }
    if (bufferModified_) {
        Post();
    } else {
        Cancel();
    }
}

void TMemTable::Delete() {
    checkActive("Delete");
    if (state_ == TDataSetState::Insert) {
        Cancel();
        return;
    }
    if (!cur_) {
        fail(QStringLiteral("Não há registro para excluir na tabela %1").arg(Name()));
    }
    run(BeforeDelete);
    if (state_ == TDataSetState::Edit) {
        state_ = TDataSetState::Browse;
        buffer_.clear();
        bufferOld_.clear();
        bufferModified_ = false;
    }
    TMemRecord* rec = cur_;
    const int pos = positionOf(rec);
    detach(rec);
    auto node = records_.extract(rec->Id);
    cur_ = nullptr;
    if (rec->Status != TRowKind::Inserted) {
        // A row inserted since the merge leaves no trace; a saved one is logged with
        // the values it was saved with.
        if (rec->Status == TRowKind::Modified) {
            rec->Values = rec->Originals;
            rec->Originals.clear();
        }
        rec->Status = TRowKind::Deleted;
        deleted_.push_back(std::move(node.mapped()));
    }
    resyncAfterRemoval(pos);
    notifyReset();
    notifyState();
    run(AfterDelete);
    scrolled();
}

// --- change log -------------------------------------------------------------------

int TMemTable::ChangeCount() const {
    if (!Active()) {
        return 0;
    }
    int n = static_cast<int>(deleted_.size());
    for (const auto& [id, rec] : records_) {
        n += rec->Status != TRowKind::Unchanged ? 1 : 0;
    }
    return n;
}

void TMemTable::MergeChangeLog() {
    checkBrowse("MergeChangeLog");
    for (auto& [id, rec] : records_) {
        rec->Status = TRowKind::Unchanged;
        rec->Originals.clear();
    }
    deleted_.clear();
    notifyState();
}

void TMemTable::CancelUpdates() {
    checkActive("CancelUpdates");
    if (IsEditing()) {
        Cancel();
    }
    for (auto it = records_.begin(); it != records_.end();) {
        TMemRecord& rec = *it->second;
        if (rec.Status == TRowKind::Inserted) {
            it = records_.erase(it);
            continue;
        }
        if (rec.Status == TRowKind::Modified) {
            rec.Values = rec.Originals;
            rec.Originals.clear();
        }
        rec.Status = TRowKind::Unchanged;
        ++it;
    }
    for (auto& d : deleted_) {
        d->Status = TRowKind::Unchanged;
        const quint64 id = d->Id;
        records_.emplace(id, std::move(d));
    }
    deleted_.clear();
    cur_ = nullptr;
    for (auto& idx : indexes_) {
        idx->Built = false;
    }
    rebuildOrder();
    notifyReset();
    notifyState();
    First();
}

TRowKind TMemTable::UpdateStatus() const {
    checkActive("UpdateStatus");
    if (state_ == TDataSetState::Insert) {
        return TRowKind::Inserted;
    }
    return cur_ ? cur_->Status : TRowKind::Unchanged;
}

void TMemTable::SetKeyFields(const QString& fields) {
    keyFieldsText_ = fields;
}

void TMemTable::ApplyDelta(const TDataPacket& delta) {
    checkActive("ApplyDelta");
    CheckBrowseMode();
    delta.Validate();

    // Where each of the delta's fields lives here; every one must exist.
    QList<int> map;        // delta field -> store index here
    QList<TFieldDef> defs; // and its definition here
    for (const auto& f : delta.Fields) {
        const TMemField* mine = FindField(f.Name);
        if (!mine || mine->IsCalculated()) {
            throw EChangeConflict(
                QStringLiteral("O campo %1 das alterações não existe em %2").arg(f.Name, Name()));
        }
        map.append(mine->storeIndex_);
        defs.append(mine->Def());
    }
    QList<int> keyDeltaPos; // positions in the delta of the identifying fields
    if (!keyFieldsText_.isEmpty()) {
        for (const QString& n : splitFieldList(keyFieldsText_)) {
            const int at = delta.FieldIndex(n);
            if (at < 0) {
                throw EChangeConflict(
                    QStringLiteral("O campo chave %1 não veio nas alterações de %2")
                        .arg(n, Name()));
            }
            keyDeltaPos.append(at);
        }
    } else {
        for (int i = 0; i < delta.Fields.size(); ++i) {
            keyDeltaPos.append(i);
        }
    }
    QList<int> keyCols;
    for (int at : keyDeltaPos) {
        keyCols.append(map[at]);
    }
    auto keyOf = [&](const QList<QVariant>& values) {
        QList<QVariant> key;
        for (int at : keyDeltaPos) {
            key.append(ToFieldValue(defs[at], values[at]));
        }
        return key;
    };
    auto describe = [&](const QList<QVariant>& key) {
        QStringList parts;
        for (const auto& v : key) {
            parts.append(ValueAsString(v).trimmed());
        }
        return parts.join(QStringLiteral(", "));
    };

    const TDataPacket backup = Data();
    const bool filteredBefore = filtered_;
    DisableControls();
    try {
        // Look rows up among all of them, whatever the filter shows; the cursor is
        // placed again at the end, since its row may go.
        filtered_ = false;
        view_.clear();
        cur_ = nullptr;
        curPos_ = -1;
        for (int r = 0; r < delta.Rows.size(); ++r) {
            const TPacketRow& row = delta.Rows[r];
            if (row.Kind == TRowKind::Unchanged) {
                continue;
            }
            if (row.Kind == TRowKind::Inserted) {
                if (!keyFieldsText_.isEmpty() &&
                    findRecord(keyCols, keyOf(row.Values), {}) != nullptr) {
                    throw EChangeConflict(
                        QStringLiteral("Já existe em %1 um registro com a chave %2")
                            .arg(Name(), describe(keyOf(row.Values))));
                }
                auto owned = std::make_unique<TMemRecord>();
                TMemRecord* rec = owned.get();
                rec->Id = nextId_++;
                maxOrd_ += OrdGap;
                rec->Ord = maxOrd_;
                rec->Status = TRowKind::Inserted;
                rec->Values = QList<QVariant>(dataCount_);
                for (int i = 0; i < map.size(); ++i) {
                    rec->Values[map[i]] = ToFieldValue(defs[i], row.Values[i]);
                }
                records_.emplace(rec->Id, std::move(owned));
                attach(rec);
                continue;
            }
            const QList<QVariant>& orig =
                row.Kind == TRowKind::Deleted ? row.Values : row.Originals;
            TMemRecord* rec = findRecord(keyCols, keyOf(orig), {});
            if (!rec) {
                throw EChangeConflict(
                    QStringLiteral("O registro %1 de %2 não existe mais: foi excluído ou alterado "
                                   "por outro usuário")
                        .arg(describe(keyOf(orig)), Name()));
            }
            for (int i = 0; i < map.size(); ++i) {
                if (CompareValues(rec->Values[map[i]], ToFieldValue(defs[i], orig[i])) != 0) {
                    throw EChangeConflict(
                        QStringLiteral("O registro %1 de %2 foi alterado por outro usuário")
                            .arg(describe(keyOf(orig)), Name()));
                }
            }
            detach(rec);
            if (row.Kind == TRowKind::Deleted) {
                auto node = records_.extract(rec->Id);
                if (rec->Status != TRowKind::Inserted) {
                    if (rec->Status == TRowKind::Modified) {
                        rec->Values = rec->Originals;
                        rec->Originals.clear();
                    }
                    rec->Status = TRowKind::Deleted;
                    deleted_.push_back(std::move(node.mapped()));
                }
                continue;
            }
            if (rec->Status == TRowKind::Unchanged) {
                rec->Originals = rec->Values;
                rec->Status = TRowKind::Modified;
            }
            for (int i = 0; i < map.size(); ++i) {
                rec->Values[map[i]] = ToFieldValue(defs[i], row.Values[i]);
            }
            if (rec->Status == TRowKind::Modified && sameValues(rec->Values, rec->Originals)) {
                rec->Status = TRowKind::Unchanged;
                rec->Originals.clear();
            }
            attach(rec);
        }
    } catch (...) {
        filtered_ = filteredBefore;
        loadPacket(backup);
        EnableControls();
        throw;
    }
    filtered_ = filteredBefore;
    cur_ = nullptr;
    rebuildOrder();
    EnableControls();
    First();
}

// --- notifications ------------------------------------------------------------------

void TMemTable::run(const TDataSetEvent& event) {
    if (event) {
        event(*this);
    }
}

void TMemTable::notifyState() {
    if (controlsDisabled_ == 0) {
        emit stateChanged();
    }
}

void TMemTable::notifyReset() {
    if (controlsDisabled_ == 0) {
        emit rowsReset();
    }
}

void TMemTable::notifyCurrent() {
    if (controlsDisabled_ == 0) {
        emit currentChanged();
    }
}

void TMemTable::notifyRow(int pos) {
    if (controlsDisabled_ == 0 && pos >= 0) {
        emit rowChanged(pos);
    }
}

void TMemTable::notifyField(int field) {
    if (controlsDisabled_ == 0) {
        emit fieldChanged(field);
        const int row = ViewCurrentRow();
        if (row >= 0) {
            emit rowChanged(row);
        }
    }
}

void TMemTable::DisableControls() {
    ++controlsDisabled_;
}

void TMemTable::EnableControls() {
    if (controlsDisabled_ == 0) {
        return;
    }
    if (--controlsDisabled_ == 0) {
        emit rowsReset();
        emit stateChanged();
        emit currentChanged();
    }
}

void TMemTable::Resync() {
    curCalcValid_ = false;
    bufferCalcValid_ = false;
    notifyReset();
}

// --- view access --------------------------------------------------------------------

int TMemTable::ViewRowCount() const {
    if (!Active()) {
        return 0;
    }
    return static_cast<int>(rows().size()) + (state_ == TDataSetState::Insert ? 1 : 0);
}

int TMemTable::ViewCurrentRow() const {
    if (!Active()) {
        return -1;
    }
    if (state_ == TDataSetState::Insert) {
        return insertPos_;
    }
    return positionOf(cur_);
}

QVariant TMemTable::ViewValue(int row, int field) const {
    const TMemField& f = Fields(field);
    const int store = f.storeIndex_;
    int r = row;
    if (state_ == TDataSetState::Insert) {
        if (row == insertPos_) {
            return CurrentValue(f);
        }
        if (row > insertPos_) {
            --r;
        }
    }
    const auto& rs = rows();
    if (r < 0 || r >= static_cast<int>(rs.size())) {
        return {};
    }
    const TMemRecord* rec = rs[static_cast<std::size_t>(r)];
    if (rec == cur_) {
        return CurrentValue(f);
    }
    if (!f.IsCalculated()) {
        return rec->Values[store];
    }
    QList<QVariant> calc;
    computeCalc(rec->Values, calc);
    return calc[store];
}

void TMemTable::MoveToViewRow(int row) {
    checkActive("MoveToViewRow");
    if (row == ViewCurrentRow()) {
        return;
    }
    int r = row;
    if (state_ == TDataSetState::Insert && row > insertPos_) {
        --r;
    }
    const auto& before = rows();
    if (r < 0 || r >= static_cast<int>(before.size())) {
        fail(QStringLiteral("Linha %1 fora dos limites da tabela %2").arg(row).arg(Name()));
    }
    TMemRecord* target = before[static_cast<std::size_t>(r)];
    CheckBrowseMode();
    const int pos = positionOf(target);
    if (pos < 0) {
        return; // the pending edit moved or hid it; stay where the post left us
    }
    setCurrent(target, pos);
    bof_ = eof_ = false;
    scrolled();
}

} // namespace pla
