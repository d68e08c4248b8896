#include <gtest/gtest.h>
#include <pthread.h>

#include <functional>
#include <string>
#include <vector>

#include "des_file.h"
#include "mem_alloc.h"
#include "nod_handle.h"
#include "nod_message.h"
#include "nod_node.h"
#include "os_fatal.h"
#include "rti_class.h"
#include "sim_name.h"
#include "test_dir.h"

namespace
{
std::vector<std::string> s_events;

std::string NameOf(const NOD_Node* _node) { return _node != nullptr ? _node->GetName().GetName() : "-"; }

// A node whose collection mode and reactions are set by the test and whose life is recorded.
class TST_Node : public NOD_Node
{
    RTI_DECLARE_CLASS(TST_Node)

public:
    ~TST_Node() override
    {
        s_events.push_back("delete " + NameOf(this) + " father " + NameOf(GetFather()));
        if (m_onDelete)
            m_onDelete(this);
    }
    s32 GetGCMode() override { return m_gcMode; }
    void Explode() override
    {
        s_events.push_back("explode " + NameOf(this));
        if (m_onExplode)
            m_onExplode(this);
    }
    void HeartBeat() override
    {
        s_events.push_back("beat " + NameOf(this));
        if (m_onBeat)
            m_onBeat(this);
        NOD_Node::HeartBeat();
    }
    NOD_Message* ProcessMessage(NOD_Message* _message) override
    {
        if (_message->GetType() == NOD_Node_LeaveSimulation::ID) {
            s_events.push_back("leave " + NameOf(this));
            if (m_stubborn) {
                delete _message;
                return nullptr;
            }
        }
        return NOD_Node::ProcessMessage(_message);
    }
    void ParseIniFile_CtxDes(DES_Section& _context, DES_Section& _data) override
    {
        s_events.push_back("configure " + NameOf(this) + " in " + _context.GetName());
        NOD_Node::ParseIniFile_CtxDes(_context, _data);
    }
    // A node that carries children lists them beside its own keys.
    void ParseIniFile_Des(DES_Section& _data) override { LoadSons(_data); }

    s32 m_gcMode = GC_DESTROY;
    bool m_stubborn = false;
    std::function<void(TST_Node*)> m_onBeat;
    std::function<void(TST_Node*)> m_onExplode;
    std::function<void(TST_Node*)> m_onDelete;
};
RTI_IMPLEMENT_CLASS(TST_Node, "NOD_Node")

// A registered class that is not a node: creating it by a node's class name must not happen.
s32 s_notANodeCount = 0;
class TST_NotANode : public RTI_Class
{
    RTI_DECLARE_CLASS(TST_NotANode)

public:
    TST_NotANode() { ++s_notANodeCount; }
};
RTI_IMPLEMENT_CLASS(TST_NotANode, "RTI_Class")

// Stands for a script node: the binding only asks the registry whether it is one.
class TST_ScriptNode : public NOD_Node
{
    RTI_DECLARE_CLASS(TST_ScriptNode)
};
RTI_IMPLEMENT_CLASS(TST_ScriptNode, "NOD_Script")

RTI_Class* NoFactory() { return nullptr; }

// Runs the body on a thread with a 256 KiB stack: far too small for a walk that takes a few
// hundred bytes of stack per tree level through thousands of levels, ample for one that does not.
void RunOnSmallStack(const std::function<void()>& _body)
{
    struct Start
    {
        static void* Run(void* _body)
        {
            (*(const std::function<void()>*)_body)();
            return nullptr;
        }
    };
    pthread_attr_t attributes;
    ASSERT_EQ(0, pthread_attr_init(&attributes));
    ASSERT_EQ(0, pthread_attr_setstacksize(&attributes, 256 * 1024));
    pthread_t thread;
    ASSERT_EQ(0, pthread_create(&thread, &attributes, &Start::Run, (void*)&_body));
    pthread_join(thread, nullptr);
    pthread_attr_destroy(&attributes);
}

class NodeTest : public testing::Test
{
protected:
    void SetUp() override
    {
        s_events.clear();
        TST_Node::RegisterClassDefinition();
        TST_NotANode::RegisterClassDefinition();
    }
    void TearDown() override
    {
        NOD_Node::GC_Collect();
        delete NOD_Node::GetRoot();
        EXPECT_EQ(nullptr, NOD_Node::GetRoot());
        TST_NotANode::UnregisterClassDefinition();
        TST_Node::UnregisterClassDefinition();
    }

