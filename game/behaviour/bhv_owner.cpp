#include "bhv_owner.h"

#include "cod_physical.h"
#include "contactaggregate.h"
#include "nod_body.h"

void BHV_Owner::Fill(NOD_Body* _body)
{
    const ContactAggregate& aggregate = _body->GetAggregate();
    body = _body;
    avoider = aggregate.GetAvoider();
    // Only the vessel maker builds this kind, so the downcast is exact.
    physical = aggregate.GetKind() == NOD_CONTACT_VESSEL ? static_cast<COD_Physical_Vessel*>(aggregate.GetPhysical())
                                                         : nullptr;
    emitter = aggregate.GetEmitter();
    sensors[0] = aggregate.GetSensor1();
    sensors[1] = aggregate.GetSensor2();
    sensors[2] = aggregate.GetSensor3();
    sensors[3] = aggregate.GetSensor4();
    attackers = _body->GetAttackerSlots();
    torpedoes = _body->GetTorpedoSlots();
}
