// NOD_Script: the node that runs a scenario script in a Lua state of its own, and the binding
// through which scripts send messages to the tree and receive events from it.
//
// The node binds nodes of the tree to script threads (128 records, index-linked active and
// free lists), gives every thread one-shot timers (128 records shared by the node's threads),
// and queues thread events until its next HeartBeat: one script node serves every bound body,
// and all sensors sense on the same step, so one step may queue hundreds. The queue keeps 16
// events inline and doubles onto the heap beyond (kept for the node's life, so a scene that
// needs the room once allocates it once); 65,536 pending events mean a runaway script and are
// fatal. The heartbeat hands the queued events to the script, then calls __BeginPlay for new
// threads and __Timer for due timers, and runs a full collection of the Lua state when more
// than 2 s of simulation time have passed. Binding and timers allocate nothing, nor does
// queueing until more than 16 events wait at once.
//
// The Lua state holds one global function per message prototype (the command function with
// the prototype's position in the process-wide prototype index as upvalue), the Script_*
// service functions, and the user types MAT_Vector3 (three f32 inside the userdata) and
// NOD_NodeRef (a node handle inside the userdata, which decodes to nil once the node died).
// Both metatables are protected: getmetatable answers the type's name.
// Before every entry into Lua the entry sets the current script block and the current script
// node to its own and restores them afterwards; the script commands use that node as their
// default target. A fatal error inside Lua reaches the caller as OS_FatalError (lua_state.h).
// Single-threaded.
#pragma once

#include "nod_node.h"
#include "os_types.h"
#include "rti_pointer.h"
#include "sim_name.h"

struct lua_State;
class NOD_Message;
class NOD_MessagePrototype;

// The Lua side of one script node: its state and the registry references of the metatables
// of its vector and node-reference types.
struct NOD_ScriptBlock
{
    lua_State* state = nullptr;
    s32 vectorTag = 0;
    s32 nodeRefTag = 0;
};

class NOD_Script : public NOD_Node
{
    RTI_DECLARE_CLASS(NOD_Script)

public:
    enum
    {
        MAX_THREADS = 128,
        MAX_TIMERS = 128,
        INLINE_EVENTS = 16,     // events the queue holds without allocating
        MAX_EVENTS = 65536,     // pending events beyond which queueing is fatal
        THREAD_BEGIN_PLAY = 1,  // thread flag: __BeginPlay still to be called
    };
    // Strictly more simulation time than this between two full collections of the state.
    static constexpr f32 GC_INTERVAL = 2.0f;
    static constexpr const char* GLUE_FILE = "dat\\script\\lib\\glue.sco";

    // Opens the state, registers the Lua side and runs the glue library (fatal when it fails).
    NOD_Script();
    // Deletes the queued events and closes the state.
    ~NOD_Script() override;

    // Queued events, then __BeginPlay and due timers, then at most every 2 s a collection.
    // Does not run the sons.
    void HeartBeat() override;
    // The Script family (2000-2004); everything else goes to NOD_Node.
    NOD_Message* ProcessMessage(NOD_Message* _message) override;
    // Delivery of an event to a thread: queued, it waits for the next HeartBeat (null is
    // returned); otherwise the thread's state function runs now and the reply (the event
    // refilled with the state function's results) or null is returned. A queued event whose
    // thread record has been unbound meanwhile is dropped, even when the record is bound again.
    // Unbinding a thread also unbinds its node, so the node's later events are dropped too.
    NOD_Message* ProcessThreadMessage(NOD_Message* _event, u32 _queued, s32 _threadId);

    // Loads and runs a chunk (source or compiled) in this node's state as an entry of its own;
    // answers the Lua status. Used by tools, tests and the console-like drivers.
    s32 RunChunk(const u8* _data, u32 _size, const char* _chunkName);

    const SIM_ClassName& GetScriptName() const { return m_scriptName; }
    lua_State* GetLuaState() const { return m_block.state; }
    // Thread and timer tables, for inspection.
    s32 GetActiveThreadHead() const { return m_activeHead; }
    s32 GetFreeThreadHead() const { return m_freeHead; }
    s32 GetThreadNext(s32 _thread) const { return m_threads[_thread].next; }
    NOD_Node* GetThreadNode(s32 _thread) const { return static_cast<NOD_Node*>(m_threads[_thread].node.Get()); }
    s32 GetThreadFirstTimer(s32 _thread) const { return m_threads[_thread].firstTimer; }
    u32 GetThreadFlags(s32 _thread) const { return m_threads[_thread].flags; }
    s32 GetFreeTimerHead() const { return m_freeTimerHead; }
    s32 GetTimerNext(s32 _timer) const { return m_timers[_timer].next; }
    f32 GetTimerFireTime(s32 _timer) const { return m_timers[_timer].fireTime; }
    u32 GetQueuedEventCount() const { return m_ring.count; }
    // Room of the event queue: INLINE_EVENTS until more were pending at once.
    u32 GetEventCapacity() const { return m_ring.capacity; }

