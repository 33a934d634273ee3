// fuzz/fuzz_recovery.cpp
// libFuzzer target: patches over a builder-made data file, then the whole recovery, every
// table's grid walk and export walk.
#include "fuzz/FuzzEntries.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t nSize) {
    return FuzzRecovery(pData, nSize);
}
