// The scene graph: NOD_Node, base of every object of the scene, and the process-wide root and
// deletion queue.
//
// Each node owns its sons (an ordered array that grows by four and never shrinks) and knows its
// father and its name; the tree is addressed by SIM_Path from the root or from any node. A node
// is created by class name (every node class is a registered RTI class), configured from a
// description file, attached, and then driven by HeartBeat once per simulation step and by
// messages delivered synchronously to ProcessMessage. Nodes never delete themselves during a
// step: they queue themselves with GC_AddNode, and GC_Collect empties the queue after the step.
// Deleting a node detaches it from its father and deletes its sons; deleting the root deletes
// the whole tree and clears the root. Deletion and collection walk the tree with explicit
// stacks, so a tree of any depth costs no more machine stack than a flat one.
//
// Every node gets a handle at construction (see nod_handle.h): messages and scripts carry
// handles, never pointers, so a reference to a dead node decodes to null.
// Single-threaded; finds and son lookups are linear, names compare without regard to case.
#pragma once

#include "os_types.h"
#include "rti_class.h"
#include "rti_pointer.h"
#include "sim_name.h"

class DES_File;
class DES_Section;
class NOD_Message;
class NOD_Replicator;

class NOD_Node : public RTI_Class
{
    RTI_DECLARE_CLASS(NOD_Node)

public:
    // Stores the class's stream creator in the creator table.
    static void RegisterStreamCreator();

public:
    enum
    {
        FLAG_IN_SIMULATION = 2,
        FLAG_REPLICATED = 8,   // driven by replication: the replicator, not the node, moves it
        FLAG_REGISTERED = 16,  // registered with the replication host
        SON_GROWTH = 4,
        MAX_SONS = 65532,
        GC_QUEUE_SIZE = 1024,
        MAX_CHILDREN = 32,      // LoadSons reads Child0 .. Child31
        MAX_CHILD_NESTING = 4,  // son lists read inside one another: four generations of children below a description
        PATH_BYTES = 256,       // "vfx\" + file name, terminator included
    };
    enum GCMode
    {
        GC_DESTROY = 0,
        GC_MOVE_TO_GARBAGE = 1,
        GC_KEEP = 2
    };

    NOD_Node();
    NOD_Node(const NOD_Node&) = delete;
    NOD_Node& operator=(const NOD_Node&) = delete;
    // Detaches the node from its father, deletes its sons, clears the root when it is the root.
    ~NOD_Node() override;

    // A copy of the node; the base logs that it cannot deep-clone and returns null.
    virtual NOD_Node* Clone();
    // (context section, data section): the base only logs the call.
    virtual void ParseIniFile_CtxDes(DES_Section& _context, DES_Section& _data);
    // (context section, file name): opens "vfx\" + file name, calls ParseIniFile_CtxDes.
    virtual void ParseIniFile_CtxFile(DES_Section& _context, const char* _fileName);
    // (data section): configurable classes read their keys here; the base only logs the call.
    virtual void ParseIniFile_Des(DES_Section& _data);
    // (file name): opens "vfx\" + file name, calls ParseIniFile_Des with its top section.
    virtual void ParseIniFile_File(const char* _fileName);
    // Runs the sons in order, re-reading the son count before each.
    virtual void HeartBeat();
    // Takes ownership of the message; returns the reply (owned by the caller) or null. The
    // base handles the node family and logs every other id as lost.
    virtual NOD_Message* ProcessMessage(NOD_Message* _message);
    // Binds the node to a thread of a script node (a NOD_Script); null unbinds.
    virtual void BindThread(NOD_Node* _scriptNode, s32 _threadId);
    virtual bool IsThreadBound() const;
    // Hands an event to the bound script thread (queued: at its next HeartBeat; else at once)
    // and returns that delivery's result; unbound, the event is deleted and null returned.
    virtual NOD_Message* SendToThread(NOD_Message* _message, u32 _queued);
    // What collection does with the node: GC_DESTROY, GC_MOVE_TO_GARBAGE or GC_KEEP.
    virtual s32 GetGCMode();
    // The node's replicator: made on first use by CreateReplicator, bound to the node once and
    // owned by the node from then on.
    virtual NOD_Replicator* GetReplicator();
    // Called by collection before a node still in the simulation is destroyed.
    virtual void Explode();
    // A new replicator for the node, not yet bound; the node's gives a plain NOD_Replicator.
    virtual NOD_Replicator* CreateReplicator();

