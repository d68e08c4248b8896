// Collision trees: the shared cache, loading and its refusal of broken files, and the two
// segment queries.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "cos_obbs_tree.h"
#include "cos_obbs_treecache.h"
#include "des_file.h"
#include "mem_alloc.h"
#include "os_path.h"
#include "test_dir.h"
#include "tools_obbs.h"

namespace
{
// Two quads facing +y, 4 wide along x and 1 high along z: the far one at y = 5 (triangles 0
// and 1), the near one at y = 2 (triangles 2 and 3). The list holds the near quad first, but
// the root's first child is the far leaf: a query that stops at the first child's hit, or that
// reports list positions instead of triangles, answers differently.
//
// The leaf boxes are turned a quarter about y (their first axis is world z), with extents that
// only fit that way round: a box test that ignores the axes misses the quads at x = 3.5.
TOOL_ObbsTree TwoQuads()
{
    TOOL_ObbsTree tree;
    for (f32 y : {5.0f, 2.0f}) {
        tree.vertices.push_back({0.0f, y, 0.0f});
        tree.vertices.push_back({4.0f, y, 0.0f});
        tree.vertices.push_back({4.0f, y, 1.0f});
        tree.vertices.push_back({0.0f, y, 1.0f});
    }
    tree.triangles = {{0, 1, 2}, {0, 2, 3}, {4, 5, 6}, {4, 6, 7}};
    tree.triangleList = {2, 3, 0, 1};
    tree.maxDescend = 3;

    TOOL_ObbsNode root;
    root.boxCentre = {2.0f, 3.5f, 0.5f};
    root.halfExtents = {2.1f, 1.6f, 0.6f};
    root.sphereCentre = root.boxCentre;
    root.radius = 2.7f;
    root.firstChild = 1;
    root.secondChild = 2;
    tree.nodes.push_back(root);
    for (s32 leaf = 0; leaf < 2; ++leaf) {
        TOOL_ObbsNode node;
        const f32 y = leaf == 0 ? 5.0f : 2.0f;
        node.boxCentre = {2.0f, y, 0.5f};
        node.axes = {{{0.0f, 0.0f, 1.0f}, {0.0f, 1.0f, 0.0f}, {-1.0f, 0.0f, 0.0f}}};
        node.halfExtents = {0.6f, 0.1f, 2.1f};
        node.sphereCentre = node.boxCentre;
        node.radius = 2.2f;
        node.hasRange = true;
        node.first = leaf == 0 ? 2 : 0;
        node.last = node.first + 1;
        tree.nodes.push_back(node);
    }
    return tree;
}

// The same mesh under one leaf root.
TOOL_ObbsTree OneLeaf()
{
    TOOL_ObbsTree tree = TwoQuads();
    tree.nodes.resize(1);
    tree.nodes[0].firstChild = -1;
    tree.nodes[0].secondChild = -1;
    tree.nodes[0].hasRange = true;
    tree.nodes[0].first = 0;
    tree.nodes[0].last = 3;
    return tree;
}

MAT_Segment Segment(MAT_Vector3 _from, MAT_Vector3 _to)
{
    MAT_Segment segment;
    segment.Set(_from, _to);
    return segment;
}

// Bytes the engine's allocator holds for everything but the path resolver's directory
// listings, which grow as the tests write files.
u32 BytesInUse()
{
    OS_ResetPathCache();
    return MEM_GetBytesInUse();
}

MAT_Matrix34 Identity()
{
    MAT_Matrix34 frame;
    frame.r.SetDiagonal(1.0f);
    return frame;
}

class CosObbsTreeTest : public testing::Test
{
protected:
    void SetUp() override { m_cache.SetPath("vfx\\col\\"); }

    void Write(const std::string& _name, const TOOL_ObbsTree& _tree) const
    {
        m_dir.Write("vfx/col/" + _name, TOOL_ObbsText(_tree));
    }
    COS_OBBS_Tree* Load(const std::string& _name, const TOOL_ObbsTree& _tree)
    {
        Write(_name, _tree);
        return m_cache.AllocateTree(_name.c_str());
    }

