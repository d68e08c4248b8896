#include "cod_emitter.h"

#include <cstring>

#include "des_file.h"
#include "nod_node.h"
#include "os_fatal.h"

namespace
{
// The rule of the three flag keys: only exactly 1 sets the bit, any other value clears it.
void ReadFlag(DES_Section* _section, const char* _key, u32 _bit, u32& _flags)
{
    s32 value = 0;
    _section->GetS32(_key, &value);
    if (value == 1)
        _flags |= _bit;
    else
        _flags &= ~_bit;
}
}  // namespace

COD_Description::~COD_Description() = default;

RTI_IMPLEMENT_CLASS(COD_Emitter, "RTI_Class")

COD_Emitter::~COD_Emitter() = default;

void COD_Emitter::Parse(DES_Section* _section)
{
    ReadFlag(_section, "Presence", COD_EMITTER_PRESENCE, m_flags);
    ReadFlag(_section, "Visible", COD_EMITTER_VISIBLE, m_flags);
    ReadFlag(_section, "VisibilityBlocking", COD_EMITTER_VISIBILITY_BLOCKING, m_flags);

    // Longer than any level name: a longer value is cut by the reader and then matches none.
    char level[16] = {};
    _section->GetString("SoundEmissionLevel", level, (u32)sizeof(level));
    static const char* const LEVELS[] = {"none", "silent", "medium", "loud"};
    for (s32 i = 0; i < 4; ++i) {
        if (strcmp(level, LEVELS[i]) == 0) {
            m_soundLevel = i;
            return;
        }
    }
    OS_Fatal("COD_Emitter::Parse", "Unknown sound emission type");
}

void COD_Emitter::SetOwner(NOD_Node* _owner, COS_OBBS_Tree* _tree, const MAT_Matrix34* _transform)
{
    m_owner.Set(_owner);
    m_name = _owner != nullptr ? _owner->GetName() : SIM_Name();
    m_tree = _tree;
    m_transform = _transform;
}
