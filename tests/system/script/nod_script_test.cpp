#include <cmath>
#include <string>
#include <vector>

#include "mem_alloc.h"
#include "nod_script_fixture.h"
#include "os_path.h"

namespace
{
const char* const DELIVERY = "NOD_Script::ProcessThreadMessage()";

// Counts its heartbeats; on Node_EnterSimulation hands an event straight to another node's
// thread (an unqueued event from inside a script's command).
class TST_Relay : public NOD_Node
{
public:
    void HeartBeat() override
    {
        ++m_beats;
        NOD_Node::HeartBeat();
    }
    NOD_Message* ProcessMessage(NOD_Message* _message) override
    {
        if (_message->GetType() == NOD_Node_EnterSimulation::ID && m_sender != nullptr) {
            delete _message;
            delete m_sender->SendToThread(NOD_Vessel_GotoArrived::Create(SIM_Name("relayed")), 0);
            return nullptr;
        }
        return NOD_Node::ProcessMessage(_message);
    }
    s32 m_beats = 0;
    NOD_Node* m_sender = nullptr;
};
}  // namespace

class NOD_ScriptTest : public TST_ScriptFixture
{
protected:
    NOD_Message* Send(NOD_Message* _message, NOD_Script* _script = nullptr)
    {
        return (_script != nullptr ? _script : m_script)->ProcessMessage(_message);
    }
    s32 ReplyS32(NOD_Message* _reply)
    {
        s32 value = -99;
        if (_reply != nullptr)
            NOD_Script_BindThread::ReadReply(_reply, &value);  // SetTimer's reply is the same s32
        delete _reply;
        return value;
    }
    s32 Bind(NOD_Node* _node) { return ReplyS32(Send(NOD_Script_BindThread::Create(_node))); }
    void UnBind(s32 _thread) { delete Send(NOD_Script_UnBindThread::Create(_thread, nullptr)); }
    s32 SetTimer(s32 _thread, f32 _delay) { return ReplyS32(Send(NOD_Script_SetTimer::Create(_thread, _delay))); }
    void StopTimer(s32 _thread, s32 _timer) { delete Send(NOD_Script_StopTimer::Create(_thread, _timer)); }
    void Beat(f32 _time, NOD_Script* _script = nullptr)
    {
        Step(_time);
        (_script != nullptr ? _script : m_script)->HeartBeat();
    }
    void SetScript(const char* _name, NOD_Script* _script = nullptr)
    {
        delete Send(NOD_Script_SetScript::Create(SIM_ClassName(_name)), _script);
    }

    // Every thread record is on exactly one list, every free record is empty, and every timer
    // is free or on the list of exactly one active thread. Answers the active threads in order.
    std::vector<s32> CheckLists(NOD_Script* _script = nullptr)
    {
        const NOD_Script* script = _script != nullptr ? _script : m_script;
        std::vector<s32> threadSeen(NOD_Script::MAX_THREADS, 0);
        std::vector<s32> timerSeen(NOD_Script::MAX_TIMERS, 0);
        std::vector<s32> active;
        for (s32 t = script->GetActiveThreadHead(); t != -1 && active.size() <= 128; t = script->GetThreadNext(t)) {
            active.push_back(t);
            ++threadSeen[t];
            for (s32 m = script->GetThreadFirstTimer(t), n = 0; m != -1 && n <= 128; m = script->GetTimerNext(m), ++n)
                ++timerSeen[m];
        }
        s32 count = 0;
        for (s32 t = script->GetFreeThreadHead(); t != -1 && count <= 128; t = script->GetThreadNext(t), ++count) {
            ++threadSeen[t];
            EXPECT_EQ(nullptr, script->GetThreadNode(t)) << t;
            EXPECT_EQ(-1, script->GetThreadFirstTimer(t)) << t;
        }
        count = 0;
        for (s32 m = script->GetFreeTimerHead(); m != -1 && count <= 128; m = script->GetTimerNext(m), ++count)
            ++timerSeen[m];
        for (s32 i = 0; i < NOD_Script::MAX_THREADS; ++i)
            EXPECT_EQ(1, threadSeen[i]) << "thread " << i;
        for (s32 i = 0; i < NOD_Script::MAX_TIMERS; ++i)
            EXPECT_EQ(1, timerSeen[i]) << "timer " << i;
        return active;
    }

