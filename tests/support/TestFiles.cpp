// tests/support/TestFiles.cpp
#include "support/TestFiles.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>
#include <vector>

namespace fs = std::filesystem;

namespace TestFiles {

CTempDir::CTempDir() {
    std::random_device rd;
    for (int i = 0; i < 100; ++i) {
        fs::path candidate = fs::temp_directory_path() / ("ambermill-test-" + std::to_string(rd()));
        std::error_code ec;
        if (fs::create_directory(candidate, ec)) {
            m_path = candidate;
            return;
        }
    }
    throw std::runtime_error("cannot create a temporary folder");
}

CTempDir::~CTempDir() {
    std::error_code ec;
    fs::permissions(m_path, fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(m_path, ec);
}

fs::path SourceDir() {
    return AMBERMILL_SOURCE_DIR;
}
fs::path SamplePath() {
    return SourceDir() / "samples" / "bookstore.mdf";
}

fs::path RealReviewsFile() {
    fs::path path = fs::path(AMBERMILL_SHARED_DATA_DIR) / "reviews2000.mdf";
    std::error_code ec;
    return fs::exists(path, ec) ? path : fs::path();
}

std::string Sha1OfFile(const fs::path& path) {
    std::string strCommand = "sha1sum '" + path.string() + "'";
    std::FILE* pPipe = ::popen(strCommand.c_str(), "r");
    if (!pPipe)
        return {};
    std::array<char, 128> buffer{};
    std::string strOut;
    while (std::fgets(buffer.data(), static_cast<int>(buffer.size()), pPipe))
        strOut += buffer.data();
    ::pclose(pPipe);
    return strOut.substr(0, strOut.find(' '));
}

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

void WriteFile(const fs::path& path, const std::string& strBytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << strBytes;
}

SRunResult RunCli(const std::vector<std::string>& vecArgs) {
    CTempDir dir;
    fs::path outPath = dir / "stdout";
    fs::path errPath = dir / "stderr";
    SRunResult result;
    pid_t pid = ::fork();
    if (pid == 0) {
        int fdOut = ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        int fdErr = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        int fdIn = ::open("/dev/null", O_RDONLY);
        ::dup2(fdOut, 1);
        ::dup2(fdErr, 2);
        ::dup2(fdIn, 0);
        std::vector<std::string> vecAll{AMBERMILL_CLI_PATH};
        vecAll.insert(vecAll.end(), vecArgs.begin(), vecArgs.end());
        std::vector<char*> argv;
        for (auto& s : vecAll)
            argv.push_back(s.data());
        argv.push_back(nullptr);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    int nStatus = 0;
    ::waitpid(pid, &nStatus, 0);
    result.nExitCode = WIFEXITED(nStatus) ? WEXITSTATUS(nStatus) : 128 + WTERMSIG(nStatus);
    result.strOut = ReadFile(outPath);
    result.strErr = ReadFile(errPath);
    return result;
}

std::string GoldenText(const std::string& strName, const std::string& strActual) {
    const fs::path path = SourceDir() / "tests" / "golden" / strName;
    const char* pszUpdate = std::getenv("AMBERMILL_UPDATE_GOLDEN");
    if (pszUpdate && std::string(pszUpdate) == "1")
        WriteFile(path, strActual);
    return ReadFile(path);
}

}  // namespace TestFiles
