// One line of a menu page: alternative texts of which one is shown, the quad mesh that shows the
// line's row of the page texture, and animated tracks for position, angle, scale, colour, alpha.
//
// A track is either constant or a linear move from a start value to an end value over a duration
// from a start time (real seconds); after its end it holds the end value exactly, before its
// start it extrapolates backwards. Only the constants are set when the item joins a page
// (GUI_TextMenu::AddTextItem); the setters start moves from wherever the track is at their time.
// The item owns its texts and its mesh; a page owns its items. The dirty flag rises at
// construction and at every value change and falls when the page uploads the row.
#pragma once

#include "gui_textdata.h"
#include "mat_vector.h"
#include "mem_alloc.h"
#include "os_types.h"
#include "reb_mesh.h"

struct GUI_Vector2
{
    f32 x = 0.0f;
    f32 y = 0.0f;
};

// A track of N float components (position and scale 2, colour 3, angle and alpha 1).
template <s32 N>
struct GUI_Track
{
    enum
    {
        TYPE_CONSTANT = 0,
        TYPE_LINEAR = 1
    };

    f32 constant[N] = {};
    f32 start[N] = {};
    f32 end[N] = {};
    f32 duration = 0.0f;
    f32 startTime = 0.0f;
    s32 type = TYPE_CONSTANT;

    // The value at _time into _value (N floats).
    void Evaluate(f32 _time, f32* _value) const;
    // Moves linearly from the value at _time to _target (N floats) over _duration seconds.
    void Start(f32 _time, f32 _duration, const f32* _target);
};

class GUI_TextItem : public MEM_Object
{
public:
    // _valueCount texts of _capacity characters each, all ""; value 0 current; dirty.
    GUI_TextItem(s32 _valueCount, s32 _capacity);
    virtual ~GUI_TextItem();
    GUI_TextItem(const GUI_TextItem&) = delete;
    GUI_TextItem& operator=(const GUI_TextItem&) = delete;

    // Sets text _index; fatal without texts or with an index outside them.
    u32 SetText(s32 _index, const char* _text);

    // The next value, wrapping to 0 after the last; marks the item dirty.
    virtual void NextValue();
    // The previous value, wrapping from 0 to the last; marks the item dirty.
    virtual void PreviousValue();
    // Value _index clamped to 0 .. count - 1; marks the item dirty.
    virtual void SetValue(s32 _index);

    s32 GetValueCount() const { return m_valueCount; }
    s32 GetCurrentValue() const { return m_currentValue; }
    const GUI_TextData* GetValue(s32 _index) const { return &m_values[_index]; }  // no check
    const char* GetCurrentText() const;                                           // "" without texts
    u32 IsDirty() const { return m_dirty; }

    // Track moves from _time over _duration seconds.
    void MoveTo(f32 _time, f32 _duration, const GUI_Vector2& _position);
    void ScaleTo(f32 _time, f32 _duration, const GUI_Vector2& _factors);  // constant scale x factors
    void ScaleReset(f32 _time, f32 _duration);                            // back to the constant scale
    void ColourTo(f32 _time, f32 _duration, const MAT_Vector3& _colour);
    void ColourReset(f32 _time, f32 _duration);  // back to the constant colour
    void FadeTo(f32 _time, f32 _duration, f32 _alpha);

    // The tracks at _time.
    GUI_Vector2 GetPosition(f32 _time) const;
    f32 GetAngle(f32 _time) const;
    GUI_Vector2 GetScale(f32 _time) const;
    MAT_Vector3 GetColour(f32 _time) const;
    f32 GetAlpha(f32 _time) const;
    // The base size (page width, row height) times the scale at _time.
    GUI_Vector2 GetSize(f32 _time) const;

    // Writes colour and alpha at _time into the mesh's first material; returns the mesh.
    REB_Mesh* UpdateMaterial(f32 _time);
    REB_Mesh* GetMesh() { return &m_mesh; }
    // The line's quad: one part of four vertices showing v from _vTop to _vTop + _vHeight.
    void BuildQuad(f32 _vTop, f32 _vHeight);

private:
    friend class GUI_TextMenu;

    GUI_TextData* m_values = nullptr;
    s32 m_currentValue = 0;
    u32 m_dirty = 1;
    s32 m_valueCount = 0;
    REB_Mesh m_mesh;
    GUI_Track<2> m_position;
    GUI_Track<1> m_angle;
    GUI_Vector2 m_baseSize;
    GUI_Track<2> m_scale;
    GUI_Track<3> m_colour;
    GUI_Track<1> m_alpha;
};
