// The open month's rules driven without any widget or server: tables loaded as
// packets, the current cell set by hand, and a planning stand-in that answers calls.
#include "core/data_packet.h"
#include "core/dates.h"
#include "host/dialog_presenter.h"
#include "module/monthly_menu/model/cardapio_mensal.h"
#include "packets.h"
#include "rpc/contracts.h"

#include <QSignalSpy>
#include <gtest/gtest.h>

namespace pla::module {
namespace {

// Answers every call with an empty packet of the fields asked for, and remembers
// which methods were called.
class TPlanejamentoDeTeste : public IPlanejamento {
public:
    QStringList Chamadas;

    TEscolhaPlanejamento Escolha() const override { return {}; }
    QVariant Chamar(const QString& method, QList<rpc::TRpcArg>&) override {
        return Chamar(method, QVariantList{});
    }
    QVariant Chamar(const QString& method, const QVariantList&) override {
        Chamadas << method;
        TDataPacket empty;
        if (method == rpc::metodos::getPratoMatriz().Name) {
            empty.Fields = {{"CDPRATOMAT", TFieldType::String, 10, false},
                            {"CDFILAUXPRATMAT", TFieldType::String, 4, false}};
        }
        return FromDataPacket(empty);
    }
    void ValidaElaboracaoCardapio(const QString&, const QString&, const QDate&, int) override {}
    const QVariantList& ResultadoGeracao() const override { return resultado_; }
    void Mostra() override {}

private:
    QVariantList resultado_;
};

using test::Pacote;

class OpenMonth : public ::testing::Test {
protected:
    // A month of branch 0001, service 00001 in March 2027: days 2 (300 diners, "Arroz"
    // in position 1 at 100 %, "Feijão" in position 2 at 50 %) and 3 (200 diners, empty).
    // Positions 1 and 2 are of dish type 01 and counted; position 3, of the same type,
    // is optional.
    void SetUp() override {
        c.CdFilial = "0001";
        c.CdServico = "00001";
        c.DtMesCard = DataHora(mes);
        c.Autorizacoes = {"1", "1", "1", "1", "1", "1", "1", "1", "1",
                          "1", "1", "1", "1", "1", "1", "1", "1"};
        c.TipoCardapio = "N";
        c.cdsCardaDia->SetData(Pacote({{"CDFILIAL", TFieldType::String, 4, false},
                                       {"CDSERVFILI", TFieldType::String, 5, false},
                                       {"DTCARDAPIO", TFieldType::DateTime, 0, false},
                                       {"NRCARDAPIO", TFieldType::String, 10, false},
                                       {"QTCOMESTICAR", TFieldType::Float, 0, false}},
                                      {{"0001", "00001", DataHora(dia(2)), "0000000010", 300.0},
                                       {"0001", "00001", DataHora(dia(3)), "0000000011", 200.0}}));
        const QList<TFieldDef> dish{{"CDFILIAL", TFieldType::String, 4, false},
                                    {"CDSERVFILI", TFieldType::String, 5, false},
                                    {"DTCARDAPIO", TFieldType::DateTime, 0, false},
                                    {"NRCARDAPIO", TFieldType::String, 10, false},
                                    {"NRORDPRATCAR", TFieldType::Integer, 0, false},
                                    {"NRSEQPRATCAR", TFieldType::Integer, 0, false},
                                    {"CDPRATO", TFieldType::String, 10, false},
                                    {"NMPRATO", TFieldType::String, 41, false},
                                    {"IDPRATOESPE", TFieldType::String, 1, false},
                                    {"CDFILAUXPRAT", TFieldType::String, 4, false},
                                    {"CDTIPOPRAT", TFieldType::String, 2, false},
                                    {"NMTIPOPRAT", TFieldType::String, 38, false},
                                    {"VRPECONSCARD", TFieldType::Float, 0, false},
                                    {"CDPRATOMAT", TFieldType::String, 10, false},
                                    {"CDFILAUXPRATMAT", TFieldType::String, 4, false}};
        c.cdsCompCardCache->SetData(
            Pacote(dish, {{"0001", "00001", DataHora(dia(2)), "0000000010", 1, 1, "1001", "NArroz",
                           "N", "0001", "01", tipo1, 100.0, QVariant(), QVariant()},
                          {"0001", "00001", DataHora(dia(2)), "0000000010", 2, 2, "1002", "NFeijão",
                           "N", "0001", "01", tipo2, 50.0, QVariant(), QVariant()}}));
        c.cdsCompCardCache->MergeChangeLog();
        c.cdsCnfCaMes->SetData(
            Pacote({{"NRORDCNFMES", TFieldType::Integer, 0, false},
                    {"NRSEQCNFMES", TFieldType::Integer, 0, false},
                    {"CDTIPOPRAT", TFieldType::String, 2, false},
                    {"IDOPCCNFMES", TFieldType::String, 1, false},
                    {"IDCONCNFMES", TFieldType::String, 1, false}},
                   {{1, 1, "01", "N", "S"}, {2, 2, "01", "N", "S"}, {3, 3, "01", "S", "S"}}));
        c.cdsPratosExcluidos->SetData(Pacote({{"CDFILIAL", TFieldType::String, 4, false},
                                              {"CDSERVFILI", TFieldType::String, 5, false},
                                              {"DTPRATEXCL", TFieldType::String, 2, false},
                                              {"NRSEQPRATEXCL", TFieldType::Integer, 0, false},
                                              {"IDLOCALEXCL", TFieldType::String, 1, false},
                                              {"CDPRATO", TFieldType::String, 10, false},
                                              {"CDFILAUXPRAT", TFieldType::String, 4, false}},
                                             {}));
        c.AtualizaStlPratos(false);
        // The diners of dish type 01 on day 2, as an earlier change left them (a new
        // row would read the type's name from the database).
        c.cdsComensAux->Append();
        c.cdsComensAux->FieldByName("DTCARDAPIO").SetValue(DataHora(dia(2)));
        c.cdsComensAux->FieldByName("CDTIPOPRAT").SetAsString("01");
        c.cdsComensAux->FieldByName("NMTIPOPRAT").SetAsString("Arroz");
        c.cdsComensAux->Post();
    }