    TST_TempDir m_dir;
    COS_OBBS_Tree_Cache m_cache;
    COS_CollisionTreeCounters m_counters;
};

// --- the cache ------------------------------------------------------------------------------

TEST_F(CosObbsTreeTest, SetPathKeepsDriveAndDirectoryOnly)
{
    struct Case
    {
        const char* path;
        const char* drive;
        const char* directory;
    };
    const Case cases[] = {
        {"vfx\\col\\", "", "vfx\\col\\"},
        {"c:\\data\\vfx\\col\\", "c:", "\\data\\vfx\\col\\"},
        {"vfx/col/tree.txt", "", "vfx/col/"},
        {"vfx\\col", "", "vfx\\"},
        {"tree", "", ""},
    };
    for (const Case& c : cases) {
        COS_OBBS_Tree_Cache cache;
        cache.SetPath(c.path);
        EXPECT_STREQ(c.drive, cache.GetDrive()) << c.path;
        EXPECT_STREQ(c.directory, cache.GetDirectory()) << c.path;
    }
    // A directory without its final separator gets one when a name is joined to it.
    COS_OBBS_Tree_Cache cache;
    cache.SetPath("c:vfx\\col\\x");
    EXPECT_STREQ("vfx\\col\\", cache.GetDirectory());
    Write("box", TwoQuads());
    EXPECT_NE(nullptr, cache.AllocateTree("box"));
}

TEST_F(CosObbsTreeTest, NamesIgnoreLetterCaseAndAReleasedTreeIsReadAgain)
{
    const u32 before = BytesInUse();
    COS_OBBS_Tree* tree = Load("Hull", TwoQuads());
    EXPECT_EQ(tree, m_cache.AllocateTree("hULL"));
    ASSERT_EQ(1, m_cache.GetEntryCount());
    EXPECT_EQ(2, m_cache.GetEntry(0).referenceCount);
    EXPECT_STREQ("Hull", m_cache.GetEntry(0).name);

    m_cache.ReleaseTree(tree);
    EXPECT_EQ(1, m_cache.GetEntryCount());
    EXPECT_EQ(8, tree->mesh->vertexCount);  // still alive with one reference
    m_cache.ReleaseTree(tree);
    EXPECT_EQ(0, m_cache.GetEntryCount());
    EXPECT_EQ(before, BytesInUse());

    // The file changed meanwhile: the next allocation must read it again.
    COS_OBBS_Tree* again = Load("Hull", OneLeaf());
    EXPECT_EQ(1, again->nodeCount);
    m_cache.ReleaseTree(again);
    EXPECT_EQ(before, BytesInUse());
}

TEST_F(CosObbsTreeTest, NamesUpTo32Characters)
{
    const std::string name32(32, 'a');
    COS_OBBS_Tree* tree = Load(name32, TwoQuads());
    ASSERT_NE(nullptr, tree);
    EXPECT_STREQ(name32.c_str(), m_cache.GetEntry(0).name);
    // Too long even though its first 32 characters name a cached tree, and even with a file.
    const std::string name33 = name32 + "a";
    Write(name33, TwoQuads());
    EXPECT_FATAL(m_cache.AllocateTree(name33.c_str()), "COS_OBBS_Tree_Cache::AllocateTree() : name too long",
                 name33.c_str());
    EXPECT_EQ(1, m_cache.GetEntryCount());
    EXPECT_EQ(1, m_cache.GetEntry(0).referenceCount);
}

TEST_F(CosObbsTreeTest, LastReleaseMovesTheLastEntryIntoItsPlace)
{
    COS_OBBS_Tree* a = Load("a", TwoQuads());
    COS_OBBS_Tree* b = Load("b", OneLeaf());
    COS_OBBS_Tree* c = Load("c", TwoQuads());
    m_cache.ReleaseTree(a);
    ASSERT_EQ(2, m_cache.GetEntryCount());
    EXPECT_EQ(c, m_cache.GetEntry(0).tree);
    EXPECT_STREQ("c", m_cache.GetEntry(0).name);
    EXPECT_EQ(b, m_cache.GetEntry(1).tree);
    // Both still found by name and usable.
    EXPECT_EQ(c, m_cache.AllocateTree("C"));
    EXPECT_EQ(2, m_cache.GetEntry(0).referenceCount);
    EXPECT_EQ(b, m_cache.AllocateTree("B"));
    EXPECT_EQ(1, b->nodeCount);
    EXPECT_EQ(3, c->nodeCount);
}

TEST_F(CosObbsTreeTest, ForeignPointersAndNull)
{
    COS_OBBS_Tree* tree = Load("a", TwoQuads());
    COS_OBBS_Tree foreign;
    m_cache.ReleaseTree(nullptr);
    m_cache.AddRef(&foreign);
    EXPECT_EQ(1, m_cache.GetEntry(0).referenceCount);
    EXPECT_FATAL(m_cache.ReleaseTree(&foreign), "tree does not exist", "COS_OBBS_Tree_Cache::ReleaseTree");
    m_cache.AddRef(tree);
    EXPECT_EQ(2, m_cache.GetEntry(0).referenceCount);
    EXPECT_EQ(1, m_cache.GetEntryCount());
}

TEST_F(CosObbsTreeTest, DestructionFreesEveryTreeAndTheCacheHolds512)
{
    const u32 before = BytesInUse();
    {
        COS_OBBS_Tree_Cache cache;
        cache.SetPath("vfx\\col\\");
        Write("t", OneLeaf());
        cache.AllocateTree("t");
        cache.AllocateTree("t");
        for (s32 i = 1; i < 512; ++i) {
            const std::string name = "t" + std::to_string(i);
            m_dir.Write("vfx/col/" + name, m_dir.Read("vfx/col/t"));
            cache.AllocateTree(name.c_str());
        }
        EXPECT_EQ(512, cache.GetEntryCount());
        EXPECT_FATAL(cache.AllocateTree("t512"), "COS_OBBS_Tree_Cache::AllocateTree()", "tree cache overflow");
        EXPECT_NE(nullptr, cache.AllocateTree("T511"));
    }
    EXPECT_EQ(before, BytesInUse());
}

// --- loading ---------------------------------------------------------------------------------

TEST_F(CosObbsTreeTest, LoadReadsMeshAndTree)
{
    const COS_OBBS_Tree* tree = Load("quads", TwoQuads());
    EXPECT_EQ(3, tree->maxDescend);
    ASSERT_EQ(3, tree->nodeCount);
    const COS_CollisionMesh& mesh = *tree->mesh;
    EXPECT_EQ(4, mesh.triangleCount);
    EXPECT_EQ(8, mesh.vertexCount);
    EXPECT_EQ(4, mesh.triangleListCount);
    EXPECT_EQ(2, mesh.triangleList[0]);
    // Planes by the orientation rule: (C - A) x (B - A) points to +y for these corners.
    EXPECT_EQ(MAT_Vector3(0.0f, 1.0f, 0.0f), mesh.triangles[3].normal);
    EXPECT_FLOAT_EQ(-2.0f, mesh.triangles[3].d);
    const MAT_Triangle first = mesh.GetTriangle(0);  // list position 0 names triangle 2
    EXPECT_EQ(MAT_Vector3(0.0f, 2.0f, 0.0f), first.m_a);
    EXPECT_EQ(MAT_Vector3(4.0f, 2.0f, 1.0f), first.m_c);
    EXPECT_EQ(MAT_Vector3(0.0f, 2.0f, 0.0f), mesh.box.m_min);
    EXPECT_EQ(MAT_Vector3(4.0f, 5.0f, 1.0f), mesh.box.m_max);

    const COS_OBBS_TreeNode& root = tree->nodes[0];
    EXPECT_EQ(&tree->nodes[1], root.firstChild);
    EXPECT_EQ(&tree->nodes[2], root.secondChild);
    EXPECT_EQ(nullptr, tree->nodes[1].firstChild);
    EXPECT_EQ(2, tree->nodes[1].first);
    EXPECT_EQ(3, tree->nodes[1].last);
    EXPECT_FLOAT_EQ(0.6f, root.smallestHalfExtent);
    EXPECT_FLOAT_EQ(2.7f * 2.7f, root.sphere.m_radiusSquared);
    EXPECT_FLOAT_EQ(1.0f / 2.7f, root.sphere.m_invRadius);
    EXPECT_EQ(MAT_Vector3(0.0f, 0.0f, 1.0f), tree->nodes[2].axes[0]);
    // The box of the root's sphere (radius 2.7 around (2, 3.5, 0.5)) and its box together.
    EXPECT_FLOAT_EQ(2.0f - 2.7f, tree->box.m_min.x);
    EXPECT_FLOAT_EQ(3.5f + 2.7f, tree->box.m_max.y);
    EXPECT_FLOAT_EQ(0.5f - 2.7f, tree->box.m_min.z);
}

TEST_F(CosObbsTreeTest, AMeshWithoutVerticesHasTheZeroBox)
{
    // Reloading into a mesh that had vertices: nothing of the old box may survive, and no
    // vertex 0 may be read.
    TOOL_ObbsTree empty;
    TOOL_ObbsNode leaf;
    leaf.hasRange = true;
    empty.nodes.push_back(leaf);
    Write("quads", TwoQuads());
    Write("empty", empty);
    COS_CollisionMesh mesh;
    for (const char* name : {"vfx\\col\\quads", "vfx\\col\\empty"}) {
        DES_File file;
        DES_Section root;
        DES_Section section;
        file.Open(&root, name);
        ASSERT_TRUE(root.FindSection(&section, "MeshTreeInterface"));
        EXPECT_EQ(1, mesh.LoadFile(&section));
    }
    EXPECT_EQ(0, mesh.vertexCount);
    EXPECT_EQ(nullptr, mesh.vertices);
    EXPECT_EQ(MAT_Vector3(), mesh.box.m_min);
    EXPECT_EQ(MAT_Vector3(), mesh.box.m_max);
    EXPECT_EQ(1, m_cache.AllocateTree("empty")->nodeCount);
}

struct BrokenFile
{
    const char* what;
    std::function<void(TOOL_ObbsTree&)> change;
    const char* caption;
    const char* message;
    // Applied to the written text when set: what the tree writer cannot express.
    std::function<void(std::string&)> edit = nullptr;
};

TEST_F(CosObbsTreeTest, BrokenFilesStopTheLoadAndLeaveTheCacheAsItWas)
{
    const char* const tree = "COS_OBBS_Tree::LoadFile";
    const char* const des = "DES FILE ERROR";
    const BrokenFile cases[] = {
        {"negative triangle count", [](TOOL_ObbsTree& _t) { _t.numOfII = -4; }, tree,
         "negative NumOfII (-4) in file \"vfx\\col\\broken\""},
        {"negative vertex count", [](TOOL_ObbsTree& _t) { _t.numOfV = -2; }, tree,
         "negative NumOfV (-2) in file \"vfx\\col\\broken\""},
        {"negative list count", [](TOOL_ObbsTree& _t) { _t.numOfT = -5; }, tree,
         "negative NumOfT (-5) in file \"vfx\\col\\broken\""},
        {"negative node count", [](TOOL_ObbsTree& _t) { _t.numOfNodes = -3; }, tree,
         "negative NumOfOBBS_TreeNode (-3) in file \"vfx\\col\\broken\""},
        {"a count no file of this size holds", [](TOOL_ObbsTree& _t) { _t.numOfV = 100000000; }, tree,
         "count NumOfV (100000000) is too large in file \"vfx\\col\\broken\""},
        {"a count above the keys written", [](TOOL_ObbsTree& _t) { _t.numOfII = 5; }, "DesFile Error",
         "data \"IIA4\" not found in file \"vfx\\col\\broken\""},
        {"corner past the vertices", [](TOOL_ObbsTree& _t) { _t.triangles[1][2] = 8; }, tree,
         "triangle 1 has corner 8 outside the 8 vertices in file \"vfx\\col\\broken\""},
        {"negative corner", [](TOOL_ObbsTree& _t) { _t.triangles[3][0] = -1; }, tree,
         "triangle 3 has corner 65535 outside the 8 vertices in file \"vfx\\col\\broken\""},
        {"list entry past the triangles", [](TOOL_ObbsTree& _t) { _t.triangleList[3] = 4; }, tree,
         "T3 names triangle 4 of 4 in file \"vfx\\col\\broken\""},
        {"negative list entry", [](TOOL_ObbsTree& _t) { _t.triangleList[0] = -1; }, tree,
         "T0 names triangle -1 of 4 in file \"vfx\\col\\broken\""},
        {"leaf range past the list", [](TOOL_ObbsTree& _t) { _t.nodes[1].last = 4; }, tree,
         "node 1 range F 2 .. L 4 lies outside the 4 list entries in file \"vfx\\col\\broken\""},
        {"leaf range before the list", [](TOOL_ObbsTree& _t) { _t.nodes[2].first = -1; }, tree,
         "node 2 range F -1 .. L 1 lies outside the 4 list entries in file \"vfx\\col\\broken\""},
        {"first child out of range", [](TOOL_ObbsTree& _t) { _t.nodes[0].firstChild = -2; }, tree,
         "node 0 has child -2 outside the 3 nodes in file \"vfx\\col\\broken\""},
        {"second child out of range", [](TOOL_ObbsTree& _t) { _t.nodes[0].secondChild = 3; }, tree,
         "node 0 has child 3 outside the 3 nodes in file \"vfx\\col\\broken\""},
        {"a node that is a child twice", [](TOOL_ObbsTree& _t) { _t.nodes[0].secondChild = 1; }, tree,
         "node 1 is a child twice (again of node 0) in file \"vfx\\col\\broken\""},
        {"a cycle through the root",
         [](TOOL_ObbsTree& _t) {
             _t.nodes[2].firstChild = 0;
             _t.nodes[2].secondChild = 1;
         },
         tree, "node 2 has the root node 0 as its child in file \"vfx\\col\\broken\""},
        {"a node with neither F nor children", [](TOOL_ObbsTree& _t) { _t.nodes[2].hasRange = false; }, tree,
         "node 2 has neither F nor children in file \"vfx\\col\\broken\""},
        {"a tree without nodes", [](TOOL_ObbsTree& _t) { _t.nodes.clear(); }, tree,
         "a tree without nodes in file \"vfx\\col\\broken\""},
        {"a node section missing", [](TOOL_ObbsTree& _t) { _t.numOfNodes = 4; }, des,
         "(COS_OBBS_Tree::LoadFile): Get [\"TN3\"] in file \"vfx\\col\\broken\" failed"},
        {"NumOfConnect missing", [](TOOL_ObbsTree& _t) { _t.writeNumOfConnect = false; }, des,
         "(COS_OBBS_Tree::LoadFile): Get \"NumOfConnect\" in file \"vfx\\col\\broken\" failed"},
        {"cut inside a section", nullptr, "DES_File::Open() root is NULL", "vfx\\col\\broken",
         [](std::string& _text) { _text.resize(_text.size() / 2); }},
        {"cut after the mesh", nullptr, des,
         "(COS_OBBS_Tree::LoadFile): Get [\"OBBS_Tree\"] in file \"vfx\\col\\broken\" failed",
         [](std::string& _text) { _text.resize(_text.find("[OBBS_Tree]")); }},
        {"F without L", nullptr, "DesFile Error", "data \"L\" not found in file \"vfx\\col\\broken\"",
         [](std::string& _text) { _text.erase(_text.find("        L = "), 13); }},
    };

    COS_OBBS_Tree* kept = Load("kept", TwoQuads());
    for (const BrokenFile& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.change) {
            TOOL_ObbsTree broken = TwoQuads();
            c.change(broken);
            Write("broken", broken);
        } else {
            std::string text = TOOL_ObbsText(TwoQuads());
            c.edit(text);
            m_dir.Write("vfx/col/broken", text);
        }
        const u32 before = BytesInUse();
        EXPECT_FATAL(m_cache.AllocateTree("broken"), c.caption, c.message);
        EXPECT_EQ(before, BytesInUse());
        ASSERT_EQ(1, m_cache.GetEntryCount());
        EXPECT_EQ(kept, m_cache.GetEntry(0).tree);
        EXPECT_EQ(1, m_cache.GetEntry(0).referenceCount);
    }
    // The same name loads once the file is mended.
    Write("broken", TwoQuads());
    EXPECT_EQ(3, m_cache.AllocateTree("broken")->nodeCount);
    EXPECT_EQ(2, m_cache.GetEntryCount());
}

