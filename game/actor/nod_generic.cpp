// Generic bodies: description, pre-lit mesh lookup, entering and leaving, the step and drawing.
#include "nod_generic.h"
#include "nod_creationrecord.h"

#include <string>

#include "brisel_cache.h"
#include "brisel_renderer.h"
#include "cod_physical.h"
#include "con_cache.h"
#include "des_file.h"
#include "nod_actor_local.h"
#include "nod_freeflight.h"
#include "nod_message.h"
#include "os_file.h"
#include "os_path.h"
#include "reb_mesh.h"
#include "sim_clock.h"

RTI_IMPLEMENT_CLASS(NOD_Generic, "NOD_ShieldedBody")

void NOD_Generic::RegisterStreamCreator()
{
    RTI_SetClassFunction(GetStaticClassDefinition(), &NOD_CreationRecord::CreateFromStream);
}

namespace
{
constexpr const char* PARSE = "NOD_Generic::ParseIniFile()";

CON_Cache<REB_Mesh>* LightMeshCache()
{
    return Brisel_TheCache != nullptr ? Brisel_TheCache->GetLightMeshCache() : nullptr;
}

// 1 when _file lies in the light-mesh cache's folder.
u32 LightMeshExists(const CON_Cache<REB_Mesh>& _cache, const std::string& _file)
{
    const std::string path = std::string(_cache.GetDrive()) + _cache.GetDirectory() + _file;
    return OS_File::Exists(path.c_str());
}
}  // namespace

NOD_Generic::NOD_Generic() = default;

NOD_Generic::~NOD_Generic()
{
    m_mesh.Release();
    if (m_lightMeshHandle != 0 && LightMeshCache() != nullptr)
        LightMeshCache()->Release(m_lightMeshHandle);
    m_lightMeshHandle = 0;
    delete m_torpedoes;
    delete m_attackers;
}

NOD_Generic* NOD_Generic::DynamicCast(NOD_Node* _node)
{
    if (_node == nullptr || !_node->IsKindOf(GetStaticClassDefinition()))
        return nullptr;
    return static_cast<NOD_Generic*>(_node);
}

void NOD_Generic::ParseIniFile_Des(DES_Section& _data)
{
    NOD_ReadVisual(_data, PARSE, m_mesh, true);

    ContactAggregate& aggregate = GetAggregate();
    DES_Section collision = NOD_ActorSection(_data, "Collision", PARSE);
    aggregate.GeneratePhysicalGeneric(&collision);
    f32 box[6];
    m_mesh.GetBodyBox(box);
    aggregate.GenerateVisibleObject(box);
    DES_Section avoidance = NOD_ActorSection(_data, "Avoidance", PARSE);
    aggregate.GeneratePassiveAvoid(&avoidance);
    aggregate.GenerateShadowCaster();
    aggregate.GenerateShadowReceiver(0);
    DES_Section emitter = NOD_ActorSection(_data, "Emitter", PARSE);
    aggregate.GenerateEmitter(&emitter);

    NOD_ShieldedBody::ParseIniFile(_data);

    DES_Section attackable;
    if (_data.FindSection(&attackable, "Attackable") != 0 && m_isAttackable == 0) {
        m_isAttackable = 1;
        m_attackers = new BHV_AttackerSlots;
        m_attackers->AllocateAttackers(this);
        m_torpedoes = new BHV_AttackerSlots;
        m_torpedoes->AllocateTorpedoes(this);
    }

    // A second description read registers nothing twice.
    if (m_states.GetCount() == 0) {
        m_parts.Fill(this);
        m_states.Register(&m_shotHits, &m_parts);
        m_states.Register(&m_shieldGuard, &m_parts);
    }

    LoadSons(_data);

    if (DynamicCast(GetFather()) == nullptr)
        LoadMesh(GetName().GetName());
}

