#include <cfloat>
#include <cmath>
#include <string>
#include <vector>

#include "brisel_cache.h"
#include "brisel_mesh.h"
#include "con_cache.h"
#include "display_fixture.h"
#include "os_string.h"
#include "reb_mesh.h"
#include "shrapnel_fixture.h"
#include "test_dir.h"
#include "tools_ash.h"
#include "tools_mesh.h"
#include "tools_patch.h"
#include "vec_mesh.h"

namespace
{

// Integer parts of the keys: 2, 9, 5, 9, 8. Pieces 1 and 3 differ only below the point
// (9.25 and 9.81), so the earlier one ranks first.
const std::vector<TST_PieceShape> FIVE = {
    {1.0f, 1.0f, 0.5f}, {3.0f, 0.0f, 0.5f}, {2.0f, 1.0f, 0.5f}, {3.0f, 0.9f, 0.0f}, {2.0f, 2.0f, 0.5f},
};

// Keys 5, 5, 20, 18, 13, 10, 8, 4, 2, 1: the selection sort's swaps carry piece 0 behind
// piece 1, which a stable sort would not.
const std::vector<TST_PieceShape> TEN = {
    {2.0f, 1.0f, 0.5f}, {2.0f, 1.0f, 0.5f}, {4.0f, 2.0f, 0.5f}, {3.0f, 3.0f, 0.5f}, {3.0f, 2.0f, 0.5f},
    {3.0f, 1.0f, 0.5f}, {2.0f, 2.0f, 0.5f}, {2.0f, 0.0f, 0.5f}, {1.0f, 1.0f, 0.5f}, {1.0f, 0.0f, 0.5f},
};

// A visual of the fixture mesh "a.msh" switching at 100.
TOOL_Ash Ash()
{
    TOOL_Ash ash;
    ash.m0 = "a.msh";
    ash.d0 = 100.0f;
    return ash;
}

bool Near(const MAT_Vector3& _a, const MAT_Vector3& _b, f32 _tolerance = 1e-4f)
{
    return std::fabs(_a.x - _b.x) <= _tolerance && std::fabs(_a.y - _b.y) <= _tolerance &&
           std::fabs(_a.z - _b.z) <= _tolerance;
}

std::string Text(const MAT_Vector3& _v)
{
    return "(" + std::to_string(_v.x) + ", " + std::to_string(_v.y) + ", " + std::to_string(_v.z) + ")";
}

class BriselMeshTest : public DisplayTest
{
protected:
    void SetUp() override
    {
        SITO_DISPLAY = Open();
        m_cache = new Brisel_Cache();
        Brisel_TheCache = m_cache;
        WriteMesh("a.msh", TOOL_MeshGrid(1, 1, 1));
        WriteMesh("b.msh", TOOL_MeshGrid(2, 1, 1));
        WriteMesh("c.msh", TOOL_MeshGrid(1, 2, 1));
        m_displayBuffers = BufferCount();
    }
    void TearDown() override
    {
        delete m_cache;
        Brisel_TheCache = nullptr;
        EXPECT_EQ(m_displayBuffers, BufferCount()) << "a render mesh outlived the caches";
        SITO_DISPLAY = nullptr;
        DisplayTest::TearDown();
    }

    void WriteMesh(const std::string& _name, const TOOL_Mesh& _mesh)
    {
        m_dir.Write("vfx/msh/" + _name, TOOL_MeshText(_mesh));
    }
    void WriteAsh(const std::string& _name, const TOOL_Ash& _ash)
    {
        m_dir.Write("vfx/ash/" + _name, TOOL_AshText(_ash));
    }

    void WritePieces(const std::vector<TST_PieceShape>& _shapes, const std::string& _mesh, const std::string& _topology,
                     const std::vector<s32>& _cut)
    {
        TST_WritePieces(m_dir, _shapes, _mesh, _topology, _cut);
    }

