// The owner's record filled from a body: the contact parts of its aggregate in their places,
// the vessel-kind physical description only, and the attacker and torpedo slots as the body
// itself answers them.
#include <gtest/gtest.h>

#include <string>

#include "bhv_attackerslots.h"
#include "bhv_owner.h"
#include "cod_physical.h"
#include "contactaggregate.h"
#include "cos_obbs_treecache.h"
#include "des_fixture.h"
#include "nod_body.h"
#include "nod_bodyclasses.h"
#include "sim_clock.h"
#include "test_dir.h"
#include "tools_obbs.h"
#include "tools_sections.h"

namespace
{
// A body with attacker and torpedo slots of its own, whose mass a vessel description reads.
class TST_SlotBody : public NOD_Body
{
public:
    BHV_AttackerSlots* GetAttackerSlots() override { return &attackers; }
    BHV_AttackerSlots* GetTorpedoSlots() override { return &torpedoes; }
    f32 GetMass() override { return 1.0f; }

    BHV_AttackerSlots attackers;
    BHV_AttackerSlots torpedoes;
};

// A body carried by another that answers its carrier's slots, as a turret on a vessel does.
class TST_CarriedBody : public NOD_Body
{
public:
    BHV_AttackerSlots* GetAttackerSlots() override { return static_cast<NOD_Body*>(GetFather())->GetAttackerSlots(); }
    BHV_AttackerSlots* GetTorpedoSlots() override { return static_cast<NOD_Body*>(GetFather())->GetTorpedoSlots(); }
};

class OwnerRecordTest : public testing::Test
{
protected:
    OwnerRecordTest()
    {
        NOD_RegisterBodyClasses();
        SIM_GetSimulationClock().Set(0.0f, SIM_STEP);
        m_cache.SetPath("col\\");
        COS_OBBS_Tree_Cache::SetCurrent(&m_cache);
        m_dir.Write("col/hull", TOOL_ObbsText(TOOL_ObbsHull(20.0f, 6.0f, 4.0f, 4, 4, 16)));
    }
    ~OwnerRecordTest() override
    {
        COS_OBBS_Tree_Cache::SetCurrent(nullptr);
        SIM_GetSimulationClock().Reset();
        NOD_UnregisterBodyClasses();
    }

    // The parts a vessel builds: vessel-kind collision, avoidance, emitter, sensors 1, 4 and 2.
    void MakeVesselParts(NOD_Body& _body)
    {
        ContactAggregate& aggregate = _body.GetAggregate();
        TOOL_CollisionSection collision;
        collision.collisionDescription = "hull";
        TST_WithSection(m_dir, TOOL_CollisionSectionText(collision, TOOL_COLLISION_VESSEL), "Collision",
                        [&](DES_Section* _s) { aggregate.GeneratePhysicalVessel(_s, 1, nullptr); });
        TST_WithSection(m_dir, TOOL_AvoidanceSectionText(TOOL_AvoidanceSection(), TOOL_AVOIDANCE_AVOIDER), "Avoidance",
                        [&](DES_Section* _s) { aggregate.GenerateActiveAvoid(_s); });
        TST_WithSection(m_dir, TOOL_EmitterSectionText(TOOL_EmitterSection()), "Emitter",
                        [&](DES_Section* _s) { aggregate.GenerateEmitter(_s); });
        aggregate.GenerateSensor1();
        aggregate.GenerateSensor4();
        aggregate.GenerateSensor2();
    }

    TST_TempDir m_dir;
    COS_OBBS_Tree_Cache m_cache;
};

TEST_F(OwnerRecordTest, FillTakesTheBodysPartsInTheirPlaces)
{
    TST_SlotBody body;
    MakeVesselParts(body);
    const ContactAggregate& aggregate = body.GetAggregate();

    BHV_Owner record;
    record.Fill(&body);
    EXPECT_EQ(&body, record.body);
    ASSERT_NE(nullptr, record.physical);
    EXPECT_EQ(aggregate.GetPhysical(), record.physical);
    ASSERT_NE(nullptr, record.avoider);
    EXPECT_EQ(aggregate.GetAvoider(), record.avoider);
    ASSERT_NE(nullptr, record.emitter);
    EXPECT_EQ(aggregate.GetEmitter(), record.emitter);
    // The places the behaviours read: perception, targets and firing cone; the third is empty.
    ASSERT_NE(nullptr, record.sensors[BHV_SENSOR_PERCEPTION]);
    EXPECT_EQ(aggregate.GetSensor1(), record.sensors[BHV_SENSOR_PERCEPTION]);
    ASSERT_NE(nullptr, record.sensors[BHV_SENSOR_TARGETS]);
    EXPECT_EQ(aggregate.GetSensor2(), record.sensors[BHV_SENSOR_TARGETS]);
    EXPECT_EQ(nullptr, record.sensors[2]);
    ASSERT_NE(nullptr, record.sensors[BHV_SENSOR_FIRING_CONE]);
    EXPECT_EQ(aggregate.GetSensor4(), record.sensors[BHV_SENSOR_FIRING_CONE]);
    EXPECT_NE(record.sensors[BHV_SENSOR_PERCEPTION], record.sensors[BHV_SENSOR_TARGETS]);
    EXPECT_EQ(&body.attackers, record.attackers);
    EXPECT_EQ(&body.torpedoes, record.torpedoes);
    // The motion model is the owner's to give.
    EXPECT_EQ(nullptr, record.vesselMotion);
    EXPECT_EQ(nullptr, record.vehicleMotion);
    EXPECT_EQ(nullptr, record.characterMotion);
}

TEST_F(OwnerRecordTest, OnlyTheVesselKindIsThePhysicalDescription)
{
    for (s32 kind : {NOD_CONTACT_NONE, NOD_CONTACT_CAMERA, NOD_CONTACT_VESSEL}) {
        SCOPED_TRACE(kind);
        TST_SlotBody body;
        if (kind == NOD_CONTACT_CAMERA)
            body.GetAggregate().GeneratePhysicalCamera();
        if (kind == NOD_CONTACT_VESSEL)
            MakeVesselParts(body);
        ASSERT_EQ(kind, body.GetAggregate().GetKind());
        BHV_Owner record;
        record.Fill(&body);
        EXPECT_EQ(kind == NOD_CONTACT_VESSEL ? body.GetAggregate().GetPhysical() : nullptr, record.physical);
    }
}

TEST_F(OwnerRecordTest, ACarriedBodyRecordsWhatItAnswersForItsSlots)
{
    // A plain body has no slots; a body carried by another records the carrier's, not empty ones.
    TST_SlotBody carrier;
    TST_CarriedBody* carried = new TST_CarriedBody;
    carrier.AddSon(carried);
    BHV_Owner record;
    record.Fill(carried);
    EXPECT_EQ(carried, record.body);
    EXPECT_EQ(&carrier.attackers, record.attackers);
    EXPECT_EQ(&carrier.torpedoes, record.torpedoes);

    NOD_Body plain;
    BHV_Owner plainRecord;
    plainRecord.Fill(&plain);
    EXPECT_EQ(nullptr, plainRecord.attackers);
    EXPECT_EQ(nullptr, plainRecord.torpedoes);
    EXPECT_EQ(nullptr, plainRecord.physical);
    EXPECT_EQ(nullptr, plainRecord.avoider);
    EXPECT_EQ(nullptr, plainRecord.emitter);
    for (COD_Sensor* sensor : plainRecord.sensors)
        EXPECT_EQ(nullptr, sensor);
}
}  // namespace
