// The collision pass with recording descriptions: callback order, cadence, registration
// lists, the pair buffer's growth and the fatal checks.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "coh_avoid.h"
#include "coh_physical.h"
#include "coh_sense.h"
#include "coh_shadow.h"
#include "cos_collisionsystem.h"
#include "cos_world_fixture.h"
#include "mrt_terrain.h"
#include "pcs_handlers.h"
#include "sim_clock.h"
#include "test_dir.h"

namespace
{
// One log of every call the pass makes into the descriptions, in call order.
std::vector<std::string> g_log;

void Log(const std::string& _name, const char* _call) { g_log.push_back(_name + "." + _call); }

void Log(const std::string& _name, const char* _call, const std::string& _other)
{
    g_log.push_back(_name + "." + _call + "(" + _other + ")");
}

struct Box
{
    f32 v[6];
};

// Boxes at x = _x, all overlapping each other when _x is equal.
Box At(f32 _x) { return Box{{_x, 0.0f, 0.0f, _x + 1.0f, 1.0f, 1.0f}}; }

struct FakePhysical : COD_Physical
{
    std::string name;
    SIM_Clock clockSeen;
    MRT_TerrainCell* cellSeen = nullptr;
    MAT_Triangle* trianglesSeen = nullptr;
    s32 triangleCapacitySeen = 0;

    void Collide(COD_Physical* _other, const SIM_Clock& _clock) override
    {
        clockSeen = _clock;
        Log(name, "Collide", static_cast<FakePhysical*>(_other)->name);
    }
    void BeginStep() override { Log(name, "BeginStep"); }
    void EndStep() override { Log(name, "EndStep"); }
    void CollideTerrain(MRT_TerrainCell* _cell, MAT_Triangle* _triangles, s32 _capacity, const SIM_Clock&) override
    {
        cellSeen = _cell;
        trianglesSeen = _triangles;
        triangleCapacitySeen = _capacity;
        Log(name, "CollideTerrain");
    }
};

struct FakeVisible : PCS_VisibleObject
{
    std::string name;
};

struct FakeViewer : COD_Viewer
{
    std::string name;
    FakeViewer() : COD_Viewer(4) {}
    void AddVisible(PCS_VisibleObject* _visible) override
    {
        Log(name, "AddVisible", static_cast<FakeVisible*>(_visible)->name);
        COD_Viewer::AddVisible(_visible);
    }
    void ClearResults() override
    {
        Log(name, "ClearResults");
        COD_Viewer::ClearResults();
    }
};

struct FakeObstacle : COD_PassiveAvoid
{
    std::string name;
};

struct FakeAvoider : COD_ActiveAvoid
{
    std::string name;
    MRT_TerrainCell* cellSeen = nullptr;
    void NoteObstacle(COD_PassiveAvoid* _obstacle) override
    {
        Log(name, "NoteObstacle", static_cast<FakeObstacle*>(_obstacle)->name);
    }
    s32 Predict(MRT_TerrainCell* _cell) override
    {
        cellSeen = _cell;
        Log(name, "Predict");
        return 0;
    }
    void ClearResults() override { Log(name, "ClearResults"); }
};

struct FakeEmitter : COD_Emitter
{
    std::string name;
};

struct FakeSensor : COD_Sensor
{
    std::string name;
    void NoteEmitter(COD_Emitter* _emitter) override
    {
        Log(name, "NoteEmitter", static_cast<FakeEmitter*>(_emitter)->name);
    }
    void CheckTerrainOcclusion() override { Log(name, "CheckTerrainOcclusion"); }
    void CheckVisibility() override { Log(name, "CheckVisibility"); }
    void ClearResults() override { Log(name, "ClearResults"); }
};

struct FakeCaster : COD_ShadowCaster
{
    std::string name;
};

struct FakeReceiver : COD_ShadowReceiver
{
    std::string name;
    void ClearResults() override
    {
        Log(name, "ClearResults");
        COD_ShadowReceiver::ClearResults();
    }
};

template <class FAKE>
void Name(FAKE& _fake, const char* _name)
{
    _fake.name = _name;
}

// The system as the simulation builds it: nine handlers registered in type order.
class CollisionPassTest : public ::testing::Test, protected TST_CollisionWorld
{
protected:
    CollisionPassTest()
    {
        g_log.clear();
        clock.Set(12.5f, SIM_STEP);
    }

