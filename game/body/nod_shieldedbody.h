// The body that can be damaged and destroyed: a body with an embedded shield, which turns the
// contacts and projectile hits its physical description collected in the collision pass into
// shield damage and queues the body for deletion once the shield is exhausted.
//
// The shield must be parsed (ParseIniFile) before the body enters the simulation. Concrete
// classes call ApplyContactsToShield from their HeartBeat when their description reports
// contact work, and test their shield every step.
#pragma once

#include "nod_body.h"
#include "shl_shield.h"

struct COD_PhysicalContacts;
struct COD_PhysicalShotHits;

class NOD_Replicator;
class NOD_ShieldedBody : public NOD_Body
{
    RTI_DECLARE_CLASS(NOD_ShieldedBody)

public:
    // Stores the class's stream creator in the creator table.
    static void RegisterStreamCreator();

public:
    explicit NOD_ShieldedBody(MOT_MotionState* _motionState = nullptr);
    ~NOD_ShieldedBody() override;
    NOD_Replicator* CreateReplicator() override;

    // A new shielded body (no motion state, nothing of the body part) with this shield's
    // values, its own reference on the shield mesh and the same next-shield link.
    NOD_Node* Clone() override;
    // Reads the "Shield" subsection (fatal when missing).
    void ParseIniFile_Des(DES_Section& _data) override;
    void ParseIniFile(DES_Section& _data);
    // CheckShield only: the concrete classes replace it.
    void HeartBeat() override;
    SHL_Shield* GetShield() override;

    // Queues the body for the deletion pass when its shield is exhausted.
    virtual void CheckShield();
    // The contacts and shot hits of this step into the shield, by the physical type.
    virtual void ApplyContactsToShield();

    // The four forms ApplyContactsToShield dispatches to (types 0, 1 and 2, 3, 5).
    void ApplyPlayerContacts();
    void ApplyVesselContacts();
    void ApplyGenericContacts();
    void ApplyTorpedoContacts();

    SHL_Shield& GetShieldRef() { return m_shield; }

private:
    // Each shot hit with the projectile's velocity of this step, on the face facing it.
    void ApplyShotHits(COD_PhysicalShotHits* _hits, const MAT_Matrix34& _ownMatrix);
    // Bodies touching this one, with their velocity (or none) against none of ours.
    void ApplyPartnerContacts(COD_PhysicalContacts* _contacts, const MAT_Matrix34& _ownMatrix);

    SHL_Shield m_shield;
};
