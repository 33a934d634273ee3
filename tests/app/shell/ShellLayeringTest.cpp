// tests/app/shell/ShellLayeringTest.cpp
// The desktop program is a front end like the command-line tool: it reaches engines only through
// the engine interface, the binding and the core's public headers, and it carries no engine code
// of its own (the readers live in the shared libraries it loads).
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>

#include "support/TestFiles.h"

namespace {
// The engine headers a front end may include: the same list the command-line tool is held to.
const std::set<std::string> kPublicEngineHeaders{
    "engine/binding/CEngineBinding.h",
    "engine/binding/ScanFileOpener.h",
    "engine/core/CBookmarkStack.h",
    "engine/core/CEngineStatus.h",
    "engine/core/CFormatProbe.h",
    "engine/core/CFormatTable.h",
    "engine/core/SDamage.h",
    "engine/core/CDamageLog.h",
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
}  // namespace

TEST(ShellLayering, TheDesktopProgramIncludesNoEngineInternalHeader) {
    std::size_t nFiles = 0;
    for (const auto& entry :
         std::filesystem::directory_iterator(TestFiles::SourceDir() / "app" / "shell")) {
        if (!entry.is_regular_file())
            continue;
        std::ifstream in(entry.path());
        std::string strLine;
        ++nFiles;
        while (std::getline(in, strLine)) {
            const std::string strPrefix = "#include \"engine/";
            if (strLine.rfind(strPrefix, 0) != 0)
                continue;
            const std::string strHeader =
                strLine.substr(10, strLine.find('"', 10) - 10);  // between the quotes
            EXPECT_TRUE(kPublicEngineHeaders.contains(strHeader))
                << entry.path().filename() << " includes " << strHeader;
        }
    }
    EXPECT_GT(nFiles, 20u);
}

TEST(ShellLayering, TheProgramLoadsTheEngineLibrariesAndCarriesNoReaderOfItsOwn) {
    const std::string strProgram = AMBERMILL_GUI_PATH;
    ASSERT_TRUE(std::filesystem::exists(strProgram)) << strProgram;
    const std::string strNeeded = Output("readelf -d '" + strProgram + "' 2>&1");
    for (const char* pszLibrary : {"libAmbermillCore.so", "libAmbermill2000.so",
                                   "libAmbermill2005.so", "libAmbermill2008.so"}) {
        EXPECT_NE(strNeeded.find(std::string("[") + pszLibrary + "]"), std::string::npos)
            << pszLibrary;
    }
    // Code the program defines itself (text symbols): none of the engine's readers and walks.
    const std::string strSymbols = Output("nm -C --defined-only '" + strProgram + "' 2>&1");
    ASSERT_NE(strSymbols.find("CAmbermillDlg::"), std::string::npos) << "nm failed";
    for (const char* pszInternal :
         {"CSQLServer2000::", "CSysObjectsReader::", "CRowDecoder::", "CSlotWalker::",
          "CRecordExtractor::", "CPageScanner::", "CValueDecoder::", "CTextPointerReader::"}) {
        EXPECT_EQ(strSymbols.find(std::string(" T ") + pszInternal), std::string::npos)
            << pszInternal;
    }
}