    Brisel_Mesh* Allocate(const char* _name, s32* _handle = nullptr)
    {
        const s32 handle = m_cache->GetVisualCache()->Allocate(_name, 1);
        if (_handle != nullptr)
            *_handle = handle;
        return m_cache->GetVisualCache()->Get(handle);
    }

    template <class T>
    static s32 HandleNamed(const CON_Cache<T>* _table, const char* _name)
    {
        for (s32 h = 1; h <= _table->GetCapacity(); ++h)
            if (_table->GetName(h) != nullptr && OS_StrICmp(_table->GetName(h), _name) == 0)
                return h;
        return 0;
    }
    REB_Mesh* RenderMesh(const char* _name)
    {
        const CON_Cache<REB_Mesh>* table = m_cache->GetRenderMeshCache();
        return table->Get(HandleNamed(table, _name));
    }
    VEC_Mesh* Geometry(const char* _name)
    {
        const CON_Cache<VEC_Mesh>* table = m_cache->GetMeshCache();
        return table->Get(HandleNamed(table, _name));
    }

    // The vertex positions of a shrapnel mesh as uploaded.
    std::vector<MAT_Vector3> Uploaded(REB_Mesh* _mesh)
    {
        std::vector<MAT_Vector3> positions;
        void* data = nullptr;
        m_display->VertexBuffer_Lock(_mesh->GetVertexBuffer(), 0, &data, 0, _mesh->GetVertexCapacity());
        const DSP_Vertex* vertices = (const DSP_Vertex*)data;
        for (s32 i = 0; i < _mesh->GetVertexCapacity(); ++i)
            positions.push_back({vertices[i].x, vertices[i].y, vertices[i].z});
        m_display->VertexBuffer_Unlock(_mesh->GetVertexBuffer());
        return positions;
    }

    // Which fixture piece a shrapnel mesh is: the pieces sit ten units apart along x.
    static s32 PieceAt(const MAT_Vector3& _offset) { return (s32)std::floor(_offset.x / 10.0f); }

    // Buffers of the device, the display's own among them.
    size_t BufferCount() { return Device().vertexBuffers.size() + Device().indexBuffers.size(); }

    TST_TempDir m_dir;
    Brisel_Cache* m_cache = nullptr;
    size_t m_displayBuffers = 0;
};

}  // namespace

TEST_F(BriselMeshTest, ConstructedEmpty)
{
    Brisel_Mesh visual;
    EXPECT_EQ(FLT_MAX, visual.GetLevel0Distance());
    EXPECT_EQ(FLT_MAX, visual.GetLevel1Distance());
    EXPECT_EQ(0, visual.GetShrapnelCount());
    EXPECT_EQ(nullptr, visual.GetMesh());
    EXPECT_EQ(nullptr, visual.GetCMesh());
    EXPECT_EQ(nullptr, visual.GetMeshByDistance(0.0f));
    EXPECT_EQ(nullptr, visual.GetShrapnelMesh(0));
}

TEST_F(BriselMeshTest, LevelOfDetailByDistance)
{
    TOOL_Ash single = Ash();
    single.m0 = "a.msh";
    single.d0 = 100.0f;
    WriteAsh("single.ash", single);
    TOOL_Ash twoLevels = single;
    twoLevels.m1 = "b.msh";
    twoLevels.d1 = 300.0f;
    WriteAsh("two.ash", twoLevels);

    Brisel_Mesh* one = Allocate("single.ash");
    Brisel_Mesh* two = Allocate("two.ash");
    REB_Mesh* a = RenderMesh("a.msh");
    REB_Mesh* b = RenderMesh("b.msh");
    ASSERT_NE(nullptr, a);
    ASSERT_NE(nullptr, b);
    EXPECT_EQ(10000.0f, two->GetLevel0Distance() * two->GetLevel0Distance());

    struct Case
    {
        Brisel_Mesh* visual;
        f32 distance;
        REB_Mesh* expected;
    };
    const Case cases[] = {
        {one, 0.0f, a},  {one, 99.9f, a},  {one, 100.0f, nullptr}, {one, 1e30f, nullptr},
        {two, 99.9f, a}, {two, 100.0f, b}, {two, 299.9f, b},       {two, 300.0f, b},
        {two, 1e30f, b}, {two, NAN, b},    {one, NAN, nullptr},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.expected, c.visual->GetMeshByDistance(c.distance)) << c.distance;
        EXPECT_EQ(c.expected, c.visual->GetMeshBySquaredDistance(c.distance * c.distance)) << c.distance;
    }
    // Squared distances compare with D0 x D0: 10000 is not below it.
    EXPECT_EQ(a, two->GetMeshBySquaredDistance(9999.99f));
    EXPECT_EQ(b, two->GetMeshBySquaredDistance(10000.0f));
    EXPECT_EQ(nullptr, one->GetMeshBySquaredDistance(10000.0f));
}

