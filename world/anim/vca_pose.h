// A bone's pose: a position and a unit quaternion (w first), both in the father's frame.
#pragma once

#include "mat_matrix.h"
#include "mat_quaternion.h"
#include "mat_vector.h"

struct VCA_Pose
{
    MAT_Vector3 position;
    MAT_Quaternion rotation{1.0f, 0.0f, 0.0f, 0.0f};

    // The pose as a frame: translation = position, rotation from the quaternion (not normalised).
    MAT_Matrix34 ToFrame() const
    {
        MAT_Matrix34 frame;
        frame.t = position;
        frame.r.FromQuaternion(rotation);
        return frame;
    }
};
