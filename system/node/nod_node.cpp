// The node tree: sons, paths, configuration from description files, script binding and the
// deletion queue.
#include "nod_node.h"
#include "nod_creationrecord.h"

#include "des_file.h"
#include "nod_loadrecord.h"
#include "nod_local.h"
#include "nod_message.h"
#include "nod_replicator.h"
#include "os_fatal.h"
#include "os_path.h"
#include "os_string.h"
#include "sim_clock.h"

RTI_IMPLEMENT_CLASS(NOD_Node, "RTI_Class")

void NOD_Node::RegisterStreamCreator()
{
    RTI_SetClassFunction(GetStaticClassDefinition(), &NOD_CreationRecord::CreateFromStream);
}

namespace
{
NOD_Node* s_root = nullptr;
NOD_Node::ThreadDelivery s_threadDelivery = nullptr;

// Deletion of a tree, sons in order, each with all its descendants before the next son (as
// if every node deleted its sons itself). The sons of a deleted node wait on an intrusive
// stack, linked through m_nextDoomed, for the loop of the deletion that started the teardown;
// s_dooming is the node that loop is deleting now. A node deleted by anybody else (a
// destructor of a derived class included) runs a loop of its own above the entries already
// waiting. Linking through the nodes lets a destructor stack any number of sons without
// allocating.
NOD_Node* s_doomed = nullptr;
NOD_Node* s_dooming = nullptr;

// Entries below the count are the queued nodes in queueing order; an entry reads null once
// its node died before collection.
RTI_Pointer s_gcQueue[NOD_Node::GC_QUEUE_SIZE];
s32 s_gcCount = 0;
u32 s_gcPass = 0;

// Son lists being read, one inside the other: a description that names itself among its
// children, directly or through others, would otherwise be read until the stack runs out.
s32 s_loadDepth = 0;
struct LoadDepthGuard
{
    LoadDepthGuard() { ++s_loadDepth; }
    ~LoadDepthGuard() { --s_loadDepth; }
    LoadDepthGuard(const LoadDepthGuard&) = delete;
    LoadDepthGuard& operator=(const LoadDepthGuard&) = delete;
};

// One node of the collection walk: its pass and the index of its next son to look at.
struct GC_Frame
{
    NOD_Node* node;
    u32 pass;
    u32 index;
};

// The frames of one collection walk, as deep as the tree: a few on the machine stack, deeper
// walks in engine memory, given back however the walk ends (a fatal error included).
class GC_Frames
{
public:
    GC_Frames() = default;
    GC_Frames(const GC_Frames&) = delete;
    GC_Frames& operator=(const GC_Frames&) = delete;
    ~GC_Frames()
    {
        if (m_frames != m_local)
            MEM_Free(m_frames);
    }

    u32 IsEmpty() const { return m_count == 0; }
    GC_Frame& Top() { return m_frames[m_count - 1]; }
    void Pop() { --m_count; }
    // Invalidates references to the frames.
    void Push(NOD_Node* _node, u32 _pass)
    {
        if (m_count == m_capacity) {
            const u32 capacity = m_capacity * 2;
            GC_Frame* frames = (GC_Frame*)MEM_AllocOrDie(capacity * (u32)sizeof(GC_Frame), "NOD_Node::GC_Collect()");
            for (u32 i = 0; i < m_count; ++i)
                frames[i] = m_frames[i];
            if (m_frames != m_local)
                MEM_Free(m_frames);
            m_frames = frames;
            m_capacity = capacity;
        }
        m_frames[m_count++] = GC_Frame{_node, _pass, 0};
    }

private:
    enum
    {
        LOCAL_FRAMES = 32
    };
    GC_Frame m_local[LOCAL_FRAMES];
    GC_Frame* m_frames = m_local;
    u32 m_count = 0;
    u32 m_capacity = LOCAL_FRAMES;
};

// 1 when the class is NOD_Node or derives from it, judged from the records alone so that no
// object of a foreign class is ever created as a node.
u32 IsNodeClass(const RTI_ClassDefinition* _definition)
{
    const RTI_ClassDefinition* node = NOD_Node::GetStaticClassDefinition();
    // A chain longer than the registry cannot be real: base names forming a loop stop here.
    const s32 limit = RTI_ClassDefinition::GetCount();
    s32 steps = 0;
    for (const RTI_ClassDefinition* record = _definition; record != nullptr && steps <= limit;
         record = record->GetBaseDefinition(), ++steps) {
        if (record == node)
            return 1;
    }
    return 0;
}

const char* FileNameOf(const DES_Section& _section)
{
    return _section.GetFile() != nullptr ? _section.GetFile()->GetName() : "";
}

// "vfx\" + file name into a path buffer; a name that does not fit cannot be opened.
void MakeVfxPath(char* _path, const char* _fileName)
{
    if (_fileName == nullptr)
        _fileName = "";
    if (OS_SNPrintf(_path, NOD_Node::PATH_BYTES, "vfx\\%s", _fileName) >= (s32)NOD_Node::PATH_BYTES)
        OS_Fatal("NOD_Node::ParseIniFile() : file not found or syntax error in des file", _path);
}

// Opens a node description file under the tree's own failure text.
void OpenVfx(DES_File& _file, DES_Section* _top, const char* _path)
{
    NOD_Node::OpenDescription(_file, _top, _path,
                              "NOD_Node::ParseIniFile() : file not found or syntax error in des file");
}
}  // namespace

