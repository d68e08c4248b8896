// The target tests and choices: surface distance, ranks by interest name, the choice's order
// (rank, then distance, ties to the earlier), full slots, attackers judged without the name
// filter, torpedoes first, and the patrol area.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "bhv_state_fixture.h"
#include "bhv_targeting.h"
#include "cos_obbs_tree.h"
#include "nod_patrolarea.h"

namespace
{
class TargetChoiceTest : public TST_StateWorld
{
protected:
    TargetChoiceTest()
    {
        // The attacker's sensor at the origin: presence within 1000, names "ship" and "boat".
        m_frame = TST_TranslationFrame(0.0f, 0.0f, 0.0f);
        m_sensor.m_transform = &m_frame;
        m_sensor.m_presenceRange = 1000.0f;
        m_sensor.m_flags = COD_SENSOR_ACTIVE | COD_SENSOR_PRESENCE | COD_SENSOR_NAME_FILTER;
        SetNames({"ship", "boat", "", ""});
        m_slots.Allocate(6);
        m_torpedoes.Allocate(2);
    }

    void SetNames(const std::vector<const char*>& _names)
    {
        for (s32 i = 0; i < BHV_INTEREST_NAMES; ++i)
            m_names[i] = SIM_Name(_names[(size_t)i]);
        SIM_Name packed[BHV_INTEREST_NAMES];
        m_sensor.SetNameFilter(packed, BHV_PackInterestNames(m_names, packed));
    }
    // An enemy entered at (_x, 0, 0); _fill of its six attacker slots taken.
    TST_Thing* Enemy(const char* _name, f32 _x, s32 _fill = 0)
    {
        TST_Thing* enemy = MakeEnemy(_name, {_x, 0.0f, 0.0f});
        enemy->Enter();
        for (s32 i = 0; i < _fill; ++i)
            enemy->attackers.Add(m_root);
        return enemy;
    }
    // The sensed list: the emitters of these bodies.
    void Sensed(const std::vector<NOD_Body*>& _bodies)
    {
        ASSERT_LE(_bodies.size(), (size_t)LIST);
        m_count = (s32)_bodies.size();
        for (s32 i = 0; i < LIST; ++i)
            m_list[i].Set(i < m_count ? _bodies[(size_t)i]->GetAggregate().GetEmitter() : nullptr);
    }
    s32 Choose(NOD_Body** _target, NOD_PatrolArea* _area = nullptr, bool _torpedoes = false)
    {
        const MAT_Vector3 p(0.0f, 0.0f, 0.0f);
        if (_area != nullptr)
            return BHV_ChooseTargetInArea(_area, &m_sensor, p, &m_slots, m_list, m_count, m_names, _target);
        return BHV_ChooseTarget(&m_sensor, p, &m_slots, _torpedoes ? &m_torpedoes : nullptr, m_list, m_count, m_names,
                                _target);
    }
    static const char* NameOf(const NOD_Body* _body) { return _body != nullptr ? _body->GetName().GetName() : "-"; }

