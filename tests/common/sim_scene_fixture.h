// The run's step loop as the benchmark run drives it, for tests and benches of whole scenes:
// the driver made and published (Brisel_TheSimulation, the contact world), the scene built
// around a scenario script, both clocks and the step counter reset, then per step
// HandleSimulation, the deletion pass, the simulation clock one step on and the counter up.
// Teardown in reverse. Free of the test framework (the benches use it too).
#pragma once

#include "brisel_simulation.h"
#include "nod_node.h"
#include "nod_simulationworld.h"
#include "sim_clock.h"

class TST_SimScene
{
public:
    TST_SimScene()
    {
        SIM_GetSimulationClock().Set(0.0f, SIM_STEP);
        simulation = new Brisel_Simulation();
        Brisel_TheSimulation = simulation;
        NOD_ConnectSimulation(simulation);
    }
    ~TST_SimScene()
    {
        NOD_ConnectSimulation(nullptr);
        Brisel_TheSimulation = nullptr;
        delete simulation;  // the tree with it
        NOD_Node::GC_Collect();
    }
    TST_SimScene(const TST_SimScene&) = delete;
    TST_SimScene& operator=(const TST_SimScene&) = delete;

    // BuildSceneGraph, then both clocks at 0 and the step counter at 0.
    void Build(const char* _script)
    {
        simulation->BuildSceneGraph(_script);
        SIM_GetSimulationClock().Set(0.0f, SIM_STEP);
        SIM_GetFrameClock().Set(0.0f, 0.0f);
        simulation->stepCounter = 0;
    }

    // One simulation step as the run takes it.
    void Step()
    {
        simulation->HandleSimulation();
        NOD_Node::GC_Collect();
        SIM_Clock& clock = SIM_GetSimulationClock();
        clock.SetTime(clock.time + clock.dt);
        ++simulation->stepCounter;
    }

    // The frame clock at _time (at most the simulation time), with its step since the last
    // frame and its fraction between the last two steps, as the run sets it before a frame.
    static void SetFrameTime(f32 _time)
    {
        SIM_FrameClock& frame = SIM_GetFrameClock();
        const f32 previous = frame.time;
        frame.Set(_time, _time - previous);
        SIM_UpdateFrameFraction();
    }

    Brisel_Simulation* simulation = nullptr;
};
