// The gun classes: part lookup, shots, recoil, revolvers, barrel kicks and zoom.
#include "nod_guns.h"

#include <cstdio>

#include "crt_rand.h"
#include "des_file.h"
#include "mot_smoother.h"
#include "nod_gun_part.h"
#include "nod_weapon_local.h"
#include "os_fatal.h"
#include "sim_clock.h"

RTI_IMPLEMENT_CLASS(NOD_Gun_VendettaGatlin, "NOD_Gun")
RTI_IMPLEMENT_CLASS(NOD_Gun_Vendetta, "NOD_Gun")
RTI_IMPLEMENT_CLASS(NOD_Gun_SmartBomb, "NOD_Gun")
RTI_IMPLEMENT_CLASS(NOD_Gun_Sizzler, "NOD_Gun")
RTI_IMPLEMENT_CLASS(NOD_Gun_ScalarHowitzer, "NOD_Gun")
RTI_IMPLEMENT_CLASS(NOD_Gun_PlasmaGatlin, "NOD_Gun")
RTI_IMPLEMENT_CLASS(NOD_Gun_Plasma, "NOD_Gun")
RTI_IMPLEMENT_CLASS(NOD_Gun_LaserGatlin, "NOD_Gun")
RTI_IMPLEMENT_CLASS(NOD_Gun_Flak, "NOD_Gun")
RTI_IMPLEMENT_CLASS(NOD_Gun_DrugStore, "NOD_Gun")
RTI_IMPLEMENT_CLASS(NOD_Gun_DoomMortar, "NOD_Gun")

namespace
{
constexpr f32 THIRD_TURN = 2.0943952f;  // 120 degrees: one chamber of a revolver
constexpr f32 RECOIL_SMOOTHING = 0.02f;
constexpr f32 PLASMAGATLIN_RECOIL_SMOOTHING = 0.025f;
constexpr f32 REVOLVER_SMOOTHING = 0.02f;
constexpr f32 ROLL_SMOOTHING = 0.05f;
constexpr f32 GATLIN_REVOLVER_DAMPING = 0.1f;
constexpr f32 TANK_DAMPING = 0.25f;
constexpr f32 FLAK_ROLL = 0.5235988f;  // 30 degrees
constexpr f32 HEAVY_RECOIL = -0.55f;

NOD_Gun_Part* PartOf(const RTI_Pointer& _pointer) { return NOD_Gun_Part::DynamicCast((NOD_Node*)_pointer.Get()); }

// Smooths _current towards _target along the shorter way round.
MAT_Angle SmoothAngle(f32 _tau, const MAT_Angle& _current, const MAT_Angle& _target)
{
    MOT_Smoother smoother;
    smoother.tau = _tau;
    MAT_Angle out;
    smoother.SmoothAngle(SIM_GetSimulationClock(), _current, _target, out);
    return out;
}

f32 Now() { return SIM_GetSimulationClock().time; }

[[noreturn]] void FatalMissing(const char* _class, const char* _part, DES_Section& _data)
{
    // The caption has a buffer of its own: the text takes the shared one.
    char caption[96];
    std::snprintf(caption, sizeof caption, "%s::ParseIniFile()", _class);
    OS_Fatal(caption, OS_Format("%s::ParseIniFile(\"%s\") - %s is missing", _class, NOD_DesFileName(_data), _part));
}
}  // namespace

// ---- VendettaGatlin ----

void NOD_Gun_VendettaGatlin::ParseIniFile_Des(DES_Section& _data)
{
    NOD_Gun::ParseIniFile_Des(_data);
    NOD_Gun_Part* revolver = FindPart("revolver");
    if (revolver == nullptr)
        FatalMissing("NOD_Gun_VendettaGatlin", "revolver", _data);
    SetUpRevolving(revolver, GATLIN_REVOLVER_DAMPING);
    // Its roll follows the target angle through the gun, not through rates.
    revolver->SetIntegrate(0);
    m_revolver.Set(revolver);
}

f32 NOD_Gun_VendettaGatlin::GetRange() { return GetBulletRange(NOD_BULLET_VENDETTAGATLIN); }

NOD_Gun_Part* NOD_Gun_VendettaGatlin::GetRevolver() const { return PartOf(m_revolver); }

void NOD_Gun_VendettaGatlin::AnimateParts()
{
    AnimateRecoil(&m_recoil, RECOIL_SMOOTHING);
    NOD_Gun_Part* revolver = GetRevolver();
    if (revolver == nullptr)
        return;
    const MOT_MotionState& state = revolver->GetState();
    const MAT_Angle roll =
        SmoothAngle(REVOLVER_SMOOTHING, state.rotation[MOT_MotionState::ROLL].angle, m_revolverTarget);
    MAT_Matrix34 frame = revolver->GetFrame();
    frame.r.FromAngles(state.rotation[MOT_MotionState::HEADING].angle, state.rotation[MOT_MotionState::PITCH].angle,
                       roll);
    revolver->SetFrame(frame);
}

