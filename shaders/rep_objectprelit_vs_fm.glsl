// Fog over the frame. The diffuse colour carries the fog ramp, which the fog stage does not
// read.
#include "reb_default_vs_register.glsl"
#include "rep_object_vs_register.glsl"

void VS_Main()
{
    oPos = REB_ClipPosition(v0);
    oD0.rgb = vec3(max(dot(v0, c[15]), c[16].w));
    oT0 = REP_FogCoordinates(v0);
}