    // Handlers that write down what the node calls.
    void Record()
    {
        ASSERT_EQ(0, Run("order = ''\n"
                         "function __BeginPlay(t) order = order .. 'B' .. t .. ' ' end\n"
                         "function __Timer(t, id) order = order .. 'T' .. t .. ':' .. id .. ' ' end"));
    }
};

TEST_F(NOD_ScriptTest, ConstructionStopsCleanlyWithoutAWorkingGlueLibrary)
{
    // Warm up whatever grows once, so that the byte count below compares like with like.
    delete NOD_Node::CreateNode("nod_script", "warm");
    const struct
    {
        const char* glue;  // null: no file
        const char* status;
    } rows[] = {{nullptr, "LUA_ERRFILE"}, {"x = = 1", "LUA_ERRSYNTAX"}, {"error('no glue')", "LUA_ERRRUN"}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.status);
        std::remove("dat/script/lib/glue.sco");
        if (row.glue != nullptr)
            m_dir.Write("dat/script/lib/glue.sco", row.glue);
        // The resolver caches the changed directory listing once; that is not the node's.
        char resolved[256];
        OS_ResolvePath("dat\\script\\lib\\glue.sco", resolved, sizeof(resolved));
        const u32 before = MEM_GetBytesInUse();
        EXPECT_FATAL(NOD_Node::CreateNode("nod_script", "broken"), "ERROR",
                     (std::string("[SCRIPTERROR] script \"dat\\script\\lib\\glue.sco\" returned \"") + row.status +
                      "\" after loading")
                         .c_str());
        EXPECT_EQ(before, MEM_GetBytesInUse());
        EXPECT_EQ(nullptr, NOD_Script::GetCurrentScriptNode());
        EXPECT_EQ(nullptr, NOD_Script::GetCurrentScriptBlock());
    }
}

TEST_F(NOD_ScriptTest, SetScriptLoadsRunsAndStartsTheScript)
{
    const struct
    {
        const char* text;
        std::vector<std::string> lines;
        const char* started;
    } rows[] = {
        {"function __StartUp() started = Node_GetName(nil) end", {}, "script"},
        {"a = 1", {"[SCRIPTERROR] script \"missions\\Mission.sco\" no __StartUp() function defined"}, ""},
        {"__StartUp = 5", {"[SCRIPTERROR] script \"missions\\Mission.sco\" no __StartUp() function defined"}, ""},
        {"x = = 1", {"[SCRIPTERROR] script \"missions\\Mission.sco\" returned \"LUA_ERRSYNTAX\" after loading"}, ""},
        {"error('boom', 0)",
         {"[SCRIPTERROR] [C]:-1 [C function: error]: boom",
          "[SCRIPTERROR] script \"missions\\Mission.sco\" returned \"LUA_ERRRUN\" after loading"},
         ""},
        {"function __StartUp() started = 'half' error('late', 0) end",
         {"[SCRIPTERROR] [C]:-1 [C function: error]: late",
          "[SCRIPTERROR] script \"missions\\Mission.sco\" error in __StartUp() function"},
         "half"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.text);
        m_dir.Write("Missions/mission.SCO", row.text);
        ASSERT_EQ(0, Run("started = nil __StartUp = nil"));
        ClearLog();
        SetScript("missions\\Mission");
        EXPECT_STREQ("missions\\Mission", m_script->GetScriptName().GetName());
        EXPECT_EQ(row.lines, LogLines());
        EXPECT_EQ(row.started, Text("started"));
        // Restored on every way out, a failed load included.
        EXPECT_EQ(nullptr, NOD_Script::GetCurrentScriptNode());
        EXPECT_EQ(nullptr, NOD_Script::GetCurrentScriptBlock());
    }
    // The script stays loaded without __StartUp: its definitions are there.
    m_dir.Write("dat/kept.sco", "function Kept() return 7 end");
    SetScript("dat/kept");
    ASSERT_EQ(0, Run("kept = Kept()"));
    EXPECT_EQ(7, Number("kept"));
    EXPECT_FATAL(SetScript("nothing"), "nothing.sco", "ERROR: FILE NOT FOUND");
    EXPECT_EQ(nullptr, NOD_Script::GetCurrentScriptNode());
}

