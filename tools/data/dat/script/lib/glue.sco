-- The glue between the script node and the scenario scripts (Lua 5.1 source).
--
-- A scenario script binds nodes of the tree to script threads and gives each thread a state:
-- a table of handlers named after the events they handle ("Vessel_GotoArrived", ...), plus
-- the optional handlers "BeginPlay" and "Timer". Every thread has a table of its own (the
-- thread table: id, node, state, timers, and whatever the script keeps there); a handler is
-- called with it first, then the event's arguments, and its results become the event's reply.
--
-- The script node calls:
--   __BeginPlay(threadId)                  once per bound thread, in the first heartbeat after
--                                          the binding
--   __Timer(threadId, timerId)             when a timer of the thread fires
--   __GetStateFunction(threadId, name)     for each event: the handler of the thread's current
--                                          state and the thread table, or nothing when the
--                                          state does not handle the event
-- The scenario script defines __StartUp itself; the glue does not.

__Threads = {}

-- Binds the node to a new thread of this script node, in the given state. Answers the thread
-- table, or nil when the node is nil (the script node logs that).
function Thread_Bind(node, state)
    local id = Script_BindThread(nil, node)
    if id == nil or id < 0 then
        return nil
    end
    local thread = { id = id, node = node, state = state, timers = {} }
    __Threads[id] = thread
    return thread
end

-- Frees the thread and its timers. The node keeps sending to it; its events are dropped.
function Thread_UnBind(thread)
    if __Threads[thread.id] ~= thread then
        return
    end
    __Threads[thread.id] = nil
    Script_UnBindThread(nil, thread.id, thread.node)
end

-- The state whose handlers receive the thread's next events.
function Thread_SetState(thread, state)
    thread.state = state
end

-- A one-shot timer; when it fires, handler(thread, timerId) runs, or without a handler the
-- state's Timer handler. Answers the timer id, or nil when none was set.
function Thread_SetTimer(thread, delay, handler)
    local timer = Script_SetTimer(nil, thread.id, delay)
    if timer ~= nil and handler ~= nil then
        thread.timers[timer] = handler
    end
    return timer
end

-- Stops one timer, or every timer of the thread with -1.
function Thread_StopTimer(thread, timer)
    Script_StopTimer(nil, thread.id, timer)
    if timer == -1 then
        thread.timers = {}
    else
        thread.timers[timer] = nil
    end
end

function __BeginPlay(id)
    local thread = __Threads[id]
    if thread == nil or thread.state == nil then
        return
    end
    local handler = thread.state.BeginPlay
    if type(handler) == "function" then
        handler(thread)
    end
end

function __Timer(id, timer)
    local thread = __Threads[id]
    if thread == nil then
        return
    end
    -- The id is free again as soon as the timer fired: forget the handler before it runs,
    -- so that the handler may set the same id again.
    local handler = thread.timers[timer]
    thread.timers[timer] = nil
    if handler == nil and thread.state ~= nil then
        handler = thread.state.Timer
    end
    if type(handler) == "function" then
        handler(thread, timer)
    end
end

function __GetStateFunction(id, name)
    local thread = __Threads[id]
    if thread == nil or thread.state == nil then
        return nil, nil
    end
    local handler = thread.state[name]
    if type(handler) ~= "function" then
        return nil, nil
    end
    return handler, thread
end