void NOD_Node::OpenDescription(DES_File& _file, DES_Section* _top, const char* _path, const char* _caption)
{
    // A file that is not there is refused before opening; for one that cannot be read the
    // opener's report stays in the log.
    char image[PATH_BYTES + 1];
    s64 time = 0;
    if (!OS_GetFileTime(_path, &time) && !(DES_ImageName(_path, image, sizeof(image)) && OS_GetFileTime(image, &time)))
        OS_Fatal(_caption, _path);
    u32 failed = 0;
    try {
        _file.Open(_top, _path);
    } catch (const OS_FatalError&) {
        failed = 1;
    }
    if (failed)
        OS_Fatal(_caption, _path);
}

NOD_Node::NOD_Node() { m_handle = NOD_IssueHandle(this); }

NOD_Node::~NOD_Node()
{
    ReleaseReplicator();
    NOD_ReleaseHandle(m_handle);
    m_handle = 0;
    if (m_father != nullptr) {
        NOD_Node* father = m_father;
        for (u32 i = 0; i < father->m_sonCount; ++i) {
            if (father->m_sons[i] == this) {
                father->RemoveSonAt(i);
                break;
            }
        }
        m_father = nullptr;
    }
    if (s_root == this)
        s_root = nullptr;

    // The sons lose their father first, so that none of them reaches back into this array
    // while it is being torn down.
    NOD_Node** sons = m_sons;
    const u32 count = m_sonCount;
    m_sons = nullptr;
    m_sonCount = 0;
    m_sonCapacity = 0;
    for (u32 i = 0; i < count; ++i)
        sons[i]->m_father = nullptr;

    // Stacked last son first, so that the first son is deleted first.
    const u32 inLoop = s_dooming == this;
    NOD_Node* const below = s_doomed;
    for (u32 i = count; i-- > 0;) {
        sons[i]->m_nextDoomed = s_doomed;
        s_doomed = sons[i];
    }
    MEM_Free(sons);
    if (inLoop) {
        s_dooming = nullptr;
        return;
    }

    NOD_Node* const outer = s_dooming;
    while (s_doomed != below) {
        NOD_Node* next = s_doomed;
        s_doomed = next->m_nextDoomed;
        next->m_nextDoomed = nullptr;
        s_dooming = next;
        delete next;
    }
    s_dooming = outer;
}

NOD_Node* NOD_Node::Clone()
{
    OS_Log(OS_Format("ERROR: deep clone of node \"%s\" called", m_name.GetName()));
    return nullptr;
}

void NOD_Node::ParseIniFile_CtxDes(DES_Section& _context, DES_Section& _data)
{
    OS_Log(OS_Format("node \"%s\" received parse ini file(\"%s\", \"%s\")", m_name.GetName(), FileNameOf(_context),
                     FileNameOf(_data)));
}

void NOD_Node::ParseIniFile_CtxFile(DES_Section& _context, const char* _fileName)
{
    char path[PATH_BYTES];
    MakeVfxPath(path, _fileName);
    DES_File file;
    DES_Section top;
    OpenVfx(file, &top, path);
    ParseIniFile_CtxDes(_context, top);
    file.Close();
}

