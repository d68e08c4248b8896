// World frames through the chain of carriers, and the shared body setters.
#include "nod_cs.h"

#include <cmath>

const MAT_Matrix34* NOD_CS::GetWorldTransform(f32 _t)
{
    if (std::fabs(m_worldTime - _t) <= MAT_EPSILON)
        return &m_world;
    const MAT_Matrix34& local = *m_track.GetAt(_t, nullptr);
    if (m_parent != nullptr)
        m_world = m_parent->GetWorldTransform(_t)->Compose(local);
    else
        m_world = local;
    m_worldTime = _t;
    return &m_world;
}

void NOD_CS::SetTransform(f32 _t, const MAT_Matrix34& _transform)
{
    m_track.SetTransform(_t, _transform, MAT_Vector3());
    // A read at a time already cached would answer the place before the change.
    m_worldTime = -1.0f;
    if (m_attached != nullptr)
        m_attached->SetMatrix(_transform);
}

void NOD_CS::SetState(f32 _t, const MAT_Matrix34& _transform)
{
    m_track.SetState(_t, _transform, MAT_Vector3());
    m_worldTime = -1.0f;
    if (m_attached != nullptr)
        m_attached->SetMatrix(_transform);
}

void NOD_CS::SetStateWithVelocity(f32 _t, const MAT_Matrix34& _transform, const MAT_Vector3& _velocity)
{
    m_track.SetState(_t, _transform, _velocity);
    m_worldTime = -1.0f;
    if (m_attached != nullptr) {
        m_attached->SetMatrix(_transform);
        m_attached->SetVelocity(_velocity);
    }
}

void NOD_CS::RecordStep(f32 _t, const MAT_Matrix34& _transform, const MAT_Vector3& _velocity)
{
    m_track.SetState(_t, _transform, _velocity);
    m_worldTime = -1.0f;
}
