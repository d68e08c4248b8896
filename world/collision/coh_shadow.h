// The handlers of shadow casters (type 8) and shadow receivers (type 9).
//
// Their group is never asked for pairs: receivers only get their results cleared each pass.
#pragma once

#include "cod_shadow.h"
#include "coh_handlerbase.h"

class COH_ShadowCaster : public COH_EntryHandler<COD_ShadowCaster, COS_TYPE_SHADOW_CASTER>
{
public:
    explicit COH_ShadowCaster(COS_CollisionSystem* _system) : COH_EntryHandler(_system) {}
    ~COH_ShadowCaster() override;
    void SetType(u32 _type) override;
};

class COH_ShadowReceiver : public COH_ListHandler<COD_ShadowReceiver, COS_TYPE_SHADOW_RECEIVER>
{
public:
    // The simulation makes room for 512 receivers.
    COH_ShadowReceiver(COS_CollisionSystem* _system, s32 _capacity) : COH_ListHandler(_system, _capacity) {}
    ~COH_ShadowReceiver() override;
    void SetType(u32 _type) override;
    void BeginStep() override;
    void Step(const SIM_Clock&) override {}
    void EndStep(const SIM_Clock&) override {}
};
