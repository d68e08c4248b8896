// The detail texture tiled over the world.
#include "reb_default_vs_register.glsl"
#include "rep_terrainprelit_vs_register.glsl"

void VS_Main()
{
    oPos = REB_ClipPosition(v0);
    oT0 = REP_TiledCoordinates(v0, c[19], c[20]);
}