void NOD_Node::ParseIniFile_Des(DES_Section& _data)
{
    OS_Log(OS_Format("node \"%s\" received parse ini file(\"%s\")", m_name.GetName(), FileNameOf(_data)));
}

void NOD_Node::ParseIniFile_File(const char* _fileName)
{
    char path[PATH_BYTES];
    MakeVfxPath(path, _fileName);
    DES_File file;
    DES_Section top;
    OpenVfx(file, &top, path);
    // Only while a replication host exists (never in a run) is the load recorded.
    if (RPL_ReplicationHost::GetCurrent() != nullptr)
        m_loadRecord = NOD_LoadRecord::Add(GetClassDefinition(), _fileName, m_name.GetName());
    ParseIniFile_Des(top);
    file.Close();
}

void NOD_Node::HeartBeat()
{
    // Array and count are read again for every son: sons attached during the pass run in it.
    for (u32 i = 0; i < m_sonCount; ++i)
        m_sons[i]->HeartBeat();
}

void NOD_Node::BindThread(NOD_Node* _scriptNode, s32 _threadId)
{
    if (_scriptNode == nullptr) {
        m_script.Set(nullptr);
        m_threadId = -1;
        return;
    }
    if (!_scriptNode->IsKindOf(RTI_ClassDefinition::Find("NOD_Script")))
        OS_Fatal("NOD_Node::BindThread()", "node is not a script node");
    m_script.Set(_scriptNode);
    m_threadId = _threadId;
}

bool NOD_Node::IsThreadBound() const { return m_script.Get() != nullptr; }

NOD_Message* NOD_Node::SendToThread(NOD_Message* _message, u32 _queued)
{
    NOD_Node* script = GetScriptNode();
    if (script != nullptr && s_threadDelivery != nullptr)
        return s_threadDelivery(script, _message, _queued, m_threadId);
    delete _message;
    return nullptr;
}

s32 NOD_Node::GetGCMode() { return GC_DESTROY; }

void NOD_Node::Explode() {}

NOD_Replicator* NOD_Node::GetReplicator()
{
    if (m_replicator == nullptr) {
        m_replicator = CreateReplicator();
        if (m_replicator != nullptr)
            m_replicator->BindNode(this);
    }
    return m_replicator;
}

NOD_Replicator* NOD_Node::CreateReplicator() { return new NOD_Replicator(); }

void NOD_Node::ReleaseReplicator()
{
    NOD_Replicator* replicator = m_replicator;
    m_replicator = nullptr;
    delete replicator;
}

NOD_Node::ThreadDelivery NOD_Node::SetThreadDelivery(ThreadDelivery _delivery)
{
    const ThreadDelivery previous = s_threadDelivery;
    s_threadDelivery = _delivery;
    return previous;
}

void NOD_Node::SetRoot(NOD_Node* _root) { s_root = _root; }

NOD_Node* NOD_Node::GetRoot() { return s_root; }

NOD_Node* NOD_Node::CreateNode(const char* _className, const char* _nodeName)
{
    if (_className == nullptr)
        return nullptr;
    const RTI_ClassDefinition* definition = RTI_ClassDefinition::Find(_className);
    if (definition == nullptr || !IsNodeClass(definition))
        return nullptr;
    // The name is checked before the node exists, so a fatal name leaves nothing behind.
    SIM_Name name;
    name = _nodeName;
    NOD_Node* node = (NOD_Node*)definition->CreateInstance();
    node->m_name = name;
    return node;
}

void NOD_Node::GC_AddNode(NOD_Node* _node)
{
    if (s_gcCount >= GC_QUEUE_SIZE)
        OS_Fatal("NOD_Node::GC_AddNode()", "gc overflow");
    if (_node == nullptr)
        return;
    for (s32 i = 0; i < s_gcCount; ++i) {
        if (s_gcQueue[i].Get() == _node)
            return;
    }
    s_gcQueue[s_gcCount].Set(_node);
    ++s_gcCount;
}

void NOD_Node::GC_Collect()
{
    // The count is read again after every collection: collecting one node may queue others.
    while (s_gcCount != 0) {
        --s_gcCount;
        NOD_Node* node = (NOD_Node*)s_gcQueue[s_gcCount].Get();
        s_gcQueue[s_gcCount].Set(nullptr);
        if (node != nullptr)
            GC_Rekursion(node);
    }
}

