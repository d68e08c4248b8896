// A bone of fixed rest length whose tip trails behind when its root moves: its length follows
// the rest length through a first-order filter within stretch limits (stretching along the
// bone while thinning across it, so it keeps its volume), and its orientation follows the
// animated one through a second filter.
//
// The segment drives a frame it does not own (translation, then axes 1, 2, 3; the bone extends
// along axis 3), placed by its father's frame (also not owned) and its local frame. One thread.
#pragma once

#include "mat_matrix.h"
#include "mot_smoother.h"
#include "os_types.h"
#include "sim_clock.h"

class FX_PhysicalSegment
{
public:
    FX_PhysicalSegment();

    // Stores the father's frame (null for a root) and places the output at once.
    void SetParent(const MAT_Matrix34* _parent);
    // One filtered step of the bone at the clock's step; inactive, the output only follows.
    void Update(const SIM_Clock& _clock);

    MAT_Matrix34* output = nullptr;
    MAT_Matrix34 local;
    f32 minStretch = 0.1f;
    f32 maxStretch = 1.9f;
    MOT_Smoother orientationSmoother;
    MOT_Smoother lengthSmoother;
    f32 restLength = 16.0f;
    f32 inverseRestLength = 0.0625f;
    const MAT_Matrix34* parent = nullptr;
    s32 active = 1;

private:
    // output = father composed with local (local alone for a root).
    void Follow();
};
