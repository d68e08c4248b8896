// NOD_Turret_Gun: the pitching gun body of a turret, its son "turrGun". Its body frame hangs on
// the turret's turning frame, so it follows the turret's heading, and pitches on top of that
// with a turn model of its own, whose target the turret's aiming sets. It carries the firing
// gun, its son "gun" (NOD_NPC_Gun), which pitches with it. It has its own mesh, shield and
// contact parts, no behaviours, and answers no messages but Body_SetCS and the two simulation
// messages: the rest is deleted unanswered. It never dies by itself; its shield is linked into
// the turret's damage chain. One thread.
#pragma once

#include "mot_turn.h"
#include "nod_actormesh.h"
#include "nod_shieldedbody.h"

class NOD_Replicator;
class NOD_NPC_Gun;

class NOD_Turret_Gun : public NOD_ShieldedBody
{
    RTI_DECLARE_CLASS(NOD_Turret_Gun)

public:
    // Stores the class's stream creator in the creator table.
    static void RegisterStreamCreator();

public:
    NOD_Turret_Gun();
    ~NOD_Turret_Gun() override;
    NOD_Replicator* CreateReplicator() override;

    // "Visual", "Control" (the turn model), "Shield", "Collision" (never colliding with the
    // ground), "Avoidance", the sons and the son "gun" (null accepted here).
    void ParseIniFile_Des(DES_Section& _data) override;
    void HeartBeat() override;
    NOD_Message* ProcessMessage(NOD_Message* _message) override;

    void Render() override;
    void GetBoundingBox(f32* _box, f32 _time) override;
    MAT_Vector3* GetVelocity(MAT_Vector3* _velocity) override;
    // The centre of the mesh's box, or the frame's origin without a mesh.
    MAT_Vector3* GetMatrixAtTime(MAT_Vector3* _position, f32 _time) override;
    BHV_AttackerSlots* GetAttackerSlots() override { return nullptr; }
    BHV_AttackerSlots* GetTorpedoSlots() override { return nullptr; }
    // The mass of the physical description.
    f32 GetMass() override;
    void ApplyContactsToShield() override { ApplyVesselContacts(); }

    NOD_NPC_Gun* GetGun() const { return m_gun; }
    MOT_Turn& GetTurn() { return m_turn; }
    s32 GetMeshHandle() const { return m_mesh.GetHandle(); }

    // The node when it is a turret gun (or of a derived class), else null; null for null.
    static NOD_Turret_Gun* DynamicCast(NOD_Node* _node);

private:
    void PM_EnterSimulation();
    void PM_LeaveSimulation();

    NOD_ActorMesh m_mesh;
    NOD_NPC_Gun* m_gun = nullptr;
    MOT_Turn m_turn;
};
