// The lens-flare node: its description, the shared quad and its visible box.
#include "nod_flare.h"

#include <new>

#include "des_file.h"
#include "mem_alloc.h"
#include "nod_bodylink.h"
#include "nod_message.h"
#include "nod_scene_local.h"
#include "sim_clock.h"
#include "vec_mesh.h"

RTI_IMPLEMENT_CLASS(NOD_Flare, "NOD_Body")

namespace
{
const char* const PARSE = "NOD_Flare::ParseIniFile()";
constexpr f32 DEGREES_TO_RADIANS = 0.017453292f;
constexpr u32 NAME_BYTES = 256;

VEC_MeshPart* s_quad = nullptr;
s32 s_living = 0;

// A square of side 1 about the origin in the x-z plane, facing -y, texture corners just inside
// 0..1 so that a clamped texture never shows its opposite border.
VEC_MeshPart* CreateQuad()
{
    VEC_MeshPart* quad = new VEC_MeshPart();
    quad->Allocate(4, 2);
    const f32 corners[4][4] = {{-0.5f, 0.5f, 0.0f, 0.0f},
                               {-0.5f, -0.5f, 0.0f, 0.9995f},
                               {0.5f, -0.5f, 0.9995f, 0.9995f},
                               {0.5f, 0.5f, 0.9995f, 0.0f}};
    for (s32 i = 0; i < 4; ++i) {
        DSP_Vertex& v = quad->vertices[i];
        v.x = corners[i][0];
        v.y = 0.0f;
        v.z = corners[i][1];
        v.u = corners[i][2];
        v.v = corners[i][3];
    }
    const u16 triangles[2][3] = {{0, 1, 2}, {0, 2, 3}};
    for (s32 t = 0; t < 2; ++t)
        for (s32 c = 0; c < 3; ++c)
            quad->triangles[t].vertex[c] = triangles[t][c];
    quad->vertexCount = 4;
    quad->triangleCount = 2;
    quad->ComputeNormals(0);
    quad->ComputeBoundingBox();
    return quad;
}
}  // namespace

NOD_Flare::NOD_Flare()
{
    SetRenderBucket(BRISEL_BUCKET_FLARES);
    if (s_living++ == 0)
        s_quad = CreateQuad();
}

NOD_Flare::~NOD_Flare()
{
    FreePlanes();
    if (--s_living == 0) {
        delete s_quad;
        s_quad = nullptr;
    }
}

const VEC_MeshPart* NOD_Flare::GetSharedQuad() { return s_quad; }
s32 NOD_Flare::GetLivingCount() { return s_living; }

void NOD_Flare::FreePlanes()
{
    MEM_Free(m_planes);
    m_planes = nullptr;
    m_numOfPlanes = 0;
}

void NOD_Flare::ParseIniFile_Des(DES_Section& _data)
{
    DES_Section visual = NOD_RequireSection(_data, "Visual", PARSE);
    visual.GetFloat("SizeClip", &m_sizeClip);
    visual.GetFloat("IntensityClip", &m_intensityClip);
    visual.GetVector2("MasterScale", m_masterScale);
    s32 count = 0;
    visual.GetS32("NumOfPlane", &count);
    FreePlanes();
    // The count is a byte: 300 planes are 44.
    const u8 planes = (u8)count;
    if (planes == 0)
        return;
    m_planes = (Plane*)MEM_Alloc((u32)sizeof(Plane) * planes);
    for (u32 i = 0; i < planes; ++i)
        new (&m_planes[i]) Plane();
    m_numOfPlanes = planes;
    for (u32 i = 0; i < planes; ++i) {
        DES_Section section;
        if (!visual.FindSectionIndexed(&section, "Plane", i))
            DES_FatalSectionIndexed(PARSE, "Plane", i, NOD_DesFileName(visual));
        Plane& plane = m_planes[i];
        section.GetFloat("Distance", &plane.distance);
        char texture[NAME_BYTES] = {};
        section.GetString("Texture", texture, sizeof(texture));
        plane.textureId = NOD_RegisterEffectTexture(texture, PARSE);
        section.GetVector2("Scale", plane.scale);
        f32 degrees = 0.0f;
        section.GetFloat("Angle", &degrees);
        plane.angle = degrees * DEGREES_TO_RADIANS;
        f32 color[3] = {};
        section.GetVector3("Color", color);
        f32 opacity = 0.0f;
        section.GetFloat("Opacity", &opacity);
        plane.color[0] = NOD_ColorByte(color[2] * 255.0f);
        plane.color[1] = NOD_ColorByte(color[1] * 255.0f);
        plane.color[2] = NOD_ColorByte(color[0] * 255.0f);
        plane.color[3] = NOD_ColorByte(opacity * 255.0f);
    }
}

void NOD_Flare::HeartBeat()
{
    if (!IsInSimulation())
        return;
    m_record.Step(*this);
    NOD_Node::HeartBeat();
}

NOD_Message* NOD_Flare::ProcessMessage(NOD_Message* _message)
{
    if (m_record.HandleEntry(*this, _message, MAT_Vector3(1.0f, 1.0f, 1.0f)))
        return nullptr;
    return NOD_Body::ProcessMessage(_message);
}

NOD_Flare* NOD_Flare::DynamicCast(NOD_Node* _node)
{
    if (_node == nullptr || !_node->IsKindOf(GetStaticClassDefinition()))
        return nullptr;
    return static_cast<NOD_Flare*>(_node);
}
