// NOD_Buzzer: the decoy a body ejects to shake off a homing torpedo. At launch it claims, for
// good, the nearest distractible torpedo among those homing on the ejecting body; then it
// drifts backwards from that body, tumbles and sinks, and normally dies at its first
// collision, leaving debris. A passive body: no life time, no sound, no torpedo slots, so no
// torpedo ever finds it by listening.
//
// The spawner holds one parsed prototype and launches clones of it as sons of the root. It
// never collides with the body that ejected it. One thread, inside the step's node pass.
#pragma once

#include "mot_friction.h"
#include "mot_motionstate.h"
#include "nod_projectile.h"
#include "nod_shieldedbody.h"

class NOD_Replicator;
class NOD_Buzzer : public NOD_ShieldedBody
{
    RTI_DECLARE_CLASS(NOD_Buzzer)

public:
    // Stores the class's stream creator in the creator table.
    static void RegisterStreamCreator();

public:
    // The damping of every axis.
    static constexpr f32 FRICTION = 0.02f;

    NOD_Buzzer();
    ~NOD_Buzzer() override;
    NOD_Replicator* CreateReplicator() override;

    // A clone of this prototype at the place its track has now (not entered, not linked).
    NOD_Node* Clone() override;
    // "Visual", "Collision" and "Shield", all mandatory.
    void ParseIniFile_Des(DES_Section& _data) override;
    void HeartBeat() override;
    // Node_EnterSimulation and Node_LeaveSimulation; the rest goes to the body.
    NOD_Message* ProcessMessage(NOD_Message* _message) override;
    // Debris where the buzzer died.
    void Explode() override;

    void Render() override { m_mesh.Render(*this); }
    void GetBoundingBox(f32* _box, f32 _time) override { m_mesh.GetBoundingBox(*this, _box, _time); }
    // A decoy weighs nothing in a collision.
    f32 GetMass() override { return 0.0f; }
    // Any contact, with the ground or a body, empties the Right face.
    void ApplyContactsToShield() override;

    // The clone's launch by _owner from _frame (already placed there at rest): the torpedo
    // claim, no collision with _owner, the backwards eject at _eject plus the owner's velocity,
    // and the tumble rates (pitch, roll, heading) in radians per second.
    void Launch(NOD_Node* _owner, const MAT_Matrix34& _frame, f32 _eject, const MAT_Vector3& _tumbling);

    const NOD_ProjectileMesh& GetMesh() const { return m_mesh; }
    MOT_MotionState& GetState() { return m_state; }
    const MOT_Friction& GetFriction() const { return m_friction; }

    // The node when it is a buzzer, else null; null for null.
    static NOD_Buzzer* DynamicCast(NOD_Node* _node);

private:
    // The nearest distractible torpedo homing on _owner is this decoy's from now on.
    void ClaimTorpedo(NOD_Body* _owner);
    // Friction on all six axes at FRICTION.
    void SetDamping();

    NOD_ProjectileMesh m_mesh;
    MOT_MotionState m_state;
    MOT_Friction m_friction;
};
