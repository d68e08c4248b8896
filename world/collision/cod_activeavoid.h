// An avoider (type 5): predicts, on avoidance passes, whether the straight path toward the
// owner's goal is obstructed and answers with a result flag and a corrected goal that leads
// around the noted obstacles and over or along the terrain.
//
// The owner writes the goal, may switch the two avoidance bits at run time, and reads the
// result flag and the corrected goal; between avoidance passes the answer stays as it was.
// The noted obstacles fill during the pass's group-2 callbacks and are emptied by Predict in
// the same pass. An avoider is an obstacle for others too, through the obstacle its owner
// makes beside it. The obstacle arrays are owned; the transforms and trees are the owners'.
#pragma once

#include "cod_passiveavoid.h"
#include "mat_geometry.h"
#include "mat_vector.h"
#include "os_types.h"
#include "rti_pointer.h"

struct MRT_TerrainCell;

// Bits of COD_ActiveAvoid::m_avoidanceFlags.
inline constexpr u32 COD_AVOID_TERRAIN = 1u << 0;
inline constexpr u32 COD_AVOID_OBJECTS = 1u << 1;

// Prediction refines its way round a cluster of obstacles at most this often.
inline constexpr s32 COD_AVOID_MAX_ITERATIONS = 20;
inline constexpr f32 COD_AVOID_MAX_LOOK_AHEAD = 1000.0f;
inline constexpr f32 COD_AVOID_MAX_RATIO = 0.95f;

class COD_ActiveAvoid : public COD_PassiveAvoid
{
public:
    COD_ActiveAvoid() = default;
    ~COD_ActiveAvoid() override;
    COD_ActiveAvoid(const COD_ActiveAvoid&) = delete;
    COD_ActiveAvoid& operator=(const COD_ActiveAvoid&) = delete;

    // Reads the "Avoidance" keys (all mandatory): the class table, the two switches, the
    // clamped distances and angle, and the obstacle list of the given capacity (a negative
    // one counts as none). Replaces an earlier list and clears the ignore reference.
    void Parse(DES_Section* _section) override;
    // Every field of the source, with an empty ignore reference, nothing noted, not
    // registered, and obstacle arrays of its own of the same capacity.
    void Clone(const COD_ActiveAvoid& _source);
    // The broad-phase box relative to the owner: the cube of half size LookAheadDistance.
    void GetBox(MAT_AABox& _box) const;

    // Group-2 pair callback on avoidance passes: keeps the obstacle's transform and tree
    // unless it is the ignored node or one of its body descendants, is of a class this
    // avoider does not avoid, or the list is full.
    virtual void NoteObstacle(COD_PassiveAvoid* _obstacle);
    // Recomputes the result flag and the corrected goal and returns the flag; the noted list
    // is empty afterwards. A null cell, or one without a terrain, has no ground.
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
    s32 m_avoidedClasses[COD_SIZE_CLASS_COUNT] = {};
    s32 m_avoidedClassCount = 0;
    s32 m_listPosition = -1;  // in COH_ActiveAvoid's list, -1 = none
    s32 m_ground = 0;         // 1 for vehicles: they steer along the ground
    f32 m_climbLimit = 0.0f;  // cosine of the steepest slope a ground avoider climbs

private:
    // The way round the noted obstacles: the correction A and whether anything was hit.
    s32 AvoidObjects(const MAT_Vector3& _position, f32 _length, f32 _distance, f32 _radius, f32 _ratio,
                     MAT_Vector3& _correction) const;
    // 1 when the obstacle is close enough to matter, with its root box placed in the world.
    s32 PlaceObstacle(s32 _index, const MAT_Vector3& _position, f32 _radius, MAT_Matrix34& _frame,
                      MAT_Vector3& _halfExtents) const;
    void AllocateObstacles(s32 _capacity);
    void FreeObstacles();
};
