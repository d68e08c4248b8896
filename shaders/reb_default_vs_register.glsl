// Registers shared by every vertex program except the sprite, overlay and billboard programs:
//   c0 (0, 0, 0, 0)   c1 (1, 1, 1, 1)   c2 the eye in the object's space
//   c3-c6 the world-view-projection rows: clip = (P . c3, P . c4, P . c5, P . c6)
vec4 REB_ClipPosition(vec4 _p)
{
    return vec4(dot(_p, c[3]), dot(_p, c[4]), dot(_p, c[5]), dot(_p, c[6]));
}
