// The diffuse map, multiplied into the lit frame.
#include "reb_default_vs_register.glsl"
#include "rep_object_vs_register.glsl"

void VS_Main()
{
    oPos = REB_ClipPosition(v0);
    oT0 = v3;
}