TEST_F(NOD_ScriptTest, BindingAndUnbindingKeepBothListsProper)
{
    NOD_Node* a = NewNode("a");
    NOD_Node* b = NewNode("b");
    NOD_Node* c = NewNode("c");
    ClearLog();
    EXPECT_EQ(-1, Bind(nullptr));
    EXPECT_EQ(std::vector<std::string>({"NOD_Script::PM_BindThread() node is NULL"}), LogLines());
    EXPECT_EQ(0, m_script->GetFreeThreadHead());
    EXPECT_EQ(std::vector<s32>(), CheckLists());

    EXPECT_EQ(0, Bind(a));
    EXPECT_EQ(1, Bind(b));
    EXPECT_EQ(m_script, a->GetScriptNode());
    EXPECT_EQ(1, b->GetThreadId());
    EXPECT_EQ((u32)NOD_Script::THREAD_BEGIN_PLAY, m_script->GetThreadFlags(1));
    UnBind(0);
    EXPECT_EQ(std::vector<s32>({1}), CheckLists());
    EXPECT_EQ(nullptr, a->GetScriptNode());  // the node lets go with its record
    EXPECT_EQ(-1, a->GetThreadId());
    // The freed record comes back first and goes to the end of the active list.
    EXPECT_EQ(0, Bind(c));
    EXPECT_EQ(std::vector<s32>({1, 0}), CheckLists());
    EXPECT_EQ(c, m_script->GetThreadNode(0));

    ClearLog();
    UnBind(5);
    UnBind(200);
    UnBind(-1);
    EXPECT_EQ(std::vector<std::string>(3, "[SCRIPTERROR] UnBindThread called with illegal threadid"), LogLines());
    EXPECT_EQ(std::vector<s32>({1, 0}), CheckLists());

    for (s32 i = 2; i < NOD_Script::MAX_THREADS; ++i)
        ASSERT_EQ(i, Bind(a));
    EXPECT_EQ(127, a->GetThreadId());  // the last binding names the node's thread
    EXPECT_FATAL(Bind(b), "NOD_Script::PM_BindThread()", "maximum number of threads reached");
    for (s32 i = 0; i < NOD_Script::MAX_THREADS; ++i)
        UnBind(i);
    EXPECT_EQ(std::vector<s32>(), CheckLists());
    EXPECT_FATAL(UnBind(0), "NOD_Script::PM_UnBindThread()", "no thread is currently bound");
}

TEST_F(NOD_ScriptTest, AnUnboundNodesEventsNeverReachTheRecordsNextThread)
{
    NOD_Node* old = NewNode("old");
    NOD_Node* heir = NewNode("heir");
    ASSERT_EQ(0, Run("got = ''\n"
                     "Idle = {}\n"
                     "function Idle.Vessel_GotoArrived(thread, name)\n"
                     "  got = got .. name .. '@' .. Node_GetName(thread.node) .. ' '\n"
                     "end\n"
                     "first = Thread_Bind(Node_Find(nil, '/old'), Idle)"));
    old->SendToThread(NOD_Vessel_GotoArrived::Create(SIM_Name("queued")), 1);
    ASSERT_EQ(0, Run("Thread_UnBind(first) second = Thread_Bind(Node_Find(nil, '/heir'), Idle)\n"
                     "reused = tostring(second.id == first.id)"));
    ASSERT_EQ("true", String("reused"));
    EXPECT_FALSE(old->IsThreadBound());
    EXPECT_EQ(-1, old->GetThreadId());

    ClearLog();
    EXPECT_EQ(nullptr, old->SendToThread(NOD_Vessel_GotoArrived::Create(SIM_Name("direct")), 0));
    old->SendToThread(NOD_Vessel_GotoArrived::Create(SIM_Name("late")), 1);
    heir->SendToThread(NOD_Vessel_GotoArrived::Create(SIM_Name("own")), 0);
    EXPECT_EQ(1u, m_script->GetQueuedEventCount());  // only the one queued before the unbind
    Beat(0.05f);
    EXPECT_EQ(0u, m_script->GetQueuedEventCount());
    EXPECT_EQ("own@heir ", String("got"));
    EXPECT_EQ(
        std::vector<std::string>(
            {"[SCRIPTERROR] script \"script\" - threadmessage \"Vessel_GotoArrived\" has been sended to NULL node"}),
        LogLines());

    // A node bound again since keeps its newer binding when the older record is unbound.
    NOD_Node* twice = NewNode("twice");
    const s32 earlier = Bind(twice);
    const s32 later = Bind(twice);
    UnBind(earlier);
    EXPECT_EQ(m_script, twice->GetScriptNode());
    EXPECT_EQ(later, twice->GetThreadId());
    UnBind(later);
    EXPECT_FALSE(twice->IsThreadBound());
    CheckLists();
}

