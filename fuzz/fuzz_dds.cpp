// Any bytes as a texture's DDS file: collection must accept or refuse it (a fatal error is
// an accepted outcome), and every level of an accepted file must load into memory of exactly
// that level's size, or be refused, without a read or write outside the file or the memory.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "dsp_texture.h"
#include "os_fatal.h"

namespace {

char s_directory[64];

void RemoveDirectory()
{
    if (s_directory[0] == 0)
        return;
    char path[128];
    snprintf(path, sizeof(path), "%s/t.dds", s_directory);
    remove(path);
    snprintf(path, sizeof(path), "%s/log.txt", s_directory);
    remove(path);
    rmdir(s_directory);
}

// The file and the log go to a directory of the fuzzer's own (give corpus directories as
// absolute paths: libFuzzer reads them after the first run).
void Prepare()
{
    if (s_directory[0] != 0)
        return;
    strcpy(s_directory, "/tmp/qv_fuzz_dds_XXXXXX");
    if (mkdtemp(s_directory) == nullptr || chdir(s_directory) != 0)
        abort();
    atexit(RemoveDirectory);
}

void LoadEveryLevel(DSP_Texture* _texture)
{
    for (s32 load = 0; load < DSP_TEXTURE_NUM_LEVELS; ++load) {
        const s32 type = _texture->GetLevelType(load);
        if (type == DSP_TEXTURE_NONE)
            continue;
        _texture->SetLoadInfo(type, load);
        s32 loadSize = 0;
        _texture->GetLoadInfo(nullptr, nullptr, nullptr, nullptr, &loadSize);
        if (_texture->GetNumOfMipLevels() < 1)
            __builtin_trap();
        // Past the marked mips too: levels 1 and 0, then below level 0.
        for (s32 mip = 0; mip <= load + 1; ++mip) {
            const s32 level = load - mip;
            const s32 bytes = level >= 0 ? DSP_Texture::GetLevelSize(type, level) : 1;
            u8* memory = (u8*)malloc((size_t)bytes);
            const u32 loaded = _texture->LoadFromFile(memory, 0, loadSize, DSP_TEXTURE_NONE, mip);
            if (loaded && level < 0)
                __builtin_trap();
            free(memory);
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const u8* _data, size_t _size)
{
    Prepare();
    static u32 runs = 0;
    if (++runs % 1024 == 0)
        remove("log.txt");  // refusals are logged: keep the log from filling the disk

    FILE* file = fopen("t.dds", "wb");
    if (file == nullptr)
        abort();
    if (_size != 0 && fwrite(_data, 1, _size, file) != _size)
        abort();
    fclose(file);

    s32 formats[DSP_TEXTURE_NUM_FORMATS] = {1, 1, 1, 1, 1, 1, 1, 1, 1};
    s32 levels[DSP_TEXTURE_NUM_LEVELS] = {};  // no TGA levels: the DDS file alone
    DSP_Texture texture;
    texture.SetName("t");
    try {
        texture.CollectInformation(formats, levels);
        LoadEveryLevel(&texture);
    } catch (const OS_FatalError&) {
        // A refused width or a too small picture stops the program: a valid outcome.
    }
    return 0;
}
