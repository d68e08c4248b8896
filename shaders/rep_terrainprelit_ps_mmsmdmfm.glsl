// Twice selector x material, times twice the detail: what the layer pass and the detail pass
// give together, without the frame's 8-bit rounding in between.
vec4 PS_Main()
{
    return clamp(4.0 * t0 * t1 * t2, 0.0, 1.0);
}
