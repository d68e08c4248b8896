// Cleaning, texture split and vertex-cache order of one mesh part.
#include <cmath>

#include "vec_mesh_local.h"

namespace
{
constexpr u32 UNASSIGNED = 0xFFFFFFFFu;

// Hands the part a new vertex array of exactly _count vertices.
void ReplaceVertices(VEC_MeshPart* _part, DSP_Vertex* _vertices, s32 _count)
{
    MEM_Free(_part->vertices);
    _part->vertices = _vertices;
    _part->vertexCount = _count;
    _part->vertexCapacity = _count;
}
}  // namespace

void VEC_RemoveDegenerates(VEC_MeshPart* _part, f32* _cornerUV)
{
    s32 kept = 0;
    for (s32 t = 0; t < _part->triangleCount; ++t) {
        const VEC_Triangle& triangle = _part->triangles[t];
        const u16* v = triangle.vertex;
        if (v[0] == v[1] || v[1] == v[2] || v[0] == v[2])
            continue;
        if (kept != t) {
            _part->triangles[kept] = triangle;
            for (u32 i = 0; i < 6; ++i)
                _cornerUV[6 * kept + i] = _cornerUV[6 * t + i];
        }
        ++kept;
    }
    _part->triangleCount = kept;
}

void VEC_RemoveUnusedVertices(VEC_MeshPart* _part)
{
    const s32 count = _part->vertexCount;
    VEC_Scratch<u32> newIndex((u64)count);
    for (s32 i = 0; i < count; ++i)
        newIndex[i] = UNASSIGNED;
    u32 used = 0;
    for (s32 t = 0; t < _part->triangleCount; ++t)
        for (u32 c = 0; c < 3; ++c) {
            const u16 v = _part->triangles[t].vertex[c];
            if (newIndex[v] == UNASSIGNED)
                newIndex[v] = used++;
        }
    if ((s32)used == count)
        return;

    VEC_Scratch<DSP_Vertex> vertices(used);
    for (s32 i = 0; i < count; ++i)
        if (newIndex[i] != UNASSIGNED)
            vertices[newIndex[i]] = _part->vertices[i];
    for (s32 t = 0; t < _part->triangleCount; ++t)
        for (u32 c = 0; c < 3; ++c)
            _part->triangles[t].vertex[c] = (u16)newIndex[_part->triangles[t].vertex[c]];
    ReplaceVertices(_part, vertices.Release(), (s32)used);
}

void VEC_SplitByTexture(VEC_MeshPart* _part, const f32* _cornerUV, f32 _tolerance, const char* _file)
{
    // Each vertex slot heads a chain of copies that differ only in texture coordinates; new
    // copies take slots from the vertex count upwards, so at most one per corner.
    const u64 slotLimit = (u64)_part->vertexCount + 3 * (u64)_part->triangleCount;
    VEC_Scratch<DSP_Vertex> slots(slotLimit);
    VEC_Scratch<u32> next(slotLimit);
    VEC_Scratch<u8> assigned(slotLimit);
    VEC_Scratch<u32> cornerSlot(3 * (u64)_part->triangleCount);
    u64 freeSlot = (u64)_part->vertexCount;

    for (s32 t = 0; t < _part->triangleCount; ++t)
        for (u32 c = 0; c < 3; ++c) {
            const u32 v = _part->triangles[t].vertex[c];
            const f32 u = _cornerUV[6 * t + 2 * c];
            const f32 w = _cornerUV[6 * t + 2 * c + 1];
            u32 slot = v;
            if (!assigned[v]) {
                assigned[v] = 1;
                slots[v] = _part->vertices[v];
                slots[v].u = u;
                slots[v].v = w;
                next[v] = UNASSIGNED;
            } else {
                for (;;) {
                    if (std::fabs(slots[slot].u - u) <= _tolerance && std::fabs(slots[slot].v - w) <= _tolerance)
                        break;
                    if (next[slot] == UNASSIGNED) {
                        const u32 copy = (u32)freeSlot++;
                        slots[copy] = slots[slot];
                        slots[copy].u = u;
                        slots[copy].v = w;
                        next[copy] = UNASSIGNED;
                        assigned[copy] = 1;
                        next[slot] = copy;
                        slot = copy;
                        break;
                    }
                    slot = next[slot];
                }
            }
            cornerSlot[3 * (u64)t + c] = slot;
        }

    // 16-bit indices cannot reach past 65536 vertices: refuse rather than wrap.
    if (freeSlot > VEC_MAX_PART_VERTICES)
        OS_Fatal("VEC_Mesh::Load()", OS_Format("a part has %llu vertices after the texture split, more than %u, in file \"%s\"",
                                               (unsigned long long)freeSlot, VEC_MAX_PART_VERTICES, _file));

    // Vertices no corner reached keep their own data in their slot.
    for (s32 i = 0; i < _part->vertexCount; ++i)
        if (!assigned[i])
            slots[i] = _part->vertices[i];
    for (s32 t = 0; t < _part->triangleCount; ++t)
        for (u32 c = 0; c < 3; ++c)
            _part->triangles[t].vertex[c] = (u16)cornerSlot[3 * (u64)t + c];

    if ((s32)freeSlot == _part->vertexCount) {
        for (s32 i = 0; i < _part->vertexCount; ++i)
            _part->vertices[i] = slots[i];
        return;
    }
    VEC_Scratch<DSP_Vertex> vertices(freeSlot);
    for (u64 i = 0; i < freeSlot; ++i)
        vertices[i] = slots[i];
    ReplaceVertices(_part, vertices.Release(), (s32)freeSlot);
}

