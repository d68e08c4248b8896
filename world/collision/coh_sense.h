// The handlers of emitters (type 6) and sensors (type 7).
//
// Sensing runs on every 10th pass only: the first pass of a run and then every 10th one (the
// counter is 0 when such a pass starts). Sensor lists stay as they are in between.
#pragma once

#include "cod_emitter.h"
#include "cod_sensor.h"
#include "coh_handlerbase.h"

inline constexpr s32 COH_SENSING_PERIOD = 10;

class COH_Emitter : public COH_EntryHandler<COD_Emitter, COS_TYPE_EMITTER>
{
public:
    explicit COH_Emitter(COS_CollisionSystem* _system) : COH_EntryHandler(_system) {}
    ~COH_Emitter() override;
    void SetType(u32 _type) override;
};

class COH_Sensor : public COH_ListHandler<COD_Sensor, COS_TYPE_SENSOR>
{
public:
    // The simulation makes room for 512 sensors.
    COH_Sensor(COS_CollisionSystem* _system, s32 _capacity) : COH_ListHandler(_system, _capacity) {}
    ~COH_Sensor() override;
    void SetType(u32 _type) override;
    // On sensing passes: every sensor's lists are emptied, then thinned by the terrain test
    // (Step) and the visibility test (EndStep); EndStep advances the counter on every pass.
    void BeginStep() override;
    void Step(const SIM_Clock& _clock) override;
    void EndStep(const SIM_Clock& _clock) override;

    // 0 during a sensing pass until EndStep.
    s32 GetCounter() const { return m_counter; }

private:
    s32 m_counter = 0;
};
