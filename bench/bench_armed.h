// The armed bodies the armed-body and battle benches field: descriptions of a vessel (torpedo
// and buzzer launchers, an NPC gun, a turret with a turret gun) and of a vehicle (turret "Turm1",
// four wheels), with shields that never give out and the default "AttackBehaviour" sections.
#pragma once

#include <memory>
#include <string>

#include "armed_fixture.h"
#include "bench_common.h"

#include "tools_guns.h"
#include "tools_launch.h"
#include "tools_turret.h"
#include "tools_vessel.h"

namespace bench_armed
{
// Faces never give out during the run.
inline TOOL_ShieldSection Armour()
{
    TOOL_ShieldSection shield;
    for (s32 face = 0; face < 6; ++face) {
        shield.faceIn[face] = 1000000000;
        shield.faceInMax[face] = 1000000000;
    }
    return shield;
}

inline TOOL_ChildSection Son(s32 _index, const char* _className, f32 _y = 0.0f)
{
    TOOL_ChildSection child;
    child.index = _index;
    child.nameCLA = _className;
    child.translation[1] = _y;
    return child;
}

inline TOOL_TurretDescription Turret(const char* _name, TOOL_TurretMount _mount)
{
    TOOL_TurretDescription turret;
    turret.turretName = _name;
    turret.mount = _mount;
    turret.alphaRange = 170.0f;
    turret.shield = Armour();
    return turret;
}

inline std::string VesselText()
{
    TOOL_VesselDescription vessel;
    vessel.shield = Armour();
    vessel.attackBehaviour = TOOL_VesselAttackSection();
    vessel.buzzerParam = TOOL_BuzzerParamSection();
    TOOL_NPCGunDescription gun;
    gun.phases = {TOOL_NPCGunPhase{4, 0.5f}};
    const f32 top[3] = {0.0f, 0.0f, 2.0f};
    vessel.children = {
        TOOL_WeaponChildText(Son(0, "NOD_TorpedoLauncher", 5.0f), "torlaunch",
                             TOOL_TorpedoLauncherDescriptionText(TOOL_TorpedoLauncherDescription())),
        TOOL_WeaponChildText(Son(1, "NOD_BuzzerLauncher", -5.0f), "buzzlaunch",
                             TOOL_BuzzerLauncherDescriptionText(TOOL_BuzzerLauncherDescription())),
        TOOL_WeaponChildText(Son(2, "NOD_NPC_Gun", 6.0f), "gun", TOOL_NPCGunDescriptionText(gun)),
        TOOL_TurretChildText(3, Turret("turret1", TOOL_TURRET_TURRGUN), top),
    };
    return TOOL_VesselDescriptionText(vessel);
}

inline std::string VehicleText()
{
    TOOL_VehicleDescription vehicle;
    vehicle.shield = Armour();
    vehicle.attackBehaviour = TOOL_VehicleAttackSection();
    const f32 top[3] = {0.0f, 0.0f, 2.0f};
    vehicle.children = TOOL_VehicleWheelChildren(1);
    vehicle.children.insert(vehicle.children.begin(), TOOL_TurretChildText(0, Turret("Turm1", TOOL_TURRET_GUN), top));
    return TOOL_VehicleDescriptionText(vehicle);
}

// A scene of armed bodies on the tests' run objects in a fresh working directory. The derived
// scene calls Field with what fills the world; a fatal error on the way is kept in Error.
class ArmedScene
{
public:
    const std::string& Error() const { return m_error; }

    std::unique_ptr<TST_ArmedWorld> world;

protected:
    template <class Fill>
    void Field(Fill _fill)
    {
        bench_common::RegisterModulesOnce();
        if (!m_dir.Made()) {
            m_error = "no working directory";
            return;
        }
        try {
            world.reset(new TST_ArmedWorld(m_dir));
            _fill();
        } catch (const OS_FatalError& error) {
            m_error = std::string(error.Caption()) + ": " + error.Message();
        }
    }

private:
    bench_common::TempDir m_dir;
    std::string m_error;
};
}  // namespace bench_armed