s32 NOD_Node::GC_GetCount() { return s_gcCount; }

void NOD_Node::GC_Rekursion(NOD_Node* _node)
{
    // Sons first, always the first son not yet taken by the node's own pass: a son that stays
    // (kept, refused by its new father, or moved to the end of this very array) is stepped
    // past instead of being taken again forever. Every node taken opens a frame with a pass
    // of its own; a frame is done when its node has no son left to take.
    GC_Frames frames;
    frames.Push(_node, ++s_gcPass);
    while (!frames.IsEmpty()) {
        GC_Frame& frame = frames.Top();
        NOD_Node* node = frame.node;
        if (frame.index < node->m_sonCount) {
            NOD_Node* son = node->m_sons[frame.index];
            if (son->m_gcPass == frame.pass) {
                ++frame.index;
                continue;
            }
            son->m_gcPass = frame.pass;
            frames.Push(son, ++s_gcPass);  // frame is invalid from here on
            continue;
        }
        frames.Pop();
        GC_Finish(node);
    }
}

void NOD_Node::GC_Finish(NOD_Node* _node)
{
    switch (_node->GetGCMode()) {
    case GC_DESTROY:
        if (_node->IsInSimulation()) {
            _node->Explode();
            delete _node->ProcessMessage(NOD_Node_LeaveSimulation::Create());
            if (_node->IsInSimulation())
                OS_Fatal("GC_Rekursion(NOD_Node* _Node)",
                         OS_Format("Node still in simlation %s", _node->m_name.GetName()));
        }
        if (_node->m_father != nullptr)
            _node->m_father->SubSon(_node);
        delete _node;
        break;
    case GC_MOVE_TO_GARBAGE: {
        NOD_Node* garbage = s_root != nullptr ? s_root->Find(SIM_Path("/garbage")) : nullptr;
        if (garbage == nullptr)
            OS_Fatal("NOD_Node::GC_Rekursion()", "garbage node not found");
        // AddSon detaches the node from its old father; it refuses "/garbage" itself and its
        // ancestors, which then stay where they are.
        garbage->AddSon(_node);
        break;
    }
    case GC_KEEP:
        break;
    default:
        OS_Fatal("NOD_Node::GC_Rekursion()", "illegal gc state");
    }
}

NOD_Node* NOD_Node::Find(const SIM_Path& _path) { return Walk(_path, 0); }

NOD_Node* NOD_Node::FindPrefix(const SIM_Path& _path) { return Walk(_path, 1); }

NOD_Node* NOD_Node::Walk(const SIM_Path& _path, u32 _prefix)
{
    const u32 depth = _path.GetDepth();
    NOD_Node* node = this;
    if (_path.IsAbsolute())
        node = s_root;
    else if (depth == 0)
        return nullptr;

    for (u32 i = 0; i < depth && node != nullptr; ++i) {
        const SIM_Name& name = _path.GetName((s32)i);
        if (name.GetName()[0] == 0 || name == ".")
            continue;
        if (name == "..") {
            node = node->m_father;
            continue;
        }
        NOD_Node* found = nullptr;
        for (u32 s = 0; s < node->m_sonCount && found == nullptr; ++s) {
            NOD_Node* son = node->m_sons[s];
            if (_prefix ? name.IsPrefixOf(son->m_name) != 0 : name == son->m_name)
                found = son;
        }
        node = found;
    }
    return node;
}

SIM_Path NOD_Node::GetPath() const
{
    SIM_Name* names[SIM_Path::MAX_DEPTH + 1] = {};
    u32 depth = 0;
    const NOD_Node* node = this;
    for (; node != nullptr && node != s_root; node = node->m_father) {
        if (depth == SIM_Path::MAX_DEPTH) {
            OS_Log(OS_Format("NOD_Node::GetPath() : node \"%s\" is more than %d levels below the root",
                             m_name.GetName(), (s32)SIM_Path::MAX_DEPTH));
            return SIM_Path();
        }
        names[depth++] = const_cast<SIM_Name*>(&node->m_name);
    }
    if (node == nullptr) {
        OS_Log(OS_Format("NOD_Node::GetPath() : node \"%s\" is not under the root", m_name.GetName()));
        return SIM_Path();
    }
    // Collected innermost first; the path lists the outermost first.
    for (u32 i = 0; i < depth / 2; ++i) {
        SIM_Name* swap = names[i];
        names[i] = names[depth - 1 - i];
        names[depth - 1 - i] = swap;
    }
    return SIM_Path(names, 1);
}

