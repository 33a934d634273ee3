// fuzz/fuzz_pages2005.cpp
// libFuzzer target: random pages through the 2005/2008 page, catalog and row decoders.
#include "fuzz/FuzzEntries2005.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t nSize) {
    return FuzzDataPage2005(pData, nSize);
}