    static TST_Node* Make(const char* _name, NOD_Node* _father = nullptr, s32 _gcMode = NOD_Node::GC_DESTROY)
    {
        TST_Node* node = (TST_Node*)NOD_Node::CreateNode("tst_node", _name);
        node->m_gcMode = _gcMode;
        if (_father != nullptr)
            _father->AddSon(node);
        return node;
    }
    static TST_Node* MakeRoot()
    {
        TST_Node* root = Make("root");
        NOD_Node::SetRoot(root);
        return root;
    }
    static std::string Sons(const NOD_Node* _node)
    {
        std::string text;
        for (s32 i = 0; i < _node->GetNumOfSons(); ++i)
            text += (i ? " " : "") + NameOf(_node->GetSon(i));
        return text;
    }
    static std::string PathText(const SIM_Path& _path)
    {
        char text[SIM_Path::STRING_BYTES];
        _path.GetString(text, sizeof(text));
        return text;
    }
    std::string Events() const
    {
        std::string text;
        for (const std::string& event : s_events)
            text += event + "; ";
        return text;
    }
    bool Logged(const std::string& _line) const
    {
        return m_dir.Read("log.txt").find(_line + "\n") != std::string::npos;
    }

    TST_TempDir m_dir;
};

TEST_F(NodeTest, FindWalksPathsFromRootOrNode)
{
    TST_Node* root = MakeRoot();
    TST_Node* a = Make("a", root);
    TST_Node* camera = Make("camera", root);
    TST_Node* dup1 = Make("dup", root);
    Make("DUP", root);
    TST_Node* b = Make("b", a);
    TST_Node* c = Make("c", b);
    TST_Node* d = Make("d", c);
    Make("e", d);

    struct Case
    {
        NOD_Node* from;
        const char* path;
        u32 prefix;
        NOD_Node* expected;
    };
    const Case cases[] = {
        {a, "/", 0, root},
        {root, "", 0, nullptr},  // relative without names: not the node itself
        {a, ".", 0, a},
        {root, "..", 0, nullptr},
        {a, "..", 0, root},
        {root, "/a/b", 0, b},
        {c, "/A/B", 0, b},  // case does not matter
        {root, "a/b", 0, b},
        {a, "b/../b", 0, b},
        {root, "/a//b", 0, b},  // an empty name stays
        {root, "/a/./b", 0, b},
        {root, "/a/x", 0, nullptr},
        {root, "/x/b", 0, nullptr},  // fails at the first missing name
        {root, "/../a", 0, nullptr},
        {b, "../../camera", 0, camera},
        {root, "/a/b/c/d", 0, d},
        {root, "/a/b/c/d/e", 0, d},  // a path holds four names: the fifth is dropped
        {root, "dup", 0, dup1},      // the earlier of two equal names
        {root, "cam", 0, nullptr},
        {root, "cam", 1, camera},
        {root, "/A/b/C", 1, c},
        {root, "/x", 1, nullptr},
        {root, "d", 1, dup1},
    };
    for (const Case& test : cases) {
        const SIM_Path path(test.path);
        NOD_Node* found = test.prefix ? test.from->FindPrefix(path) : test.from->Find(path);
        EXPECT_EQ(test.expected, found) << NameOf(test.from) << " " << test.path << " prefix " << test.prefix;
    }

    NOD_Node* loose = NOD_Node::CreateNode("nod_node", "loose");
    EXPECT_EQ(b, loose->Find(SIM_Path("/a/b")));  // absolute paths start at the root from anywhere
    NOD_Node::SetRoot(nullptr);
    EXPECT_EQ(nullptr, a->Find(SIM_Path("/")));
    EXPECT_EQ(nullptr, a->Find(SIM_Path("/a")));
    EXPECT_EQ(b, a->Find(SIM_Path("b")));
    NOD_Node::SetRoot(root);
    delete loose;
}

TEST_F(NodeTest, GetPathNamesTheNodeFromTheRootUpToFourLevels)
{
    TST_Node* root = MakeRoot();
    TST_Node* a = Make("a", root);
    TST_Node* d = Make("d", Make("c", Make("b", a)));
    TST_Node* e = Make("e", d);

    EXPECT_EQ("/", PathText(root->GetPath()));
    EXPECT_TRUE(root->GetPath().IsAbsolute());
    EXPECT_EQ("/a", PathText(a->GetPath()));
    EXPECT_EQ("/a/b/c/d", PathText(d->GetPath()));
    EXPECT_EQ(d, root->Find(d->GetPath()));

    const SIM_Path deep = e->GetPath();
    EXPECT_EQ(0u, deep.GetDepth());
    EXPECT_EQ(0u, deep.IsAbsolute());
    EXPECT_TRUE(Logged("NOD_Node::GetPath() : node \"e\" is more than 4 levels below the root"));

    NOD_Node* loose = Make("loose");
    EXPECT_EQ("", PathText(loose->GetPath()));
    EXPECT_TRUE(Logged("NOD_Node::GetPath() : node \"loose\" is not under the root"));
    delete loose;
}

TEST_F(NodeTest, SonsKeepAttachOrderAndGrowByFour)
{
    TST_Node* father = Make("father");
    TST_Node* other = Make("other");
    TST_Node* s[5];
    const char* names[5] = {"s0", "s1", "s2", "s3", "s4"};
    for (s32 i = 0; i < 5; ++i) {
        s[i] = Make(names[i]);
        EXPECT_EQ(s[i], father->AddSon(s[i]));
        EXPECT_EQ(father, s[i]->GetFather());
        EXPECT_EQ(i < 4 ? 4 : 8, father->GetSonCapacity()) << i;
    }
    EXPECT_EQ("s0 s1 s2 s3 s4", Sons(father));

    father->AddSon(s[1]);  // already a son: moves to the end
    EXPECT_EQ("s0 s2 s3 s4 s1", Sons(father));
    other->AddSon(s[2]);  // leaves the old father, the others keep their order
    EXPECT_EQ("s0 s3 s4 s1", Sons(father));
    EXPECT_EQ("s2", Sons(other));
    EXPECT_EQ(other, s[2]->GetFather());

    EXPECT_EQ(s[2], father->SubSon(s[2]));  // a son of another father: nothing happens
    EXPECT_EQ(other, s[2]->GetFather());
    EXPECT_EQ("s0 s3 s4 s1", Sons(father));
    EXPECT_EQ(s[0], father->SubSon(s[0]));
    EXPECT_EQ(nullptr, s[0]->GetFather());
    EXPECT_EQ("s3 s4 s1", Sons(father));
    EXPECT_EQ(nullptr, father->SubSon(nullptr));
    EXPECT_EQ(nullptr, father->AddSon(nullptr));
    EXPECT_EQ(3, father->GetNumOfSons());
    EXPECT_EQ(8, father->GetSonCapacity());  // never shrinks

    EXPECT_EQ(nullptr, father->GetSon(3));
    EXPECT_EQ(nullptr, father->GetSon(-1));
    EXPECT_TRUE(Logged("NOD_Node::GetSon() : node \"father\" has no son 3"));
    EXPECT_TRUE(Logged("NOD_Node::GetSon() : node \"father\" has no son -1"));

    delete s[0];
    delete father;
    delete other;
}

TEST_F(NodeTest, AddSonRefusesTheNodeItselfAndItsAncestors)
{
    TST_Node* root = MakeRoot();
    TST_Node* a = Make("a", root);
    TST_Node* b = Make("b", a);
    Make("x", root);

    EXPECT_EQ(nullptr, a->AddSon(a));
    EXPECT_EQ(nullptr, b->AddSon(root));
    EXPECT_EQ(nullptr, b->AddSon(a));
    EXPECT_EQ(root, a->GetFather());
    EXPECT_EQ(a, b->GetFather());
    EXPECT_EQ(nullptr, root->GetFather());
    EXPECT_EQ("a x", Sons(root));
    EXPECT_EQ("b", Sons(a));
    EXPECT_TRUE(Logged("NOD_Node::AddSon() : node \"a\" cannot become a son of \"a\", it would contain itself"));
    EXPECT_TRUE(Logged("NOD_Node::AddSon() : node \"root\" cannot become a son of \"b\", it would contain itself"));
    EXPECT_TRUE(Logged("NOD_Node::AddSon() : node \"a\" cannot become a son of \"b\", it would contain itself"));

    EXPECT_EQ(a, root->AddSon(a));  // a descendant may still move up
    EXPECT_EQ(b, root->AddSon(b));
    EXPECT_EQ("x a b", Sons(root));
}

TEST_F(NodeTest, DeletionDetachesFromFatherAndDeletesSonsWithoutFather)
{
    TST_Node* root = MakeRoot();
    TST_Node* a = Make("a", root);
    TST_Node* b = Make("b", root);
    Make("c", root);
    Make("b1", b);
    Make("b2", b);
    const u32 handleB = NOD_GetHandle(b);
    const u32 handleA = NOD_GetHandle(a);

    delete b;
    EXPECT_EQ("a c", Sons(root));
    // Sons are deleted in order after their father let go of them.
    EXPECT_EQ("delete b father root; delete b1 father -; delete b2 father -; ", Events());
    EXPECT_EQ(nullptr, NOD_FromHandle(handleB));
    EXPECT_EQ(a, NOD_FromHandle(handleA));

    s_events.clear();
    delete root;
    EXPECT_EQ(nullptr, NOD_Node::GetRoot());
    EXPECT_EQ("delete root father -; delete a father -; delete c father -; ", Events());
    EXPECT_EQ(nullptr, NOD_FromHandle(handleA));
}

TEST_F(NodeTest, CreateNodeMakesRegisteredNodeClassesOnly)
{
    NOD_Node* node = NOD_Node::CreateNode("NOD_NODE", "plain");
    ASSERT_NE(nullptr, node);
    EXPECT_EQ(NOD_Node::GetStaticClassDefinition(), node->GetClassDefinition());
    EXPECT_STREQ("plain", node->GetName().GetName());
    EXPECT_EQ(nullptr, node->GetFather());
    EXPECT_FALSE(node->IsInSimulation());
    EXPECT_EQ(0, node->GetNumOfSons());
    EXPECT_EQ(-1, node->GetThreadId());
    EXPECT_EQ(-1, node->GetLoadRecord());
    delete node;

    node = NOD_Node::CreateNode("tst_node", nullptr);
    ASSERT_NE(nullptr, node);
    EXPECT_EQ(TST_Node::GetStaticClassDefinition(), node->GetClassDefinition());
    EXPECT_STREQ("", node->GetName().GetName());
    delete node;

    EXPECT_EQ(nullptr, NOD_Node::CreateNode("nod_nothing", "x"));
    EXPECT_EQ(nullptr, NOD_Node::CreateNode(nullptr, "x"));
    EXPECT_EQ(nullptr, NOD_Node::CreateNode("tst_notanode", "x"));
    EXPECT_EQ(nullptr, NOD_Node::CreateNode("sim_name", "x"));
    ASSERT_NE(nullptr, TST_NotANode::GetStaticClassDefinition());
    EXPECT_EQ(0, s_notANodeCount);  // the foreign factory never ran

    const u32 inUse = MEM_GetBytesInUse();
    EXPECT_FATAL(NOD_Node::CreateNode("nod_node", "fifteen_chars__"), "SIM_Name::oparator=() : name too long",
                 "fifteen_chars__");
    EXPECT_EQ(inUse, MEM_GetBytesInUse());  // nothing left behind
}

TEST_F(NodeTest, HandlesDecodeToNullOnceTheNodeIsGone)
{
    EXPECT_EQ(0u, NOD_GetHandle(nullptr));
    EXPECT_EQ(nullptr, NOD_FromHandle(0));
    EXPECT_EQ(nullptr, NOD_FromHandle(0xFFFFFFFFu));

    NOD_Node* node = Make("old");
    const u32 handle = NOD_GetHandle(node);
    EXPECT_NE(0u, handle);
    EXPECT_EQ(handle, node->GetHandle());
    EXPECT_EQ(node, NOD_FromHandle(handle));
    delete node;
    EXPECT_EQ(nullptr, NOD_FromHandle(handle));

    // Fill nodes until one sits in the old slot: the old handle must not reach it.
    std::vector<NOD_Node*> nodes;
    NOD_Node* heir = nullptr;
    const u32 slotMask = NOD_HANDLE_SLOT_MASK;
    for (s32 i = 0; i < 16000 && heir == nullptr; ++i) {
        NOD_Node* fresh = NOD_Node::CreateNode("nod_node", "fresh");
        nodes.push_back(fresh);
        EXPECT_NE(handle, NOD_GetHandle(fresh));
        if ((NOD_GetHandle(fresh) & slotMask) == (handle & slotMask))
            heir = fresh;
    }
    ASSERT_NE(nullptr, heir);
    EXPECT_EQ(nullptr, NOD_FromHandle(handle));
    EXPECT_EQ(heir, NOD_FromHandle(NOD_GetHandle(heir)));
    for (NOD_Node* fresh : nodes)
        delete fresh;
}

TEST_F(NodeTest, AReusedSlotNeverRevivesAStaleHandle)
{
    // Take every slot on the free list, so that the slot of the next node freed is the only
    // one that comes back (a fresh slot is the first with generation 0).
    std::vector<NOD_Node*> holders;
    NOD_Node* node = nullptr;
    while (node == nullptr || (NOD_GetHandle(node) >> NOD_HANDLE_SLOT_BITS) != 0) {
        node = new NOD_Node();
        holders.push_back(node);
    }
    holders.pop_back();
    const u32 slot = NOD_GetHandle(node) & NOD_HANDLE_SLOT_MASK;

    // The handles of every 4096th life of the slot: with a 12-bit generation each of them
    // named the node living in the slot now.
    std::vector<u32> stale;
    for (u32 generation = 0;; ++generation) {
        const u32 handle = NOD_GetHandle(node);
        ASSERT_EQ(slot, handle & NOD_HANDLE_SLOT_MASK) << generation;
        ASSERT_EQ(generation, handle >> NOD_HANDLE_SLOT_BITS);
        if (generation % 4096 == 0) {
            for (u32 old : stale)
                ASSERT_EQ(nullptr, NOD_FromHandle(old)) << generation;
            stale.push_back(handle);
        }
        if (generation == NOD_HANDLE_LAST_GENERATION)
            break;
        delete node;
        node = new NOD_Node();
    }
    EXPECT_EQ(16u, stale.size());
    const u32 last = NOD_GetHandle(node);
    EXPECT_EQ(node, NOD_FromHandle(last));

    // After its last generation the slot is retired, not started over at generation 0.
    delete node;
    stale.push_back(last);
    for (s32 i = 0; i < 3; ++i) {
        NOD_Node* heir = new NOD_Node();
        EXPECT_NE(slot, NOD_GetHandle(heir) & NOD_HANDLE_SLOT_MASK);
        EXPECT_EQ(heir, NOD_FromHandle(NOD_GetHandle(heir)));
        for (u32 old : stale)
            EXPECT_EQ(nullptr, NOD_FromHandle(old));
        delete heir;
    }
    for (NOD_Node* holder : holders)
        delete holder;
}

TEST_F(NodeTest, TeardownTakesTheSameOrderAtEveryDepth)
{
    // root: a (a1 (a1x), a2), b; "other" (o1) is a tree of its own that a1's destructor deletes.
    const struct
    {
        const char* action;
        bool collect;
        bool nested;
        const char* events;
    } rows[] = {
        {"delete", false, false, "delete a father root; delete a1 father -; delete a1x father -; delete a2 father -; "},
        {"delete, another tree deleted from inside", false, true,
         "delete a father root; delete a1 father -; delete other father -; delete o1 father -; "
         "delete a1x father -; delete a2 father -; "},
        {"collect", true, false, "delete a1x father -; delete a1 father -; delete a2 father -; delete a father -; "},
        {"collect, another tree deleted from inside", true, true,
         "delete a1x father -; delete a1 father -; delete other father -; delete o1 father -; "
         "delete a2 father -; delete a father -; "},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.action);
        TST_Node* root = MakeRoot();
        TST_Node* a = Make("a", root);
        TST_Node* a1 = Make("a1", a);
        Make("a1x", a1);
        Make("a2", a);
        Make("b", root);
        TST_Node* other = Make("other");
        Make("o1", other);
        if (row.nested)
            a1->m_onDelete = [other](TST_Node*) { delete other; };
        s_events.clear();
        if (row.collect) {
            NOD_Node::GC_AddNode(a);
            NOD_Node::GC_Collect();
        } else {
            delete a;
        }
        EXPECT_EQ(row.events, Events());
        EXPECT_EQ("b", Sons(root));
        if (!row.nested)
            delete other;
        delete root;
    }
}

