// The script node: threads, timers, the event ring, the Script message family and the entries
// into the node's Lua state.
#include "nod_script.h"

#include <cmath>
#include <cstdio>
#include <memory>

#include "lua_state.h"
#include "nod_message.h"
#include "nod_script_local.h"
#include "os_fatal.h"
#include "os_file.h"
#include "sim_clock.h"

RTI_IMPLEMENT_CLASS(NOD_Script, "NOD_Node")

namespace
{
NOD_Script* s_currentNode = nullptr;
NOD_Script* s_blockOwner = nullptr;

const char* const DELIVERY_WHERE = "NOD_Script::ProcessThreadMessage()";

f32 Now() { return SIM_GetSimulationClock().time; }

NOD_Message* DeliverThreadEvent(NOD_Node* _scriptNode, NOD_Message* _event, u32 _queued, s32 _threadId)
{
    // NOD_Node::BindThread accepts only script nodes.
    return static_cast<NOD_Script*>(_scriptNode)->ProcessThreadMessage(_event, _queued, _threadId);
}

// --- Bodies of the entries, run by LUA_ProtectedRun ---

struct ChunkRun
{
    const char* file = nullptr;  // a file through the resolver, or
    const u8* data = nullptr;    // a chunk in memory
    u32 size = 0;
    const char* chunkName = nullptr;
    s32 status = 0;
};

s32 ChunkBody(lua_State* _state, void* _context)
{
    ChunkRun* run = (ChunkRun*)_context;
    if (run->file != nullptr)
        run->status = LUA_LoadFile(_state, run->file);
    else
        run->status = LUA_LoadBuffer(_state, run->data, run->size, run->chunkName);
    if (run->status == 0)
        run->status = LUA_Call(_state, 0, 0);
    return 0;
}

// lua_dofile: the file's status when it does not load, else the status of its run.
s32 DoChunk(lua_State* _state, ChunkRun* _run)
{
    const s32 status = LUA_ProtectedRun(_state, &ChunkBody, _run);
    return status != 0 ? status : _run->status;
}

struct GlobalCall
{
    const char* function = nullptr;
    s32 arguments[2] = {};
    s32 argumentCount = 0;
    u32 requireFunction = 0;  // when set, a global that is no function is not called
    u32 defined = 0;
    s32 status = 0;
};

s32 GlobalCallBody(lua_State* _state, void* _context)
{
    GlobalCall* call = (GlobalCall*)_context;
    lua_getglobal(_state, call->function);
    call->defined = lua_isfunction(_state, -1) ? 1 : 0;
    if (call->requireFunction && !call->defined)
        return 0;
    for (s32 i = 0; i < call->argumentCount; ++i)
        lua_pushnumber(_state, call->arguments[i]);
    call->status = LUA_Call(_state, call->argumentCount, 0);
    return 0;
}

s32 CallGlobal(lua_State* _state, GlobalCall* _call)
{
    const s32 status = LUA_ProtectedRun(_state, &GlobalCallBody, _call);
    return status != 0 ? status : _call->status;
}

s32 CollectBody(lua_State* _state, void*)
{
    lua_gc(_state, LUA_GCCOLLECT, 0);
    return 0;
}

struct Delivery
{
    NOD_Script* node = nullptr;
    const NOD_MessagePrototype* prototype = nullptr;
    NOD_Message* event = nullptr;
    s32 thread = 0;
    u32 replied = 0;
};

const char* ThreadNodeName(NOD_Script* _node, s32 _thread)
{
    NOD_Node* node = _node->GetThreadNode(_thread);
    return node != nullptr ? node->GetName().GetName() : "";
}

// The event's way into the thread's state function and the results back into the event.
s32 DeliveryBody(lua_State* _state, void* _context)
{
    Delivery* delivery = (Delivery*)_context;
    const NOD_MessagePrototype* prototype = delivery->prototype;
    const NOD_ScriptBlock* block = NOD_Script::GetCurrentScriptBlock();
    const char* nodeName = delivery->node->GetName().GetName();
    const char* name = prototype->GetName();

    lua_getglobal(_state, "__GetStateFunction");
    lua_pushnumber(_state, delivery->thread);
    lua_pushstring(_state, name);
    s32 status = LUA_Call(_state, 2, 2);
    if (status != 0) {
        OS_Log(OS_Format("[SCRIPTERROR] script \"%s\" returned \"%s\" in __GetStateFunction", nodeName,
                         LUA_StatusName(status)));
        return 0;
    }
    // No function or no table: the thread's state does not handle the event.
    if (!lua_isfunction(_state, -2) || !lua_istable(_state, -1))
        return 0;

    const s32 inCount = prototype->GetNumInArgs();
    const s32 outCount = prototype->GetNumOutArgs();
    luaL_checkstack(_state, inCount + 2, "too many arguments");
    lua_pushvalue(_state, -2);
    lua_pushvalue(_state, -2);
    delivery->event->Reset();
    for (s32 i = 0; i < inCount; ++i) {
        const s32 type = prototype->GetInArgType(i);
        NOD_CheckArgType(type, 0, DELIVERY_WHERE);
        NOD_ScriptValue value;
        NOD_GetScriptValue(delivery->event, type, &value);
        NOD_PushScriptValue(_state, block, value);
    }
    if (NOD_Script::GetSnoop())
        NOD_LogSnoop("[T2E] ", ThreadNodeName(delivery->node, delivery->thread), delivery->event, 0);
    status = LUA_Call(_state, inCount + 1, outCount);
    if (status != 0) {
        OS_Log(OS_Format("[SCRIPTERROR] script \"%s\" returned \"%s\" in function \"%s\"", nodeName,
                         LUA_StatusName(status), name));
        return 0;
    }
    if (outCount <= 0)
        return 0;
    const s32 first = lua_gettop(_state) - outCount + 1;
    delivery->event->Reset();
    for (s32 i = 0; i < outCount; ++i) {
        const s32 type = prototype->GetOutArgType(i);
        NOD_CheckArgType(type, 1, DELIVERY_WHERE);
        NOD_ScriptValue value;
        if (!NOD_ReadScriptValue(_state, block, first + i, type, name, i + 1, &value))
            return 0;
        NOD_PutScriptValue(delivery->event, value);
    }
    if (NOD_Script::GetSnoop())
        NOD_LogSnoop("[T2E] ", ThreadNodeName(delivery->node, delivery->thread), delivery->event, 1);
    delivery->replied = 1;
    return 0;
}

// The thread walk's state, restored however the walk ends.
class WalkScope
{
public:
    WalkScope(u32& _walking, s32& _position)
        : m_walking(_walking), m_position(_position), m_savedWalking(_walking), m_savedPosition(_position)
    {
        m_walking = 1;
    }
    ~WalkScope()
    {
        m_walking = m_savedWalking;
        m_position = m_savedPosition;
    }
    WalkScope(const WalkScope&) = delete;
    WalkScope& operator=(const WalkScope&) = delete;

private:
    u32& m_walking;
    s32& m_position;
    u32 m_savedWalking;
    s32 m_savedPosition;
};
}  // namespace

