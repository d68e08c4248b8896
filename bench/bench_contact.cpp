// Physical contact in full collision passes: 1,000 hull-shaped vessels with real collision
// trees drift about a square, each step updating their boxes and running the pass through
// COH_Physical, so the figure is contacts resolved per second of pass time.
//
// The same run times the contact test on the overlapping pairs of the last step against a
// plain test of the same pairs (every leaf sphere of one body against every triangle of the
// other, no tree) and prints the ratio (plain_over_contact), which does not depend on the
// machine.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <vector>

#include "cod_physical.h"
#include "coh_physical.h"
#include "cos_collisionsystem.h"
#include "cos_contacttest.h"
#include "cos_obbs_tree.h"
#include "cos_obbs_treecache.h"
#include "mrt_terrain.h"
#include "nod_node.h"
#include "sim_clock.h"
#include "tools_file.h"
#include "tools_obbs.h"

namespace
{
using Clock = std::chrono::steady_clock;

struct Vessel
{
    NOD_Node owner;
    MAT_Matrix34 frame;
    MAT_Vector3 velocity;
    f32 heading = 0.0f;
    std::unique_ptr<COD_Physical_Vessel> d = std::make_unique<COD_Physical_Vessel>();
};

class Scene
{
public:
    explicit Scene(s32 _count) : m_system(2, 512, 4096), m_handler(&m_system, 1024, 1024, 1024, &m_cell)
    {
        char directory[] = "/tmp/qv_bench_contact_XXXXXX";
        if (mkdtemp(directory) == nullptr || chdir(directory) != 0)
            abort();
        m_directory = directory;
        TOOL_WriteObbs("hull", TOOL_ObbsHull(20.0f, 6.0f, 4.0f, 4, 4, 16));
        m_cache.SetPath("");
        COS_OBBS_Tree_Cache::SetCurrent(&m_cache);
        m_tree = m_cache.AllocateTree("hull");
        m_system.RegisterHandler(&m_handler, COS_TYPE_PHYSICAL, 1);

        // About two neighbours per hull; everything at one height, so overlapping boxes
        // usually mean touching hulls.
        m_side = std::sqrt((f32)_count) * 19.0f;
        u32 state = 12345u;
        auto next = [&state]() {
            state = state * 1664525u + 1013904223u;
            return (f32)(state >> 8) / 16777216.0f;
        };
        for (s32 i = 0; i < _count; ++i) {
            m_vessels.push_back(std::make_unique<Vessel>());
            Vessel& vessel = *m_vessels.back();
            vessel.d->m_kind = COD_KIND_FREE_BODY;
            vessel.d->m_active = vessel.d->m_activeFlag = 1;
            vessel.d->m_restitution = 0.5f;
            vessel.d->m_mass = 1.0f + next();
            vessel.d->m_margin = 0.5f;
            vessel.d->m_tree = m_tree;
            vessel.d->m_maxCollisions = 8;
            vessel.d->m_contacts.Allocate(8);
            vessel.d->m_owner = &vessel.owner;
            vessel.d->m_transform = &vessel.frame;
            vessel.d->m_velocity = &vessel.velocity;
            vessel.heading = next() * 6.2831853f;
            vessel.velocity = {(next() - 0.5f) * 0.5f, (next() - 0.5f) * 0.5f, 0.0f};
            Place(vessel, {next() * m_side, next() * m_side, 0.0f});
            f32 box[6];
            Box(vessel, box);
            m_handler.Insert(vessel.d.get(), box, &vessel.owner);
        }
    }

    ~Scene()
    {
        for (const auto& vessel : m_vessels)
            m_handler.Remove(vessel->d.get());
        m_vessels.clear();
        m_cache.ReleaseTree(m_tree);
        COS_OBBS_Tree_Cache::SetCurrent(nullptr);
        std::error_code ignored;
        std::filesystem::remove_all(m_directory, ignored);
    }

    void Place(Vessel& _vessel, const MAT_Vector3& _position)
    {
        const f32 c = std::cos(_vessel.heading);
        const f32 s = std::sin(_vessel.heading);
        _vessel.frame.SetFromVectors(_position, {c, s, 0.0f}, {-s, c, 0.0f}, {0.0f, 0.0f, 1.0f});
    }

    void Box(const Vessel& _vessel, f32 _box[6]) const
    {
        MAT_Vector3 corners[8];
        m_tree->box.Transform(_vessel.frame, corners);
        MAT_AABox box;
        box.m_min = box.m_max = corners[0];
        for (const MAT_Vector3& corner : corners)
            box.Extend(corner);
        _box[0] = box.m_min.x;
        _box[1] = box.m_min.y;
        _box[2] = box.m_min.z;
        _box[3] = box.m_max.x;
        _box[4] = box.m_max.y;
        _box[5] = box.m_max.z;
    }

    void Move()
    {
        for (const auto& pointer : m_vessels) {
            Vessel& vessel = *pointer;
            MAT_Vector3 p = vessel.frame.t + vessel.velocity;
            if (p.x < 0.0f || p.x > m_side)
                vessel.velocity.x = -vessel.velocity.x;
            if (p.y < 0.0f || p.y > m_side)
                vessel.velocity.y = -vessel.velocity.y;
            vessel.heading += 0.01f;
            Place(vessel, vessel.frame.t + vessel.velocity);
            f32 box[6];
            Box(vessel, box);
            m_handler.Update(vessel.d.get(), box);
        }
    }