    // The delivery of a thread event inside a script node. The script module installs it at
    // registration; SendToThread calls it with the bound script node and the thread id.
    // Answers the delivery it replaces.
    typedef NOD_Message* (*ThreadDelivery)(NOD_Node* _scriptNode, NOD_Message* _event, u32 _queued, s32 _threadId);
    static ThreadDelivery SetThreadDelivery(ThreadDelivery _delivery);

    static void SetRoot(NOD_Node* _root);
    static NOD_Node* GetRoot();
    // A new unattached node of the class (looked up without regard to case) named _nodeName;
    // null when the class is unknown or is not a node class. A name of 15 characters or more
    // is fatal, as for SIM_Name.
    static NOD_Node* CreateNode(const char* _className, const char* _nodeName);
    // Opens the description file _path into _file; a file that is missing or does not parse is
    // fatal with _caption and the path (the opener's own report stays in the log).
    static void OpenDescription(DES_File& _file, DES_Section* _top, const char* _path, const char* _caption);
    // Queues a node for collection (fatal "gc overflow" when 1024 are queued; a node already
    // queued stays queued once).
    static void GC_AddNode(NOD_Node* _node);
    // Collects the queued nodes, the last queued first, including those queued meanwhile.
    static void GC_Collect();
    static s32 GC_GetCount();

    // Path lookup from this node (absolute paths from the root); null when nothing matches.
    NOD_Node* Find(const SIM_Path& _path);
    // As Find, but a name selects the first son whose name begins with it.
    NOD_Node* FindPrefix(const SIM_Path& _path);
    // The absolute path. A node more than four levels below the root, or not under the root,
    // logs a line and answers the empty relative path.
    SIM_Path GetPath() const;
    // The son at the index; outside 0..count-1 logs a line and answers null.
    NOD_Node* GetSon(s32 _index) const;
    u16 GetNumOfSons() const { return m_sonCount; }
    u16 GetSonCapacity() const { return m_sonCapacity; }
    // Attaches a son at the end (moving it from its old father); null for a null son and for
    // the node itself or one of its ancestors, which would make a cycle (logged).
    NOD_Node* AddSon(NOD_Node* _son);
    // Detaches a son of this node; a son of another father is returned unchanged.
    NOD_Node* SubSon(NOD_Node* _son);
    // Creates, attaches and configures the children that the section's "Child<n>" subsections
    // list (at most 32, up to the first missing index). Children whose own descriptions list
    // children again are read down to MAX_CHILD_NESTING lists, one inside the other; a deeper
    // one (a description among its own children) is fatal.
    void LoadSons(const DES_Section& _section);

    NOD_Node* GetFather() const { return m_father; }
    const SIM_Name& GetName() const { return m_name; }
    void SetName(const char* _name) { m_name = _name; }  // fatal when too long
    u32 GetFlags() const { return m_flags; }
    void SetFlags(u32 _flags) { m_flags = _flags; }
    bool IsInSimulation() const { return (m_flags & FLAG_IN_SIMULATION) != 0; }
    // The bound script node (null when unbound or when the script node died) and thread id.
    NOD_Node* GetScriptNode() const { return (NOD_Node*)m_script.Get(); }
    s32 GetThreadId() const { return m_threadId; }
    s32 GetLoadRecord() const { return m_loadRecord; }
    u32 GetHandle() const { return m_handle; }
    // The replicator made so far, or null; never makes one.
    NOD_Replicator* PeekReplicator() const { return m_replicator; }

protected:
    // Deletes the replicator, which leaves its space and observers. A class whose members
    // are the replicator's properties calls it first in its destructor, so the departure never
    // reaches a member that already died.
    void ReleaseReplicator();

    u32 m_flags = 0;
    s32 m_loadRecord = -1;
    SIM_Name m_name;

private:
    NOD_Node* Walk(const SIM_Path& _path, u32 _prefix);
    u32 IsSelfOrAncestorOf(const NOD_Node* _node) const;
    u32 RemoveSonAt(u32 _index);
    static void GC_Rekursion(NOD_Node* _node);
    // What the node's collection mode asks for, once its sons are done.
    static void GC_Finish(NOD_Node* _node);

    NOD_Node* m_father = nullptr;
    RTI_Pointer m_script;
    s32 m_threadId = -1;
    NOD_Node** m_sons = nullptr;
    u16 m_sonCapacity = 0;
    u16 m_sonCount = 0;
    u32 m_handle = 0;
    NOD_Replicator* m_replicator = nullptr;
    u32 m_gcPass = 0;                  // the sons-first pass that last took this node
    NOD_Node* m_nextDoomed = nullptr;  // below it on the stack of nodes waiting to be deleted
};

// The registration functions of this module: "NOD_Node" with base "RTI_Class".
void NOD_RegisterNodeClasses();
void NOD_UnregisterNodeClasses();