TEST_F(NodeTest, DeepChainsAreDeletedAndCollectedOnASmallStack)
{
    // Close to as deep as the pools allow: each level takes a segment of the 8192 that hold
    // plain nodes and one for its son array.
    const u32 depth = 8000;
    for (const bool collect : {false, true}) {
        SCOPED_TRACE(collect ? "collect" : "delete");
        std::vector<u32> handles;
        NOD_Node* top = nullptr;
        for (u32 i = 0; i < depth; ++i) {
            NOD_Node* node = new NOD_Node();
            if (top != nullptr)
                node->AddSon(top);  // built from the bottom: no ancestor chain to check
            handles.push_back(NOD_GetHandle(node));
            top = node;
        }
        RunOnSmallStack([top, collect] {
            if (collect) {
                NOD_Node::GC_AddNode(top);
                NOD_Node::GC_Collect();
            } else {
                delete top;
            }
        });
        u32 alive = 0;
        for (u32 handle : handles)
            alive += NOD_FromHandle(handle) != nullptr ? 1 : 0;
        EXPECT_EQ(0u, alive);
    }
}

TEST_F(NodeTest, HeartBeatRunsSonsInOrderReReadingTheArray)
{
    TST_Node* root = MakeRoot();
    TST_Node* a = Make("a", root);
    Make("a1", a);
    TST_Node* b = Make("b", root);
    Make("c", root);
    Make("d", root);

    b->m_onBeat = [](TST_Node* _node) { _node->GetFather()->AddSon(Make("late")); };  // runs in this pass
    root->HeartBeat();
    EXPECT_EQ("beat root; beat a; beat a1; beat b; beat c; beat d; beat late; ", Events());

    s_events.clear();
    b->m_onBeat = [](TST_Node* _node) { _node->GetFather()->SubSon(_node); };  // c moves into b's index
    root->HeartBeat();
    EXPECT_EQ("beat root; beat a; beat a1; beat b; beat d; beat late; ", Events());
    delete b;
}

