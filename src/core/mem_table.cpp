#include "mem_table.h"

#include "errors.h"
#include "mem_table_internal.h"

#include <QSet>
#include <algorithm>

namespace pla {

using namespace detail;

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

// Every row, the edit buffer and the fields a load added go; declared fields stay.
void TMemTable::dropRowsAndLoadedFields() {
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
}

void TMemTable::Close() {
    if (!Active()) {
        return;
    }
    run(BeforeClose);
    state_ = TDataSetState::Inactive;
    dropRowsAndLoadedFields();
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
