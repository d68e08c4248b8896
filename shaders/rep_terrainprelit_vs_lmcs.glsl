// Light map and caustics: stage 0 adds the light map to c10 and takes the caustic weight (the
// height factor) times the light map's alpha; stage 1 adds that much of the caustic.
#include "reb_default_vs_register.glsl"
#include "rep_terrainprelit_vs_register.glsl"

void VS_Main()
{
    oPos = REB_ClipPosition(v0);
    oD0 = c[10];
    oT0 = v3;
    oT1 = vec4(dot(v0, c[7]), dot(v0, c[8]), 0.0, 1.0);
}
