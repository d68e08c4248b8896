// Two small visual bodies usually hung under a vessel, vehicle or turret: the halo (a glow)
// and the cone (a light-cone mesh).
//
// A halo projects its own position onto the near and the far side of a reference sphere (one
// of its own "BSRad" about itself, or else its father body's bounding sphere) and draws a
// camera-facing billboard at each, cross-faded by how far it faces away from the camera: a
// headlight glows in front of its vessel when the vessel faces the camera and behind it when
// it faces away. Each keeps its screen size along the view ray. A halo behind the eye, or
// whose sphere lies wholly behind the near limit, draws nothing. The camera collects it by a
// box of 1 unit each way about it (the first box, on entering, is wider: the scale plus 10).
//
// A cone registers its mesh's box as its contact aggregate's visible part and draws nothing.
// Colour bytes are B, G, R, A, each a 0..1 value times 255 truncated and held to 0..255.
// Neither is clonable. One thread.
#pragma once

#include "nod_body.h"
#include "nod_visiblerecord.h"
#include "os_types.h"

class VEC_Mesh;

class NOD_Halo : public NOD_Body
{
    RTI_DECLARE_CLASS(NOD_Halo)

public:
    // The "BSRad" of a halo that has none: the smallest normal float.
    static constexpr f32 NO_RADIUS = 1.1754944e-38f;

    // Render bucket 5.
    NOD_Halo();
    ~NOD_Halo() override;

    // Section "Visual": "Texture", "Scale", "Color", "Opacity" (mandatory), "BSRad" (optional).
    // The colour is premultiplied by the opacity, which is also the alpha.
    void ParseIniFile_Des(DES_Section& _data) override;
    // In the simulation: the box follows the halo one step ahead. The sons get no step.
    void HeartBeat() override;
    // Node_EnterSimulation and Node_LeaveSimulation; every other id goes to NOD_Body.
    NOD_Message* ProcessMessage(NOD_Message* _message) override;
    // The two billboards at the frame time, through the renderer's camera.
    void Render() override;
    // The world position at _time +/- the larger scale value.
    void GetBoundingBox(f32* _box, f32 _time) override;

    // The node when it is a halo, else null; null for null.
    static NOD_Halo* DynamicCast(NOD_Node* _node);

    s32 GetTextureId() const { return m_textureId; }
    f32 GetScaleX() const { return m_scale[0]; }
    f32 GetScaleY() const { return m_scale[1]; }
    // B, G, R, A.
    const u8* GetColor() const { return m_color; }
    f32 GetRadius() const { return m_radius; }
    const NOD_VisibleRecord& GetRecord() const { return m_record; }

private:
    // The reference box at _time: about the halo with its own radius, else its father's box;
    // 0 when there is none (no own radius and no body father).
    u32 ReferenceBox(f32 _time, f32 _box[6]);

    s32 m_textureId = 0;
    f32 m_scale[2] = {};
    u8 m_color[4] = {};
    f32 m_radius = NO_RADIUS;
    NOD_VisibleRecord m_record{this};
};

class NOD_Cone : public NOD_Body
{
    RTI_DECLARE_CLASS(NOD_Cone)

public:
    // Render bucket 2, no mesh.
    NOD_Cone();
    // Releases the mesh.
    ~NOD_Cone() override;

    // Section "Visual": "NameMesh" (from "vfx\msh\"), "Scale", "Color"; then the mesh's box
    // becomes the contact aggregate's visible part.
    void ParseIniFile_Des(DES_Section& _data) override;
    // In the simulation: the aggregate's boxes follow the cone one step ahead. The sons get
    // no step.
    void HeartBeat() override;
    // Node_EnterSimulation and Node_LeaveSimulation; every other id goes to NOD_Body.
    NOD_Message* ProcessMessage(NOD_Message* _message) override;
    void Render() override {}
    // The mesh's box carried by the world frame at _time (the unit box without a mesh).
    void GetBoundingBox(f32* _box, f32 _time) override;

    // The node when it is a cone, else null; null for null.
    static NOD_Cone* DynamicCast(NOD_Node* _node);

    s32 GetMeshHandle() const { return m_mesh; }
    const f32* GetScale() const { return m_scale; }
    // B, G, R, A (always 255).
    const u8* GetColor() const { return m_color; }

private:
    VEC_Mesh* GetMesh() const;
    void ReleaseMesh();

    s32 m_mesh = 0;
    f32 m_scale[3] = {};
    u8 m_color[4] = {};
};
