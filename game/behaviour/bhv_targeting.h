// The records the attack behaviours and the enemy watches share for choosing targets: the
// three answers every target test gives and the size of the interest-name list a script hands
// to an attack.
//
// A behaviour keeps its interest names itself (BHV_INTEREST_NAMES SIM_Names, the non-empty
// ones packed from index 0) and points its sensor's name filter at them; a body's name matches
// a name that is a proper prefix of it, with case. Targets are tested with the attacker's
// sensor, the attacker slots of the attacker's own body (who attacks it, which torpedoes home on
// it) and an optional patrol area; a target whose own attacker slots are full has its quota of
// attackers and is not joined.
//
// The aiming helper BHV_BallisticIntercept keeps no state and reads nothing but its arguments.
#pragma once

#include "mat_vector.h"
#include "os_types.h"

enum : s32
{
    // Number of interest names of an attack start message.
    BHV_INTEREST_NAMES = 4
};

class BHV_AttackerSlots;
class COD_Sensor;
class NOD_Body;
class NOD_PatrolArea;
class RTI_Pointer;
class SIM_Name;
struct MAT_Vector3;

// The target tests and choices. Each answers a BHV_TargetCode. A sensed list is one of the
// sensor's result lists (its entries name emitters; an entry that reads null, or whose emitter
// belongs to no body, is skipped). The slot lists are the caller's own body's (null: empty);
// walking one moves its cursor, so a caller must not be walking it itself. A body is sensed
// "without filter" for the length of one query when it is already at work on the caller (in
// its attacker or torpedo slots): the sensor's name filter is switched off for the query and
// on again after it, also when it was off before. Positions are world positions at the
// simulation time. A body without attacker slots of its own is never a target.

// The gap between two bodies' hulls: centre distance less half the extent length of each
// body's collision-tree root, never below 0. A body without a collision tree counts as a point.
f32 BHV_SurfaceDistance(NOD_Body* _a, NOD_Body* _b);
// The length of the extent vector of the body's collision-tree root (0 without a tree).
f32 BHV_ExtentLength(NOD_Body* _body);
// Whether _body is a target: sensed (without filter when it is in _slots or _torpedoes), then
// attackable or full by its own attacker slots.
s32 BHV_CheckTarget(BHV_AttackerSlots* _slots, BHV_AttackerSlots* _torpedoes, COD_Sensor* _sensor, NOD_Body* _body);
// As BHV_CheckTarget, without torpedoes, and never for a body outside _area (null: no area).
s32 BHV_CheckTargetInArea(NOD_PatrolArea* _area, BHV_AttackerSlots* _slots, COD_Sensor* _sensor, NOD_Body* _body);
// Whether any enemy around can still be attacked: the bodies of both slot lists the sensor
// perceives now, and the bodies of the sensed list. Attackable when any is, else full when any
// is, else none.
s32 BHV_CheckEnemies(BHV_AttackerSlots* _slotsA, BHV_AttackerSlots* _slotsB, const RTI_Pointer* _entries, s32 _count,
                     COD_Sensor* _sensor);
// As BHV_CheckEnemies with one slot list, counting only bodies inside _area (null: no area).
s32 BHV_CheckEnemiesInPatrolArea(NOD_PatrolArea* _area, BHV_AttackerSlots* _slots, const RTI_Pointer* _entries,
                                 s32 _count, COD_Sensor* _sensor);
// The best attackable body around _position into *_target: lowest rank first (torpedoes in
// _torpedoes 0, bodies of the sensed list 1 + the last interest name that is a proper prefix
// of their name or 0 without one, attackers in _slots 5), then the nearest; ties keep the
// earlier. Without one, the last body found full (answer full), else null (answer none).
s32 BHV_ChooseTarget(COD_Sensor* _sensor, const MAT_Vector3& _position, BHV_AttackerSlots* _slots,
                     BHV_AttackerSlots* _torpedoes, const RTI_Pointer* _entries, s32 _count, const SIM_Name* _names,
                     NOD_Body** _target);
// As BHV_ChooseTarget without torpedoes, taking only bodies inside _area (null: no area).
s32 BHV_ChooseTargetInArea(NOD_PatrolArea* _area, COD_Sensor* _sensor, const MAT_Vector3& _position,
                           BHV_AttackerSlots* _slots, const RTI_Pointer* _entries, s32 _count, const SIM_Name* _names,
                           NOD_Body** _target);
// Packs the non-empty of BHV_INTEREST_NAMES names into _slots from the first (the rest empty)
// and answers their count: how a behaviour takes the interest names of its start message.
s32 BHV_PackInterestNames(const SIM_Name* _names, SIM_Name* _slots);

// Answer of every function that classifies a body as a target.
enum BHV_TargetCode : s32
{
    // Sensed (and inside the area where one is given), with a free attacker slot.
    BHV_TARGET_ATTACKABLE = 0,
    // Sensed (and inside the area), but its attacker slots are full.
    BHV_TARGET_FULL = 1,
    // Not sensed, outside the area, or nothing found.
    BHV_TARGET_NONE = 2
};

// Where a shot leaving _shooter at _speed meets a target at _target moving on with constant
// _velocity: the flight time t (> 0) with the aim point _target + _velocity x t in *_aim, or
// -1.0 with *_aim left alone when the target is at least as fast as the shot. The time is the
// positive root of (|V|^2 - s^2) t^2 + (D . V) t + |D|^2 = 0 (D from shooter to target): a
// single D . V, so only a target with D . V = 0 (at rest or crossing) is met exactly; one
// moving away is aimed short, one coming nearer long. The aim must stay as it is: the turrets
// and the homing torpedoes are tuned to it.
f32 BHV_BallisticIntercept(const MAT_Vector3& _shooter, f32 _speed, const MAT_Vector3& _target,
                           const MAT_Vector3& _velocity, MAT_Vector3* _aim);