// --- Current script node and block ---

NOD_ScriptEntry::NOD_ScriptEntry(NOD_Script* _node)
{
    m_block.Set(s_blockOwner);
    m_node.Set(s_currentNode);
    s_blockOwner = _node;
    s_currentNode = _node;
}

NOD_ScriptEntry::~NOD_ScriptEntry()
{
    s_blockOwner = static_cast<NOD_Script*>(m_block.Get());
    s_currentNode = static_cast<NOD_Script*>(m_node.Get());
}

NOD_Script* NOD_GetCurrentBlockOwner() { return s_blockOwner; }
void NOD_SetCurrentBlockOwner(NOD_Script* _owner) { s_blockOwner = _owner; }

NOD_Script* NOD_Script::GetCurrentScriptNode() { return s_currentNode; }
void NOD_Script::SetCurrentScriptNode(NOD_Script* _node) { s_currentNode = _node; }
NOD_ScriptBlock* NOD_Script::GetCurrentScriptBlock()
{
    return s_blockOwner != nullptr ? &s_blockOwner->m_block : nullptr;
}

// --- Life ---

NOD_Script::NOD_Script()
{
    NOD_AcquirePrototypeIndex();
    m_indexHeld = 1;
    for (s32 i = 0; i < MAX_THREADS; ++i)
        m_threads[i].next = i + 1 < MAX_THREADS ? i + 1 : -1;
    for (s32 i = 0; i < MAX_TIMERS; ++i)
        m_timers[i].next = i + 1 < MAX_TIMERS ? i + 1 : -1;
    m_freeHead = 0;
    m_activeHead = -1;
    m_freeTimerHead = 0;
    try {
        m_block.state = LUA_NewState();
        LUA_OpenLibraries(m_block.state);
        NOD_ScriptEntry entry(this);
        const s32 registered = LUA_ProtectedRun(m_block.state, &NOD_RegisterLuaSide, &m_block);
        if (registered != 0)
            OS_Fatal("NOD_Script::NOD_Script()", LUA_StatusName(registered));
        ChunkRun run;
        run.file = GLUE_FILE;
        const s32 status = DoChunk(m_block.state, &run);
        if (status != 0)
            OS_Fatal("ERROR", OS_Format("[SCRIPTERROR] script \"%s\" returned \"%s\" after loading", GLUE_FILE,
                                        LUA_StatusName(status)));
    } catch (const OS_FatalError&) {
        // No destructor runs for a constructor that throws: give the state and the index back.
        ReleaseLuaSide();
        throw;
    }
    m_lastCollection = Now();
}

