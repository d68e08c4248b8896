// A quad facing the viewer: the pass folds the view position, the size, the turn in the view
// plane and the projection into three rows, so the quad's corners (x, 0, z) need no matrix.
//   c2, c3 the clip rows x and y   c4 (0, 0, clip z, clip w)
//   c5 the emissive colour (r, g, b, 0)   c6 (light sum r, g, b, material alpha)
void VS_Main()
{
    oPos = vec4(dot(v0, c[2]), dot(v0, c[3]), c[4].z, c[4].w);
    oD0 = c[6] * v2 + c[5];
    oT0 = v3;
}
