// Any bytes as a description file whose "Emitter" section an emitter reads. Fatal refusals
// (a broken file, a missing or mistyped key, an unknown sound level) are expected; a section
// that is read must leave only the three known flags and a level from 0 to 3, and no memory
// behind once the file is closed.
#include "cod_emitter.h"
#include "des_file.h"
#include "fuzz_workdir.h"
#include "mem_alloc.h"
#include "os_fatal.h"

namespace
{
void Check(bool _condition)
{
    if (!_condition)
        __builtin_trap();
}

void ReadEmitter()
{
    DES_File file;
    DES_Section root;
    try {
        file.Open(&root, "in.des");
        DES_Section section;
        if (!root.FindSection(&section, "Emitter"))
            return;
        COD_Emitter emitter;
        emitter.m_flags = 0xFFFFFFFFu;  // every bit the section does not own must survive
        emitter.Parse(&section);
        Check((emitter.m_flags | 7u) == 0xFFFFFFFFu);
        Check(emitter.m_soundLevel >= COD_SOUND_NONE && emitter.m_soundLevel <= COD_SOUND_LOUD);
    } catch (const OS_FatalError&) {
    }
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const u8* _data, size_t _size)
{
    if (_size > 0x10000)
        return 0;
    // Most inputs end in a fatal refusal, which logs: keep the log silent.
    FUZZ_EnterWorkDirectory("emitter_section", FUZZ_LOG_SILENT);
    FUZZ_WriteFile("in.des", _data, _size);
    // The first pass warms what the file layer keeps; the second must give back all it takes.
    u32 before = 0;
    for (u32 pass = 0; pass < 2; ++pass) {
        before = MEM_GetBytesInUse();
        ReadEmitter();
    }
    Check(MEM_GetBytesInUse() == before);
    return 0;
}