TEST_F(NodeTest, CollectionTakesLastQueuedFirstAndSonsFirst)
{
    TST_Node* root = MakeRoot();
    TST_Node* x = Make("x", root);
    Make("x1", x);
    Make("x2", x);
    TST_Node* y = Make("y", root);
    TST_Node* z = Make("z", root);
    TST_Node* gone = Make("gone", root);

    NOD_Node::GC_AddNode(x);
    NOD_Node::GC_AddNode(y);
    NOD_Node::GC_AddNode(x);  // already queued
    NOD_Node::GC_AddNode(gone);
    NOD_Node::GC_AddNode(z);
    EXPECT_EQ(4, NOD_Node::GC_GetCount());
    delete gone;  // its entry reads null and is skipped
    s_events.clear();

    NOD_Node::GC_Collect();
    EXPECT_EQ(0, NOD_Node::GC_GetCount());
    EXPECT_EQ("delete z father -; delete y father -; delete x1 father -; delete x2 father -; delete x father -; ",
              Events());
    EXPECT_EQ("", Sons(root));
}

TEST_F(NodeTest, CollectionExplodesAndLeavesNodesInSimulation)
{
    TST_Node* root = MakeRoot();
    TST_Node* live = Make("live", root);
    TST_Node* idle = Make("idle", root);
    TST_Node* later = Make("later", root);
    live->SetFlags(NOD_Node::FLAG_IN_SIMULATION);
    live->m_onExplode = [later](TST_Node*) { NOD_Node::GC_AddNode(later); };  // queued while collecting

    NOD_Node::GC_AddNode(idle);
    NOD_Node::GC_AddNode(live);
    NOD_Node::GC_Collect();
    EXPECT_EQ("explode live; leave live; delete live father -; delete later father -; delete idle father -; ",
              Events());

    TST_Node* stubborn = Make("stubborn", root);
    stubborn->SetFlags(NOD_Node::FLAG_IN_SIMULATION);
    stubborn->m_stubborn = true;
    NOD_Node::GC_AddNode(stubborn);
    EXPECT_FATAL(NOD_Node::GC_Collect(), "GC_Rekursion(NOD_Node* _Node)", "Node still in simlation stubborn");
    EXPECT_EQ(root, stubborn->GetFather());
}

