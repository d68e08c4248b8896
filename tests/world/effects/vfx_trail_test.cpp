// Trails: sampling and its limits, pinned samples, ageing and release, the shared pool, the
// box, and the ribbon geometry (start and cut, key marks, skipped sections, the fade), with
// random trails checked against the geometry's own invariants.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "mem_alloc.h"
#include "test_dir.h"
#include "vec_mesh.h"
#include "vfx_trail.h"

namespace
{

MAT_Matrix34 Frame(f32 _x, f32 _y, f32 _z)
{
    MAT_Matrix34 frame;
    frame.t = {_x, _y, _z};
    frame.r.SetDiagonal(1.0f);
    return frame;
}

// Sample times from oldest to newest, walked both ways so broken links show.
std::vector<f32> Times(const VFX_Trail& _trail)
{
    std::vector<f32> forward, backward;
    for (const VFX_TrailSample* s = _trail.GetHead(); s != nullptr; s = s->next)
        forward.push_back(s->time);
    for (const VFX_TrailSample* s = _trail.GetTail(); s != nullptr; s = s->prev)
        backward.insert(backward.begin(), s->time);
    EXPECT_EQ(forward, backward);
    return forward;
}

u32 Alpha(const DSP_Vertex& _vertex) { return _vertex.color >> 24; }

// A system with one started trail at the origin at time 0.
struct VfxTrailTest : ::testing::Test
{
    VFX_TrailSystem system{4, 100};
    s32 index = system.AllocateTrail();
    VFX_Trail* trail = system.GetTrail(index);

