// The sky, tinted towards the fog by the texture factor in the second stage.
//   c7, c8 the fog rows height and depth (read by the cube-mapped program only)
//   c9, c10 the same rows with x, y and z doubled (w kept): the sky takes the fog of twice
//   its own distance from the eye
#include "reb_default_vs_register.glsl"

void VS_Main()
{
    oPos = REB_ClipPosition(v0);
    oT0 = v3;
    oT1 = vec4(dot(v0, c[9]), dot(v0, c[10]), 0.0, 1.0);
}
