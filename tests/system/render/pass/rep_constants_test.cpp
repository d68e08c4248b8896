// The shared constant registers: every routine leaves the mirror and the device holding the
// same values; the masked write keeps what it is told to; the material split; the fog rows
// and the fog ramp, which has no finite value where the fog factor is 1 or the layer empty.
#include <functional>

#include "rem_foglayer.h"
#include "rep_constants.h"
#include "rep_object_fixture.h"
#include "vec_camera.h"

namespace
{

using RepConstantsTest = TST_ObjectFakeTest;

// A frame with translation (10, 11, 12) and axes (1, 2, 3), (4, 5, 6), (7, 8, 9): every entry
// differs, so a transposed or shifted row shows.
MAT_Matrix34 NumberedFrame(f32 _first)
{
    MAT_Matrix34 frame;
    for (s32 i = 0; i < 9; ++i)
        frame.r.m[i] = _first + (f32)i;
    frame.t = {_first + 9.0f, _first + 10.0f, _first + 11.0f};
    return frame;
}

TEST_F(RepConstantsTest, EveryRoutineWritesTheMirrorAndTheDeviceAlike)
{
    MAT_Matrix44 matrix;
    for (s32 i = 0; i < 16; ++i)
        matrix.m[i] = (f32)(i + 1);
    const f32 raw[8] = {1, 2, 3, 4, 5, 6, 7, 8};

    struct Case
    {
        const char* name;
        std::function<s32()> call;
        s32 first;
        std::vector<f32> expected;  // four values per register written
    };
    const Case cases[] = {
        {"4", [] { return REP_SetConstant4(20, 1, 2, 3, 4); }, 20, {1, 2, 3, 4}},
        {"zero", [] { return REP_SetConstantZero(21); }, 21, {0, 0, 0, 0}},
        {"one", [] { return REP_SetConstantOne(22); }, 22, {1, 1, 1, 1}},
        {"splat", [] { return REP_SetConstantSplat(23, 2.5f); }, 23, {2.5f, 2.5f, 2.5f, 2.5f}},
        // Columns t, X, Y, Z go up as rows (X[k], Y[k], Z[k], t[k]).
        {"4x4",
         [&] { return REP_SetConstantMatrix4x4(24, matrix); },
         24,
         {5, 9, 13, 1, 6, 10, 14, 2, 7, 11, 15, 3, 8, 12, 16, 4}},
        {"frame",
         [] { return REP_SetConstantFrame(30, NumberedFrame(1.0f)); },
         30,
         {1, 4, 7, 10, 2, 5, 8, 11, 3, 6, 9, 12, 0, 0, 0, 1}},
        {"raw", [&] { return REP_SetConstantRaw(40, raw, 2); }, 40, {1, 2, 3, 4, 5, 6, 7, 8}},
        {"component", [] { return REP_SetConstantComponent(22, 2, 7.0f); }, 22, {1, 1, 7, 1}},
        {"point",
         [] {
             return REP_SetConstantPoint(43, {1, 2, 3});
         },
         43,
         {1, 2, 3, 1}},
        {"direction",
         [] {
             return REP_SetConstantDirection(44, {4, 5, 6});
         },
         44,
         {4, 5, 6, 0}},
        {"color",
         [] { return REP_SetConstantColor(45, REP_MakeColor(0x33, 0x66, 0x99, 0xCC)); },
         45,
         {0.2f, 0.4f, 0.6f, 0.8f}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const s32 count = (s32)c.expected.size() / 4;
        ForgetCalls();
        EXPECT_EQ(count, c.call());
        EXPECT_EQ(std::vector<u32>{(u32)c.first}, Uploads());
        for (s32 i = 0; i < count * 4; ++i) {
            const f32* mirror = REP_VertexShaderConstants[c.first + i / 4];
            EXPECT_FLOAT_EQ(c.expected[i], mirror[i % 4]) << "register " << c.first + i / 4 << "." << i % 4;
            EXPECT_EQ(mirror[i % 4], Held(c.first + i / 4)[i % 4]);
        }
    }
}

TEST_F(RepConstantsTest, ColoursPackAsTheDisplayReadsThem)
{
    EXPECT_EQ(0x78123456u, REP_MakeColor(0x12, 0x34, 0x56, 0x78));
    REP_SetConstantColor(9, 0xFF00FF00u);
    EXPECT_EQ((std::vector<f32>{0.0f, 1.0f, 0.0f, 1.0f}), Held(9));
}

TEST_F(RepConstantsTest, MaskedWriteKeepsTheComponentsGivenAsTheLargestFloat)
{
    REP_SetConstant4(50, 1, 2, 3, 4);
    REP_SetConstantMasked(50, REP_KEEP, 9, REP_KEEP, 8);
    EXPECT_EQ((std::vector<f32>{1, 9, 3, 8}), Held(50));
    EXPECT_EQ(8.0f, REP_VertexShaderConstants[50][3]);
    EXPECT_EQ(3.4028235e38f, REP_KEEP);
}

TEST_F(RepConstantsTest, LightsKeepTheFourthComponentOfTheirLastRegister)
{
    VEC_Light light;
    light.m_color1 = {0.1f, 0.2f, 0.3f};
    light.m_color2 = {0.4f, 0.5f, 0.6f};
    light.m_vector = {0.7f, 0.8f, 0.9f};
    light.m_intensity = 2.0f;
    REP_SetConstant4(55, 0, 0, 0, 7);
    REP_SetConstant4(59, 0, 0, 0, 5);

    EXPECT_EQ(3, REP_SetDirectionalLight(53, light, {1, 2, 3}));
    EXPECT_EQ((std::vector<f32>{0.1f, 0.2f, 0.3f, 0}), Held(53));
    EXPECT_EQ((std::vector<f32>{0.4f, 0.5f, 0.6f, 0}), Held(54));
    EXPECT_EQ((std::vector<f32>{-1, -2, -3, 7}), Held(55));

    EXPECT_EQ(4, REP_SetPointLight(56, light, {4, 5, 6}));
    EXPECT_EQ((std::vector<f32>{0.1f, 0.2f, 0.3f, 0}), Held(56));
    EXPECT_EQ((std::vector<f32>{0.4f, 0.5f, 0.6f, 0}), Held(57));
    EXPECT_EQ((std::vector<f32>{0.7f, 0.8f, 0.9f, 2}), Held(58));
    EXPECT_EQ((std::vector<f32>{4, 5, 6, 5}), Held(59));

    EXPECT_EQ(2, REP_SetNoDirectionalLight(53));
    EXPECT_EQ((std::vector<f32>{0, 0, 0, 0}), Held(53));
    EXPECT_EQ((std::vector<f32>{0, 0, 0, 0}), Held(54));
    EXPECT_EQ((std::vector<f32>{-1, -2, -3, 7}), Held(55));
}

TEST_F(RepConstantsTest, MaterialsSplitIntoMultiPassAndStandard)
{
    struct Case
    {
        u8 alpha;
        u8 blendMode;
        u32 selfIllumination;
        s32 indices;
        char list;  // 'A', 'B' or '-' for neither
    };
    const Case cases[] = {
        {255, 0, 0, 3, 'A'},           {252, 0, 0, 3, 'A'}, {251, 0, 0, 3, 'B'}, {255, 0, 0x000001, 3, 'B'},
        {255, 0, 0x010000, 3, 'B'},    {255, 2, 0, 3, 'B'}, {255, 0, 0, 0, '-'}, {200, 1, 0x00FFFFFF, 0, '-'},
        {255, 0, 0xFF000000u, 3, 'A'},  // the byte above the colour is no glow
    };
    const s32 count = (s32)(sizeof(cases) / sizeof(cases[0]));
    REB_Mesh* mesh = Mesh(std::vector<s32>(count, 3));
    for (s32 i = 0; i < count; ++i) {
        REB_Material* material = mesh->GetMaterial(i);
        material->material.diffuseMap.alpha = cases[i].alpha;
        material->material.diffuseMap.blendMode = cases[i].blendMode;
        material->material.selfIllumination = cases[i].selfIllumination;
        material->indexCount = cases[i].indices;
    }
    const REB_Material* listA[REP_MAX_MATERIALS];
    const REB_Material* listB[REP_MAX_MATERIALS];
    REP_SplitMaterials(mesh, listA, listB);
    for (s32 i = 0; i < count; ++i) {
        const REB_Material* material = mesh->GetMaterial(i);
        EXPECT_EQ(cases[i].list == 'A' ? material : nullptr, listA[i]) << "material " << i;
        EXPECT_EQ(cases[i].list == 'B' ? material : nullptr, listB[i]) << "material " << i;
    }
}

TEST_F(RepConstantsTest, MoreMaterialsThanTheListsHoldIsFatal)
{
    const REB_Material* listA[REP_MAX_MATERIALS];
    const REB_Material* listB[REP_MAX_MATERIALS];
    REP_SplitMaterials(Mesh(std::vector<s32>(REP_MAX_MATERIALS, 3)), listA, listB);
    EXPECT_EQ(nullptr, listB[REP_MAX_MATERIALS - 1]);
    EXPECT_FATAL(REP_SplitMaterials(Mesh(std::vector<s32>(REP_MAX_MATERIALS + 1, 3)), listA, listB),
                 "REP_SplitMaterials()", "too many materials");
}

TEST_F(RepConstantsTest, FogRowsGiveScaledHeightAndViewDepth)
{
    REM_FogLayer fog;
    fog.m_baseHeight = 10.0f;
    fog.m_heightScale = 0.5f;
    fog.m_depthScale = 0.25f;
    f32 rows[8];
    REP_ComputeFogRows(&fog, NumberedFrame(1.0f), NumberedFrame(11.0f), rows);
    // Height: the z row of the world frame, less the base; depth: the y row of the view frame.
    const f32 expected[8] = {1.5f, 3.0f, 4.5f, 1.0f, 3.0f, 3.75f, 4.5f, 5.25f};
    for (s32 i = 0; i < 8; ++i)
        EXPECT_FLOAT_EQ(expected[i], rows[i]) << i;

    REP_ComputeFogRows(nullptr, NumberedFrame(1.0f), NumberedFrame(11.0f), rows);
    for (s32 i = 0; i < 8; ++i)
        EXPECT_EQ(0.0f, rows[i]) << i;
}

TEST_F(RepConstantsTest, FogRampIsFlatWhereItWouldDivideByZero)
{
    struct Case
    {
        const char* name;
        bool hasLayer;
        f32 factor;
        s32 rows;
        f32 depthStep;
        f32 expected[4];
    };
    // k = 1 / (F - 1) = -2, g = k / (64 x 2) = -1/64 over the view frame's y row (12, 15, 18, 21).
    const Case cases[] = {
        {"ramp", true, 0.5f, 64, 2.0f, {-0.1875f, -0.234375f, -0.28125f, 1.671875f}},
        {"factor 1", true, 1.0f, 64, 2.0f, {0, 0, 0, 0}},
        {"empty layer", true, 0.5f, 0, 2.0f, {0, 0, 0, 0}},
        {"no depth step", true, 0.5f, 64, 0.0f, {0, 0, 0, 0}},
        {"no layer", false, 0.5f, 64, 2.0f, {0, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        REM_FogLayer fog;
        fog.m_rows = c.rows;
        fog.m_depthStep = c.depthStep;
        f32 row[4];
        REP_ComputeFogRamp(c.hasLayer ? &fog : nullptr, c.factor, NumberedFrame(11.0f), row);
        for (s32 i = 0; i < 4; ++i)
            EXPECT_EQ(c.expected[i], row[i]) << c.name << " " << i;
    }
}

}  // namespace
