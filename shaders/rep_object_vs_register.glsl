// Registers of the object, pre-lit object and standard programs, after c0-c6 of
// reb_default_vs_register.glsl:
//   c10, c11 caustic rows u, v            c12  caustic up row: N . c12 is the caustic weight
//   c13, c14 fog rows: height above the fog base, view depth
//   c15      fog ramp row                 c16  (density, density, density, density)
//   c18      (bump tiling, bump tiling, 0, 0)
//   c50      emissive colour (r, g, b, 0) c51  (ambient r, g, b, material alpha)
//   c53, c54 directional light front and back colour;  c55 its negated direction (w unused)
// c52 and c56 on hold point lights that no program built here reads.

// Ambient plus one directional light; the side turned away from the light takes the back
// colour instead of going dark.
vec3 REP_ObjectLight(vec4 _normal)
{
    float d = dot(_normal.xyz, c[55].xyz);
    return c[51].rgb + c[53].rgb * max(d, 0.0) - c[54].rgb * min(d, 0.0);
}

// Caustics are projected from above and weighted by how much the surface faces up.
vec4 REP_CausticCoordinates(vec4 _p)
{
    return vec4(dot(_p, c[10]), dot(_p, c[11]), 0.0, 1.0);
}

float REP_CausticWeight(vec4 _normal)
{
    return dot(_normal.xyz, c[12].xyz);
}

// Height above the fog base and view depth address the fog texture.
vec4 REP_FogCoordinates(vec4 _p)
{
    return vec4(dot(_p, c[13]), dot(_p, c[14]), 0.0, 1.0);
}
