// Two layers in one pass: selector A, tiled material A, selector B, tiled material B.
#include "reb_default_vs_register.glsl"
#include "rep_terrainprelit_vs_register.glsl"

void VS_Main()
{
    oPos = REB_ClipPosition(v0);
    oT0 = v3;
    oT1 = REP_TiledCoordinates(v0, c[15], c[16]);
    oT2 = v3;
    oT3 = REP_TiledCoordinates(v0, c[17], c[18]);
}
