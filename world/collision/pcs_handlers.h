// The handlers of visible objects (type 2) and viewers (type 3).
#pragma once

#include "cod_viewer.h"
#include "coh_handlerbase.h"
#include "pcs_visibleobject.h"

class PCS_VisibleObjectHandler : public COH_EntryHandler<PCS_VisibleObject, COS_TYPE_VISIBLE>
{
public:
    explicit PCS_VisibleObjectHandler(COS_CollisionSystem* _system) : COH_EntryHandler(_system) {}
    ~PCS_VisibleObjectHandler() override;
    void SetType(u32 _type) override;
};

// Viewer lists are rebuilt every pass: BeginStep empties them.
class PCS_ViewerHandler : public COH_ListHandler<COD_Viewer, COS_TYPE_VIEWER>
{
public:
    // The simulation makes room for 2 viewers.
    PCS_ViewerHandler(COS_CollisionSystem* _system, s32 _capacity) : COH_ListHandler(_system, _capacity) {}
    ~PCS_ViewerHandler() override;
    void SetType(u32 _type) override;
    void BeginStep() override;
    void Step(const SIM_Clock&) override {}
    void EndStep(const SIM_Clock&) override {}
};