TEST_F(CosObbsTreeTest, FAndLOfAnInnerNodePlayNoPart)
{
    TOOL_ObbsTree file = TwoQuads();
    file.nodes[0].hasRange = true;
    file.nodes[0].first = 7;
    file.nodes[0].last = 90;
    const COS_OBBS_Tree* tree = Load("inner", file);
    s32 triangle = -1;
    MAT_Vector3 point;
    f32 fraction = 0.0f;
    EXPECT_EQ(1, tree->IntersectSegment(Segment({3.5f, 0.0f, 0.5f}, {3.5f, 10.0f, 0.5f}), Identity(), triangle, point,
                                        fraction, m_counters));
    EXPECT_EQ(2, triangle);
}

// --- queries ---------------------------------------------------------------------------------

TEST_F(CosObbsTreeTest, NearestHitAcrossTwoLeaves)
{
    const COS_OBBS_Tree* tree = Load("quads", TwoQuads());
    s32 triangle = -1;
    MAT_Vector3 point;
    f32 fraction = 0.0f;
    ASSERT_EQ(1, tree->IntersectSegment(Segment({3.5f, 0.0f, 0.5f}, {3.5f, 10.0f, 0.5f}), Identity(), triangle, point,
                                        fraction, m_counters));
    EXPECT_EQ(2, triangle);  // the near quad's first triangle, at list position 0
    EXPECT_EQ(MAT_Vector3(3.5f, 2.0f, 0.5f), point);
    EXPECT_FLOAT_EQ(0.2f, fraction);
    EXPECT_EQ(3u, m_counters.nearestHitNodes);
    EXPECT_EQ(4u, m_counters.triangles);
    EXPECT_EQ(0u, m_counters.anyHitNodes);

    // From the other side the far quad is nearest; both faces count.
    ASSERT_EQ(1, tree->IntersectSegment(Segment({0.5f, 10.0f, 0.9f}, {0.5f, 0.0f, 0.9f}), Identity(), triangle, point,
                                        fraction, m_counters));
    EXPECT_EQ(1, triangle);
    EXPECT_FLOAT_EQ(0.5f, fraction);

    // Too short to reach, beside the quads, and in the plane of one: no hit, nothing written.
    triangle = -1;
    EXPECT_EQ(0, tree->IntersectSegment(Segment({3.5f, 0.0f, 0.5f}, {3.5f, 1.9f, 0.5f}), Identity(), triangle, point,
                                        fraction, m_counters));
    EXPECT_EQ(0, tree->IntersectSegment(Segment({4.5f, 0.0f, 0.5f}, {4.5f, 10.0f, 0.5f}), Identity(), triangle, point,
                                        fraction, m_counters));
    EXPECT_EQ(0, tree->IntersectSegment(Segment({-1.0f, 2.0f, 0.5f}, {5.0f, 2.0f, 0.5f}), Identity(), triangle, point,
                                        fraction, m_counters));
    EXPECT_EQ(-1, triangle);
}

