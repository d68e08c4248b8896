// The actor bodies' mesh boxes and centres.
#include "nod_actormesh.h"

#include "brisel_renderer.h"
#include "mat_geometry.h"
#include "reb_mesh.h"

void NOD_ActorMesh::GetBodyBox(f32 _box[6]) const
{
    const REB_Mesh* mesh = Get();
    const MAT_Vector3 low = mesh != nullptr ? mesh->boxMin : MAT_Vector3(-0.5f, -0.5f, -0.5f);
    const MAT_Vector3 high = mesh != nullptr ? mesh->boxMax : MAT_Vector3(0.5f, 0.5f, 0.5f);
    _box[0] = low.x;
    _box[1] = low.y;
    _box[2] = low.z;
    _box[3] = high.x;
    _box[4] = high.y;
    _box[5] = high.z;
}

void NOD_ActorMesh::GetWorldBox(const MAT_Matrix34& _frame, f32* _box) const
{
    f32 local[6];
    GetBodyBox(local);
    MAT_AABox box;
    box.SetFromCorners(MAT_Vector3(local[0], local[1], local[2]), MAT_Vector3(local[3], local[4], local[5]));
    MAT_Vector3 corners[8];
    box.Transform(_frame, corners);
    MAT_AABox world;
    Brisel_Renderer::BoundingBoxOfPoints(world, corners, 8);
    _box[0] = world.m_min.x;
    _box[1] = world.m_min.y;
    _box[2] = world.m_min.z;
    _box[3] = world.m_max.x;
    _box[4] = world.m_max.y;
    _box[5] = world.m_max.z;
}

MAT_Vector3 NOD_ActorMesh::GetCentre(const MAT_Matrix34& _frame) const
{
    const REB_Mesh* mesh = Get();
    if (mesh == nullptr)
        return _frame.t;
    return _frame.TransformPoint((mesh->boxMin + mesh->boxMax) * 0.5f);
}
