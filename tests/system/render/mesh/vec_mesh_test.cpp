#include "vec_mesh.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <string>
#include <vector>

#include "cache_order_reference.h"
#include "des_file.h"
#include "test_dir.h"
#include "tools_mesh.h"
#include "vec_mesh_local.h"

namespace
{
TOOL_MeshTriangle Triangle(s32 _a, s32 _b, s32 _c, s32 _material = 0)
{
    TOOL_MeshTriangle triangle;
    triangle.vertex = {_a, _b, _c};
    triangle.material = _material;
    return triangle;
}

TOOL_MeshTriangle TriangleUV(s32 _a, s32 _b, s32 _c, std::array<f32, 6> _uv, s32 _material = 0)
{
    TOOL_MeshTriangle triangle = Triangle(_a, _b, _c, _material);
    triangle.hasUV = true;
    triangle.uv = _uv;
    return triangle;
}

// A unit square in the xy plane as two triangles sharing the diagonal 0-2.
TOOL_Mesh Square()
{
    TOOL_Mesh mesh;
    mesh.vertices = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}};
    mesh.triangles = {Triangle(0, 1, 2), Triangle(0, 2, 3)};
    mesh.materials.resize(1);
    return mesh;
}

// Each material colours its triangles with a red value that names it.
TOOL_MeshMaterial Named(u32 _index)
{
    TOOL_MeshMaterial material;
    material.diffuse = {(f32)_index / 255.0f + 0.001f, 0.0f, 0.0f};
    return material;
}
u32 NameOf(const VEC_MeshPart& _part) { return (_part.material.diffuseColor >> 16) & 0xFF; }

class VecMeshTest : public testing::Test
{
protected:
    VEC_Mesh& Load(const TOOL_Mesh& _mesh)
    {
        EXPECT_EQ(1u, TOOL_WriteMesh("mesh.msh", _mesh));
        EXPECT_EQ(1u, m_mesh.Load("mesh.msh"));
        return m_mesh;
    }

    TST_TempDir m_dir;
    VEC_Mesh m_mesh;
};

// The triangles of a part as file vertex indices and corner coordinates, in part order.
struct FileCorner
{
    u32 vertex;
    f32 u, v;
};
std::vector<std::array<FileCorner, 3>> FileTriangles(const VEC_MeshPart& _part)
{
    std::vector<std::array<FileCorner, 3>> out;
    for (s32 t = 0; t < _part.triangleCount; ++t) {
        std::array<FileCorner, 3> corners;
        for (u32 c = 0; c < 3; ++c) {
            const DSP_Vertex& v = _part.vertices[_part.triangles[t].vertex[c]];
            corners[c] = {VEC_GetVertexFileIndex(v), v.u, v.v};
        }
        out.push_back(corners);
    }
    return out;
}