void VEC_ReorderForCache(VEC_MeshPart* _part, u32 _window)
{
    const s32 vertexCount = _part->vertexCount;
    const s32 triangleCount = _part->triangleCount;
    VEC_Triangle* triangles = _part->triangles;
    VEC_Scratch<u32> newIndex((u64)vertexCount);
    for (s32 i = 0; i < vertexCount; ++i)
        newIndex[i] = UNASSIGNED;
    u32 assignedCount = 0;
    u32 windowStart = 0;
    u32 windowEnd = _window;

    // The comparison words (bit 0/1 fewer/more old corners, 2/3 fewer/more new corners, 4/5
    // less/more overflow than the best so far) for which a candidate replaces the best.
    const u64 better = (1ull << 1) | (1ull << 4) | (1ull << 5) | (1ull << 9) | (1ull << 16) | (1ull << 17) |
                       (1ull << 20) | (1ull << 21) | (1ull << 24) | (1ull << 25) | (1ull << 33) | (1ull << 37);

    struct Score
    {
        u32 fresh, old, over;
    };
    auto scoreOf = [&](const VEC_Triangle& _triangle) {
        Score score = {0, 0, 0};
        for (u32 c = 0; c < 3; ++c) {
            const u32 index = newIndex[_triangle.vertex[c]];
            if (index == UNASSIGNED)
                ++score.fresh;
            else if (index < windowStart)
                ++score.old;
        }
        score.over = assignedCount + score.fresh > windowEnd ? assignedCount + score.fresh - windowEnd : 0;
        return score;
    };

    for (s32 k = 0; k < triangleCount; ++k) {
        s32 best = k;
        Score bestScore = scoreOf(triangles[k]);
        for (s32 t = k + 1; t < triangleCount; ++t) {
            const Score score = scoreOf(triangles[t]);
            const u32 word = (score.old < bestScore.old ? 1u : 0u) | (score.old > bestScore.old ? 2u : 0u) |
                             (score.fresh < bestScore.fresh ? 4u : 0u) | (score.fresh > bestScore.fresh ? 8u : 0u) |
                             (score.over < bestScore.over ? 16u : 0u) | (score.over > bestScore.over ? 32u : 0u);
            if ((better >> word) & 1) {
                best = t;
                bestScore = score;
            }
        }
        if (best != k) {
            const VEC_Triangle swap = triangles[k];
            triangles[k] = triangles[best];
            triangles[best] = swap;
        }
        for (u32 c = 0; c < 3; ++c) {
            u32& index = newIndex[triangles[k].vertex[c]];
            if (index == UNASSIGNED)
                index = assignedCount++;
        }
        if (assignedCount > windowEnd) {
            windowStart += _window;
            windowEnd += _window;
        }
    }

    // Vertices no triangle reached follow in their old order.
    for (s32 i = 0; i < vertexCount; ++i)
        if (newIndex[i] == UNASSIGNED)
            newIndex[i] = assignedCount++;
    VEC_Scratch<DSP_Vertex> vertices((u64)vertexCount);
    for (s32 i = 0; i < vertexCount; ++i)
        vertices[newIndex[i]] = _part->vertices[i];
    for (s32 i = 0; i < vertexCount; ++i)
        _part->vertices[i] = vertices[i];
    for (s32 t = 0; t < triangleCount; ++t)
        for (u32 c = 0; c < 3; ++c)
            triangles[t].vertex[c] = (u16)newIndex[triangles[t].vertex[c]];
}