TEST_F(NOD_ScriptTest, TimersFireInOrderAfterBeginPlay)
{
    const s32 thread = Bind(NewNode("a"));
    Record();
    EXPECT_EQ(0, SetTimer(thread, 1.0f));
    EXPECT_EQ(1, SetTimer(thread, 1.0f));  // same fire time: after the first
    EXPECT_EQ(2, SetTimer(thread, 0.5f));
    EXPECT_EQ(3, SetTimer(thread, 0.0f));  // the simulation step at least
    EXPECT_EQ(0.05f, m_script->GetTimerFireTime(3));
    Beat(0.0f);
    EXPECT_EQ("B0 ", String("order"));
    Beat(0.05f);
    EXPECT_EQ("B0 T0:3 ", String("order"));
    Beat(0.5f);  // fire time equal to the time: fires
    Beat(1.0f);
    EXPECT_EQ("B0 T0:3 T0:2 T0:0 T0:1 ", String("order"));
    EXPECT_EQ(std::vector<s32>({0}), CheckLists());

    // Too small and non-finite delays all count as the step.
    for (f32 delay : {-5.0f, 0.01f, NAN, INFINITY, -INFINITY}) {
        const s32 timer = SetTimer(thread, delay);
        ASSERT_GE(timer, 0) << delay;
        EXPECT_EQ(1.0f + 0.05f, m_script->GetTimerFireTime(timer)) << delay;
    }
    Beat(1.0f + 0.05f);
    EXPECT_EQ(-1, m_script->GetThreadFirstTimer(thread));

    // BeginPlay of a new thread comes before its timers, once.
    ASSERT_EQ(0, Run("order = ''"));
    const s32 second = Bind(NewNode("b"));
    const s32 timer = SetTimer(second, 0.05f);
    Beat(1.1f);
    Beat(1.2f);
    EXPECT_EQ("B1 T1:" + std::to_string(timer) + " ", String("order"));
    CheckLists();
}

TEST_F(NOD_ScriptTest, StoppingAndExhaustingTimers)
{
    const s32 first = Bind(NewNode("a"));
    const s32 second = Bind(NewNode("b"));
    SetTimer(first, 1.0f);
    SetTimer(first, 2.0f);
    const s32 other = SetTimer(second, 1.0f);
    StopTimer(first, other);  // a timer of another thread: nothing
    StopTimer(first, 500);
    StopTimer(first, -2);
    EXPECT_EQ(0, m_script->GetThreadFirstTimer(first));
    EXPECT_EQ(1, m_script->GetTimerNext(0));
    StopTimer(first, 0);
    EXPECT_EQ(1, m_script->GetThreadFirstTimer(first));
    StopTimer(first, -1);
    EXPECT_EQ(-1, m_script->GetThreadFirstTimer(first));
    EXPECT_EQ(other, m_script->GetThreadFirstTimer(second));
    CheckLists();

    ClearLog();
    ASSERT_EQ(0, Run("a = Script_SetTimer(nil, 99, 1)\nScript_StopTimer(nil, 50, 0)"));
    EXPECT_EQ(std::vector<std::string>({"[SCRIPTERROR] SetTimer called with illegal threadid",
                                        "[SCRIPTERROR] test - main function \"(null)\" [0] - line 1",
                                        "[SCRIPTERROR] StopTimer called with illegal threadid",
                                        "[SCRIPTERROR] test - main function \"(null)\" [0] - line 2"}),
              LogLines());
    EXPECT_EQ("", Text("a"));

    for (s32 i = 1; i < NOD_Script::MAX_TIMERS; ++i)
        ASSERT_GE(SetTimer(first, 1.0f), 0);
    ClearLog();
    ASSERT_EQ(0, Run("full = Script_SetTimer(nil, 0, 1)"));
    EXPECT_EQ(std::vector<std::string>({"[SCRIPTERROR] Maximum number of timers reached"}), LogLines());
    EXPECT_EQ("", Text("full"));
    CheckLists();
}