TEST_F(VecMeshTest, LoadBuildsOnePartPerMaterialInSortOrder)
{
    TOOL_Mesh file;
    file.vertices = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {5, 5, 2}};
    file.triangles = {Triangle(0, 1, 2, 2), Triangle(0, 2, 3, 0), Triangle(2, 4, 3, 1), Triangle(1, 4, 2, 2)};
    file.materials = {Named(10), Named(11), Named(12)};
    file.sortOrder = {2, 0, 1};
    file.triangles[1].group = 7;
    VEC_Mesh& mesh = Load(file);

    ASSERT_EQ(3, mesh.partCount);
    EXPECT_EQ(12u, NameOf(mesh.parts[0]));
    EXPECT_EQ(10u, NameOf(mesh.parts[1]));
    EXPECT_EQ(11u, NameOf(mesh.parts[2]));
    const s32 triangles[3] = {2, 1, 1};
    const s32 vertices[3] = {4, 3, 3};
    for (s32 p = 0; p < 3; ++p) {
        const VEC_MeshPart& part = mesh.parts[p];
        EXPECT_EQ(triangles[p], part.triangleCount) << p;
        EXPECT_EQ(vertices[p], part.vertexCount) << p;
        for (s32 i = 0; i < part.vertexCount; ++i) {
            const DSP_Vertex& v = part.vertices[i];
            EXPECT_EQ(0xFFFFFFFFu, v.color);
            // Each vertex is the file's vertex it names.
            const auto& source = file.vertices[VEC_GetVertexFileIndex(v)];
            EXPECT_EQ(source[0], v.x);
            EXPECT_EQ(source[1], v.y);
            EXPECT_EQ(source[2], v.z);
        }
    }
    EXPECT_EQ(7, mesh.parts[1].triangles[0].group);
    EXPECT_EQ(0, mesh.parts[1].triangles[0].material);
    // Part 0 spans vertices 0, 1, 2, 4; the mesh box spans all parts.
    EXPECT_EQ(0.0f, mesh.parts[0].boxMin.x);
    EXPECT_EQ(5.0f, mesh.parts[0].boxMax.x);
    EXPECT_EQ(1.0f, mesh.parts[1].boxMax.x);
    EXPECT_EQ(0.0f, mesh.boxMin.z);
    EXPECT_EQ(2.0f, mesh.boxMax.z);
    EXPECT_EQ(5.0f, mesh.boxMax.y);
}

TEST_F(VecMeshTest, LoadingAgainReusesTheMesh)
{
    Load(Square());
    TOOL_Mesh two = Square();
    two.triangles[1].material = 1;
    two.materials.resize(2);
    VEC_Mesh& mesh = Load(two);
    EXPECT_EQ(2, mesh.partCount);
    EXPECT_EQ(1, mesh.parts[1].triangleCount);
}

TEST_F(VecMeshTest, MaterialsMapOpacityAndTransparencyType)
{
    struct Case
    {
        f32 opacity;
        const char* type;
        u8 alpha;
        u8 blend;
    };
    const Case cases[] = {
        {1.2f, "Filter", 255, 0},         {0.999f, "Filter", 254, 2}, {0.5f, "Subtractive", 127, 2},
        {1.0f, "Subtractive", 255, 0},    {-0.5f, "Filter", 0, 2},    {0.5f, "Additive", 127, 1},
        {1.0f, "Multiplicative", 255, 3}, {1.0f, "Invers", 255, 4},
    };
    for (const Case& c : cases) {
        TOOL_Mesh file = Square();
        file.materials[0].opacity = c.opacity;
        file.materials[0].transparencyType = c.type;
        const VEC_Map& map = Load(file).parts[0].material.diffuseMap;
        EXPECT_EQ(c.alpha, map.alpha) << c.opacity << " " << c.type;
        EXPECT_EQ(c.blend, map.blendMode) << c.opacity << " " << c.type;
    }
}

TEST_F(VecMeshTest, MaterialsReadColoursFlagsAndMaps)
{
    TOOL_Mesh file = Square();
    TOOL_MeshMaterial& m = file.materials[0];
    m.diffuse = {1.0f, 0.5f, 0.0f};
    m.selfIllumination = 0.5f;
    m.depthBias = 3;
    m.depthBuffered = 0;
    m.oneSided = 5;
    m.diffuseBitmap = "textures\\rock.tga";
    m.diffuseTiling = 4.0f;
    m.bumpBitmap = "bump";
    m.bumpTiling = 2.0f;
    m.bumpAmount = 0.5f;
    const VEC_Material& material = Load(file).parts[0].material;
    EXPECT_EQ(0x00FF7F00u, material.diffuseColor);
    EXPECT_EQ(0x007F3F00u, material.selfIllumination);
    EXPECT_EQ(3, material.diffuseMap.depthBias);
    EXPECT_EQ(VEC_MAP_ONESIDED, material.diffuseMap.flags);
    EXPECT_STREQ("textures\\rock.tga", material.diffuseMap.name);
    EXPECT_EQ(4.0f, material.diffuseMap.tiling);
    EXPECT_EQ(VEC_NO_TEXTURE, material.diffuseMap.textureId);
    EXPECT_STREQ("bump", material.detailMap.name);
    EXPECT_EQ(2.0f, material.detailMap.tiling);
    EXPECT_EQ(127, material.detailMap.alpha);
    EXPECT_EQ(3, material.detailMap.blendMode);

    // Without the map subsections both maps keep their defaults.
    const VEC_Material& plain = Load(Square()).parts[0].material;
    const VEC_Map defaults;
    for (const VEC_Map* map : {&plain.diffuseMap, &plain.detailMap}) {
        EXPECT_STREQ("", map->name);
        EXPECT_EQ(1.0f, map->tiling);
        EXPECT_EQ(VEC_MAP_DEPTHBUFFERED | VEC_MAP_ONESIDED, map->flags);
    }
    EXPECT_EQ(0, plain.detailMap.blendMode);
    EXPECT_EQ(defaults.alpha, plain.detailMap.alpha);
}