NOD_Script::~NOD_Script()
{
    while (m_ring.count > 0) {
        delete m_ring.slots[m_ring.read].message;
        m_ring.slots[m_ring.read].message = nullptr;
        m_ring.read = (m_ring.read + 1) % RING_SLOTS;
        --m_ring.count;
    }
    ReleaseLuaSide();
}

void NOD_Script::ReleaseLuaSide()
{
    if (m_block.state != nullptr) {
        LUA_CloseState(m_block.state);
        m_block.state = nullptr;
    }
    if (s_blockOwner == this)
        s_blockOwner = nullptr;
    if (s_currentNode == this)
        s_currentNode = nullptr;
    if (m_indexHeld) {
        m_indexHeld = 0;
        NOD_ReleasePrototypeIndex();
    }
}

s32 NOD_Script::RunChunk(const u8* _data, u32 _size, const char* _chunkName)
{
    NOD_ScriptEntry entry(this);
    ChunkRun run;
    run.data = _data;
    run.size = _size;
    run.chunkName = _chunkName;
    return ::DoChunk(m_block.state, &run);
}

// --- Messages ---

NOD_Message* NOD_Script::ProcessMessage(NOD_Message* _message)
{
    switch (_message->GetType()) {
    case NOD_Script_SetScript::ID:
        return PM_SetScript(_message);
    case NOD_Script_BindThread::ID:
        return PM_BindThread(_message);
    case NOD_Script_SetTimer::ID:
        return PM_SetTimer(_message);
    case NOD_Script_UnBindThread::ID:
        return PM_UnBindThread(_message);
    case NOD_Script_StopTimer::ID:
        return PM_StopTimer(_message);
    default:
        return NOD_Node::ProcessMessage(_message);
    }
}