    void Start(s32 _samples, f32 _lifetime, f32 _mapsPerSecond)
    {
        trail->SetSampling(_samples, _lifetime, _mapsPerSecond);
        ASSERT_EQ(1u, system.StartTrail(index, 0.0f, Frame(0.0f, 0.0f, 0.0f)));
    }
    // Samples exactly at 0, 0.5, ..., 4.0 along y = 10 t (lifetime 4, step 0.5, spacing 1).
    void StraightTrail(f32 _mapsPerSecond = 1.0f)
    {
        Start(9, 4.0f, _mapsPerSecond);
        for (s32 i = 1; i <= 8; ++i)
            trail->AddSample(0.5f * (f32)i, Frame(0.0f, 5.0f * (f32)i, 0.0f));
        ASSERT_EQ(9u, Times(*trail).size());
    }
};

// ---------------------------------------------------------------------------------------------
// Configuration

TEST(VfxTrailDefaultsTest, DefaultsAreWhiteUnitWidthSixSamplesOfOneSecond)
{
    VFX_TrailSystem fresh(1, 2);
    const VFX_Trail* t = fresh.GetTrail(0);
    EXPECT_EQ(VFX_Trail::STATE_FREE, t->GetState());
    EXPECT_EQ(&fresh, t->GetOwner());
    EXPECT_EQ(nullptr, t->GetHead());
    EXPECT_FLOAT_EQ(0.2f, t->GetStep());
    EXPECT_FLOAT_EQ(0.25f, t->GetSpacing());
    EXPECT_EQ(1.0f, t->GetMapsPerSecond());
    for (s32 k = 0; k < 5; ++k) {
        for (const VFX_KeyTrack* curve : {&t->GetRed(), &t->GetGreen(), &t->GetBlue(), &t->GetAlpha()})
            EXPECT_EQ(255.0f, curve->GetKeys()[k]);
        EXPECT_EQ(1.0f, t->GetWidth().GetKeys()[k]);
    }
    EXPECT_EQ(nullptr, fresh.GetTrail(1));
    EXPECT_EQ(nullptr, fresh.GetTrail(-1));
}

// Fewer than six samples, and (beyond what the ratio alone catches) fewer than two samples or
// a lifetime not above 0, which would make the step 0 or negative.
TEST(VfxTrailSamplingTest, RefusesTooFewSamplesAndNonPositiveLifetimes)
{
    VFX_TrailSystem system(1, 4);
    VFX_Trail* trail = system.GetTrail(0);
    const struct
    {
        s32 samples;
        f32 lifetime;
    } refused[] = {{5, 1.0f},  {0, 1.0f},   {1, 1.0f},  {-3, 1.0f}, {2, -1.0f},
                   {4, -1.0f}, {3, -10.0f}, {6, -1.0f}, {6, 0.0f},  {6, std::numeric_limits<f32>::quiet_NaN()}};
    for (const auto& c : refused) {
        SCOPED_TRACE(testing::Message() << c.samples << " samples, lifetime " << c.lifetime);
        EXPECT_FATAL(trail->SetSampling(c.samples, c.lifetime, 1.0f), "VFX_Trail::SetSampling()",
                     "sampletimestep must be smalled than fixed timestep -> choose more samplepoints");
    }
    trail->SetSampling(6, 1.0f, 2.0f);
    EXPECT_FLOAT_EQ(0.2f, trail->GetStep());
    EXPECT_FLOAT_EQ(0.25f, trail->GetSpacing());
    EXPECT_EQ(2.0f, trail->GetMapsPerSecond());
    trail->SetSampling(21, 3.0f, 0.5f);
    EXPECT_FLOAT_EQ(0.15f, trail->GetStep());
    EXPECT_FLOAT_EQ(0.75f, trail->GetSpacing());
}

TEST_F(VfxTrailTest, SizeAndColourKeys)
{
    EXPECT_EQ(1u, trail->SetSize(4, 3.5f));
    EXPECT_EQ(3.5f, trail->GetWidth().GetKeys()[4]);
    EXPECT_EQ(1u, trail->SetColor(2, 0x80402010u));  // bytes B 0x10, G 0x20, R 0x40, A 0x80
    EXPECT_EQ(64.0f, trail->GetRed().GetKeys()[2]);
    EXPECT_EQ(32.0f, trail->GetGreen().GetKeys()[2]);
    EXPECT_EQ(16.0f, trail->GetBlue().GetKeys()[2]);
    EXPECT_EQ(128.0f, trail->GetAlpha().GetKeys()[2]);
    for (s32 key : {5, 6, -1}) {
        EXPECT_EQ(0u, trail->SetSize(key, 9.0f));
        EXPECT_EQ(0u, trail->SetColor(key, 0u));
    }
    EXPECT_EQ(1.0f, trail->GetWidth().GetKeys()[0]);
}

// ---------------------------------------------------------------------------------------------
// Samples

TEST_F(VfxTrailTest, NewestFollowsUntilAStepPastItsPredecessorThenASampleIsPinned)
{
    Start(6, 1.0f, 1.0f);  // step 0.2
    EXPECT_EQ(VFX_Trail::STATE_RUNNING, trail->GetState());
    for (f32 t : {0.05f, 0.1f, 0.15f, 0.2f}) {  // never more than a step past 0
        EXPECT_EQ(1u, trail->AddSample(t, Frame(0.0f, 20.0f * t, 0.0f), 0));
        EXPECT_EQ((std::vector<f32>{0.0f, t}), Times(*trail));
        EXPECT_EQ(20.0f * t, trail->GetTail()->frame.t.y);
    }
    const f32 t = 0.25f;
    MAT_Matrix34 frame = Frame(0.0f, 5.0f, 2.0f);
    frame.r.m[0] = 3.0f;  // axes interpolated as they are, not re-normalised
    trail->AddSample(t, frame);
    const std::vector<f32> times = Times(*trail);
    ASSERT_EQ(3u, times.size());
    EXPECT_EQ(0.0f + 0.2f, times[1]);
    EXPECT_EQ(t, times[2]);
    // Pinned at factor 0.2 / t between the frames at 0 and t.
    const VFX_TrailSample* pinned = trail->GetHead()->next;
    const f32 f = 0.2f / (t - 0.0f);
    EXPECT_EQ(0.0f + (5.0f - 0.0f) * f, pinned->frame.t.y);
    EXPECT_EQ(0.0f + (2.0f - 0.0f) * f, pinned->frame.t.z);
    EXPECT_EQ(1.0f + (3.0f - 1.0f) * f, pinned->frame.r.m[0]);
    EXPECT_EQ(5.0f, trail->GetTail()->frame.t.y);

    // A long jump pins a sample at every step on the way.
    trail->AddSample(1.3f, Frame(0.0f, 0.0f, 0.0f));
    const std::vector<f32> later = Times(*trail);
    ASSERT_EQ(8u, later.size());
    for (size_t i = 1; i + 1 < later.size(); ++i)
        EXPECT_EQ(later[i - 1] + 0.2f, later[i]) << i;
    EXPECT_EQ(1.3f, later.back());
    EXPECT_EQ(100 - 8, system.GetFreeSampleCount());
}

TEST_F(VfxTrailTest, AddSampleWithoutSamplesDoesNothing)
{
    EXPECT_EQ(0u, trail->AddSample(1.0f, Frame(0.0f, 0.0f, 0.0f)));
    EXPECT_EQ(nullptr, trail->GetHead());
    EXPECT_EQ(100, system.GetFreeSampleCount());
}

TEST(VfxTrailSystemTest, AllocatesFirstFreeAndReleasesByState)
{
    VFX_TrailSystem system(2, 10);
    EXPECT_EQ(0, system.AllocateTrail());
    EXPECT_EQ(1, system.AllocateTrail());
    EXPECT_EQ(-1, system.AllocateTrail());
    EXPECT_EQ(1u, system.ReleaseTrail(0));  // allocated without samples: free at once
    EXPECT_EQ(VFX_Trail::STATE_FREE, system.GetTrail(0)->GetState());
    EXPECT_EQ(0u, system.ReleaseTrail(0));  // already free
    EXPECT_EQ(1u, system.ReleaseTrail(2));  // outside the table: nothing changes
    EXPECT_EQ(1u, system.ReleaseTrail(-1));
    EXPECT_EQ(0, system.AllocateTrail());

    // Only an allocated trail starts.
    EXPECT_EQ(1u, system.StartTrail(1, 0.0f, Frame(0.0f, 0.0f, 0.0f)));
    EXPECT_EQ(0u, system.StartTrail(1, 0.0f, Frame(0.0f, 0.0f, 0.0f)));
    EXPECT_EQ(0u, system.StartTrail(5, 0.0f, Frame(0.0f, 0.0f, 0.0f)));
    EXPECT_EQ(8, system.GetFreeSampleCount());
    EXPECT_EQ(1u, system.ReleaseTrail(1));
    EXPECT_EQ(VFX_Trail::STATE_RELEASED, system.GetTrail(1)->GetState());
    EXPECT_EQ(1u, system.ReleaseTrail(1));
    EXPECT_EQ(VFX_Trail::STATE_RELEASED, system.GetTrail(1)->GetState());
}

// Samples age out one by one; an over-age sample stays while its successor is young; the last
// one goes with the one before it. A running trail returns to allocated, a released one to free.
TEST(VfxTrailSystemTest, AgesSamplesOutAndEmptiesTrails)
{
    VFX_TrailSystem system(2, 40);
    for (s32 i = 0; i < 2; ++i) {
        system.AllocateTrail();
        system.GetTrail(i)->SetSampling(6, 1.0f, 1.0f);
        system.StartTrail(i, 0.0f, Frame(0.0f, 0.0f, 0.0f));
        system.GetTrail(i)->AddSample(1.0f, Frame(0.0f, 0.0f, 0.0f));
    }
    const VFX_Trail& running = *system.GetTrail(0);
    const VFX_Trail& released = *system.GetTrail(1);
    EXPECT_EQ(6u, Times(running).size());
    system.ReleaseTrail(1);

    system.Update(1.1f);  // sample 0 is over age, its successor (0.2) is not
    EXPECT_EQ(6u, Times(running).size());
    system.Update(1.25f);
    EXPECT_EQ(0.2f, Times(running).front());
    EXPECT_EQ(nullptr, running.GetHead()->prev);
    system.Update(1.85f);  // 0.2, 0.4, 0.6 go; 0.8 stays while 1.0 is young
    EXPECT_EQ(2u, Times(running).size());
    EXPECT_EQ(1.0f, Times(running).back());
    EXPECT_EQ(VFX_Trail::STATE_RUNNING, running.GetState());
    EXPECT_EQ(VFX_Trail::STATE_RELEASED, released.GetState());

    system.Update(2.05f);  // only 1.0 would remain: it goes too
    EXPECT_EQ(nullptr, running.GetHead());
    EXPECT_EQ(nullptr, running.GetTail());
    EXPECT_EQ(VFX_Trail::STATE_ALLOCATED, running.GetState());
    EXPECT_EQ(VFX_Trail::STATE_FREE, released.GetState());
    EXPECT_EQ(40, system.GetFreeSampleCount());

    system.Update(3.0f);  // nothing left to age
    EXPECT_EQ(VFX_Trail::STATE_ALLOCATED, running.GetState());
    EXPECT_EQ(1u, system.ReleaseTrail(0));
    EXPECT_EQ(VFX_Trail::STATE_FREE, running.GetState());
}

TEST(VfxTrailSystemTest, AnEmptyPoolRefusesStartsAndStretchesTheNewestSample)
{
    VFX_TrailSystem system(2, 3);
    system.AllocateTrail();
    system.AllocateTrail();
    EXPECT_EQ(1u, system.StartTrail(0, 0.0f, Frame(0.0f, 0.0f, 0.0f)));
    EXPECT_EQ(0u, system.StartTrail(1, 0.0f, Frame(0.0f, 0.0f, 0.0f)));  // one sample left
    EXPECT_EQ(1, system.GetFreeSampleCount());                           // given back
    EXPECT_EQ(VFX_Trail::STATE_ALLOCATED, system.GetTrail(1)->GetState());

    VFX_Trail& trail = *system.GetTrail(0);
    EXPECT_EQ(1u, trail.AddSample(1.0f, Frame(0.0f, 10.0f, 0.0f)));
    EXPECT_EQ((std::vector<f32>{0.0f, 0.2f, 1.0f}), Times(trail));
    EXPECT_EQ(1u, trail.AddSample(1.5f, Frame(0.0f, 15.0f, 0.0f)));
    EXPECT_EQ((std::vector<f32>{0.0f, 0.2f, 1.5f}), Times(trail));
    EXPECT_EQ(15.0f, trail.GetTail()->frame.t.y);
    EXPECT_EQ(0, system.GetFreeSampleCount());

    // Samples returned by ageing serve the next start.
    system.Update(1.3f);
    EXPECT_EQ(1, system.GetFreeSampleCount());
    system.Update(2.6f);
    EXPECT_EQ(3, system.GetFreeSampleCount());
    EXPECT_EQ(1u, system.StartTrail(1, 2.6f, Frame(0.0f, 0.0f, 0.0f)));
}

TEST(VfxTrailSystemTest, NothingIsAllocatedWhileTrailsRun)
{
    VFX_TrailSystem system(8, 200);
    VEC_MeshPart part;
    part.Allocate(256, 768);
    const u32 before = MEM_GetBytesInUse();
    f32 t = 0.0f;
    for (s32 i = 0; i < 8; ++i) {
        system.AllocateTrail();
        system.StartTrail(i, t, Frame((f32)i, 0.0f, 0.0f));
    }
    for (s32 step = 0; step < 100; ++step) {
        t += 0.05f;
        for (s32 i = 0; i < 8; ++i) {
            system.GetTrail(i)->AddSample(t, Frame((f32)i, t, 0.0f));
            MAT_AABox box;
            system.GetTrail(i)->ComputeBoundingBox(box, t);
            system.GetTrail(i)->BuildGeometry(t + 0.02f, &part);
        }
        if (step == 50)
            system.ReleaseTrail(3);
        system.Update(t);
    }
    EXPECT_EQ(before, MEM_GetBytesInUse());
}

TEST_F(VfxTrailTest, BoxHoldsEverySampleWidenedAlongItsFirstAndThirdAxes)
{
    MAT_AABox box;
    box.m_min = {7.0f, 7.0f, 7.0f};
    box.m_max = box.m_min;
    EXPECT_EQ(0u, trail->ComputeBoundingBox(box, 0.0f));
    EXPECT_EQ(7.0f, box.m_min.x);

    Start(6, 1.0f, 1.0f);
    const f32 widths[] = {2.0f, 4.0f, 4.0f, 4.0f, 4.0f};
    for (s32 k = 0; k < 5; ++k)
        trail->SetSize(k, widths[k]);
    MAT_Matrix34 turned = Frame(10.0f, 0.0f, 0.0f);
    turned.r.SetFromRows({0.0f, 1.0f, 0.0f}, {-1.0f, 0.0f, 0.0f}, {0.0f, 0.0f, 1.0f});
    trail->AddSample(0.1f, turned);
    EXPECT_EQ(1u, trail->ComputeBoundingBox(box, 0.1f));
    // The head is 0.1 old: width 2 + (4 - 2) * 0.4; the newest is 0 old: width 2, its first
    // axis along y.
    const f32 w = 2.0f + 2.0f * (0.1f * 4.0f);
    EXPECT_FLOAT_EQ(-w, box.m_min.x);
    EXPECT_FLOAT_EQ(-2.0f, box.m_min.y);
    EXPECT_FLOAT_EQ(-w, box.m_min.z);
    EXPECT_FLOAT_EQ(10.0f, box.m_max.x);
    EXPECT_FLOAT_EQ(2.0f, box.m_max.y);
    EXPECT_FLOAT_EQ(w, box.m_max.z);
}

// ---------------------------------------------------------------------------------------------
// Geometry

// One cross-section read back from the vertex stream: plain sections carry v = 1, 0, 1, 0;
// cut and mark sections 1, 0, r, 1, 0, r with r in (0, 1].
struct Section
{
    s32 first = 0;
    s32 count = 0;
};

std::vector<Section> Sections(const VEC_MeshPart& _part)
{
    std::vector<Section> sections;
    for (s32 i = 0; i < _part.vertexCount;) {
        const bool plain =
            i + 3 < _part.vertexCount && _part.vertices[i + 2].v == 1.0f && _part.vertices[i + 3].v == 0.0f;
        const s32 count = plain ? 4 : 6;
        sections.push_back({i, count});
        i += count;
    }
    return sections;
}

// What holds for any ribbon: counts within the capacities, sections complete, triangles as
// the section mix gives them (none for the first section, 4 for a plain section after a plain
// one, 6 otherwise), every corner a written vertex, no triangle crossing between the strips.
void ExpectSoundRibbon(const VEC_MeshPart& _part)
{
    ASSERT_LE(_part.vertexCount, _part.vertexCapacity);
    ASSERT_LE(_part.triangleCount, _part.triangleCapacity);
    const std::vector<Section> sections = Sections(_part);
    s32 vertices = 0;
    s32 triangles = 0;
    std::vector<s32> strip((size_t)_part.vertexCount, 0);
    for (size_t i = 0; i < sections.size(); ++i) {
        const Section& s = sections[i];
        vertices += s.count;
        if (i > 0)
            triangles += s.count == 4 && sections[i - 1].count == 4 ? 4 : 6;
        for (s32 k = 0; k < s.count && s.first + k < _part.vertexCount; ++k)
            strip[(size_t)(s.first + k)] = k < s.count / 2 ? 1 : 2;
    }
    EXPECT_EQ(vertices, _part.vertexCount);
    EXPECT_EQ(triangles, _part.triangleCount);
    for (s32 t = 0; t < _part.triangleCount; ++t) {
        const VEC_Triangle& triangle = _part.triangles[t];
        for (s32 k = 0; k < 3; ++k)
            ASSERT_LT((s32)triangle.vertex[k], _part.vertexCount) << "triangle " << t;
        EXPECT_EQ(strip[triangle.vertex[0]], strip[triangle.vertex[1]]) << "triangle " << t;
        EXPECT_EQ(strip[triangle.vertex[0]], strip[triangle.vertex[2]]) << "triangle " << t;
    }
}

TEST_F(VfxTrailTest, NothingToDrawWritesNothing)
{
    VEC_MeshPart part;
    part.Allocate(256, 768);
    part.vertexCount = part.triangleCount = 7;
    EXPECT_EQ(0u, trail->BuildGeometry(1.0f, &part));  // no samples
    StraightTrail();
    EXPECT_EQ(0u, trail->BuildGeometry(0.0f, &part));   // not after the head
    EXPECT_EQ(0u, trail->BuildGeometry(-1.0f, &part));  // not after the head
    EXPECT_EQ(0u, trail->BuildGeometry(8.0f, &part));   // newest a full lifetime old
    EXPECT_EQ(0u, trail->BuildGeometry(9.0f, &part));
    EXPECT_EQ(7, part.vertexCount);
    EXPECT_EQ(7, part.triangleCount);
    EXPECT_EQ(1u, trail->BuildGeometry(7.99f, &part));
    ExpectSoundRibbon(part);
}

// The whole trail younger than its lifetime: the ribbon starts with the head's plain section.
TEST_F(VfxTrailTest, YoungTrailStartsAtTheHeadWithMarksBetweenSamples)
{
    Start(6, 1.0f, 1.0f);
    const u32 colors[] = {0xFF102030u, 0xFF112233u, 0xC8405060u, 0xFF445566u, 0xFF778899u};
    for (s32 k = 0; k < 5; ++k) {
        trail->SetColor(k, colors[k]);
        trail->SetSize(k, 1.0f + (f32)k);
    }
    trail->AddSample(0.5f, Frame(0.0f, 5.0f, 0.0f));
    ASSERT_EQ((std::vector<f32>{0.0f, 0.2f, 0.4f, 0.5f}), Times(*trail));
    VEC_MeshPart part;
    part.Allocate(256, 768);
    ASSERT_EQ(1u, trail->BuildGeometry(0.5f, &part));
    // head, 0.2, mark 0.25, 0.4, 0.5 (the mark at the head's own time is not written)
    EXPECT_EQ(4 + 4 + 6 + 4 + 4, part.vertexCount);
    EXPECT_EQ(4 + 6 + 6 + 4, part.triangleCount);
    ExpectSoundRibbon(part);
    const std::vector<Section> sections = Sections(part);
    ASSERT_EQ(5u, sections.size());
    EXPECT_EQ(6, sections[2].count);

    // The head is 0.5 old: key 2 exactly, half-width 3, colour key 2 faded to 0 at u0.
    const DSP_Vertex* v = part.vertices;
    EXPECT_FLOAT_EQ(3.0f, v[0].x);
    EXPECT_FLOAT_EQ(-3.0f, v[1].x);
    EXPECT_FLOAT_EQ(3.0f, v[2].z);
    EXPECT_FLOAT_EQ(-3.0f, v[3].z);
    EXPECT_EQ(1.0f, v[0].v);
    EXPECT_EQ(0.0f, v[1].v);
    EXPECT_EQ(colors[2] & 0x00FFFFFFu, v[0].color);
    EXPECT_EQ(0.0f, v[0].u);
    // The newest is 0 old: key 0 in full (past the fade), u = 0.5.
    const DSP_Vertex& newest = part.vertices[part.vertexCount - 4];
    EXPECT_EQ(colors[0], newest.color);
    EXPECT_FLOAT_EQ(0.5f, newest.u);
    EXPECT_FLOAT_EQ(1.0f, newest.x);
    // Normals were computed: unit length.
    for (s32 i = 0; i < part.vertexCount; ++i)
        EXPECT_NEAR(1.0f, std::sqrt(v[i].nx * v[i].nx + v[i].ny * v[i].ny + v[i].nz * v[i].nz), 1e-5f) << i;
}

// Older samples cut at t0 = time - lifetime, marks at t0 + 1, 2, 3 between samples.
TEST_F(VfxTrailTest, OldTrailIsCutAtTheLifetimeWithAMarkAtEveryKey)
{
    StraightTrail();
    const f32 widths[] = {1.0f, 2.0f, 3.0f, 4.0f, 5.0f};
    for (s32 k = 0; k < 5; ++k)
        trail->SetSize(k, widths[k]);
    VEC_MeshPart part;
    part.Allocate(256, 768);
    ASSERT_EQ(1u, trail->BuildGeometry(4.25f, &part));
    // cut, then 0.5 1 | 1.25 | 1.5 2 | 2.25 | 2.5 3 | 3.25 | 3.5 4
    EXPECT_EQ(6 + 8 * 4 + 3 * 6, part.vertexCount);
    EXPECT_EQ(4 * 6 + 4 * 4 + 3 * 6, part.triangleCount);
    ExpectSoundRibbon(part);
    const std::vector<Section> sections = Sections(part);
    ASSERT_EQ(12u, sections.size());
    EXPECT_EQ(6, sections[0].count);
    EXPECT_EQ(6, sections[3].count);

    // The cut between 0 (width 5, over age) and 0.5 (width 4.75) at r = 0.5: the edges at the
    // cut's own width 5, the diagonal point at r * 4.75 - (1 - r) * 5.
    const DSP_Vertex* v = part.vertices;
    const f32 expected[6][4] = {{5.0f, 2.5f, 0.0f, 1.0f}, {-5.0f, 2.5f, 0.0f, 0.0f}, {-0.125f, 2.5f, 0.0f, 0.5f},
                                {0.0f, 2.5f, 5.0f, 1.0f}, {0.0f, 2.5f, -5.0f, 0.0f}, {0.0f, 2.5f, -0.125f, 0.5f}};
    for (s32 i = 0; i < 6; ++i) {
        EXPECT_FLOAT_EQ(expected[i][0], v[i].x) << i;
        EXPECT_FLOAT_EQ(expected[i][1], v[i].y) << i;
        EXPECT_FLOAT_EQ(expected[i][2], v[i].z) << i;
        EXPECT_EQ(expected[i][3], v[i].v) << i;
        EXPECT_EQ(0.25f, v[i].u) << i;
    }
    // The plain section after the cut fans around its first vertex (n = 6).
    const u16 fan[6][3] = {{6, 0, 2}, {6, 2, 1}, {6, 1, 7}, {8, 3, 5}, {8, 5, 4}, {8, 4, 9}};
    for (s32 t = 0; t < 6; ++t)
        for (s32 k = 0; k < 3; ++k)
            EXPECT_EQ(fan[t][k], part.triangles[t].vertex[k]) << t;
    // The mark at 1.25 (n = 14) fans around its diagonal points to the plain section at 1.0.
    const u16 mark[6][3] = {{16, 14, 10}, {16, 10, 11}, {16, 11, 15}, {19, 17, 12}, {19, 12, 13}, {19, 13, 18}};
    for (s32 t = 0; t < 6; ++t)
        for (s32 k = 0; k < 3; ++k)
            EXPECT_EQ(mark[t][k], part.triangles[10 + t].vertex[k]) << t;
}

// Alpha rises from 0 at u0 (the cut) to full at uEnd = u0 + maps per second * spacing.
TEST_F(VfxTrailTest, FadeRisesOverTheFirstKeySpacing)
{
    StraightTrail();
    for (s32 k = 0; k < 5; ++k)
        trail->SetColor(k, 0xC8FFFFFFu);  // alpha 200
    VEC_MeshPart part;
    part.Allocate(256, 768);
    ASSERT_EQ(1u, trail->BuildGeometry(4.25f, &part));
    const std::vector<Section> sections = Sections(part);
    // u0 = 0.25 (the cut), uEnd = 1.25 (the first mark): 0, floor(63.75) * 200 / 255, full.
    const u32 expected[] = {0u, 63u * 200u / 255u, 191u * 200u / 255u, 200u, 200u};
    for (s32 s = 0; s < 5; ++s)
        for (s32 k = 0; k < sections[(size_t)s].count; ++k) {
            const DSP_Vertex& vertex = part.vertices[sections[(size_t)s].first + k];
            EXPECT_EQ(expected[s], Alpha(vertex)) << "section " << s << " u " << vertex.u;
            EXPECT_EQ(0x00FFFFFFu, vertex.color & 0x00FFFFFFu);
        }
    EXPECT_EQ(1.25f, part.vertices[sections[3].first].u);
}

// With no or negative repetitions the fade range is empty or reversed: nothing fades (the
// factor would otherwise leave 0..255 and wrap the alpha byte).
TEST_F(VfxTrailTest, NoFadeWithoutPositiveMapsPerSecond)
{
    for (f32 mapsPerSecond : {0.0f, -1.0f, -0.001f}) {
        SCOPED_TRACE(mapsPerSecond);
        StraightTrail(mapsPerSecond);
        for (s32 k = 0; k < 5; ++k)
            trail->SetColor(k, 0xC8FFFFFFu);
        VEC_MeshPart part;
        part.Allocate(256, 768);
        ASSERT_EQ(1u, trail->BuildGeometry(4.25f, &part));
        for (s32 i = 0; i < part.vertexCount; ++i)
            EXPECT_EQ(200u, Alpha(part.vertices[i])) << i;
        system.ReleaseTrail(index);
        system.Update(100.0f);
        index = system.AllocateTrail();
        trail = system.GetTrail(index);
    }
}

// A full part skips what does not fit and joins the next section that fits to the last one
// written.
TEST_F(VfxTrailTest, SkippedSectionsAreJoinedAcross)
{
    Start(6, 1.0f, 1.0f);
    trail->AddSample(0.5f, Frame(0.0f, 5.0f, 0.0f));  // head, 0.2, mark 0.25, 0.4, 0.5
    VEC_MeshPart part;
    part.Allocate(12, 768);
    ASSERT_EQ(1u, trail->BuildGeometry(0.5f, &part));
    // The mark needs 6 vertices (only 4 left): 0.4 joins 0.2 as a plain section, 0.5 is left out.
    EXPECT_EQ(12, part.vertexCount);
    EXPECT_EQ(8, part.triangleCount);
    const u16 joined[4][3] = {{4, 5, 8}, {5, 9, 8}, {6, 7, 10}, {7, 11, 10}};
    for (s32 t = 0; t < 4; ++t)
        for (s32 k = 0; k < 3; ++k)
            EXPECT_EQ(joined[t][k], part.triangles[4 + t].vertex[k]);
    EXPECT_FLOAT_EQ(4.0f, part.vertices[8].y);
    ExpectSoundRibbon(part);
}

// Below the documented minimum of 6 vertices the first section may not fit: nothing after it
// is joined to vertices that were never written.
TEST_F(VfxTrailTest, TinyPartsGetNoTrianglesWithoutAFirstSection)
{
    StraightTrail();
    const struct
    {
        s32 vertices;
        s32 triangles;
        s32 expectedVertices;
    } cases[] = {{0, 0, 0}, {3, 50, 0}, {4, 50, 0}, {5, 50, 0}, {6, 0, 6}, {9, 50, 6}, {10, 6, 10}, {10, 5, 6}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.vertices << " vertices, " << c.triangles << " triangles");
        VEC_MeshPart part;
        part.Allocate(c.vertices, c.triangles);
        ASSERT_EQ(1u, trail->BuildGeometry(4.25f, &part));
        EXPECT_EQ(c.expectedVertices, part.vertexCount);
        ExpectSoundRibbon(part);
    }
}