TEST_F(VecMeshTest, TextureNamesUpTo62CharactersLoad)
{
    TOOL_Mesh file = Square();
    file.materials[0].diffuseBitmap = std::string(62, 'a');
    EXPECT_EQ(62u, strlen(Load(file).parts[0].material.diffuseMap.name));
    const std::string tooLong(63, 'b');
    file.materials[0].diffuseBitmap.clear();
    file.materials[0].bumpBitmap = tooLong;
    TOOL_WriteMesh("mesh.msh", file);
    EXPECT_FATAL(m_mesh.Load("mesh.msh"), "VEC_Map::SetTextureName() texturename too long", tooLong.c_str());
}

TEST_F(VecMeshTest, MaterialCountUpTo256)
{
    TOOL_Mesh file;
    file.vertices = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}};
    for (s32 m = 0; m < 256; ++m)
        file.triangles.push_back(Triangle(0, 1, 2, m));
    file.materials.resize(256);
    EXPECT_EQ(256, Load(file).partCount);
    EXPECT_EQ(1, m_mesh.parts[255].triangleCount);

    file.materials.resize(257);
    TOOL_WriteMesh("mesh.msh", file);
    EXPECT_FATAL(m_mesh.Load("mesh.msh"), "VEC_Mesh::Load() - maximal number of materials in mesh exeeded (256)",
                 "mesh.msh");
}

