#include "core/cbor_codec.h"
#include "core/errors.h"
#include "core/format_settings.h"
#include "table_fixtures.h"

#include "qt_print.h"

#include <gtest/gtest.h>

using namespace pla;
using pla::test::addDay;
using pla::test::column;
using pla::test::savedDays;

namespace {

class ChangeLog : public ::testing::Test {
protected:
    TFormatSettingsScope locale{TFormatSettings::PtBr()};

    static void setDiners(TMemTable& t, int recNo, double diners) {
        t.SetRecNo(recNo);
        t.Edit();
        t.FieldByName("QTCOMESTICAR").SetAsFloat(diners);
        t.Post();
    }

    static QString nr(const TPacketRow& row) { return row.Values[3].toString().trimmed(); }
};

TEST_F(ChangeLog, ModificationsKeepTheSavedValues) {
    auto t = savedDays();
    EXPECT_EQ(t->ChangeCount(), 0);
    setDiners(*t, 2, 210);
    setDiners(*t, 2, 220);
    EXPECT_EQ(t->ChangeCount(), 1) << "one row changed twice is one change";
    EXPECT_EQ(t->UpdateStatus(), TRowKind::Modified);
    const TDataPacket delta = t->Delta();
    ASSERT_EQ(delta.RowCount(), 1);
    EXPECT_EQ(delta.Rows[0].Kind, TRowKind::Modified);
    EXPECT_EQ(delta.Rows[0].Values[4].toDouble(), 220.0);
    EXPECT_EQ(delta.Rows[0].Originals[4].toDouble(), 200.0) << "originals are the saved state";
    setDiners(*t, 2, 200);
    EXPECT_EQ(t->ChangeCount(), 0) << "edited back to the saved value";
    EXPECT_EQ(t->Delta().RowCount(), 0);
    t->Edit();
    t->Post(); // posting an untouched row changes nothing
    EXPECT_EQ(t->ChangeCount(), 0);
}

TEST_F(ChangeLog, DeletingANewRowLeavesNoTrace) {
    auto t = savedDays();
    addDay(*t, "0001", "00001", 10, "1010", 50);
    EXPECT_EQ(t->ChangeCount(), 1);
    EXPECT_EQ(t->UpdateStatus(), TRowKind::Inserted);
    t->Edit();
    t->FieldByName("QTCOMESTICAR").SetAsFloat(60);
    t->Post();
    EXPECT_EQ(t->UpdateStatus(), TRowKind::Inserted) << "a new row edited is still new";
    t->Delete();
    EXPECT_EQ(t->ChangeCount(), 0);
    EXPECT_EQ(t->Delta().RowCount(), 0);
    EXPECT_EQ(t->Data().RowCount(), 5);
}

TEST_F(ChangeLog, DeletingAModifiedRowSendsItsSavedValues) {
    auto t = savedDays();
    setDiners(*t, 3, 999);
    t->SetRecNo(3);
    t->Delete();
    const TDataPacket delta = t->Delta();
    ASSERT_EQ(delta.RowCount(), 1);
    EXPECT_EQ(delta.Rows[0].Kind, TRowKind::Deleted);
    EXPECT_EQ(delta.Rows[0].Values[4].toDouble(), 100.0);
    EXPECT_TRUE(delta.Rows[0].Originals.isEmpty());
}

TEST_F(ChangeLog, DeltaListsDeletionsThenModificationsThenInsertions) {
    auto t = savedDays();
    addDay(*t, "0001", "00001", 11, "1011", 1);
    setDiners(*t, 5, 55);
    setDiners(*t, 1, 11);
    t->SetRecNo(2);
    t->Delete();
    const TDataPacket delta = t->Delta();
    ASSERT_EQ(delta.RowCount(), 4);
    EXPECT_EQ(delta.Rows[0].Kind, TRowKind::Deleted);
    EXPECT_EQ(nr(delta.Rows[0]), "1002");
    EXPECT_EQ(delta.Rows[1].Kind, TRowKind::Modified);
    EXPECT_EQ(nr(delta.Rows[1]), "1001") << "modifications in natural order";
    EXPECT_EQ(nr(delta.Rows[2]), "1005");
    EXPECT_EQ(delta.Rows[3].Kind, TRowKind::Inserted);
    EXPECT_EQ(nr(delta.Rows[3]), "1011");
    EXPECT_TRUE(delta.IsDelta());
    delta.Validate();
}

TEST_F(ChangeLog, MergeMakesTheChangesTheSavedState) {
    auto t = savedDays();
    addDay(*t, "0001", "00001", 12, "1012", 1);
    setDiners(*t, 1, 7);
    t->SetRecNo(2);
    t->Delete();
    t->MergeChangeLog();
    EXPECT_EQ(t->ChangeCount(), 0);
    EXPECT_EQ(t->Delta().RowCount(), 0);
    const TDataPacket data = t->Data();
    EXPECT_EQ(data.ChangeCount(), 0);
    EXPECT_EQ(data.RowCount(), 5);
    t->CancelUpdates();
    EXPECT_EQ(column(*t, "NRCARDAPIO"), (QStringList{"1001", "1003", "1004", "1005", "1012"}));
}

TEST_F(ChangeLog, CancelUpdatesGoesBackToTheSavedState) {
    auto t = savedDays();
    const TDataPacket saved = t->Data();
    t->AddIndex("PorComensais", "QTCOMESTICAR");
    t->SetIndexName("PorComensais");
    setDiners(*t, 1, 5000);
    t->SetRecNo(3);
    t->Delete();
    t->SetRecNo(1);
    t->Delete();
    addDay(*t, "0001", "00001", 13, "1013", 1);
    t->Edit();
    t->FieldByName("DSCARDAPIO").SetAsString("pendente");
    t->CancelUpdates(); // also drops the edit in progress
    EXPECT_EQ(t->State(), TDataSetState::Browse);
    EXPECT_EQ(t->ChangeCount(), 0);
    t->SetIndexName("");
    EXPECT_EQ(t->Data(), saved) << "values and natural order are back";
    t->SetIndexName("PorComensais");
    EXPECT_EQ(column(*t, "NRCARDAPIO"), (QStringList{"1001", "1003", "1002", "1005", "1004"}));
}

TEST_F(ChangeLog, DataCarriesTheChangeLogToAnotherTable) {
    auto t = savedDays();
    setDiners(*t, 4, 444);
    t->SetRecNo(5);
    t->Delete();
    addDay(*t, "0001", "00001", 14, "1014", 1);
    auto copy = test::makeDayTable("cdsCopia");
    copy->AssignData(*t);
    EXPECT_EQ(copy->ChangeCount(), 3);
    EXPECT_EQ(copy->Delta(), t->Delta());
    EXPECT_EQ(column(*copy, "NRCARDAPIO"), column(*t, "NRCARDAPIO"));
    copy->CancelUpdates();
    EXPECT_EQ(column(*copy, "NRCARDAPIO"), (QStringList{"1001", "1002", "1003", "1004", "1005"}));
    // Over the wire and back, too.
    auto wire = test::makeDayTable("cdsWire");
    wire->SetData(DecodePacket(EncodePacket(t->Data())));
    EXPECT_EQ(wire->Delta(), t->Delta());
}

TEST_F(ChangeLog, ApplyingADeltaToAnotherCopyOfTheSavedState) {
    auto client = savedDays();
    auto server = test::makeDayTable("servidor");
    server->SetData(client->Data());
    server->SetKeyFields("CDFILIAL;CDSERVFILI;DTCARDAPIO");
    setDiners(*client, 2, 222);
    client->SetRecNo(4);
    client->Delete();
    addDay(*client, "0001", "00001", 15, "1015", 15);
    server->ApplyDelta(DecodePacket(EncodePacket(client->Delta())));
    EXPECT_EQ(server->ChangeCount(), 3);
    client->MergeChangeLog();
    server->MergeChangeLog();
    EXPECT_EQ(server->Data(), client->Data());
}

TEST_F(ChangeLog, ApplyingADeltaDetectsConcurrentEditsAndChangesNothing) {
    auto client = savedDays();
    auto server = test::makeDayTable("servidor");
    server->SetData(client->Data());
    server->SetKeyFields("CDFILIAL;CDSERVFILI;DTCARDAPIO");
    // Someone else changed day 2 on the server meanwhile.
    setDiners(*server, 2, 999);
    server->MergeChangeLog();
    const TDataPacket before = server->Data();

    setDiners(*client, 1, 111); // would apply
    setDiners(*client, 2, 222); // conflicts
    try {
        server->ApplyDelta(client->Delta());
        FAIL() << "a concurrent edit must be reported";
    } catch (const EChangeConflict& e) {
        EXPECT_TRUE(e.message().contains("alterado por outro usuário"));
    }
    EXPECT_EQ(server->Data(), before) << "all or nothing";

    // A row deleted meanwhile.
    auto other = test::makeDayTable("servidor2");
    other->SetData(before);
    other->SetKeyFields("CDFILIAL;CDSERVFILI;DTCARDAPIO");
    other->SetRecNo(1);
    other->Delete();
    other->MergeChangeLog();
    EXPECT_THROW(other->ApplyDelta(client->Delta()), EChangeConflict);

    // An insertion whose key exists already.
    auto dup = savedDays();
    addDay(*dup, "0001", "00001", 3, "X", 1);
    auto target = savedDays();
    target->SetKeyFields("CDFILIAL;CDSERVFILI;DTCARDAPIO");
    const TDataPacket targetBefore = target->Data();
    EXPECT_THROW(target->ApplyDelta(dup->Delta()), EChangeConflict);
    EXPECT_EQ(target->Data(), targetBefore);
}

TEST_F(ChangeLog, ApplyingWithoutKeyFieldsMatchesAllOriginalValues) {
    auto client = savedDays();
    auto server = test::makeDayTable("servidor");
    server->SetData(client->Data());
    setDiners(*client, 3, 333);
    server->ApplyDelta(client->Delta());
    EXPECT_EQ(server->Lookup("NRCARDAPIO", {"1003"}, "QTCOMESTICAR").toDouble(), 333.0);
    TDataPacket foreign = client->Delta();
    foreign.Fields[5].Name = "OUTROCAMPO";
    EXPECT_THROW(server->ApplyDelta(foreign), EChangeConflict);
}

TEST_F(ChangeLog, MalformedPacketsLeaveTheTableUnchanged) {
    auto t = savedDays();
    setDiners(*t, 1, 1);
    const TDataPacket before = t->Data();
    TDataPacket bad = before;
    bad.Rows[2].Values[4] = QStringLiteral("muitos"); // not a number
    EXPECT_THROW(t->SetData(bad), EDecodeError);
    EXPECT_EQ(t->Data(), before);
    EXPECT_EQ(t->ChangeCount(), 1);
    bad = before;
    bad.Rows[1].Values.removeLast();
    EXPECT_THROW(t->SetData(bad), EDecodeError);
    bad = before;
    bad.Rows[1].Originals = bad.Rows[1].Values; // originals on an unchanged row
    EXPECT_THROW(t->SetData(bad), EDecodeError);
    bad = before;
    bad.Rows[0].Values[5] = QString(31, QLatin1Char('x'));
    EXPECT_THROW(t->SetData(bad), EDecodeError);
    EXPECT_EQ(t->Data(), before);
    // Values of a convertible kind are taken in the field's form.
    TDataPacket loose = before;
    loose.Rows[0].Values[4] = 12; // an int for a float field
    loose.Rows[0].Values[2] = QDate(2026, 12, 1);
    t->SetData(loose);
    EXPECT_EQ(t->FieldByName("QTCOMESTICAR").Value().typeId(), QMetaType::Double);
}

} // namespace