TEST_F(BriselMeshTest, GeometryAndCollisionMeshes)
{
    struct Case
    {
        const char* name;
        const char* m1;
        f32 d1;
        const char* cMesh;
        const char* geometry;
    };
    const Case cases[] = {
        {"m0.ash", nullptr, 0.0f, nullptr, "a.msh"},
        {"m1.ash", "b.msh", 300.0f, "c.msh", "b.msh"},
        // The choice looks at D1, not at M1: an endless D1 leaves the geometry with M0.
        {"endless.ash", "b.msh", FLT_MAX, nullptr, "a.msh"},
    };
    for (const Case& c : cases) {
        TOOL_Ash ash = Ash();
        if (c.m1 != nullptr) {
            ash.m1 = c.m1;
            ash.d1 = c.d1;
        }
        if (c.cMesh != nullptr)
            ash.cMesh = c.cMesh;
        WriteAsh(c.name, ash);
        s32 handle = 0;
        Brisel_Mesh* visual = Allocate(c.name, &handle);
        ASSERT_NE(nullptr, visual) << c.name;
        EXPECT_EQ(Geometry(c.geometry), visual->GetMesh()) << c.name;
        EXPECT_NE(nullptr, visual->GetMesh()) << c.name;
        EXPECT_EQ(c.cMesh != nullptr ? Geometry(c.cMesh) : nullptr, visual->GetCMesh()) << c.name;
        // The geometry table holds the geometry and the collision mesh, nothing else.
        EXPECT_EQ(c.cMesh != nullptr ? 2 : 1, m_cache->GetMeshCache()->GetCount()) << c.name;
        m_cache->GetVisualCache()->Release(handle);
        EXPECT_EQ(0, m_cache->GetMeshCache()->GetCount()) << c.name;
        EXPECT_EQ(0, m_cache->GetRenderMeshCache()->GetCount()) << c.name;
    }
}