TEST_F(VecMeshTest, BrokenFilesAreFatal)
{
    struct Case
    {
        const char* name;
        TOOL_Mesh file;
        const char* caption;
        const char* message;
    };
    auto with = [](auto _change) {
        TOOL_Mesh mesh = Square();
        _change(mesh);
        return mesh;
    };
    const char* const unknownMaterial =
        "VEC_Mesh::Load() - materials may not be referenced by triangles or triangles may reference unknown materials";
    const Case cases[] = {
        {"no materials", with([](TOOL_Mesh& _m) { _m.numOfM = 0; }), "VEC_Mesh::Load() - numofmaterials can not be 0",
         "mesh.msh"},
        {"negative material count", with([](TOOL_Mesh& _m) { _m.numOfM = -3; }),
         "VEC_Mesh::Load() - numofmaterials can not be 0", "mesh.msh"},
        {"unused material", with([](TOOL_Mesh& _m) { _m.materials.resize(2); }), unknownMaterial, "mesh.msh"},
        {"material equal to the count", with([](TOOL_Mesh& _m) { _m.triangles[1].material = 1; }), unknownMaterial,
         "mesh.msh"},
        {"triangle section missing", with([](TOOL_Mesh& _m) { _m.numOfP = 3; }), "DES FILE ERROR",
         "(VEC_Mesh::Load): Get [\"P2\"] in file \"mesh.msh\" failed"},
        {"material section missing", with([](TOOL_Mesh& _m) {
             _m.numOfM = 2;
             _m.triangles[1].material = 1;
         }),
         "DES FILE ERROR", "(VEC_Mesh::Load): Get [\"M1\"] in file \"mesh.msh\" failed"},
        {"vertex key missing", with([](TOOL_Mesh& _m) { _m.numOfV = 5; }), "DesFile Error",
         "data \"V4\" not found in file \"mesh.msh\""},
        {"vertex index past the count", with([](TOOL_Mesh& _m) { _m.triangles[1].vertex[2] = 4; }), "VEC_Mesh::Load()",
         "triangle 1 uses vertex 4 but there are 4 vertices in file \"mesh.msh\""},
        {"negative vertex index", with([](TOOL_Mesh& _m) { _m.triangles[0].vertex[1] = -1; }), "VEC_Mesh::Load()",
         "triangle 0 uses vertex -1 but there are 4 vertices in file \"mesh.msh\""},
        // Keys wider than their fields are refused as they are, not as their low bits.
        {"vertex index past 16 bits", with([](TOOL_Mesh& _m) { _m.triangles[1].vertex[0] = 65540; }),
         "VEC_Mesh::Load()", "triangle 1 uses vertex 65540 but there are 4 vertices in file \"mesh.msh\""},
        {"material past 8 bits", with([](TOOL_Mesh& _m) { _m.triangles[1].material = 256; }), unknownMaterial,
         "mesh.msh"},
        {"sort order past 8 bits", with([](TOOL_Mesh& _m) { _m.sortOrder = {300}; }), "VEC_Mesh::Load()",
         "sort order entry 0 names material 300 but there are 1 materials in file \"mesh.msh\""},
        {"vertex count smaller than used", with([](TOOL_Mesh& _m) { _m.numOfV = 3; }), "VEC_Mesh::Load()",
         "triangle 1 uses vertex 3 but there are 3 vertices in file \"mesh.msh\""},
        {"sort order past the count", with([](TOOL_Mesh& _m) { _m.sortOrder = {1}; }), "VEC_Mesh::Load()",
         "sort order entry 0 names material 1 but there are 1 materials in file \"mesh.msh\""},
        {"sort order too short", with([](TOOL_Mesh& _m) {
             _m.materials.resize(2);
             _m.triangles[1].material = 1;
             _m.sortOrder = {1};
         }),
         "DesFile Error", "data \"M1\" not found in file \"mesh.msh\""},
        {"sort order too long", with([](TOOL_Mesh& _m) {
             _m.sortOrder = {0, 0};
         }),
         "VEC_Mesh::Load()", "sort order has more entries than the 1 materials in file \"mesh.msh\""},
        {"sort order twice", with([](TOOL_Mesh& _m) {
             _m.materials.resize(2);
             _m.triangles[1].material = 1;
             _m.sortOrder = {1, 1};
         }),
         "VEC_Mesh::Load()", "sort order names material 1 twice in file \"mesh.msh\""},
        {"transparency type", with([](TOOL_Mesh& _m) { _m.materials[0].transparencyType = "Glass"; }),
         "VEC_Material::Parse_Diffuse()", "unknown transparency type"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(1u, TOOL_WriteMesh("mesh.msh", c.file));
        EXPECT_FATAL(m_mesh.Load("mesh.msh"), c.caption, c.message);
    }

    EXPECT_FATAL(m_mesh.Load("absent.msh"), "DES_File::Open() file not found", "absent.msh");
    const std::string text = TOOL_MeshText(Square());
    const char* const sections[] = {"Vertex", "Polygon", "Material"};
    for (const char* section : sections) {
        std::string renamed = text;
        const std::string header = std::string("[") + section + "]";
        renamed.replace(renamed.find(header), header.size(), "[Other" + std::to_string(&section - sections) + "]");
        m_dir.Write("mesh.msh", renamed);
        EXPECT_FATAL(m_mesh.Load("mesh.msh"), "DES FILE ERROR",
                     (std::string("(VEC_Mesh::Load): Get [\"") + section + "\"] in file \"mesh.msh\" failed").c_str());
    }
}

TEST_F(VecMeshTest, VerticesPastThe16BitIndicesAreRefusedEvenWhenTheFileHasThem)
{
    TOOL_Mesh file;
    for (s32 i = 0; i < 65541; ++i)
        file.vertices.push_back({(f32)i, 0, 0});
    file.triangles = {Triangle(0, 1, 2), Triangle(65535, 1, 65540)};
    file.materials.resize(1);
    ASSERT_EQ(1u, TOOL_WriteMesh("mesh.msh", file));
    EXPECT_FATAL(m_mesh.Load("mesh.msh"), "VEC_Mesh::Load()",
                 "triangle 1 uses vertex 65540, past the 16-bit indices, in file \"mesh.msh\"");
}

TEST_F(VecMeshTest, TriangleLoadRefusesKeysPastItsFields)
{
    struct Case
    {
        TOOL_MeshTriangle triangle;
        const char* caption;  // null: loads
        const char* message;
    };
    TOOL_MeshTriangle widest = Triangle(65535, 0, 1, 255);
    widest.group = 300;  // the group keeps its low byte
    const Case cases[] = {
        {widest, nullptr, nullptr},
        {Triangle(0, 65536, 1), "VEC_Mesh::Load()",
         "a triangle uses vertex 65536, outside 0 to 65535, in file \"mesh.msh\""},
        {Triangle(0, 1, -1), "VEC_Mesh::Load()", "a triangle uses vertex -1, outside 0 to 65535, in file \"mesh.msh\""},
        {Triangle(0, 1, 2, 256), VEC_UNKNOWN_MATERIAL_CAPTION, "mesh.msh"},
        {Triangle(0, 1, 2, -1), VEC_UNKNOWN_MATERIAL_CAPTION, "mesh.msh"},
    };
    for (const Case& c : cases) {
        TOOL_Mesh file = Square();
        file.triangles = {c.triangle};
        ASSERT_EQ(1u, TOOL_WriteMesh("mesh.msh", file));
        DES_File des;
        DES_Section root, polygons, section;
        des.Open(&root, "mesh.msh");
        ASSERT_TRUE(root.FindSection(&polygons, "Polygon"));
        ASSERT_TRUE(polygons.FindSectionIndexed(&section, "P", 0));
        VEC_Triangle triangle;
        if (c.caption != nullptr) {
            EXPECT_FATAL(triangle.Load(&section), c.caption, c.message);
            continue;
        }
        EXPECT_EQ(1u, triangle.Load(&section));
        EXPECT_EQ(65535, triangle.vertex[0]);
        EXPECT_EQ(1, triangle.vertex[2]);
        EXPECT_EQ(255, triangle.material);
        EXPECT_EQ(44, triangle.group);
    }
}

TEST_F(VecMeshTest, CornersWithinTheToleranceShareAVertex)
{
    struct Case
    {
        f32 u;
        s32 vertices;
    };
    const Case cases[] = {{0.5f, 4}, {0.505f, 4}, {0.509f, 4}, {0.52f, 5}, {0.48f, 5}};
    for (const Case& c : cases) {
        TOOL_Mesh file = Square();
        file.triangles[0] = TriangleUV(0, 1, 2, {0.5f, 0.5f, 1, 0, 1, 1});
        file.triangles[1] = TriangleUV(0, 2, 3, {c.u, 0.5f, 1, 1, 0, 1});
        const VEC_MeshPart& part = Load(file).parts[0];
        EXPECT_EQ(c.vertices, part.vertexCount) << c.u;
        // Every corner still reads its own coordinates within the tolerance.
        for (const auto& triangle : FileTriangles(part))
            for (const FileCorner& corner : triangle) {
                if (corner.vertex == 0) {
                    EXPECT_LE(std::fabs(corner.u - 0.5f), std::fabs(c.u - 0.5f));
                }
            }
    }
}

TEST_F(VecMeshTest, DegenerateTrianglesAndTheirOnlyVerticesDisappear)
{
    TOOL_Mesh file;
    // Every pair of corners equal once: (a, a, b), (a, b, b), (a, b, a).
    file.vertices = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {7, 7, 7}, {8, 8, 8}, {9, 9, 9}};
    file.triangles = {Triangle(3, 3, 4), Triangle(0, 1, 2), Triangle(1, 2, 2), Triangle(5, 0, 5)};
    file.materials.resize(1);
    const VEC_MeshPart& part = Load(file).parts[0];
    ASSERT_EQ(1, part.triangleCount);
    ASSERT_EQ(3, part.vertexCount);
    const auto triangles = FileTriangles(part);
    EXPECT_EQ(0u, triangles[0][0].vertex);
    EXPECT_EQ(1u, triangles[0][1].vertex);
    EXPECT_EQ(2u, triangles[0][2].vertex);
    // The vertices far away are gone from the box too.
    EXPECT_EQ(1.0f, part.boxMax.x);
}