NOD_Node* NOD_Node::GetSon(s32 _index) const
{
    if (_index < 0 || _index >= (s32)m_sonCount) {
        OS_Log(OS_Format("NOD_Node::GetSon() : node \"%s\" has no son %d", m_name.GetName(), _index));
        return nullptr;
    }
    return m_sons[_index];
}

u32 NOD_Node::IsSelfOrAncestorOf(const NOD_Node* _node) const
{
    for (const NOD_Node* node = _node; node != nullptr; node = node->m_father) {
        if (node == this)
            return 1;
    }
    return 0;
}

NOD_Node* NOD_Node::AddSon(NOD_Node* _son)
{
    if (_son == nullptr)
        return nullptr;
    if (_son->IsSelfOrAncestorOf(this)) {
        OS_Log(OS_Format("NOD_Node::AddSon() : node \"%s\" cannot become a son of \"%s\", it would contain itself",
                         _son->m_name.GetName(), m_name.GetName()));
        return nullptr;
    }
    if (m_sonCount == m_sonCapacity) {
        // A son that only moves to the end needs no new slot.
        if (_son->m_father != this && m_sonCapacity >= MAX_SONS) {
            OS_Log(OS_Format("NOD_Node::AddSon() : node \"%s\" cannot take more than %d sons", m_name.GetName(),
                             (s32)MAX_SONS));
            return nullptr;
        }
        if (m_sonCapacity < MAX_SONS) {
            const u32 capacity = (u32)m_sonCapacity + SON_GROWTH;
            NOD_Node** sons = (NOD_Node**)MEM_AllocOrDie(capacity * (u32)sizeof(NOD_Node*), "NOD_Node::AddSon()");
            for (u32 i = 0; i < m_sonCount; ++i)
                sons[i] = m_sons[i];
            MEM_Free(m_sons);
            m_sons = sons;
            m_sonCapacity = (u16)capacity;
        }
    }
    if (_son->m_father != nullptr)
        _son->m_father->SubSon(_son);
    m_sons[m_sonCount++] = _son;
    _son->m_father = this;
    return _son;
}

u32 NOD_Node::RemoveSonAt(u32 _index)
{
    NOD_Node* son = m_sons[_index];
    for (u32 i = _index + 1; i < m_sonCount; ++i)
        m_sons[i - 1] = m_sons[i];
    --m_sonCount;
    son->m_father = nullptr;
    return 1;
}

NOD_Node* NOD_Node::SubSon(NOD_Node* _son)
{
    if (_son == nullptr || _son->m_father != this)
        return _son;
    for (u32 i = 0; i < m_sonCount; ++i) {
        if (m_sons[i] == _son) {
            RemoveSonAt(i);
            return _son;
        }
    }
    OS_Fatal("NOD_Node::SubSon()", "son not found");
}

void NOD_Node::LoadSons(const DES_Section& _section)
{
    DES_Section section = _section;
    const char* fileName = FileNameOf(_section);
    const LoadDepthGuard depth;
    for (u32 i = 0; i < MAX_CHILDREN; ++i) {
        DES_Section child;
        if (!section.FindSectionIndexed(&child, "Child", i))
            break;
        if (s_loadDepth > MAX_CHILD_NESTING)
            OS_Fatal("NOD_Node::LoadSons()", OS_Format("children nested too deep in des file \"%s\"", fileName));
        char dataFile[PATH_BYTES] = {};
        char className[PATH_BYTES] = {};
        char sonName[PATH_BYTES] = {};
        if (child.HasEntry("NameOSD"))
            child.GetString("NameOSD", dataFile, sizeof(dataFile));
        if (!child.HasEntry("NameCLA"))
            DES_FatalKey("NOD_Node::LoadSons()", "NameCLA", fileName);
        child.GetString("NameCLA", className, sizeof(className));
        if (child.HasEntry("NameSON"))
            child.GetString("NameSON", sonName, sizeof(sonName));

        NOD_Node* node = CreateNode(className, sonName);
        if (node == nullptr)
            OS_Fatal("NOD_Node::LoadSons()", OS_Format("unknown class \"%s\" in des file \"%s\" for node \"%s\"",
                                                       className, fileName, sonName));
        AddSon(node);
        if (dataFile[0] == 0)
            node->ParseIniFile_CtxDes(child, child);
        else
            node->ParseIniFile_CtxFile(child, dataFile);
    }
}