NOD_Message* NOD_Script::PM_SetScript(NOD_Message* _message)
{
    NOD_Script_SetScript::Read(_message, &m_scriptName);
    delete _message;
    // Restored on every way out, a failed load included.
    NOD_ScriptEntry entry(this);
    char file[SIM_ClassName::FIELD_BYTES + 8];
    snprintf(file, sizeof(file), "%s.sco", m_scriptName.GetName());
    OS_RequireFile(file);
    ChunkRun run;
    run.file = file;
    const s32 status = ::DoChunk(m_block.state, &run);
    if (status != 0) {
        OS_Log(OS_Format("[SCRIPTERROR] script \"%s\" returned \"%s\" after loading", file, LUA_StatusName(status)));
        return nullptr;
    }
    GlobalCall call;
    call.function = "__StartUp";
    call.requireFunction = 1;
    const s32 startUp = CallGlobal(m_block.state, &call);
    if (!call.defined)
        OS_Log(OS_Format("[SCRIPTERROR] script \"%s\" no __StartUp() function defined", file));
    else if (startUp != 0)
        OS_Log(OS_Format("[SCRIPTERROR] script \"%s\" error in __StartUp() function", file));
    return nullptr;
}

NOD_Message* NOD_Script::PM_BindThread(NOD_Message* _message)
{
    if (m_freeHead == -1) {
        delete _message;
        OS_Fatal("NOD_Script::PM_BindThread()", "maximum number of threads reached");
    }
    const auto [node] = NOD_Script_BindThread::Read(_message);
    if (node == nullptr) {
        OS_Log("NOD_Script::PM_BindThread() node is NULL");
        return NOD_Script_BindThread::Reply(_message, -1);
    }
    const s32 thread = m_freeHead;
    Thread& record = m_threads[thread];
    m_freeHead = record.next;
    record.next = -1;
    record.node.Set(node);
    record.firstTimer = -1;
    record.flags = THREAD_BEGIN_PLAY;
    ++record.binding;
    if (m_activeHead == -1) {
        m_activeHead = thread;
    } else {
        s32 last = m_activeHead;
        while (m_threads[last].next != -1)
            last = m_threads[last].next;
        m_threads[last].next = thread;
    }
    node->BindThread(this, thread);
    return NOD_Script_BindThread::Reply(_message, thread);
}

u32 NOD_Script::IsBound(s32 _thread) const
{
    return _thread >= 0 && _thread < MAX_THREADS && m_threads[_thread].node.Get() != nullptr;
}

NOD_Message* NOD_Script::PM_SetTimer(NOD_Message* _message)
{
    auto [thread, delay] = NOD_Script_SetTimer::Read(_message);
    if (!IsBound(thread)) {
        OS_Log("[SCRIPTERROR] SetTimer called with illegal threadid");
        NOD_LogScriptPosition(LUA_GetCallState());
        delete _message;
        return nullptr;
    }
    if (m_freeTimerHead == -1) {
        OS_Log("[SCRIPTERROR] Maximum number of timers reached");
        delete _message;
        return nullptr;
    }
    // Below the step, NaN and infinities alike: a timer fires at the earliest in the next step.
    if (!(delay >= SIM_STEP) || !std::isfinite(delay))
        delay = SIM_STEP;
    const f32 fireTime = Now() + delay;
    const s32 timer = m_freeTimerHead;
    m_freeTimerHead = m_timers[timer].next;
    m_timers[timer].fireTime = fireTime;
    m_timers[timer].delay = delay;
    // Before the first timer that fires later: equal fire times keep the order they were set.
    s32 previous = -1;
    s32 current = m_threads[thread].firstTimer;
    while (current != -1 && !(m_timers[current].fireTime > fireTime)) {
        previous = current;
        current = m_timers[current].next;
    }
    m_timers[timer].next = current;
    if (previous == -1)
        m_threads[thread].firstTimer = timer;
    else
        m_timers[previous].next = timer;
    return NOD_Script_SetTimer::Reply(_message, timer);
}

void NOD_Script::FreeThreadTimers(s32 _thread)
{
    while (m_threads[_thread].firstTimer != -1) {
        const s32 timer = m_threads[_thread].firstTimer;
        m_threads[_thread].firstTimer = m_timers[timer].next;
        m_timers[timer].next = m_freeTimerHead;
        m_freeTimerHead = timer;
    }
}

