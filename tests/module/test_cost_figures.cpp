// The month's cost figures as the panel shows them, from the server's packets alone:
// the row calculation, the running sums, the day's and the month's figures, the real
// column and the comparison tables, five decimals everywhere.
#include "core/data_packet.h"
#include "core/dates.h"
#include "module/monthly_menu/model/cardapio_mensal.h"
#include "packets.h"

#include <gtest/gtest.h>

namespace pla::module {
namespace {

QDate dia(int d) {
    return {2027, 3, d};
}

using test::Pacote;

// Four days of March 2027: the 1st with an indirect cost and few clients, the 2nd
// without diners, the 3rd without an indirect cost nor clients, the 4th with both. The
// server's rows come out of date order; the standard is 5.25 for 82 planned diners.
class CostFigures : public ::testing::Test {
protected:
    void SetUp() override {
        c.CdFilial = "0001";
        c.CdServico = "00001";
        c.DtMesCard = DataHora(dia(1));
        carrega("T");
    }

    void carrega(const char* percapita) {
        TCustoMensal& k = c.Custo();
        k.cdsParamFilial->SetData(
            Pacote({{"IDCOMCUSPERC", TFieldType::String, 1, false}}, {{QString(percapita)}}));
        k.cdsCustoPadrao->SetData(Pacote({{"VRCUSTPADR", TFieldType::Float, 0, false}}, {{5.25}}));
        k.ComensPlanMes = 82;
        const QList<TFieldDef> f{{"DTDATA", TFieldType::DateTime, 0, false},
                                 {"VRCUSTPRODMAT", TFieldType::Float, 0, false},
                                 {"VRCUSTOCONS", TFieldType::Float, 0, false},
                                 {"VRCUSTORAT", TFieldType::Float, 0, false},
                                 {"QTCOMESTICAR", TFieldType::Float, 0, false},
                                 {"QTCLIESTICAR", TFieldType::Float, 0, false},
                                 {"VRCUSTOACU", TFieldType::Float, 0, false},
                                 {"VRCUSTOCONSACU", TFieldType::Float, 0, false},
                                 {"VRCUSTMATACU", TFieldType::Float, 0, false},
                                 {"VRCUSTOMEDIO", TFieldType::Float, 0, false},
                                 {"QTCOMESACU", TFieldType::Float, 0, false}};
        const auto day = [](int d, double mat, double cons, QVariant rat, double est, double cli) {
            return QVariantList{
                DataHora(dia(d)), mat, cons, rat, est, cli, 0.0, 0.0, 0.0, 0.0, 0.0};
        };
        k.cdsTrabCusto->SetData(
            Pacote(f, {day(3, 250.5, 12.25, QVariant(), 45, 0),
                       day(1, 123.456789, 7.777777, 3.333333, 7, 3), day(4, 80.1, 4.4, 2.2, 30, 12),
                       day(2, 0, 0, QVariant(), 0, 0)}));
        k.cdsRealizado->SetData(Pacote({{"DTCARDAPIO", TFieldType::DateTime, 0, false},
                                        {"QTCOMEFETCAR", TFieldType::Float, 0, false},
                                        {"QTRETIRADA", TFieldType::Float, 0, false},
                                        {"CUSTO", TFieldType::Float, 0, false},
                                        {"CUSTOACUM", TFieldType::Float, 0, false},
                                        {"QTCOMENSACU", TFieldType::Float, 0, false},
                                        {"VRCUSTOMEDIO", TFieldType::Float, 0, false}},
                                       {{DataHora(dia(3)), 0.0, 4.0, 50.0, 0.0, 0.0, 0.0},
                                        {DataHora(dia(1)), 6.0, 10.0, 120.123456, 0.0, 0.0, 0.0}}));
        k.CustoCalculado = true;
    }

    double trab(int d, const char* field) {
        TMemTable& t = *c.Custo().cdsTrabCusto;
        EXPECT_TRUE(t.Locate("DTDATA", DataHora(dia(d))));
        return t.FieldByName(QString::fromLatin1(field)).AsFloat();
    }

