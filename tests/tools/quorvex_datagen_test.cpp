// The sample-data generator, run into a fresh directory, with every file it writes read back
// through the engine's own readers under the names the program asks for: a writer that drifts
// from its reader fails here rather than in a benchmark run.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "des_file.h"
#include "dsp_texture.h"
#include "dsp_texturecache.h"
#include "fx_textureset.h"
#include "gfx_font.h"
#include "gfx_picturetga.h"
#include "gfx_textwriter.h"
#include "os_file.h"
#include "reb_texturecache.h"
#include "snd_sample.h"
#include "snd_sounddevice.h"
#include "test_dir.h"
#include "tools_sample_scenario.h"
#include "vec_mesh.h"

namespace
{

class DatagenTest : public testing::Test
{
protected:
    void SetUp() override
    {
        const std::string command = std::string("'") + QV_DATAGEN + "' . > datagen.txt 2>&1";
        const int status = std::system(command.c_str());
        ASSERT_TRUE(status != -1 && WIFEXITED(status) && WEXITSTATUS(status) == 0) << m_dir.Read("datagen.txt");
    }

    TST_TempDir m_dir;
};

// A texture as the display loads it: named, its level chosen by the texture cache within
// _budget bytes (all uncompressed types and levels allowed), and every mip read from the files.
struct LoadedTexture
{
    s32 type = DSP_TEXTURE_NONE;
    s32 level = DSP_TEXTURE_NO_LEVEL;
    std::vector<u8> texels;  // the top level as read: B, G, R, A, bottom row first
};

LoadedTexture LoadTexture(const std::string& _name, s32 _budget = 64 << 20)
{
    LoadedTexture loaded;
    DSP_TextureCache cache(1);
    for (s32 type = DSP_TEXTURE_A1R5G5B5; type <= DSP_TEXTURE_A8R8G8B8; ++type)
        cache.AllowFormat(type, 1);
    for (s32 level = 0; level < DSP_TEXTURE_NUM_LEVELS; ++level)
        cache.AllowLevel(level, 1);
    cache.RequestTexture(_name.c_str(), 0);
    cache.ChooseLevels(_budget);
    DSP_Texture* texture = nullptr;
    if (!cache.GetTextureLevel(0, &texture))
        return loaded;
    s32 width = 0, height = 0, size = 0;
    texture->GetLoadInfo(&loaded.type, &loaded.level, &width, &height, &size);
    // Every level down to 1 x 1 is there, so a mip-mapped texture is filled whole.
    EXPECT_EQ(loaded.level + 1, texture->GetNumOfMipLevels()) << _name;
    std::vector<u8> mip((size_t)size);
    for (s32 i = 0; i <= loaded.level; ++i) {
        EXPECT_EQ(1u, texture->LoadFromFile(mip.data(), (width >> i) * 4, size, loaded.type, i))
            << _name << " mip " << i;
        if (i == 0)
            loaded.texels = mip;
    }
    return loaded;
}

u8 Alpha(const LoadedTexture& _texture, s32 _x, s32 _y)
{
    const s32 side = 1 << _texture.level;
    return _texture.texels[(size_t)(_y * side + _x) * 4 + 3];
}

bool Opaque(const LoadedTexture& _texture)
{
    for (size_t i = 3; i < _texture.texels.size(); i += 4)
        if (_texture.texels[i] != 255)
            return false;
    return !_texture.texels.empty();
}

TEST_F(DatagenTest, ConfigurationHoldsEveryKeyReadAtStartUp)
{
    DES_File file;
    DES_Section root;
    ASSERT_EQ(1u, file.Open(&root, "ini\\display.des"));
    DES_Section display;
    ASSERT_EQ(1u, root.FindSection(&display, "Display"));
    for (const char* key : {"Width", "Height", "Depth", "Texturecachesize", "UseMipMap", "UseCompressedTextures",
                            "RenderRays", "RenderPlankton", "RenderPlants"}) {
        s32 value = -1;
        ASSERT_EQ(1u, display.HasEntry(key)) << key;
        display.GetS32(key, &value);  // an entry of another type is fatal
    }
    file.Close();

    ASSERT_EQ(1u, file.Open(&root, "ini\\sound.des"));
    DES_Section sound;
    ASSERT_EQ(1u, root.FindSection(&sound, "Sound"));
    for (const char* key : {"SoundOn", "NumOfChannels", "Rate", "Bits"}) {
        s32 value = -1;
        ASSERT_EQ(1u, sound.HasEntry(key)) << key;
        sound.GetS32(key, &value);  // an entry of another type is fatal
    }
    file.Close();
}

// One part with the texture "sky", around the origin, seen from the inside.
TEST_F(DatagenTest, SkyIsOneInwardFacingTexturedPart)
{
    VEC_Mesh sky;
    ASSERT_EQ(1u, sky.Load("vfx\\msh\\sky03.msh"));
    ASSERT_EQ(1, sky.partCount);
    const VEC_MeshPart& part = sky.parts[0];
    EXPECT_STREQ("sky", part.material.diffuseMap.name);
    EXPECT_EQ(0, part.material.diffuseMap.flags & VEC_MAP_DEPTHBUFFERED);
    EXPECT_EQ(255, part.material.diffuseMap.alpha);
    EXPECT_LT(100, part.triangleCount);
    for (const f32 bound : {sky.boxMin.x, sky.boxMin.y, sky.boxMin.z})
        EXPECT_NEAR(-0.5f, bound, 0.01f);
    for (const f32 bound : {sky.boxMax.x, sky.boxMax.y, sky.boxMax.z})
        EXPECT_NEAR(0.5f, bound, 0.01f);
    for (s32 i = 0; i < part.vertexCount; ++i) {
        const DSP_Vertex& v = part.vertices[i];
        EXPECT_GT(-0.9f, 2.0f * (v.x * v.nx + v.y * v.ny + v.z * v.nz)) << "vertex " << i;
        EXPECT_TRUE(v.u >= 0.0f && v.u <= 1.0f && v.v >= 0.0f && v.v <= 1.0f) << "vertex " << i;
    }

    // The renderer binds a mesh's texture names under "vfx\tex\".
    const LoadedTexture texture = LoadTexture(std::string("vfx\\tex\\") + part.material.diffuseMap.name);
    EXPECT_EQ(DSP_TEXTURE_A8R8G8B8, texture.type);
    EXPECT_EQ(8, texture.level);
    EXPECT_TRUE(Opaque(texture));
}

// Both fonts hold the characters 32 to 127, in cells that space the letters, with ink on the
// letters and nothing on the space; lines at most 18 pixels high, so that a 512-pixel menu page
// holds 25 rows of 25 characters.
TEST_F(DatagenTest, FontsHoldEveryPrintableCharacter)
{
    struct Expected
    {
        const char* path;
        s32 width;
        s32 height;
    };
    for (const Expected& expected :
         {Expected{"gfx\\font\\font1.tga", 6, 10}, Expected{"gfx\\font\\font2.tga", 12, 18}}) {
        SCOPED_TRACE(expected.path);
        GFX_Font font;
        ASSERT_TRUE(font.Open(expected.path));
        EXPECT_EQ(96, font.GetGlyphCount());
        EXPECT_EQ(expected.height, font.GetLineHeight());
        const GFX_Picture16* picture = font.GetPicture();
        ASSERT_NE(nullptr, picture);
        auto inkOf = [&](u32 _character) {
            const GFX_Rect* glyph = font.GetGlyph(_character);
            s32 ink = 0;
            for (s32 y = glyph->top; y < glyph->bottom; ++y)
                for (s32 x = glyph->left; x < glyph->right; ++x)
                    ink += picture->GetPixels()[y * picture->GetWidth() + x] == 0xFFFF ? 1 : 0;
            return ink;
        };
        for (u32 character = 32; character < 128; ++character) {
            const GFX_Rect* glyph = font.GetGlyph(character);
            ASSERT_NE(nullptr, glyph) << character;
            EXPECT_EQ(expected.width, glyph->width) << character;
            EXPECT_EQ(expected.height, glyph->height) << character;
            if (character != ' ') {
                EXPECT_LT(0, inkOf(character)) << character;
            }
        }
        EXPECT_EQ(0, inkOf(' '));
        // Text drawn keyed leaves the ground around the letters alone.
        EXPECT_EQ(0, font.GetKeyColor());
        font.Close();
    }
}

// The caustic set registers its frames with the global registry under their full names, and
// every frame loads as a tiling texture.
TEST_F(DatagenTest, CausticFramesAllLoad)
{
    REB_TextureCache registry(REB_GLOBAL_TEXTURE_CAPACITY, REB_GLOBAL_TEXTURE_FIRST_ID);
    FX_TextureSet::SetRegistry(&registry);
    {
        FX_TextureSet caustic;
        EXPECT_EQ(1u, caustic.Load("vfx\\tex\\caustic\\caustic.tse"));
        EXPECT_EQ(16, caustic.GetCount());
        EXPECT_EQ(1, registry.GetReferenceCount("vfx\\tex\\caustic\\caustic001"));
        EXPECT_EQ(1, registry.GetReferenceCount("vfx\\tex\\caustic\\caustic016"));
    }
    FX_TextureSet::SetRegistry(nullptr);

    registry.Rewind();
    const char* name = nullptr;
    s32 id = 0;
    s32 frames = 0;
    std::vector<u8> first;
    while (registry.Next(&name, &id)) {
        SCOPED_TRACE(name);
        const LoadedTexture texture = LoadTexture(name);
        EXPECT_EQ(DSP_TEXTURE_A8R8G8B8, texture.type);
        EXPECT_EQ(6, texture.level);
        EXPECT_TRUE(Opaque(texture));
        if (frames == 0)
            first = texture.texels;
        else
            EXPECT_NE(first, texture.texels);  // the pattern moves
        ++frames;
    }
    EXPECT_EQ(16, frames);
}

// The loading picture is loaded alone within one megabyte; it must reach its full size there.
TEST_F(DatagenTest, LoadingPictureFitsItsBudget)
{
    const LoadedTexture texture = LoadTexture("vfx\\tex\\menu\\menu_loading", 0x100000);
    EXPECT_EQ(DSP_TEXTURE_A8R8G8B8, texture.type);
    EXPECT_EQ(8, texture.level);
    EXPECT_TRUE(Opaque(texture));
}

// Logos are shapes on a transparent ground (alpha blended by the renderer).
TEST_F(DatagenTest, LogosAreShapesOnATransparentGround)
{
    struct Expected
    {
        const char* name;
        s32 level;
    };
    for (const Expected& expected :
         {Expected{"vfx\\tex\\logo\\logo_halvane", 7}, Expected{"vfx\\tex\\logo\\logo_publisher", 7},
          Expected{"vfx\\tex\\logo\\logo_ostrel", 7}, Expected{"vfx\\tex\\logo\\logo_url", 8}}) {
        SCOPED_TRACE(expected.name);
        const LoadedTexture texture = LoadTexture(expected.name);
        EXPECT_EQ(DSP_TEXTURE_A8R8G8B8, texture.type);
        ASSERT_EQ(expected.level, texture.level);
        const s32 last = (1 << texture.level) - 1;
        EXPECT_EQ(0, Alpha(texture, 0, 0));
        EXPECT_EQ(0, Alpha(texture, last, last));
        s32 solid = 0;
        for (size_t i = 3; i < texture.texels.size(); i += 4)
            solid += texture.texels[i] == 255 ? 1 : 0;
        EXPECT_LT(last * 4, solid);
    }
}

// The terrain selector: 256 x 256, 32 bits, every alpha one of the three material values, and
// each material used (material 0 is required by the terrain pass).
TEST_F(DatagenTest, TerrainSelectorNamesThreeMaterials)
{
    GFX_PictureTGA picture;
    ASSERT_EQ(1u, picture.Open("vfx\\terrain\\sample\\material_s.tga", 1));
    ASSERT_EQ(256, picture.GetWidth());
    ASSERT_EQ(256, picture.GetHeight());
    ASSERT_EQ(32, picture.GetDepth());
    std::vector<u8> pixels(256 * 256 * 4);
    ASSERT_EQ(1u, picture.ReadData_RGBA8888(pixels.data(), 256 * 4, 0));
    s32 counts[3] = {};
    s32 others = 0;
    s32 dark = 0;
    for (size_t i = 0; i < pixels.size(); i += 4) {
        const u8 alpha = pixels[i + 3];
        if (alpha == 0x00 || alpha == 0x10 || alpha == 0x20)
            ++counts[alpha >> 4];
        else
            ++others;
        dark += pixels[i] < 64 ? 1 : 0;
    }
    EXPECT_EQ(0, others);
    for (s32 material = 0; material < 3; ++material)
        EXPECT_LT(256 * 16, counts[material]) << "material " << material;
    EXPECT_EQ(0, dark);  // lit everywhere: the lighting colour multiplies the materials
}

// The menu's two meshes are unit quads facing -y, the top of their texture at z = +0.5 as on
// the text quads, each with a texture under vfx\tex\menu\; the plankton sprite loads too.
TEST_F(DatagenTest, MenuQuadsAndTexturesLoad)
{
    for (const char* name : {"menu_background", "menu_title"}) {
        SCOPED_TRACE(name);
        VEC_Mesh quad;
        ASSERT_EQ(1u, quad.Load((std::string("vfx\\msh\\menu\\") + name + ".msh").c_str()));
        ASSERT_EQ(1, quad.partCount);
        const VEC_MeshPart& part = quad.parts[0];
        EXPECT_STREQ(name, part.material.diffuseMap.name);
        EXPECT_EQ(2, part.triangleCount);
        for (s32 i = 0; i < part.vertexCount; ++i) {
            const DSP_Vertex& v = part.vertices[i];
            EXPECT_FLOAT_EQ(0.5f, std::fabs(v.x));
            EXPECT_FLOAT_EQ(0.0f, v.y);
            EXPECT_FLOAT_EQ(0.5f, std::fabs(v.z));
            EXPECT_FLOAT_EQ(-1.0f, v.ny);
            EXPECT_FLOAT_EQ(v.x + 0.5f, v.u);
            EXPECT_FLOAT_EQ(0.5f - v.z, v.v);
        }
        const LoadedTexture texture = LoadTexture(std::string("vfx\\tex\\menu\\") + name);
        EXPECT_EQ(8, texture.level);
    }
    const LoadedTexture backdrop = LoadTexture("vfx\\tex\\menu\\menu_background");
    EXPECT_TRUE(Opaque(backdrop));
    const LoadedTexture title = LoadTexture("vfx\\tex\\menu\\menu_title");
    EXPECT_EQ(0, Alpha(title, 0, 0));
    EXPECT_EQ(5, LoadTexture("vfx\\tex\\menu\\plank01").level);
}

// The six full-screen pictures and the five menu sounds come from the archive pair.
TEST_F(DatagenTest, PicturesAndMenuSoundsAreInTheArchive)
{
    OS_Archive::Open();
    ASSERT_TRUE(OS_Archive::IsOpen());
    EXPECT_EQ(11u, OS_Archive::GetCount());
    for (const char* name :
         {"gfx\\picture\\intro\\intro_01.tga", "gfx\\picture\\intro\\intro_02.tga", "gfx\\picture\\intro\\intro_03.tga",
          "gfx\\picture\\mockup\\mock01.tga", "gfx\\picture\\mockup\\mock02.tga", "gfx\\picture\\mockup\\mock03.tga"}) {
        SCOPED_TRACE(name);
        GFX_PictureTGA picture;
        ASSERT_EQ(1u, picture.Open(name, 1));
        EXPECT_EQ(640, picture.GetWidth());
        EXPECT_EQ(480, picture.GetHeight());
        EXPECT_EQ(24, picture.GetDepth());
        picture.Close();
    }
    // Sample files are read through the sound output's file access.
    SND_SoundDevice2D device("ini\\sound.des");
    for (const char* name : {"menu_background", "menu_buildup", "menu_click", "menu_error", "menu_rollover"}) {
        SCOPED_TRACE(name);
        SND_Sample sample;
        EXPECT_EQ(1u, sample.Load((std::string("sfx\\sample\\menu\\") + name + ".wav").c_str()));
        EXPECT_LT(44u, sample.GetSize());
    }
    OS_Archive::Close();
}

// A 512-pixel menu page gives each line the font's height and two pixels: the longest texts of
// the pages fit both in characters and in width.
TEST_F(DatagenTest, TheLongestPageTextsFitA512PixelPage)
{
    const struct
    {
        const char* font;
        const char* text;
    } rows[] = {
        {"gfx\\font\\font1.tga", "MIN POLY/S : -2147483648"}, {"gfx\\font\\font1.tga", "RESOLUTION : 1920x1200x32"},
        {"gfx\\font\\font2.tga", "DISPLAY: 1920x1200x32"},    {"gfx\\font\\font2.tga", "PIXELSHADER: YES"},
        {"gfx\\font\\font2.tga", "FSAA: 16 SAMPLES"},         {"gfx\\font\\font2.tga", "QUORVEX&"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.text);
        GFX_Font font;
        ASSERT_TRUE(font.Open(row.font));
        EXPECT_GE(18, font.GetLineHeight());
        const s32 capacity = 512 / (font.GetLineHeight() + 2);
        EXPECT_GE(capacity, (s32)std::strlen(row.text));
        GFX_TextWriter writer;
        writer.SetFont(&font);
        EXPECT_GT(512, writer.GetStringWidth(row.text));
        font.Close();
    }
}

// The files under _root as (path below it, '/'-separated; bytes).
std::vector<std::pair<std::string, std::string>> FilesBelow(const std::filesystem::path& _root)
{
    std::vector<std::pair<std::string, std::string>> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(_root)) {
        if (!entry.is_regular_file())
            continue;
        std::ifstream in(entry.path(), std::ios::binary);
        std::stringstream bytes;
        bytes << in.rdbuf();
        files.emplace_back(std::filesystem::relative(entry.path(), _root).generic_string(), bytes.str());
    }
    return files;
}

