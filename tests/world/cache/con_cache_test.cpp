// The resource table with small resource kinds of its own: a file that loads unless its path
// says "missing" (and stops the program when it says "broken"), and a visual that allocates
// from tables while it loads, as a body visual does.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "con_cache.h"
#include "mem_alloc.h"
#include "os_path.h"
#include "os_string.h"
#include "snd_samplecache.h"
#include "test_dir.h"

namespace
{

std::vector<std::string> s_loads;  // every path handed to a load, in order
s32 s_live = 0;                    // objects of both kinds in existence

class TST_File : public MEM_Object
{
public:
    TST_File() { ++s_live; }
    ~TST_File() { --s_live; }
    u32 Load(const char* _path)
    {
        s_loads.push_back(_path);
        if (OS_StrStr(_path, "broken") != nullptr)
            OS_Fatal("TST_File::Load()", _path);
        return OS_StrStr(_path, "missing") == nullptr ? 1 : 0;
    }
};

class TST_Visual;
CON_Cache<TST_File>* s_files = nullptr;
CON_Cache<TST_Visual>* s_visuals = nullptr;

// Holds "hull.msh" of the file table; "outer..." also holds "inner.ash" of its own table.
// A path with "broken" stops after both allocations, so the half-loaded visual holds them.
class TST_Visual : public MEM_Object
{
public:
    TST_Visual() { ++s_live; }
    ~TST_Visual()
    {
        s_files->Release(m_hull);
        s_visuals->Release(m_inner);
        --s_live;
    }
    u32 Load(const char* _path)
    {
        s_loads.push_back(_path);
        m_hull = s_files->Allocate("hull.msh", 1);
        if (OS_StrStr(_path, "outer") != nullptr)
            m_inner = s_visuals->Allocate("inner.ash", 1);
        if (OS_StrStr(_path, "broken") != nullptr)
            OS_Fatal("TST_Visual::Load()", _path);
        return 1;
    }

    s32 m_hull = 0;
    s32 m_inner = 0;
};

class ConCacheTest : public testing::Test
{
protected:
    void SetUp() override
    {
        s_loads.clear();
        s_live = 0;
        m_files.SetPath("vfx\\msh\\");
        m_visuals.SetPath("vfx\\ash\\");
        s_files = &m_files;
        s_visuals = &m_visuals;
    }

    // Every slot of a table free, in both views.
    template <class T>
    static void ExpectEmpty(const CON_Cache<T>& _table)
    {
        EXPECT_EQ(0, _table.GetCount());
        for (s32 handle = 1; handle <= _table.GetCapacity(); ++handle) {
            EXPECT_EQ(nullptr, _table.Get(handle)) << handle;
            EXPECT_EQ(nullptr, _table.GetName(handle)) << handle;
            EXPECT_EQ(0, _table.GetReferenceCount(handle)) << handle;
        }
    }