TEST_F(NOD_ScriptTest, AFiredTimerMayBeSetAgainInItsOwnCall)
{
    const s32 thread = Bind(NewNode("a"));
    const s32 timer = SetTimer(thread, 0.05f);
    ASSERT_EQ(0, Run("again = {} function __Timer(t, id) again[#again + 1] = Script_SetTimer(nil, t, 0.05) end"));
    Beat(0.05f);
    Beat(0.1f);
    EXPECT_EQ(0, Run("first, second = again[1], again[2]"));
    EXPECT_EQ(timer, Number("first"));
    EXPECT_EQ(timer, Number("second"));
    CheckLists();
}

TEST_F(NOD_ScriptTest, TheThreadWalkSurvivesBindingAndUnbindingInsideTheCalls)
{
    NOD_Node* a = NewNode("a");
    NewNode("b");
    NewNode("c");
    NewNode("d");
    ASSERT_EQ(
        0, Run("a, b, c, d = Node_Find(nil, '/a'), Node_Find(nil, '/b'), Node_Find(nil, '/c'), Node_Find(nil, '/d')\n"
               "order = ''\n"
               "function __BeginPlay(t) order = order .. 'B' .. t .. ' ' end\n"
               "function __Timer(t, id)\n"
               "  order = order .. 'T' .. t .. ' '\n"
               "  if t == 0 then Script_UnBindThread(nil, 0, a) Script_BindThread(nil, d) end\n"
               "  if t == 1 then Script_UnBindThread(nil, 2, c) end\n"
               "end"));
    ASSERT_EQ(0, Run("Script_BindThread(nil, a) Script_BindThread(nil, b) Script_BindThread(nil, c)"));
    for (s32 thread = 0; thread < 3; ++thread)
        SetTimer(thread, 0.05f);
    Beat(0.05f);
    // Thread 0 unbinds itself and its record comes back for d at the end; thread 1 unbinds
    // thread 2 before the walk reaches it. The walk goes on with thread 1 and ends with d.
    EXPECT_EQ("B0 T0 B1 T1 B0 ", String("order"));
    EXPECT_EQ(std::vector<s32>({1, 0}), CheckLists());

    // A thread that unbinds itself in __BeginPlay: the next one is still visited.
    ASSERT_EQ(0, Run("order = ''\n"
                     "function __BeginPlay(t)\n"
                     "  order = order .. 'B' .. t .. ' '\n"
                     "  if t == 2 then Script_UnBindThread(nil, 2, a) end\n"
                     "end"));
    EXPECT_EQ(2, Bind(a));
    EXPECT_EQ(3, Bind(a));
    Beat(0.1f);
    EXPECT_EQ("B2 B3 ", String("order"));
    EXPECT_EQ(std::vector<s32>({1, 0, 3}), CheckLists());
}

TEST_F(NOD_ScriptTest, QueuedEventsWaitForTheHeartBeat)
{
    NOD_Node* boat = NewNode("boat");
    ASSERT_EQ(0, Run("arrived = ''\n"
                     "Idle = {}\n"
                     "function Idle.Vessel_GotoArrived(thread, name) arrived = arrived .. name .. ',' end\n"
                     "thread = Thread_Bind(Node_Find(nil, '/boat'), Idle)"));
    std::string expected;
    for (s32 i = 0; i < NOD_Script::MAX_EVENTS; ++i) {
        const std::string name = "p" + std::to_string(i);
        EXPECT_EQ(nullptr, boat->SendToThread(NOD_Vessel_GotoArrived::Create(SIM_Name(name.c_str())), 1));
        expected += name + ",";
    }
    EXPECT_EQ(16u, m_script->GetQueuedEventCount());
    EXPECT_FATAL(boat->SendToThread(NOD_Vessel_GotoArrived::Create(SIM_Name("p16")), 1), DELIVERY,
                 "ThreadMessageStack is full");
    EXPECT_EQ(16u, m_script->GetQueuedEventCount());
    EXPECT_EQ("", String("arrived"));
    Beat(0.05f);
    EXPECT_EQ(expected, String("arrived"));
    EXPECT_EQ(0u, m_script->GetQueuedEventCount());

    EXPECT_FATAL(m_script->ProcessThreadMessage(NOD_Vessel_GotoArrived::Create(SIM_Name("x")), 0, 128), DELIVERY,
                 "illegal thread ID");
    EXPECT_FATAL(m_script->ProcessThreadMessage(NOD_Vessel_GotoArrived::Create(SIM_Name("x")), 1, -1), DELIVERY,
                 "illegal thread ID");
}