TEST_F(CosObbsTreeTest, HitsBehindTheOriginAreIgnored)
{
    const MAT_Segment fromBetween = Segment({3.5f, 3.0f, 0.5f}, {3.5f, 10.0f, 0.5f});
    for (const TOOL_ObbsTree& file : {TwoQuads(), OneLeaf()}) {
        // In the two-leaf tree the near leaf lies behind the origin; in the one-leaf tree the
        // near quad shares the leaf the segment starts in.
        const COS_OBBS_Tree* tree = Load("t" + std::to_string(file.nodes.size()), file);
        s32 triangle = -1;
        MAT_Vector3 point;
        f32 fraction = 0.0f;
        ASSERT_EQ(1, tree->IntersectSegment(fromBetween, Identity(), triangle, point, fraction, m_counters));
        EXPECT_EQ(0, triangle);
        EXPECT_EQ(MAT_Vector3(3.5f, 5.0f, 0.5f), point);
        EXPECT_FLOAT_EQ(2.0f / 7.0f, fraction);
    }
}

TEST_F(CosObbsTreeTest, TestSegmentCountsOnlyFrontToBackCrossings)
{
    const COS_OBBS_Tree* tree = Load("quads", TwoQuads());
    struct Case
    {
        f32 fromY, toY;
        s32 expected;
    };
    const Case cases[] = {
        {10.0f, 0.0f, 1},  // front to back through both
        {3.0f, 0.0f, 1},   // the near quad only, from its front
        {0.0f, 10.0f, 0},  // back to front through both
        {10.0f, 5.0f, 0},  // ends on the far quad
        {5.0f, 3.0f, 0},   // starts on the far quad, stops short of the near one
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.expected,
                  tree->TestSegment(Segment({3.5f, c.fromY, 0.5f}, {3.5f, c.toY, 0.5f}), Identity(), m_counters))
            << c.fromY << " -> " << c.toY;

    // The first child's crossing ends the search: root and far leaf only.
    COS_CollisionTreeCounters counters;
    EXPECT_EQ(1, tree->TestSegment(Segment({3.5f, 10.0f, 0.5f}, {3.5f, 0.0f, 0.5f}), Identity(), counters));
    EXPECT_EQ(2u, counters.anyHitNodes);
    EXPECT_EQ(1u, counters.triangles);
    EXPECT_EQ(0u, counters.nearestHitNodes);
}

