// The track context.
#include "rpl_trackcontext.h"

namespace
{

const f32* s_trackContext = nullptr;

}  // namespace

void RPL_SetTrackContext(const f32* _context) { s_trackContext = _context; }
const f32* RPL_GetTrackContext() { return s_trackContext; }
