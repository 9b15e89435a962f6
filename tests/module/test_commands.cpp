#include "editing_fixture.h"
#include "module/monthly_menu/grid/day_colours.h"
#include "module/monthly_menu/rules/command_states.h"
#include "screen_access.h"

#include <QAction>
#include <QToolButton>

using namespace pla;
using namespace pla::module;

namespace {

// The rule alone: what the monthly screen's commands allow, from the menu, the
// permissions and the current cell.

QVariantList rights(const char* digits) {
    QVariantList out;
    for (const char* c = digits; *c; ++c) {
        out << QString(QChar(*c));
    }
    return out;
}

const char* const All = "11111111111111111";
const char* const None = "00000000000000001";

TSituacaoComandos onADish(const char* permissions = All) {
    TSituacaoComandos s;
    s.ServicoEscolhido = true;
    s.Permissoes.Autorizacoes = rights(permissions);
    s.Permissoes.TipoCardapio = QChar('N');
    s.Celula = TCelulaAtual::Prato;
    s.CelulaPreenchida = true;
    return s;
}

TEST(CommandStates, NothingRunsBeforeAServiceIsChosen) {
    TSituacaoComandos s = onADish();
    s.ServicoEscolhido = false;
    const TEstadoComandos c = EstadoComandos(s);
    EXPECT_FALSE(c.Incluir || c.Alterar || c.Excluir || c.Confirmar || c.DelCard || c.InvPrato ||
                 c.Config || c.Procurar || c.TrocaVisual || c.Custos);
    EXPECT_TRUE(c.Exportar) << "the service list's export follows its permission only";
    s.Permissoes.Autorizacoes = rights(None);
    EXPECT_FALSE(EstadoComandos(s).Exportar);
}

TEST(CommandStates, ADishCellAllowsWhatItsDishAndThePermissionsAllow) {
    TEstadoComandos c = EstadoComandos(onADish());
    EXPECT_FALSE(c.Incluir) << "the cell already holds a dish";
    EXPECT_TRUE(c.Alterar && c.Excluir && c.Duplicacao && c.Importacao && c.RankingPratos);
    EXPECT_TRUE(c.HistCard && c.InfoCard && c.Nutrientes && c.InvPrato);
    EXPECT_TRUE(c.DelCard && c.Config && c.ImpTP && c.DtRefCus && c.DtRecCus && c.AnaCustRevRec);
    EXPECT_FALSE(c.Confirmar || c.Cancelar) << "nothing pending";
    EXPECT_FALSE(c.SubsPorEqui) << "costs not shown";

    TSituacaoComandos empty = onADish();
    empty.CelulaPreenchida = false;
    c = EstadoComandos(empty);
    EXPECT_TRUE(c.Incluir && c.Importacao);
    EXPECT_FALSE(c.Alterar || c.Excluir || c.Duplicacao || c.HistCard);
    empty.ExibeCusto = true;
    EXPECT_TRUE(EstadoComandos(empty).SubsPorEqui);

    TSituacaoComandos perBranch = onADish();
    perBranch.ModuFili = true;
    EXPECT_FALSE(EstadoComandos(perBranch).HistCard);
    EXPECT_TRUE(EstadoComandos(perBranch).Excluir);

    TSituacaoComandos typeS = onADish();
    typeS.Permissoes.TipoCardapio = QChar('S');
    EXPECT_FALSE(EstadoComandos(typeS).ImpTP) << "no dish types imported into a type S menu";
}

TEST(CommandStates, EachPermissionOpensItsOwnCommand) {
    const struct {
        int Index;
        bool TEstadoComandos::*Command;
    } own[] = {{1, &TEstadoComandos::Alterar},        {2, &TEstadoComandos::Excluir},
               {7, &TEstadoComandos::DelCard},        {8, &TEstadoComandos::Importacao},
               {9, &TEstadoComandos::Duplicacao},     {10, &TEstadoComandos::Config},
               {11, &TEstadoComandos::ImpTP},         {12, &TEstadoComandos::DtRefCus},
               {13, &TEstadoComandos::RankingPratos}, {14, &TEstadoComandos::DtRecCus},
               {15, &TEstadoComandos::InvPrato},      {6, &TEstadoComandos::AnaCustRevRec}};
    for (const auto& [index, command] : own) {
        QByteArray digits(None);
        digits[index] = '1';
        EXPECT_TRUE(EstadoComandos(onADish(digits.constData())).*command) << index;
        EXPECT_FALSE(EstadoComandos(onADish(None)).*command) << index;
    }
    TSituacaoComandos empty = onADish("10000000000000001");
    empty.CelulaPreenchida = false;
    EXPECT_TRUE(EstadoComandos(empty).Incluir);
}

TEST(CommandStates, AReadOnlyMenuTakesNoChangeWhateverThePermissions) {
    TSituacaoComandos s = onADish();
    s.Permissoes.SomenteLeitura = true;
    s.TemDietas = true;
    const TEstadoComandos c = EstadoComandos(s);
    EXPECT_FALSE(c.Incluir || c.Alterar || c.Excluir || c.Importacao || c.Duplicacao ||
                 c.RankingPratos || c.InvPrato || c.DelCard || c.Config || c.ImpTP || c.DtRefCus ||
                 c.DtRecCus || c.AtuComenDieta || c.Exportar);
    EXPECT_TRUE(c.InfoCard && c.Procurar && c.TrocaVisual) << "consulting stays open";
    // Diners of an approved type D menu, where the parameters allow it.
    TPermissoes p = s.Permissoes;
    p.TipoCardapio = QChar('D');
    EXPECT_FALSE(p.alterarComEstDia());
    p.AlteraComCardAprov = true;
    EXPECT_TRUE(p.alterarComEstDia());
    p.TipoCardapio = QChar('N');
    EXPECT_FALSE(p.alterarComEstDia()) << "only type D";
}

TEST(CommandStates, ABlockedDayShowsItsFiguresButTakesNoChange) {
    TSituacaoComandos s = onADish();
    s.DiaBloqueado = true;
    const TEstadoComandos c = EstadoComandos(s);
    EXPECT_FALSE(c.Incluir || c.Alterar || c.Excluir || c.Importacao || c.Duplicacao ||
                 c.RankingPratos || c.HistCard);
    EXPECT_TRUE(c.InfoCard && c.Nutrientes);
    EXPECT_TRUE(c.DelCard && c.InvPrato) << "their screens choose and check their own days";
}

TEST(CommandStates, TheDinersRowAndCellsOutsideTheData) {
    TSituacaoComandos s = onADish();
    s.Celula = TCelulaAtual::Comensais;
    TEstadoComandos c = EstadoComandos(s);
    EXPECT_TRUE(c.Alterar) << "the day's diners";
    EXPECT_FALSE(c.Incluir || c.Excluir || c.Importacao || c.Duplicacao || c.RankingPratos ||
                 c.HistCard);
    EXPECT_TRUE(c.InvPrato && c.InfoCard);
    s.CelulaPreenchida = false;
    EXPECT_TRUE(EstadoComandos(s).Incluir) << "a day without diners yet";

    for (const TCelulaAtual outside : {TCelulaAtual::ForaDosDados, TCelulaAtual::Nenhuma}) {
        s.Celula = outside;
        c = EstadoComandos(s);
        EXPECT_FALSE(c.Incluir || c.Alterar || c.Excluir || c.InvPrato || c.InfoCard ||
                     c.Nutrientes || c.Importacao);
        EXPECT_TRUE(c.DelCard && c.Config) << "the month's own commands stay";
    }
}

TEST(CommandStates, EditingAndPendingChanges) {
    TSituacaoComandos s = onADish();
    s.Editando = true;
    TEstadoComandos c = EstadoComandos(s);
    EXPECT_TRUE(c.Confirmar && c.Cancelar);
    EXPECT_FALSE(c.Incluir || c.Alterar || c.Excluir || c.AnaliCor);
    s.Editando = false;
    s.AlteracoesPendentes = true;
    c = EstadoComandos(s);
    EXPECT_TRUE(c.Confirmar && c.Cancelar && c.Alterar && c.AnaliCor);
    // The grid's own removal during a paste, without the removal permission.
    TSituacaoComandos paste = onADish("11011111111111111");
    EXPECT_FALSE(EstadoComandos(paste).Excluir);
    paste.Permissoes.ExclusaoPelaGrade = true;
    EXPECT_TRUE(EstadoComandos(paste).Excluir);
}

TEST(CommandStates, BlockedDaysAreADateRule) {
    const QDate processing(2027, 2, 27);
    EXPECT_TRUE(CardBlock(QDate(2027, 3, 1), processing, 3));
    EXPECT_FALSE(CardBlock(QDate(2027, 3, 2), processing, 3)) << "the first changeable day";
    EXPECT_FALSE(CardBlock(QDate(2027, 2, 27), processing, 0));
    EXPECT_TRUE(CardBlock(QDate(2027, 2, 26), processing, 0));
}

// The screen: its buttons and menu entries follow the rule at every moment, and each
// handler checks it again.

class Commands : public test::TEditingTest {
protected:
    explicit Commands(const QString& op = QStringLiteral("NUTRI1"))
        : TEditingTest(op) {}

