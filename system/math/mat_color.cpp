#include "mat_color.h"

void MAT_ColorFromBytes(const u8 _bytes[4], MAT_Vector3& _color)
{
    const f32 scale = 1.0f / 255.0f;
    _color.Set((f32)_bytes[2] * scale, (f32)_bytes[1] * scale, (f32)_bytes[0] * scale);
}
