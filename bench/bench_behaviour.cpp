// Behaviour dispatch: a setting message for the last state behaviour of a vessel-shaped owner
// (four state, seven action behaviours) through the owner's chain (aggregate, state list), and
// the same message handed to the behaviour directly. "chain_vs_direct" is the time through the
// chain over the direct time, both measured in the same run.
#include <benchmark/benchmark.h>

#include <chrono>

#include "bhv_behaviour.h"
#include "bhv_behaviourlist.h"
#include "nod_body.h"
#include "nod_message.h"

namespace
{
// Answers to its start, stop and setting ids only; handling deletes the message.
class BenchBehaviour : public BHV_ActionBehaviour
{
public:
    BenchBehaviour(u32 _start, u32 _stop, u32 _setting) : m_start(_start), m_stop(_stop), m_setting(_setting) {}

    s32 IsStartMessage(const NOD_Message* _message) override { return _message->GetType() == m_start ? 1 : 0; }
    s32 IsStopMessage(const NOD_Message* _message) override { return _message->GetType() == m_stop ? 1 : 0; }
    NOD_Message* ProcessMessage(NOD_Message* _message, s32* _handled) override
    {
        const u32 id = _message->GetType();
        if (id != m_start && id != m_stop && id != m_setting)
            return nullptr;
        ++m_handledCount;
        *_handled = 1;
        delete _message;
        return nullptr;
    }
    s32 Handle() override { return 1; }
    void Interrupt() override {}

    u64 m_handledCount = 0;

private:
    u32 m_start;
    u32 m_stop;
    u32 m_setting;
};

constexpr u32 SETTING = NOD_Trigger_SetPresenceSphere::ID;

class BenchOwner : public NOD_Body
{
public:
    BenchOwner()
    {
        m_parts.Fill(this);
        for (BenchBehaviour& behaviour : m_stateBehaviours)
            m_states.Register(&behaviour, &m_parts);
        for (BenchBehaviour& behaviour : m_actionBehaviours)
            m_actions.Register(&behaviour, &m_parts);
    }
    NOD_Message* ProcessMessage(NOD_Message* _message) override
    {
        return BHV_DispatchToOwnerChain(this, _message, &GetAggregate(), &m_states, &m_actions);
    }
    BenchBehaviour& Last() { return m_stateBehaviours[3]; }

private:
    BenchBehaviour m_stateBehaviours[4] = {{1005, 1006, 0}, {20006, 20007, 0}, {1014, 1015, 0}, {1029, 1030, SETTING}};
    BenchBehaviour m_actionBehaviours[7] = {{15006, 15007, 0}, {15013, 0, 0}, {15015, 0, 0}, {15018, 0, 0},
                                            {15021, 0, 0},     {15026, 0, 0}, {15035, 0, 0}};
    BHV_Owner m_parts;
    BHV_StateBehaviourList m_states;
    BHV_ActionBehaviourSlot m_actions;
};

void BM_BehaviourChainVersusDirect(benchmark::State& _state)
{
    constexpr s32 BATCH = 1000;
    BenchOwner owner;
    using Clock = std::chrono::steady_clock;
    Clock::duration chain{};
    Clock::duration direct{};
    s32 handled = 0;
    for (auto _ : _state) {
        const Clock::time_point start = Clock::now();
        for (s32 i = 0; i < BATCH; ++i)
            benchmark::DoNotOptimize(owner.ProcessMessage(new NOD_Message(SETTING)));
        const Clock::time_point middle = Clock::now();
        for (s32 i = 0; i < BATCH; ++i)
            benchmark::DoNotOptimize(owner.Last().ProcessMessage(new NOD_Message(SETTING), &handled));
        const Clock::time_point end = Clock::now();
        chain += middle - start;
        direct += end - middle;
    }
    const f64 chainSeconds = std::chrono::duration<f64>(chain).count();
    const f64 directSeconds = std::chrono::duration<f64>(direct).count();
    const f64 messages = (f64)_state.iterations() * BATCH;
    _state.counters["chain_msgs_per_s"] = chainSeconds > 0.0 ? messages / chainSeconds : 0.0;
    _state.counters["direct_msgs_per_s"] = directSeconds > 0.0 ? messages / directSeconds : 0.0;
    _state.counters["chain_vs_direct"] = directSeconds > 0.0 ? chainSeconds / directSeconds : 0.0;
    if (owner.Last().m_handledCount != (u64)(2 * messages))
        _state.SkipWithError("a message missed the last state behaviour");
}
}  // namespace

BENCHMARK(BM_BehaviourChainVersusDirect);
