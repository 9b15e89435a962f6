#pragma once

#include "data_packet.h"
#include "mem_field.h"
#include "mem_record.h"
#include "mem_row.h"

#include <QHash>
#include <QObject>
#include <QStringList>
#include <functional>
#include <memory>
#include <unordered_map>
#include <vector>

namespace pla {

enum class TDataSetState { Inactive, Browse, Edit, Insert };

// Names a row so that the cursor can return to it after other rows were inserted,
// deleted or reordered. 0 is no row.
struct TBookmark {
    quint64 Id = 0;
    bool IsValid() const { return Id != 0; }
    friend bool operator==(TBookmark, TBookmark) = default;
};

struct TLocateOptions {
    bool CaseInsensitive = false;
    bool PartialKey = false; // text fields match when they start with the value
};

using TRowPredicate = std::function<bool(const TMemRow&)>;

// An in-memory table with a change log, owned by a screen. Rows are always walked
// in the order of the active index (the natural order when none), restricted by
// the filters while Filtered is on. Every edit is logged against the saved state
// until MergeChangeLog (the changes became the saved state) or CancelUpdates (back
// to it); Delta() is the change set the server applies. The packet codec and the
// indexes live in files of their own (mem_table_packet.cpp, mem_table_index.cpp).
class TMemTable : public QObject {
    Q_OBJECT

public:
    explicit TMemTable(const QString& name = QString(), QObject* parent = nullptr);
    ~TMemTable() override;
    TMemTable(const TMemTable&) = delete;
    TMemTable& operator=(const TMemTable&) = delete;

    QString Name() const { return objectName(); }

    // --- fields -----------------------------------------------------------
    // Declared fields stay across loads; a loaded packet must bring every declared
    // data field, and any further field it brings is added until the next load.
    TMemField& AddField(const QString& name, TFieldType type, int size = 0, bool required = false);
    TMemField& AddCalcField(const QString& name, TFieldType type, int size = 0);
    void ClearFields();
    int FieldCount() const { return static_cast<int>(fields_.size()); }
    TMemField& Fields(int index) const;
    TMemField& FieldByName(const QString& name) const; // EDataSetError when absent
    TMemField* FindField(const QString& name) const;
    QList<TFieldDef> DataFieldDefs() const;

    // --- lifecycle --------------------------------------------------------
    void CreateDataSet();                    // empty, from the declared fields
    void Open();                             // CreateDataSet unless already open
    void SetData(const TDataPacket& packet); // all or nothing
    TDataPacket Data() const;                // every row with its change state
    TDataPacket Delta() const; // only the changes: deletions, modifications, insertions
    void AssignData(const TMemTable& other) { SetData(other.Data()); }
    void Close();
    void EmptyDataSet(); // drops every row and the change log
    bool Active() const { return state_ != TDataSetState::Inactive; }
    TDataSetState State() const { return state_; }
    bool IsEditing() const {
        return state_ == TDataSetState::Edit || state_ == TDataSetState::Insert;
    }

    // --- cursor -----------------------------------------------------------
    void First();
    void Last();
    void Next();
    void Prior();
    bool Eof() const;
    bool Bof() const;
    bool IsEmpty() const;
    int RecordCount() const;
    int RecNo() const; // 1-based position of the current row; 0 when none
    void SetRecNo(int recNo);
    TBookmark Bookmark() const;
    bool BookmarkValid(TBookmark bookmark) const;
    void GotoBookmark(TBookmark bookmark); // EDataSetError when the row is gone or hidden

    // "CDFILIAL;DTCARDAPIO" with one value per field; exact match unless options say
    // otherwise. Moves to the first matching row in walking order.
    bool Locate(const QString& fields, const QVariantList& values,
                const TLocateOptions& options = {});
    bool Locate(const QString& field, const QVariant& value, const TLocateOptions& options = {}) {
        return Locate(field, QVariantList{value}, options);
    }
    // The result field's value in the first matching row, without moving; null if none.
    QVariant Lookup(const QString& fields, const QVariantList& values, const QString& resultField);

    // --- indexes ----------------------------------------------------------
    // Fields "A;B"; those named in descFields sort descending, those in
    // caseInsFields ignore case. Duplicates keep the natural order.
    void AddIndex(const QString& name, const QString& fields, const QString& descFields = {},
                  const QString& caseInsFields = {});
    void DeleteIndex(const QString& name);
    bool HasIndex(const QString& name) const;
    void SetIndexName(const QString& name); // "" is the natural order
    QString IndexName() const;
    void SetIndexFieldNames(const QString& fields); // an ascending index made on the fly
    QString IndexFieldNames() const;

    // --- filters ----------------------------------------------------------
    // Both predicates must accept a row while Filtered is on. A predicate that
    // reads outside state (a selected date) is re-read by Refilter().
    void SetFilter(TRowPredicate predicate);
    void SetOnFilterRecord(TRowPredicate predicate);
    void SetFiltered(bool filtered);
    bool Filtered() const { return filtered_; }
    void Refilter();

    // --- editing ----------------------------------------------------------
    void Edit();
    void Insert(); // before the current row in natural order
    void Append(); // at the end of the natural order
    void Post();
    void Cancel();
    void Delete();
    // Posts a pending edit (or drops an untouched insert): what moving the cursor does.
    void CheckBrowseMode();
    bool Modified() const { return bufferModified_; }

    // --- change log -------------------------------------------------------
    int ChangeCount() const;
    void MergeChangeLog();
    void CancelUpdates();
    TRowKind UpdateStatus() const; // of the current row
    // Fields that identify a row when applying a change set; without them a row is
    // found by all its original values.
    void SetKeyFields(const QString& fields);
    // Applies another table's change set as changes of this one, all or nothing;
    // EChangeConflict when a row is missing or was changed meanwhile.
    void ApplyDelta(const TDataPacket& delta);

