// tests/support/ShopFile.cpp
#include "support/ShopFile.h"

#include "fixtures/ValueEncoding.h"

using namespace fixtures;

namespace TestShop {

CDataFileBuilder Builder() {
    CDataFileBuilder builder("Shop");
    SColumnSpec id{"Id", kTypeInt, 4, 0, 0, false};
    id.bIdentity = true;
    id.nIdentitySeed = 100;
    id.nIdentityIncrement = 10;
    const std::uint32_t nCustomers =
        builder.AddTable("Customers", {id, SColumnSpec{"Code", kTypeChar, 4, 0, 0, false},
                                       SColumnSpec{"Name", kTypeVarChar, 40, 0, 0, true}});
    SColumnSpec orderNo{"OrderNo", kTypeBigInt, 8, 0, 0, false};
    orderNo.bIdentity = true;
    orderNo.nIdentitySeed = -1;
    orderNo.nIdentityIncrement = -1;
    SColumnSpec total{"Total", kTypeMoney, 8, 19, 4, true};
    total.strFormula = "([Qty] * [Price])";
    const std::uint32_t nOrders =
        builder.AddTable("Orders", {orderNo, SColumnSpec{"CustomerId", kTypeInt, 4, 0, 0, false},
                                    SColumnSpec{"Qty", kTypeInt, 4, 0, 0, false},
                                    SColumnSpec{"Price", kTypeMoney, 8, 19, 4, false}, total});

    const int arrCustomers[] = {100, 110, 140};  // 120 and 130 were deleted
    for (int nId : arrCustomers) {
        builder.AddRow(nCustomers, {EncodeInt32(nId), EncodeChar("C" + std::to_string(nId), 4),
                                    EncodeVarchar("Customer " + std::to_string(nId))});
    }
    const std::int64_t arrOrders[] = {-1, -2, -5};
    for (std::size_t i = 0; i < 3; ++i) {
        builder.AddRow(nOrders, {EncodeInt64(arrOrders[i]), EncodeInt32(arrCustomers[i]),
                                 EncodeInt32(static_cast<std::int32_t>(i) + 1),
                                 EncodeMoney(25000 * static_cast<std::int64_t>(i + 1)), Value()});
    }

    builder.AddPrimaryKey(nCustomers, "PK_Customers", {"Id"});
    builder.AddUniqueConstraint(nCustomers, "UQ_Customers_Code", {"Code"});
    builder.AddIndex(nCustomers, "IX_Customers_Name", {"Name"});
    builder.AddPrimaryKey(nOrders, "PK_Orders", {"OrderNo", "CustomerId"}, false);
    builder.AddIndex(nOrders, "CX_Orders_Customer", {"CustomerId"}, false, true);
    builder.AddCheck(nOrders, "CK_Orders_Qty", "([Qty] > 0)");
    builder.AddCheck(nOrders, "CK_Orders_Price", "([Price] < 1000)", true);
    builder.AddStatistics(nOrders, "_WA_Sys_Price", "Price");
    builder.AddForeignKey(nOrders, "FK_Orders_Customers", {"CustomerId"}, nCustomers, {"Id"});
    return builder;
}

}  // namespace TestShop
