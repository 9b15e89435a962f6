#include "core/dates.h"
#include "core/errors.h"
#include "host/btn_pesquisa.h"
#include "host/dialog_presenter.h"
#include "host/lookup_dialog.h"
#include "host/modal_runner.h"
#include "qt_print.h"

#include <QHeaderView>
#include <QLineEdit>
#include <QTableView>
#include <QTest>
#include <gtest/gtest.h>

using namespace pla;
using namespace pla::host;

namespace {

std::unique_ptr<TMemTable> branches() {
    auto t = std::make_unique<TMemTable>("qryFilial");
    t->AddField("CDFILIAL", TFieldType::FixedString, 4).SetDisplayLabel("Código");
    t->AddField("NMFILIAL", TFieldType::String, 40).SetDisplayLabel("Filial");
    t->CreateDataSet();
    for (const auto& [code, name] :
         {std::pair{"0001", "Metalúrgica Paulista"}, std::pair{"0002", "Cozinha Central"},
          std::pair{"0003", "Hospital Santa Clara"}}) {
        t->Append();
        t->FieldByName("CDFILIAL").SetAsString(code);
        t->FieldByName("NMFILIAL").SetAsString(name);
        t->Post();
    }
    t->First();
    return t;
}

TEST(Lookups, TypingFiltersAndEnterChooses) {
    auto t = branches();
    TModalRunner::TScope script([](QDialog& d) {
        auto& lookup = dynamic_cast<TLookupDialog&>(d);
        EXPECT_EQ(lookup.windowTitle(), "Filial");
        EXPECT_EQ(lookup.View()->model()->rowCount(), 3);
        QTest::keyClicks(lookup.SearchEdit(), "hospital");
        EXPECT_EQ(lookup.View()->model()->rowCount(), 1) << "the search ignores case";
        QTest::keyClick(lookup.SearchEdit(), Qt::Key_Return);
        return d.result();
    });
    EXPECT_TRUE(Pesquisar(*t, "Filial", "Não há filial cadastrada."));
    EXPECT_EQ(t->FieldByName("CDFILIAL").AsString(), "0003");
}

TEST(Lookups, HeadingsSortAndCancelLeavesTheCursor) {
    auto t = branches();
    t->SetRecNo(2);
    TModalRunner::TScope script([](QDialog& d) {
        auto& lookup = dynamic_cast<TLookupDialog&>(d);
        EXPECT_EQ(lookup.CurrentTableRow(), 1) << "opens on the table's current row";
        lookup.View()->sortByColumn(1, Qt::AscendingOrder); // by name
        lookup.View()->setCurrentIndex(lookup.View()->model()->index(0, 0));
        EXPECT_EQ(lookup.CurrentTableRow(), 1) << "Cozinha Central comes first by name";
        return int(QDialog::Rejected);
    });
    EXPECT_FALSE(Pesquisar(*t, "Filial", "Não há filial cadastrada."));
    EXPECT_EQ(t->RecNo(), 2);
}

TEST(Lookups, AnEmptyTableShowsTheEmptyText) {
    TMemTable empty("qryServico");
    empty.AddField("CDSERVFILI", TFieldType::FixedString, 5);
    empty.CreateDataSet();
    TScriptedPresenter shown;
    TPresenterScope scope(shown);
    TModalRunner::TScope script([](QDialog&) -> int {
        ADD_FAILURE() << "no list for an empty table";
        return QDialog::Rejected;
    });
    EXPECT_FALSE(Pesquisar(empty, "Serviço", "Não há serviço cadastrado para filial informada."));
    EXPECT_EQ(shown.Texts(), QStringList{"Não há serviço cadastrado para filial informada."});
}

TEST(Lookups, ListsReturnTheMarkedRows) {
    auto t = branches();
    TModalRunner::TScope script([](QDialog& d) {
        auto& lookup = dynamic_cast<TLookupDialog&>(d);
        lookup.SetMarked(2, true);
        lookup.SetMarked(0, true);
        lookup.SetMarked(1, true);
        lookup.SetMarked(1, false);
        return int(QDialog::Accepted);
    });
    QString result;
    EXPECT_TRUE(PesquisaLista(*t, "Dieta", "CDFILIAL", "Não há dieta.", result));
    EXPECT_EQ(result, "0001;0003");
}

TEST(Lookups, TheButtonRunsBeforeAndAfter) {
    auto t = branches();
    TBtnPesquisa button;
    button.SetDataSet(t.get());
    button.SetTitle("Filial");
    QString taken;
    bool cancel = true;
    int before = 0;
    button.BeforePesq = [&](TBtnPesquisa&, bool& c) {
        ++before;
        c = cancel;
    };
    button.AfterPesq = [&](TBtnPesquisa&) { taken = t->FieldByName("NMFILIAL").AsString(); };
    TModalRunner::TScope script([](QDialog& d) {
        auto& lookup = dynamic_cast<TLookupDialog&>(d);
        lookup.View()->setCurrentIndex(lookup.View()->model()->index(1, 0));
        return int(QDialog::Accepted);
    });
    QTest::mouseClick(&button, Qt::LeftButton);
    EXPECT_EQ(before, 1);
    EXPECT_EQ(taken, "") << "a cancelled lookup shows nothing and takes nothing";
    cancel = false;
    EXPECT_TRUE(button.Pesquisar());
    EXPECT_EQ(taken, "Cozinha Central");
    // An error in a handler ends the click with its message.
    TScriptedPresenter shown;
    TPresenterScope scope(shown);
    button.BeforePesq = [](TBtnPesquisa&, bool&) { throw EPlaError("Filial não informada."); };
    EXPECT_FALSE(button.Pesquisar());
    EXPECT_EQ(shown.LastText(), "Filial não informada.");
}

} // namespace