TEST_F(VecMeshTest, NormalsAreSmoothAcrossMaterialSeams)
{
    // A roof: two faces at right angles meeting along the ridge 1-2, one per material.
    TOOL_Mesh file;
    file.vertices = {{0, 0, 0}, {1, 0, 1}, {1, 1, 1}, {2, 0, 0}, {2, 1, 0}, {0, 1, 0}};
    file.triangles = {Triangle(0, 1, 2, 0), Triangle(0, 2, 5, 0), Triangle(2, 1, 3, 1), Triangle(2, 3, 4, 1)};
    file.materials.resize(2);
    VEC_Mesh& mesh = Load(file);
    const f32 r = 1.0f / std::sqrt(2.0f);
    for (s32 p = 0; p < 2; ++p)
        for (s32 i = 0; i < mesh.parts[p].vertexCount; ++i) {
            const DSP_Vertex& v = mesh.parts[p].vertices[i];
            const u32 index = VEC_GetVertexFileIndex(v);
            MAT_Vector3 expected(0.0f, 0.0f, -1.0f);  // ridge: the faces' average
            if (index == 0 || index == 5)
                expected.Set(r, 0.0f, -r);
            else if (index == 3 || index == 4)
                expected.Set(-r, 0.0f, -r);
            EXPECT_NEAR(expected.x, v.nx, 1e-6f) << index;
            EXPECT_NEAR(expected.y, v.ny, 1e-6f) << index;
            EXPECT_NEAR(expected.z, v.nz, 1e-6f) << index;
        }
}

