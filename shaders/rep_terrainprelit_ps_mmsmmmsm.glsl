// Two layers merged: twice the sum of selector x material, as two added layer passes give.
vec4 PS_Main()
{
    return clamp(2.0 * (t0 * t1 + t2 * t3), 0.0, 1.0);
}
