#include "core/errors.h"
#include "core/format_settings.h"
#include "core/table_scopes.h"
#include "table_fixtures.h"

#include "qt_print.h"
#include <QSignalSpy>

#include <gtest/gtest.h>

using namespace pla;
using pla::test::addDay;
using pla::test::column;
using pla::test::savedDays;

namespace {

class MemTable : public ::testing::Test {
protected:
    TFormatSettingsScope locale{TFormatSettings::PtBr()};
};

TEST_F(MemTable, TypedAccessAndConversions) {
    auto t = savedDays();
    TMemField& dt = t->FieldByName("dtcardapio"); // names are case-insensitive
    EXPECT_EQ(dt.AsDateTime(), DataHora(QDate(2026, 12, 1)));
    EXPECT_EQ(dt.AsString(), "01/12/2026");
    EXPECT_EQ(dt.DisplayText(), "01");
    EXPECT_EQ(t->FieldByName("CDFILIAL").AsString(), "0001");
    EXPECT_EQ(t->FieldByName("NRCARDAPIO").AsString(), "1001      ") << "fixed text is padded";
    EXPECT_EQ(t->FieldByName("QTCOMESTICAR").AsInteger(), 100);
    EXPECT_EQ(t->FieldByName("QTCOMESTICAR").AsString(), "100");

    t->Edit();
    t->FieldByName("QTCOMESTICAR").SetAsString("1234,5");
    EXPECT_EQ(t->FieldByName("QTCOMESTICAR").AsFloat(), 1234.5);
    EXPECT_EQ(t->FieldByName("QTCOMESTICAR").DisplayText(), "1.235");
    EXPECT_THROW(t->FieldByName("QTCOMESTICAR").SetAsString("12a"), EConvertError);
    EXPECT_THROW(t->FieldByName("DSCARDAPIO").SetAsString(QString(31, 'x')), EDataSetError);
    EXPECT_THROW(t->FieldByName("DTCARDAPIO").SetAsString("31/02/2026"), EConvertError);
    t->FieldByName("DTCARDAPIO").SetValue(QDate(2026, 12, 9));
    EXPECT_EQ(t->FieldByName("DTCARDAPIO").AsDateTime(), DataHora(QDate(2026, 12, 9)));
    t->FieldByName("DSCARDAPIO").Clear();
    EXPECT_TRUE(t->FieldByName("DSCARDAPIO").IsNull());
    EXPECT_EQ(t->FieldByName("DSCARDAPIO").AsString(), "");
    EXPECT_EQ(t->FieldByName("DSCARDAPIO").AsFloat(), 0.0);
    t->Post();
    EXPECT_THROW(t->FieldByName("NAOEXISTE"), EDataSetError);
    EXPECT_EQ(t->FindField("NAOEXISTE"), nullptr);
}

TEST_F(MemTable, IllegalStepsRaiseClearErrors) {
    auto t = test::makeDayTable();
    EXPECT_THROW(t->First(), EDataSetError);
    EXPECT_THROW(t->Edit(), EDataSetError);
    EXPECT_THROW(t->FieldByName("CDFILIAL").AsString(), EDataSetError);
    t->CreateDataSet();
    EXPECT_THROW(t->AddField("X", TFieldType::String, 1), EDataSetError);
    try {
        t->Post();
        FAIL();
    } catch (const EDataSetError& e) {
        EXPECT_EQ(e.message(), "A tabela cdsCardaDia não está em modo de edição ou inclusão");
    }
    EXPECT_THROW(t->FieldByName("CDFILIAL").SetAsString("0001"), EDataSetError);
    EXPECT_THROW(t->Delete(), EDataSetError) << "nothing to delete";
    t->Append();
    t->FieldByName("CDFILIAL").SetAsString("0001");
    try {
        t->Post();
        FAIL() << "required fields must be checked";
    } catch (const EDataSetError& e) {
        EXPECT_EQ(e.message(), "O campo 'CDSERVFILI' deve ser informado.");
    }
    EXPECT_EQ(t->State(), TDataSetState::Insert) << "a refused post keeps the edit";
    EXPECT_THROW(t->MergeChangeLog(), EDataSetError);
    t->Cancel();
    EXPECT_EQ(t->RecordCount(), 0);
}

TEST_F(MemTable, EditKeepsOldAndNewValues) {
    auto t = savedDays();
    t->Next();
    t->Edit();
    TMemField& q = t->FieldByName("QTCOMESTICAR");
    q.SetAsFloat(250);
    EXPECT_EQ(q.OldValue().toDouble(), 200.0);
    EXPECT_EQ(q.NewValue().toDouble(), 250.0);
    t->Cancel();
    EXPECT_EQ(q.AsFloat(), 200.0);
    t->Edit();
    q.SetAsFloat(260);
    t->Post();
    t->Edit();
    EXPECT_EQ(q.OldValue().toDouble(), 260.0) << "old is the value when this edit began";
    t->Cancel();
}

TEST_F(MemTable, InsertGoesBeforeTheCurrentRowAppendAtTheEnd) {
    auto t = savedDays();
    t->SetRecNo(3);
    t->Insert();
    EXPECT_EQ(t->RecNo(), 3);
    t->FieldByName("CDFILIAL").SetAsString("0001");
    t->FieldByName("CDSERVFILI").SetAsString("00001");
    t->FieldByName("DTCARDAPIO").SetValue(QDate(2026, 12, 20));
    t->FieldByName("NRCARDAPIO").SetAsString("X");
    t->Post();
    EXPECT_EQ(t->RecNo(), 3);
    EXPECT_EQ(t->FieldByName("NRCARDAPIO").AsString().trimmed(), "X");
    addDay(*t, "0001", "00001", 21, "Y", 1);
    EXPECT_EQ(column(*t, "NRCARDAPIO"),
              (QStringList{"1001", "1002", "X", "1003", "1004", "1005", "Y"}));
    // Walking backwards and inserting each row keeps the source order.
    auto copy = test::makeDayTable("copy");
    copy->CreateDataSet();
    for (t->Last(); !t->Bof(); t->Prior()) {
        copy->Insert();
        for (int i = 0; i < t->FieldCount(); ++i) {
            copy->Fields(i).SetValue(t->Fields(i).Value());
        }
        copy->Post();
    }
    EXPECT_EQ(column(*copy, "NRCARDAPIO"), column(*t, "NRCARDAPIO"));
}

TEST_F(MemTable, ManyInsertsAtOnePlaceStayInOrder) {
    auto t = savedDays();
    t->SetRecNo(2);
    for (int i = 0; i < 60; ++i) { // exhausts the room between two rows several times
        t->Insert();
        t->FieldByName("CDFILIAL").SetAsString("0001");
        t->FieldByName("CDSERVFILI").SetAsString("00001");
        t->FieldByName("DTCARDAPIO").SetValue(QDate(2026, 12, 10));
        t->FieldByName("NRCARDAPIO").SetAsString(QString::number(i));
        t->Post();
    }
    const QStringList nr = column(*t, "NRCARDAPIO");
    ASSERT_EQ(nr.size(), 65);
    EXPECT_EQ(nr[0], "1001");
    EXPECT_EQ(nr[1], "59");
    EXPECT_EQ(nr[60], "0");
    EXPECT_EQ(nr[61], "1002");
}

TEST_F(MemTable, EofBofAndDeleteLoops) {
    auto t = savedDays();
    int n = 0;
    for (t->First(); !t->Eof(); t->Next()) {
        ++n;
    }
    EXPECT_EQ(n, 5);
    EXPECT_TRUE(t->Eof());
    EXPECT_EQ(t->RecNo(), 5) << "Next at the last row stays on it";
    t->First();
    EXPECT_TRUE(t->Bof());
    t->Prior();
    EXPECT_EQ(t->RecNo(), 1);
    // Delete the odd days while walking.
    for (t->First(); !t->Eof();) {
        if (t->FieldByName("DTCARDAPIO").AsDateTime().date().day() % 2 == 1) {
            t->Delete();
        } else {
            t->Next();
        }
    }
    EXPECT_EQ(column(*t, "NRCARDAPIO"), (QStringList{"1002", "1004"}));
    while (!t->IsEmpty()) {
        t->Delete();
    }
    EXPECT_TRUE(t->Eof());
    EXPECT_TRUE(t->Bof());
    EXPECT_EQ(t->RecNo(), 0);
}

TEST_F(MemTable, IndexesOrderWithStableDuplicatesAndDescendingFields) {
    auto t = savedDays();
    t->AddIndex("PorComensais", "QTCOMESTICAR;DTCARDAPIO", "DTCARDAPIO");
    t->AddIndex("PorComensaisDesc", "QTCOMESTICAR", "QTCOMESTICAR");
    t->SetIndexName("PorComensais");
    // 100 (days 3, 1), 200 (days 5, 2), 300 (day 4): days descending inside.
    EXPECT_EQ(column(*t, "NRCARDAPIO"), (QStringList{"1003", "1001", "1005", "1002", "1004"}));
    t->SetIndexName("PorComensaisDesc");
    // Ties keep the natural order.
    EXPECT_EQ(column(*t, "NRCARDAPIO"), (QStringList{"1004", "1002", "1005", "1001", "1003"}));
    t->SetIndexFieldNames("DSCARDAPIO");
    EXPECT_EQ(t->IndexFieldNames(), "DSCARDAPIO");
    EXPECT_EQ(column(*t, "NRCARDAPIO"), (QStringList{"1001", "1002", "1003", "1004", "1005"}));
    t->SetIndexName("");
    EXPECT_EQ(t->IndexFieldNames(), "");
    EXPECT_THROW(t->SetIndexName("Nenhum"), EDataSetError);
    EXPECT_THROW(t->AddIndex("PorComensais", "DSCARDAPIO"), EDataSetError);
    EXPECT_THROW(t->AddIndex("Ruim", "NAOEXISTE"), EDataSetError);
}

TEST_F(MemTable, IndexKeepsTheCurrentRowAndFollowsEdits) {
    auto t = savedDays();
    t->AddIndex("PorComensais", "QTCOMESTICAR");
    t->SetRecNo(4); // day 4, 300 diners
    t->SetIndexName("PorComensais");
    EXPECT_EQ(t->FieldByName("NRCARDAPIO").AsString().trimmed(), "1004");
    EXPECT_EQ(t->RecNo(), 5);
    t->Edit();
    t->FieldByName("QTCOMESTICAR").SetAsFloat(50);
    t->Post();
    EXPECT_EQ(t->RecNo(), 1) << "the edited row moved to its new place and stays current";
    EXPECT_EQ(t->FieldByName("NRCARDAPIO").AsString().trimmed(), "1004");
    addDay(*t, "0001", "00001", 6, "1006", 150);
    EXPECT_EQ(column(*t, "NRCARDAPIO"),
              (QStringList{"1004", "1001", "1003", "1006", "1002", "1005"}));
}

TEST_F(MemTable, LocateOnSeveralFieldsIncludingDates) {
    auto t = savedDays();
    addDay(*t, "0002", "00001", 3, "2003", 10);
    EXPECT_TRUE(t->Locate("CDFILIAL;CDSERVFILI;DTCARDAPIO",
                          {"0002", "00001", DataHora(QDate(2026, 12, 3))}));
    EXPECT_EQ(t->FieldByName("NRCARDAPIO").AsString().trimmed(), "2003");
    EXPECT_TRUE(t->Locate("CDFILIAL;DTCARDAPIO", {"1", QDate(2026, 12, 3)}) == false)
        << "exact match: '1' is not '0001'";
    EXPECT_TRUE(t->Locate("DTCARDAPIO;CDFILIAL", {QDate(2026, 12, 3), "0001"}));
    EXPECT_EQ(t->FieldByName("NRCARDAPIO").AsString().trimmed(), "1003");
    const int before = t->RecNo();
    EXPECT_FALSE(t->Locate("NRCARDAPIO", QStringLiteral("9999")));
    EXPECT_EQ(t->RecNo(), before) << "a failed locate leaves the cursor";
    EXPECT_TRUE(t->Locate("DSCARDAPIO", QStringLiteral("DIA 4"), {true, false}));
    EXPECT_EQ(t->RecNo(), 4);
    EXPECT_TRUE(t->Locate("DSCARDAPIO", QStringLiteral("dia"), {false, true}));
    EXPECT_EQ(t->RecNo(), 1);
    EXPECT_THROW(t->Locate("CDFILIAL;DTCARDAPIO", QVariantList{"0001"}), EDataSetError);
    EXPECT_EQ(t->Lookup("DTCARDAPIO", {QDate(2026, 12, 5)}, "QTCOMESTICAR").toDouble(), 200.0);
    EXPECT_FALSE(t->Lookup("DTCARDAPIO", {QDate(2026, 12, 25)}, "QTCOMESTICAR").isValid());
}

TEST_F(MemTable, LocateFindsTheFirstRowInWalkingOrderWhateverIndexServes) {
    auto t = savedDays();
    t->AddIndex("PorComensais", "QTCOMESTICAR");
    t->AddIndex("PorDescricaoDesc", "DSCARDAPIO", "DSCARDAPIO");
    for (const QString& idx :
         {QString(), QStringLiteral("PorComensais"), QStringLiteral("PorDescricaoDesc")}) {
        t->SetIndexName(idx);
        ASSERT_TRUE(t->Locate("QTCOMESTICAR", 200.0));
        const QString expected = idx == "PorDescricaoDesc" ? "1005" : "1002";
        EXPECT_EQ(t->FieldByName("NRCARDAPIO").AsString().trimmed(), expected) << idx.toStdString();
    }
}

TEST_F(MemTable, FiltersWorkTogetherWithIndexes) {
    auto t = savedDays();
    QDate selected(2026, 12, 2);
    bool dateFlag = true;
    t->AddIndex("PorComensais", "QTCOMESTICAR");
    t->SetIndexName("PorComensais");
    t->SetFilter([](const TMemRow& r) { return r.AsFloat("QTCOMESTICAR") >= 200; });
    t->SetFiltered(true);
    EXPECT_EQ(t->RecordCount(), 3);
    EXPECT_EQ(column(*t, "NRCARDAPIO"), (QStringList{"1002", "1005", "1004"}));
    // Both the expression and the handler must accept a row.
    t->SetOnFilterRecord([&](const TMemRow& r) {
        return !dateFlag || r.AsDateTime("DTCARDAPIO").date() == selected;
    });
    EXPECT_EQ(column(*t, "NRCARDAPIO"), (QStringList{"1002"}));
    selected = QDate(2026, 12, 4);
    t->Refilter();
    EXPECT_EQ(column(*t, "NRCARDAPIO"), (QStringList{"1004"}));
    // Editing the visible row out of the filter hides it.
    t->Edit();
    t->FieldByName("QTCOMESTICAR").SetAsFloat(10);
    t->Post();
    EXPECT_TRUE(t->IsEmpty());
    {
        TFilterSuspended all(*t);
        EXPECT_EQ(t->RecordCount(), 5);
        EXPECT_TRUE(t->Locate("NRCARDAPIO", QStringLiteral("1004")));
    }
    EXPECT_TRUE(t->Filtered());
    EXPECT_EQ(t->RecordCount(), 0);
    dateFlag = false;
    t->Refilter();
    EXPECT_EQ(column(*t, "NRCARDAPIO"), (QStringList{"1002", "1005"}));
    // Inserting a row that passes shows it in index order.
    addDay(*t, "0001", "00001", 9, "1009", 250);
    EXPECT_EQ(column(*t, "NRCARDAPIO"), (QStringList{"1002", "1005", "1009"}));
    t->SetFiltered(false);
    EXPECT_EQ(t->RecordCount(), 6);
}

TEST_F(MemTable, BookmarksSurviveInsertsAndDeletes) {
    auto t = savedDays();
    t->SetRecNo(4);
    const TBookmark day4 = t->Bookmark();
    t->SetRecNo(2);
    const TBookmark day2 = t->Bookmark();
    t->First();
    t->Delete();
    t->SetRecNo(1);
    t->Insert();
    t->FieldByName("CDFILIAL").SetAsString("0001");
    t->FieldByName("CDSERVFILI").SetAsString("00001");
    t->FieldByName("DTCARDAPIO").SetValue(QDate(2026, 12, 30));
    t->Post();
    t->GotoBookmark(day4);
    EXPECT_EQ(t->FieldByName("NRCARDAPIO").AsString().trimmed(), "1004");
    t->GotoBookmark(day2);
    t->Delete();
    EXPECT_FALSE(t->BookmarkValid(day2));
    EXPECT_THROW(t->GotoBookmark(day2), EDataSetError);
    const TBookmark here = t->Bookmark();
    {
        TBookmarkRestore keep(*t);
        t->Last();
    }
    EXPECT_EQ(t->Bookmark(), here);
    t->GotoBookmark(day4);
    {
        TBookmarkRestore keep(*t);
        t->First();
    }
    EXPECT_EQ(t->FieldByName("NRCARDAPIO").AsString().trimmed(), "1004");
    t->SetFilter([](const TMemRow& r) { return r.AsFloat("QTCOMESTICAR") < 300; });
    t->SetFiltered(true);
    EXPECT_FALSE(t->BookmarkValid(day4)) << "a hidden row cannot be returned to";
}

TEST_F(MemTable, AnEditScopeWritesOnlyWhenPostedAndCancelsOnAnError) {
    auto t = savedDays();
    t->SetRecNo(2);
    const QString before = t->FieldByName("QTCOMESTICAR").AsString();
    const int changes = t->ChangeCount();
    try {
        TRowEdit edit(*t);
        t->FieldByName("QTCOMESTICAR").SetAsFloat(999);
        t->FieldByName("DTCARDAPIO").SetAsString("31/02/2026"); // throws
        edit.Post();
        ADD_FAILURE() << "no error";
    } catch (const EConvertError&) {
    }
    EXPECT_FALSE(t->IsEditing());
    EXPECT_EQ(t->FieldByName("QTCOMESTICAR").AsString(), before) << "cancelled";
    EXPECT_EQ(t->ChangeCount(), changes);
    {
        TRowEdit edit(*t);
        t->FieldByName("QTCOMESTICAR").SetAsFloat(321);
        edit.Post();
    }
    EXPECT_FALSE(t->IsEditing());
    EXPECT_EQ(t->FieldByName("QTCOMESTICAR").AsFloat(), 321);
    EXPECT_EQ(t->ChangeCount(), changes + 1);
    {
        TRowEdit edit(*t);
        t->FieldByName("QTCOMESTICAR").SetAsFloat(5);
    }
    EXPECT_EQ(t->FieldByName("QTCOMESTICAR").AsFloat(), 321) << "not posted: dropped";
}

TEST_F(MemTable, CalculatedFields) {
    auto t = test::makeDayTable();
    t->AddCalcField("DOBRO", TFieldType::Float).SetDisplayFormat("#,##0.00");
    t->AddCalcField("ROTULO", TFieldType::String, 40);
    int calls = 0;
    t->OnCalcFields = [&](TCalcRow& r) {
        ++calls;
        r.SetValue("DOBRO", r.AsFloat("QTCOMESTICAR") * 2);
        r.SetValue("ROTULO",
                   r.AsString("NRCARDAPIO").trimmed() + "/" + QString::number(r.AsFloat("DOBRO")));
    };
    t->CreateDataSet();
    addDay(*t, "0001", "00001", 1, "1001", 10.5);
    EXPECT_EQ(t->FieldByName("DOBRO").AsFloat(), 21.0);
    EXPECT_EQ(t->FieldByName("DOBRO").DisplayText(), "21,00");
    EXPECT_EQ(t->FieldByName("ROTULO").AsString(), "1001/21");
    t->Edit();
    t->FieldByName("QTCOMESTICAR").SetAsFloat(1);
    EXPECT_EQ(t->FieldByName("DOBRO").AsFloat(), 2.0) << "the edit buffer is calculated";
    EXPECT_THROW(t->FieldByName("DOBRO").SetAsFloat(3), EDataSetError);
    t->Post();
    EXPECT_EQ(t->Lookup("NRCARDAPIO", {"1001"}, "DOBRO").toDouble(), 2.0);
    EXPECT_EQ(t->Data().Fields.size(), 6) << "calculated fields are not data";
    EXPECT_THROW(t->AddIndex("Calc", "DOBRO"), EDataSetError);
    t->OnCalcFields = [](TCalcRow& r) { r.SetValue("QTCOMESTICAR", 1); };
    t->Resync();
    EXPECT_THROW(t->FieldByName("DOBRO").AsFloat(), EDataSetError);
    EXPECT_GT(calls, 0);
}

TEST_F(MemTable, HandlersMayAbortInsertAndDeleteSilently) {
    auto t = savedDays();
    bool refuse = true;
    t->BeforeInsert = [&](TMemTable&) {
        if (refuse) {
            Abort();
        }
    };
    t->BeforeDelete = [&](TMemTable&) {
        if (refuse) {
            Abort();
        }
    };
    EXPECT_THROW(t->Append(), EAbort);
    EXPECT_EQ(t->State(), TDataSetState::Browse);
    EXPECT_THROW(t->Delete(), EAbort);
    EXPECT_EQ(t->RecordCount(), 5);
    EXPECT_EQ(t->ChangeCount(), 0);
    refuse = false;
    int afterDelete = 0;
    t->AfterDelete = [&](TMemTable&) { ++afterDelete; };
    t->Delete();
    EXPECT_EQ(afterDelete, 1);
    EXPECT_EQ(t->RecordCount(), 4);
}

TEST_F(MemTable, BeforePostCanRefuseAndNewRecordSetsDefaults) {
    auto t = savedDays();
    t->OnNewRecord = [](TMemTable& tt) {
        tt.FieldByName("CDFILIAL").SetAsString("0001");
        tt.FieldByName("CDSERVFILI").SetAsString("00001");
    };
    t->BeforePost = [](TMemTable& tt) {
        if (tt.FieldByName("QTCOMESTICAR").AsFloat() < 0) {
            throw EPlaError("Comensais não podem ser negativos.");
        }
    };
    int afterPost = 0;
    t->AfterPost = [&](TMemTable&) { ++afterPost; };
    t->Append();
    EXPECT_EQ(t->FieldByName("CDFILIAL").AsString(), "0001");
    EXPECT_FALSE(t->Modified()) << "defaults alone do not make a change";
    t->Next(); // moving off an untouched insert drops it
    EXPECT_EQ(t->RecordCount(), 5);
    t->Append();
    t->FieldByName("DTCARDAPIO").SetValue(QDate(2026, 12, 31));
    t->FieldByName("QTCOMESTICAR").SetAsFloat(-1);
    EXPECT_THROW(t->Post(), EPlaError);
    EXPECT_EQ(t->State(), TDataSetState::Insert);
    t->FieldByName("QTCOMESTICAR").SetAsFloat(1);
    t->First(); // moving posts a touched row
    EXPECT_EQ(t->RecordCount(), 6);
    EXPECT_EQ(afterPost, 1);
}

TEST_F(MemTable, FieldChangeAndStateNotifications) {
    auto t = savedDays();
    QStringList changed;
    t->FieldByName("QTCOMESTICAR").OnChange = [&](TMemField& f) { changed.append(f.AsString()); };
    QSignalSpy state(t.get(), &TMemTable::stateChanged);
    QSignalSpy reset(t.get(), &TMemTable::rowsReset);
    QSignalSpy current(t.get(), &TMemTable::currentChanged);
    t->Edit();
    t->FieldByName("QTCOMESTICAR").SetAsFloat(5);
    t->Post();
    EXPECT_EQ(changed, (QStringList{"5"}));
    EXPECT_EQ(state.count(), 2); // into edit, back to browse
    t->Next();
    EXPECT_EQ(current.count(), 1);
    state.clear();
    reset.clear();
    {
        TControlsDisabled quiet(*t);
        for (int d = 10; d < 20; ++d) {
            addDay(*t, "0001", "00001", d, QString::number(d), 1);
        }
        EXPECT_EQ(reset.count(), 0);
        EXPECT_EQ(state.count(), 0);
    }
    EXPECT_EQ(reset.count(), 1) << "views refresh once when controls come back";
    EXPECT_EQ(state.count(), 1);
    EXPECT_TRUE(t->Locate("NRCARDAPIO", QStringLiteral("15")));
}

TEST_F(MemTable, OpenCloseAndEmpty) {
    auto t = savedDays();
    t->AddIndex("PorComensais", "QTCOMESTICAR");
    t->SetIndexName("PorComensais");
    t->Open(); // already open: nothing happens
    EXPECT_EQ(t->RecordCount(), 5);
    t->EmptyDataSet();
    EXPECT_TRUE(t->IsEmpty());
    EXPECT_EQ(t->ChangeCount(), 0) << "emptying is no change to send";
    addDay(*t, "0001", "00001", 7, "1007", 70);
    t->Close();
    EXPECT_FALSE(t->Active());
    EXPECT_EQ(t->ChangeCount(), 0);
    t->Open();
    EXPECT_TRUE(t->IsEmpty());
    EXPECT_EQ(t->IndexName(), "PorComensais") << "the index stays chosen across a close";
    addDay(*t, "0001", "00001", 8, "1008", 80);
    addDay(*t, "0001", "00001", 9, "1009", 10);
    EXPECT_EQ(column(*t, "NRCARDAPIO"), (QStringList{"1009", "1008"}));
    TMemTable bare("cdsSemCampos");
    EXPECT_THROW(bare.Open(), EDataSetError);
}

TEST_F(MemTable, PacketFieldsAndDeclaredFields) {
    // Without declared fields, the packet brings them.
    TDataPacket p;
    p.Fields = {{"CDTIPOPRAT", TFieldType::FixedString, 2, true},
                {"NMTIPOPRAT", TFieldType::String, 38, false}};
    p.Rows = {{TRowKind::Unchanged, {"10", "ARROZ"}, {}},
              {TRowKind::Unchanged, {"11", "FEIJÃO"}, {}}};
    TMemTable t("cdsTipoPrat");
    int opened = 0;
    t.AfterOpen = [&](TMemTable&) { ++opened; };
    t.SetData(p);
    EXPECT_EQ(opened, 1);
    EXPECT_EQ(t.FieldCount(), 2);
    EXPECT_EQ(t.FieldByName("NMTIPOPRAT").AsString(), "ARROZ");
    t.Close();
    EXPECT_EQ(t.FieldCount(), 0) << "fields that came with the data go with it";

    // Declared fields keep their labels and formats; extra packet fields are added;
    // a missing declared field refuses the load.
    TMemTable d("cdsTipos");
    d.AddField("CDTIPOPRAT", TFieldType::FixedString, 2).SetDisplayLabel("Tipo");
    d.AddCalcField("ROTULO", TFieldType::String, 50);
    d.OnCalcFields = [](TCalcRow& r) {
        r.SetValue("ROTULO", r.AsString("CDTIPOPRAT") + "-" + r.AsString("NMTIPOPRAT"));
    };
    d.SetData(p);
    EXPECT_EQ(d.FieldCount(), 3);
    EXPECT_EQ(d.FieldByName("CDTIPOPRAT").DisplayLabel(), "Tipo");
    EXPECT_EQ(d.FieldByName("ROTULO").AsString(), "10-ARROZ");
    TDataPacket wrong;
    wrong.Fields = {{"NMTIPOPRAT", TFieldType::String, 38, false}};
    EXPECT_THROW(d.SetData(wrong), EDecodeError);
    EXPECT_EQ(d.RecordCount(), 2) << "a refused load leaves the table as it was";
    TDataPacket mistyped;
    mistyped.Fields = {{"CDTIPOPRAT", TFieldType::Integer, 0, false}};
    EXPECT_THROW(d.SetData(mistyped), EDecodeError);
    EXPECT_EQ(d.FieldByName("NMTIPOPRAT").AsString(), "ARROZ");
}

} // namespace
