// BHV_Owner: the parts of a body that its behaviours read and drive, in one record the owner
// fills once and hands to every behaviour when it registers it (BHV_StateBehaviourList::Register,
// BHV_ActionBehaviourSlot::Register).
//
// The owner embeds the record beside its behaviours: it must stay at its address for the
// owner's life (owners are never copied or moved), and the behaviours keep only its address.
// Nothing in it is owned: every pointer names a part of the owner (or, for the attacker slots of
// a turret on a carrier, of the carrier), alive as long as the owner. A part the owner does not
// have stays null; a behaviour reads only the parts its owner kind has.
//
// An owner's set-up, after its description is read:
//
//     m_parts.Fill(this);                  // body, contact parts, attacker and torpedo slots
//     m_parts.vesselMotion = &m_model;     // the motion model of its kind
//     m_states.Register(&m_shotHits, &m_parts);
//     ...
//     m_sensor.Init(16, 16, 16);           // set-up calls that touch the parts come after
//
// Set-up calls for things the record does not hold (a gun, a launcher, a turret, a steering
// mode, description sections, an animation set) stay with the behaviours that need them.
#pragma once

#include "os_types.h"

class BHV_AttackerSlots;
class COD_ActiveAvoid;
class COD_Emitter;
class COD_Physical_Vessel;
class COD_Sensor;
class MOT_OldOne;
class MOT_Vehicle;
class MOT_Vessel;
class NOD_Body;

// The contact aggregate's sensor places, as BHV_Owner::sensors indices. Each behaviour uses a
// fixed place; the third stays empty for every owner.
enum BHV_SensorPlace : s32
{
    BHV_SENSOR_PERCEPTION = 0,   // first: what the sensor behaviour reports
    BHV_SENSOR_TARGETS = 1,      // second: the target window of the enemy watches and attacks
    BHV_SENSOR_FIRING_CONE = 3,  // fourth: the firing cone others see the owner with
    BHV_SENSOR_PLACES = 4
};

struct BHV_Owner
{
    // Everything the body answers for itself: the body, its contact aggregate's active avoider,
    // vessel-kind physical description (null for any other kind), emitter and four sensor
    // places, and its GetAttackerSlots and GetTorpedoSlots (a turret on a carrier answers the
    // carrier's). Call once the description built the contact parts; the motion model is the
    // owner's to set.
    void Fill(NOD_Body* _body);

    NOD_Body* body = nullptr;
    // The motion model, by the kind the owner is: the behaviours of a kind read only their own.
    MOT_Vessel* vesselMotion = nullptr;
    MOT_Vehicle* vehicleMotion = nullptr;
    MOT_OldOne* characterMotion = nullptr;
    COD_ActiveAvoid* avoider = nullptr;
    // Vessels, vehicles and turrets: the contacts and shot hits of the step, the root radius.
    COD_Physical_Vessel* physical = nullptr;
    COD_Emitter* emitter = nullptr;
    COD_Sensor* sensors[BHV_SENSOR_PLACES] = {};
    // The bodies attacking the owner and the torpedoes homing on it.
    BHV_AttackerSlots* attackers = nullptr;
    BHV_AttackerSlots* torpedoes = nullptr;
};
