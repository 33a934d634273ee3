// engine/format2005/CValueText.h
#pragma once

#include <string>

#include "engine/format2005/CRowDecoder.h"
#include "engine/format2005/CatalogModel.h"

namespace format2005 {

// Grid text of a raw value, for tools and tests until values go through the shared typed values:
// the types SQL Server 2000 had are rendered by the 2000 reader's own renderer (same texts as its
// grid), the 2008 date and time types by their decoders, CLR types as hex.
class CValueText {
  public:
    static std::string GridText(const SColumn& column, const SRawValue& value);
};

}  // namespace format2005
