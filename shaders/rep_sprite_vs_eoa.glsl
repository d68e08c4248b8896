// A particle field that repeats around the eye: every vertex carries its particle's centre,
// wrapped into the field cube in front of the eye, and its corner offset in the normal, turned
// in the view plane so that the particle always faces the viewer.
//   c2, c3, c4   the field frame rows x, y, z: cube coordinates (0..1) to view space
//   c5, c6       the corner axes: view x and view z of the corner offset (x, -, z)
//   c7-c10       the projection rows
//   c11          the emissive colour (r, g, b, 0)   c12 (ambient r, g, b, material alpha)
//   c13          the field offset minus the cube corner   c14 (1/E, 1/E, 1/E, 1), E the cube side
//   c15          the fade row: 1 at the eye, the fade factor at depth E
void VS_Main()
{
    vec4 q = vec4(fract((v0.xyz + c[13].xyz) * c[14].xyz), 1.0);
    vec4 p = vec4(dot(q, c[2]), dot(q, c[3]), dot(q, c[4]), 1.0);
    float fade = max(dot(p, c[15]), 0.0);
    p.x += dot(v1.xyz, c[5].xyz);
    p.z += dot(v1.xyz, c[6].xyz);
    oPos = vec4(dot(p, c[7]), dot(p, c[8]), dot(p, c[9]), dot(p, c[10]));
    vec4 color = c[12] * v2 + c[11];
    oD0 = vec4(color.rgb * fade, color.a);
    oT0 = v3;
}
