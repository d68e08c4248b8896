// The lens-flare node: a body that carries a flare's description (planes along the view ray,
// each with a distance, texture, size, angle and colour, plus clip values and a master
// scale), follows its father body and keeps a visible box (1 unit each way) with the
// collision world.
//
// Nothing draws flares yet: Render is empty and the planes are kept as read. One unit quad is
// shared by every flare: the first flare made creates it, the last one destroyed frees it.
// Colour bytes are B, G, R, A (not premultiplied), each a 0..1 value times 255 truncated and
// held to 0..255. Not clonable. One thread.
#pragma once

#include "nod_body.h"
#include "nod_visiblerecord.h"
#include "os_types.h"

struct VEC_MeshPart;

class NOD_Flare : public NOD_Body
{
    RTI_DECLARE_CLASS(NOD_Flare)

public:
    struct Plane
    {
        f32 distance = 0.0f;
        f32 scale[2] = {};
        f32 angle = 0.0f;  // radians
        s32 textureId = 0;
        u8 color[4] = {};  // B, G, R, A
    };

    // Render bucket 7; the shared quad made when this is the only flare.
    NOD_Flare();
    // Frees the planes; the last flare frees the shared quad.
    ~NOD_Flare() override;

    // Section "Visual": "SizeClip", "IntensityClip", "MasterScale", "NumOfPlane" (its low eight
    // bits: 0..255 planes) and the subsections "Plane0" .. for that many planes, each with
    // "Distance", "Texture", "Scale", "Angle" (degrees), "Color" and "Opacity". All mandatory.
    void ParseIniFile_Des(DES_Section& _data) override;
    // In the simulation: the box follows the flare one step ahead, then the sons step.
    void HeartBeat() override;
    // Node_EnterSimulation and Node_LeaveSimulation; every other id goes to NOD_Body.
    NOD_Message* ProcessMessage(NOD_Message* _message) override;
    void Render() override {}

    // The node when it is a flare, else null; null for null.
    static NOD_Flare* DynamicCast(NOD_Node* _node);
    // The shared quad (null while no flare lives) and the number of living flares.
    static const VEC_MeshPart* GetSharedQuad();
    static s32 GetLivingCount();

    f32 GetSizeClip() const { return m_sizeClip; }
    f32 GetIntensityClip() const { return m_intensityClip; }
    const f32* GetMasterScale() const { return m_masterScale; }
    u8 GetNumOfPlanes() const { return m_numOfPlanes; }
    const Plane* GetPlanes() const { return m_planes; }
    const NOD_VisibleRecord& GetRecord() const { return m_record; }

private:
    void FreePlanes();

    f32 m_sizeClip = 0.0f;
    f32 m_intensityClip = 0.0f;
    f32 m_masterScale[2] = {};
    Plane* m_planes = nullptr;  // owned, MEM_Alloc
    u8 m_numOfPlanes = 0;
    NOD_VisibleRecord m_record{this};
};
