// Any bytes as an object description through the "Collision" readers of every physical kind
// (vessel, generic object, bullet, torpedo). Missing, mistyped or unloadable entries are
// fatal refusals; whatever parses must survive a pass against a fixture body, and every
// description must give back the tree reference it took.
#include "cod_physical.h"
#include "cos_obbs_tree.h"
#include "cos_obbs_treecache.h"
#include "des_file.h"
#include "fuzz_workdir.h"
#include "nod_node.h"
#include "os_fatal.h"
#include "sim_clock.h"
#include "tools_obbs.h"

namespace
{
void Check(bool _condition)
{
    if (!_condition)
        __builtin_trap();
}

MAT_Matrix34 At(f32 _x)
{
    MAT_Matrix34 frame;
    frame.r.SetDiagonal(1.0f);
    frame.t = MAT_Vector3(_x, 0.0f, 0.0f);
    return frame;
}

// The one tree a fuzzed description can name by luck or by its seed: "plate".
void WriteTrees()
{
    TOOL_ObbsTree plate =
        TOOL_ObbsBuild({{0.0f, -1.0f, -1.0f}, {0.0f, 1.0f, -1.0f}, {0.0f, 1.0f, 1.0f}, {0.0f, -1.0f, 1.0f}},
                       {{0, 1, 2}, {0, 2, 3}}, 1);
    plate.maxDescend = 4;
    Check(TOOL_WriteObbs("plate", plate) == 1);
}

// What parsed meets a fixture body: a pass with contacts both ways, a shot along x.
void Exercise(COD_Physical& _d, COD_Physical_Generic& _fixture)
{
    const SIM_Clock clock;
    _d.BeginStep();
    _fixture.BeginStep();
    _d.Collide(&_fixture, clock);
    _fixture.Collide(&_d, clock);
    _d.EndStep();
    const COD_PhysicalContacts* contacts = _d.GetContacts();
    if (contacts != nullptr)
        Check(contacts->count >= 0 && contacts->count <= contacts->capacity);
    Check(_fixture.m_contacts.count <= _fixture.m_contacts.capacity);
    Check(_fixture.m_shotHits.count <= _fixture.m_shotHits.capacity);
}

void ReadAll(DES_Section* _section, COD_Physical_Generic& _fixture, const MAT_Matrix34& _frame, NOD_Node& _owner)
{
    for (s32 reader = 0; reader < 4; ++reader) {
        try {
            MAT_Vector3 velocity(1.0f, 0.0f, 0.0f);
            if (reader == 0) {
                COD_Physical_Vessel vessel;
                vessel.Parse(_section, 0.25f);
                Check(vessel.m_maxCollisions >= 0 && vessel.m_maxShotHits >= 0);
                vessel.m_owner = &_owner;
                vessel.m_transform = &_frame;
                vessel.m_velocity = &velocity;
                Exercise(vessel, _fixture);
            } else if (reader == 1) {
                COD_Physical_Generic generic;
                generic.Parse(_section);
                Check(generic.m_maxCollisions >= 0 && generic.m_maxShotHits >= 0);
                generic.m_transform = &_frame;
                Exercise(generic, _fixture);
            } else if (reader == 2) {
                COD_Physical_Bullet bullet;
                bullet.Parse(_section);
                bullet.SetSegment(MAT_Vector3(-3.0f, 0.0f, 0.0f), MAT_Vector3(3.0f, 0.0f, 0.0f));
                Exercise(bullet, _fixture);
            } else {
                COD_PhysicalTorpedo torpedo;
                torpedo.Parse(_section);
                torpedo.m_transform = &_frame;
                torpedo.SetSegment(MAT_Vector3(-3.0f, 0.0f, 0.0f), MAT_Vector3(3.0f, 0.0f, 0.0f));
                Exercise(torpedo, _fixture);
            }
        } catch (const OS_FatalError&) {
        }
    }
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const u8* _data, size_t _size)
{
    if (_size > 0x10000)
        return 0;
    // Most inputs end in a fatal refusal, which logs: keep the log silent.
    if (FUZZ_EnterWorkDirectory("collision_section", FUZZ_LOG_SILENT))
        WriteTrees();
    FUZZ_WriteFile("in.des", _data, _size);

    COS_OBBS_Tree_Cache cache;
    COS_OBBS_Tree_Cache::SetCurrent(&cache);
    {
        // The fixture holds the one reference that stays through the readers.
        COD_Physical_Generic fixture;
        NOD_Node owner;
        const MAT_Matrix34 fixtureFrame = At(0.5f);
        const MAT_Matrix34 frame = At(0.0f);
        fixture.m_tree = cache.AllocateTree("plate");
        fixture.m_ownsTree = 1;
        fixture.m_transform = &fixtureFrame;
        fixture.m_contacts.Allocate(2);
        fixture.m_shotHits.Allocate(2);
        for (u32 pass = 0; pass < 2; ++pass) {
            try {
                DES_File file;
                DES_Section root;
                DES_Section section;
                file.Open(&root, "in.des");
                // The creator hands over the "Collision" section; a file without one gives its
                // root section to the readers instead, so every input reaches them.
                DES_Section* read = root.FindSection(&section, "Collision") ? &section : &root;
                ReadAll(read, fixture, frame, owner);
            } catch (const OS_FatalError&) {
            }
            Check(cache.GetEntryCount() == 1 && cache.GetEntry(0).referenceCount == 1);
        }
    }
    COS_OBBS_Tree_Cache::SetCurrent(nullptr);
    return 0;
}
