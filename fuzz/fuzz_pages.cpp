// fuzz/fuzz_pages.cpp
// libFuzzer target: random pages through the catalog row readers.
#include "fuzz/FuzzEntries.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t nSize) {
    return FuzzDataPage(pData, nSize);
}
