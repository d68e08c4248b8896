#include "reb_color.h"

#include "mat_round.h"

u8 REB_ColorByte(f32 _value)
{
    const s32 value = MAT_FloorByRounding(_value * 255.0f);
    return (u8)(value < 0 ? 0 : value > 255 ? 255 : value);
}

void REB_PackColor(u8 _bytes[4], const MAT_Vector3& _color)
{
    _bytes[0] = REB_ColorByte(_color.z);
    _bytes[1] = REB_ColorByte(_color.y);
    _bytes[2] = REB_ColorByte(_color.x);
    _bytes[3] = 255;
}