// What the program reads as it is (the script glue library) comes from the generator too, byte
// for byte as in the source tree: a folder generated by hand runs without anything else.
TEST_F(DatagenTest, TheProgramsOwnDataIsWrittenAsItIs)
{
    const auto files = FilesBelow(QV_DATA_SOURCE_DIR);
    ASSERT_FALSE(files.empty());
    for (const auto& file : files) {
        SCOPED_TRACE(file.first);
        ASSERT_TRUE(m_dir.Exists(file.first));
        EXPECT_EQ(file.second, m_dir.Read(file.first));
    }
    EXPECT_TRUE(m_dir.Exists("dat/script/lib/glue.sco"));
}

// The scenario's writer, which tests call on their own, writes the generator's very scene: the
// script, the lit terrain selector and every other file the same, and nothing for the archive.
TEST_F(DatagenTest, TheScenarioWriterWritesTheGeneratorsScene)
{
    TOOL_SampleOutput output;
    output.dir = "scenario";
    ASSERT_TRUE(TOOL_SampleScenario(output));
    EXPECT_TRUE(output.archive.empty());
    const auto files = FilesBelow("scenario");
    for (const auto& file : files) {
        SCOPED_TRACE(file.first);
        EXPECT_EQ(m_dir.Read(file.first), file.second);
    }
    for (const char* name : {"map/kovra1/script/quorvex.sco", "vfx/terrain/sample/material_s.tga"})
        EXPECT_TRUE(m_dir.Exists(std::string("scenario/") + name)) << name;
}