    // The node whose script or threads are being run; the default target of script commands.
    static NOD_Script* GetCurrentScriptNode();
    static void SetCurrentScriptNode(NOD_Script* _node);
    // The block whose state is being entered (the block of the current block's node).
    static NOD_ScriptBlock* GetCurrentScriptBlock();
    static u32 GetSnoop();
    static void SetSnoop(u32 _on);

    // The C functions registered in every state, each running under the fatal-error guard.
    static int LUAF_Interface(lua_State* _state);
    static int LUAF_Log(lua_State* _state);
    static int LUAF_LogRaw(lua_State* _state);
    static int LUAF_SnoopOn(lua_State* _state);
    static int LUAF_SnoopOff(lua_State* _state);
    static int LUAF_GetLineNumber(lua_State* _state);
    static int LUAF_GetFunctionName(lua_State* _state);
    static int LUAF_GetTime(lua_State* _state);
    static int LUAF_IsNodeRefValid(lua_State* _state);
    static int LUAF_ErrorMessage(lua_State* _state);
    static int LUAF_AssertFile(lua_State* _state);
    static int LUA_Vector3_Create(lua_State* _state);
    static int LUA_NodeReferenceCreate(lua_State* _state);

private:
    struct Thread
    {
        s32 next = -1;
        RTI_Pointer node;
        s32 firstTimer = -1;
        u32 flags = 0;
        u32 binding = 0;  // counts the record's bindings: tells its successive nodes apart
    };
    struct Timer
    {
        s32 next = -1;
        f32 fireTime = 0.0f;
        f32 delay = 0.0f;
    };
    struct Event
    {
        s32 thread = 0;
        u32 binding = 0;  // the thread's binding when the event was queued
        NOD_Message* message = nullptr;
    };
    // First in, first out. The capacity is a power of two; slots points at the inline array
    // until the first growth (the node is never copied or moved).
    struct Ring
    {
        Ring() = default;
        ~Ring();
        Ring(const Ring&) = delete;
        Ring& operator=(const Ring&) = delete;

        // Appends; doubles the room when full. Fatal (the event deleted) at MAX_EVENTS.
        void Push(const Event& _event);
        // The oldest event, taken out; only while count > 0.
        Event Pop();

        Event inlineSlots[INLINE_EVENTS];
        Event* slots = inlineSlots;
        u32 capacity = INLINE_EVENTS;
        u32 read = 0;
        u32 count = 0;
    };

    NOD_Message* PM_SetScript(NOD_Message* _message);
    NOD_Message* PM_BindThread(NOD_Message* _message);
    NOD_Message* PM_SetTimer(NOD_Message* _message);
    NOD_Message* PM_UnBindThread(NOD_Message* _message);
    NOD_Message* PM_StopTimer(NOD_Message* _message);

    // Runs the thread's state function for an event sent while the record had the binding;
    // an event of an earlier binding of the record is dropped like one to an unbound thread.
    NOD_Message* DeliverThreadMessage(NOD_Message* _event, s32 _threadId, u32 _binding);
    void ProcessThreads();
    // Calls __BeginPlay (thread) or __Timer (thread, timer); answers the Lua status.
    s32 CallThreadFunction(const char* _function, s32 _thread, s32 _timer);
    u32 IsBound(s32 _thread) const;
    void FreeThreadTimers(s32 _thread);
    void ReleaseLuaSide();

    f32 m_lastCollection = 0.0f;
    SIM_ClassName m_scriptName;
    NOD_ScriptBlock m_block;
    Thread m_threads[MAX_THREADS];
    s32 m_activeHead = -1;
    s32 m_freeHead = 0;
    Timer m_timers[MAX_TIMERS];
    s32 m_freeTimerHead = 0;
    Ring m_ring;
    // The thread walk of ProcessThreads: while it runs, the record after which it goes on
    // (-1: from the head). Unbinding the record it stands on moves it to the predecessor.
    u32 m_walking = 0;
    s32 m_walkPosition = -1;
    u32 m_indexHeld = 0;
};

// The registration functions of this module: "NOD_Script" with base "NOD_Node", and the
// thread delivery that NOD_Node::SendToThread calls.
void NOD_RegisterScriptClasses();
void NOD_UnregisterScriptClasses();
