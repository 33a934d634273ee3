// bench/BenchSupport.h
#pragma once

#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <random>
#include <string>

// Small helpers the benchmark programs share: a scratch folder, a stopwatch, peak memory.
namespace BenchSupport {

class CScratchDir {
  public:
    CScratchDir() {
        std::random_device rd;
        m_path =
            std::filesystem::temp_directory_path() / ("ambermill-bench-" + std::to_string(rd()));
        std::filesystem::create_directories(m_path);
    }
    ~CScratchDir() {
        std::error_code ec;
        std::filesystem::remove_all(m_path, ec);
    }
    const std::filesystem::path& Path() const { return m_path; }

  private:
    std::filesystem::path m_path;
};

// Seconds taken by fn.
inline double Seconds(const std::function<void()>& fn) {
    auto start = std::chrono::steady_clock::now();
    fn();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

inline long PeakRssKiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

inline double MiBPerSecond(std::uint64_t nBytes, double dSeconds) {
    return nBytes / 1048576.0 / dSeconds;
}

}  // namespace BenchSupport