    MAT_Matrix34 m_frame;
    COD_Sensor m_sensor;
    SIM_Name m_names[BHV_INTEREST_NAMES];
    BHV_AttackerSlots m_slots;
    BHV_AttackerSlots m_torpedoes;
    enum
    {
        LIST = 8
    };
    RTI_Pointer m_list[LIST];
    s32 m_count = 0;
};

TEST_F(TargetChoiceTest, SurfaceDistanceIsTheGapBetweenHullsNeverBelowZero)
{
    // The hull tree's root: half extents of a 20 x 6 x 4 box around its mesh.
    TST_Thing* a = Make("a", {0.0f, 0.0f, 0.0f});
    TST_Thing* far = Make("far", {100.0f, 0.0f, 0.0f});
    TST_Thing* near = Make("near", {5.0f, 0.0f, 0.0f});
    TST_Thing* point = Make("point", {0.0f, 50.0f, 0.0f}, nullptr, false);
    const COS_OBBS_Tree* tree = a->GetAggregate().GetPhysical()->GetCollisionTree();
    ASSERT_NE(nullptr, tree);
    const f32 e = tree->nodes[0].halfExtents.Length();
    ASSERT_GT(e, 5.0f);
    EXPECT_FLOAT_EQ(100.0f - e, BHV_SurfaceDistance(a, far));
    EXPECT_FLOAT_EQ(100.0f - e, BHV_SurfaceDistance(far, a));
    EXPECT_EQ(0.0f, BHV_SurfaceDistance(a, near));  // overlapping: 0, not negative
    EXPECT_EQ(0.0f, BHV_SurfaceDistance(a, a));
    EXPECT_FLOAT_EQ(50.0f - 0.5f * e, BHV_SurfaceDistance(a, point));
}

TEST_F(TargetChoiceTest, RankByInterestNameIsOnePlusTheLastProperPrefix)
{
    // Names N0, empty, N2, empty, N0 a prefix of N2: the later name counts. A body's rank shows
    // in contests with nearer rivals of ranks 0, 1 and 3: it wins only against a worse rank (a
    // tie goes to the nearer rival).
    SetNames({"ship", "", "ship_", ""});
    const struct
    {
        const char* name;
        f32 rank;
    } rows[] = {{"ship1", 1.0f}, {"ship_x", 3.0f}, {"ship_", 1.0f}, {"ship", 0.0f}, {"Ship1", 0.0f}, {"other", 0.0f}};
    const struct
    {
        const char* name;
        f32 rank;
    } rivals[] = {{"zzz", 0.0f}, {"shipb", 1.0f}, {"ship_c", 3.0f}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        TST_Thing* body = Enemy(row.name, 100.0f);
        for (const auto& rival : rivals) {
            TST_Thing* near = Enemy(rival.name, 10.0f);
            Sensed({body, near});
            NOD_Body* chosen = nullptr;
            EXPECT_EQ(BHV_TARGET_ATTACKABLE, Choose(&chosen));
            EXPECT_STREQ(row.rank < rival.rank ? row.name : rival.name, NameOf(chosen)) << "against " << rival.name;
            near->Leave();
            delete near;
        }
        body->Leave();
        delete body;
    }
}

TEST_F(TargetChoiceTest, ChoiceTable)
{
    // Per row: the bodies (name, distance, full slots), which are attackers (in the caller's
    // slots) and torpedoes, which are in the sensed list, and what is chosen.
    struct Body
    {
        const char* name;
        f32 x;
        bool full;
        bool attacker;
        bool torpedo;
        bool listed;
    };
    struct Row
    {
        const char* what;
        std::vector<Body> bodies;
        bool torpedoes;
        s32 code;
        const char* chosen;
    };
    const std::vector<Row> rows = {
        {"lower rank far beats higher rank near",
         {{"boat_near", 10.0f, false, false, false, true}, {"ship_far", 500.0f, false, false, false, true}},
         false,
         BHV_TARGET_ATTACKABLE,
         "ship_far"},
        {"same rank: the nearer",
         {{"ship_far", 500.0f, false, false, false, true}, {"ship_near", 10.0f, false, false, false, true}},
         false,
         BHV_TARGET_ATTACKABLE,
         "ship_near"},
        {"a tie keeps the earlier",
         {{"ship_a", 50.0f, false, false, false, true}, {"ship_b", -50.0f, false, false, false, true}},
         false,
         BHV_TARGET_ATTACKABLE,
         "ship_a"},
        {"an attacker whose name matches nothing, without filter",
         {{"raider", 40.0f, false, true, false, false}},
         false,
         BHV_TARGET_ATTACKABLE,
         "raider"},
        {"named bodies beat attackers",
         {{"raider", 10.0f, false, true, false, false}, {"boat_far", 800.0f, false, false, false, true}},
         false,
         BHV_TARGET_ATTACKABLE,
         "boat_far"},
        {"torpedoes beat everything",
         {{"ship_near", 10.0f, false, false, false, true}, {"tor1", 900.0f, false, false, true, false}},
         true,
         BHV_TARGET_ATTACKABLE,
         "tor1"},
        {"torpedoes only when given",
         {{"ship_near", 10.0f, false, false, false, true}, {"tor1", 900.0f, false, false, true, false}},
         false,
         BHV_TARGET_ATTACKABLE,
         "ship_near"},
        {"all full: the last full one found",
         {{"raider", 10.0f, true, true, false, false},
          {"ship_a", 20.0f, true, false, false, true},
          {"ship_b", 30.0f, true, false, false, true}},
         false,
         BHV_TARGET_FULL,
         "ship_b"},
        {"a free one beats full ones",
         {{"ship_a", 20.0f, true, false, false, true}, {"boat_b", 900.0f, false, false, false, true}},
         false,
         BHV_TARGET_ATTACKABLE,
         "boat_b"},
        {"an attacker out of range is not sensed",
         {{"raider", 2000.0f, false, true, false, false}},
         false,
         BHV_TARGET_NONE,
         "-"},
        {"nothing", {}, false, BHV_TARGET_NONE, "-"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        std::vector<NOD_Body*> listed;
        std::vector<TST_Thing*> made;
        for (const Body& b : row.bodies) {
            TST_Thing* body = Enemy(b.name, b.x, b.full ? 6 : 0);
            made.push_back(body);
            if (b.attacker)
                m_slots.Add(body);
            if (b.torpedo)
                m_torpedoes.Add(body);
            if (b.listed)
                listed.push_back(body);
        }
        Sensed(listed);
        NOD_Body* chosen = reinterpret_cast<NOD_Body*>(1);
        EXPECT_EQ(row.code, Choose(&chosen, nullptr, row.torpedoes));
        EXPECT_STREQ(row.chosen, NameOf(chosen));
        // The attackers' walk leaves the filter on.
        EXPECT_NE(0u, m_sensor.m_flags & COD_SENSOR_NAME_FILTER);
        for (TST_Thing* body : made) {
            body->Leave();
            delete body;
        }
    }
}

TEST_F(TargetChoiceTest, TheAreaLeavesOutWhatIsOutside)
{
    NOD_PatrolArea* area = static_cast<NOD_PatrolArea*>(NOD_Node::CreateNode("NOD_PatrolArea", "area"));
    m_root->AddSon(area);
    delete area->ProcessMessage(NOD_PatrolArea_SetRadius::Create(100.0f));
    delete area->ProcessMessage(NOD_PatrolArea_SetMinZ::Create(-10.0f));
    delete area->ProcessMessage(NOD_PatrolArea_SetMaxZ::Create(10.0f));
    TST_Thing* inside = Enemy("boat_in", 50.0f);
    TST_Thing* outside = Enemy("ship_out", 300.0f);
    TST_Thing* raider = Enemy("raider", 400.0f);
    m_slots.Add(raider);
    Sensed({inside, outside});

    NOD_Body* chosen = nullptr;
    EXPECT_EQ(BHV_TARGET_ATTACKABLE, Choose(&chosen, area));
    EXPECT_EQ(inside, chosen);  // the better-ranked ship is outside
    EXPECT_EQ(BHV_TARGET_ATTACKABLE, Choose(&chosen));
    EXPECT_EQ(outside, chosen);

    // Sensed, but outside: none. The attacker outside too.
    EXPECT_EQ(BHV_TARGET_NONE, BHV_CheckTargetInArea(area, &m_slots, &m_sensor, outside));
    EXPECT_EQ(BHV_TARGET_ATTACKABLE, BHV_CheckTargetInArea(nullptr, &m_slots, &m_sensor, outside));
    EXPECT_EQ(BHV_TARGET_NONE, BHV_CheckTargetInArea(area, &m_slots, &m_sensor, raider));
    EXPECT_EQ(BHV_TARGET_ATTACKABLE, BHV_CheckTargetInArea(area, &m_slots, &m_sensor, inside));

    // The enemy test inside the area: only the attacker and the ship are outside it.
    Sensed({outside});
    EXPECT_EQ(BHV_TARGET_NONE, BHV_CheckEnemiesInPatrolArea(area, &m_slots, m_list, m_count, &m_sensor));
    EXPECT_EQ(BHV_TARGET_ATTACKABLE, BHV_CheckEnemiesInPatrolArea(nullptr, &m_slots, m_list, m_count, &m_sensor));
}

TEST_F(TargetChoiceTest, CheckTargetSensesAttackersAndTorpedoesWithoutFilter)
{
    // Rows: a body's name, whether it is an attacker or a torpedo of the caller, its slots
    // (none, free, full), and the answer.
    const struct
    {
        const char* name;
        bool attacker;
        bool torpedo;
        s32 slots;  // -1 none, else how many of six are taken
        s32 code;
    } rows[] = {
        {"ship1", false, false, 0, BHV_TARGET_ATTACKABLE},  // passes the filter
        {"ship1", false, false, 6, BHV_TARGET_FULL},
        {"raider", false, false, 0, BHV_TARGET_NONE},  // filtered out
        {"raider", true, false, 0, BHV_TARGET_ATTACKABLE},
        {"tor1", false, true, 0, BHV_TARGET_ATTACKABLE},
        {"ship1", false, false, -1, BHV_TARGET_NONE},  // no slots of its own: never a target
        {"raider", true, false, -1, BHV_TARGET_NONE},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(row.name) + " " + std::to_string(row.slots));
        TST_Thing* body = Make(row.name, {30.0f, 0.0f, 0.0f});
        body->Enter();
        if (row.slots >= 0)
            body->attackers.Allocate(6);
        for (s32 i = 0; i < row.slots; ++i)
            body->attackers.Add(m_root);
        if (row.attacker)
            m_slots.Add(body);
        if (row.torpedo)
            m_torpedoes.Add(body);
        EXPECT_EQ(row.code, BHV_CheckTarget(&m_slots, &m_torpedoes, &m_sensor, body));
        if (!row.torpedo) {
            EXPECT_EQ(row.code, BHV_CheckTargetInArea(nullptr, &m_slots, &m_sensor, body));
        }
        EXPECT_NE(0u, m_sensor.m_flags & COD_SENSOR_NAME_FILTER);
        body->Leave();
        delete body;
    }
    EXPECT_EQ(BHV_TARGET_NONE, BHV_CheckTarget(&m_slots, nullptr, &m_sensor, nullptr));
}

TEST_F(TargetChoiceTest, CheckEnemiesAnswersFreeBeforeFullBeforeNone)
{
    TST_Thing* freeShip = Enemy("ship_free", 100.0f);
    TST_Thing* fullShip = Enemy("ship_full", 100.0f, 6);
    TST_Thing* raider = Enemy("raider", 100.0f);
    TST_Thing* farRaider = Enemy("raider_far", 5000.0f);
    TST_Thing* plain = Make("ship_plain", {50.0f, 0.0f, 0.0f});  // no slots: ignored
    plain->Enter();
    BHV_AttackerSlots none;
    const struct
    {
        const char* what;
        std::vector<NOD_Body*> slotsA;
        std::vector<NOD_Body*> slotsB;
        std::vector<NOD_Body*> listed;
        s32 code;
    } rows[] = {
        {"nothing", {}, {}, {}, BHV_TARGET_NONE},
        {"a listed body without slots", {}, {}, {plain}, BHV_TARGET_NONE},
        {"a full listed one", {}, {}, {fullShip, plain}, BHV_TARGET_FULL},
        {"free and full listed", {}, {}, {fullShip, freeShip}, BHV_TARGET_ATTACKABLE},
        {"an attacker whatever its name", {raider}, {}, {}, BHV_TARGET_ATTACKABLE},
        {"an attacker in the second list", {}, {raider}, {fullShip}, BHV_TARGET_ATTACKABLE},
        {"an attacker out of range", {farRaider}, {}, {}, BHV_TARGET_NONE},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        BHV_AttackerSlots a;
        BHV_AttackerSlots b;
        a.Allocate(6);
        b.Allocate(2);
        for (NOD_Body* body : row.slotsA)
            a.Add(body);
        for (NOD_Body* body : row.slotsB)
            b.Add(body);
        Sensed(row.listed);
        EXPECT_EQ(row.code, BHV_CheckEnemies(&a, &b, m_list, m_count, &m_sensor));
        EXPECT_EQ(row.code, BHV_CheckEnemies(&b, &a, m_list, m_count, &m_sensor));
    }
    // Null lists are empty; an entry whose emitter is gone is skipped.
    Sensed({freeShip});
    freeShip->Leave();
    delete freeShip;
    EXPECT_EQ(BHV_TARGET_NONE, BHV_CheckEnemies(nullptr, nullptr, m_list, m_count, &m_sensor));
    EXPECT_EQ(BHV_TARGET_NONE, BHV_CheckEnemies(&none, nullptr, nullptr, 0, &m_sensor));
}

TEST_F(TargetChoiceTest, PackingInterestNames)
{
    SIM_Name names[BHV_INTEREST_NAMES] = {SIM_Name(""), SIM_Name("b"), SIM_Name(""), SIM_Name("d")};
    SIM_Name slots[BHV_INTEREST_NAMES] = {SIM_Name("x"), SIM_Name("x"), SIM_Name("x"), SIM_Name("x")};
    EXPECT_EQ(2, BHV_PackInterestNames(names, slots));
    EXPECT_TRUE(slots[0] == "b");
    EXPECT_TRUE(slots[1] == "d");
    EXPECT_TRUE(slots[2] == "");
    EXPECT_TRUE(slots[3] == "");
    // In place.
    EXPECT_EQ(2, BHV_PackInterestNames(names, names));
    EXPECT_TRUE(names[0] == "b");
    EXPECT_TRUE(names[1] == "d");
    EXPECT_TRUE(names[3] == "");
}
}  // namespace
