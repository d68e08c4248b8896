// The light mesh: black plus the caustic weight as alpha, so stage 0 gives weight x caustic
// and stage 1 adds the light map.
#include "reb_default_vs_register.glsl"
#include "rep_object_vs_register.glsl"

void VS_Main()
{
    oPos = REB_ClipPosition(v0);
    oD0 = vec4(c[0].rgb, REP_CausticWeight(v1));
    oT0 = REP_CausticCoordinates(v0);
    oT1 = v3;
}