void NOD_Generic::LoadMesh(const char* _name)
{
    CON_Cache<REB_Mesh>* cache = LightMeshCache();
    if (cache != nullptr) {
        const std::string file = std::string(_name) + ".msh";
        s32 handle = 0;
        if (LightMeshExists(*cache, file) != 0 || LightMeshExists(*cache, std::string(_name) + "~.msh") != 0)
            handle = cache->Allocate(file.c_str(), 0);
        if (m_lightMeshHandle != 0)
            cache->Release(m_lightMeshHandle);
        m_lightMeshHandle = handle;
    }
    for (s32 i = 0; i < (s32)GetNumOfSons(); ++i) {
        NOD_Generic* son = DynamicCast(GetSon(i));
        if (son == nullptr)
            break;
        son->LoadMesh((std::string(_name) + "_child" + std::to_string(i)).c_str());
    }
}

void NOD_Generic::HeartBeat()
{
    if (!IsInSimulation())
        return;
    m_states.HandlePass1();
    if (NOD_HasContacts(*this) != 0)
        ApplyContactsToShield();
    m_states.HandlePass2();
    NOD_Node::HeartBeat();
    if (m_isAttackable == 1 && GetShieldRef().IsExhausted() != 0)
        NOD_Node::GC_AddNode(this);
}

NOD_Message* NOD_Generic::ProcessMessage(NOD_Message* _message)
{
    switch (_message->GetType()) {
    case NOD_Node_EnterSimulation::ID:
        delete _message;
        PM_EnterSimulation();
        return nullptr;
    case NOD_Node_LeaveSimulation::ID:
        delete _message;
        PM_LeaveSimulation();
        return nullptr;
    default:
        return BHV_DispatchToOwnerChain(this, _message, nullptr, &m_states, nullptr);
    }
}

void NOD_Generic::PM_EnterSimulation()
{
    if (NOD_Body* father = NOD_Body::DynamicCast(GetFather()))
        GetCS().SetParent(&father->GetCS());
    GetAggregate().EnterSimulation(*GetWorldTransform(SIM_GetSimulationClock().time), MAT_Vector3());
    NOD_EnterSons(*this);
    GetAggregate().LinkSonShields();
    SetFlags(GetFlags() | FLAG_IN_SIMULATION);
}

void NOD_Generic::PM_LeaveSimulation()
{
    GetAggregate().UnlinkSonShields();
    NOD_LeaveSons(*this);
    GetAggregate().LeaveSimulation();
    SetFlags(GetFlags() & ~(u32)FLAG_IN_SIMULATION);
}

void NOD_Generic::Render()
{
    const REB_Mesh* mesh = m_mesh.Get();
    Brisel_Renderer* renderer = Brisel_Renderer::Get();
    if (mesh == nullptr || renderer == nullptr)
        return;
    const MAT_Matrix34& world = *GetWorldTransform(SIM_GetFrameClock().time);
    CON_Cache<REB_Mesh>* lightCache = LightMeshCache();
    const REB_Mesh* lightMesh =
        m_lightMeshHandle != 0 && lightCache != nullptr ? lightCache->Get(m_lightMeshHandle) : nullptr;
    if (lightMesh != nullptr)
        renderer->RenderMeshPrelit(lightMesh, mesh, world);
    else
        renderer->RenderMesh(mesh, world);
}

void NOD_Generic::GetBoundingBox(f32* _box, f32 _time) { m_mesh.GetWorldBox(*GetWorldTransform(_time), _box); }

MAT_Vector3* NOD_Generic::GetMatrixAtTime(MAT_Vector3* _position, f32 _time)
{
    *_position = m_mesh.GetCentre(*GetWorldTransform(_time));
    return _position;
}

BHV_AttackerSlots* NOD_Generic::GetAttackerSlots() { return m_isAttackable == 1 ? m_attackers : nullptr; }

BHV_AttackerSlots* NOD_Generic::GetTorpedoSlots() { return m_isAttackable == 1 ? m_torpedoes : nullptr; }
