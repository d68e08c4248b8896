// Registers of the terrain programs, after c0-c6 of reb_default_vs_register.glsl:
//   c7, c8   caustic rows u, v            c9   caustic up row (uploaded; no program reads it)
//   c10      (0, 0, 0, caustic height factor), the light-map program's diffuse colour
//   c11, c12 fog rows: height above the fog base, view depth
//   c13      fog ramp row                 c14  (density, density, density, density)
//   c15, c16 material A offset; (scale A x 4)
//   c17, c18 material B offset; (scale B x 4)
//   c19, c20 detail offset; (detail scale x 4)
// The offsets are whole texture repeats near the camera, so the coordinates stay small.
vec4 REP_TiledCoordinates(vec4 _p, vec4 _offset, vec4 _scale)
{
    return vec4((_p.xy + _offset.xy) * _scale.xy, 0.0, 1.0);
}
