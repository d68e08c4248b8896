// The turret's aiming interface as the behaviours reach it: through the cast a turret class
// installs, from a node that may be null, no turret, or gone.
#include <gtest/gtest.h>

#include <vector>

#include "bhv_turretaiming.h"
#include "nod_body.h"
#include "rti_pointer.h"

namespace
{
// A turret stand-in: a body that implements the interface and remembers the targets it is given.
class TST_FakeTurret : public NOD_Body, public BHV_TurretAiming
{
public:
    TST_FakeTurret() { s_turrets.push_back(this); }
    ~TST_FakeTurret() override { std::erase(s_turrets, this); }

    // The cast a turret class installs: the node as a turret, else null.
    static BHV_TurretAiming* Cast(NOD_Node* _node)
    {
        for (TST_FakeTurret* turret : s_turrets)
            if (static_cast<NOD_Node*>(turret) == _node)
                return turret;
        return nullptr;
    }

    void SetTargetAngles(f32 _alpha, f32 _beta) override
    {
        alpha = _alpha;
        beta = _beta;
    }
    void AimAtPoint(const MAT_Vector3& /*_point*/) override {}
    void ComputeAnglesTo(NOD_Body* /*_target*/, f32* _alpha, f32* _beta) override
    {
        *_alpha = alpha;
        *_beta = beta;
    }
    void ClampAngles(f32* /*_alpha*/, f32* /*_beta*/) override {}
    s32 IsAlphaInRange(f32 /*_alpha*/) override { return 1; }
    s32 IsBetaInRange(f32 /*_beta*/) override { return 1; }
    s32 IsAimedAt(f32 /*_alpha*/, f32 /*_beta*/) override { return 0; }
    s32 IsWithinAngles(f32 /*_alpha*/, f32 /*_beta*/, f32 /*_tolerance*/) override { return 0; }
    f32 GetBulletVelocity() override { return 0.0f; }
    NOD_NPC_Gun* GetGun() override { return nullptr; }

    f32 alpha = 0.0f;
    f32 beta = 0.0f;

private:
    static inline std::vector<TST_FakeTurret*> s_turrets;
};

class TurretAimingTest : public testing::Test
{
protected:
    // Whatever the test installs, the cast in place before it is back afterwards.
    void TearDown() override { BHV_TurretAiming::InstallCast(m_before); }

    BHV_TurretAiming::Cast m_before = BHV_TurretAiming::InstallCast(nullptr);
};

TEST_F(TurretAimingTest, TheInstalledCastFindsTurretsOnly)
{
    TST_FakeTurret* turret = new TST_FakeTurret;
    NOD_Body plain;
    // Without a cast no node is a turret.
    EXPECT_EQ(nullptr, BHV_TurretAiming::DynamicCast(turret));

    EXPECT_EQ(nullptr, BHV_TurretAiming::InstallCast(&TST_FakeTurret::Cast));
    BHV_TurretAiming* aiming = BHV_TurretAiming::DynamicCast(turret);
    ASSERT_EQ(static_cast<BHV_TurretAiming*>(turret), aiming);
    EXPECT_EQ(nullptr, BHV_TurretAiming::DynamicCast(&plain));
    EXPECT_EQ(nullptr, BHV_TurretAiming::DynamicCast(nullptr));

    // A call through the interface reaches the turret it was found on.
    aiming->SetTargetAngles(0.25f, -0.5f);
    EXPECT_EQ(0.25f, turret->alpha);
    EXPECT_EQ(-0.5f, turret->beta);

    // A carrier keeps its turret by node: once the turret is gone the node, and so the
    // interface, reads null.
    RTI_Pointer kept;
    kept.Set(turret);
    delete turret;
    EXPECT_EQ(nullptr, BHV_TurretAiming::DynamicCast(static_cast<NOD_Node*>(kept.Get())));

    // Removing the cast answers it, and the next turret is no turret any more.
    EXPECT_EQ(&TST_FakeTurret::Cast, BHV_TurretAiming::InstallCast(nullptr));
    TST_FakeTurret later;
    EXPECT_EQ(nullptr, BHV_TurretAiming::DynamicCast(&later));
}
}  // namespace