TEST_F(NodeTest, CollectionModesMoveKeepOrRefuse)
{
    TST_Node* root = MakeRoot();
    TST_Node* mover = Make("mover", root, NOD_Node::GC_MOVE_TO_GARBAGE);
    EXPECT_FATAL((NOD_Node::GC_AddNode(mover), NOD_Node::GC_Collect()), "NOD_Node::GC_Rekursion()",
                 "garbage node not found");
    EXPECT_EQ(root, mover->GetFather());

    TST_Node* garbage = Make("garbage", root, NOD_Node::GC_KEEP);
    TST_Node* kept = Make("kept", root, NOD_Node::GC_KEEP);
    Make("old", garbage);
    NOD_Node::GC_AddNode(kept);
    NOD_Node::GC_AddNode(mover);
    NOD_Node::GC_Collect();
    EXPECT_EQ("", Events());
    EXPECT_EQ("garbage kept", Sons(root));
    EXPECT_EQ("old mover", Sons(garbage));  // attached last, still alive and beating
    root->HeartBeat();
    EXPECT_EQ("beat root; beat garbage; beat old; beat mover; beat kept; ", Events());

    TST_Node* odd = Make("odd", root, 3);
    NOD_Node::GC_AddNode(odd);
    EXPECT_FATAL(NOD_Node::GC_Collect(), "NOD_Node::GC_Rekursion()", "illegal gc state");
    EXPECT_EQ(root, odd->GetFather());
}

