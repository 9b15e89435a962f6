#include "modules.h"

#include "core/text_utils.h"
#include "server/db_layer.h"

namespace pla::server {

std::unique_ptr<TRemoteDataModule> MakeCustoServ() {
    auto m = std::make_unique<TRemoteDataModule>(QStringLiteral("Pla00106.rdmCustoServ"));
    // The branch's cost parameters: element 0 is the packet with IDCOMCUSPERC ("C":
    // per-capita figures divide by the client diners).
    m->Register(TMethodDef::Declarado(
        rpc::metodos::GetParamsCustoServ(), [](TCallContext& ctx, TMethodArgs& args) -> QVariant {
            TDatabase& db = ctx.Database();
            CheckBranch(db, args.String(0));
            return QVariantList{FromDataPacket(QueryPacket(
                db, {{"IDCOMCUSPERC", TFieldType::String, 1, false}},
                QStringLiteral("SELECT IDCOMCUSPERC FROM PARAMPLANEJA WHERE CDFILIAL = ?"),
                {args.String(0)}))};
        }));
    RegisterMonthCostMethods(*m);
    RegisterCostAnalysisMethods(*m);
    return m;
}

std::unique_ptr<TRemoteDataModule> MakeCustProd() {
    auto m = std::make_unique<TRemoteDataModule>(QStringLiteral("Cus00000.rdmCustProd"));
    // The cost types, in number order, with the text the cost-type lists show.
    m->Register(TMethodDef::Declarado(
        rpc::metodos::ListaTipoCusto(), [](TCallContext& ctx, TMethodArgs&) -> QVariant {
            TDataPacket p =
                QueryPacket(ctx.Database(),
                            {{"NRTIPOCUSTO", TFieldType::Integer, 0, true},
                             {"NMTIPOCUSTO", TFieldType::String, 40, true}},
                            QStringLiteral("SELECT NRTIPOCUSTO, NMTIPOCUSTO FROM TIPOCUSTO "
                                           "ORDER BY NRTIPOCUSTO"));
            p.Fields.append({"DSTIPOCUSTO", TFieldType::String, 50, true});
            for (auto& row : p.Rows) {
                row.Values.append(FormatTipoCusto(static_cast<int>(row.Values[0].toLongLong()),
                                                  row.Values[1].toString()));
            }
            return FromDataPacket(p);
        }));
    return m;
}

std::unique_ptr<TRemoteDataModule> MakeProdCmpFilial() {
    auto m = std::make_unique<TRemoteDataModule>(QStringLiteral("CMP02500.rdmProdCmpFilial"));
    RegisterPriceListMethods(*m);
    return m;
}

} // namespace pla::server
