#include "gui_textitem.h"

#include <cstring>

#include "os_fatal.h"
#include "reb_color.h"
#include "vec_mesh.h"

template <s32 N>
void GUI_Track<N>::Evaluate(f32 _time, f32* _value) const
{
    if (type != TYPE_LINEAR) {
        for (s32 i = 0; i < N; ++i)
            _value[i] = constant[i];
        return;
    }
    // Before the start the move extrapolates backwards; from its end on it holds the end value
    // exactly. A move without duration is at its end at once (no division by zero).
    const f32 fraction = duration > 0.0f ? (_time - startTime) / duration : 1.0f;
    for (s32 i = 0; i < N; ++i)
        _value[i] = fraction >= 1.0f ? end[i] : start[i] + (end[i] - start[i]) * fraction;
}

template <s32 N>
void GUI_Track<N>::Start(f32 _time, f32 _duration, const f32* _target)
{
    f32 now[N];
    Evaluate(_time, now);
    for (s32 i = 0; i < N; ++i) {
        start[i] = now[i];
        end[i] = _target[i];
    }
    startTime = _time;
    duration = _duration;
    type = TYPE_LINEAR;
}

template struct GUI_Track<1>;
template struct GUI_Track<2>;
template struct GUI_Track<3>;

GUI_TextItem::GUI_TextItem(s32 _valueCount, s32 _capacity)
{
    if (_valueCount > 0) {
        m_values = new GUI_TextData[_valueCount];
        m_valueCount = _valueCount;
        for (s32 i = 0; i < _valueCount; ++i)
            m_values[i].Allocate(_capacity);
    }
}

GUI_TextItem::~GUI_TextItem() { delete[] m_values; }

u32 GUI_TextItem::SetText(s32 _index, const char* _text)
{
    if (m_values == nullptr)
        OS_Fatal("GUI_TextItem::SetText()", "no textdata allocated before");
    if ((u32)_index >= (u32)m_valueCount)
        OS_Fatal("GUI_TextItem::SetText()", "text data index out of range");
    return m_values[_index].SetText(_text);
}

const char* GUI_TextItem::GetCurrentText() const
{
    if (m_values == nullptr)
        return "";
    const char* text = m_values[m_currentValue].GetText();
    return text != nullptr ? text : "";
}

void GUI_TextItem::NextValue()
{
    m_currentValue = m_currentValue + 1 >= m_valueCount ? 0 : m_currentValue + 1;
    m_dirty = 1;
}

void GUI_TextItem::PreviousValue()
{
    m_currentValue = m_currentValue <= 0 ? (m_valueCount > 0 ? m_valueCount - 1 : 0) : m_currentValue - 1;
    m_dirty = 1;
}

void GUI_TextItem::SetValue(s32 _index)
{
    if (_index >= m_valueCount)
        _index = m_valueCount - 1;
    if (_index < 0)
        _index = 0;
    m_currentValue = _index;
    m_dirty = 1;
}

void GUI_TextItem::MoveTo(f32 _time, f32 _duration, const GUI_Vector2& _position)
{
    const f32 target[2] = {_position.x, _position.y};
    m_position.Start(_time, _duration, target);
}

void GUI_TextItem::ScaleTo(f32 _time, f32 _duration, const GUI_Vector2& _factors)
{
    const f32 target[2] = {m_scale.constant[0] * _factors.x, m_scale.constant[1] * _factors.y};
    m_scale.Start(_time, _duration, target);
}

void GUI_TextItem::ScaleReset(f32 _time, f32 _duration) { m_scale.Start(_time, _duration, m_scale.constant); }

void GUI_TextItem::ColourTo(f32 _time, f32 _duration, const MAT_Vector3& _colour)
{
    const f32 target[3] = {_colour.x, _colour.y, _colour.z};
    m_colour.Start(_time, _duration, target);
}

void GUI_TextItem::ColourReset(f32 _time, f32 _duration) { m_colour.Start(_time, _duration, m_colour.constant); }

void GUI_TextItem::FadeTo(f32 _time, f32 _duration, f32 _alpha) { m_alpha.Start(_time, _duration, &_alpha); }

GUI_Vector2 GUI_TextItem::GetPosition(f32 _time) const
{
    f32 value[2];
    m_position.Evaluate(_time, value);
    return {value[0], value[1]};
}

f32 GUI_TextItem::GetAngle(f32 _time) const
{
    f32 value;
    m_angle.Evaluate(_time, &value);
    return value;
}

GUI_Vector2 GUI_TextItem::GetScale(f32 _time) const
{
    f32 value[2];
    m_scale.Evaluate(_time, value);
    return {value[0], value[1]};
}

MAT_Vector3 GUI_TextItem::GetColour(f32 _time) const
{
    f32 value[3];
    m_colour.Evaluate(_time, value);
    return {value[0], value[1], value[2]};
}

f32 GUI_TextItem::GetAlpha(f32 _time) const
{
    f32 value;
    m_alpha.Evaluate(_time, &value);
    return value;
}

GUI_Vector2 GUI_TextItem::GetSize(f32 _time) const
{
    const GUI_Vector2 scale = GetScale(_time);
    return {m_baseSize.x * scale.x, m_baseSize.y * scale.y};
}

REB_Mesh* GUI_TextItem::UpdateMaterial(f32 _time)
{
    if (m_mesh.GetMaterialCount() == 0)
        return &m_mesh;  // no quad yet: nothing to colour
    VEC_Material& material = m_mesh.GetMaterial(0)->material;
    // Toward zero, held to a byte so that an alpha a little outside 0..1 cannot wrap.
    s32 alpha = (s32)(GetAlpha(_time) * 255.0f);
    alpha = alpha < 0 ? 0 : (alpha > 255 ? 255 : alpha);
    material.diffuseMap.alpha = (u8)alpha;
    // The overlay pass colours a quad with the material's self-illumination (the menu's texts
    // are drawn under a black ambient light).
    u8 bytes[4];
    REB_PackColor(bytes, GetColour(_time));
    std::memcpy(&material.selfIllumination, bytes, 4);
    return &m_mesh;
}

void GUI_TextItem::BuildQuad(f32 _vTop, f32 _vHeight)
{
    // Corners (x, z, u, v) in the y = 0 plane, facing -y.
    const f32 corners[4][4] = {{0.5f, -0.5f, 1.0f, _vTop + _vHeight},
                               {-0.5f, -0.5f, 0.0f, _vTop + _vHeight},
                               {-0.5f, 0.5f, 0.0f, _vTop},
                               {0.5f, 0.5f, 1.0f, _vTop}};
    VEC_MeshPart part;
    part.Allocate(4, 2);
    for (s32 i = 0; i < 4; ++i) {
        DSP_Vertex& vertex = part.vertices[i];
        vertex.x = corners[i][0];
        vertex.y = 0.0f;
        vertex.z = corners[i][1];
        vertex.nx = 0.0f;
        vertex.ny = -1.0f;
        vertex.nz = 0.0f;
        vertex.color = 0xFFFFFFFFu;
        vertex.u = corners[i][2];
        vertex.v = corners[i][3];
    }
    const u16 triangles[2][3] = {{0, 1, 2}, {0, 2, 3}};
    for (s32 t = 0; t < 2; ++t)
        for (s32 k = 0; k < 3; ++k)
            part.triangles[t].vertex[k] = triangles[t][k];
    part.vertexCount = 4;
    part.triangleCount = 2;
    part.ComputeBoundingBox();
    m_mesh.Reconstruct(&part);
}
