#include "reb_planarprojection.h"

#include "mat_round.h"

void REB_PlanarProjection::Compute(const REB_PlanarProjection& _record, const MAT_Matrix34& _view,
                                   const MAT_Matrix34& _world, f32 _rows[12])
{
    const f32 s = _record.tiling;
    const f32 k = _record.heightFactor;
    // The camera position snapped to the texture grid.
    const f32 su = (f32)MAT_FloorByRounding((_view.t.x - _record.originU) * s) / s + _record.originU;
    const f32 sv = (f32)MAT_FloorByRounding((_view.t.y - _record.originV) * s) / s + _record.originV;
    const MAT_Vector3 a0 = _world.r.GetX();
    const MAT_Vector3 a1 = _world.r.GetY();
    const MAT_Vector3 a2 = _world.r.GetZ();

    _rows[0] = a0.x * s;
    _rows[1] = a1.x * s;
    _rows[2] = a2.x * s;
    _rows[3] = (_world.t.x - su) * s;
    _rows[4] = a0.y * s;
    _rows[5] = a1.y * s;
    _rows[6] = a2.y * s;
    _rows[7] = (_world.t.y - sv) * s;
    _rows[8] = a0.z * k;
    _rows[9] = a1.z * k;
    _rows[10] = a2.z * k;
    _rows[11] = 1.0f;
}