TEST_F(NOD_ScriptTest, QueuedEventsAreDeletedWithTheScriptNode)
{
    NOD_Node* boat = NewNode("boat");
    delete NOD_Node::CreateNode("nod_script", "warm");
    const u32 before = MEM_GetBytesInUse();
    NOD_Script* doomed = NewScript("doomed");
    const s32 thread = Bind(boat);
    EXPECT_EQ(0, thread);
    delete Send(NOD_Script_BindThread::Create(boat), doomed);
    for (s32 i = 0; i < 3; ++i)
        boat->SendToThread(NOD_Vessel_GotoArrived::Create(SIM_Name("p")), 1);
    EXPECT_EQ(3u, doomed->GetQueuedEventCount());
    delete doomed;
    EXPECT_EQ(before, MEM_GetBytesInUse());
    EXPECT_EQ(nullptr, boat->GetScriptNode());
}

TEST_F(NOD_ScriptTest, DeliveryOutcomes)
{
    NOD_Node* boat = NewNode("boat");
    NOD_Node* gone = NewNode("gone");
    ASSERT_EQ(0,
              Run("Idle = {}\n"
                  "function Idle.Vessel_GotoArrived(thread, name) got = name .. '@' .. Node_GetName(thread.node) end\n"
                  "function Idle.Vessel_GotoPosReached(thread) error('handler fails', 0) end\n"
                  "function Idle.Body_GetKineticShield(thread, which) asked = which return answer end\n"
                  "boat = Thread_Bind(Node_Find(nil, '/boat'), Idle)\n"
                  "gone = Thread_Bind(Node_Find(nil, '/gone'), Idle)"));
    delete gone;
    const struct
    {
        const char* setup;
        NOD_Message* event;
        s32 thread;
        std::vector<std::string> lines;
        bool replied;
    } rows[] = {
        {"", NOD_Vessel_GotoArrived::Create(SIM_Name("path")), 0, {}, false},
        // A state without a handler drops the event silently.
        {"", NOD_Vessel_GotoStop::Create(), 0, {}, false},
        {"",
         NOD_Vessel_GotoPosReached::Create(SIM_Name("p"), SIM_Name("q")),
         0,
         {"[SCRIPTERROR] [C]:-1 [C function: error]: handler fails",
          "[SCRIPTERROR] script \"script\" returned \"LUA_ERRRUN\" in function \"Vessel_GotoPosReached\""},
         false},
        {"answer = 0.5", NOD_Body_GetKineticShield::Create((s8)-1), 0, {}, true},
        {"answer = 'abc'",
         NOD_Body_GetKineticShield::Create((s8)-1),
         0,
         {"[SCRIPTERROR] Body_GetKineticShield expects a number as argument 1"},
         false},
        {"",
         NOD_Vessel_GotoArrived::Create(SIM_Name("path")),
         1,
         {"[SCRIPTERROR] script \"script\" - threadmessage \"Vessel_GotoArrived\" has been sended to NULL node"},
         false},
        {"",
         NOD_Vessel_GotoArrived::Create(SIM_Name("path")),
         7,
         {"[SCRIPTERROR] script \"script\" - threadmessage \"Vessel_GotoArrived\" has been sended to NULL node"},
         false},
        {"",
         new NOD_Message(9002),
         0,
         {"[SCRIPTERROR] script \"script\" could not find prototype for message with id 9002"},
         false},
        {"function __GetStateFunction() error('no state', 0) end",
         NOD_Vessel_GotoArrived::Create(SIM_Name("path")),
         0,
         {"[SCRIPTERROR] [C]:-1 [C function: error]: no state",
          "[SCRIPTERROR] script \"script\" returned \"LUA_ERRRUN\" in __GetStateFunction"},
         false},
        {"function __GetStateFunction() return 1, {} end",
         NOD_Vessel_GotoArrived::Create(SIM_Name("path")),
         0,
         {},
         false},
        {"function __GetStateFunction() return print, 1 end",
         NOD_Vessel_GotoArrived::Create(SIM_Name("path")),
         0,
         {},
         false},
    };
    ASSERT_EQ(0, Run("glueStateFunction = __GetStateFunction"));
    for (const auto& row : rows) {
        SCOPED_TRACE(row.setup + std::to_string(row.event->GetType()));
        ASSERT_EQ(0, Run("__GetStateFunction = glueStateFunction"));
        ASSERT_EQ(0, Run(std::string("got = nil ") + row.setup));
        const u32 id = row.event->GetType();
        ClearLog();
        NOD_Message* reply = m_script->ProcessThreadMessage(row.event, 0, row.thread);
        EXPECT_EQ(row.lines, LogLines());
        EXPECT_EQ(row.replied, reply != nullptr);
        if (reply != nullptr) {
            EXPECT_EQ(id, reply->GetType());
            f32 value = 0.0f;
            NOD_Body_GetKineticShield::ReadReply(reply, &value);
            EXPECT_EQ(0.5f, value);
            EXPECT_EQ(-1, Number("asked"));
        }
        delete reply;
    }
    ASSERT_EQ(0, Run("__GetStateFunction = glueStateFunction got = nil"));
    delete m_script->ProcessThreadMessage(NOD_Vessel_GotoArrived::Create(SIM_Name("path")), 0, 0);
    EXPECT_EQ("path@boat", String("got"));

    // Out-arguments of a queued event have nobody to read them.
    ASSERT_EQ(0, Run("answer = 2"));
    boat->SendToThread(NOD_Body_GetKineticShield::Create((s8)3), 1);
    ClearLog();
    Beat(0.05f);
    EXPECT_EQ(std::vector<std::string>(
                  {"[SCRIPTERROR] an asynchronous thread message of type '1009' seems to have out parameters"}),
              LogLines());

    // The trace of both directions names the thread's node.
    ASSERT_EQ(0, Run("answer = 0.25 Script_SnoopOn()"));
    ClearLog();
    delete m_script->ProcessThreadMessage(NOD_Body_GetKineticShield::Create((s8)-2), 0, 0);
    EXPECT_EQ(
        std::vector<std::string>({"[T2E] boat: Body_GetKineticShield(-2)", "[T2E] boat: Body_GetKineticShield(0.250)"}),
        LogLines());
}

