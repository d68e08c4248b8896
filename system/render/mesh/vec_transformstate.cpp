#include "vec_camera.h"

void VEC_TransformState::SetWorld(const MAT_Matrix34& _world)
{
    m_world = _world;
    m_state = (m_state & ~(WORLD_TO_VIEW_VALID | WORLD_VIEW_PROJECTION_VALID | INVERSE_WORLD_VALID)) | WORLD_SET;
}

void VEC_TransformState::SetView(const MAT_Matrix34& _view)
{
    m_view = _view;
    // World-to-view and everything built on it go stale with the view, or a caller that moves
    // the camera without setting the world again would draw with the old camera.
    m_state = (m_state & ~(INVERSE_VIEW_VALID | WORLD_TO_VIEW_VALID | WORLD_VIEW_PROJECTION_VALID)) | VIEW_SET;
}

void VEC_TransformState::SetProjection(const MAT_Matrix44& _projection)
{
    m_projection = _projection;
    m_state = (m_state & ~WORLD_VIEW_PROJECTION_VALID) | PROJECTION_SET;
}

const MAT_Matrix34& VEC_TransformState::GetInverseView()
{
    if (!(m_state & INVERSE_VIEW_VALID)) {
        m_inverseView = m_view.InvertRigid();
        m_state |= INVERSE_VIEW_VALID;
    }
    return m_inverseView;
}

const MAT_Matrix34& VEC_TransformState::GetInverseWorld()
{
    if (!(m_state & INVERSE_WORLD_VALID)) {
        m_inverseWorld = m_world.InvertRigid();
        m_state |= INVERSE_WORLD_VALID;
    }
    return m_inverseWorld;
}

const MAT_Matrix34& VEC_TransformState::GetWorldToView()
{
    if (!(m_state & WORLD_TO_VIEW_VALID)) {
        m_worldToView = GetInverseView().Compose(m_world);
        m_state |= WORLD_TO_VIEW_VALID;
    }
    return m_worldToView;
}

const MAT_Matrix44& VEC_TransformState::GetWorldViewProjection()
{
    if (!(m_state & WORLD_VIEW_PROJECTION_VALID)) {
        m_worldViewProjection = m_projection.MultiplyFrame(GetWorldToView());
        m_state |= WORLD_VIEW_PROJECTION_VALID;
    }
    return m_worldViewProjection;
}
