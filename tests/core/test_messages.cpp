#include "core/errors.h"
#include "core/messages.h"

#include "qt_print.h"

#include <gtest/gtest.h>

using namespace pla;

namespace {

TEST(Messages, LooksTextsUpByKeyWithoutRegardToCase) {
    const TMessages msg("frmCardMens", {"undochanges|Tem certeza que deseja desfazer todas as "
                                        "alterações?",
                                        "", "CONF_EXCL|Confirma exclusão?", "pipe|a|b"});
    EXPECT_EQ(msg.Count(), 3);
    EXPECT_EQ(msg.Msg("UNDOCHANGES"), "Tem certeza que deseja desfazer todas as alterações?");
    EXPECT_EQ(msg.Msg("conf_excl"), "Confirma exclusão?");
    EXPECT_EQ(msg.Msg("pipe"), "a|b") << "only the first bar separates key from text";
    EXPECT_TRUE(msg.Contains("Conf_Excl"));
}

TEST(Messages, AMissingKeyIsAProgrammingErrorNamingIt) {
    const TMessages msg("frmParamCardIndu", {"FILIAL_NINF|Filial não informada."});
    try {
        msg.Msg("SERVICO_NINF");
        FAIL();
    } catch (const EProgramError& e) {
        EXPECT_TRUE(e.message().contains("SERVICO_NINF"));
        EXPECT_TRUE(e.message().contains("frmParamCardIndu"));
    }
}

TEST(Messages, MalformedCataloguesAreRejected) {
    EXPECT_THROW(TMessages("x", {"sem barra"}), EProgramError);
    EXPECT_THROW(TMessages("x", {"|sem chave"}), EProgramError);
    EXPECT_THROW(TMessages("x", {"A|um", "a|dois"}), EProgramError);
}

} // namespace

TEST(Messages, ValuesFillTheirPlacesInOrder) {
    TMessages m("msg", {"DOIS|De %s a %s.", "UM|Produto (%s)."});
    EXPECT_EQ(m.Fmt("DOIS", {"01/01", "05/01"}), "De 01/01 a 05/01.");
    EXPECT_EQ(m.Fmt("UM", {"%s"}), "Produto (%s).") << "a value is never filled again";
    EXPECT_EQ(m.Fmt("DOIS", {"01/01"}), "De 01/01 a %s.") << "a place without a value stays";
    EXPECT_EQ(m.Fmt("UM", {"A", "B"}), "Produto (A).") << "values beyond the places are left";
}
