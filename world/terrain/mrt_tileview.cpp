#include "mrt_tileview.h"

MRT_TileView::MRT_TileView() = default;

void MRT_TileView::Init(const MAT_Vector3& _origin, const MAT_Vector3& _scale, f32 _C, s32 _mode)
{
    origin = _origin;
    scale = _scale;
    C = _C;
    mode = _mode;
}

void MRT_TileView::SetDetail(f32 _detail)
{
    c = _detail >= 1.0f ? _detail * _detail : 1.0f;
    CPrime = (scale.x + scale.y) * _detail * 0.5f;
}