    // Every object is its own root body unless told otherwise.
    template <class HANDLER, class OBJECT>
    void Add(HANDLER& _handler, OBJECT& _object, const Box& _box, const void* _user = nullptr)
    {
        _handler.Insert(&_object, _box.v, _user != nullptr ? _user : &_object);
    }

    std::vector<std::string> Pass()
    {
        g_log.clear();
        system.Process(clock);
        return g_log;
    }
};

TEST_F(CollisionPassTest, OnePassCallsEveryoneInSlotListAndPairOrder)
{
    // Inserted against address order: an order by pointer would put "a" first.
    FakePhysical bodies[3];
    Name(bodies[0], "a");
    Name(bodies[1], "b");
    Name(bodies[2], "c");
    Add(physical, bodies[2], At(0));  // entry 0
    Add(physical, bodies[1], At(0));  // entry 1
    Add(physical, bodies[0], At(0));  // entry 2

    // The viewer and the avoider come second in their pairs.
    FakeVisible v1, v2;
    FakeViewer viewer;
    Name(v1, "v1");
    Name(v2, "v2");
    Name(viewer, "V");
    Add(visible, v1, At(0));
    Add(viewers, viewer, At(0));
    Add(visible, v2, At(0));
    FakeObstacle obstacle;
    FakeAvoider avoider;
    Name(obstacle, "O");
    Name(avoider, "A");
    Add(passive, obstacle, At(0));
    Add(active, avoider, At(0));
    FakeSensor sensor;
    FakeEmitter emitter;
    Name(sensor, "S");
    Name(emitter, "E");
    Add(sensors, sensor, At(0));
    Add(emitters, emitter, At(0));
    FakeCaster caster;
    FakeReceiver receiver;
    Name(caster, "C");
    Name(receiver, "R");
    Add(casters, caster, At(0));
    Add(receivers, receiver, At(0));

    const std::vector<std::string> expected = {"c.BeginStep",      "b.BeginStep",      "a.BeginStep",
                                               "V.ClearResults",   "S.ClearResults",   "R.ClearResults",
                                               "c.Collide(b)",     "b.Collide(c)",     "c.Collide(a)",
                                               "a.Collide(c)",     "b.Collide(a)",     "a.Collide(b)",
                                               "V.AddVisible(v1)", "V.AddVisible(v2)", "A.NoteObstacle(O)",
                                               "S.NoteEmitter(E)", "c.CollideTerrain", "b.CollideTerrain",
                                               "a.CollideTerrain", "A.Predict",        "S.CheckTerrainOcclusion",
                                               "c.EndStep",        "b.EndStep",        "a.EndStep",
                                               "S.CheckVisibility"};
    EXPECT_EQ(expected, Pass());

    EXPECT_EQ(12.5f, bodies[0].clockSeen.time);
    EXPECT_EQ(SIM_STEP, bodies[0].clockSeen.dt);
    EXPECT_EQ(&cell, bodies[0].cellSeen);
    EXPECT_NE(nullptr, bodies[0].trianglesSeen);
    EXPECT_EQ(1024, bodies[0].triangleCapacitySeen);
    EXPECT_EQ(&cell, avoider.cellSeen);
    EXPECT_EQ(2, viewer.m_visibleCount);
    EXPECT_EQ(COS_TYPE_VIEWER, viewer.m_type);
    EXPECT_EQ(COS_TYPE_VISIBLE, v1.m_type);
    EXPECT_EQ(COS_TYPE_SHADOW_RECEIVER, receiver.m_type);
}

TEST_F(CollisionPassTest, SensingEveryTenthAndAvoidanceEveryFifthPassFromTheFirst)
{
    FakeSensor sensor;
    FakeEmitter emitter;
    FakeAvoider avoider;
    FakeObstacle obstacle;
    FakeViewer viewer;
    FakeVisible object;
    Name(sensor, "S");
    Name(emitter, "E");
    Name(avoider, "A");
    Name(obstacle, "O");
    Name(viewer, "V");
    Name(object, "v");
    Add(sensors, sensor, At(0));
    Add(emitters, emitter, At(0));
    Add(active, avoider, At(0));
    Add(passive, obstacle, At(0));
    Add(viewers, viewer, At(0));
    Add(visible, object, At(0));

    std::map<std::string, std::vector<s32>> passes;
    for (s32 pass = 1; pass <= 21; ++pass)
        for (const std::string& call : Pass())
            passes[call].push_back(pass);

    const std::vector<s32> sensing = {1, 11, 21};
    const std::vector<s32> avoidance = {1, 6, 11, 16, 21};
    EXPECT_EQ(sensing, passes["S.ClearResults"]);
    EXPECT_EQ(sensing, passes["S.NoteEmitter(E)"]);
    EXPECT_EQ(sensing, passes["S.CheckTerrainOcclusion"]);
    EXPECT_EQ(sensing, passes["S.CheckVisibility"]);
    EXPECT_EQ(avoidance, passes["A.NoteObstacle(O)"]);
    EXPECT_EQ(avoidance, passes["A.Predict"]);
    EXPECT_EQ(21u, passes["V.AddVisible(v)"].size());
    EXPECT_EQ(21u, passes["V.ClearResults"].size());
}

TEST_F(CollisionPassTest, PartsOfOneBodyNeverPair)
{
    int body = 0;
    FakePhysical hull, turret, other;
    Name(hull, "hull");
    Name(turret, "turret");
    Name(other, "other");
    Add(physical, hull, At(0), &body);
    Add(physical, turret, At(0), &body);
    Add(physical, other, At(0));
    FakeViewer viewer;
    FakeVisible own;
    Name(viewer, "V");
    Name(own, "own");
    Add(viewers, viewer, At(0), &body);
    Add(visible, own, At(0), &body);

    std::vector<std::string> pairCalls;
    for (const std::string& call : Pass())
        if (call.find('(') != std::string::npos)
            pairCalls.push_back(call);
    const std::vector<std::string> expected = {"hull.Collide(other)", "other.Collide(hull)", "turret.Collide(other)",
                                               "other.Collide(turret)"};
    EXPECT_EQ(expected, pairCalls);
}

// Counts pairs without logging strings: ten thousand of them.
struct CountingPhysical : COD_Physical
{
    std::set<std::pair<const void*, const void*>>* pairs = nullptr;
    s32* calls = nullptr;
    void Collide(COD_Physical* _other, const SIM_Clock&) override
    {
        ++*calls;
        pairs->insert(this < _other ? std::make_pair((const void*)this, (const void*)_other)
                                    : std::make_pair((const void*)_other, (const void*)this));
    }
};

TEST_F(CollisionPassTest, PairBufferDoublesWhenFullAndReportsEveryPairInTheSamePass)
{
    // 142 overlapping boxes make 10011 pairs; five parts of one body drop ten of them.
    std::set<std::pair<const void*, const void*>> pairs;
    s32 calls = 0;
    std::vector<CountingPhysical> bodies(142);
    int body = 0;
    for (size_t i = 0; i < bodies.size(); ++i) {
        bodies[i].pairs = &pairs;
        bodies[i].calls = &calls;
        Add(physical, bodies[i], At(0), i < 5 ? (const void*)&body : nullptr);
    }
    EXPECT_EQ(COS_INITIAL_PAIR_CAPACITY, system.GetPairCapacity());

    system.Process(clock);
    EXPECT_EQ(10001u, pairs.size());
    EXPECT_EQ(2 * 10001, calls);
    EXPECT_EQ(20000, system.GetPairCapacity());

    // The grown buffer serves later passes as it is.
    pairs.clear();
    calls = 0;
    system.Process(clock);
    EXPECT_EQ(10001u, pairs.size());
    EXPECT_EQ(2 * 10001, calls);
    EXPECT_EQ(20000, system.GetPairCapacity());
}

TEST_F(CollisionPassTest, ViewerListHoldsTwoAndReusesPositions)
{
    FakeViewer first, second, third;
    FakeVisible object;
    Name(first, "first");
    Name(second, "second");
    Name(third, "third");
    Name(object, "v");
    Add(visible, object, At(0));
    Add(viewers, first, At(0));
    Add(viewers, first, At(5));  // already registered: nothing
    Add(viewers, second, At(0));
    Add(viewers, third, At(0));  // the list is full
    EXPECT_EQ(0, first.m_listPosition);
    EXPECT_EQ(1, second.m_listPosition);
    EXPECT_EQ(-1, third.m_listPosition);
    EXPECT_EQ(2, viewers.GetCount());
    EXPECT_EQ(3, system.GetSweepList(1).GetLiveCount());

    const std::vector<std::string> calls = Pass();
    EXPECT_EQ(1, std::count(calls.begin(), calls.end(), "first.AddVisible(v)"));
    EXPECT_EQ(1, std::count(calls.begin(), calls.end(), "second.AddVisible(v)"));
    for (const std::string& call : calls)
        EXPECT_EQ(std::string::npos, call.find("third")) << call;

    // Removal moves the last viewer into the gap and clears the removed one's list.
    g_log.clear();
    viewers.Remove(&first);
    EXPECT_EQ(-1, first.m_listPosition);
    EXPECT_EQ(0, second.m_listPosition);
    EXPECT_EQ(0, first.m_visibleCount);
    EXPECT_EQ(std::vector<std::string>{"first.ClearResults"}, g_log);
    viewers.Remove(&first);  // not registered: nothing
    EXPECT_EQ(1, viewers.GetCount());

    Add(viewers, first, At(0));
    EXPECT_EQ(1, first.m_listPosition);
    EXPECT_EQ(&first, viewers.GetObject(1));
    EXPECT_EQ(&second, viewers.GetObject(0));
    const std::vector<std::string> again = Pass();
    EXPECT_EQ(1, std::count(again.begin(), again.end(), "first.AddVisible(v)"));
}

TEST_F(CollisionPassTest, RemovedDescriptionsLeaveBothListsAndComeBackIntoThem)
{
    FakePhysical one, two;
    Name(one, "one");
    Name(two, "two");
    Add(physical, one, At(0));
    Add(physical, two, At(10));
    EXPECT_EQ(0, one.m_terrainPosition);
    EXPECT_EQ(1, two.m_terrainPosition);

    g_log.clear();
    physical.Remove(&one);
    EXPECT_EQ(std::vector<std::string>{"one.BeginStep"}, g_log);
    EXPECT_EQ(COD_PHYSICAL_UNLISTED, one.m_listPosition);
    EXPECT_EQ(-1, one.m_terrainPosition);
    EXPECT_EQ(0, two.m_listPosition);
    EXPECT_EQ(0, two.m_terrainPosition);
    EXPECT_EQ(1, physical.GetTerrainPass().count);

    physical.Remove(&two);
    EXPECT_EQ(0, physical.GetTerrainPass().count);
    EXPECT_EQ(std::vector<std::string>{}, Pass());

    Add(physical, two, At(10));
    EXPECT_EQ(0, two.m_terrainPosition);
    const std::vector<std::string> expected = {"two.BeginStep", "two.CollideTerrain", "two.EndStep"};
    EXPECT_EQ(expected, Pass());
}

TEST_F(CollisionPassTest, ObjectsOverlappingNothingStillGetTheirHandlersSteps)
{
    FakePhysical lone, moved;
    FakeSensor sensor;
    FakeEmitter farEmitter;
    Name(lone, "p");
    Name(moved, "q");
    Name(sensor, "S");
    Name(farEmitter, "E");
    Add(physical, lone, At(0));
    Add(physical, moved, At(0));
    Add(sensors, sensor, At(0));
    Add(emitters, farEmitter, At(100));
    // Moved apart: the pair goes away.
    physical.Update(&moved, At(50).v);

    const std::vector<std::string> expected = {"p.BeginStep",      "q.BeginStep",      "S.ClearResults",
                                               "p.CollideTerrain", "q.CollideTerrain", "S.CheckTerrainOcclusion",
                                               "p.EndStep",        "q.EndStep",        "S.CheckVisibility"};
    EXPECT_EQ(expected, Pass());
}

TEST_F(CollisionPassTest, ShadowReceiverOverlappingACasterGetsNoResult)
{
    FakeCaster caster;
    FakeReceiver receiver;
    Name(caster, "C");
    Name(receiver, "R");
    Add(casters, caster, At(0));
    Add(receivers, receiver, At(0));
    // The broad phase does see them overlap.
    EXPECT_EQ(1, system.GetSweepList(4).GetPairSet().GetPairCount());
    receiver.m_results[0] = 3.0f;
    receiver.m_results[1] = 4.0f;

    EXPECT_EQ(std::vector<std::string>{"R.ClearResults"}, Pass());
    EXPECT_EQ(0.0f, receiver.m_results[0]);
    EXPECT_EQ(0.0f, receiver.m_results[1]);
}

TEST_F(CollisionPassTest, InsertNextToNeedsARegisteredNeighbour)
{
    FakePhysical a, b, stray;
    Name(a, "a");
    Name(b, "b");
    Name(stray, "stray");
    const Box box = At(0);

    // Entry ids that are not in use, on an empty list and after a removal.
    EXPECT_EQ(-1, system.InsertNextTo(box.v, 0, &a, &a, 0));
    EXPECT_EQ(-1, system.InsertNextTo(box.v, 0, &a, &a, 600));
    Add(physical, a, box);
    physical.Remove(&a);
    EXPECT_EQ(-1, system.InsertNextTo(box.v, 0, &b, &b, 0));
    EXPECT_EQ(0, system.GetSweepList(0).GetLiveCount());

    // Through the handler: an unregistered neighbour leaves the object unregistered.
    physical.InsertNextTo(&b, &a, box.v, &b);
    EXPECT_EQ(COD_PHYSICAL_UNLISTED, b.m_listPosition);
    EXPECT_EQ(0, physical.GetCount());

    // A registered neighbour: the new description starts next to it and pairs as usual.
    Add(physical, a, box);
    physical.InsertNextTo(&b, &a, At(0.5f).v, &b);
    EXPECT_EQ(1, b.m_listPosition);
    EXPECT_EQ(1, b.m_terrainPosition);
    Add(physical, stray, At(30));
    const std::vector<std::string> calls = Pass();
    EXPECT_EQ(1, std::count(calls.begin(), calls.end(), "a.Collide(b)"));
    EXPECT_EQ(1, std::count(calls.begin(), calls.end(), "b.Collide(a)"));
    EXPECT_EQ(0, std::count(calls.begin(), calls.end(), "stray.Collide(a)"));
}

TEST_F(CollisionPassTest, TypesWithoutASweepListAreFatal)
{
    const char* const where = "COS_LIST_BoxAttributes::COS_LIST_BoxAttributes()";
    const char* const tooMany = "Maximum number of 32 type allowed in current release";
    struct Case
    {
        u32 type;
        const char* message;
    };
    const Case cases[] = {
        {10, "no sweep list for type 10"}, {31, "no sweep list for type 31"}, {32, tooMany}, {0xFFFFFFFFu, tooMany}};
    FakePhysical neighbour, object;
    Add(physical, neighbour, At(0));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.type);
        const Box box = At(0);
        EXPECT_FATAL(system.Insert(box.v, c.type, &object, &object), where, c.message);
        EXPECT_FATAL(system.InsertNextTo(box.v, c.type, &object, &object, 0), where, c.message);
        EXPECT_EQ(0u, object.m_type);
    }
    for (s32 group = 0; group < COS_GROUP_COUNT; ++group)
        EXPECT_EQ(group == 0 ? 1 : 0, system.GetSweepList(group).GetLiveCount());
}

