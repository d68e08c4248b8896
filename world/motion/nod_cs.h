// The coordinate system every placed body embeds: its motion track, its parent and its world
// frame at a time.
//
// The world frame is the parent's world frame composed with the track's local frame at the
// same time, so a carried object follows its carrier between steps too; it is cached within
// 2^-23 of the time asked. The parent and the attached motion state are not owned: the owner
// keeps them alive while they are set. Single-threaded.
#pragma once

#include "mat_matrix.h"
#include "mem_alloc.h"
#include "mot_motionstate.h"
#include "mot_track.h"
#include "os_types.h"

class NOD_CS : public MEM_Object
{
public:
    NOD_CS() = default;
    NOD_CS(const NOD_CS&) = delete;
    NOD_CS& operator=(const NOD_CS&) = delete;

    const MAT_Matrix34* GetWorldTransform(f32 _t);

    // Places the body anew at rest (history dropped) and places the attached state there too.
    void SetTransform(f32 _t, const MAT_Matrix34& _transform);
    // Records the transform at rest and copies it into the attached state.
    void SetState(f32 _t, const MAT_Matrix34& _transform);
    // Records the transform with the velocity, both also going into the attached state.
    void SetStateWithVelocity(f32 _t, const MAT_Matrix34& _transform, const MAT_Vector3& _velocity);
    // Records a step of the attached state's own motion: the track takes the sample and the
    // world frame is evaluated anew at the next read (a read at _t may have been cached before
    // the sample existed); the attached state, which made the sample, is left as it is.
    void RecordStep(f32 _t, const MAT_Matrix34& _transform, const MAT_Vector3& _velocity);

    void SetParent(NOD_CS* _parent) { m_parent = _parent; }
    NOD_CS* GetParent() const { return m_parent; }
    void SetAttachedFrame(MOT_MotionState* _state) { m_attached = _state; }
    MOT_MotionState* GetAttachedFrame() const { return m_attached; }
    MOT_TransformTrack& GetTrack() { return m_track; }
    f32 GetWorldCacheTime() const { return m_worldTime; }

private:
    NOD_CS* m_parent = nullptr;
    MOT_MotionState* m_attached = nullptr;
    MOT_TransformTrack m_track;
    MAT_Matrix34 m_world;
    f32 m_worldTime = -1.0f;
};
