// cli/ScanFileOpener.cpp
#include "cli/ScanFileOpener.h"

std::unique_ptr<CSQLServerEngine> OpenScanFile(const std::string& strPath, std::string& strError) {
    strError = "'" + strPath + "': scan files cannot be opened by this build yet";
    return nullptr;
}
