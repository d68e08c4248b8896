// The evenly keyed scalar curve of trails, particle emitters, bone tracks and fog density,
// under the name the simulation side knows it by. It is the key curve itself, not a copy.
#pragma once

#include "vfx_keytrack.h"

using MAT_Interpolator_Linear_Scalar = VFX_KeyTrack;
