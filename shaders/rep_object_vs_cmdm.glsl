// The caustic-lit colour of cm, and the diffuse map on stage 1.
#include "reb_default_vs_register.glsl"
#include "rep_object_vs_register.glsl"

void VS_Main()
{
    oPos = REB_ClipPosition(v0);
    oD0 = vec4(v2.rgb * REP_ObjectLight(v1), REP_CausticWeight(v1));
    oT0 = REP_CausticCoordinates(v0);
    oT1 = v3;
}
