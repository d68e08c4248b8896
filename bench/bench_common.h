// What the benchmark programs share beside the GL set-up: the main thread's CPU clock, a
// small random generator and a fresh working directory for the data files a run reads.
#pragma once

#include <time.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "app_register.h"
#include "os_types.h"

namespace bench_common
{

// The run's classes and modules, registered once per program as the application does.
inline void RegisterModulesOnce()
{
    static bool registered = false;
    if (!registered) {
        Brisel_RegisterModules();
        registered = true;
    }
}

// CPU seconds of the calling thread.
inline f64 ThreadSeconds()
{
    timespec now;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return (f64)now.tv_sec + (f64)now.tv_nsec * 1e-9;
}

// A small linear congruential generator for a scene's own draws, apart from the engine's
// generators; the same sequence on every machine.
struct Random
{
    u32 state = 12345u;
    // In [0, 1).
    f32 Next()
    {
        state = state * 1664525u + 1013904223u;
        return (f32)(state >> 8) / 16777216.0f;
    }
    f32 Between(f32 _low, f32 _high) { return _low + (_high - _low) * Next(); }
};

// A fresh directory under /tmp, the working directory while it exists; removed afterwards.
class TempDir
{
public:
    TempDir()
    {
        m_previous = std::filesystem::current_path().string();
        char pattern[] = "/tmp/qv_bench_XXXXXX";
        if (mkdtemp(pattern) == nullptr)
            return;
        m_path = pattern;
        std::filesystem::current_path(m_path);
    }
    ~TempDir()
    {
        std::error_code error;
        std::filesystem::current_path(m_previous, error);
        if (!m_path.empty())
            std::filesystem::remove_all(m_path, error);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    bool Made() const { return !m_path.empty(); }
    const std::string& Path() const { return m_path; }
    void Write(const std::string& _name, const std::string& _bytes) const
    {
        const std::filesystem::path path = std::filesystem::path(m_path) / _name;
        std::filesystem::create_directories(path.parent_path());
        std::ofstream out(path, std::ios::binary);
        out.write(_bytes.data(), (std::streamsize)_bytes.size());
    }

private:
    std::string m_path;
    std::string m_previous;
};

}  // namespace bench_common
