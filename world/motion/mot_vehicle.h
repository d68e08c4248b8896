// The motion model of ground vehicles: drives along the body's forward axis and turns in
// heading; height, pitch and roll follow the ground under the vehicle's box.
#pragma once

#include "mat_vector.h"
#include "mot_model.h"
#include "mrt_terrain.h"

class MOT_Vehicle : public MOT_Model
{
public:
    f32 GetMaxForwardSpeed() const override { return MovePV; }
    f32 GetMaxReverseSpeed() const override { return MoveNV; }

    // The "Control" keys; a missing key stops in the reader, swing values that give no finite
    // gains stop here. FollowBox, HeightOffset and Terrain are the owner's to fill.
    void Parse(DES_Section* _section);
    // Friction on the free axes, translation, ground following, rotation.
    void ControlStep(const SIM_Clock& _clock);

    // Steering: targets for the next control step; min and max are fractions of the speed
    // limit, the clock is not read.
    // Head towards the target on the ground and drive forward.
    void GotoPosition(const SIM_Clock& _clock, const MAT_Vector3& _target, f32 _min, f32 _max);
    // As GotoPosition while the target lies ahead; backwards, tail first, while it lies behind.
    void GotoPositionReverse(const SIM_Clock& _clock, const MAT_Vector3& _target, f32 _min, f32 _max);
    // Turns the hull towards the point; the speed targets stay as they are.
    void FacePoint(const MAT_Vector3& _point);
    // Zero velocity on all three body axes, heading no longer steered.
    void Stop();
    // Rests the box's bottom on the ground: height, pitch and roll targets. Without a terrain,
    // with a corner off the grid or with a box of no area the step leaves everything as it is.
    void FollowTerrain();

    f32 SwingT = 0.0f;
    f32 SwingA = 0.0f;
    f32 FollowBox[6] = {};  // minimum x, y, z, maximum x, y, z in the body's frame
    f32 HeightOffset = 0.0f;
    MRT_Terrain* Terrain = nullptr;  // not owned
};
