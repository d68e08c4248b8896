// Trails: lit by ambient alone, added to the frame under the fog.
//   c9, c10 the fog rows height and depth
//   c50 the emissive colour (r, g, b, 0)   c51 (ambient r, g, b, material alpha)
#include "reb_default_vs_register.glsl"

void VS_Main()
{
    oPos = REB_ClipPosition(v0);
    oD0 = c[51] * v2 + c[50];
    oT0 = v3;
    oT1 = vec4(dot(v0, c[9]), dot(v0, c[10]), 0.0, 1.0);
}
