// The track context: the record of replication tolerances that the replication host keeps for
// the motion tracks of replicated bodies. The host installs it while it exists; without a host
// (as in a run) the tracks get a null context and work without one.
#pragma once

#include "os_types.h"

void RPL_SetTrackContext(const f32* _context);
const f32* RPL_GetTrackContext();