// A newest sample stretched far beyond a spacing (empty pool) holds two marks in a row: the
// second joins the first within each strip.
TEST(VfxTrailGeometryTest, MarksInARowStayOnTheirStrips)
{
    VFX_TrailSystem system(1, 2);
    system.AllocateTrail();
    VFX_Trail& trail = *system.GetTrail(0);
    trail.SetSampling(9, 4.0f, 1.0f);
    system.StartTrail(0, 0.0f, Frame(0.0f, 0.0f, 0.0f));
    trail.AddSample(3.9f, Frame(0.0f, 39.0f, 0.0f));
    ASSERT_EQ((std::vector<f32>{0.0f, 3.9f}), Times(trail));
    VEC_MeshPart part;
    part.Allocate(256, 768);
    ASSERT_EQ(1u, trail.BuildGeometry(4.5f, &part));
    // cut at 0.5, marks at 1.5, 2.5, 3.5, the newest.
    EXPECT_EQ(4 * 6 + 4, part.vertexCount);
    EXPECT_EQ(4 * 6, part.triangleCount);
    ExpectSoundRibbon(part);
    // The second mark (n = 12) fans to the first mark's edges 6, 7 and 9, 10.
    const u16 second[6][3] = {{14, 12, 6}, {14, 6, 7}, {14, 7, 13}, {17, 15, 9}, {17, 9, 10}, {17, 10, 16}};
    for (s32 t = 0; t < 6; ++t)
        for (s32 k = 0; k < 3; ++k)
            EXPECT_EQ(second[t][k], part.triangles[6 + t].vertex[k]) << t;
}

