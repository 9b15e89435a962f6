#include "core/dates.h"
#include "qt_print.h"
#include "rpc/net_connection.h"
#include "rpc/rpc_protocol.h"

#include <gtest/gtest.h>

using namespace pla;
using namespace pla::rpc;

namespace {

TEST(RpcProtocol, ArgumentsRoundTripWithTheirMarks) {
    const QList<TRpcArg> args{{QStringLiteral("0001"), true},
                              {QString::fromUtf8("PLA00100"), false},
                              {DataHora(QDate(2026, 12, 1)), true},
                              {qlonglong(-1), false},
                              {QVariant(), false},
                              {QVariantList{1, QStringLiteral("x")}, false}};
    const QList<TRpcArg> back = DecodeArgs(EncodeArgs(args));
    ASSERT_EQ(back.size(), args.size());
    for (int i = 0; i < args.size(); ++i) {
        EXPECT_EQ(back[i].ByRef, args[i].ByRef) << i;
        EXPECT_EQ(CompareValues(back[i].Value, args[i].Value), 0) << i;
    }
}

TEST(RpcProtocol, MalformedRequestsAreRefused) {
    EXPECT_THROW(DecodeArgs(EncodeValue(QStringLiteral("x"))), EDecodeError);
    EXPECT_THROW(DecodeArgs(EncodeValue(QVariantList{QVariantList{1, 2}})), EDecodeError);
    EXPECT_THROW(DecodeArgs(EncodeValue(QVariantList{QVariantList{true}})), EDecodeError);
    EXPECT_THROW(DecodeArgs(EncodeValue(QVariantList{QStringLiteral("solto")})), EDecodeError);
    EXPECT_THROW(DecodeArgs(QByteArray::fromHex("82f5")), EDecodeError);
    EXPECT_TRUE(DecodeArgs(EncodeValue(QVariantList{})).isEmpty());
}

TEST(RpcProtocol, ResultsAndErrorBodies) {
    TRpcResult r{QVariantList{QStringLiteral("S"), 2.5}, {QStringLiteral("0002")}};
    const TRpcResult back = DecodeResult(EncodeResult(r));
    EXPECT_EQ(back.Result.toList().size(), 2);
    EXPECT_EQ(back.RefValues, (QList<QVariant>{QStringLiteral("0002")}));
    EXPECT_THROW(DecodeResult(EncodeValue(QVariantList{1})), EDecodeError);
    EXPECT_EQ(DecodeErrorBody(EncodeErrorBody("Sessão expirada")), "Sessão expirada");
    EXPECT_EQ(DecodeErrorBody("<html>"), "");
}

TEST(RpcProtocol, CallPathsCarryOnlySafeNames) {
    EXPECT_EQ(CallPath("Pla00100.rdmParamCardIndu", "GetParams"),
              "/rpc/Pla00100.rdmParamCardIndu/GetParams");
    QString module, method;
    ASSERT_TRUE(ParseCallPath("/rpc/Est.rdmAutoriza/Autoriza", module, method));
    EXPECT_EQ(module, "Est.rdmAutoriza");
    EXPECT_EQ(method, "Autoriza");
    EXPECT_FALSE(ParseCallPath("/rpc/../etc", module, method));
    EXPECT_FALSE(ParseCallPath("/rpc/a/b/c", module, method));
    EXPECT_FALSE(ParseCallPath("/rpc/a b/c", module, method));
    EXPECT_FALSE(ParseCallPath("/outro/a/b", module, method));
    EXPECT_FALSE(IsValidName(".."));
}

TEST(RpcProtocol, CheckResultServRaisesErrorTexts) {
    EXPECT_THROW(CheckResultServ(QStringLiteral("Filial não cadastrada")), EPlaError);
    EXPECT_FALSE(CheckResultServ(QStringLiteral("erro"), false).isValid());
    EXPECT_EQ(CheckResultServ(12.5).toDouble(), 12.5);
    TDataPacket p;
    EXPECT_TRUE(IsDataPacket(CheckResultServ(FromDataPacket(p))));
}

} // namespace