TEST_F(BriselMeshTest, ShrapnelPiecesKept)
{
    WritePieces(FIVE, "pieces.msh", "five.top", {0, 1, 2, 3, 4});
    WritePieces(TEN, "pieces10.msh", "nine.top", {0, 1, 2, 3, 4, 5, 6, 7, 8});
    WritePieces(TEN, "pieces10.msh", "ten.top", {0, 1, 2, 3, 4, 5, 6, 7, 8, 9});

    struct Case
    {
        const char* topology;
        const char* mesh;
        s32 count;
        std::vector<s32> pieces;  // in the visual's order
    };
    const std::vector<s32> eightLargest = {2, 3, 4, 5, 6, 1, 0, 7};
    const Case cases[] = {
        {"five.top", "pieces.msh", 3, {1, 3, 4}},
        {"five.top", "pieces.msh", 5, {0, 1, 2, 3, 4}},
        {"five.top", "pieces.msh", 9, {0, 1, 2, 3, 4}},
        {"five.top", "pieces.msh", 1, {1}},
        {"five.top", "pieces.msh", 0, {}},
        {"five.top", "pieces.msh", -3, {}},
        // A visual holds eight pieces: larger counts keep the eight largest.
        {"nine.top", "pieces10.msh", 9, eightLargest},
        {"ten.top", "pieces10.msh", 9, eightLargest},
        {"ten.top", "pieces10.msh", 127, eightLargest},
        {"ten.top", "pieces10.msh", 8, eightLargest},
        {"ten.top", "pieces10.msh", 2, {2, 3}},
    };
    for (const Case& c : cases) {
        const std::string label = std::string(c.topology) + " count " + std::to_string(c.count);
        TOOL_Ash ash = Ash();
        ash.shrapnel = TOOL_AshShrapnel{c.mesh, std::string("vfx\\top\\") + c.topology, c.count};
        WriteAsh("shrapnel.ash", ash);
        s32 handle = 0;
        Brisel_Mesh* visual = Allocate("shrapnel.ash", &handle);
        ASSERT_NE(nullptr, visual) << label;
        ASSERT_EQ((s32)c.pieces.size(), visual->GetShrapnelCount()) << label;
        ASSERT_EQ(visual->GetShrapnelCount(), visual->GetRenderMeshCount()) << label;
        for (s32 i = 0; i < visual->GetShrapnelCount(); ++i) {
            EXPECT_NE(nullptr, visual->GetShrapnelMesh(i)) << label;
            EXPECT_EQ(visual->GetShrapnelMesh(i), visual->GetRenderMesh(i)) << label;
            EXPECT_EQ(c.pieces[(size_t)i], PieceAt(visual->GetShrapnelOffset(i))) << label << " piece " << i;
        }
        EXPECT_EQ(nullptr, visual->GetShrapnelMesh(visual->GetShrapnelCount())) << label;
        EXPECT_EQ(nullptr, visual->GetRenderMesh(-1)) << label;
        // The source goes back to its table at once; one buffer pair per piece and per level.
        EXPECT_EQ(0, HandleNamed(m_cache->GetMeshCache(), c.mesh)) << label;
        EXPECT_EQ(m_displayBuffers + 2 * (c.pieces.size() + 1), BufferCount()) << label;
        m_cache->GetVisualCache()->Release(handle);
        EXPECT_EQ(0, m_cache->GetVisualCache()->GetCount()) << label;
        EXPECT_EQ(m_displayBuffers, BufferCount()) << label;
    }
}

