// tests/support/FrontEndLayering.cpp
#include "support/FrontEndLayering.h"

#include <array>
#include <cstdio>

namespace FrontEndLayering {
const std::set<std::string>& PublicEngineHeaders() {
    static const std::set<std::string> kHeaders{
        "engine/binding/CEngineBinding.h",
        "engine/binding/ScanFileOpener.h",
        "engine/core/CBookmarkStack.h",
        "engine/core/CEngineStatus.h",
        "engine/core/SDamage.h",
        "engine/core/CDamageLog.h",
        "engine/core/CFormatProbe.h",
        "engine/core/CFormatTable.h",
        "engine/core/CRecoveryMonitor.h",
        "engine/core/CSQLServerEngine.h",
        "engine/catalog/CColumnInfo.h",
        "engine/catalog/CIndexInfo.h",
        "engine/catalog/CTable.h",
        "engine/catalog/CUserType.h",
        "engine/catalog/CVarColumn.h",
        "engine/catalog/CViewStoredProc.h",
        "engine/records/CExportContext.h",
        "engine/records/CGridCursor.h",
        "engine/records/CTypeTable.h",
        "engine/records/CTypedValue.h",
        "engine/records/CValueFormat.h",
        "engine/records/SDecodedRow.h",
        "engine/scripts/CScanFile.h",
        "engine/scripts/CTableScript.h",
        "engine/scripts/CUserTypeScript.h",
        "engine/scripts/CObjectScript.h",
        "engine/scripts/SqlText.h",
    };
    return kHeaders;
}

std::string Output(const std::string& strCommand) {
    std::string strOut;
    if (std::FILE* pPipe = ::popen(strCommand.c_str(), "r")) {
        std::array<char, 4096> buffer{};
        std::size_t n = 0;
        while ((n = std::fread(buffer.data(), 1, buffer.size(), pPipe)) > 0)
            strOut.append(buffer.data(), n);
        ::pclose(pPipe);
    }
    return strOut;
}
}  // namespace FrontEndLayering
