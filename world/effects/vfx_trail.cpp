#include "vfx_trail.h"

#include <cmath>
#include <initializer_list>
#include <new>

#include "mat_round.h"
#include "os_fatal.h"
#include "vec_mesh.h"

namespace
{

const char* const s_samplingCaption = "VFX_Trail::SetSampling()";
const char* const s_samplingMessage = "sampletimestep must be smalled than fixed timestep -> choose more samplepoints";

// 16-bit triangle indices reach no further than this many vertices.
constexpr s32 s_maxIndexedVertices = 65536;

s32 ToByte(f32 _value)
{
    const s32 value = MAT_FloorByRounding(_value);
    return value < 0 ? 0 : (value > 255 ? 255 : value);
}

// a + (b - a) * f on all twelve floats; the axes are not re-normalised.
MAT_Matrix34 Blend(const MAT_Matrix34& _a, const MAT_Matrix34& _b, f32 _f)
{
    MAT_Matrix34 result;
    result.t.x = _a.t.x + (_b.t.x - _a.t.x) * _f;
    result.t.y = _a.t.y + (_b.t.y - _a.t.y) * _f;
    result.t.z = _a.t.z + (_b.t.z - _a.t.z) * _f;
    for (s32 i = 0; i < 9; ++i)
        result.r.m[i] = _a.r.m[i] + (_b.r.m[i] - _a.r.m[i]) * _f;
    return result;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Geometry

// One BuildGeometry call: the part, the drawn time and the last section that was written.
struct VFX_Trail::Builder
{
    enum : s32
    {
        NONE = -1,
        PLAIN = 0,
        MARK = 1
    };

    const VFX_Trail& trail;
    VEC_MeshPart& part;
    f32 time = 0.0f;
    f32 uOrigin = 0.0f;  // fmod(head.time - start, 1.0)
    s32 vertexRoom = 0;
    s32 triangleRoom = 0;
    s32 previous = NONE;  // kind of the last written section
    f32 previousTime = 0.0f;

    Builder(const VFX_Trail& _trail, VEC_MeshPart& _part, f32 _time) : trail(_trail), part(_part), time(_time)
    {
        uOrigin = std::fmod(trail.m_head->time - trail.m_start, 1.0f);
        vertexRoom = part.vertexCapacity < s_maxIndexedVertices ? part.vertexCapacity : s_maxIndexedVertices;
        triangleRoom = part.triangleCapacity;
    }

    f32 U(f32 _s) const { return trail.m_mapsPerSecond * (uOrigin + _s - trail.m_head->time); }

    f32 HalfWidth(f32 _sampleTime) const
    {
        s32 index = 0;
        f32 fraction = 0.0f;
        trail.m_width.Locate(time - _sampleTime, index, fraction);
        return trail.m_width.Interpolate(index, fraction);
    }

    u32 Color(f32 _sampleTime) const
    {
        s32 index = 0;
        f32 fraction = 0.0f;
        trail.m_width.Locate(time - _sampleTime, index, fraction);
        const u32 r = (u32)ToByte(trail.m_red.Interpolate(index, fraction));
        const u32 g = (u32)ToByte(trail.m_green.Interpolate(index, fraction));
        const u32 b = (u32)ToByte(trail.m_blue.Interpolate(index, fraction));
        const u32 a = (u32)ToByte(trail.m_alpha.Interpolate(index, fraction));
        return a << 24 | r << 16 | g << 8 | b;
    }

    void Vertex(s32 _index, const MAT_Vector3& _p, u32 _color, f32 _u, f32 _v)
    {
        DSP_Vertex& vertex = part.vertices[_index];
        vertex.x = _p.x;
        vertex.y = _p.y;
        vertex.z = _p.z;
        vertex.color = _color;
        vertex.u = _u;
        vertex.v = _v;
    }

    void Triangle(s32 _a, s32 _b, s32 _c)
    {
        VEC_Triangle& triangle = part.triangles[part.triangleCount++];
        triangle.vertex[0] = (u16)_a;
        triangle.vertex[1] = (u16)_b;
        triangle.vertex[2] = (u16)_c;
    }

    bool HasRoom(s32 _vertices, s32 _triangles) const
    {
        return vertexRoom - part.vertexCount >= _vertices && triangleRoom - part.triangleCount >= _triangles;
    }

    // Four vertices at n: both strips across sample S.
    void PlainVertices(const VFX_TrailSample& _s)
    {
        const s32 n = part.vertexCount;
        const f32 w = HalfWidth(_s.time);
        const u32 color = Color(_s.time);
        const f32 u = U(_s.time);
        const MAT_Vector3 t = _s.frame.t;
        const MAT_Vector3 axis1 = _s.frame.r.GetX();
        const MAT_Vector3 axis3 = _s.frame.r.GetZ();
        Vertex(n, t + w * axis1, color, u, 1.0f);
        Vertex(n + 1, t - w * axis1, color, u, 0.0f);
        Vertex(n + 2, t + w * axis3, color, u, 1.0f);
        Vertex(n + 3, t - w * axis3, color, u, 0.0f);
        part.vertexCount = n + 4;
    }

    // Six vertices at n: the cross-section at V between samples A and B, three per strip
    // (the edge above, the edge below and the point on the quad's diagonal).
    void CutVertices(const VFX_TrailSample& _a, const VFX_TrailSample& _v, const VFX_TrailSample& _b)
    {
        const s32 n = part.vertexCount;
        const f32 wA = HalfWidth(_a.time);
        const f32 wV = HalfWidth(_v.time);
        const f32 wB = HalfWidth(_b.time);
        const f32 span = _b.time - _a.time;
        const f32 r = span > 0.0f ? (_v.time - _a.time) / span : 0.0f;
        const f32 x = r * wB - (1.0f - r) * wA;
        const u32 color = Color(_v.time);
        const f32 u = U(_v.time);
        for (s32 strip = 0; strip < 2; ++strip) {
            const s32 axis = strip == 0 ? 0 : 2;
            const MAT_Vector3 axisA = _a.frame.r.GetAxis(axis);
            const MAT_Vector3 axisB = _b.frame.r.GetAxis(axis);
            const MAT_Vector3 low = _a.frame.t - wA * axisA;
            const MAT_Vector3 m = low + r * ((_b.frame.t + wB * axisB) - low);
            const s32 first = n + 3 * strip;
            Vertex(first, m + (wV - x) * axisA, color, u, 1.0f);
            Vertex(first + 1, m - (x + wV) * axisB, color, u, 0.0f);
            Vertex(first + 2, m, color, u, r);
        }
        part.vertexCount = n + 6;
    }

    // A key-mark section for (A, V, B), fanned around each strip's diagonal point to the
    // previous section's edge pair.
    void AppendMark(const VFX_TrailSample& _a, const VFX_TrailSample& _v, const VFX_TrailSample& _b)
    {
        if (previous == NONE || _v.time == _a.time || !HasRoom(6, 6))
            return;
        const s32 n = part.vertexCount;
        // The edge pairs of the previous section: a plain one holds them at n-4..n-1. Samples
        // less than a spacing apart put a plain section before every mark, but a stretched
        // newest sample (empty pool) can follow a mark with another: its pairs sit at n-6, n-5
        // and n-3, n-2, never crossing from one strip to the other.
        const s32 p = previous == PLAIN ? n - 4 : n - 6;
        const s32 q = previous == PLAIN ? n - 2 : n - 3;
        CutVertices(_a, _v, _b);
        Triangle(n + 2, n, p);
        Triangle(n + 2, p, p + 1);
        Triangle(n + 2, p + 1, n + 1);
        Triangle(n + 5, n + 3, q);
        Triangle(n + 5, q, q + 1);
        Triangle(n + 5, q + 1, n + 4);
        previous = MARK;
        previousTime = _v.time;
    }

    void AppendPlain(const VFX_TrailSample& _b)
    {
        const s32 n = part.vertexCount;
        if (previous == PLAIN) {
            if (!HasRoom(4, 4))
                return;
            PlainVertices(_b);
            Triangle(n - 4, n - 3, n);
            Triangle(n - 3, n + 1, n);
            Triangle(n - 2, n - 1, n + 2);
            Triangle(n - 1, n + 3, n + 2);
        } else if (previous == MARK) {
            if (_b.time == previousTime || !HasRoom(4, 6))
                return;
            PlainVertices(_b);
            Triangle(n, n - 6, n - 4);
            Triangle(n, n - 4, n - 5);
            Triangle(n, n - 5, n + 1);
            Triangle(n + 2, n - 3, n - 1);
            Triangle(n + 2, n - 1, n - 2);
            Triangle(n + 2, n - 2, n + 3);
        } else {
            return;  // nothing written to join to
        }
        previous = PLAIN;
        previousTime = _b.time;
    }

    // Alpha rises from 0 at u0 to full at u0 + maps per second * spacing. An empty or reversed
    // range (maps per second not above 0) fades nothing.
    void Fade(f32 _u0)
    {
        const f32 uEnd = _u0 + trail.m_mapsPerSecond * trail.m_spacing;
        if (!(uEnd > _u0))
            return;
        const f32 range = uEnd - _u0;
        for (s32 i = 0; i < part.vertexCount; ++i) {
            DSP_Vertex& vertex = part.vertices[i];
            if (!(vertex.u <= uEnd))
                continue;
            const u32 f = (u32)ToByte((vertex.u - _u0) * 255.0f / range);
            const u32 alpha = ((vertex.color >> 24) * f) / 255u;
            vertex.color = (vertex.color & 0x00FFFFFFu) | alpha << 24;
        }
    }
};

// ---------------------------------------------------------------------------------------------
// VFX_Trail

VFX_Trail::VFX_Trail() : m_red(KEY_COUNT), m_green(KEY_COUNT), m_blue(KEY_COUNT), m_alpha(KEY_COUNT), m_width(KEY_COUNT)
{
    for (VFX_KeyTrack* curve : {&m_red, &m_green, &m_blue, &m_alpha, &m_width}) {
        curve->Fill(255.0f);
        curve->SetTiming(0.0f, 1.0f, VFX_KeyTrack::FLAG_CLAMP);
    }
    m_width.Fill(1.0f);
    SetSampling(6, 1.0f, 1.0f);
}

void VFX_Trail::SetSampling(s32 _numSamples, f32 _lifetime, f32 _mapsPerSecond)
{
    // Fewer than 2 samples or a lifetime not above 0 would give a step of 0 or below, with
    // which one AddSample pins samples until the shared pool is empty.
    if (_numSamples < 2 || !(_lifetime > 0.0f))
        OS_Fatal(s_samplingCaption, s_samplingMessage);
    const f32 step = _lifetime / (f32)(_numSamples - 1);
    const f32 spacing = 0.25f * _lifetime;
    if (!(step < spacing))
        OS_Fatal(s_samplingCaption, s_samplingMessage);
    m_step = step;
    m_spacing = spacing;
    m_lifetime = _lifetime;
    m_mapsPerSecond = _mapsPerSecond;
}

u32 VFX_Trail::SetSize(s32 _key, f32 _halfWidth)
{
    if (_key < 0 || _key >= m_width.GetCount())
        return 0;
    m_width.GetKeys()[_key] = _halfWidth;
    return 1;
}

u32 VFX_Trail::SetColor(s32 _key, u32 _color)
{
    if (_key < 0 || _key >= KEY_COUNT)
        return 0;
    const struct
    {
        VFX_KeyTrack* curve;
        u32 shift;
    } channels[] = {{&m_red, 16}, {&m_green, 8}, {&m_blue, 0}, {&m_alpha, 24}};
    for (const auto& channel : channels)
        if (_key < channel.curve->GetCount())
            channel.curve->GetKeys()[_key] = (f32)((_color >> channel.shift) & 0xFFu);
    return 1;
}

u32 VFX_Trail::AddSample(f32 _time, const MAT_Matrix34& _frame, u32 /*_mode*/)
{
    if (m_head == nullptr)
        return 0;
    while (_time - m_tail->prev->time > m_step && m_owner->GetFreeSampleCount() > 0) {
        const VFX_TrailSample& before = *m_tail->prev;
        m_tail->frame = Blend(before.frame, _frame, m_step / (_time - before.time));
        m_tail->time = before.time + m_step;
        VFX_TrailSample* sample = m_owner->PopSample();
        sample->prev = m_tail;
        m_tail->next = sample;
        m_tail = sample;
    }
    m_tail->time = _time;
    m_tail->frame = _frame;
    return 1;
}

u32 VFX_Trail::ComputeBoundingBox(MAT_AABox& _box, f32 _time)
{
    if (m_head == nullptr)
        return 0;
    m_width.SetTiming(0.0f, m_lifetime, VFX_KeyTrack::FLAG_CLAMP);
    MAT_Vector3 low = m_head->frame.t;
    MAT_Vector3 high = low;
    for (const VFX_TrailSample* s = m_head; s != nullptr; s = s->next) {
        const f32 w = m_width.Evaluate(_time - s->time);
        const MAT_Vector3 a = w * s->frame.r.GetX();
        const MAT_Vector3 c = w * s->frame.r.GetZ();
        for (const MAT_Vector3& p : {s->frame.t + a, s->frame.t - a, s->frame.t + c, s->frame.t - c}) {
            low.Set(std::fmin(low.x, p.x), std::fmin(low.y, p.y), std::fmin(low.z, p.z));
            high.Set(std::fmax(high.x, p.x), std::fmax(high.y, p.y), std::fmax(high.z, p.z));
        }
    }
    _box.m_min = low;
    _box.m_max = high;
    return 1;
}

u32 VFX_Trail::BuildGeometry(f32 _time, VEC_MeshPart* _part)
{
    if (m_head == nullptr || _part == nullptr || m_head->time >= _time || _time - m_tail->time >= m_lifetime)
        return 0;
    m_width.SetTiming(0.0f, m_lifetime, VFX_KeyTrack::FLAG_CLAMP);
    _part->vertexCount = 0;
    _part->triangleCount = 0;
    Builder builder(*this, *_part, _time);
    const f32 t0 = _time - m_lifetime;

    // The old end: the head itself while the whole trail is younger than the lifetime, else a
    // cut between the newest sample older than t0 and its successor.
    const VFX_TrailSample* a = m_head;
    s32 k = 0;
    f32 cutTime = m_head->time;
    if (t0 <= m_head->time) {
        if (builder.HasRoom(4, 0)) {
            builder.PlainVertices(*m_head);
            builder.previous = Builder::PLAIN;
            builder.previousTime = m_head->time;
        }
        if (t0 < m_head->time) {
            k = 1;
            while (k < 4 && t0 + (f32)k * m_spacing < m_head->time)
                ++k;
        }
    } else {
        while (a->next->next != nullptr && a->next->time < t0)
            a = a->next;
        VFX_TrailSample cut;
        cut.time = t0;
        cut.mark = 1;
        if (builder.HasRoom(6, 0)) {
            builder.CutVertices(*a, cut, *a->next);
            builder.previous = Builder::MARK;
            builder.previousTime = t0;
        }
        cutTime = t0;
        k = 1;
    }

    // Along the trail: key marks where they fall between two samples, then each sample.
    while (a->next != nullptr) {
        const VFX_TrailSample& b = *a->next;
        const f32 m = t0 + (f32)k * m_spacing;
        if (m < b.time) {
            VFX_TrailSample mark;
            mark.time = m;
            mark.mark = 1;
            builder.AppendMark(*a, mark, b);
            if (++k == 5)
                break;
        } else {
            builder.AppendPlain(b);
            a = &b;
        }
    }

    _part->ComputeNormals(0);
    builder.Fade(builder.U(cutTime));
    return 1;
}

// ---------------------------------------------------------------------------------------------
// VFX_TrailSystem

VFX_TrailSystem::VFX_TrailSystem(s32 _numTrails, s32 _numSamples)
{
    static const char* const where = "VFX_TrailSystem::VFX_TrailSystem()";
    m_trailCount = _numTrails > 0 ? _numTrails : 0;
    m_sampleCount = _numSamples > 0 ? _numSamples : 0;
    const u64 sampleBytes = (u64)m_sampleCount * sizeof(VFX_TrailSample);
    const u64 poolBytes = (u64)m_sampleCount * sizeof(VFX_TrailSample*);
    if (sampleBytes > 0xFFFF0000u)
        OS_Fatal(where, "out of memory");
    m_samples = (VFX_TrailSample*)MEM_AllocOrDie((u32)sampleBytes, where);
    m_poolBase = (VFX_TrailSample**)MEM_AllocOrDie((u32)poolBytes, where);
    m_poolEnd = m_poolBase + m_sampleCount;
    m_poolTop = m_poolEnd;
    for (s32 i = 0; i < m_sampleCount; ++i)
        PushSample(new (&m_samples[i]) VFX_TrailSample());
    m_trails = new VFX_Trail[(size_t)m_trailCount];
    for (s32 i = 0; i < m_trailCount; ++i)
        m_trails[i].m_owner = this;
}

VFX_TrailSystem::~VFX_TrailSystem()
{
    delete[] m_trails;
    MEM_Free(m_samples);
    MEM_Free(m_poolBase);
}

VFX_TrailSample* VFX_TrailSystem::PopSample()
{
    if (m_poolTop == m_poolEnd)
        return nullptr;
    VFX_TrailSample* sample = *m_poolTop++;
    sample->next = nullptr;
    sample->prev = nullptr;
    sample->mark = 0;
    return sample;
}

void VFX_TrailSystem::PushSample(VFX_TrailSample* _sample) { *--m_poolTop = _sample; }

s32 VFX_TrailSystem::AllocateTrail()
{
    for (s32 i = 0; i < m_trailCount; ++i)
        if (m_trails[i].m_state == VFX_Trail::STATE_FREE) {
            m_trails[i].m_state = VFX_Trail::STATE_ALLOCATED;
            return i;
        }
    return -1;
}

VFX_Trail* VFX_TrailSystem::GetTrail(s32 _index)
{
    return _index >= 0 && _index < m_trailCount ? &m_trails[_index] : nullptr;
}

u32 VFX_TrailSystem::StartTrail(s32 _index, f32 _time, const MAT_Matrix34& _frame)
{
    VFX_Trail* trail = GetTrail(_index);
    if (trail == nullptr || trail->m_state != VFX_Trail::STATE_ALLOCATED)
        return 0;
    VFX_TrailSample* first = PopSample();
    VFX_TrailSample* second = PopSample();
    if (second == nullptr) {
        if (first != nullptr)
            PushSample(first);
        return 0;
    }
    for (VFX_TrailSample* sample : {first, second}) {
        sample->frame = _frame;
        sample->time = _time;
    }
    first->next = second;
    second->prev = first;
    trail->m_head = first;
    trail->m_tail = second;
    trail->m_start = _time;
    trail->m_state = VFX_Trail::STATE_RUNNING;
    return 1;
}

u32 VFX_TrailSystem::ReleaseTrail(s32 _index)
{
    VFX_Trail* trail = GetTrail(_index);
    if (trail == nullptr)
        return 1;
    switch (trail->m_state) {
    case VFX_Trail::STATE_FREE:
        return 0;
    case VFX_Trail::STATE_ALLOCATED:
        trail->m_state = VFX_Trail::STATE_FREE;
        return 1;
    default:
        trail->m_state = VFX_Trail::STATE_RELEASED;
        return 1;
    }
}

void VFX_TrailSystem::EmptyTrail(VFX_Trail& _trail)
{
    for (VFX_TrailSample* s = _trail.m_head; s != nullptr;) {
        VFX_TrailSample* next = s->next;
        PushSample(s);
        s = next;
    }
    _trail.m_head = nullptr;
    _trail.m_tail = nullptr;
    _trail.m_state =
        _trail.m_state == VFX_Trail::STATE_RELEASED ? (u32)VFX_Trail::STATE_FREE : (u32)VFX_Trail::STATE_ALLOCATED;
}

void VFX_TrailSystem::Update(f32 _time)
{
    for (s32 i = 0; i < m_trailCount; ++i) {
        VFX_Trail& trail = m_trails[i];
        if (trail.m_state != VFX_Trail::STATE_RUNNING && trail.m_state != VFX_Trail::STATE_RELEASED)
            continue;
        if (trail.m_head != nullptr) {
            // A sample past the lifetime stays while its successor is younger.
            while (trail.m_head->next != nullptr && _time - trail.m_lifetime > trail.m_head->next->time) {
                VFX_TrailSample* old = trail.m_head;
                trail.m_head = old->next;
                trail.m_head->prev = nullptr;
                PushSample(old);
            }
            if (trail.m_head->next != nullptr)
                continue;
        }
        EmptyTrail(trail);
    }
}
