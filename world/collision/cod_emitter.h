// An emitter (type 6): how a body can be perceived by sensors (present, visible, loud) and
// whether it blocks the view of others.
//
// The owner's contact aggregate makes the emitter, keeps the position (the centre of its box)
// up to date every pass and registers it with COH_Emitter. The tree and the transform are the
// owner's: the emitter reads them and never frees them.
#pragma once

#include "cod_collidable.h"
#include "os_types.h"
#include "rti_pointer.h"
#include "sim_name.h"

class COS_OBBS_Tree;
class DES_Section;
class MAT_Matrix34;
class NOD_Node;

// The common base of the perception descriptions; it adds nothing.
class COD_Description : public COD_Collidable
{
public:
    ~COD_Description() override;
};

// Bits of COD_Emitter::m_flags.
inline constexpr u32 COD_EMITTER_VISIBLE = 1u << 0;
inline constexpr u32 COD_EMITTER_VISIBILITY_BLOCKING = 1u << 1;
inline constexpr u32 COD_EMITTER_PRESENCE = 1u << 2;

// Sound emission levels; a sensor hears levels at or above its minimum.
enum COD_SoundLevel : s32
{
    COD_SOUND_NONE = 0,
    COD_SOUND_SILENT = 1,
    COD_SOUND_MEDIUM = 2,
    COD_SOUND_LOUD = 3,
};

class COD_Emitter : public COD_Description
{
    RTI_DECLARE_CLASS(COD_Emitter)

public:
    COD_Emitter() = default;
    ~COD_Emitter() override;
    COD_Emitter(const COD_Emitter&) = delete;
    COD_Emitter& operator=(const COD_Emitter&) = delete;

    // Reads the "Emitter" keys, all mandatory: "Presence", "Visible" and "VisibilityBlocking"
    // set their bit only for exactly 1; "SoundEmissionLevel" is "none", "silent", "medium" or
    // "loud", anything else is fatal.
    void Parse(DES_Section* _section);
    // The owner, its name, its collision tree (null: blocks no line of sight) and transform.
    void SetOwner(NOD_Node* _owner, COS_OBBS_Tree* _tree, const MAT_Matrix34* _transform);

    bool IsVisible() const { return (m_flags & COD_EMITTER_VISIBLE) != 0; }
    bool IsBlocking() const { return (m_flags & COD_EMITTER_VISIBILITY_BLOCKING) != 0; }
    bool IsPresent() const { return (m_flags & COD_EMITTER_PRESENCE) != 0; }

    RTI_Pointer m_owner;
    COS_OBBS_Tree* m_tree = nullptr;  // tested when the emitter blocks a line of sight
    SIM_Name m_name;
    f32 m_position[3] = {};
    const MAT_Matrix34* m_transform = nullptr;
    s32 m_soundLevel = COD_SOUND_NONE;
    u32 m_flags = 0;
    s32 m_entryId = -1;  // -1 = not registered
};
