// One layer and the detail texture in one pass: selector, tiled material, tiled detail.
#include "reb_default_vs_register.glsl"
#include "rep_terrainprelit_vs_register.glsl"

void VS_Main()
{
    oPos = REB_ClipPosition(v0);
    oT0 = v3;
    oT1 = REP_TiledCoordinates(v0, c[15], c[16]);
    oT2 = REP_TiledCoordinates(v0, c[19], c[20]);
}
