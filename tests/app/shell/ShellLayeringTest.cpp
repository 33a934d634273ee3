// tests/app/shell/ShellLayeringTest.cpp
// The desktop program is a front end like the command-line tool: it reaches engines only through
// the engine interface, the binding and the core's public headers, and it carries no engine code
// of its own (the readers live in the shared libraries it loads).
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <string>

#include "support/FrontEndLayering.h"
#include "support/TestFiles.h"

using FrontEndLayering::Output;

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
            EXPECT_TRUE(FrontEndLayering::PublicEngineHeaders().contains(strHeader))
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
