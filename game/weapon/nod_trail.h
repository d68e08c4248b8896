// The trail node: a body that leaves a ribbon behind it, hung as a son under a moving body.
//
// While in the simulation it holds one trail of the simulation's trail system and hands it its
// world frame once per step; the renderer builds the strip from the trail's samples. The node
// is known to the collision world's visible-object handler by a box around its samples, so the
// camera collects it (and the renderer draws it) only while that box overlaps the view. With
// every trail of the system in use it holds none and lives on drawing nothing.
//
// When its father is collected the node lets go of it: it freezes where it is in the world,
// moves under "/garbage" (still in the simulation, still holding its trail) and adds no more
// samples; one trail life time later it queues itself and is destroyed, which releases the
// trail. That countdown runs whether or not the node still holds a trail or is in the
// simulation. The spawner parses two prototypes; copies carry the description values only.
// One thread.
#pragma once

#include "nod_body.h"
#include "os_types.h"

class PCS_VisibleObject;

class NOD_Trail : public NOD_Body
{
    RTI_DECLARE_CLASS(NOD_Trail)

public:
    static constexpr s32 KEY_COUNT = 5;
    static constexpr f32 NOT_RELEASED = -1.0f;

    // No trail, not released, render bucket 3.
    NOD_Trail();
    ~NOD_Trail() override;

    // A new node with the widths, colours, sampling and texture id; nothing else.
    NOD_Node* Clone() override;
    // Section "Visual": Texture, NumOfSamples, LifeTime, MapsPerSecond, S0..S4, RGBA0..RGBA4;
    // every key is mandatory. Nothing reaches the trail system here.
    void ParseIniFile_Des(DES_Section& _data) override;
    // Samples and box while held and not released; the countdown once released.
    void HeartBeat() override;
    // Node_EnterSimulation and Node_LeaveSimulation; every other id goes to NOD_Body.
    NOD_Message* ProcessMessage(NOD_Message* _message) override;
    // Not released: frozen (under a body father), released now, 1. Released: 0 once the life
    // time has passed, else 2.
    s32 GetGCMode() override;
    // The trail, when held and its box is not entirely outside the frame's view.
    void Render() override;
    // The visible box as last computed, world coordinates.
    void GetBoundingBox(f32* _box, f32 _time) override;

    // The node when it is a trail node, else null; null for null.
    static NOD_Trail* DynamicCast(NOD_Node* _node);

    s32 GetTrailId() const { return m_trailId; }
    f32 GetWidth(s32 _key) const { return m_widths[_key]; }
    // 0xAARRGGBB.
    u32 GetColor(s32 _key) const { return m_colors[_key]; }
    s32 GetNumOfSamples() const { return m_numOfSamples; }
    f32 GetLifeTime() const { return m_lifeTime; }
    f32 GetMapsPerSecond() const { return m_mapsPerSecond; }
    s32 GetTextureId() const { return m_textureId; }
    f32 GetReleaseTime() const { return m_releaseTime; }
    f32 GetBoxTime() const { return m_boxTime; }
    const PCS_VisibleObject* GetVisibleObject() const { return m_visible; }

private:
    void PM_EnterSimulation();
    void PM_LeaveSimulation();
    // The box around the world translation at _time, 1 unit each way.
    void BoxAround(f32 _time);
    void ReportBox();

    s32 m_trailId = -1;
    f32 m_widths[KEY_COUNT] = {};
    u32 m_colors[KEY_COUNT] = {};
    s32 m_numOfSamples = 0;
    f32 m_lifeTime = 0.0f;
    f32 m_mapsPerSecond = 0.0f;
    s32 m_textureId = 0;
    f32 m_releaseTime = NOT_RELEASED;
    f32 m_box[6] = {};
    f32 m_boxTime = NOT_RELEASED;
    PCS_VisibleObject* m_visible = nullptr;  // owned; registered while in the simulation
};