TEST(VecMeshPartTest, ComputeNormalsExactAddsSliversUnnormalised)
{
    // Vertex 0 is shared by a unit face (normal -z) and a sliver whose normal points along +x.
    VEC_MeshPart part;
    part.Allocate(5, 2);
    const f32 positions[5][3] = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 0.001f, 0}, {0, 0, 0.001f}};
    for (s32 i = 0; i < 5; ++i) {
        part.vertices[i].x = positions[i][0];
        part.vertices[i].y = positions[i][1];
        part.vertices[i].z = positions[i][2];
    }
    part.vertexCount = 5;
    part.triangles[0].vertex[0] = 0, part.triangles[0].vertex[1] = 1, part.triangles[0].vertex[2] = 2;
    part.triangles[1].vertex[0] = 0, part.triangles[1].vertex[1] = 4, part.triangles[1].vertex[2] = 3;
    part.triangleCount = 2;

    part.ComputeNormals(0);
    EXPECT_NEAR(0.0f, part.vertices[0].nx, 1e-5f);
    EXPECT_NEAR(-1.0f, part.vertices[0].nz, 1e-5f);
    EXPECT_NEAR(1.0f, part.vertices[3].nx, 1e-6f);  // alone, the sliver still normalises

    part.ComputeNormals(1);  // the fast method normalises every face
    const f32 r = 1.0f / std::sqrt(2.0f);
    EXPECT_NEAR(r, part.vertices[0].nx, 2e-3f);
    EXPECT_NEAR(-r, part.vertices[0].nz, 2e-3f);
    EXPECT_NEAR(-1.0f, part.vertices[1].nz, 2e-3f);
}

