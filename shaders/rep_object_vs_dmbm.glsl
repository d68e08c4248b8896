// Bump map on stage 0 (tiled by c18), diffuse map on stage 1; multiplied into the frame.
#include "reb_default_vs_register.glsl"
#include "rep_object_vs_register.glsl"

void VS_Main()
{
    oPos = REB_ClipPosition(v0);
    oT0 = vec4(v3.xy * c[18].xy, 0.0, 1.0);
    oT1 = v3;
}