NOD_Message* NOD_Node::ProcessMessage(NOD_Message* _message)
{
    // The node family; handlers that may stop the program let go of the message first.
    switch (_message->GetType()) {
    case NOD_Node_SetName::ID:
        NOD_Node_SetName::Read(_message, &m_name);
        delete _message;
        return nullptr;
    case NOD_Node_ParseIniFile::ID: {
        const auto [fileName] = NOD_Node_ParseIniFile::Read(_message);
        delete _message;
        ParseIniFile_File(fileName.GetName());
        return nullptr;
    }
    case NOD_Node_EnterSimulation::ID:
        m_flags |= FLAG_IN_SIMULATION;
        delete _message;
        return nullptr;
    case NOD_Node_LeaveSimulation::ID:
        m_flags &= ~(u32)FLAG_IN_SIMULATION;
        delete _message;
        return nullptr;
    case NOD_Node_AddSon::ID: {
        const auto [son] = NOD_Node_AddSon::Read(_message);
        delete _message;
        AddSon(son);
        return nullptr;
    }
    case NOD_Node_CreateNode::ID: {
        const auto [className, nodeName] = NOD_Node_CreateNode::Read(_message);
        NOD_Node* node = CreateNode(className.GetName(), nodeName.GetName());
        if (node == nullptr)
            OS_Log(OS_Format("NOD_Node::PM_CreateNode() could not create node of class '%s' and name '%s'",
                             className.GetName(), nodeName.GetName()));
        return NOD_Node_CreateNode::Reply(_message, node);
    }
    case NOD_Node_GetName::ID:
        return NOD_Node_GetName::Reply(_message, m_name);
    case NOD_Node_Find::ID: {
        const auto [path] = NOD_Node_Find::Read(_message);
        return NOD_Node_Find::Reply(_message, Find(path));
    }
    case NOD_Node_GetPath::ID:
        return NOD_Node_GetPath::Reply(_message, GetPath());
    case NOD_Node_GetNumOfSons::ID:
        return NOD_Node_GetNumOfSons::Reply(_message, m_sonCount);
    case NOD_Node_SubSon::ID: {
        // Unlike SubSon, the son is looked for in the array whatever its father says.
        const auto [son] = NOD_Node_SubSon::Read(_message);
        if (son == nullptr)
            return NOD_Node_SubSon::Reply(_message, nullptr);
        for (u32 i = 0; i < m_sonCount; ++i) {
            if (m_sons[i] == son) {
                RemoveSonAt(i);
                return NOD_Node_SubSon::Reply(_message, son);
            }
        }
        delete _message;
        OS_Fatal("NOD_Node::SubSon()", "son not found");
    }
    case NOD_Node_GetSon::ID: {
        const auto [index] = NOD_Node_GetSon::Read(_message);
        return NOD_Node_GetSon::Reply(_message, GetSon(index));
    }
    case NOD_Node_GetSonName::ID: {
        const auto [index] = NOD_Node_GetSonName::Read(_message);
        const NOD_Node* son = GetSon(index);
        return NOD_Node_GetSonName::Reply(_message, son != nullptr ? son->m_name : SIM_Name());
    }
    case NOD_Node_GetTime::ID:
        return NOD_Node_GetTime::Reply(_message, SIM_GetSimulationClock().time);
    default:
        break;
    }

    const u32 id = _message->GetType();
    const NOD_MessagePrototype* prototype = NOD_MessagePrototype::Find(id);
    if (prototype != nullptr)
        OS_Log(OS_Format("NOD_Node::ProcessMessage() : node \"%s\" received lost message of type %d [%s].",
                         m_name.GetName(), (s32)id, prototype->GetName()));
    else
        OS_Log(OS_Format("NOD_Node::ProcessMessage() : node \"%s\" received lost message of type %d [?].",
                         m_name.GetName(), (s32)id));
    delete _message;
    return nullptr;
}

void NOD_RegisterNodeClasses() { NOD_Node::RegisterClassDefinition(); }

void NOD_UnregisterNodeClasses() { NOD_Node::UnregisterClassDefinition(); }