    TST_TempDir m_dir;
    CON_Cache<TST_File> m_files{8};
    CON_Cache<TST_Visual> m_visuals{4};
};

TEST_F(ConCacheTest, SharesANameWithoutRegardToCase)
{
    const s32 box = m_files.Allocate("Box.msh", 1);
    EXPECT_EQ(1, box);
    EXPECT_EQ(box, m_files.Allocate("box.msh", 1));
    EXPECT_EQ(box, m_files.Allocate("BOX.MSH", 0));
    EXPECT_EQ(3, m_files.GetReferenceCount(box));
    EXPECT_EQ(1, m_files.GetCount());
    // Loaded once, from the folder joined with the name as first requested.
    EXPECT_EQ(std::vector<std::string>{"vfx\\msh\\Box.msh"}, s_loads);
    EXPECT_STREQ("Box.msh", m_files.GetName(box));

    TST_File* object = m_files.Get(box);
    m_files.Release(box);
    m_files.Release(box);
    EXPECT_EQ(object, m_files.Get(box));
    EXPECT_EQ(1, s_live);
    m_files.Release(box);
    EXPECT_EQ(0, s_live);
    ExpectEmpty(m_files);

    // Released to 0 and asked again: loaded again.
    EXPECT_EQ(1, m_files.Allocate("box.msh", 1));
    EXPECT_EQ(2u, s_loads.size());
}

TEST_F(ConCacheTest, ReusesFreedSlotsAndFindsNamesPastThem)
{
    const char* names[] = {"a.msh", "b.msh", "c.msh", "d.msh", "e.msh"};
    for (s32 i = 0; i < 5; ++i)
        EXPECT_EQ(i + 1, m_files.Allocate(names[i], 1));

    m_files.Release(3);
    EXPECT_EQ(nullptr, m_files.Get(3));
    EXPECT_EQ(3, m_files.Allocate("f.msh", 1));
    EXPECT_STREQ("f.msh", m_files.GetName(3));

    // Slot 1 free: a request still visits every slot, so e.msh is found in slot 5 ...
    m_files.Release(1);
    const size_t loads = s_loads.size();
    EXPECT_EQ(5, m_files.Allocate("E.MSH", 1));
    EXPECT_EQ(2, m_files.GetReferenceCount(5));
    EXPECT_EQ(loads, s_loads.size());
    // ... and a new name takes the first free slot.
    EXPECT_EQ(1, m_files.Allocate("g.msh", 1));
    EXPECT_EQ(5, m_files.GetCount());

    // The renderer's walk sees exactly the slots in use.
    s32 walked = 0;
    for (s32 slot = 0; slot < m_files.GetCapacity(); ++slot)
        if (m_files.GetSlot(slot) != nullptr) {
            EXPECT_EQ(m_files.Get(slot + 1), m_files.GetSlot(slot));
            ++walked;
        }
    EXPECT_EQ(5, walked);
    EXPECT_EQ(nullptr, m_files.GetSlot(-1));
    EXPECT_EQ(nullptr, m_files.GetSlot(m_files.GetCapacity()));
}

TEST_F(ConCacheTest, AFullTableStopsTheProgram)
{
    CON_Cache<TST_File> three(3);
    for (s32 i = 0; i < 3; ++i)
        EXPECT_EQ(i + 1, three.Allocate(OS_Format("n%d.msh", i), 1));
    EXPECT_EQ(1, three.Allocate("N0.msh", 1));  // a known name still counts
    EXPECT_FATAL(three.Allocate("n3.msh", 0), "CON_Cache<T>::Allocate() - cache overflow", "n3.msh");
    EXPECT_EQ(3, three.GetCount());
    EXPECT_EQ(3, s_live);

    CON_Cache<TST_File> none(0);
    EXPECT_FATAL(none.Allocate("a.msh", 1), "CON_Cache<T>::Allocate() - cache overflow", "a.msh");
    EXPECT_EQ(nullptr, none.Get(1));
    none.Release(1);
}

TEST_F(ConCacheTest, AnInsertedObjectIsSharedAndDestroyedLikeALoadedOne)
{
    CON_Cache<TST_File> two(2);
    EXPECT_EQ(1, two.Allocate("first.msh", 1));
    TST_File* made = new TST_File();
    const s32 handle = two.Insert("Made.msh", made);
    EXPECT_EQ(2, handle);
    EXPECT_EQ(made, two.Get(handle));
    EXPECT_EQ(2, two.GetCount());
    // Found by name without a load; the table's last reference destroys it.
    EXPECT_EQ(handle, two.Allocate("made.msh", 1));
    EXPECT_EQ(1u, s_loads.size());
    TST_File other;
    EXPECT_FATAL(two.Insert("MADE.MSH", &other), "CON_Cache<T>::Insert() - name taken", "MADE.MSH");
    EXPECT_FATAL(two.Insert("third.msh", &other), "CON_Cache<T>::Allocate() - cache overflow", "third.msh");
    two.Release(handle);
    EXPECT_EQ(3, s_live);
    two.Release(handle);
    EXPECT_EQ(2, s_live);
    EXPECT_EQ(1, two.GetCount());
}

TEST_F(ConCacheTest, AFileThatDoesNotLoadLeavesTheTableAsItWas)
{
    const s32 kept = m_files.Allocate("kept.msh", 1);
    const std::string name = std::string(251 - 11, 'x') + "missing.msh";  // the path: 259 characters
    const std::string overlong = "y" + name;                              // 260
    struct Case
    {
        std::string name;
        std::string path;
        bool loads;  // reaches the kind's load
    } cases[] = {
        {"missing.msh", "vfx\\msh\\missing.msh", true},
        {name, "vfx\\msh\\" + name, true},
        {overlong, "vfx\\msh\\" + overlong, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        const size_t loads = s_loads.size();
        EXPECT_EQ(0, m_files.Allocate(c.name.c_str(), 0));
        EXPECT_NE(std::string::npos,
                  m_dir.Read("log.txt").find("CON_Cache::Allocate() file \"" + c.path + "\" not found\n"));
        EXPECT_FATAL(m_files.Allocate(c.name.c_str(), 1), "CON_Cache::Allocate() file not found", c.path.c_str());
        EXPECT_EQ(loads + (c.loads ? 2 : 0), s_loads.size());
        if (c.loads) {
            EXPECT_EQ(c.path, s_loads.back());
        }

        EXPECT_EQ(1, m_files.GetCount());
        EXPECT_EQ(1, m_files.GetReferenceCount(kept));
        EXPECT_EQ(1, s_live);
        EXPECT_EQ(nullptr, m_files.Get(0));
        EXPECT_EQ(nullptr, m_files.Get(2));
        EXPECT_EQ(nullptr, m_files.GetName(2));
    }
    // The slot the failed loads took is free again.
    EXPECT_EQ(2, m_files.Allocate("next.msh", 1));
}

TEST_F(ConCacheTest, AFatalLoadFreesTheSlotAsItUnwinds)
{
    EXPECT_FATAL(m_files.Allocate("broken.msh", 1), "TST_File::Load()", "vfx\\msh\\broken.msh");
    EXPECT_EQ(0, s_live);
    ExpectEmpty(m_files);
    EXPECT_EQ(1, m_files.Allocate("fine.msh", 1));
}

TEST_F(ConCacheTest, AVisualLoadsItsMeshesDuringItsOwnLoad)
{
    const s32 outer = m_visuals.Allocate("outer.ash", 1);
    // The slot was the outer's before its load asked for the inner visual.
    EXPECT_EQ(1, outer);
    TST_Visual* visual = m_visuals.Get(outer);
    ASSERT_NE(nullptr, visual);
    EXPECT_EQ(2, visual->m_inner);
    EXPECT_STREQ("inner.ash", m_visuals.GetName(2));
    EXPECT_STREQ("outer.ash", m_visuals.GetName(1));
    EXPECT_EQ(2, m_visuals.GetCount());
    EXPECT_EQ(1, m_files.GetCount());
    EXPECT_EQ(2, m_files.GetReferenceCount(visual->m_hull));
    EXPECT_EQ(3, s_live);

    // The last release of the outer gives back what it holds.
    m_visuals.Release(outer);
    EXPECT_EQ(0, s_live);
    ExpectEmpty(m_visuals);
    ExpectEmpty(m_files);

    // A visual stopping half-way gives back what it had allocated as the error unwinds.
    EXPECT_FATAL(m_visuals.Allocate("outer_broken.ash", 1), "TST_Visual::Load()", "vfx\\ash\\outer_broken.ash");
    EXPECT_EQ(0, s_live);
    ExpectEmpty(m_visuals);
    ExpectEmpty(m_files);
}

TEST_F(ConCacheTest, StrayHandlesChangeNothing)
{
    const s32 held = m_files.Allocate("held.msh", 1);
    ASSERT_EQ(1, held);
    m_files.Allocate("gone.msh", 1);
    m_files.Release(2);
    for (s32 handle : {0, -1, 2, 8, 9, -2147483647 - 1, 2147483647}) {
        SCOPED_TRACE(handle);
        m_files.Release(handle);
        m_files.AddRef(handle);
        m_files.Release(handle);
        EXPECT_EQ(nullptr, m_files.Get(handle));
        EXPECT_EQ(0, m_files.GetReferenceCount(handle));
        EXPECT_EQ(1, m_files.GetCount());
        EXPECT_EQ(1, m_files.GetReferenceCount(held));
        EXPECT_EQ(1, s_live);
    }
    // Slot 2 serves a new name with a count of its own: one release destroys it.
    EXPECT_EQ(2, m_files.Allocate("new.msh", 1));
    m_files.Release(2);
    EXPECT_EQ(1, s_live);
    EXPECT_EQ(1, m_files.GetCount());
}

TEST_F(ConCacheTest, DestroyingTheTablesDestroysWhatTheyStillHold)
{
    {
        // Declared so that the visuals go first, as the resource caches order them.
        CON_Cache<TST_File> files(4);
        CON_Cache<TST_Visual> visuals(4);
        s_files = &files;
        s_visuals = &visuals;
        visuals.AddRef(visuals.Allocate("outer.ash", 1));  // holds hull.msh and inner.ash
        files.Allocate("a.msh", 1);
        files.AddRef(files.Allocate("b.msh", 1));
        EXPECT_EQ(5, s_live);
    }
    EXPECT_EQ(0, s_live);
    s_files = &m_files;
    s_visuals = &m_visuals;
}

TEST_F(ConCacheTest, TheFolderIsSplitAsTheSoundFilesSplitTheirs)
{
    const std::string deep = std::string(300, 'd') + "\\";
    struct Case
    {
        const char* path;
        const char* drive;
        std::string directory;
    } cases[] = {
        {"vfx\\msh\\", "", "vfx\\msh\\"},
        {"c:\\map\\lmesh\\ignored.msh", "c:", "\\map\\lmesh\\"},
        {"dat/lmesh/", "", "dat/lmesh/"},
        {"d:", "d:", ""},
        {"name.msh", "", ""},
        {"", "", ""},
        {deep.c_str(), "", std::string(255, 'd')},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        CON_Cache<TST_File> table(1);
        table.SetPath(c.path);
        EXPECT_STREQ(c.drive, table.GetDrive());
        EXPECT_EQ(c.directory, table.GetDirectory());

        SND_SampleCache sounds;
        sounds.SetPath(c.path);
        EXPECT_EQ(std::string(c.drive) + c.directory, sounds.GetPath());
    }

    m_files.SetPath("c:\\map\\lmesh\\");
    m_files.Allocate("box.msh", 1);
    EXPECT_EQ("c:\\map\\lmesh\\box.msh", s_loads.back());
}

}  // namespace