    // --- notifications ----------------------------------------------------
    using TDataSetEvent = std::function<void(TMemTable&)>;
    TDataSetEvent BeforePost, AfterPost, BeforeInsert, AfterInsert, BeforeEdit, AfterEdit,
        BeforeDelete, AfterDelete, BeforeCancel, AfterCancel, AfterOpen, BeforeClose, AfterScroll,
        OnNewRecord;
    std::function<void(TCalcRow&)> OnCalcFields;

    // While controls are disabled, no signal reaches views (events still run);
    // enabling them again refreshes the views once.
    void DisableControls();
    void EnableControls();
    bool ControlsDisabled() const { return controlsDisabled_ > 0; }

    // --- access for views (the table model) --------------------------------
    // Rows as views show them: the walked rows plus, while inserting, the new row.
    int ViewRowCount() const;
    int ViewCurrentRow() const; // -1 when none
    QVariant ViewValue(int row, int field) const;
    void MoveToViewRow(int row); // EDataSetError when out of range

    // Recomputes calculated fields and refreshes views, after outside state that
    // the calculation reads has changed.
    void Resync();

signals:
    void stateChanged();          // state or editing status changed
    void currentChanged();        // the cursor moved to another row
    void fieldChanged(int field); // a value of the current row changed
    void rowsReset();             // rows, their order or the fields changed
    void rowChanged(int viewRow); // a shown row changed in place

private:
    friend class TMemField;
    friend class TMemRow;
    friend class TCalcRow;
    using TMemRecord = detail::TMemRecord;
    struct TIndex;

    // what fields and rows read and write through
    QVariant CurrentValue(const TMemField& field) const;
    void SetCurrentValue(TMemField& field, const QVariant& value);
    QVariant CurrentOldValue(const TMemField& field) const;
    int FieldIndexOf(const QString& name) const; // -1 when absent
    static int StoreIndex(const TMemField& field) { return field.storeIndex_; }

    // checks
    void checkActive(const char* operation) const;
    void checkBrowse(const char* operation) const;
    [[noreturn]] void fail(const QString& message) const;

    // fields
    TMemField& addField(const TFieldDef& def, TFieldKind kind, bool persistent);
    void reindexFields();
    QList<int> resolveFields(const QString& fields) const;

    // records and order
    const std::vector<TMemRecord*>& rows() const;
    TIndex& activeIndex() const;
    TIndex& naturalIndex() const;
    void buildIndex(TIndex& index) const;
    bool less(const TIndex& index, const TMemRecord* a, const TMemRecord* b) const;
    int compareKey(const TIndex& index, const TMemRecord* rec, const QList<QVariant>& key,
                   int keyFields) const;
    bool passesFilter(const TMemRecord* rec) const;
    int positionOf(const TMemRecord* rec) const; // in rows(); -1 when not shown
    void attach(TMemRecord* rec);
    void detach(TMemRecord* rec);
    void rebuildOrder();
    void clearRecords();
    void dropRowsAndLoadedFields();
    qint64 ordBefore(TMemRecord* next);
    TMemRecord* findRecord(const QList<int>& cols, const QList<QVariant>& key,
                           const TLocateOptions& options);
    bool matches(const TMemRecord* rec, const QList<int>& cols, const QList<QVariant>& key,
                 const TLocateOptions& options) const;
    void computeCalc(const QList<QVariant>& values, QList<QVariant>& calc) const;

    // editing
    void beginInsert(quint64 beforeId, int viewPos);

    // cursor
    void setCurrent(TMemRecord* rec, int pos);
    void scrolled();
    void resyncAfterRemoval(int removedPos);

    // notifications
    void notifyState();
    void notifyReset();
    void notifyCurrent();
    void notifyRow(int pos);
    void notifyField(int field);
    void run(const TDataSetEvent& event);

    // change log
    void loadPacket(const TDataPacket& packet);
    TPacketRow packetRow(const TMemRecord* rec) const;

    TDataSetState state_ = TDataSetState::Inactive;
    std::vector<std::unique_ptr<TMemField>> fields_;
    QHash<QString, int> fieldIndex_; // upper-case name to position
    int dataCount_ = 0;
    int calcCount_ = 0;

    std::unordered_map<quint64, std::unique_ptr<TMemRecord>> records_;
    std::vector<std::unique_ptr<TMemRecord>> deleted_; // saved rows deleted since the merge
    quint64 nextId_ = 1;

    std::vector<std::unique_ptr<TIndex>> indexes_; // [0] is the natural order
    TIndex* active_ = nullptr;

    TRowPredicate filter_;
    TRowPredicate onFilterRecord_;
    bool filtered_ = false;
    std::vector<TMemRecord*> view_; // the filtered walk, while filtered_

    TMemRecord* cur_ = nullptr;
    mutable int curPos_ = -1;
    bool bof_ = true;
    bool eof_ = true;

    QList<QVariant> buffer_;
    QList<QVariant> bufferOld_;
    mutable QList<QVariant> bufferCalc_;
    mutable bool bufferCalcValid_ = false;
    bool bufferModified_ = false;
    quint64 insertBeforeId_ = 0;
    int insertPos_ = -1;
    mutable QList<QVariant> curCalc_;
    mutable bool curCalcValid_ = false;
    qint64 maxOrd_ = 0;

    QString keyFieldsText_;
    int controlsDisabled_ = 0;
    bool inCalc_ = false;
};

} // namespace pla