TEST_F(NOD_ScriptTest, EveryEntryTargetsItsOwnScriptNode)
{
    NOD_Script* beta = NewScript("beta");
    NOD_Node* a = NewNode("a");
    NOD_Node* b = NewNode("b");
    TST_Relay* relay = new TST_Relay();
    relay->SetName("relay");
    m_root->AddSon(relay);
    relay->m_sender = b;
    const char* setup = "State = {}\n"
                        "function State.Vessel_GotoArrived(thread, name)\n"
                        "  who = Node_GetName(nil) .. ':' .. name .. ':' .. MAT_Vector3(1, 2, 3).Y\n"
                        "end\n";
    ASSERT_EQ(0, Run(std::string(setup) + "Thread_Bind(Node_Find(nil, '/a'), State)"));
    ASSERT_EQ(0, Run(std::string(setup) + "Thread_Bind(Node_Find(nil, '/b'), State)", beta));

    // Queued: the first node ran its threads, then the second delivers its queue.
    b->SendToThread(NOD_Vessel_GotoArrived::Create(SIM_Name("queued")), 1);
    Beat(0.05f, m_script);
    Beat(0.05f, beta);
    EXPECT_EQ("beta:queued:2", String("who", beta));
    EXPECT_EQ(nullptr, NOD_Script::GetCurrentScriptNode());

    // At once, from inside the first node's script: the second node's handler targets the
    // second node, and the first script goes on with its own node and state.
    ASSERT_EQ(0, Run("Node_EnterSimulation(Node_Find(nil, '/relay')) after = Node_GetName(nil) .. ':' .. "
                     "MAT_Vector3(4, 5, 6).Z"));
    EXPECT_EQ("beta:relayed:2", String("who", beta));
    EXPECT_EQ("script:6", String("after"));

    // A failed load leaves nothing behind.
    m_dir.Write("broken.sco", "x = = 1");
    SetScript("broken");
    EXPECT_EQ(nullptr, NOD_Script::GetCurrentScriptNode());
    a->SendToThread(NOD_Vessel_GotoArrived::Create(SIM_Name("late")), 1);
    Beat(0.1f, m_script);
    EXPECT_EQ("script:late:2", String("who"));
}

