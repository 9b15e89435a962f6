#include "mem_table.h"

#include "errors.h"
#include "mem_table_internal.h"

#include <QSet>
#include <algorithm>

// A table as a data packet and back: loading, the whole data, the change set, and
// another table's change set applied as changes of this one.

namespace pla {

using namespace detail;

// --- packets --------------------------------------------------------------------

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
    dropRowsAndLoadedFields();
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

} // namespace pla