TEST_F(BriselMeshTest, ShrapnelRecentred)
{
    WritePieces(FIVE, "pieces.msh", "five.top", {4, 2, 0, 1, 3});
    // A piece whose triangles lie in two parts: its centre is the mean over both.
    TOOL_Mesh twoParts;
    twoParts.vertices = {{0, 0, 0}, {4, 0, 0}, {0, 2, 0}, {10, 10, 2}, {12, 10, 2}, {10, 16, 2}};
    twoParts.triangles.resize(2);
    twoParts.triangles[0].vertex = {0, 1, 2};
    twoParts.triangles[1].vertex = {3, 4, 5};
    twoParts.triangles[1].material = 1;
    twoParts.materials.resize(2);
    WriteMesh("two.msh", twoParts);
    TOOL_Patch joined;
    joined.triangles.resize(2);
    joined.triangles[1].part = 1;
    joined.patches.push_back({0, 2, 0.0f, {}, {}});
    m_dir.Write("vfx/top/joined.top", TOOL_PatchText(joined));

    TOOL_Ash five = Ash();
    five.shrapnel = TOOL_AshShrapnel{"pieces.msh", "vfx\\top\\five.top", 5};
    WriteAsh("five.ash", five);
    TOOL_Ash two = Ash();
    two.shrapnel = TOOL_AshShrapnel{"two.msh", "vfx\\top\\joined.top", 1};
    WriteAsh("two.ash", two);

    Brisel_Mesh* visual = Allocate("five.ash");
    ASSERT_EQ(5, visual->GetShrapnelCount());
    for (s32 i = 0; i < 5; ++i) {
        // All five are kept in the order of the cut.
        const s32 piece = std::vector<s32>{4, 2, 0, 1, 3}[(size_t)i];
        const MAT_Vector3 offset = visual->GetShrapnelOffset(i);
        ASSERT_EQ(piece, PieceAt(offset));
        const TST_PieceShape& shape = FIVE[(size_t)piece];
        MAT_Vector3 corners[3];
        MAT_Vector3 mean;
        for (s32 c = 0; c < 3; ++c) {
            corners[c] = TST_PieceCorner((size_t)piece, shape, c);
            mean = mean + corners[c];
        }
        mean = mean * (1.0f / 3.0f);
        EXPECT_TRUE(Near(mean, offset)) << Text(mean) << " " << Text(offset);

        REB_Mesh* mesh = visual->GetShrapnelMesh(i);
        const std::vector<MAT_Vector3> positions = Uploaded(mesh);
        ASSERT_EQ(3u, positions.size());
        MAT_Vector3 sum;
        for (const MAT_Vector3& p : positions) {
            sum = sum + p;
            bool isCorner = false;
            for (const MAT_Vector3& corner : corners)
                isCorner = isCorner || Near(p + offset, corner);
            EXPECT_TRUE(isCorner) << Text(p) << " + " << Text(offset);
        }
        EXPECT_TRUE(Near(sum, MAT_Vector3())) << Text(sum);
        const MAT_Vector3 boxMin = {corners[0].x, 0.0f, 0.0f};
        const MAT_Vector3 boxMax = {corners[1].x, shape.b, shape.c};
        EXPECT_TRUE(Near(boxMin, mesh->boxMin + offset)) << Text(mesh->boxMin);
        EXPECT_TRUE(Near(boxMax, mesh->boxMax + offset)) << Text(mesh->boxMax);
    }

    Brisel_Mesh* joinedVisual = Allocate("two.ash");
    ASSERT_EQ(1, joinedVisual->GetShrapnelCount());
    const MAT_Vector3 offset = joinedVisual->GetShrapnelOffset(0);
    EXPECT_TRUE(Near({6.0f, 38.0f / 6.0f, 1.0f}, offset)) << Text(offset);
    MAT_Vector3 sum;
    const std::vector<MAT_Vector3> positions = Uploaded(joinedVisual->GetShrapnelMesh(0));
    ASSERT_EQ(6u, positions.size());
    for (const MAT_Vector3& p : positions)
        sum = sum + p;
    EXPECT_TRUE(Near(sum, MAT_Vector3())) << Text(sum);
    // The box of both parts, moved with the vertices.
    EXPECT_TRUE(Near({0.0f, 0.0f, 0.0f}, joinedVisual->GetShrapnelMesh(0)->boxMin + offset));
    EXPECT_TRUE(Near({12.0f, 16.0f, 2.0f}, joinedVisual->GetShrapnelMesh(0)->boxMax + offset));
}