TEST_F(CosObbsTreeTest, ARotatedAndMovedTree)
{
    const COS_OBBS_Tree* tree = Load("quads", TwoQuads());
    // Turned a quarter about z and moved: tree point p lies at (10 - p.y, 20 + p.x, p.z), so
    // the near quad stands at world x = 8 and the far one at x = 5, both facing -x.
    MAT_Matrix34 frame;
    frame.SetFromVectors({10.0f, 20.0f, 0.0f}, {0.0f, 1.0f, 0.0f}, {-1.0f, 0.0f, 0.0f}, {0.0f, 0.0f, 1.0f});
    const MAT_Segment inward = Segment({15.0f, 23.5f, 0.5f}, {0.0f, 23.5f, 0.5f});
    s32 triangle = -1;
    MAT_Vector3 point;
    f32 fraction = 0.0f;
    ASSERT_EQ(1, tree->IntersectSegment(inward, frame, triangle, point, fraction, m_counters));
    EXPECT_EQ(2, triangle);
    EXPECT_FLOAT_EQ(8.0f, point.x);
    EXPECT_FLOAT_EQ(23.5f, point.y);
    EXPECT_FLOAT_EQ(7.0f / 15.0f, fraction);
    // Coming from the tree's -y side is coming from the quads' backs.
    EXPECT_EQ(0, tree->TestSegment(inward, frame, m_counters));
    EXPECT_EQ(1, tree->TestSegment(Segment({0.0f, 23.5f, 0.5f}, {15.0f, 23.5f, 0.5f}), frame, m_counters));
    // Where the unmoved tree would be, the moved one is not.
    EXPECT_EQ(0, tree->IntersectSegment(Segment({3.5f, 0.0f, 0.5f}, {3.5f, 10.0f, 0.5f}), frame, triangle, point,
                                        fraction, m_counters));
}