    TCardapioMensal c{nullptr, [] { return static_cast<IPlanejamento*>(nullptr); }};
};

TEST_F(CostFigures, EachDayIsCalculatedAndAccumulatedInDateOrder) {
    TMemTable& t = *c.Custo().cdsTrabCusto;
    t.First();
    EXPECT_EQ(t.FieldByName("DTDATA").AsDateTime().date(), dia(1)) << "read in date order";
    EXPECT_DOUBLE_EQ(trab(1, "VRCUSTOTOTAL"), 123.456789 + (7.777777 + 3.333333));
    EXPECT_DOUBLE_EQ(trab(1, "VRMATPERC"), 17.63668);
    EXPECT_DOUBLE_EQ(trab(1, "VRTOTPERC"), 19.22399);
    EXPECT_DOUBLE_EQ(trab(2, "VRMATPERC"), 0) << "a day without diners";
    EXPECT_DOUBLE_EQ(trab(2, "VRTOTPERC"), 0);
    EXPECT_DOUBLE_EQ(trab(3, "VRCUSTOTOTAL"), 262.75) << "a null indirect cost counts 0";
    EXPECT_DOUBLE_EQ(trab(3, "VRTOTPERC"), 5.83889);
    EXPECT_DOUBLE_EQ(trab(2, "QTCOMESACU"), 7) << "running sums";
    EXPECT_DOUBLE_EQ(trab(3, "VRCUSTOACU"), 397.317899);
    EXPECT_DOUBLE_EQ(trab(3, "VRCUSTMATACU"), 373.95679);
    EXPECT_DOUBLE_EQ(trab(3, "VRCUSTOCONSACU"), 20.02778);
    EXPECT_DOUBLE_EQ(trab(3, "VRCUSTOMEDIO"), 7.64073);
    EXPECT_DOUBLE_EQ(trab(4, "QTCOMESACU"), 82);
    EXPECT_DOUBLE_EQ(trab(4, "VRCUSTOMEDIO"), 5.90266);
    const TMemTable& m = *c.Custo().cdsTotalMes;
    EXPECT_EQ(m.RecordCount(), 1);
    EXPECT_DOUBLE_EQ(m.FieldByName("VRTOTMATPRIM").AsFloat(), 454.05679);
    EXPECT_DOUBLE_EQ(m.FieldByName("VRTOTCONS").AsFloat(), 24.42778);
    EXPECT_EQ(c.Custo().cdsTrabCusto->ChangeCount(), 0) << "nothing to send back";
}

TEST_F(CostFigures, ClientPerCapitaDividesAndAccumulatesClientDiners) {
    carrega("C");
    EXPECT_DOUBLE_EQ(trab(1, "QTCOMENSAIS"), 3);
    EXPECT_DOUBLE_EQ(trab(1, "VRMATPERC"), 41.15226);
    EXPECT_DOUBLE_EQ(trab(1, "VRTOTPERC"), 44.85597);
    EXPECT_DOUBLE_EQ(trab(3, "VRTOTPERC"), 0) << "no clients that day";
    EXPECT_DOUBLE_EQ(trab(3, "QTCOMESACU"), 3);
    EXPECT_DOUBLE_EQ(trab(3, "VRCUSTOMEDIO"), 132.4393);
    EXPECT_DOUBLE_EQ(trab(4, "QTCOMESACU"), 15);
    EXPECT_DOUBLE_EQ(trab(4, "VRCUSTOMEDIO"), 32.26786);
}

TEST_F(CostFigures, ThePanelSplitsWhatIncludesTheIndirectCost) {
    const TPainelCusto p = c.Custo().Painel(dia(3), dia(4));
    EXPECT_DOUBLE_EQ(p.MatPriPerc, 5.56667);
    EXPECT_DOUBLE_EQ(p.ConsPerc, 0.27222);
    EXPECT_DOUBLE_EQ(p.PercDia, 5.83889) << "the day's per capita includes the indirect cost";
    EXPECT_DOUBLE_EQ(p.PadrPerc, 5.25);
    EXPECT_DOUBLE_EQ(p.SaldoPerc, -0.58889);
    EXPECT_DOUBLE_EQ(p.MatPriMes, 454.05679);
    EXPECT_DOUBLE_EQ(p.ConsMes, 24.42778);
    EXPECT_DOUBLE_EQ(p.CustIndTotMes, 5.53333) << "only days that have one";
    EXPECT_DOUBLE_EQ(p.TotalMes, 478.48457) << "the month's cost leaves it out";
    EXPECT_DOUBLE_EQ(p.PadrMens, 430.5);
    EXPECT_DOUBLE_EQ(p.SaldoMes, -47.98457);
    EXPECT_DOUBLE_EQ(p.MatPriCardPlan, 250.5);
    EXPECT_DOUBLE_EQ(p.CustIndDia, 0);
    EXPECT_DOUBLE_EQ(p.CustIndPercDia, 0) << "no clients: no indirect per capita";
    EXPECT_DOUBLE_EQ(p.ConsCardPlan, 12.25);
    EXPECT_DOUBLE_EQ(p.CustoCardPlan, 262.75);
    EXPECT_DOUBLE_EQ(p.MatPriAcuPlan, 373.95679);
    EXPECT_DOUBLE_EQ(p.CustIndPlan, 3.33333) << "up to the day";
    EXPECT_DOUBLE_EQ(p.ConsAcuPlan, 20.02778);
    EXPECT_DOUBLE_EQ(p.TotalTAcum, 393.98457);
    EXPECT_DOUBLE_EQ(p.Estimados, 52);
    EXPECT_DOUBLE_EQ(p.PuMedioTeor, 7.64073) << "the running average includes it";

    const TPainelCusto q = c.Custo().Painel(dia(4), dia(4));
    EXPECT_DOUBLE_EQ(q.CustIndDia, 2.2);
    EXPECT_DOUBLE_EQ(q.CustIndPercDia, 0.18333) << "always over the client diners";
    EXPECT_DOUBLE_EQ(q.CustIndPlan, 5.53333);
    const TPainelCusto zero = c.Custo().Painel(dia(2), dia(4));
    EXPECT_DOUBLE_EQ(zero.MatPriPerc, 0);
    EXPECT_DOUBLE_EQ(zero.ConsPerc, 0);
    EXPECT_DOUBLE_EQ(zero.PercDia, 0);
    EXPECT_DOUBLE_EQ(zero.SaldoPerc, 5.25);
}

TEST_F(CostFigures, TheRealColumnCountsOnlyDaysBeforeTheProcessingDate) {
    TCustoMensal& k = c.Custo();
    TMemTable& r = *k.cdsRealizado;
    ASSERT_TRUE(r.Locate("DTCARDAPIO", DataHora(dia(1))));
    EXPECT_DOUBLE_EQ(r.FieldByName("QtdePerc").AsFloat(), 20.02058);
    EXPECT_DOUBLE_EQ(r.FieldByName("CUSTOACUM").AsFloat(), 120.12346);
    ASSERT_TRUE(r.Locate("DTCARDAPIO", DataHora(dia(3))));
    EXPECT_DOUBLE_EQ(r.FieldByName("QtdePerc").AsFloat(), 0) << "no diners";
    EXPECT_DOUBLE_EQ(r.FieldByName("CUSTOACUM").AsFloat(), 170.12346);
    EXPECT_DOUBLE_EQ(r.FieldByName("QTCOMENSACU").AsFloat(), 6);
    EXPECT_DOUBLE_EQ(r.FieldByName("VRCUSTOMEDIO").AsFloat(), 28.35391);

    const TPainelCusto served = k.Painel(dia(3), dia(4));
    EXPECT_TRUE(served.RealHabilitado);
    EXPECT_DOUBLE_EQ(served.CustoCardReal, 50);
    EXPECT_DOUBLE_EQ(served.TotalRAcum, 170.12346);
    EXPECT_DOUBLE_EQ(served.Efetivos, 6);
    EXPECT_DOUBLE_EQ(served.PuMedioReal, 28.35391);
    const TPainelCusto unserved = k.Painel(dia(2), dia(4));
    EXPECT_DOUBLE_EQ(unserved.CustoCardReal, 0) << "nothing withdrawn that day";
    EXPECT_DOUBLE_EQ(unserved.TotalRAcum, 120.12346) << "what the 1st accumulated";
    EXPECT_DOUBLE_EQ(unserved.PuMedioReal, 20.02058);
    const TPainelCusto onProcessing = k.Painel(dia(3), dia(3));
    EXPECT_FALSE(onProcessing.RealHabilitado);
    EXPECT_DOUBLE_EQ(onProcessing.CustoCardReal, 0);
    EXPECT_DOUBLE_EQ(onProcessing.TotalRAcum, 0);
    EXPECT_DOUBLE_EQ(onProcessing.Efetivos, 0);
    EXPECT_DOUBLE_EQ(onProcessing.PuMedioReal, 0);
}

TEST_F(CostFigures, ABalanceOfExactlyZeroIsNotNegative) {
    TCustoMensal& k = c.Custo();
    k.cdsCustoPadrao->SetData(Pacote({{"VRCUSTPADR", TFieldType::Float, 0, false}}, {{5.83889}}));
    const TPainelCusto p = k.Painel(dia(3), dia(4));
    EXPECT_EQ(p.SaldoPerc, 0.0);
    EXPECT_FALSE(std::signbit(p.SaldoPerc));
}

TEST_F(CostFigures, TheComparisonsHaveOneRowPerPlannedDay) {
    TCustoMensal& k = c.Custo();
    k.MontaGrafPlanReal();
    TMemTable& g = *k.cdsGrafPlanReal;
    ASSERT_EQ(g.RecordCount(), 4);
    g.First();
    EXPECT_EQ(g.FieldByName("DTCARDAPIO").AsDateTime().date(), dia(1));
    EXPECT_DOUBLE_EQ(g.FieldByName("VrPadrao").AsFloat(), 5.25);
    EXPECT_DOUBLE_EQ(g.FieldByName("VRPERCPLAN").AsFloat(), 19.22399);
    EXPECT_DOUBLE_EQ(g.FieldByName("VRPERCREAL").AsFloat(), 20.02058);
    g.Next();
    EXPECT_DOUBLE_EQ(g.FieldByName("VRPERCREAL").AsFloat(), 0) << "no real row";

    k.MontaCustoAcum();
    TMemTable& a = *k.cdsCustoAcum;
    ASSERT_EQ(a.RecordCount(), 4);
    const double reais[] = {120.123456, 120.123456, 170.123456, 170.123456};
    const double padrao[] = {5.25 * 7, 5.25 * 7, 5.25 * 52, 5.25 * 82};
    const double plan[] = {123.45679 + 7.77778, 123.45679 + 7.77778, 373.95679 + 20.02778,
                           454.05679 + 24.42778};
    int i = 0;
    for (a.First(); !a.Eof(); a.Next(), ++i) {
        EXPECT_DOUBLE_EQ(a.FieldByName("VRTOTRACUM").AsFloat(), reais[i]) << i;
        EXPECT_DOUBLE_EQ(a.FieldByName("VrTotPadrao").AsFloat(), padrao[i]) << i;
        EXPECT_DOUBLE_EQ(a.FieldByName("VRTOTTACUM").AsFloat(), plan[i]) << i;
    }
    EXPECT_EQ(k.cdsTrabCusto->FieldByName("DTDATA").AsDateTime().date(), dia(1))
        << "the planned costs' row is where it was";
}

} // namespace
} // namespace pla::module