TEST_F(NodeTest, CollectionStepsPastSonsThatStay)
{
    TST_Node* root = MakeRoot();
    TST_Node* garbage = Make("garbage", root, NOD_Node::GC_KEEP);

    // A kept son would otherwise be taken again forever; it dies with its father.
    TST_Node* father = Make("father", root);
    Make("k1", father, NOD_Node::GC_KEEP);
    Make("gone", father);
    Make("k2", father, NOD_Node::GC_KEEP);
    NOD_Node::GC_AddNode(father);
    NOD_Node::GC_Collect();
    EXPECT_EQ("delete gone father -; delete father father -; delete k1 father -; delete k2 father -; ", Events());

    // Sons of "/garbage" that move to "/garbage" go to the end of the array being walked.
    Make("m1", garbage, NOD_Node::GC_MOVE_TO_GARBAGE);
    Make("m2", garbage, NOD_Node::GC_MOVE_TO_GARBAGE);
    NOD_Node::GC_AddNode(garbage);
    NOD_Node::GC_Collect();
    EXPECT_EQ("m1 m2", Sons(garbage));

    // "/garbage" itself in mode 1 cannot become its own son: it stays where it is.
    garbage->m_gcMode = NOD_Node::GC_MOVE_TO_GARBAGE;
    NOD_Node::GC_AddNode(garbage);
    NOD_Node::GC_Collect();
    EXPECT_EQ(root, garbage->GetFather());
    EXPECT_EQ("m1 m2", Sons(garbage));
}

TEST_F(NodeTest, QueueHoldsAtMost1024Nodes)
{
    std::vector<NOD_Node*> nodes;
    for (s32 i = 0; i < NOD_Node::GC_QUEUE_SIZE; ++i) {
        nodes.push_back(Make("q"));
        NOD_Node::GC_AddNode(nodes.back());
    }
    EXPECT_EQ(1024, NOD_Node::GC_GetCount());
    NOD_Node* extra = Make("extra");
    EXPECT_FATAL(NOD_Node::GC_AddNode(extra), "NOD_Node::GC_AddNode()", "gc overflow");
    // The full test comes before the duplicate search.
    EXPECT_FATAL(NOD_Node::GC_AddNode(nodes.front()), "NOD_Node::GC_AddNode()", "gc overflow");
    NOD_Node::GC_Collect();
    EXPECT_EQ(0, NOD_Node::GC_GetCount());
    EXPECT_EQ(1024u, s_events.size());
    delete extra;
}

TEST_F(NodeTest, LostMessagesAreLoggedAndDeleted)
{
    NOD_Node* node = Make("n");
    const NOD_MessagePrototype* prototype = NOD_MessagePrototype::Find(2000);
    ASSERT_NE(nullptr, prototype);
    const u32 inUse = MEM_GetBytesInUse();
    EXPECT_EQ(nullptr, node->ProcessMessage(new NOD_Message(2000)));
    EXPECT_EQ(nullptr, node->ProcessMessage(new NOD_Message(9002)));
    EXPECT_EQ(inUse, MEM_GetBytesInUse());
    EXPECT_TRUE(Logged(std::string("NOD_Node::ProcessMessage() : node \"n\" received lost message of type 2000 [") +
                       prototype->GetName() + "]."));
    EXPECT_TRUE(Logged("NOD_Node::ProcessMessage() : node \"n\" received lost message of type 9002 [?]."));

    EXPECT_EQ(nullptr, node->Clone());
    EXPECT_TRUE(Logged("ERROR: deep clone of node \"n\" called"));
    delete node;
}