NOD_Message* NOD_Script::PM_UnBindThread(NOD_Message* _message)
{
    if (m_activeHead == -1) {
        delete _message;
        OS_Fatal("NOD_Script::PM_UnBindThread()", "no thread is currently bound");
    }
    const auto [thread, node] = NOD_Script_UnBindThread::Read(_message);  // the node is read as sent, not used
    delete _message;
    if (!IsBound(thread)) {
        OS_Log("[SCRIPTERROR] UnBindThread called with illegal threadid");
        return nullptr;
    }
    FreeThreadTimers(thread);
    // The node lets go as well, or its events would reach whichever thread gets the record
    // next. A node bound again since (to another record or script node) keeps that binding.
    NOD_Node* bound = GetThreadNode(thread);
    if (bound != nullptr && bound->GetScriptNode() == this && bound->GetThreadId() == thread)
        bound->BindThread(nullptr, -1);
    m_threads[thread].node.Set(nullptr);
    s32 previous = -1;
    s32 current = m_activeHead;
    while (current != -1 && current != thread) {
        previous = current;
        current = m_threads[current].next;
    }
    if (current == -1)
        return nullptr;  // a bound record is always active; nothing to unlink otherwise
    if (previous == -1)
        m_activeHead = m_threads[thread].next;
    else
        m_threads[previous].next = m_threads[thread].next;
    // The walk must never go on from a record on the free list: it goes on after the
    // predecessor, which is where the unlinked record's followers now hang.
    if (m_walking && m_walkPosition == thread)
        m_walkPosition = previous;
    m_threads[thread].next = m_freeHead;
    m_freeHead = thread;
    return nullptr;
}

NOD_Message* NOD_Script::PM_StopTimer(NOD_Message* _message)
{
    const auto [thread, timer] = NOD_Script_StopTimer::Read(_message);
    delete _message;
    if (!IsBound(thread)) {
        OS_Log("[SCRIPTERROR] StopTimer called with illegal threadid");
        NOD_LogScriptPosition(LUA_GetCallState());
        return nullptr;
    }
    if (timer < -1 || timer >= MAX_TIMERS)
        return nullptr;
    if (timer == -1) {
        FreeThreadTimers(thread);
        return nullptr;
    }
    s32 previous = -1;
    s32 current = m_threads[thread].firstTimer;
    while (current != -1 && current != timer) {
        previous = current;
        current = m_timers[current].next;
    }
    if (current == -1)
        return nullptr;
    if (previous == -1)
        m_threads[thread].firstTimer = m_timers[timer].next;
    else
        m_timers[previous].next = m_timers[timer].next;
    m_timers[timer].next = m_freeTimerHead;
    m_freeTimerHead = timer;
    return nullptr;
}

// --- Events ---

NOD_Message* NOD_Script::ProcessThreadMessage(NOD_Message* _event, u32 _queued, s32 _threadId)
{
    if (_event == nullptr)
        return nullptr;
    if (_threadId < 0 || _threadId >= MAX_THREADS) {
        delete _event;
        OS_Fatal(DELIVERY_WHERE, "illegal thread ID");
    }
    if (_queued) {
        if (m_ring.count >= MAX_EVENTS) {
            delete _event;
            OS_Fatal(DELIVERY_WHERE, "ThreadMessageStack is full");
        }
        m_ring.slots[m_ring.write].thread = _threadId;
        m_ring.slots[m_ring.write].binding = m_threads[_threadId].binding;
        m_ring.slots[m_ring.write].message = _event;
        m_ring.write = (m_ring.write + 1) % RING_SLOTS;
        ++m_ring.count;
        return nullptr;
    }
    return DeliverThreadMessage(_event, _threadId, m_threads[_threadId].binding);
}