TEST(CosCollisionSystemTest, HandlersAcceptOnlyTheirOwnType)
{
    COS_CollisionSystem system(2, 8, 16);
    MRT_TerrainCell cell;
    COH_Physical physical(&system, 4, 4, 4, &cell);
    PCS_VisibleObjectHandler visible(&system);
    PCS_ViewerHandler viewers(&system, 2);
    COH_PassiveAvoid passive(&system);
    COH_ActiveAvoid active(&system, 2, &cell);
    COH_Emitter emitters(&system);
    COH_Sensor sensors(&system, 2);
    COH_ShadowCaster casters(&system);
    COH_ShadowReceiver receivers(&system, 2);
    struct Case
    {
        COH_HandlerBase* handler;
        u32 wrongType;
        const char* caption;
    };
    const Case cases[] = {
        {&physical, 1, "COH_Physical::SetType"},        {&visible, 3, "PCS_VisibleObjectHandler::SetType"},
        {&viewers, 2, "PCS_ViewerHandler::SetType"},    {&passive, 5, "COH_PassiveAvoid::SetType"},
        {&active, 4, "COH_ActiveAvoid::SetType"},       {&emitters, 7, "COH_Emitter::SetType"},
        {&sensors, 6, "COH_Sensor::SetType"},           {&casters, 9, "COH_ShadowCaster::SetType"},
        {&receivers, 8, "COH_ShadowReceiver::SetType"}, {&physical, 32, "COH_Physical::SetType"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.caption);
        EXPECT_FATAL(system.RegisterHandler(c.handler, c.wrongType, 0xFFFFFFFFu), c.caption,
                     "Wrong type number assigned");
        EXPECT_EQ(nullptr, system.GetHandler(c.wrongType));
        EXPECT_EQ(0u, system.GetCollideMask(c.wrongType));
    }
    system.RegisterHandler(&physical, 0, 1);
    EXPECT_EQ(&physical, system.GetHandler(0));
    EXPECT_EQ(1u, system.GetCollideMask(0));
}
TEST(CodCollidableTest, PhysicalAndEmitterAreCreatedByName)
{
    COD_RegisterClasses();
    const char* const names[] = {"COD_Physical", "COD_Emitter"};
    for (const char* name : names) {
        SCOPED_TRACE(name);
        const RTI_ClassDefinition* definition = RTI_ClassDefinition::Find(name);
        ASSERT_NE(nullptr, definition);
        EXPECT_STREQ("RTI_Class", definition->GetBaseName());
        RTI_Class* object = definition->CreateInstance();
        EXPECT_EQ(definition, object->GetClassDefinition());
        delete object;
    }
    RTI_Class* physical = RTI_ClassDefinition::Find("COD_Physical")->CreateInstance();
    EXPECT_EQ(COD_PHYSICAL_UNLISTED, static_cast<COD_Physical*>(physical)->m_listPosition);
    EXPECT_EQ(-1, static_cast<COD_Physical*>(physical)->m_terrainPosition);
    delete physical;
    COD_UnregisterClasses();
    EXPECT_EQ(nullptr, RTI_ClassDefinition::Find("COD_Physical"));
    EXPECT_EQ(nullptr, RTI_ClassDefinition::Find("COD_Emitter"));
}
}  // namespace
