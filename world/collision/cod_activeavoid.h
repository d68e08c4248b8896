// An avoider (type 5): predicts, on avoidance passes, whether the straight path toward the
// owner's goal is obstructed and answers with a flag and a corrected goal.
//
// The noted obstacles fill during the pass's group-2 callbacks and are emptied by Predict in
// the same pass; the answer persists until the next avoidance pass.
#pragma once

#include "cod_passiveavoid.h"
#include "mat_vector.h"
#include "os_types.h"
#include "rti_pointer.h"

struct MRT_TerrainCell;

// Bits of COD_ActiveAvoid::m_avoidanceFlags.
inline constexpr u32 COD_AVOID_TERRAIN = 1u << 0;
inline constexpr u32 COD_AVOID_OBJECTS = 1u << 1;

class COD_ActiveAvoid : public COD_PassiveAvoid
{
public:
    COD_ActiveAvoid() = default;
    ~COD_ActiveAvoid() override;
    COD_ActiveAvoid(const COD_ActiveAvoid&) = delete;
    COD_ActiveAvoid& operator=(const COD_ActiveAvoid&) = delete;

    // Group-2 pair callback on avoidance passes.
    virtual void NoteObstacle(COD_PassiveAvoid* _obstacle);
    // Returns the result flag; the noted list is empty afterwards.
    virtual s32 Predict(MRT_TerrainCell* _cell);
    // Forgets the obstacles noted in this pass.
    virtual void ClearResults();

    MAT_Vector3 m_goal;  // written by the owner
    RTI_Pointer m_ignore;
    MAT_Vector3 m_correctedGoal;
    s32 m_resultFlag = 0;
    u32 m_avoidanceFlags = 0;
    f32 m_lookAheadDistance = 0.0f;
    f32 m_avoidanceRadius = 0.0f;
    f32 m_avoidanceRatio = 0.0f;
    s32 m_maxObstacles = 0;
    s32 m_notedCount = 0;
    const MAT_Matrix34** m_obstacleTransforms = nullptr;  // [m_maxObstacles]
    COS_OBBS_Tree** m_obstacleTrees = nullptr;            // [m_maxObstacles]
    s32 m_avoidedClasses[5] = {};
    s32 m_avoidedClassCount = 0;
    s32 m_listPosition = -1;  // in COH_ActiveAvoid's list, -1 = none
    s32 m_ground = 0;
    f32 m_climbLimit = 0.0f;
};