TEST_F(NOD_ScriptTest, FullCollectionAtMostEveryTwoSeconds)
{
    TST_Relay* son = new TST_Relay();
    son->SetName("son");
    m_script->AddSon(son);
    // The collector is stopped, so only the heartbeat's full collection frees the garbage.
    ASSERT_EQ(0, Run("collectgarbage('stop') junk = {} for i = 1, 2000 do junk[i] = { i } end junk = nil"));
    const u64 dirty = LUA_GetStateBytes(m_script->GetLuaState());
    Beat(2.0f);  // not more than 2 s since the construction
    EXPECT_EQ(dirty, LUA_GetStateBytes(m_script->GetLuaState()));
    Beat(2.5f);
    const u64 clean = LUA_GetStateBytes(m_script->GetLuaState());
    EXPECT_LT(clean + 2000u * 32u, dirty);
    ASSERT_EQ(0, Run("collectgarbage('stop') junk = {} for i = 1, 2000 do junk[i] = { i } end junk = nil"));
    const u64 again = LUA_GetStateBytes(m_script->GetLuaState());
    Beat(4.5f);  // exactly 2 s later: not yet
    EXPECT_EQ(again, LUA_GetStateBytes(m_script->GetLuaState()));
    Beat(4.75f);
    EXPECT_LT(LUA_GetStateBytes(m_script->GetLuaState()), again);
    // The script node does not run its sons.
    EXPECT_EQ(0, son->m_beats);
}

TEST_F(NOD_ScriptTest, TheGlueLibraryDispatchesToTheThreadsState)
{
    NOD_Node* boat = NewNode("boat");
    ASSERT_EQ(
        0,
        Run("log = ''\n"
            "Patrol, Attack = {}, {}\n"
            "function Patrol.BeginPlay(thread)\n"
            "  log = log .. 'begin' .. thread.id .. ' '\n"
            "  Thread_SetTimer(thread, 0.25, function(t, id) log = log .. 'handler ' Thread_SetState(t, Attack) end)\n"
            "  Thread_SetTimer(thread, 0.5)\n"
            "  Thread_StopTimer(thread, Thread_SetTimer(thread, 0.25, function() log = log .. 'stopped ' end))\n"
            "end\n"
            "function Patrol.Vessel_GotoArrived(thread, name) log = log .. 'patrol:' .. name .. ' ' end\n"
            "function Attack.Vessel_GotoArrived(thread, name) log = log .. 'attack:' .. name .. ' ' end\n"
            "function Attack.Vessel_GotoStop(thread) Node_SetName(nil, 'fifteen_chars_x') end\n"
            "function Attack.Timer(thread, id) log = log .. 'timer ' Thread_UnBind(thread) end\n"
            "boat = Thread_Bind(Node_Find(nil, '/boat'), Patrol)"));
    Beat(0.25f);
    boat->SendToThread(NOD_Vessel_GotoArrived::Create(SIM_Name("p1")), 1);
    Beat(0.375f);
    Beat(0.5f);
    boat->SendToThread(NOD_Vessel_GotoArrived::Create(SIM_Name("p2")), 1);
    Beat(0.625f);
    EXPECT_EQ("begin0 patrol:p1 handler attack:p2 ", String("log"));
    // A fatal error inside an event handler reaches the heartbeat's caller.
    boat->SendToThread(NOD_Vessel_GotoStop::Create(), 1);
    EXPECT_FATAL(Beat(0.7f), "SIM_Name::SetName() : name too long", "fifteen_chars_x");
    EXPECT_EQ(nullptr, NOD_Script::GetCurrentScriptNode());
    Beat(0.75f);
    EXPECT_EQ("begin0 patrol:p1 handler attack:p2 timer ", String("log"));
    EXPECT_EQ(std::vector<s32>(), CheckLists());
    // Unbound, the node's events no longer reach the script node at all.
    EXPECT_FALSE(boat->IsThreadBound());
    ClearLog();
    boat->SendToThread(NOD_Vessel_GotoArrived::Create(SIM_Name("p3")), 1);
    EXPECT_EQ(0u, m_script->GetQueuedEventCount());
    Beat(0.8f);
    EXPECT_EQ(std::vector<std::string>(), LogLines());
    EXPECT_EQ("begin0 patrol:p1 handler attack:p2 timer ", String("log"));
}
