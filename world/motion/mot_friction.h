// Friction: damping of the free axes of a motion state, added as accelerations.
//
// Each flag bit damps one axis with its coefficient; a coefficient of 1 (or more) cancels the
// whole velocity over one step once integrated, less cancels that fraction. Velocities and
// rates are not changed here, only accelerations. Plain value type.
#pragma once

#include <initializer_list>

#include "mem_alloc.h"
#include "mot_motionstate.h"
#include "os_types.h"
#include "sim_clock.h"

class MOT_Friction : public MEM_Object
{
public:
    enum : u32
    {
        BODY_X = 0x1,    // c0
        BODY_Y = 0x2,    // c1
        BODY_Z = 0x4,    // c2
        HEADING = 0x8,   // c6
        PITCH = 0x10,    // c7
        ROLL = 0x20,     // c8
        WORLD_X = 0x40,  // c3, replaces BODY_X
        WORLD_Y = 0x80,  // c4, replaces BODY_Y
        WORLD_Z = 0x100  // c5, replaces BODY_Z
    };

    u32 flags = 0;
    f32 c[9] = {1.0f, 1.0f, 1.0f, 1.0f, 1.0f, 1.0f, 1.0f, 1.0f, 1.0f};

    // Adds the damping of the enabled axes to the state's accelerations, from the velocities
    // and rates as they are on entry.
    void Apply(const SIM_Clock& _clock, MOT_MotionState& _state) const;
    // Apply with the axes that controllers drive this step left undamped. The masks are
    // joined bit by bit: two controllers driving the same axis must not add up to another
    // axis's bit.
    void ApplyOnFreeAxes(const SIM_Clock& _clock, MOT_MotionState& _state, std::initializer_list<u32> _drivenMasks);
};