    static QDate dia(int d) { return QDate(2027, 3, d); }
    void celula(int d, const QString& tipo, TCellKind kind = TCellKind::Data) {
        c.SetCelulaAtual({kind, dia(d), tipo});
    }

    const QDate mes{2027, 3, 1};
    // Dish-type labels: the position's order, the type's code, its name.
    const QString tipo1 = "00101Arroz";
    const QString tipo2 = "00201Feijão";
    const QString tipo3 = "00301Opção";
    TPlanejamentoDeTeste planejamento;
    TCardapioMensal c{nullptr, [this] { return &planejamento; }};
    host::TScriptedPresenter presenter;
    host::TPresenterScope presenterScope{presenter};
};

TEST_F(OpenMonth, DishLinesFollowTheMontageAndRounding) {
    // By number of diners: the share of the day's diners, to three decimals unless
    // rounded.
    c.TipoMontagem = 0;
    c.cdsCompCardCache->Locate("CDPRATO", "1002");
    c.cdsCompCardCache->Edit();
    c.cdsCompCardCache->FieldByName("VRPECONSCARD").SetAsFloat(100.0 / 3.0);
    c.cdsCompCardCache->Post();
    QSignalSpy refreshed(&c, &TCardapioMensal::gradeAlterada);
    c.AtualizaStlPratos(true);
    EXPECT_EQ(refreshed.count(), 1) << "the views repaint once";
    EXPECT_EQ(c.StlPratos.Lookup("02" + tipo1)->Quantity, "300");
    EXPECT_EQ(c.StlPratos.Lookup("02" + tipo2)->Quantity, "100");
    c.Arredondar = true;
    c.cdsCompCardCache->Edit();
    c.cdsCompCardCache->FieldByName("VRPECONSCARD").SetAsFloat(100.0 / 7.0);
    c.cdsCompCardCache->Post();
    c.AtualizaStlPratos(true);
    EXPECT_EQ(c.StlPratos.Lookup("02" + tipo2)->Quantity, "43") << "300 / 7 rounded";
    // By percentage: the share itself; the day's diners on their own line.
    c.TipoMontagem = 1;
    c.AtualizaStlPratos(true);
    EXPECT_EQ(QuantityValue(c.StlPratos.Lookup("02" + tipo1)->Quantity), 100.0);
    const QString total = c.msgPadrao.Msg("TotComens");
    EXPECT_EQ(c.StlPratos.Lookup("03" + total)->Quantity, "200");
    EXPECT_FALSE(c.StlPratos.Lookup("03" + tipo1)) << "an empty day has only its diners";
}

TEST_F(OpenMonth, BlockedDaysComeFromTheProcessingDateAndTheParameter) {
    c.DtBaseBloqueio = dia(3);
    c.QtDiaBloqCar = 2;
    EXPECT_TRUE(c.CardBlock("01"));
    EXPECT_TRUE(c.CardBlock("04")) << "the processing date plus two days";
    EXPECT_FALSE(c.CardBlock("05"));
    EXPECT_FALSE(c.CardBlock("32")) << "outside the month";
    EXPECT_FALSE(c.CardBlock("xx"));
    EXPECT_EQ(c.PrimeiroDiaAlteravel({dia(1), dia(4), dia(5), dia(6)}), dia(5));
    EXPECT_EQ(c.PrimeiroDiaAlteravel({dia(1), dia(2)}), dia(1)) << "all blocked: the first";
    // A blocked day shows its dish and takes no change.
    celula(2, tipo1);
    EXPECT_TRUE(c.EntradaCelula());
    const TEstadoComandos blocked = c.Comandos();
    EXPECT_FALSE(blocked.Alterar);
    EXPECT_FALSE(blocked.Excluir);
    EXPECT_TRUE(blocked.InfoCard);
}

TEST_F(OpenMonth, CommandsFollowTheCellAndTheRights) {
    c.DtBaseBloqueio = dia(1);
    celula(2, tipo1);
    TEstadoComandos on = c.Comandos();
    EXPECT_FALSE(on.Incluir) << "a filled cell";
    EXPECT_TRUE(on.Alterar);
    EXPECT_TRUE(on.Excluir);
    EXPECT_FALSE(on.Confirmar) << "nothing pending";
    celula(3, tipo1);
    on = c.Comandos();
    EXPECT_TRUE(on.Incluir);
    EXPECT_FALSE(on.Excluir);
    celula(2, c.msgPadrao.Msg("TotComens"), TCellKind::Total);
    EXPECT_TRUE(c.LinhaComensais());
    EXPECT_FALSE(c.Comandos().Excluir) << "the diners row has no dish to remove";
    c.SetCelulaAtual({TCellKind::DayHeader, {}, {}});
    EXPECT_FALSE(c.Comandos().Incluir) << "no cell";
    // Without the removal right; read-only takes everything that edits.
    celula(2, tipo1);
    c.Autorizacoes[2] = "0";
    EXPECT_FALSE(c.Comandos().Excluir);
    EXPECT_TRUE(c.Comandos().Alterar);
    c.CardapioSomenteLeitura = true;
    EXPECT_FALSE(c.Comandos().Alterar);
    EXPECT_FALSE(c.Comandos().DelCard);
}

TEST_F(OpenMonth, CountedPositionsSumTheirDishTypesShares) {
    c.TipoMontagem = 1;
    celula(2, tipo1);
    EXPECT_TRUE(c.PosicaoContada(1));
    EXPECT_FALSE(c.PosicaoContada(3)) << "optional";
    EXPECT_FALSE(c.PosicaoContada(9)) << "unknown";
    // Position 2 is left out and given 30 %: 100 from position 1 and the 30.
    EXPECT_DOUBLE_EQ(c.somaComensais("0000000010", "01", 2, 30), 130.0);
    // By rounded diners the shares become whole diners of the day's 300.
    c.TipoMontagem = 0;
    c.Arredondar = true;
    EXPECT_DOUBLE_EQ(c.somaComensais("0000000010", "01", 2, 100.0 / 3.0), 400.0);
    EXPECT_DOUBLE_EQ(c.comensal_Percentual(), 300.0);
    // A type over its day's diners is noted for the closing check.
    c.VerificaComensaisTipo(dia(2), tipo2, 2, 150);
    ASSERT_TRUE(c.cdsComensAux->Locate("CDTIPOPRAT", "01"));
    EXPECT_DOUBLE_EQ(c.cdsComensAux->FieldByName("COMENSEST").AsFloat(), 450.0);
    EXPECT_DOUBLE_EQ(c.cdsComensAux->FieldByName("DIFERENCA").AsFloat(), 150.0);
}

TEST_F(OpenMonth, ADishPlacedOnAnExistingDayGoesIntoTheChangeCache) {
    c.TipoMontagem = 0;
    QSignalSpy refreshed(&c, &TCardapioMensal::gradeAlterada);
    c.InsereCardapio("1003", "NSalada", "150", "0001", dia(2), tipo3);
    EXPECT_EQ(c.AlteracoesPendentes(), 1);
    EXPECT_GE(refreshed.count(), 1);
    ASSERT_TRUE(c.cdsCompCardCache->Locate("CDPRATO", "1003"));
    const auto f = [&](const char* name) { return c.cdsCompCardCache->FieldByName(name); };
    EXPECT_DOUBLE_EQ(f("VRPECONSCARD").AsFloat(), 50.0) << "150 of the day's 300";
    EXPECT_EQ(f("NRSEQPRATCAR").AsInteger(), 3);
    EXPECT_EQ(f("NRCARDAPIO").AsString(), "0000000010");
    EXPECT_EQ(f("IDPRATOESPE").AsString(), "N") << "the name's origin mark";
    EXPECT_EQ(f("CDTIPOPRAT").AsString(), "01");
    EXPECT_EQ(c.StlPratos.Lookup("02" + tipo3)->Quantity, "150");
    EXPECT_TRUE(planejamento.Chamadas.isEmpty()) << "nothing asked of the server";
}

TEST_F(OpenMonth, RemovingADishAsksFirstAndKeepsItOnNo) {
    c.DtBaseBloqueio = dia(1);
    celula(2, tipo2);
    presenter.Answer(host::mrNo);
    c.ExcluiPrato();
    EXPECT_FALSE(c.ExclusaoRealizada);
    EXPECT_EQ(c.AlteracoesPendentes(), 0);
    EXPECT_EQ(presenter.Texts().value(0), "Confirma exclusão?");

    presenter.Answer(host::mrYes);
    c.ExcluiPrato();
    EXPECT_TRUE(c.ExclusaoRealizada);
    EXPECT_EQ(c.AlteracoesPendentes(), 1);
    EXPECT_FALSE(c.EntradaCelula()) << "the cell is empty now";
    EXPECT_FALSE(c.cdsCompCardCache->Locate("CDPRATO", "1002"));
    // The counted position's share left its dish type: 100 % of 300 remain.
    ASSERT_TRUE(c.cdsComensAux->Locate("CDTIPOPRAT", "01"));
    EXPECT_DOUBLE_EQ(c.cdsComensAux->FieldByName("COMENSEST").AsFloat(), 300.0);

    // Without the right, on a blocked day or an empty cell: nothing, and nothing asked.
    presenter.Clear();
    c.ExcluiPrato();
    c.DtBaseBloqueio = dia(5);
    celula(2, tipo1);
    c.ExcluiPrato();
    EXPECT_TRUE(presenter.Texts().isEmpty());
    EXPECT_TRUE(c.cdsCompCardCache->Locate("CDPRATO", "1001"));

    // Cancel: back to the saved month, if the planner confirms.
    presenter.Answer(host::mrYes);
    c.DescartaAlteracoes();
    EXPECT_EQ(c.AlteracoesPendentes(), 0);
    EXPECT_TRUE(c.cdsCompCardCache->Locate("CDPRATO", "1002"));
}

TEST_F(OpenMonth, CopyAndTheCurrentCell) {
    celula(2, tipo1);
    EXPECT_EQ(c.DataCard(), dia(2));
    c.CopiaPrato(false);
    EXPECT_EQ(c.PratoCopiado.CdPrato, "1001");
    EXPECT_EQ(c.PratoCopiado.NmPrato, "Arroz") << "without its origin mark";
    EXPECT_EQ(c.AlteracoesPendentes(), 0) << "a copy removes nothing";
    // The views are asked to show a day; the model does not move by itself.
    QSignalSpy shown(&c, &TCardapioMensal::irParaDia);
    QMetaObject::invokeMethod(&c, "IrParaDia", Q_ARG(QDate, dia(3)), Q_ARG(QString, "01"));
    ASSERT_EQ(shown.count(), 1);
    EXPECT_EQ(shown.at(0).at(0).toDate(), dia(3));
    EXPECT_EQ(c.DataCard(), dia(2));
}

} // namespace
} // namespace pla::module
