// fuzz/fuzz_recovery.cpp
// libFuzzer target: patches over a builder-made data file, then the whole recovery, every
// table's grid walk and export walk.
#include "common/ExecutionLog.h"
#include "fuzz/FuzzEntries.h"

extern "C" int LLVMFuzzerInitialize(int* /*pArgc*/, char*** /*pArgv*/) {
    // Every damage record goes to the error log; here it goes nowhere (a folder that cannot be
    // created), or the log writer would be most of what is measured.
    CExecutionLog::SetLogFolderForTesting("/proc/ambermill-fuzz-no-logs");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t nSize) {
    return FuzzRecovery(pData, nSize);
}