TEST_F(CosObbsTreeTest, TheSphereTree)
{
    const u32 before = BytesInUse();
    {
        COS_OBBS_Tree tree;
        tree.SetSphere(10.0f);
        EXPECT_EQ(0, tree.maxDescend);
        ASSERT_EQ(1, tree.nodeCount);
        EXPECT_EQ(nullptr, tree.mesh);
        const COS_OBBS_TreeNode& root = tree.nodes[0];
        EXPECT_EQ(nullptr, root.firstChild);
        EXPECT_GT(root.first, root.last);
        // The sphere is handed on as a MAT_Sphere.
        const MAT_Sphere& sphere = root.sphere;
        EXPECT_EQ(100.0f, sphere.m_radiusSquared);
        EXPECT_EQ(0.1f, sphere.m_invRadius);
        EXPECT_EQ(MAT_Vector3(1.0f, 0.0f, 0.0f), root.axes[0]);
        EXPECT_EQ(MAT_Vector3(-10.0f, -10.0f, -10.0f), tree.box.m_min);
        EXPECT_EQ(MAT_Vector3(10.0f, 10.0f, 10.0f), tree.box.m_max);

        s32 triangle = -1;
        MAT_Vector3 point;
        f32 fraction = 0.0f;
        const MAT_Segment through = Segment({-20.0f, 0.0f, 0.0f}, {20.0f, 0.0f, 0.0f});
        EXPECT_EQ(0, tree.IntersectSegment(through, Identity(), triangle, point, fraction, m_counters));
        EXPECT_EQ(0, tree.TestSegment(through, Identity(), m_counters));
        EXPECT_EQ(0u, m_counters.triangles);
    }
    EXPECT_EQ(before, BytesInUse());
}

