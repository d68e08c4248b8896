// What the attack tests share: a record of the messages bodies send their script threads, and
// hits recorded by hand on a victim, credited to a chosen shooter.
#pragma once

#include <vector>

#include "cod_physical.h"
#include "nod_body.h"
#include "nod_message.h"
#include "os_types.h"

// The ids of the messages sent to script threads since the last clear, in order.
inline std::vector<u32>& TST_SentIds()
{
    static std::vector<u32> sent;
    return sent;
}

// A thread delivery (NOD_Node::SetThreadDelivery) that records the id and drops the message.
inline NOD_Message* TST_RecordSent(NOD_Node* /*_script*/, NOD_Message* _message, u32 /*_queued*/, s32 /*_thread*/)
{
    TST_SentIds().push_back(_message->GetType());
    delete _message;
    return nullptr;
}

// A projectile credited to a shooter, as a hit records it.
class TST_CreditedShot : public NOD_Body
{
public:
    NOD_Node* GetShooter() override { return shooter; }
    NOD_Node* shooter = nullptr;
};

// Stepped before the bodies it hits: while a shooter is set, records one hit of its shot on the
// victim in every step, after the collision pass emptied the victim's hits.
class TST_HitMaker : public NOD_Body
{
public:
    void HeartBeat() override
    {
        if (victim == nullptr || shot.shooter == nullptr)
            return;
        COD_Physical* physical = victim->GetAggregate().GetPhysical();
        physical->GetShotHits()->Record(0.5f, &shot, victim->GetWorldTransform(0.0f)->t, 0);
    }
    NOD_Body* victim = nullptr;
    TST_CreditedShot shot;
};
