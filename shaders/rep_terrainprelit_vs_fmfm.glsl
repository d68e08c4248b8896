// Fog: height above the fog base and view depth address the fog texture. The ramp in the
// diffuse colour is not read by the fog stage.
#include "reb_default_vs_register.glsl"
#include "rep_terrainprelit_vs_register.glsl"

void VS_Main()
{
    oPos = REB_ClipPosition(v0);
    oD0.rgb = vec3(max(dot(v0, c[13]), c[14].w));
    oT0 = vec4(dot(v0, c[11]), dot(v0, c[12]), 0.0, 1.0);
}