TEST_F(VecMeshTest, ReorderingKeepsTheTrianglesAndUsesVerticesInOrder)
{
    TOOL_Mesh file = TOOL_MeshGrid(12, 10, 2);
    std::reverse(file.triangles.begin(), file.triangles.end());
    VEC_Mesh& mesh = Load(file);
    for (s32 p = 0; p < mesh.partCount; ++p) {
        const VEC_MeshPart& part = mesh.parts[p];
        // Same triangles, same corner order and coordinates, whatever their order now.
        using Key = std::array<u32, 3>;
        std::map<Key, s32> expected;
        std::map<Key, std::array<f32, 6>> uvs;
        for (const TOOL_MeshTriangle& t : file.triangles)
            if (t.material == p) {
                const Key key = {(u32)t.vertex[0], (u32)t.vertex[1], (u32)t.vertex[2]};
                ++expected[key];
                uvs[key] = t.uv;
            }
        std::map<Key, s32> found;
        for (const auto& triangle : FileTriangles(part)) {
            const Key key = {triangle[0].vertex, triangle[1].vertex, triangle[2].vertex};
            ++found[key];
            for (u32 c = 0; c < 3; ++c) {
                EXPECT_NEAR(uvs[key][2 * c], triangle[c].u, 1e-6f);
                EXPECT_NEAR(uvs[key][2 * c + 1], triangle[c].v, 1e-6f);
            }
        }
        EXPECT_EQ(expected, found) << p;
        // Vertices are numbered in order of first use, so the cache sees them in sequence.
        u32 next = 0;
        for (s32 t = 0; t < part.triangleCount; ++t)
            for (u32 c = 0; c < 3; ++c) {
                const u32 index = part.triangles[t].vertex[c];
                ASSERT_LE(index, next);
                if (index == next)
                    ++next;
            }
        EXPECT_EQ((u32)part.vertexCount, next);
    }
}

TEST_F(VecMeshTest, LoadOrdersEachPartForTheVertexCache)
{
    // One material, no seams, no degenerates: the part is the file's triangles, so its order
    // must be the rule's order over them, with windows of 16.
    const u32 vertexCount = 50;
    const std::vector<TST_Corners> corners = TST_RandomTriangles(21, vertexCount, 300);
    TOOL_Mesh file;
    for (u32 i = 0; i < vertexCount; ++i)
        file.vertices.push_back({(f32)i, (f32)(i * i % 7), (f32)(i % 3)});
    for (const TST_Corners& c : corners)
        file.triangles.push_back(Triangle((s32)c[0], (s32)c[1], (s32)c[2]));
    file.materials.resize(1);
    const VEC_MeshPart& part = Load(file).parts[0];

    const TST_CacheOrder expected = TST_ReferenceCacheOrder(corners, vertexCount, 16);
    ASSERT_EQ((s32)corners.size(), part.triangleCount);
    const auto triangles = FileTriangles(part);
    for (size_t t = 0; t < corners.size(); ++t)
        for (u32 c = 0; c < 3; ++c) {
            ASSERT_EQ(expected.triangles[t][c], triangles[t][c].vertex) << "triangle " << t << " corner " << c;
            ASSERT_EQ(expected.newIndex[expected.triangles[t][c]], part.triangles[t].vertex[c]);
        }
}

// _pairs triangles each drawn twice with other coordinates, over vertices of their own after
// _unused vertices that no triangle touches: the split gives 6 x _pairs + _unused vertices.
void FillSplitPairs(VEC_MeshPart& _part, std::vector<f32>& _uv, s32 _pairs, s32 _unused)
{
    _part.Allocate(_unused + 3 * _pairs, 2 * _pairs);
    _part.vertexCount = _unused + 3 * _pairs;
    _part.triangleCount = 2 * _pairs;
    _uv.assign(12 * (size_t)_pairs, 0.0f);
    for (s32 t = 0; t < 2 * _pairs; ++t) {
        for (u32 c = 0; c < 3; ++c) {
            _part.triangles[t].vertex[c] = (u16)(_unused + 3 * (t / 2) + (s32)c);
            _uv[6 * (size_t)t + 2 * c] = (t & 1) ? 0.5f : 0.0f;
        }
    }
}

