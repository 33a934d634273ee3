// tests/cli/LayeringTest.cpp
// The layering the front ends rely on: the command-line tool reaches engines only through the
// engine interface, the binding and the core's public headers, and each format library exports
// nothing but its factory.
#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <string>

#include "support/FrontEndLayering.h"
#include "support/TestFiles.h"

using FrontEndLayering::Output;

TEST(Layering, TheCommandLineToolIncludesNoEngineInternalHeader) {
    std::size_t nFiles = 0;
    for (const auto& entry : std::filesystem::directory_iterator(TestFiles::SourceDir() / "cli")) {
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
    EXPECT_GT(nFiles, 10u);
}

TEST(Layering, FormatLibrariesExportOnlyTheirFactory) {
    const std::filesystem::path libraries = AMBERMILL_LIBRARY_DIR;
    for (const char* pszYear : {"2000", "2005", "2008"}) {
        const auto library = libraries / ("libAmbermill" + std::string(pszYear) + ".so");
        ASSERT_TRUE(std::filesystem::exists(library)) << library;
        const std::string strSymbols =
            Output("nm -D -C --defined-only '" + library.string() + "' 2>&1");
        EXPECT_EQ(strSymbols.find("CreateSQLServer" + std::string(pszYear) + "Engine()"),
                  strSymbols.rfind("CreateSQLServer"))
            << strSymbols;
        std::size_t nLines = 0;
        for (char ch : strSymbols)
            nLines += ch == '\n';
        EXPECT_EQ(nLines, 1u) << "only the factory: " << strSymbols;
    }
    // The core exports its interface, so the libraries and front ends can use it.
    const std::string strCore =
        Output("nm -D -C --defined-only '" + (libraries / "libAmbermillCore.so").string() + "'");
    EXPECT_NE(strCore.find("CSQLServerEngine::OpenGridCursor"), std::string::npos);
    EXPECT_NE(strCore.find("CValueFormat::AppendDataText"), std::string::npos);
    EXPECT_EQ(strCore.find("CSysObjectsReader"), std::string::npos) << "a 2000 reader in the core";
}