void NOD_Gun_VendettaGatlin::OnPrimaryStart() { StartPrimaryShots(); }

void NOD_Gun_VendettaGatlin::ShootPrimary()
{
    if (IsPrimaryShotDue(PRIMARY_INTERVAL))
        Shoot(-0.15f, THIRD_TURN, 0.00012207404f, 2.0f);
}

void NOD_Gun_VendettaGatlin::OnPrimaryStop() { PlayWindDown(); }

void NOD_Gun_VendettaGatlin::OnSecondaryStart() { StartSecondaryShots(); }

void NOD_Gun_VendettaGatlin::ShootSecondary()
{
    if (IsSecondaryShotDue(SECONDARY_INTERVAL))
        Shoot(-0.25f, -THIRD_TURN, 6.103702e-5f, 1.0f);
}

void NOD_Gun_VendettaGatlin::OnSecondaryStop() { PlayWindDown(); }

void NOD_Gun_VendettaGatlin::Shoot(f32 _recoil, f32 _turn, f32 _spreadScale, f32 _spread)
{
    m_recoil = _recoil;
    m_revolverTarget += _turn;
    // The spread moves a copy: the owner's muzzle frame stays as the owner set it.
    MAT_Matrix34 muzzle = GetMuzzleFrame();
    muzzle.t.x += (f32)CRT_Rand() * _spreadScale - _spread;
    muzzle.t.z += (f32)CRT_Rand() * _spreadScale - _spread;
    FireBullet(NOD_BULLET_VENDETTAGATLIN, muzzle);
}

// ---- Vendetta ----

void NOD_Gun_Vendetta::ParseIniFile_Des(DES_Section& _data)
{
    NOD_Gun::ParseIniFile_Des(_data);
    NOD_Gun_Part* barrel1 = FindPart("barrel1");
    if (barrel1 == nullptr)
        FatalMissing("NOD_Gun_Vendetta", "barrel1", _data);
    m_barrels[0].Set(barrel1);
    m_barrels[1].Set(FindPart("barrel2"));
}

void NOD_Gun_Vendetta::Deactivate()
{
    NOD_Gun::Deactivate();
    ZoomOff();
}

f32 NOD_Gun_Vendetta::GetRange()
{
    return GetBulletRange(GetBarrel(1) != nullptr ? NOD_BULLET_VENDETTA_TWIN : NOD_BULLET_VENDETTA);
}

NOD_Gun_Part* NOD_Gun_Vendetta::GetBarrel(s32 _index) const { return PartOf(m_barrels[_index & 1]); }

void NOD_Gun_Vendetta::AnimateParts()
{
    AnimateRecoil(&m_recoil, RECOIL_SMOOTHING);
    for (s32 i = 0; i < 2; ++i)
        if (NOD_Gun_Part* barrel = GetBarrel(i))
            KickBarrel(barrel, Now() - m_barrelShot[i]);
}

void NOD_Gun_Vendetta::OnPrimaryStart() { StartPrimaryShots(); }

void NOD_Gun_Vendetta::ShootPrimary()
{
    if (!IsPrimaryShotDue(PRIMARY_INTERVAL))
        return;
    m_recoil = HEAVY_RECOIL;
    const u32 twin = GetBarrel(1) != nullptr ? 1u : 0u;
    FireBullet(twin != 0 ? NOD_BULLET_VENDETTA_TWIN : NOD_BULLET_VENDETTA, GetMuzzleFrame());
    m_barrelShot[m_barrelIndex] = Now();
    if (twin != 0)
        m_barrelIndex ^= 1;
}

void NOD_Gun_Vendetta::OnSecondaryStart() { ToggleZoom(); }

// ---- SmartBomb ----

void NOD_Gun_SmartBomb::HeartBeat()
{
    if (!IsInSimulation())
        return;
    UpdateVisibility();
    NOD_Node::HeartBeat();
}

f32 NOD_Gun_SmartBomb::GetRange() { return GetBulletRange(NOD_BULLET_VENDETTAGATLIN); }

// ---- Sizzler ----

void NOD_Gun_Sizzler::Deactivate()
{
    NOD_Gun::Deactivate();
    ZoomOff();
}

f32 NOD_Gun_Sizzler::GetRange() { return GetBulletRange(NOD_BULLET_SIZZLER); }

void NOD_Gun_Sizzler::AnimateParts() { AnimateRecoil(&m_recoil, RECOIL_SMOOTHING); }

