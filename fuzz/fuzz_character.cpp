// Fuzzes character descriptions: the input up to its first zero byte is the description
// "vfx\chr\in.des", read by a physical character and by a plain character over the fixture's
// animation set (loaded by LoadSet and put into the run's animation-set table, as the program's
// load would have). A physical character that reads it senses a player and a plain body, enters
// the simulation and runs four seconds of steps while the input's last bytes switch its
// segments on and off, start looks, animations and a walk; the plain character plays an
// animation for a second. Fatal refusals are expected; once the nodes, the set and the caches
// are gone no engine memory is left behind.
#include <cstdlib>
#include <cstring>
#include <string>

#include "app_register.h"
#include "brisel_cache.h"
#include "cod_emitter.h"
#include "cod_sensor.h"
#include "crt_rand.h"
#include "fuzz_workdir.h"
#include "mem_alloc.h"
#include "nod_character.h"
#include "nod_message.h"
#include "nod_path.h"
#include "nod_physicalcharacter.h"
#include "nod_player.h"
#include "nod_position.h"
#include "os_fatal.h"
#include "os_path.h"
#include "sim_clock.h"
#include "tools_animation.h"
#include "vca_cache.h"

namespace
{
void Check(bool _condition)
{
    if (!_condition)
        __builtin_trap();
}

// A body under _root at _position.
template <class T>
T* Place(NOD_Node* _root, const MAT_Vector3& _position)
{
    T* body = new T();
    _root->AddSon(body);
    MAT_Matrix34 frame;
    frame.r.SetDiagonal(1.0f);
    frame.t = _position;
    body->SetTransform(SIM_GetSimulationClock().time, frame);
    return body;
}

void Walk(NOD_Node* _root, NOD_PhysicalCharacter* _character, const u8* _tail, size_t _tailSize)
{
    NOD_Path* path = new NOD_Path();
    path->SetName("route");
    _root->AddSon(path);
    for (s32 i = 0; i < 2; ++i) {
        NOD_Position* position = new NOD_Position();
        position->SetName(i == 0 ? "p0" : "p1");
        position->SetPosition(MAT_Vector3(20.0f * (f32)i, 30.0f, 0.0f));
        path->AddSon(position);
    }
    // The sector sensor's presence list as a sensing pass would leave it.
    COD_Emitter player;
    COD_Emitter plain;
    player.SetOwner(Place<NOD_Player>(_root, MAT_Vector3(5.0f, 5.0f, 0.0f)), nullptr, nullptr);
    plain.SetOwner(Place<NOD_Body>(_root, MAT_Vector3(-5.0f, 5.0f, 0.0f)), nullptr, nullptr);
    COD_Sensor* sensor = _character->GetAggregate().GetSensor2();
    if (sensor != nullptr && sensor->m_presentCapacity >= 2) {
        sensor->m_present[sensor->m_presentCount++].Set(&player);
        sensor->m_present[sensor->m_presentCount++].Set(&plain);
    }

    delete _character->ProcessMessage(NOD_Node_EnterSimulation::Create());
    SIM_Clock& clock = SIM_GetSimulationClock();
    for (s32 step = 0; step < 80; ++step) {
        const u8 b = _tailSize > 0 ? _tail[(size_t)step % _tailSize] : 0;
        NOD_Message* message = nullptr;
        switch (step % 8 == 0 ? b & 7 : 7) {
        case 0:
            message = NOD_PhysicalCharacter_StartAnimation::Create((u32)(b >> 3) % 4, 0.1f * (f32)(b >> 5));
            break;
        case 1:
            message = NOD_PhysicalCharacter_StopAnimation::Create((u32)(b >> 3) % 4, 0.1f * (f32)(b >> 5));
            break;
        case 2:
            message = NOD_PhysicalCharacter_LookTo::Create(MAT_Vector3(10.0f, (f32)b, 3.0f), (u8)((b >> 3) % 4));
            break;
        case 3:
            message = NOD_Character_StartAnimation::Create(SIM_Name((b & 8) != 0 ? "walk" : "Wave"));
            break;
        case 4:
            message = NOD_PhysicalCharacter_GotoStart::Create(SIM_Path("/route"), 0.25f * (f32)(b >> 4));
            break;
        case 5:
            message = NOD_Character_StopAnimation::Create();
            break;
        case 6:
            message = NOD_Body_SetCS::Create(MAT_Vector3((f32)(b >> 4), 0.0f, 1.0f), MAT_Vector3(0.0f, 0.0f, (f32)b));
            break;
        default:
            break;
        }
        if (message != nullptr)
            delete _character->ProcessMessage(message);
        _character->HeartBeat();
        clock.SetTime(clock.time + clock.dt);
    }
    f32 box[6] = {};
    _character->GetBoundingBox(box, clock.time);
    delete _character->ProcessMessage(NOD_Node_LeaveSimulation::Create());
    if (sensor != nullptr)
        sensor->ClearResults();
}

void Plain(NOD_Node* _root)
{
    NOD_Node* node = NOD_Node::CreateNode("NOD_Character", "stander");
    _root->AddSon(node);
    node->ParseIniFile_File("chr\\in.des");
    delete node->ProcessMessage(NOD_Node_EnterSimulation::Create());
    delete node->ProcessMessage(NOD_Character_StartAnimation::Create(SIM_Name("Walk")));
    SIM_Clock& clock = SIM_GetSimulationClock();
    for (s32 step = 0; step < 20; ++step) {
        node->HeartBeat();
        clock.SetTime(clock.time + clock.dt);
    }
    SIM_GetFrameClock().SetTime(clock.time);
    static_cast<NOD_Character*>(node)->Render();
    delete node->ProcessMessage(NOD_Node_LeaveSimulation::Create());
}

void Run(const u8* _tail, size_t _tailSize)
{
    Brisel_Cache* cache = new Brisel_Cache();
    Brisel_TheCache = cache;
    SIM_GetSimulationClock().Set(0.0f, SIM_STEP);
    SIM_GetFrameClock().Set(0.0f, SIM_STEP);
    CRT_SRand(1);
    VCA_Cache* set = new VCA_Cache();
    set->LoadSet("dat\\animation\\walker.des");
    const s32 handle = cache->GetAnimationCache()->Insert("walker.des", set);
    NOD_Node* root = new NOD_Node();
    root->SetName("root");
    NOD_Node::SetRoot(root);
    try {
        NOD_Node* node = NOD_Node::CreateNode("NOD_PhysicalCharacter", "walker");
        root->AddSon(node);
        node->ParseIniFile_File("chr\\in.des");
        Walk(root, static_cast<NOD_PhysicalCharacter*>(node), _tail, _tailSize);
    } catch (const OS_FatalError&) {
    }
    try {
        Plain(root);
    } catch (const OS_FatalError&) {
    }
    delete root;
    NOD_Node::GC_Collect();
    Check(cache->GetAnimationCache()->GetReferenceCount(handle) == 1);
    cache->GetAnimationCache()->Release(handle);
    Check(cache->GetAnimationCache()->GetCount() == 0);
    Check(cache->GetMeshCache()->GetCount() == 0);
    Brisel_TheCache = nullptr;
    delete cache;
    SIM_GetSimulationClock().Reset();
    SIM_GetFrameClock().Reset();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const u8* _data, size_t _size)
{
    if (_size > 0x4000)
        return 0;
    if (FUZZ_EnterWorkDirectory("character", FUZZ_LOG_SILENT)) {
        Brisel_RegisterModules();
        if (TOOL_WriteAnimationFixture(".", TOOL_MakeAnimationFixture(), "walker.des") != 1)
            abort();
        std::filesystem::create_directories("vfx/chr");
    }
    const u8* zero = (const u8*)std::memchr(_data, 0, _size);
    const size_t end = zero != nullptr ? (size_t)(zero - _data) : _size;
    FUZZ_WriteFile("vfx/chr/in.des", _data, end);
    const u8* tail = end < _size ? _data + end + 1 : _data + _size;
    const size_t tailSize = end < _size ? _size - end - 1 : 0;

    // The first pass warms what the file and log layers keep; the second must give back all
    // it takes.
    u32 before = 0;
    for (u32 pass = 0; pass < 2; ++pass) {
        OS_ResetPathCache();
        before = MEM_GetBytesInUse();
        Run(tail, tailSize);
        OS_ResetPathCache();
    }
    Check(MEM_GetBytesInUse() == before);
    return 0;
}
