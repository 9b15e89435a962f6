// The positional contracts between desktop and server survive the wire unchanged,
// and a misshapen answer is refused in the planner's words.
#include "core/errors.h"
#include "rpc/contracts.h"

#include <QDateTime>
#include <gtest/gtest.h>

namespace pla::rpc {
namespace {

// Through the same encoding the transports use.
QVariant overTheWire(const QVariant& result) {
    return DecodeResult(EncodeResult({result, {}})).Result;
}

TEST(Contracts, TheMonthsElementsKeepTheirPlaces) {
    // The positions are the wire: pinned, not derived.
    EXPECT_EQ(int(TElemCardapio::ParamPlaneja), 0);
    EXPECT_EQ(int(TElemCardapio::Mensagem), 2);
    EXPECT_EQ(int(TElemCardapio::CardaDia), 5);
    EXPECT_EQ(int(TElemCardapio::Autorizacoes), 8);
    EXPECT_EQ(int(TElemCardapio::SomenteLeitura), 12);
    EXPECT_EQ(int(TElemCardapio::Cardames), 16);
    EXPECT_EQ(int(TElemCardapio::Quantidade), 17);

    TRespostaCardapio sent;
    for (int i = 0; i < int(TElemCardapio::Quantidade); ++i) {
        sent.Elementos[i] = QStringLiteral("elemento %1").arg(i);
    }
    sent[TElemCardapio::Grupo] = QVariantList{true, false};
    sent[TElemCardapio::SomenteLeitura] = true;
    const QVariant wire = overTheWire(sent.ToWire());
    EXPECT_EQ(wire.toList().size(), 17) << "a plain array of 17, as before";
    const TRespostaCardapio got = TRespostaCardapio::FromWire(wire);
    EXPECT_EQ(got.Elementos, sent.Elementos);
    EXPECT_EQ(got[TElemCardapio::Grupo].toList().value(1).toBool(), false);

    // An error text in the result's place, or a short answer: the planner reads why.
    try {
        TRespostaCardapio::FromWire(overTheWire(QStringLiteral("Filial não cadastrada.")));
        FAIL() << "an error text is not a month";
    } catch (const EPlaError& e) {
        EXPECT_EQ(e.message(), "Filial não cadastrada.");
    }
    QVariantList shortList = sent.Elementos.mid(0, 16);
    EXPECT_THROW(TRespostaCardapio::FromWire(shortList), EPlaError);
}

TEST(Contracts, TheMonthAgainWithAndWithoutSpecialDays) {
    TMesRecarregado sent;
    sent.CardaDia = QStringLiteral("dias");
    sent.CompCard = QStringLiteral("pratos");
    sent.PratosExcluidos = QStringLiteral("excluidos");
    const QVariant plain = overTheWire(sent.ToWire());
    EXPECT_EQ(plain.toList(), (QVariantList{"dias", "pratos", "excluidos"}));
    TMesRecarregado got = TMesRecarregado::FromWire(plain, false);
    EXPECT_FALSE(got.CardEsp);
    EXPECT_EQ(got.PratosExcluidos, "excluidos");

    sent.CardEsp = QStringLiteral("especiais");
    const QVariant special = overTheWire(sent.ToWire());
    EXPECT_EQ(special.toList().value(0), "especiais") << "the special days come first";
    got = TMesRecarregado::FromWire(special, true);
    ASSERT_TRUE(got.CardEsp);
    EXPECT_EQ(*got.CardEsp, "especiais");
    EXPECT_EQ(got.CardaDia, "dias");

    EXPECT_THROW(TMesRecarregado::FromWire(plain, true), EPlaError) << "one element short";
    EXPECT_THROW(TMesRecarregado::FromWire(QStringLiteral("erro"), false), EPlaError);
}

TEST(Contracts, ArgumentsTakeTheirReferencesFromTheDeclaration) {
    const TMethodSpec& spec = metodos::UpdateCache();
    const QList<TRpcArg> args =
        Argumentos(spec, {QStringLiteral("NUTRI1"), false, QVariant(), QVariant(), "N"});
    ASSERT_EQ(args.size(), 5);
    EXPECT_FALSE(args[int(TArgUpdateCache::Operador)].ByRef);
    EXPECT_FALSE(args[int(TArgUpdateCache::ModuFili)].ByRef);
    EXPECT_TRUE(args[int(TArgUpdateCache::Dias)].ByRef);
    EXPECT_TRUE(args[int(TArgUpdateCache::Pratos)].ByRef);
    EXPECT_TRUE(args[int(TArgUpdateCache::Central)].ByRef);
    EXPECT_EQ(spec.OperatorParam, int(TArgUpdateCache::Operador));
    const QList<TRpcArg> back = DecodeArgs(EncodeArgs(args));
    ASSERT_EQ(back.size(), 5);
    EXPECT_EQ(back[4].Value, "N");
    EXPECT_TRUE(back[4].ByRef);
    EXPECT_THROW(Argumentos(spec, {QStringLiteral("NUTRI1")}), EProgramError);

    const TMethodSpec& month = metodos::GetCardapio();
    EXPECT_EQ(month.Params.size(), 6);
    EXPECT_EQ(month.OperatorParam, 3);
    EXPECT_EQ(metodos::getDelCard().Params, metodos::getImpCardDia().Params);
}

TEST(Contracts, PermissionsAndErrorTextsAreToldApartInOnePlace) {
    EXPECT_EQ(Posicao(TAutorizacao::IncluirPrato), 0);
    EXPECT_EQ(Posicao(TAutorizacao::AlterarComEstPrat), 4);
    EXPECT_EQ(Posicao(TAutorizacao::AnalisarCustoRevRece), 6);
    EXPECT_EQ(Posicao(TAutorizacao::InverterPrato), 15);
    EXPECT_EQ(Posicao(TAutorizacao::AcessoFilial), QtAutorizacoes - 1);

    EXPECT_FALSE(TextoDeErro(QString())) << "nothing to save";
    EXPECT_FALSE(TextoDeErro(QStringLiteral("0000000123"))) << "a menu number";
    EXPECT_TRUE(TextoDeErro(QStringLiteral("Operador sem permissão para alterar cardápios.")));
    EXPECT_TRUE(TextoDeErro(QStringLiteral("00000001234")));
}

} // namespace
} // namespace pla::rpc