void NOD_Gun_Sizzler::OnPrimaryStart() { StartPrimaryShots(); }

void NOD_Gun_Sizzler::ShootPrimary()
{
    if (!IsPrimaryShotDue(PRIMARY_INTERVAL))
        return;
    m_recoil = HEAVY_RECOIL;
    FireBullet(NOD_BULLET_SIZZLER, GetMuzzleFrame());
}

void NOD_Gun_Sizzler::OnSecondaryStart() { ToggleZoom(); }

// ---- ScalarHowitzer ----

void NOD_Gun_ScalarHowitzer::ParseIniFile_Des(DES_Section& _data)
{
    NOD_Gun::ParseIniFile_Des(_data);
    m_barrel.Set(FindPartOrLog("NOD_Gun_ScalarHowitzer", "barrel", _data));
}

f32 NOD_Gun_ScalarHowitzer::GetRange() { return GetBulletRange(NOD_BULLET_VENDETTAGATLIN); }

NOD_Gun_Part* NOD_Gun_ScalarHowitzer::GetBarrel() const { return PartOf(m_barrel); }

// ---- PlasmaGatlin ----

void NOD_Gun_PlasmaGatlin::ParseIniFile_Des(DES_Section& _data)
{
    NOD_Gun::ParseIniFile_Des(_data);
    NOD_Gun_Part* revolver = FindPartOrLog("NOD_Gun_PlasmaGatlin", "revolver", _data);
    if (revolver != nullptr)
        SetUpRevolving(revolver, GATLIN_REVOLVER_DAMPING);
    m_revolver.Set(revolver);
    NOD_Gun_Part* tank = FindPartOrLog("NOD_Gun_PlasmaGatlin", "tank", _data);
    if (tank != nullptr)
        SetUpRevolving(tank, TANK_DAMPING);
    m_tank.Set(tank);
}

f32 NOD_Gun_PlasmaGatlin::GetRange() { return GetBulletRange(NOD_BULLET_PLASMAGATLIN); }

NOD_Gun_Part* NOD_Gun_PlasmaGatlin::GetRevolver() const { return PartOf(m_revolver); }

NOD_Gun_Part* NOD_Gun_PlasmaGatlin::GetTank() const { return PartOf(m_tank); }

void NOD_Gun_PlasmaGatlin::AnimateParts() { AnimateRecoil(&m_recoil, PLASMAGATLIN_RECOIL_SMOOTHING); }

void NOD_Gun_PlasmaGatlin::OnPrimaryStart() { StartPrimaryShots(); }

void NOD_Gun_PlasmaGatlin::ShootPrimary()
{
    if (!IsPrimaryShotDue(PRIMARY_INTERVAL))
        return;
    m_recoil = -0.35f;
    // The parts spin through their own rates, which move them because they stay integrated.
    if (NOD_Gun_Part* revolver = GetRevolver())
        revolver->GetState().rotation[MOT_MotionState::ROLL].rate += MAT_PI;
    if (NOD_Gun_Part* tank = GetTank()) {
        MOT_MotionState& state = tank->GetState();
        state.rotation[MOT_MotionState::PITCH].rate = 0.0f;
        state.rotation[MOT_MotionState::HEADING].rate = 0.0f;
        state.rotation[MOT_MotionState::ROLL].rate = -MAT_TWO_PI;
    }
    FireBullet(NOD_BULLET_PLASMAGATLIN, GetMuzzleFrame());
}

void NOD_Gun_PlasmaGatlin::OnPrimaryStop() { PlayWindDown(); }

void NOD_Gun_PlasmaGatlin::OnSecondaryStart() { ToggleZoom(); }

// ---- Plasma ----

void NOD_Gun_Plasma::ParseIniFile_Des(DES_Section& _data)
{
    NOD_Gun::ParseIniFile_Des(_data);
    NOD_Gun_Part* tank = FindPartOrLog("NOD_Gun_Plasma", "tank", _data);
    if (tank != nullptr)
        SetUpRevolving(tank, TANK_DAMPING);
    m_tank.Set(tank);
}

f32 NOD_Gun_Plasma::GetRange() { return GetBulletRange(NOD_BULLET_PLASMAGATLIN); }

NOD_Gun_Part* NOD_Gun_Plasma::GetTank() const { return PartOf(m_tank); }

// ---- LaserGatlin ----

void NOD_Gun_LaserGatlin::ParseIniFile_Des(DES_Section& _data)
{
    NOD_Gun::ParseIniFile_Des(_data);
    m_barrel.Set(FindPartOrLog("NOD_Gun_LaserGatlin", "barrel", _data));
}

f32 NOD_Gun_LaserGatlin::GetRange() { return GetBulletRange(NOD_BULLET_PLASMAGATLIN); }

