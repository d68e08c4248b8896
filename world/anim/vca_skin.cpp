// Skin weights and the deformation of the mesh.
#include "vca_skin.h"

#include <cmath>
#include <limits>
#include <new>

#include "des_file.h"
#include "os_fatal.h"
#include "os_string.h"
#include "vca_local.h"
#include "vca_skeleton.h"
#include "vec_mesh.h"

namespace
{
const char* const LOAD = "VCA_Skin::LoadReferenceFrame()";
const char* const SET_MESH = "VCA_Skin::SetMesh()";
const char* const COMPUTE = "VCA_Skin::ComputeAnimatedMesh()";

// W x 255 truncated and held within a byte (NaN weighs nothing).
u8 WeightByte(f32 _w)
{
    const f32 scaled = _w * 255.0f;
    if (!(scaled > 0.0f))
        return 0;
    if (scaled >= 255.0f)
        return 255;
    return (u8)scaled;
}

// The vertex subsections V0, V1, ... of every bone's SV0, in order.
template <class F>
void ForEachVertex(DES_Section* _animData, s32 _bones, F _visit)
{
    DES_Section bone;
    DES_Section sample;
    DES_Section vertex;
    for (s32 b = 0; b < _bones; ++b) {
        VCA_FindBone(_animData, b, &bone, LOAD);
        VCA_FindFirstSample(&bone, &sample, LOAD);
        for (u32 v = 0; sample.FindSectionIndexed(&vertex, "V", v); ++v)
            _visit(b, &vertex);
    }
}
}  // namespace

VCA_Skin::~VCA_Skin() { MEM_Free(links); }

void VCA_Skin::LoadReferenceFrame(const char* _path)
{
    DES_File file;
    DES_Section animData;
    VCA_OpenAnimData(&file, &animData, _path, LOAD);
    const s32 bones = VCA_ReadBoneCount(&animData, LOAD);
    s32 ignored = 0;
    animData.GetS32("NOSV", &ignored);
    MEM_Free(links);
    links = nullptr;
    vertexCount = 0;

    s32 highest = -1;
    ForEachVertex(&animData, bones, [&](s32, DES_Section* _vertex) {
        s32 index = 0;
        _vertex->GetS32("I", &index);
        if (index < 0 || index >= VCA_MAX_SKIN_VERTICES)
            OS_Fatal(LOAD, OS_Format("vertex index %d outside 0..%d in file \"%s\"", index, VCA_MAX_SKIN_VERTICES - 1,
                                     file.GetName()));
        if (index > highest)
            highest = index;
    });
    const s32 count = highest + 1;
    if (count == 0)
        return;
    links = (VCA_SkinLink*)VCA_AllocArray(count, (u32)sizeof(VCA_SkinLink), LOAD);
    for (s32 i = 0; i < count; ++i)
        new (&links[i]) VCA_SkinLink();
    vertexCount = count;

    ForEachVertex(&animData, bones, [&](s32 _bone, DES_Section* _vertex) {
        s32 index = 0;
        f32 w = 0.0f;
        _vertex->GetS32("I", &index);
        _vertex->GetFloat("W", &w);
        const u8 weight = WeightByte(w);
        if (weight == 0)
            return;
        if (_bone >= VCA_MAX_SKIN_BONES)
            OS_Fatal(LOAD, OS_Format("bone %d weighs a vertex, but a skin names bones 0..%d only, in file \"%s\"",
                                     _bone, VCA_MAX_SKIN_BONES - 1, file.GetName()));
        VCA_SkinLink& link = links[index];
        for (s32 j = 0; j < link.count; ++j) {
            if (link.bones[j] == _bone) {
                const s32 sum = link.weights[j] + weight;
                link.weights[j] = (u8)(sum > 255 ? 255 : sum);
                return;
            }
        }
        if (link.count >= VCA_MAX_BONES_PER_VERTEX)
            OS_Fatal("Error: More than MAX_NUM_OF_BONES_PER_VERTEX bones referenced by vertex.", LOAD);
        link.bones[link.count] = (u8)_bone;
        link.weights[link.count] = weight;
        ++link.count;
    });
}

void VCA_Skin::SetMesh(VEC_Mesh* _mesh, s32 _copy)
{
    if (links == nullptr)
        OS_Fatal("Error: Load reference frame before setting mesh.", SET_MESH);
    mesh = _mesh;
    if (_copy == 0 || _mesh == nullptr)
        return;
    for (s32 p = 0; p < _mesh->partCount; ++p) {
        const VEC_MeshPart& part = _mesh->parts[p];
        for (s32 v = 0; v < part.vertexCount; ++v) {
            const DSP_Vertex& vertex = part.vertices[v];
            const s32 s = (s32)VEC_GetVertexFileIndex(vertex);
            if (s < 0)
                OS_Fatal("Error: Vertex in animated mesh references negative index. ", SET_MESH);
            if (s >= vertexCount)
                OS_Fatal("Error: Vertex in animated mesh references index higher than all vertices defined in skin. ",
                         SET_MESH);
            if (links[s].count == 0)
                OS_Fatal("Error: Vertex in animated mesh is not linked to any bone for skinning. ", SET_MESH);
            links[s].referencePosition = {vertex.x, vertex.y, vertex.z};
        }
    }
}

void VCA_Skin::ComputeAnimatedMesh(f32 _scale, const VCA_Skeleton* _skeleton)
{
    if (_skeleton->count > VCA_MAX_SKIN_BONES)
        OS_Fatal("Error: Maximal 256 bones allowed for animated mesh computation (increase by re-compilation). ",
                 COMPUTE);
    if (mesh == nullptr)
        OS_Fatal("Error: Can't access animated mesh. ", COMPUTE);
    MAT_Matrix34 frames[VCA_MAX_SKIN_BONES];
    _skeleton->ComputeModelFrames(frames);
    for (s32 i = 0; i < _skeleton->count; ++i)
        frames[i] = frames[i].Compose(_skeleton->inverseReference[i]);

    const f32 scale = _scale / 255.0f;
    for (s32 p = 0; p < mesh->partCount; ++p) {
        VEC_MeshPart& part = mesh->parts[p];
        for (s32 v = 0; v < part.vertexCount; ++v) {
            DSP_Vertex& vertex = part.vertices[v];
            const s32 s = (s32)VEC_GetVertexFileIndex(vertex);
            // A mesh given without the check keeps a vertex the skin does not know.
            if (s < 0 || s >= vertexCount)
                continue;
            const VCA_SkinLink& link = links[s];
            f32 a[12] = {};
            for (s32 j = 0; j < link.count; ++j) {
                // A bone the skeleton does not have pulls nothing.
                if (link.bones[j] >= _skeleton->count)
                    continue;
                const MAT_Matrix34& f = frames[link.bones[j]];
                const f32 w = (f32)link.weights[j];
                a[0] += w * f.t.x;
                a[1] += w * f.t.y;
                a[2] += w * f.t.z;
                for (s32 k = 0; k < 9; ++k)
                    a[3 + k] += w * f.r.m[k];
            }
            MAT_Matrix34 blended;
            blended.t = {a[0], a[1], a[2]};
            for (s32 k = 0; k < 9; ++k)
                blended.r.m[k] = a[3 + k];
            const MAT_Vector3 position = blended.TransformPoint(link.referencePosition) * scale;
            vertex.x = position.x;
            vertex.y = position.y;
            vertex.z = position.z;
        }
        part.ComputeNormals(1);
    }
}
