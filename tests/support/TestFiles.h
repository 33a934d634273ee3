// tests/support/TestFiles.h
#pragma once

#include <filesystem>
#include <string>
#include <vector>

// Files the tests work with: a private temporary folder per test, the bundled sample, the real
// data files beside the project, and a way to run the command-line tool.
namespace TestFiles {

// A fresh folder below the system temp folder, removed when the object goes.
class CTempDir {
  public:
    CTempDir();
    ~CTempDir();
    CTempDir(const CTempDir&) = delete;
    CTempDir& operator=(const CTempDir&) = delete;
    const std::filesystem::path& Path() const { return m_path; }
    std::filesystem::path operator/(const std::string& strName) const { return m_path / strName; }

  private:
    std::filesystem::path m_path;
};

std::filesystem::path SourceDir();
std::filesystem::path SamplePath();  // samples/bookstore.mdf
// The real SQL Server 2000 file, or an empty path when it is not beside the project.
std::filesystem::path RealReviewsFile();
std::string Sha1OfFile(const std::filesystem::path& path);

struct SRunResult {
    int nExitCode = -1;
    std::string strOut;
    std::string strErr;
};
// Runs ambermill-cli with the arguments (each passed as one argument, no shell involved).
SRunResult RunCli(const std::vector<std::string>& vecArgs);

std::string ReadFile(const std::filesystem::path& path);
// The text of tests/golden/strName. With AMBERMILL_UPDATE_GOLDEN=1 in the environment the file is
// first rewritten with strActual (review the diff before committing it).
std::string GoldenText(const std::string& strName, const std::string& strActual);
void WriteFile(const std::filesystem::path& path, const std::string& strBytes);

}  // namespace TestFiles
