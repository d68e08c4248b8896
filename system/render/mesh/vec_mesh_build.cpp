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
        OS_Fatal("VEC_Mesh::Load()",
                 OS_Format("a part has %llu vertices after the texture split, more than %u, in file \"%s\"",
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

namespace
{
// The order below compares triangles only through three counts per triangle: corners whose
// vertex has no new index yet, corners whose index has left the window, and the overflow of the
// window the first count would cause. The first two form a class (fresh x 4 + old, ten of the
// sixteen codes occur); the overflow follows from the class and the room left in the window,
// and room beyond three cannot change it. So whether a candidate replaces the best is a table
// of (room, best class) -> mask of candidate classes.
constexpr u32 CLASS_CODES = 16;
constexpr u32 ROOM_CASES = 4;
constexpr u32 NONE = 0xFFFFFFFFu;

inline u32 ClassOf(u32 _fresh, u32 _old) { return _fresh * 4 + _old; }

// The comparison words (bit 0/1 fewer/more old corners, 2/3 fewer/more new corners, 4/5
// less/more overflow than the best so far) for which a candidate replaces the best.
constexpr u64 REPLACING_WORDS = (1ull << 1) | (1ull << 4) | (1ull << 5) | (1ull << 9) | (1ull << 16) | (1ull << 17) |
                                (1ull << 20) | (1ull << 21) | (1ull << 24) | (1ull << 25) | (1ull << 33) | (1ull << 37);

struct ReplaceTable
{
    u16 mask[ROOM_CASES][CLASS_CODES] = {};

    constexpr ReplaceTable()
    {
        for (u32 room = 0; room < ROOM_CASES; ++room)
            for (u32 best = 0; best < CLASS_CODES; ++best)
                for (u32 candidate = 0; candidate < CLASS_CODES; ++candidate) {
                    const u32 bf = best / 4, bo = best % 4, cf = candidate / 4, co = candidate % 4;
                    const u32 bv = bf > room ? bf - room : 0, cv = cf > room ? cf - room : 0;
                    const u32 word = (co < bo ? 1u : 0u) | (co > bo ? 2u : 0u) | (cf < bf ? 4u : 0u) |
                                     (cf > bf ? 8u : 0u) | (cv < bv ? 16u : 0u) | (cv > bv ? 32u : 0u);
                    if ((REPLACING_WORDS >> word) & 1)
                        mask[room][best] |= (u16)(1u << candidate);
                }
    }
};
constexpr ReplaceTable REPLACE_TABLE;

// Class masks over the triangle positions, a node holding the union of its range, so that the
// first position from a given one whose class is in a mask is found in logarithmic time.
class ClassTree
{
public:
    explicit ClassTree(u32 _count) : m_leaves(LeavesFor(_count)), m_nodes(2 * (u64)m_leaves) {}

    void Set(u32 _position, u16 _mask)
    {
        u32 node = m_leaves + _position;
        m_nodes[node] = _mask;
        // Above the first node that keeps its union nothing changes.
        for (node >>= 1; node != 0; node >>= 1) {
            const u16 merged = m_nodes[2 * node] | m_nodes[2 * node + 1];
            if (merged == m_nodes[node])
                break;
            m_nodes[node] = merged;
        }
    }

    // Fills the leaves without the climb; Build then sets every inner node once.
    void SetLeaf(u32 _position, u16 _mask) { m_nodes[m_leaves + _position] = _mask; }
    void Build()
    {
        for (u32 node = m_leaves - 1; node != 0; --node)
            m_nodes[node] = m_nodes[2 * node] | m_nodes[2 * node + 1];
    }

    // The first position at or after _from whose class is in _mask, or NONE.
    u32 FindFirst(u32 _from, u16 _mask)
    {
        if (_from >= m_leaves)
            return NONE;
        u32 node = m_leaves + _from;
        // Right along the level, climbing past every node that ends its parent's range.
        while ((m_nodes[node] & _mask) == 0) {
            while (node & 1)
                node >>= 1;
            if (node == 0)
                return NONE;
            ++node;
        }
        while (node < m_leaves) {
            node *= 2;
            if ((m_nodes[node] & _mask) == 0)
                ++node;
        }
        return node - m_leaves;
    }

private:
    static u32 LeavesFor(u32 _count)
    {
        u32 leaves = 1;
        while (leaves < _count)
            leaves *= 2;
        return leaves;
    }

    u32 m_leaves;
    VEC_Scratch<u16> m_nodes;
};
}  // namespace

void VEC_ReorderForCache(VEC_MeshPart* _part, u32 _window)
{
    const s32 vertexCount = _part->vertexCount;
    const u32 triangleCount = _part->triangleCount > 0 ? (u32)_part->triangleCount : 0;
    VEC_Triangle* triangles = _part->triangles;

    // Triangles are named by their place in the part's list (their id) while the order moves
    // them: position -> id and id -> position, and each id's corner counts.
    VEC_Scratch<u32> idAt(triangleCount);
    VEC_Scratch<u32> positionOf(triangleCount);
    VEC_Scratch<u8> fresh(triangleCount);
    VEC_Scratch<u8> old(triangleCount);
    ClassTree tree(triangleCount);
    for (u32 t = 0; t < triangleCount; ++t) {
        idAt[t] = t;
        positionOf[t] = t;
        fresh[t] = 3;
        tree.SetLeaf(t, (u16)(1u << ClassOf(3, 0)));
    }
    tree.Build();

    // The triangles at each vertex, once per corner, so a vertex's change reaches each count.
    VEC_Scratch<u32> cornerStart((u64)vertexCount + 1);
    VEC_Scratch<u32> cornerTriangle(3 * (u64)triangleCount);
    for (u32 t = 0; t < triangleCount; ++t)
        for (u32 c = 0; c < 3; ++c)
            ++cornerStart[(u64)triangles[t].vertex[c] + 1];
    for (s32 i = 0; i < vertexCount; ++i)
        cornerStart[(u64)i + 1] += cornerStart[i];
    {
        VEC_Scratch<u32> fill((u64)vertexCount);
        for (u32 t = 0; t < triangleCount; ++t)
            for (u32 c = 0; c < 3; ++c) {
                const u32 v = triangles[t].vertex[c];
                cornerTriangle[cornerStart[v] + fill[v]++] = t;
            }
    }

    VEC_Scratch<u32> newIndex((u64)vertexCount);
    VEC_Scratch<u32> vertexOf((u64)vertexCount);  // new index -> vertex
    for (s32 i = 0; i < vertexCount; ++i)
        newIndex[i] = UNASSIGNED;
    u32 assignedCount = 0;
    u32 windowStart = 0;
    u32 windowEnd = _window;
    u32 placed = 0;  // positions below this are final

    // A triangle not yet placed changes its class: its leaf follows.
    auto recount = [&](u32 _id) {
        const u32 position = positionOf[_id];
        if (position >= placed)
            tree.Set(position, (u16)(1u << ClassOf(fresh[_id], old[_id])));
    };

    for (u32 k = 0; k < triangleCount; ++k) {
        // The scan from k over all later triangles, replayed: each replacement strictly lowers
        // (old, fresh), so it is the first later position whose class beats the best's.
        const u32 room = windowEnd > assignedCount ? windowEnd - assignedCount : 0;
        const u16* replaces = REPLACE_TABLE.mask[room < ROOM_CASES ? room : ROOM_CASES - 1];
        u32 best = k;
        for (;;) {
            const u32 id = idAt[best];
            const u32 next = tree.FindFirst(best + 1, replaces[ClassOf(fresh[id], old[id])]);
            if (next == NONE)
                break;
            best = next;
        }
        if (best != k) {
            const u32 moved = idAt[k];
            idAt[k] = idAt[best];
            idAt[best] = moved;
            positionOf[idAt[k]] = k;
            positionOf[moved] = best;
            tree.Set(best, (u16)(1u << ClassOf(fresh[moved], old[moved])));
        }
        tree.Set(k, 0);
        placed = k + 1;

        const VEC_Triangle& chosen = triangles[idAt[k]];
        for (u32 c = 0; c < 3; ++c) {
            const u32 v = chosen.vertex[c];
            if (newIndex[v] != UNASSIGNED)
                continue;
            vertexOf[assignedCount] = v;
            newIndex[v] = assignedCount++;
            for (u32 i = cornerStart[v]; i < cornerStart[(u64)v + 1]; ++i) {
                --fresh[cornerTriangle[i]];
                recount(cornerTriangle[i]);
            }
        }
        if (assignedCount > windowEnd) {
            // The vertices numbered in the window left behind are old from now on.
            for (u32 index = windowStart; index < windowStart + _window && index < assignedCount; ++index) {
                const u32 v = vertexOf[index];
                for (u32 i = cornerStart[v]; i < cornerStart[(u64)v + 1]; ++i) {
                    ++old[cornerTriangle[i]];
                    recount(cornerTriangle[i]);
                }
            }
            windowStart += _window;
            windowEnd += _window;
        }
    }

    {
        VEC_Scratch<VEC_Triangle> ordered(triangleCount);
        for (u32 k = 0; k < triangleCount; ++k)
            ordered[k] = triangles[idAt[k]];
        for (u32 k = 0; k < triangleCount; ++k)
            triangles[k] = ordered[k];
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
    for (u32 t = 0; t < triangleCount; ++t)
        for (u32 c = 0; c < 3; ++c)
            triangles[t].vertex[c] = (u16)newIndex[triangles[t].vertex[c]];
}