NOD_Node* s_deliveredTo = nullptr;
u32 s_deliveredQueued = 0;
s32 s_deliveredThread = 0;
NOD_Message* RecordDelivery(NOD_Node* _script, NOD_Message* _event, u32 _queued, s32 _thread)
{
    s_deliveredTo = _script;
    s_deliveredQueued = _queued;
    s_deliveredThread = _thread;
    return _event;
}

TEST_F(NodeTest, ThreadBindingReachesOnlyLiveScriptNodes)
{
    RTI_ClassDefinition* scriptRecord = nullptr;
    if (RTI_ClassDefinition::Find("NOD_Script") == nullptr)
        scriptRecord = new RTI_ClassDefinition("NOD_Node", "NOD_Script", &NoFactory, 0);
    TST_ScriptNode::RegisterClassDefinition();
    ASSERT_NE(nullptr, TST_ScriptNode::GetStaticClassDefinition()->GetBaseDefinition());
    const NOD_Node::ThreadDelivery previous = NOD_Node::SetThreadDelivery(&RecordDelivery);

    NOD_Node* node = Make("n");
    NOD_Node* plain = Make("plain");
    NOD_Node* script = new TST_ScriptNode();
    EXPECT_FATAL(node->BindThread(plain, 1), "NOD_Node::BindThread()", "node is not a script node");
    EXPECT_FALSE(node->IsThreadBound());

    node->BindThread(script, 7);
    EXPECT_TRUE(node->IsThreadBound());
    EXPECT_EQ(script, node->GetScriptNode());
    NOD_Message* event = new NOD_Message(2000);
    EXPECT_EQ(event, node->SendToThread(event, 1));
    EXPECT_EQ(script, s_deliveredTo);
    EXPECT_EQ(1u, s_deliveredQueued);
    EXPECT_EQ(7, s_deliveredThread);
    delete event;

    delete script;  // the binding lets go by itself
    EXPECT_FALSE(node->IsThreadBound());
    s_deliveredTo = nullptr;
    EXPECT_EQ(nullptr, node->SendToThread(new NOD_Message(2000), 0));
    EXPECT_EQ(nullptr, s_deliveredTo);

    node->BindThread(nullptr, 3);
    EXPECT_EQ(-1, node->GetThreadId());

    delete node;
    delete plain;
    NOD_Node::SetThreadDelivery(previous);
    TST_ScriptNode::UnregisterClassDefinition();
    delete scriptRecord;
}

class LoadSonsTest : public NodeTest
{
protected:
    TST_Node* LoadShip(const std::string& _text)
    {
        m_dir.Write("vfx/ship.des", _text);
        TST_Node* ship = MakeRoot();
        ship->ParseIniFile_File("ship.des");
        return ship;
    }
};

TEST_F(LoadSonsTest, ChildrenAreCreatedAttachedAndConfigured)
{
    m_dir.Write("vfx/lamp.des", "[Lamp] { Power = 3 }\n");
    TST_Node* ship = LoadShip(R"([Child0]
{
    NameCLA = "tst_node"
    NameSON = "gun"
}
[Child1]
{
    NameOSD = "lamp.des"
    NameCLA = "NOD_Node"
    NameSON = "light"
}
[Child3]
{
    NameCLA = "tst_node"
    NameSON = "never"
}
)");
    EXPECT_EQ("gun light", Sons(ship));
    EXPECT_EQ(TST_Node::GetStaticClassDefinition(), ship->GetSon(0)->GetClassDefinition());
    EXPECT_EQ(NOD_Node::GetStaticClassDefinition(), ship->GetSon(1)->GetClassDefinition());
    EXPECT_FALSE(ship->GetSon(0)->IsInSimulation());
    EXPECT_EQ("configure gun in child0; ", Events());
    EXPECT_TRUE(Logged("node \"gun\" received parse ini file(\"vfx\\ship.des\", \"vfx\\ship.des\")"));
    EXPECT_TRUE(Logged("node \"light\" received parse ini file(\"vfx\\ship.des\", \"vfx\\lamp.des\")"));

    NOD_Node* plain = NOD_Node::CreateNode("nod_node", "plain");
    plain->ParseIniFile_File("lamp.des");
    EXPECT_TRUE(Logged("node \"plain\" received parse ini file(\"vfx\\lamp.des\")"));
    delete plain;
}

