// Trails: ribbons behind moving objects (torpedo wakes, bubble streams), built from a fixed
// table of trails and one fixed pool of sample records that every trail shares.
//
// A trail keeps a time-ordered chain of samples (the followed object's frame and a time
// stamp), oldest at head, newest at tail. All samples but the newest lie exactly one sample
// step apart; the newest follows the object. The system's Update returns samples older than a
// trail's lifetime to the pool. Colour and half-width vary over a sample's age through five
// keys spread evenly over the lifetime. Callers hold a trail by its index in the table.
//
// Everything is allocated in the system's constructor (pooled memory); running trails never
// allocate: samples come from a pointer stack, geometry is written into the caller's mesh
// part. An empty pool is no error: StartTrail answers 0 and the newest sample stretches.
// One thread.
#pragma once

#include "brisel_scene.h"
#include "mat_geometry.h"
#include "mat_matrix.h"
#include "mem_alloc.h"
#include "os_types.h"
#include "vfx_keytrack.h"

class VFX_TrailSystem;
struct VEC_MeshPart;

// One pool entry; mark 1 only in the temporary cut and key-mark records of BuildGeometry.
struct VFX_TrailSample
{
    VFX_TrailSample* next = nullptr;  // the next newer sample
    VFX_TrailSample* prev = nullptr;  // the next older sample
    MAT_Matrix34 frame;               // the followed object's frame at time
    f32 time = 0.0f;
    u32 mark = 0;
};

class VFX_Trail final : public MEM_Object, public Brisel_TrailGeometry
{
public:
    enum : u32
    {
        STATE_FREE = 0,
        STATE_ALLOCATED = 1,  // no samples yet
        STATE_RUNNING = 2,
        STATE_RELEASED = 3  // samples ageing out; freed when the last is gone
    };
    static constexpr s32 KEY_COUNT = 5;

    // White, half-width 1 at every key; SetSampling(6, 1.0, 1.0).
    VFX_Trail();
    ~VFX_Trail() = default;
    VFX_Trail(const VFX_Trail&) = delete;
    VFX_Trail& operator=(const VFX_Trail&) = delete;

    // step = lifetime / (samples - 1), key spacing = lifetime / 4. Fatal unless the step is
    // below the spacing (at least 6 samples) with at least 2 samples and a positive lifetime.
    void SetSampling(s32 _numSamples, f32 _lifetime, f32 _mapsPerSecond);
    // 1, or 0 for a key outside 0..4.
    u32 SetSize(s32 _key, f32 _halfWidth);
    // _color is 0xAARRGGBB (in memory the bytes B, G, R, A); 1, or 0 for a key outside 0..4.
    u32 SetColor(s32 _key, u32 _color);
    // Hands over the followed object's frame at _time: samples are pinned at whole steps
    // behind it, interpolated towards _frame, while the pool lasts. _mode is accepted for the
    // trail node's call and ignored. 0 when the trail has no samples.
    u32 AddSample(f32 _time, const MAT_Matrix34& _frame, u32 _mode = 0);
    // The box of every sample widened by its half-width along its first and third axes at
    // _time; 0 (box untouched) when the trail has no samples.
    u32 ComputeBoundingBox(MAT_AABox& _box, f32 _time);
    // Two crossed strips in world coordinates, cut at the lifetime, with cross-sections at the
    // key marks and the first quarter faded in; sections that do not fit the part are skipped
    // and the ribbon joined across them. 0 (nothing written) when there is nothing to draw.
    u32 BuildGeometry(f32 _time, VEC_MeshPart* _part) override;

    u32 GetState() const { return m_state; }
    f32 GetStep() const { return m_step; }
    f32 GetSpacing() const { return m_spacing; }
    f32 GetLifetime() const { return m_lifetime; }
    f32 GetMapsPerSecond() const { return m_mapsPerSecond; }
    f32 GetStart() const { return m_start; }
    const VFX_TrailSample* GetHead() const { return m_head; }
    const VFX_TrailSample* GetTail() const { return m_tail; }
    VFX_TrailSystem* GetOwner() const { return m_owner; }
    const VFX_KeyTrack& GetRed() const { return m_red; }
    const VFX_KeyTrack& GetGreen() const { return m_green; }
    const VFX_KeyTrack& GetBlue() const { return m_blue; }
    const VFX_KeyTrack& GetAlpha() const { return m_alpha; }
    const VFX_KeyTrack& GetWidth() const { return m_width; }

private:
    friend class VFX_TrailSystem;
    struct Builder;

    f32 m_step = 0.0f;
    f32 m_start = 0.0f;
    f32 m_lifetime = 0.0f;
    f32 m_mapsPerSecond = 0.0f;
    f32 m_spacing = 0.0f;
    VFX_KeyTrack m_red;
    VFX_KeyTrack m_green;
    VFX_KeyTrack m_blue;
    VFX_KeyTrack m_alpha;
    VFX_KeyTrack m_width;
    VFX_TrailSample* m_head = nullptr;
    VFX_TrailSample* m_tail = nullptr;
    VFX_TrailSystem* m_owner = nullptr;
    u32 m_state = STATE_FREE;
};

class VFX_TrailSystem : public MEM_Object
{
public:
    // _numTrails free trails and _numSamples free samples (a negative count is 0); the first
    // pop yields the last sample of the array.
    VFX_TrailSystem(s32 _numTrails, s32 _numSamples);
    ~VFX_TrailSystem();
    VFX_TrailSystem(const VFX_TrailSystem&) = delete;
    VFX_TrailSystem& operator=(const VFX_TrailSystem&) = delete;

    // The index of the first free trail, now allocated; -1 when none is free.
    s32 AllocateTrail();
    // Null for an index outside the table.
    VFX_Trail* GetTrail(s32 _index);
    // An allocated trail without samples gets two samples at _frame and _time; 1, or 0 when
    // the trail is not in that state or the pool has fewer than two samples.
    u32 StartTrail(s32 _index, f32 _time, const MAT_Matrix34& _frame);
    // Frees an allocated trail without samples, lets a running one age out; 0 for a free trail,
    // 1 otherwise (an index outside the table too, changing nothing).
    u32 ReleaseTrail(s32 _index);
    // Returns every sample older than its trail's lifetime whose successor is too, and the last
    // sample of a trail once it is alone; an emptied trail goes back to allocated or free.
    void Update(f32 _time);

    s32 GetTrailCount() const { return m_trailCount; }
    s32 GetSampleCount() const { return m_sampleCount; }
    s32 GetFreeSampleCount() const { return (s32)(m_poolEnd - m_poolTop); }

private:
    friend class VFX_Trail;

    // A free sample with its links and mark cleared; null when the pool is empty.
    VFX_TrailSample* PopSample();
    void PushSample(VFX_TrailSample* _sample);
    // Every sample of the trail back to the pool; the trail left without samples.
    void EmptyTrail(VFX_Trail& _trail);

    // The free stack grows downward: a push lowers top and stores there, a pop reads there
    // and raises it; empty when top equals end.
    VFX_TrailSample** m_poolBase = nullptr;
    VFX_TrailSample** m_poolTop = nullptr;
    VFX_TrailSample** m_poolEnd = nullptr;
    VFX_TrailSample* m_samples = nullptr;
    VFX_Trail* m_trails = nullptr;
    s32 m_trailCount = 0;
    s32 m_sampleCount = 0;
};