TEST_F(BriselMeshTest, SharedByEveryBodyNamingIt)
{
    TOOL_Ash ash = Ash();
    ash.m1 = "b.msh";
    ash.d1 = 300.0f;
    WriteAsh("body.ash", ash);
    TOOL_Ash other = Ash();
    other.m0 = "A.MSH";
    WriteAsh("other.ash", other);

    s32 first = 0;
    s32 second = 0;
    s32 third = 0;
    Brisel_Mesh* visual = Allocate("Body.ash", &first);
    EXPECT_EQ(visual, Allocate("body.ASH", &second));
    EXPECT_EQ(first, second);
    EXPECT_EQ(2, m_cache->GetVisualCache()->GetReferenceCount(first));
    // One reference per visual, however many bodies share it.
    const CON_Cache<REB_Mesh>* render = m_cache->GetRenderMeshCache();
    EXPECT_EQ(1, render->GetReferenceCount(HandleNamed(render, "a.msh")));
    Brisel_Mesh* another = Allocate("other.ash", &third);
    EXPECT_NE(visual, another);
    EXPECT_EQ(2, render->GetReferenceCount(HandleNamed(render, "a.msh")));
    EXPECT_EQ(RenderMesh("a.msh"), another->GetMeshByDistance(0.0f));
    EXPECT_EQ(RenderMesh("a.msh"), visual->GetMeshByDistance(0.0f));

    // Releasing one body keeps the meshes for the other.
    m_cache->GetVisualCache()->Release(first);
    EXPECT_EQ(visual, m_cache->GetVisualCache()->Get(second));
    EXPECT_EQ(RenderMesh("b.msh"), visual->GetMeshByDistance(150.0f));
    EXPECT_NE(nullptr, visual->GetMesh());
    m_cache->GetVisualCache()->Release(second);
    EXPECT_EQ(nullptr, m_cache->GetVisualCache()->Get(second));
    EXPECT_EQ(nullptr, RenderMesh("b.msh"));
    EXPECT_EQ(1, render->GetReferenceCount(HandleNamed(render, "a.msh")));
    m_cache->GetVisualCache()->Release(third);
    EXPECT_EQ(0, render->GetCount());
    EXPECT_EQ(0, m_cache->GetMeshCache()->GetCount());
}

TEST_F(BriselMeshTest, ReleaseGivesBackOnce)
{
    TOOL_Ash ash = Ash();
    ash.cMesh = "c.msh";
    ash.m1 = "b.msh";
    ash.d1 = 300.0f;
    WriteAsh("body.ash", ash);
    WriteAsh("keeper.ash", ash);
    Brisel_Mesh* keeper = Allocate("keeper.ash");

    Brisel_Mesh visual;
    visual.Load("vfx\\ash\\body.ash");
    const CON_Cache<REB_Mesh>* render = m_cache->GetRenderMeshCache();
    EXPECT_EQ(2, render->GetReferenceCount(HandleNamed(render, "b.msh")));
    visual.Release();
    visual.Release();
    // The second release finds nothing left to give: the keeper's references stand.
    EXPECT_EQ(1, render->GetReferenceCount(HandleNamed(render, "a.msh")));
    EXPECT_EQ(1, render->GetReferenceCount(HandleNamed(render, "b.msh")));
    EXPECT_EQ(2, m_cache->GetMeshCache()->GetCount());
    EXPECT_EQ(nullptr, visual.GetMesh());
    EXPECT_EQ(nullptr, visual.GetMeshByDistance(0.0f));
    EXPECT_NE(nullptr, keeper->GetCMesh());
}

