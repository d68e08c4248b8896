// An emitter (type 6): how a body can be perceived by sensors (present, visible, loud) and
// whether it blocks the view of others.
//
// The owner keeps the position (the centre of its box) up to date every pass.
#pragma once

#include "cod_collidable.h"
#include "os_types.h"
#include "rti_pointer.h"
#include "sim_name.h"

class COS_OBBS_Tree;
class MAT_Matrix34;

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

class COD_Emitter : public COD_Description
{
    RTI_DECLARE_CLASS(COD_Emitter)

public:
    COD_Emitter() = default;
    ~COD_Emitter() override;
    COD_Emitter(const COD_Emitter&) = delete;
    COD_Emitter& operator=(const COD_Emitter&) = delete;

    RTI_Pointer m_owner;
    COS_OBBS_Tree* m_tree = nullptr;  // tested when the emitter blocks a line of sight
    SIM_Name m_name;
    f32 m_position[3] = {};
    const MAT_Matrix34* m_transform = nullptr;
    s32 m_soundLevel = 0;  // 0 none, 1 silent, 2 medium, 3 loud
    u32 m_flags = 0;
    s32 m_entryId = -1;  // -1 = not registered
};