    // Contacts recorded in the last pass: each one is in both lists.
    s64 Contacts() const
    {
        s64 entries = 0;
        for (const auto& vessel : m_vessels)
            entries += vessel->d->m_contacts.count;
        return entries / 2;
    }

    // The pairs whose boxes overlap in x and y, as the broad phase finds them.
    std::vector<std::pair<const Vessel*, const Vessel*>> Pairs() const
    {
        std::vector<std::array<f32, 6>> boxes(m_vessels.size());
        for (size_t i = 0; i < m_vessels.size(); ++i)
            Box(*m_vessels[i], boxes[i].data());
        std::vector<std::pair<const Vessel*, const Vessel*>> pairs;
        for (size_t i = 0; i < boxes.size(); ++i)
            for (size_t j = i + 1; j < boxes.size(); ++j) {
                const f32* a = boxes[i].data();
                const f32* b = boxes[j].data();
                if (a[0] <= b[3] && b[0] <= a[3] && a[1] <= b[4] && b[1] <= a[4])
                    pairs.push_back({m_vessels[i].get(), m_vessels[j].get()});
            }
        return pairs;
    }

    MRT_TerrainCell m_cell;
    COS_CollisionSystem m_system;
    COH_Physical m_handler;
    COS_OBBS_Tree_Cache m_cache;
    COS_OBBS_Tree* m_tree = nullptr;
    std::vector<std::unique_ptr<Vessel>> m_vessels;
    std::filesystem::path m_directory;
    f32 m_side = 0.0f;
};

// Every leaf sphere of A against every triangle of B in B's frame.
s32 PlainTest(const COS_OBBS_Tree& _a, const COS_OBBS_Tree& _b, const MAT_Matrix34& _frameA,
              const MAT_Matrix34& _frameB, MAT_AABox& _box)
{
    const MAT_Matrix34 aToB = _frameB.InvertRigid().Compose(_frameA);
    s32 touched = 0;
    for (s32 n = 0; n < _a.nodeCount; ++n) {
        const COS_OBBS_TreeNode& node = _a.nodes[n];
        if (node.firstChild != nullptr)
            continue;
        MAT_Sphere sphere = node.sphere;
        sphere.m_centre = aToB.TransformPoint(node.sphere.m_centre);
        for (s32 t = 0; t < _b.mesh->triangleListCount; ++t) {
            const MAT_Triangle triangle = _b.mesh->GetTriangle(t);
            if (!MAT_TestSphereTriangle(sphere, triangle))
                continue;
            MAT_Contact contact;
            MAT_ContactSphereTriangle(sphere, triangle, contact);
            _box.Extend(_frameB.RotateVector(contact.m_normal) * contact.m_depth);
            touched = 1;
        }
    }
    return touched;
}

void BM_ContactPass(benchmark::State& _state)
{
    Scene scene((s32)_state.range(0));
    COS_CollisionTreeCounters counters;
    COD_Physical::SetCounters(&counters);
    SIM_Clock clock;
    s64 contacts = 0;
    s64 passes = 0;
    Clock::duration passTime{};
    for (auto _ : _state) {
        _state.PauseTiming();
        scene.Move();
        _state.ResumeTiming();
        const Clock::time_point begin = Clock::now();
        scene.m_system.Process(clock);
        passTime += Clock::now() - begin;
        contacts += scene.Contacts();
        ++passes;
    }

    // The pairs of the last step through both tests.
    const auto pairs = scene.Pairs();
    const s32 rounds = 5;
    s64 contactHits = 0;
    s64 plainHits = 0;
    Clock::time_point begin = Clock::now();
    for (s32 round = 0; round < rounds; ++round)
        for (const auto& pair : pairs) {
            MAT_AABox box;
            contactHits += COS_ContactTest(*scene.m_tree, *scene.m_tree, pair.first->frame, pair.second->frame, 0.5f,
                                           box, counters);
            benchmark::DoNotOptimize(box);
        }
    const f64 contactSeconds = std::chrono::duration<f64>(Clock::now() - begin).count();
    begin = Clock::now();
    for (s32 round = 0; round < rounds; ++round)
        for (const auto& pair : pairs) {
            MAT_AABox box;
            plainHits += PlainTest(*scene.m_tree, *scene.m_tree, pair.first->frame, pair.second->frame, box);
            benchmark::DoNotOptimize(box);
        }
    const f64 plainSeconds = std::chrono::duration<f64>(Clock::now() - begin).count();
    COD_Physical::SetCounters(nullptr);

    const f64 passSeconds = std::chrono::duration<f64>(passTime).count();
    _state.counters["contacts_per_pass"] = (f64)contacts / (f64)passes;
    _state.counters["contacts_per_s"] = (f64)contacts / passSeconds;
    _state.counters["pass_us"] = passSeconds / (f64)passes * 1e6;
    _state.counters["pairs"] = (f64)pairs.size();
    _state.counters["pairs_touching_tree"] = (f64)contactHits / rounds;
    _state.counters["pairs_touching_plain"] = (f64)plainHits / rounds;
    _state.counters["plain_over_contact"] = plainSeconds / contactSeconds;
}
}  // namespace

BENCHMARK(BM_ContactPass)->Arg(1000)->Unit(benchmark::kMicrosecond);
