#include "bhv_behaviour.h"

#include "nod_body.h"
#include "nod_message.h"

void BHV_Behaviour::Notify(NOD_Body* _owner, NOD_Message* _message, u32 _queued)
{
    NOD_Message* reply = _owner->SendToThread(_message, _queued);
    delete reply;
}

void BHV_Behaviour::SendToOwner(NOD_Body* _owner, NOD_Message* _message)
{
    NOD_Message* reply = _owner->ProcessMessage(_message);
    delete reply;
}
