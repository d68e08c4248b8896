// Any bytes as a texture's DDS file: collection must accept or refuse it (a fatal error is
// an accepted outcome), and every level of an accepted file must load into memory of exactly
// that level's size, or be refused, without a read or write outside the file or the memory.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "dsp_texture.h"
#include "fuzz_workdir.h"
#include "os_fatal.h"

namespace
{

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
    FUZZ_EnterWorkDirectory("dds");
    static u32 runs = 0;
    if (++runs % 1024 == 0)
        remove("log.txt");  // refusals are logged: keep the log from filling the disk

    FUZZ_WriteFile("t.dds", _data, _size);

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
