// The handlers of obstacles (type 4) and avoiders (type 5).
//
// Avoidance is the most expensive collision work, so it runs on every 5th pass only: the
// first pass of a run and then every 5th one (the counter is 0 when such a pass starts).
#pragma once

#include "cod_activeavoid.h"
#include "cod_passiveavoid.h"
#include "coh_handlerbase.h"

struct MRT_TerrainCell;

inline constexpr s32 COH_AVOIDANCE_PERIOD = 5;

class COH_PassiveAvoid : public COH_EntryHandler<COD_PassiveAvoid, COS_TYPE_PASSIVE_AVOID>
{
public:
    explicit COH_PassiveAvoid(COS_CollisionSystem* _system) : COH_EntryHandler(_system) {}
    ~COH_PassiveAvoid() override;
    void SetType(u32 _type) override;
};

class COH_ActiveAvoid : public COH_ListHandler<COD_ActiveAvoid, COS_TYPE_ACTIVE_AVOID>
{
public:
    // The simulation makes room for 512 avoiders; the cell is handed on to Predict unchanged.
    COH_ActiveAvoid(COS_CollisionSystem* _system, s32 _capacity, MRT_TerrainCell* _cell)
        : COH_ListHandler(_system, _capacity), m_cell(_cell)
    {
    }
    ~COH_ActiveAvoid() override;
    void SetType(u32 _type) override;
    void BeginStep() override {}
    // On avoidance passes every avoider predicts; the counter advances on every pass.
    void Step(const SIM_Clock& _clock) override;
    void EndStep(const SIM_Clock&) override {}

    // 0 during an avoidance pass until Step.
    s32 GetCounter() const { return m_counter; }

private:
    MRT_TerrainCell* m_cell = nullptr;
    s32 m_counter = 0;
};
