// tests/support/ShopFile.h
#pragma once

#include "fixtures/CDataFileBuilder.h"

namespace TestShop {

// "Shop": Customers (identity Id from 100 by 10, clustered primary key, unique Code, an index on
// Name) and Orders (bigint identity OrderNo from -1 down by 1, a non-clustered two-column
// primary key, a clustered index, a computed Total, an enabled and a disabled check, statistics,
// and a foreign key to Customers). The identity values in the rows have gaps, as after deletes.
fixtures::CDataFileBuilder Builder();

}  // namespace TestShop