// Random trails from random runs (sampling, motion, pool sizes, frame times between steps),
// into large and tiny parts.
TEST(VfxTrailGeometryTest, RandomTrailsGiveSoundRibbons)
{
    std::mt19937 random(20240517u);
    auto uniform = [&](f32 _lo, f32 _hi) { return std::uniform_real_distribution<f32>(_lo, _hi)(random); };
    auto integer = [&](s32 _lo, s32 _hi) { return std::uniform_int_distribution<s32>(_lo, _hi)(random); };
    s32 built = 0;
    s32 skipped = 0;
    for (s32 run = 0; run < 300; ++run) {
        SCOPED_TRACE(run);
        VFX_TrailSystem system(1, integer(2, 60));
        system.AllocateTrail();
        VFX_Trail& trail = *system.GetTrail(0);
        const f32 lifetime = uniform(0.3f, 3.0f);
        trail.SetSampling(integer(6, 30), lifetime, uniform(0.2f, 3.0f));
        for (s32 k = 0; k < 5; ++k) {
            trail.SetSize(k, uniform(0.0f, 3.0f));
            trail.SetColor(k, (u32)random());
        }
        f32 t = 0.0f;
        MAT_Matrix34 frame = Frame(0.0f, 0.0f, 0.0f);
        system.StartTrail(0, t, frame);
        const s32 steps = integer(1, 150);
        for (s32 step = 0; step < steps; ++step) {
            t += 0.05f;
            frame.t = frame.t + MAT_Vector3(uniform(-1.0f, 1.0f), uniform(0.0f, 2.0f), uniform(-1.0f, 1.0f));
            frame.r.FromAngles(MAT_Angle(uniform(-3.0f, 3.0f)), MAT_Angle(uniform(-1.0f, 1.0f)),
                               MAT_Angle(uniform(-1.0f, 1.0f)));
            if (integer(0, 9) != 0)
                trail.AddSample(t, frame);
            system.Update(t);
        }
        const f32 frameTime = t + uniform(-0.05f, 0.05f);
        for (bool tiny : {false, true}) {
            VEC_MeshPart part;
            if (tiny)
                part.Allocate(integer(0, 24), integer(0, 24));
            else
                part.Allocate(256, 768);
            if (trail.BuildGeometry(frameTime, &part)) {
                ++built;
                ExpectSoundRibbon(part);
                if (tiny && part.vertexCount + 6 > part.vertexCapacity)
                    ++skipped;
            }
        }
    }
    EXPECT_GT(built, 200);
    EXPECT_GT(skipped, 20);
}

}  // namespace