TEST_F(LoadSonsTest, AtMostThirtyTwoChildren)
{
    std::string text;
    for (s32 i = 0; i <= 32; ++i)
        text += "[Child" + std::to_string(i) + "]\n{\n NameCLA = \"nod_node\"\n NameSON = \"c" + std::to_string(i) +
                "\"\n}\n";
    TST_Node* ship = LoadShip(text);
    EXPECT_EQ(32, ship->GetNumOfSons());
    EXPECT_STREQ("c31", ship->GetSon(31)->GetName().GetName());
    ship->LoadSons(DES_Section());  // a section of no file lists nothing
    EXPECT_EQ(32, ship->GetNumOfSons());
}

// A son whose own description lists sons again.
class TST_Carrier : public TST_Node
{
    RTI_DECLARE_CLASS(TST_Carrier)

public:
    void ParseIniFile_CtxDes(DES_Section& /*_context*/, DES_Section& _data) override { LoadSons(_data); }
};
RTI_IMPLEMENT_CLASS(TST_Carrier, "TST_Node")

TEST_F(LoadSonsTest, ADescriptionAmongItsOwnChildrenIsRefused)
{
    TST_Carrier::RegisterClassDefinition();
    ASSERT_EQ(TST_Node::GetStaticClassDefinition(), TST_Carrier::GetStaticClassDefinition()->GetBaseDefinition());
    auto child = [](const std::string& _file) {
        return "[Child0]\n{\n NameCLA = \"tst_carrier\"\n NameOSD = \"" + _file + "\"\n}\n";
    };
    // Four generations below the ship are read; a fifth list inside them is one too many.
    for (s32 level = 1; level <= 4; ++level)
        m_dir.Write("vfx/level" + std::to_string(level) + ".des",
                    level == 4 ? std::string("[Lamp] { Power = 3 }\n")
                               : child("level" + std::to_string(level + 1) + ".des"));
    m_dir.Write("vfx/level0.des", child("level1.des"));
    for (s32 round = 0; round < 2; ++round) {
        TST_Node* ship = LoadShip(child("level1.des"));
        NOD_Node* deepest = ship;
        for (s32 level = 1; level <= 4; ++level) {
            ASSERT_EQ(1, deepest->GetNumOfSons()) << level;
            deepest = deepest->GetSon(0);
        }
        EXPECT_EQ(0, deepest->GetNumOfSons());
        delete ship;

        EXPECT_FATAL(LoadShip(child("level0.des")), "NOD_Node::LoadSons()",
                     "children nested too deep in des file \"vfx\\level3.des\"");
        delete NOD_Node::GetRoot();
        EXPECT_FATAL(LoadShip(child("ship.des")), "NOD_Node::LoadSons()",
                     "children nested too deep in des file \"vfx\\ship.des\"");
        delete NOD_Node::GetRoot();
        // The second round shows the count of lists being read unwound with each error.
    }
    TST_Carrier::UnregisterClassDefinition();
}

TEST_F(LoadSonsTest, FailuresStopWithTheirTexts)
{
    const char* const notFound = "NOD_Node::ParseIniFile() : file not found or syntax error in des file";
    struct Case
    {
        const char* text;
        const char* caption;
        const char* message;
    };
    const Case cases[] = {
        {"[Child0] { NameSON = \"x\" }", "DES FILE ERROR",
         "(NOD_Node::LoadSons()): Get \"NameCLA\" in file \"vfx\\ship.des\" failed"},
        {"[Child0]\n{\n NameCLA = \"nod_nothing\"\n NameSON = \"x\"\n}\n", "NOD_Node::LoadSons()",
         "unknown class \"nod_nothing\" in des file \"vfx\\ship.des\" for node \"x\""},
        {"[Child0] { NameCLA = \"SIM_Name\" }", "NOD_Node::LoadSons()",
         "unknown class \"SIM_Name\" in des file \"vfx\\ship.des\" for node \"\""},
        {"[Child0]\n{\n NameCLA = \"nod_node\"\n NameSON = \"abcdefghijklmnop\"\n}\n",
         "SIM_Name::oparator=() : name too long", "abcdefghijklmnop"},
        {"[Child0]\n{\n NameCLA = \"nod_node\"\n NameOSD = \"nolamp.des\"\n}\n", notFound, "vfx\\nolamp.des"},
        {"[Child0] { NameCLA = \"nod_node\" ", notFound, "vfx\\ship.des"},
    };
    for (const Case& test : cases) {
        EXPECT_FATAL(LoadShip(test.text), test.caption, test.message);
        delete NOD_Node::GetRoot();
    }

    NOD_Node* node = Make("n");
    EXPECT_FATAL(node->ParseIniFile_File("missing.des"), notFound, "vfx\\missing.des");
    // A name longer than the path buffer is cut in the report, never written past the buffer.
    const std::string longName(300, 'a');
    EXPECT_FATAL(node->ParseIniFile_File(longName.c_str()), notFound, ("vfx\\" + longName.substr(0, 251)).c_str());
    DES_Section none;
    EXPECT_FATAL(node->ParseIniFile_CtxFile(none, longName.c_str()), notFound,
                 ("vfx\\" + longName.substr(0, 251)).c_str());
    delete node;
}
}  // namespace