TEST_F(VecMeshTest, APartPastTheIndexRangeAfterTheSplitIsFatal)
{
    TOOL_Mesh file;
    const s32 pairs = 10923;
    for (s32 i = 0; i < 3 * pairs; ++i)
        file.vertices.push_back({(f32)i, 0, 0});
    for (s32 t = 0; t < 2 * pairs; ++t) {
        const f32 u = (t & 1) ? 0.5f : 0.0f;
        file.triangles.push_back(TriangleUV(3 * (t / 2), 3 * (t / 2) + 1, 3 * (t / 2) + 2, {u, 0, u, 0, u, 0}));
    }
    file.materials.resize(1);
    ASSERT_EQ(1u, TOOL_WriteMesh("mesh.msh", file));
    EXPECT_FATAL(m_mesh.Load("mesh.msh"), "VEC_Mesh::Load()",
                 "a part has 65538 vertices after the texture split, more than 65536, in file \"mesh.msh\"");
}

TEST(VecMeshPartTest, SplitFillsExactly65536Vertices)
{
    VEC_MeshPart part;
    std::vector<f32> uv;
    FillSplitPairs(part, uv, 10922, 4);
    VEC_SplitByTexture(&part, uv.data(), 0.01f, "x");
    EXPECT_EQ(65536, part.vertexCount);
    EXPECT_EQ(65535, part.triangles[part.triangleCount - 1].vertex[2]);
    // Unused vertices keep their slots; a vertex's copy follows all first copies.
    EXPECT_EQ(4, part.triangles[0].vertex[0]);
    EXPECT_EQ(32770, part.triangles[1].vertex[0]);

    FillSplitPairs(part, uv, 10922, 5);
    EXPECT_FATAL(VEC_SplitByTexture(&part, uv.data(), 0.01f, "x"), "VEC_Mesh::Load()",
                 "a part has 65537 vertices after the texture split, more than 65536, in file \"x\"");
}

TEST(VecMeshPartTest, AllocateKeepsOrReplacesArraysAndResets)
{
    VEC_MeshPart part;
    part.Allocate(3, 2);
    DSP_Vertex* vertices = part.vertices;
    VEC_Triangle* triangles = part.triangles;
    part.vertexCount = 3;
    part.triangleCount = 2;
    part.vertices[1].color = 0x12345678;
    part.triangles[1].material = 4;
    part.triangles[1].group = 5;

    part.Allocate(3, 2);
    EXPECT_EQ(vertices, part.vertices);
    EXPECT_EQ(triangles, part.triangles);
    EXPECT_EQ(0, part.vertexCount);
    EXPECT_EQ(0, part.triangleCount);
    EXPECT_EQ(0xFFFFFFFFu, part.vertices[1].color);
    EXPECT_EQ(0, part.triangles[1].material);
    EXPECT_EQ(0, part.triangles[1].group);

    part.Allocate(5, 2);
    EXPECT_EQ(5, part.vertexCapacity);
    EXPECT_EQ(0xFFFFFFFFu, part.vertices[4].color);
    part.Free();
    EXPECT_EQ(nullptr, part.vertices);
    EXPECT_EQ(0, part.triangleCapacity);

    // An empty part keeps the unit box.
    part.ComputeBoundingBox();
    EXPECT_EQ(-0.5f, part.boxMin.x);
    EXPECT_EQ(0.5f, part.boxMax.z);

    VEC_Mesh mesh;
    mesh.Allocate(3);
    VEC_MeshPart* parts = mesh.parts;
    mesh.partCount = 3;
    mesh.Allocate(3);
    EXPECT_EQ(parts, mesh.parts);
    EXPECT_EQ(0, mesh.partCount);
    mesh.Allocate(4);
    EXPECT_EQ(4, mesh.partCapacity);
}
}  // namespace