namespace pla::module {
namespace {

// The worked example of the costs page: the server's answers for the lunch from 9 to
// 11 March 2026, per client diner, shown on the 11th with the branch processed up to
// the 12th.
TEST(CostWorkedExample, ThePanelShowsTheFiguresOfTheCostsPage) {
    TCardapioMensal c{nullptr, [] { return static_cast<IPlanejamento*>(nullptr); }};
    c.DtMesCard = DataHora(QDate(2026, 3, 1));
    TCustoMensal& k = c.Custo();
    k.cdsParamFilial->SetData(
        Pacote({{"IDCOMCUSPERC", TFieldType::String, 1, false}}, {{QStringLiteral("C")}}));
    k.cdsCustoPadrao->SetData(Pacote({{"VRCUSTPADR", TFieldType::Float, 0, false}}, {{5.0}}));
    k.ComensPlanMes = 150;
    QList<TFieldDef> f{{"DTDATA", TFieldType::DateTime, 0, false}};
    for (const char* name :
         {"VRCUSTPRODMAT", "VRCUSTOCONS", "VRCUSTORAT", "QTCOMESTICAR", "QTCLIESTICAR",
          "VRCUSTOACU", "VRCUSTOCONSACU", "VRCUSTMATACU", "VRCUSTOMEDIO", "QTCOMESACU"}) {
        f.append({QString::fromLatin1(name), TFieldType::Float, 0, false});
    }
    const auto day = [](int d, double mat, double cons, double rat, double est, double cli) {
        return QVariantList{
            DataHora(QDate(2026, 3, d)), mat, cons, rat, est, cli, 0.0, 0.0, 0.0, 0.0, 0.0};
    };
    k.cdsTrabCusto->SetData(Pacote(
        f, {day(9, 410, 30, 500, 100, 80), day(10, 0, 0, 0, 0, 0), day(11, 137, 16, 250, 50, 40)}));
    QList<TFieldDef> r{{"DTCARDAPIO", TFieldType::DateTime, 0, false}};
    for (const char* name :
         {"QTCOMEFETCAR", "QTRETIRADA", "CUSTO", "CUSTOACUM", "QTCOMENSACU", "VRCUSTOMEDIO"}) {
        r.append({QString::fromLatin1(name), TFieldType::Float, 0, false});
    }
    k.cdsRealizado->SetData(
        Pacote(r, {{DataHora(QDate(2026, 3, 9)), 95.0, 31.5, 450.65, 0.0, 0.0, 0.0},
                   {DataHora(QDate(2026, 3, 11)), 52.0, 14.0, 170.65, 0.0, 0.0, 0.0}}));

    const TPainelCusto p = k.Painel(QDate(2026, 3, 11), QDate(2026, 3, 12));
    const std::pair<double, double> boxes[] = {
        {p.MatPriPerc, 3.425},     {p.ConsPerc, 0.4},         {p.PercDia, 10.075},
        {p.PadrPerc, 5},           {p.SaldoPerc, -5.075},     {p.CustIndPercDia, 6.25},
        {p.MatPriMes, 547},        {p.ConsMes, 46},           {p.CustIndTotMes, 750},
        {p.TotalMes, 593},         {p.PadrMens, 750},         {p.SaldoMes, 157},
        {p.MatPriCardPlan, 137},   {p.ConsCardPlan, 16},      {p.CustIndDia, 250},
        {p.CustoCardPlan, 153},    {p.CustoCardReal, 170.65}, {p.MatPriAcuPlan, 547},
        {p.ConsAcuPlan, 46},       {p.CustIndPlan, 750},      {p.TotalTAcum, 593},
        {p.TotalRAcum, 621.3},     {p.Estimados, 120},        {p.Efetivos, 147},
        {p.PuMedioTeor, 11.19167}, {p.PuMedioReal, 4.22653},
    };
    int i = 0;
    for (const auto& [shown, page] : boxes) {
        EXPECT_DOUBLE_EQ(shown, page) << "box " << i++;
    }
    EXPECT_TRUE(p.RealHabilitado);
    const TPainelCusto unserved = k.Painel(QDate(2026, 3, 10), QDate(2026, 3, 12));
    EXPECT_DOUBLE_EQ(unserved.CustoCardReal, 0);
    EXPECT_DOUBLE_EQ(unserved.TotalRAcum, 450.65);
    EXPECT_DOUBLE_EQ(unserved.Efetivos, 95);
    EXPECT_DOUBLE_EQ(unserved.PuMedioReal, 4.74368);
}

} // namespace
} // namespace pla::module
