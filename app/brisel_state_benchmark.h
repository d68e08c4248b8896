// The benchmark-run state: one run of the scenario script, frame by frame at a fixed scene
// time, measured in real time.
//
// Enter creates the run objects in a fixed order (the resource caches, the sound manager, the
// renderer with its display, the spawner, the simulation driver), shows the loading picture,
// builds the scene around the script and resets the three clocks and the statistics, so that
// loading costs no run time. Each HeartBeat is one frame: the simulation steps of 0.05 s up to
// the run clock, the frame clock at the run clock, the head-up display, the rendered frame,
// then the run clock 1/30 s on. Escape (tested first) or the script's end of the game makes
// HeartBeat return a new menu state. Leave writes the result record and the results file
// "quorvex.txt", then destroys the run objects in reverse order; the destructor destroys them
// too when Leave did not run, and they are destroyed once either way. A fatal error during
// creation leaves a half-built run: Leave and the teardown skip what does not exist. One
// thread.
#pragma once

#include "app_state.h"
#include "os_types.h"

struct Brisel_Statistics;

class Brisel_State_Benchmark : public Brisel_State
{
public:
    // Copies _script (null: no script) into a pooled buffer.
    explicit Brisel_State_Benchmark(const char* _script);
    // Frees the copy and destroys the run objects unless Leave did.
    ~Brisel_State_Benchmark() override;
    Brisel_State_Benchmark(const Brisel_State_Benchmark&) = delete;
    Brisel_State_Benchmark& operator=(const Brisel_State_Benchmark&) = delete;

    void Enter() override;
    Brisel_State* HeartBeat() override;
    void Leave() override;

    // Once per real second: the eleven statistics lines of the head-up display's text panel.
    void UpdateHud();

    const char* GetScriptPath() const { return m_scriptPath; }
    f64 GetRunClock() const { return m_runClock; }
    u32 IsUserBreak() const { return m_userBreak; }
    u32 IsTornDown() const { return m_tornDown; }

    // The run's one scene-time step per frame.
    static constexpr f64 FRAME_STEP = 1.0 / 30.0;

private:
    void Create(const char* _script);
    void Destroy();
    // The result record and the results file, from the statistics measured so far.
    void WriteResults();
    // Both scene clocks at time 0 with the simulation step.
    static void ResetSceneClocks();
    // One simulation step as the run takes it.
    static void Step();
    // The frame clock at the run clock.
    void SetFrameClock();

    char* m_scriptPath = nullptr;
    u32 m_tornDown = 0;
    f64 m_runClock = 0.0;
    f32 m_lastHudUpdate = 0.0f;
    u32 m_userBreak = 0;
};

// The renderer's statistics, all zero while no renderer exists.
Brisel_Statistics Brisel_GetRunStatistics();
// The results file of a run from the statistics and the display settings; _warning (or null)
// goes under the banner. Answers 0 with one log line when the file cannot be opened or fully
// written.
u32 Brisel_WriteResultsFile(const char* _name, const Brisel_Statistics& _statistics, const char* _warning);
