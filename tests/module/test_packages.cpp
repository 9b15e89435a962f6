#include "core/data_packet.h"
#include "core/reference.h"
#include "host/date_edit.h"
#include "host/number_edit.h"
#include "monthly_fixture.h"
#include "packages/dish_inversion.h"
#include "packages/dish_selection.h"
#include "packages/period_deletion.h"

#include <QLineEdit>
#include <QTableView>

using namespace pla;

namespace {

// The other packages' screens on their own, given the arrays the monthly screen gives.
class Packages : public test::TMonthlyScreenTest {
protected:
    // A dish selection of the branch's lunch with no list of its own (searched on the
    // server), in the diners view of a day of 200.
    QVariantList selection(int mode, const QStringList& entry = {}, const QString& central = {}) {
        return {entry.isEmpty() ? -1 : 3,
                200.0,
                false,
                mode,
                6,
                DataHora(month_),
                QString(),
                "0001",
                "00001",
                TReference(entry.isEmpty() ? QVariant() : QVariant(entry)).AsVariant(),
                code_.AsVariant(),
                name_.AsVariant(),
                branch_.AsVariant(),
                value_.AsVariant(),
                confirmed_.AsVariant(),
                QVariant::fromValue<QObject*>(nullptr),
                QVariantList{},
                central};
    }
    TReference code_, name_, branch_, value_, confirmed_;
};

TEST_F(Packages, TheDishSelectionChecksItsValueAndWritesTheChoiceBack) {
    packages::TfrmSelPrato f(selection(0));
    EXPECT_DOUBLE_EQ(f.nedValor->Value(), 200) << "the day's diners";
    EXPECT_EQ(f.cdsLista->RecordCount(), 0) << "searched on the server";
    f.edtPesquisa->setText("A");
    EXPECT_EQ(f.cdsLista->RecordCount(), 0) << "one letter is too little";
    f.edtPesquisa->setText("ARROZ");
    ASSERT_GT(f.cdsLista->RecordCount(), 0);
    for (f.cdsLista->First(); !f.cdsLista->Eof(); f.cdsLista->Next()) {
        EXPECT_TRUE(f.cdsLista->FieldByName("NMPRATO").AsString().contains("ARROZ"));
    }
    f.sbtConfirma->click();
    EXPECT_EQ(presenter_.LastText(), "Selecione um prato.");
    f.dbgPrato->setCurrentIndex(f.dbgPrato->model()->index(0, 0));
    f.nedValor->SetValue(0);
    f.sbtConfirma->click();
    EXPECT_EQ(presenter_.LastText(), "O valor deve ser maior que zero.");
    f.nedValor->SetValue(201);
    f.sbtConfirma->click();
    EXPECT_EQ(presenter_.LastText(), "O número de comensais do prato não pode ser maior que o "
                                     "número de comensais do dia (200).");
    EXPECT_FALSE(confirmed_.Get().toBool());
    f.nedValor->SetValue(50);
    f.sbtConfirma->click();
    EXPECT_TRUE(confirmed_.Get().toBool());
    EXPECT_DOUBLE_EQ(value_.Get().toDouble(), 50);
    EXPECT_FALSE(code_.Get().toString().isEmpty());
    EXPECT_EQ(branch_.Get().toString(), "0002");
    EXPECT_TRUE(name_.Get().toString().contains("ARROZ"));
}

TEST_F(Packages, PercentagesStopAtAHundredAndACentralDishLimitsTheList) {
    packages::TfrmSelPrato f(selection(1, {"0000000001", "NARROZ", "40", "0002"}));
    EXPECT_DOUBLE_EQ(f.nedValor->Value(), 40) << "the cell's value";
    const QString central =
        server_.Db()
            .Scalar("SELECT MIN(CDPRATO) FROM PRATORELAC WHERE IDTIPORELAC = 'E'")
            .toString();
    ASSERT_FALSE(central.isEmpty());
    packages::TfrmSelPrato g(selection(1, {}, central));
    const int equivalents = server_.Db()
                                .Scalar("SELECT COUNT(*) FROM PRATORELAC WHERE CDPRATO = ? AND "
                                        "IDTIPORELAC = 'E'",
                                        {central})
                                .toInt();
    EXPECT_EQ(g.cdsLista->RecordCount(), equivalents + 1) << "the dish and its equivalents";
    g.dbgPrato->setCurrentIndex(g.dbgPrato->model()->index(0, 0));
    g.nedValor->SetValue(100.5);
    g.sbtConfirma->click();
    EXPECT_EQ(presenter_.LastText(), "O percentual do prato não pode ser maior que 100.");
}

TEST_F(Packages, PeriodDeletionAndInversionRefuseWhatCannotChange) {
    const QDate next = month_.addMonths(1);
    packages::TfrmDelCardPeriodo del(
        {"0001", "00001", DataHora(next), qlonglong(2), QString(), "N", "M"});
    EXPECT_EQ(del.depFim->Date(), UltimoDiaMes(next));
    del.depInicio->SetDate(next.addDays(5));
    del.depFim->SetDate(next.addDays(2));
    del.sbtConfirma->click();
    EXPECT_EQ(presenter_.LastText(), "O primeiro dia não pode ser posterior ao último.");
    del.depFim->SetDate(next.addMonths(1));
    del.sbtConfirma->click();
    EXPECT_TRUE(presenter_.LastText().startsWith("O período deve estar dentro do mês"));
    packages::TfrmDelCardPeriodo past(
        {"0001", "00001", DataHora(month_.addMonths(-1)), qlonglong(2), QString(), "N", "M"});
    past.depInicio->SetDate(month_.addMonths(-1));
    past.depFim->SetDate(month_.addMonths(-1).addDays(1));
    past.sbtConfirma->click();
    EXPECT_TRUE(presenter_.LastText().startsWith("O cardápio só pode ser excluído a partir de"));

    TReference done(false);
    packages::TfrmInvPrato inv({"0001", "00001", DataHora(next.addDays(6)), DataHora(next), "S",
                                qlonglong(2), done.AsVariant()});
    inv.sbtConfirma->click();
    EXPECT_EQ(presenter_.LastText(), "Informe o dia com o qual os pratos serão invertidos.");
    inv.depOutroDia->SetDate(next.addDays(6));
    inv.sbtConfirma->click();
    EXPECT_EQ(presenter_.LastText(), "Escolha um dia diferente do dia do cardápio.");
    inv.depOutroDia->SetDate(next.addMonths(1));
    inv.sbtConfirma->click();
    EXPECT_TRUE(presenter_.LastText().startsWith("O dia deve estar dentro do mês"));
    EXPECT_FALSE(done.Get().toBool());
}

} // namespace
