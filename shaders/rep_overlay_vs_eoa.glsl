// Two-dimensional meshes: the pass folds the virtual screen, the size, the turn and the
// position into two clip rows, so a vertex (x, -, z) maps straight to the screen at depth 0.
//   c2, c3 the clip rows x and y   c4 (0, 0, clip z, clip w)
//   c5 the emissive colour (r, g, b, 0)   c6 (ambient r, g, b, material alpha)
void VS_Main()
{
    oPos = vec4(dot(v0, c[2]), dot(v0, c[3]), c[4].z, c[4].w);
    oD0 = c[6] * v2 + c[5];
    oT0 = v3;
}