    // Every command of the screen against what the rule says, by its widgets.
    static void expectFollows(TfrmCardMens* s, const char* when) {
        const TEstadoComandos c = s->Cardapio().Comandos();
        const std::pair<QToolButton*, bool> inherited[] = {
            {s->sbtConfirmar, c.Confirmar},
            {s->sbtCancelar, c.Cancelar},
            {s->sbtIncluir, c.Incluir},
            {s->sbtAlterar, c.Alterar},
            {s->sbtExcluir, c.Excluir},
            {Child<QToolButton>(s, QStringLiteral("sbtCopiarCard")), c.Exportar}};
        for (const auto& [b, on] : inherited) {
            EXPECT_EQ(b->isEnabled(), on) << when << ": " << b->objectName().toStdString();
        }
        const std::tuple<const char*, const char*, bool> own[] = {
            {"sbtDelCard", "mnuDelCard", c.DelCard},
            {"sbtInvPrato", "mnuInvPrato", c.InvPrato},
            {"spbImportacao", "mnuImpCard", c.Importacao},
            {"spbDuplicacao", "mnuCopyPrato", c.Duplicacao},
            {"sbtConfig", "mnuConfig", c.Config},
            {"sbtRankingPratos", "mnuConsRankPrat", c.RankingPratos},
            {"btfHistCard", "mnuHistCard", c.HistCard},
            {"sbtInfoCard", "mnuAnaliCust", c.InfoCard},
            {"sbtAnaliCor", "mnuAnaliCor", c.AnaliCor},
            {"btfDtRefCus", "mnuDtRefCus", c.DtRefCus}};
        for (const auto& [button, menu, on] : own) {
            EXPECT_EQ(Button(s, button)->isEnabled(), on) << when << ": " << button;
            EXPECT_EQ(Action(s, menu)->isEnabled(), on) << when << ": " << menu;
        }
        EXPECT_EQ(s->mnuIncluir->isEnabled(), c.Incluir) << when;
        EXPECT_EQ(s->mnuExcluir->isEnabled(), c.Excluir) << when;
        EXPECT_EQ(s->mnuConfirmar->isEnabled(), c.Confirmar) << when;
        EXPECT_FALSE(s->mnuConfigImpressora->isEnabled()) << "printing has its own set-up here";
    }
};

TEST_F(Commands, AllRightsFollowTheCellAfterLoadActivationCancelSaveAndABlockedDay) {
    blockFirstDays("0001");
    TfrmCardMens* s = open("0001", "00001", next_);
    ASSERT_NE(s, nullptr) << presenter_.Texts().join(" | ").toStdString();
    // Loaded: the first changeable day's first position is current.
    EXPECT_EQ(s->Cardapio().DataCard(), next_.addDays(3));
    expectFollows(s, "after the load");

    const QDate d = workingDay("0001", 10);
    const QString t = type(s, 0);
    goTo(s, d, t);
    ASSERT_TRUE(s->Cardapio().EntradaCelula());
    EXPECT_FALSE(s->sbtIncluir->isEnabled()) << "the cell holds a dish";
    EXPECT_TRUE(s->sbtExcluir->isEnabled());
    EXPECT_TRUE(Button(s, "sbtInvPrato")->isEnabled());

    // Activated again (the main window brings it forward): nothing opens up.
    s->Activate();
    expectFollows(s, "after an activation");
    EXPECT_FALSE(s->sbtIncluir->isEnabled());

    // A change, then cancelled.
    presenter_.Answer(host::mrYes);
    key(s, Qt::Key_Delete);
    EXPECT_FALSE(s->Cardapio().EntradaCelula());
    EXPECT_TRUE(s->sbtConfirmar->isEnabled());
    EXPECT_TRUE(s->sbtIncluir->isEnabled()) << "the cell is empty now";
    expectFollows(s, "after a removal");
    presenter_.Answer(host::mrYes);
    s->sbtCancelar->click();
    ASSERT_TRUE(s->Cardapio().EntradaCelula());
    expectFollows(s, "after Cancel");
    EXPECT_FALSE(s->sbtIncluir->isEnabled());
    EXPECT_FALSE(s->sbtConfirmar->isEnabled());

    // A change, then saved.
    presenter_.Answer(host::mrYes);
    key(s, Qt::Key_Delete);
    s->sbtConfirmar->click();
    EXPECT_EQ(s->Cardapio().AlteracoesPendentes(), 0)
        << presenter_.Texts().join(" | ").toStdString();
    expectFollows(s, "after a save");
    EXPECT_TRUE(s->sbtIncluir->isEnabled());
    EXPECT_FALSE(s->sbtConfirmar->isEnabled());

    // A blocked day: nothing that changes it, whatever the keys and clicks say.
    const QDate blocked = next_.addDays(1);
    goTo(s, blocked, t);
    expectFollows(s, "on a blocked day");
    EXPECT_FALSE(s->sbtExcluir->isEnabled());
    EXPECT_FALSE(s->sbtIncluir->isEnabled() || s->sbtAlterar->isEnabled());
    EXPECT_TRUE(Button(s, "sbtDelCard")->isEnabled());
}

TEST_F(Commands, KeysPasteAndSelectionDoNothingOnABlockedDayEvenWithoutItsColour) {
    blockFirstDays("0001");
    TfrmCardMens* s = open("0001", "00001", next_);
    ASSERT_NE(s, nullptr);
    // An empty colour parameter paints nothing; the day stays blocked.
    s->Cardapio().StlCorBloq =
        CoresBloqueio(next_, s->Cardapio().DtBaseBloqueio, s->Cardapio().QtDiaBloqCar, QString());
    GridModel(s)->Refresh();
    const QString t = type(s, 0);
    QDate blocked = next_;
    while (!s->Cardapio().StlPratos.Lookup(DayKey(blocked) + t) && blocked.day() < 3) {
        blocked = blocked.addDays(1);
    }
    goTo(s, blocked, t);
    EXPECT_TRUE(s->Cardapio().CardBlock(DayKey(blocked)));
    const auto before = s->Cardapio().EntradaCelula();
    int modals = 0;
    host::TModalRunner::TScope noScreen([&modals](QDialog&) {
        ++modals;
        return int(QDialog::Rejected);
    });
    presenter_.Clear();
    key(s, Qt::Key_Delete);
    s->Cardapio().PratoCopiado = {"0000000001", "0002", "ARROZ", 100};
    key(s, Qt::Key_V, Qt::ControlModifier);
    key(s, Qt::Key_X, Qt::ControlModifier);
    key(s, Qt::Key_Return);
    s->sbtIncluir->click();
    s->sbtAlterar->click();
    s->sbtExcluir->click();
    EXPECT_TRUE(presenter_.Shown().isEmpty()) << presenter_.Texts().join(" | ").toStdString();
    EXPECT_EQ(modals, 0) << "no dish selection";
    EXPECT_EQ(s->Cardapio().AlteracoesPendentes(), 0);
    EXPECT_EQ(s->Cardapio().EntradaCelula().has_value(), before.has_value());
}

class NoRights : public Commands {
protected:
    NoRights()
        : Commands(QStringLiteral("CONSULTA")) {}
};

TEST_F(NoRights, AnOperatorWithoutRightsGetsNoCommandThatChangesAndNoHandlerRuns) {
    TfrmCardMens* s = open("0001", "00001", next_);
    ASSERT_NE(s, nullptr) << presenter_.Texts().join(" | ").toStdString();
    EXPECT_TRUE(s->Cardapio().cardapio_ReadOnly());
    const QDate d = workingDay("0001", 10);
    goTo(s, d, type(s, 0));
    expectFollows(s, "without rights");
    for (const char* b : {"sbtDelCard", "sbtInvPrato", "spbImportacao", "spbDuplicacao",
                          "sbtConfig", "sbtImpTP", "btfDtRefCus", "sbtAtuComenDieta"}) {
        EXPECT_FALSE(Button(s, b)->isEnabled()) << b;
    }
    EXPECT_FALSE(s->sbtIncluir->isEnabled() || s->sbtAlterar->isEnabled() ||
                 s->sbtExcluir->isEnabled() ||
                 Child<QToolButton>(s, QStringLiteral("sbtCopiarCard"))->isEnabled());
    s->Activate();
    expectFollows(s, "activated again");
    EXPECT_FALSE(Button(s, "sbtInvPrato")->isEnabled());

    // The handlers refuse by themselves: no package opens, nothing is asked.
    int modals = 0;
    host::TModalRunner::TScope noScreen([&modals](QDialog&) {
        ++modals;
        return int(QDialog::Rejected);
    });
    presenter_.Clear();
    s->sbtInvPratoClick();
    s->sbtDelCardClick();
    s->sbtIncluirClick();
    s->sbtAlterarClick();
    s->sbtExcluirClick();
    EXPECT_EQ(modals, 0);
    EXPECT_TRUE(presenter_.Shown().isEmpty()) << presenter_.Texts().join(" | ").toStdString();
}

} // namespace
