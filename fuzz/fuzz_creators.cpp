// Any bytes as creation records through the stream creators, over a small tree: a refused
// record makes nothing, a taken one hangs in the tree, and deleting the tree gives back all.
#include <cstdlib>
#include <map>
#include <string>

#include "app.h"
#include "app_register.h"
#include "fuzz_workdir.h"
#include "mem_alloc.h"
#include "nod_node.h"
#include "os_fatal.h"
#include "os_path.h"
#include "rti_class.h"
#include "tst_memorystream.h"

namespace
{
const char* const CLASSES[] = {"NOD_Node", "NOD_Scenario", "NOD_Terrain", "NOD_Player",
                               "NOD_Game", "NOD_Torpedo",  "NOD_Bullet",  "NOD_Camera"};

u32 Count(const NOD_Node* _node)
{
    u32 count = 1;
    for (s32 i = 0; i < (s32)_node->GetNumOfSons(); ++i) {
        const NOD_Node* son = _node->GetSon(i);
        if (son->GetFather() != _node)
            abort();
        count += Count(son);
    }
    return count;
}

void Run(const u8* _data, size_t _size)
{
    NOD_Node* root = NOD_Node::CreateNode("nod_node", "root");
    NOD_Node::SetRoot(root);
    root->AddSon(NOD_Node::CreateNode("nod_node", "scene"));
    TST_MemoryInput in(std::string((const char*)_data, _size));
    // Each record: a byte choosing the class, then the record.
    for (u32 records = 0; records < 16 && !in.IsEOF() && !in.HasError(); ++records) {
        const s32 choice = in.ReadByte();
        if (choice < 0)
            break;
        const RTI_ClassDefinition* definition = RTI_ClassDefinition::Find(CLASSES[choice % 8]);
        const u32 index = choice >= 0x80 ? (u32)choice * 0x01000193u : (u32)definition->GetIndex();
        const RTI_ClassFunction creator = RTI_GetClassFunction(index);
        if (creator == nullptr)
            continue;
        const u32 before = Count(root);
        NOD_Node* made = (NOD_Node*)creator(index, choice & 1, in);
        if (made == nullptr && Count(root) != before)
            abort();
        if (made != nullptr && made->GetFather() == nullptr && made != NOD_Node::GetRoot())
            abort();
    }
    delete NOD_Node::GetRoot();
    if (NOD_Node::GetRoot() != nullptr)
        abort();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const u8* _data, size_t _size)
{
    if (_size > 0x4000)
        return 0;
    if (FUZZ_EnterWorkDirectory("creators", FUZZ_LOG_SILENT)) {
        Brisel_RegisterModules();
        Brisel_RegisterClassHandlers();
        const std::map<std::string, std::string> files = {{"vfx/lamp.des", "[Lamp]\n{\n}\n"}};
        FUZZ_WriteFiles(files);
    }
    u32 before = 0;
    for (u32 pass = 0; pass < 2; ++pass) {
        OS_ResetPathCache();
        before = MEM_GetBytesInUse();
        try {
            Run(_data, _size);
        } catch (const OS_FatalError&) {
            // Only a description of the receiver's own, read for the class named, may stop it.
            delete NOD_Node::GetRoot();
            return 0;
        }
    }
    OS_ResetPathCache();
    if (MEM_GetBytesInUse() != before)
        abort();
    return 0;
}
