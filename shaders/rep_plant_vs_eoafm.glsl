// Plants: lit by ambient alone, their alpha fading out over view depth, under the fog.
//   c9, c10 the fog rows height and depth
//   c11 the fade row: 1 at the fade start, 0 at the fade end, linear in view depth
//   c50 the emissive colour (r, g, b, 0)   c51 (ambient r, g, b, material alpha)
#include "reb_default_vs_register.glsl"

void VS_Main()
{
    float fade = clamp(dot(v0, c[11]), c[0].x, c[1].x);
    oPos = REB_ClipPosition(v0);
    oD0 = vec4(c[51].rgb, c[51].a * fade) * v2 + c[50];
    oT0 = v3;
    oT1 = vec4(dot(v0, c[9]), dot(v0, c[10]), 0.0, 1.0);
}
