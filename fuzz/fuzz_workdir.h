// The fuzzers' private working directory: made at the first input, removed at exit, so the
// files they write and the engine's "log.txt" never land in the caller's directory. Corpus
// directories must therefore be given as absolute paths.
// A fuzzer whose runs log a line nearly every time asks for a silent log: "log.txt" is then a
// directory with something in it, which the log can neither remove nor open, so it writes
// nothing instead of filling the disk.
#pragma once

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

namespace fuzz_detail
{
inline char s_workDirectory[64];

inline void RemoveWorkDirectory()
{
    std::error_code ignored;
    std::filesystem::remove_all(s_workDirectory, ignored);
}
}  // namespace fuzz_detail

enum FUZZ_Log
{
    FUZZ_LOG_WRITTEN,
    FUZZ_LOG_SILENT,
};

// Enters the directory, making it on the first call; returns 1 on that first call.
inline int FUZZ_EnterWorkDirectory(const char* _tag, FUZZ_Log _log = FUZZ_LOG_WRITTEN)
{
    if (fuzz_detail::s_workDirectory[0] != 0)
        return 0;
    snprintf(fuzz_detail::s_workDirectory, sizeof(fuzz_detail::s_workDirectory), "/tmp/qv_fuzz_%s_XXXXXX", _tag);
    if (mkdtemp(fuzz_detail::s_workDirectory) == nullptr || chdir(fuzz_detail::s_workDirectory) != 0)
        abort();
    atexit(fuzz_detail::RemoveWorkDirectory);
    if (_log == FUZZ_LOG_SILENT && (mkdir("log.txt", 0700) != 0 || mkdir("log.txt/keep", 0700) != 0))
        abort();
    fprintf(stderr, "fuzz_%s: running inputs in %s\n", _tag, fuzz_detail::s_workDirectory);
    return 1;
}

inline void FUZZ_WriteFile(const char* _name, const unsigned char* _bytes, size_t _size)
{
    FILE* file = fopen(_name, "wb");
    if (file == nullptr)
        abort();
    if (_size != 0 && fwrite(_bytes, 1, _size, file) != _size)
        abort();
    fclose(file);
}

// Every (name, contents) pair of _files written below the working directory, their folders made.
template <class Files>
inline void FUZZ_WriteFiles(const Files& _files)
{
    for (const auto& file : _files) {
        std::filesystem::create_directories(std::filesystem::path(file.first).parent_path());
        FUZZ_WriteFile(file.first.c_str(), (const unsigned char*)file.second.data(), file.second.size());
    }
}