TEST_F(CosObbsTreeTest, BuiltTreesFindWhatBruteForceFinds)
{
    // A bumpy 6 x 6 grid of quads under trees of several leaf sizes.
    std::vector<std::array<f32, 3>> vertices;
    std::vector<std::array<s32, 3>> triangles;
    for (s32 y = 0; y <= 6; ++y)
        for (s32 x = 0; x <= 6; ++x)
            vertices.push_back({(f32)x, (f32)y, 0.3f * (f32)((x * 7 + y * 3) % 5)});
    for (s32 y = 0; y < 6; ++y)
        for (s32 x = 0; x < 6; ++x) {
            const s32 a = y * 7 + x;
            triangles.push_back({a, a + 8, a + 1});
            triangles.push_back({a, a + 7, a + 8});
        }
    for (u32 leaf : {1u, 3u, 72u}) {
        SCOPED_TRACE(leaf);
        const TOOL_ObbsTree file = TOOL_ObbsBuild(vertices, triangles, leaf);
        const COS_OBBS_Tree* tree = Load("grid" + std::to_string(leaf), file);
        const COS_CollisionMesh& mesh = *tree->mesh;
        for (s32 i = 0; i < 20; ++i) {
            const MAT_Vector3 from(0.3f * (f32)i, 6.0f - 0.25f * (f32)i, 3.0f);
            const MAT_Vector3 to(6.0f - 0.2f * (f32)i, 0.3f * (f32)i, -1.0f);
            const MAT_Segment segment = Segment(from, to);
            f32 best = segment.m_length;
            s32 expected = -1;
            for (s32 t = 0; t < mesh.triangleCount; ++t) {
                MAT_Triangle triangle;
                triangle.Set(mesh.vertices[mesh.triangles[t].a], mesh.vertices[mesh.triangles[t].b],
                             mesh.vertices[mesh.triangles[t].c]);
                f32 at = 0.0f;
                if (segment.IntersectTriangle(triangle, at) && at >= 0.0f && at < best) {
                    best = at;
                    expected = t;
                }
            }
            s32 triangle = -1;
            MAT_Vector3 point;
            f32 fraction = 0.0f;
            const s32 hit = tree->IntersectSegment(segment, Identity(), triangle, point, fraction, m_counters);
            ASSERT_EQ(expected != -1 ? 1 : 0, hit) << i;
            if (!hit)
                continue;
            // On a shared edge either neighbour may be reported: compare where, not which.
            EXPECT_NEAR(best / segment.m_length, fraction, 1e-5f) << i;
            MAT_Triangle reported;
            reported.Set(mesh.vertices[mesh.triangles[triangle].a], mesh.vertices[mesh.triangles[triangle].b],
                         mesh.vertices[mesh.triangles[triangle].c]);
            f32 at = 0.0f;
            EXPECT_TRUE(segment.IntersectTriangle(reported, at)) << i;
            EXPECT_NEAR(best, at, 1e-4f) << i;
        }
    }
}
}  // namespace
