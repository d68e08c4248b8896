#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "os_fatal.h"
#include "reb_fixture.h"
#include "reb_mesh.h"
#include "reb_texturecache.h"
#include "test_dir.h"
#include "vec_mesh.h"

static const char* const REGISTER = "REB_TextureCache::RegisterTextureName()";

static std::vector<std::pair<std::string, s32>> Walk(REB_TextureCache& _cache)
{
    std::vector<std::pair<std::string, s32>> entries;
    const char* name = nullptr;
    s32 id = 0;
    _cache.Rewind();
    while (_cache.Next(&name, &id))
        entries.emplace_back(name, id);
    return entries;
}

TEST(RebTextureCacheTest, NamesMatchWithoutExtensionAndCase)
{
    struct Case
    {
        const char* first;
        const char* second;
        bool same;
    };
    const Case cases[] = {
        {"gfx\\Rock.tga", "GFX\\ROCK", true},
        {"rock.tga", "rock.dds", true},
        {"c:\\maps.v2\\rock", "C:\\MAPS.V2\\rock.tga", true},  // a dot in a folder is no extension
        {"maps.v2\\rock", "maps", false},
        {"rock", "rocks", false},
    };
    for (const Case& c : cases) {
        REB_TextureCache cache(8, 100);
        const s32 first = cache.RegisterTextureName(c.first, 32);
        const s32 second = cache.RegisterTextureName(c.second, 32);
        EXPECT_EQ(100, first) << c.first;
        EXPECT_EQ(c.same ? 100 : 101, second) << c.first << " / " << c.second;
        EXPECT_EQ(c.same ? 2 : 1, cache.GetReferenceCount(c.first)) << c.first;
        EXPECT_EQ(c.same ? 1 : 2, cache.GetCount()) << c.first;
    }
}

TEST(RebTextureCacheTest, StoredNamesLoseTheirExtension)
{
    REB_TextureCache cache(4, 0);
    cache.RegisterTextureName("vfx\\tex\\caustic001.tga", 32);
    const auto entries = Walk(cache);
    ASSERT_EQ(1u, entries.size());
    EXPECT_EQ("vfx\\tex\\caustic001", entries[0].first);
}

TEST(RebTextureCacheTest, FullRegistryRefusesNewNamesOnly)
{
    REB_TextureCache cache(2, 40);
    EXPECT_EQ(40, cache.RegisterTextureName("one", 32));
    EXPECT_EQ(41, cache.RegisterTextureName("two", 32));
    EXPECT_EQ(40, cache.RegisterTextureName("ONE.tga", 32));  // known names still answer
    EXPECT_EQ(2, cache.GetReferenceCount("one"));
    EXPECT_FATAL(cache.RegisterTextureName("three", 32), REGISTER, "texturedefinition overflow");
    EXPECT_EQ(2, cache.GetCount());
}

TEST(RebTextureCacheTest, GlobalRegistryHandsOutItsRange)
{
    REB_TextureCache cache(REB_GLOBAL_TEXTURE_CAPACITY, REB_GLOBAL_TEXTURE_FIRST_ID);
    s32 last = -1;
    for (s32 i = 0; i < REB_GLOBAL_TEXTURE_CAPACITY; i++) {
        const s32 id = cache.RegisterTextureName(("tex\\t" + std::to_string(i)).c_str(), 32);
        EXPECT_EQ(512 + i, id);
        last = id;
    }
    EXPECT_EQ(703, last);
    EXPECT_FATAL(cache.RegisterTextureName("tex\\one more", 32), REGISTER, "texturedefinition overflow");
}