TEST_F(BriselMeshTest, FatalErrorsLeaveTheTablesEmpty)
{
    WritePieces(FIVE, "pieces.msh", "five.top", {0, 1, 2, 3, 4});
    struct Case
    {
        const char* label;
        std::string text;
        const char* caption;
        std::string message;
    };
    TOOL_Ash base = Ash();
    base.m1 = "b.msh";
    base.d1 = 300.0f;
    base.cMesh = "c.msh";
    base.shrapnel = TOOL_AshShrapnel{"pieces.msh", "vfx\\top\\five.top", 3};
    auto with = [&](auto _change) {
        TOOL_Ash ash = base;
        _change(ash);
        return TOOL_AshText(ash);
    };
    const std::string file = "\"vfx\\ash\\x.ash\"";
    // A missing mesh is the table's failure, reported with the full path.
    const char* const MISSING_MESH = "CON_Cache::Allocate() file not found";
    const std::vector<Case> cases = {
        {"no visual", with([](TOOL_Ash& _a) { _a.writeVisual = false; }), "DES FILE ERROR",
         "(Brisel_Mesh::Load): Get [\"Visual\"] in file " + file + " failed"},
        {"no M0", with([](TOOL_Ash& _a) { _a.m0.reset(); }), "DesFile Error", "data \"M0\" not found in file " + file},
        {"no D0", with([](TOOL_Ash& _a) { _a.d0.reset(); }), "DesFile Error", "data \"D0\" not found in file " + file},
        {"M1 without D1", with([](TOOL_Ash& _a) { _a.d1.reset(); }), "DesFile Error",
         "data \"D1\" not found in file " + file},
        {"D0 an integer", "[Visual]\n{\n    M0 = \"a.msh\"\n    D0 = 100\n}\n", "DesFile Error",
         "data \"D0\" in file " + file + " has wrong type"},
        {"no distance", "[Visual]\n{\n    M0 = \"a.msh\"\n    D0 = 340282346638528859811704183484516925440.0\n}\n",
         "Brisel_Mesh::Load() - at least one mesh has to be specified", "vfx\\ash\\x.ash"},
        {"M0 missing", with([](TOOL_Ash& _a) { _a.m0 = "none.msh"; }), MISSING_MESH, "vfx\\msh\\none.msh"},
        {"M1 missing", with([](TOOL_Ash& _a) { _a.m1 = "none.msh"; }), MISSING_MESH, "vfx\\msh\\none.msh"},
        {"CMesh missing", with([](TOOL_Ash& _a) { _a.cMesh = "none.msh"; }), MISSING_MESH, "vfx\\msh\\none.msh"},
        {"count 128", with([](TOOL_Ash& _a) { _a.shrapnel->shrapnelCount = 128; }), "Brisel_Mesh::CreateShrapnels()",
         "shrapnel counter to big"},
        {"no NameTopology", with([](TOOL_Ash& _a) { _a.shrapnel->nameTopology.reset(); }), "DesFile Error",
         "data \"NameTopology\" not found in file " + file},
        {"no ShrapnelCount", with([](TOOL_Ash& _a) { _a.shrapnel->shrapnelCount.reset(); }), "DesFile Error",
         "data \"ShrapnelCount\" not found in file " + file},
        {"topology missing", with([](TOOL_Ash& _a) { _a.shrapnel->nameTopology = "vfx\\top\\none.top"; }),
         "DES_File::Open() file not found", "vfx\\top\\none.top"},
        {"shrapnel mesh missing", with([](TOOL_Ash& _a) { _a.shrapnel->nameMesh = "none.msh"; }), MISSING_MESH,
         "vfx\\msh\\none.msh"},
    };
    for (const Case& c : cases) {
        m_dir.Write("vfx/ash/x.ash", c.text);
        {
            SCOPED_TRACE(c.label);
            EXPECT_FATAL(Allocate("x.ash"), c.caption, c.message.c_str());
        }
        // Every reference the half-loaded visual took went back with it.
        EXPECT_EQ(0, m_cache->GetVisualCache()->GetCount()) << c.label;
        EXPECT_EQ(0, m_cache->GetRenderMeshCache()->GetCount()) << c.label;
        EXPECT_EQ(0, m_cache->GetMeshCache()->GetCount()) << c.label;
        EXPECT_EQ(m_displayBuffers, BufferCount()) << c.label;
    }
    EXPECT_FATAL(Allocate("gone.ash"), "DES_File::Open() file not found", "vfx\\ash\\gone.ash");

    // The count is checked before anything is loaded.
    Brisel_Mesh visual;
    EXPECT_FATAL(visual.CreateShrapnels("vfx\\top\\none.top", "none.msh", 1000), "Brisel_Mesh::CreateShrapnels()",
                 "shrapnel counter to big");
}

TEST_F(BriselMeshTest, NoCacheNoLoad)
{
    Brisel_TheCache = nullptr;
    Brisel_Mesh visual;
    EXPECT_FATAL(visual.Load("vfx\\ash\\x.ash"), "Brisel_Mesh::Load()", "no resource cache");
    Brisel_TheCache = m_cache;
}
