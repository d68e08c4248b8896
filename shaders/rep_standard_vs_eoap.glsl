// Materials that blend, are see-through or glow: (ambient + directional light, material alpha)
// x vertex colour + emissive colour; the diffuse map's own stage setup does the rest.
#include "reb_default_vs_register.glsl"
#include "rep_object_vs_register.glsl"

void VS_Main()
{
    oPos = REB_ClipPosition(v0);
    oD0 = vec4(REP_ObjectLight(v1), c[51].a) * v2 + c[50];
    oT0 = v3;
}