TEST(RebTextureCacheTest, PriorityOrdersEntriesButNotIds)
{
    REB_TextureCache cache(8, 512);
    cache.RegisterTextureName("a", 32);
    cache.RegisterTextureName("b", 32);
    cache.RegisterTextureName("c", 10);
    cache.RegisterTextureName("d", 32);  // equal priorities keep registration order
    cache.RegisterTextureName("e", 20);
    cache.RegisterTextureName("a", 5);  // a known name keeps its place
    const std::vector<std::pair<std::string, s32>> expected = {
        {"c", 514}, {"e", 516}, {"a", 512}, {"b", 513}, {"d", 515}};
    EXPECT_EQ(expected, Walk(cache));

    // The walk ends with 0 and leaves the outputs alone; Rewind starts it again.
    const char* name = "unchanged";
    s32 id = 77;
    EXPECT_EQ(0u, cache.Next(&name, &id));
    EXPECT_STREQ("unchanged", name);
    EXPECT_EQ(77, id);
    EXPECT_EQ(expected, Walk(cache));
}

TEST(RebTextureCacheTest, NamesThatDoNotFitAreFatal)
{
    const std::string longest(63, 'n');
    REB_TextureCache cache(4, 0);
    EXPECT_EQ(0, cache.RegisterTextureName(longest.c_str(), 32));
    EXPECT_EQ(0, cache.RegisterTextureName((longest + ".tga").c_str(), 32));  // the extension is not kept
    EXPECT_EQ(longest, Walk(cache)[0].first);

    EXPECT_FATAL(cache.RegisterTextureName(std::string(64, 'n').c_str(), 32), REGISTER, "texture name too long");
    EXPECT_FATAL(cache.RegisterTextureName(("tex\\" + std::string(60, 'x') + ".tga").c_str(), 32), REGISTER,
                 "texture name too long");
    EXPECT_EQ(1, cache.GetCount());
}

TEST(RebTextureCacheTest, MeshMapsGetTheirIds)
{
    VEC_Mesh mesh;
    mesh.Allocate(2);
    mesh.partCount = 2;
    mesh.parts[0].material.diffuseMap.SetTextureName("obj\\hull.tga");
    mesh.parts[0].material.detailMap.SetTextureName("obj\\bump");
    mesh.parts[1].material.diffuseMap.SetTextureName("OBJ\\HULL");
    mesh.parts[1].material.detailMap.textureId = 3;  // no name: none, whatever it held

    REB_TextureCache cache(8, 600);
    cache.RegisterMeshTextures(&mesh, 32);
    EXPECT_EQ(600u, mesh.parts[0].material.diffuseMap.textureId);
    EXPECT_EQ(601u, mesh.parts[0].material.detailMap.textureId);
    EXPECT_EQ(600u, mesh.parts[1].material.diffuseMap.textureId);
    EXPECT_EQ(VEC_NO_TEXTURE, mesh.parts[1].material.detailMap.textureId);
    EXPECT_EQ(2, cache.GetReferenceCount("obj\\hull"));
}

using RebTextureCacheDisplayTest = RenderBaseTest;

TEST_F(RebTextureCacheDisplayTest, RenderMeshMaterialsGetTheirIds)
{
    REB_Mesh render;
    render.Reconstruct(REB_BUFFER_DYNAMIC, 4, REB_BUFFER_DYNAMIC, 6, 2);
    render.GetMaterial(0)->material.diffuseMap.SetTextureName("terrain\\sand.tga");
    render.GetMaterial(1)->material.diffuseMap.SetTextureName("terrain\\rock");
    render.GetMaterial(1)->material.detailMap.SetTextureName("TERRAIN\\SAND");

    REB_TextureCache cache(4, 10);
    cache.RegisterRebMeshTextures(&render, 32);
    EXPECT_EQ(10u, render.GetMaterial(0)->material.diffuseMap.textureId);
    EXPECT_EQ(VEC_NO_TEXTURE, render.GetMaterial(0)->material.detailMap.textureId);
    EXPECT_EQ(11u, render.GetMaterial(1)->material.diffuseMap.textureId);
    EXPECT_EQ(10u, render.GetMaterial(1)->material.detailMap.textureId);
    EXPECT_EQ(2, cache.GetReferenceCount("terrain\\sand"));
}
