// Any bytes as a dialog's sentence file: a dialog node loads it through its message and is
// asked for the count, and for the actor and text of every index from -1 to a little past the
// count (at most 12). Fatal refusals are expected, each stopping only that question. Whatever
// the file held, a count is never negative, every answer is a proper name, and every byte taken
// comes back when the node goes.
#include <cstring>

#include "app_register.h"
#include "fuzz_workdir.h"
#include "mem_alloc.h"
#include "nod_message.h"
#include "nod_node.h"
#include "os_fatal.h"
#include "os_path.h"

namespace
{
void Check(bool _condition)
{
    if (!_condition)
        __builtin_trap();
}

// The reply's name, checked; 1 when the question was answered.
template <class Q>
u32 AskName(NOD_Node* _dialog, s32 _index)
{
    try {
        NOD_Message* reply = _dialog->ProcessMessage(Q::Create(_index));
        Check(reply != nullptr);
        const auto [name] = Q::ReadReply(reply);
        Check(std::strlen(name.GetName()) <= 62);
        delete reply;
        return 1;
    } catch (const OS_FatalError&) {
        return 0;
    }
}

void Run()
{
    NOD_Node* dialog = NOD_Node::CreateNode("NOD_Story_Dialog", "dialog");
    Check(dialog != nullptr);
    try {
        delete dialog->ProcessMessage(NOD_Story_Dialog_SetSentenceFile::Create(SIM_ClassName("s.des")));
    } catch (const OS_FatalError&) {
        delete dialog;
        return;
    }
    s32 count = 0;
    try {
        NOD_Message* reply = dialog->ProcessMessage(NOD_Story_Dialog_GetNumOfSentences::Create());
        count = std::get<0>(NOD_Story_Dialog_GetNumOfSentences::ReadReply(reply));
        delete reply;
        Check(count >= 0);
    } catch (const OS_FatalError&) {
    }
    const s32 last = count < 10 ? count + 1 : 11;
    for (s32 i = -1; i <= last; ++i) {
        AskName<NOD_Story_Dialog_GetActor>(dialog, i);
        AskName<NOD_Story_Dialog_GetSentenceText>(dialog, i);
    }
    delete dialog;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const u8* _data, size_t _size)
{
    if (_size > 0x4000)
        return 0;
    if (FUZZ_EnterWorkDirectory("sentence", FUZZ_LOG_SILENT))
        Brisel_RegisterModules();
    FUZZ_WriteFile("s.des", _data, _size);
    u32 before = 0;
    for (u32 pass = 0; pass < 2; ++pass) {
        OS_ResetPathCache();
        before = MEM_GetBytesInUse();
        Run();
        OS_ResetPathCache();
    }
    Check(MEM_GetBytesInUse() == before);
    return 0;
}
