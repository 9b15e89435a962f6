#include "../server/embedded_server.h"
#include "host/cost_types.h"
#include "qt_print.h"

#include <QComboBox>
#include <gtest/gtest.h>

using namespace pla;
using namespace pla::host;

namespace {

TEST(CostTypes, ListFillSelectAndNumber) {
    test::TEmbeddedServer srv;
    for (const auto& [nr, name] : {std::pair{48, "TABELA DE PREÇOS"}, std::pair{6, "CUSTO MÉDIO"},
                                   std::pair{10, "ÚLTIMA COMPRA"}}) {
        srv.Db().Exec("INSERT INTO TIPOCUSTO (NRTIPOCUSTO, NMTIPOCUSTO) VALUES (?, ?)", {nr, name});
    }
    srv.AddOperator("ANA", "senha-boa-1");
    auto net = srv.Connect("Cus00000.rdmCustProd", srv.SignIn("ANA", "senha-boa-1"));

    TCostTypeList list;
    list.Load(*net);
    ASSERT_EQ(list.Items().size(), 3);
    QComboBox planned;
    list.Fill(planned);
    EXPECT_EQ(planned.itemText(0), "06 - CUSTO MÉDIO") << "in number order";
    TCostTypeList::PreencheCombo(planned, "48 - TABELA DE PREÇOS");
    EXPECT_EQ(planned.currentIndex(), 2);
    EXPECT_EQ(list.NumeroTipoCusto(planned.currentIndex()), 48);
    TCostTypeList::PreencheCombo(planned, "99 - NÃO EXISTE");
    EXPECT_EQ(planned.currentIndex(), 0) << "an unknown text selects the first";
    TCostTypeList::PreencheCombo(planned, QString());
    EXPECT_EQ(list.NumeroTipoCusto(planned.currentIndex()), 6);
    EXPECT_EQ(list.NumeroTipoCusto(-1), 0);
    EXPECT_EQ(list.NumeroTipoCusto(3), 0);
}

} // namespace