NOD_Gun_Part* NOD_Gun_LaserGatlin::GetBarrel() const { return PartOf(m_barrel); }

// ---- Flak ----

void NOD_Gun_Flak::ParseIniFile_Des(DES_Section& _data)
{
    NOD_Gun::ParseIniFile_Des(_data);
    m_barrel.Set(FindPartOrLog("NOD_Gun_Flak", "barrel", _data));
}

void NOD_Gun_Flak::Deactivate()
{
    NOD_Gun::Deactivate();
    ZoomOff();
}

f32 NOD_Gun_Flak::GetRange() { return GetBulletRange(NOD_BULLET_FLAK); }

NOD_Gun_Part* NOD_Gun_Flak::GetBarrel() const { return PartOf(m_barrel); }

void NOD_Gun_Flak::AnimateParts()
{
    AnimateRecoil(&m_recoil, RECOIL_SMOOTHING);
    m_roll = SmoothAngle(ROLL_SMOOTHING, m_roll, MAT_Angle());
    // The offset turns by the roll about the gun's forward axis.
    MAT_Matrix34& offset = GetOffset();
    MAT_Angle heading;
    MAT_Angle pitch;
    MAT_Angle roll;
    offset.r.GetAngles(heading, pitch, roll);
    offset.r.FromAngles(heading, pitch, MAT_Angle(roll.Get() + m_roll.Get()));
    if (NOD_Gun_Part* barrel = GetBarrel())
        KickBarrel(barrel, Now() - GetLastShotTime());
}

void NOD_Gun_Flak::OnPrimaryStart() { StartPrimaryShots(); }

void NOD_Gun_Flak::ShootPrimary()
{
    if (!IsPrimaryShotDue(PRIMARY_INTERVAL))
        return;
    m_recoil = HEAVY_RECOIL;
    m_roll = FLAK_ROLL;
    FireBullet(NOD_BULLET_FLAK, GetMuzzleFrame());
}

void NOD_Gun_Flak::OnSecondaryStart() { ToggleZoom(); }

// ---- DrugStore ----

f32 NOD_Gun_DrugStore::GetRange() { return GetBulletRange(NOD_BULLET_PLASMAGATLIN); }

// ---- DoomMortar ----

void NOD_Gun_DoomMortar::ParseIniFile_Des(DES_Section& _data)
{
    NOD_Gun::ParseIniFile_Des(_data);
    m_head.Set(FindPartOrLog("NOD_Gun_DoomMortar", "head", _data));
}

f32 NOD_Gun_DoomMortar::GetRange() { return GetBulletRange(NOD_BULLET_DOOMMORTAR); }

NOD_Gun_Part* NOD_Gun_DoomMortar::GetHead() const { return PartOf(m_head); }

// ---- registration ----

void NOD_RegisterGunClasses()
{
    NOD_Gun_Part::RegisterClassDefinition();
    NOD_Gun::RegisterClassDefinition();
    NOD_Gun_VendettaGatlin::RegisterClassDefinition();
    NOD_Gun_Vendetta::RegisterClassDefinition();
    NOD_Gun_SmartBomb::RegisterClassDefinition();
    NOD_Gun_Sizzler::RegisterClassDefinition();
    NOD_Gun_ScalarHowitzer::RegisterClassDefinition();
    NOD_Gun_PlasmaGatlin::RegisterClassDefinition();
    NOD_Gun_Plasma::RegisterClassDefinition();
    NOD_Gun_LaserGatlin::RegisterClassDefinition();
    NOD_Gun_Flak::RegisterClassDefinition();
    NOD_Gun_DrugStore::RegisterClassDefinition();
    NOD_Gun_DoomMortar::RegisterClassDefinition();
}

void NOD_UnregisterGunClasses()
{
    NOD_Gun_DoomMortar::UnregisterClassDefinition();
    NOD_Gun_DrugStore::UnregisterClassDefinition();
    NOD_Gun_Flak::UnregisterClassDefinition();
    NOD_Gun_LaserGatlin::UnregisterClassDefinition();
    NOD_Gun_Plasma::UnregisterClassDefinition();
    NOD_Gun_PlasmaGatlin::UnregisterClassDefinition();
    NOD_Gun_ScalarHowitzer::UnregisterClassDefinition();
    NOD_Gun_Sizzler::UnregisterClassDefinition();
    NOD_Gun_SmartBomb::UnregisterClassDefinition();
    NOD_Gun_Vendetta::UnregisterClassDefinition();
    NOD_Gun_VendettaGatlin::UnregisterClassDefinition();
    NOD_Gun::UnregisterClassDefinition();
    NOD_Gun_Part::UnregisterClassDefinition();
}