// The option writes a scene of that length; anything else is refused with the usage.
TEST_F(DatagenTest, TheSceneLengthOptionIsCheckedAndWritten)
{
    for (const char* arguments : {"--scene-seconds 0", "--scene-seconds -3", "--scene-seconds 2x",
                                  "--scene-seconds nan", "--seconds 2", "--scene-seconds"}) {
        SCOPED_TRACE(arguments);
        const std::string command = std::string("'") + QV_DATAGEN + "' out " + arguments + " > usage.txt 2>&1";
        const int status = std::system(command.c_str());
        ASSERT_TRUE(status != -1 && WIFEXITED(status));
        EXPECT_EQ(2, WEXITSTATUS(status));
        EXPECT_NE(std::string::npos, m_dir.Read("usage.txt").find("usage: quorvex_datagen"));
    }
    const std::string full = m_dir.Read("map/kovra1/script/quorvex.sco");
    EXPECT_NE(std::string::npos, full.find("Thread_SetTimer(Scene.ender, 90)"));
    const std::string command = std::string("'") + QV_DATAGEN + "' . --scene-seconds 2.5 > datagen.txt 2>&1";
    ASSERT_EQ(0, std::system(command.c_str()));
    const std::string script = m_dir.Read("map/kovra1/script/quorvex.sco");
    EXPECT_NE(std::string::npos, script.find("Thread_SetTimer(Scene.ender, 2.5)"));
    // The C-runtime generator is seeded before anything is made.
    EXPECT_NE(std::string::npos, script.find("function __StartUp()\n    math.randomseed("));
}

}  // namespace