NOD_Message* NOD_Script::DeliverThreadMessage(NOD_Message* _event, s32 _threadId, u32 _binding)
{
    std::unique_ptr<NOD_Message> event(_event);
    const NOD_MessagePrototype* prototype = NOD_FindIndexedPrototype(event->GetType());
    if (prototype == nullptr) {
        OS_Log(OS_Format("[SCRIPTERROR] script \"%s\" could not find prototype for message with id %d",
                         m_name.GetName(), (s32)event->GetType()));
        return nullptr;
    }
    if (GetThreadNode(_threadId) == nullptr || m_threads[_threadId].binding != _binding) {
        OS_Log(OS_Format("[SCRIPTERROR] script \"%s\" - threadmessage \"%s\" has been sended to NULL node",
                         m_name.GetName(), prototype->GetName()));
        return nullptr;
    }
    NOD_ScriptEntry entry(this);
    Delivery delivery;
    delivery.node = this;
    delivery.prototype = prototype;
    delivery.event = event.get();
    delivery.thread = _threadId;
    LUA_ProtectedRun(m_block.state, &DeliveryBody, &delivery);
    return delivery.replied ? event.release() : nullptr;
}

void NOD_Script::HeartBeat()
{
    NOD_ScriptEntry entry(this);
    // Events queued meanwhile are delivered in the same loop.
    while (m_ring.count > 0) {
        const Event next = m_ring.slots[m_ring.read];
        m_ring.slots[m_ring.read].message = nullptr;
        m_ring.read = (m_ring.read + 1) % RING_SLOTS;
        --m_ring.count;
        NOD_Message* reply = DeliverThreadMessage(next.message, next.thread, next.binding);
        if (reply != nullptr) {
            OS_Log(OS_Format("[SCRIPTERROR] an asynchronous thread message of type '%d' seems to have out parameters",
                             (s32)reply->GetType()));
            delete reply;
        }
    }
    ProcessThreads();
    const f32 now = Now();
    if (now - m_lastCollection > GC_INTERVAL) {
        m_lastCollection = now;
        LUA_ProtectedRun(m_block.state, &CollectBody, nullptr);
    }
}

s32 NOD_Script::CallThreadFunction(const char* _function, s32 _thread, s32 _timer)
{
    GlobalCall call;
    call.function = _function;
    call.arguments[0] = _thread;
    call.arguments[1] = _timer;
    call.argumentCount = _timer >= 0 ? 2 : 1;
    return CallGlobal(m_block.state, &call);
}

void NOD_Script::ProcessThreads()
{
    NOD_ScriptEntry entry(this);
    WalkScope walk(m_walking, m_walkPosition);
    s32 thread = m_activeHead;
    while (thread != -1) {
        // The walk stands on the record until the calls unbind it (see PM_UnBindThread).
        m_walkPosition = thread;
        if (m_threads[thread].flags & THREAD_BEGIN_PLAY) {
            m_threads[thread].flags &= ~(u32)THREAD_BEGIN_PLAY;
            if (CallThreadFunction("__BeginPlay", thread, -1) != 0)
                OS_Log(OS_Format("[SCRIPTERROR] script \"%s\" a thread returned error in 'BeginPlay' function",
                                 m_name.GetName()));
        }
        while (m_walkPosition == thread) {
            const s32 timer = m_threads[thread].firstTimer;
            if (timer == -1 || !(m_timers[timer].fireTime <= Now()))
                break;
            // Free before the call, so that the script may set it again at once.
            m_threads[thread].firstTimer = m_timers[timer].next;
            m_timers[timer].next = m_freeTimerHead;
            m_freeTimerHead = timer;
            if (CallThreadFunction("__Timer", thread, timer) != 0)
                OS_Log(OS_Format("[SCRIPTERROR] script \"%s\" a thread returned error in 'Time' function",
                                 m_name.GetName()));
        }
        thread = m_walkPosition == -1 ? m_activeHead : m_threads[m_walkPosition].next;
    }
}

// --- Registration ---

void NOD_RegisterScriptClasses()
{
    NOD_Script::RegisterClassDefinition();
    NOD_Node::SetThreadDelivery(&DeliverThreadEvent);
}

void NOD_UnregisterScriptClasses()
{
    NOD_Node::SetThreadDelivery(nullptr);
    NOD_Script::UnregisterClassDefinition();
}
