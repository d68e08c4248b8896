// The fuzzers' private working directory: made at the first input, removed at exit, so the
// files they write and the engine's "log.txt" never land in the caller's directory. Corpus
// directories must therefore be given as absolute paths.
#pragma once

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

// Enters the directory, making it on the first call; returns 1 on that first call.
inline int FUZZ_EnterWorkDirectory(const char* _tag)
{
    if (fuzz_detail::s_workDirectory[0] != 0)
        return 0;
    snprintf(fuzz_detail::s_workDirectory, sizeof(fuzz_detail::s_workDirectory), "/tmp/qv_fuzz_%s_XXXXXX", _tag);
    if (mkdtemp(fuzz_detail::s_workDirectory) == nullptr || chdir(fuzz_detail::s_workDirectory) != 0)
        abort();
    atexit(fuzz_detail::RemoveWorkDirectory);
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
