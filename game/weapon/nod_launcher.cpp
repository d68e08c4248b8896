// Torpedo and buzzer launchers and the NPC gun: descriptions, entering the simulation on the
// father's frame, firing.
#include "nod_launcher.h"

#include "bhv_attackerslots.h"
#include "brisel_simulation.h"
#include "brisel_spawn.h"
#include "des_file.h"
#include "mat_random.h"
#include "nod_buzzer.h"
#include "nod_message.h"
#include "nod_torpedo.h"
#include "os_fatal.h"
#include "sim_clock.h"

RTI_IMPLEMENT_CLASS(NOD_TorpedoLauncher, "NOD_Body")
RTI_IMPLEMENT_CLASS(NOD_BuzzerLauncher, "NOD_Body")
RTI_IMPLEMENT_CLASS(NOD_NPC_Gun, "NOD_Body")

namespace
{
constexpr const char* NPC_GUN_PARSE = "NOD_NPC_Gun::ParseIniFile";

template <class T>
T* CastNode(NOD_Node* _node)
{
    if (_node == nullptr || !_node->IsKindOf(T::GetStaticClassDefinition()))
        return nullptr;
    return static_cast<T*>(_node);
}

// Node_EnterSimulation and Node_LeaveSimulation of all three: hung on _frame (when there is
// one), restarted at rest where the local frame is now, no message to the sons. Null when the
// message is another one; it is then still the caller's.
bool HandleSimulationMessage(NOD_Body& _body, NOD_Message* _message, NOD_CS* _frame)
{
    switch (_message->GetType()) {
    case NOD_Node_EnterSimulation::ID: {
        delete _message;
        if (_frame != nullptr)
            _body.GetCS().SetParent(_frame);
        _body.SetFlags(_body.GetFlags() | NOD_Node::FLAG_IN_SIMULATION);
        const f32 now = SIM_GetSimulationClock().time;
        const MAT_Matrix34 local = *_body.GetCS().GetTrack().GetAt(now, nullptr);
        _body.SetTransform(now, local);
        return true;
    }
    case NOD_Node_LeaveSimulation::ID:
        delete _message;
        _body.SetFlags(_body.GetFlags() & ~(u32)NOD_Node::FLAG_IN_SIMULATION);
        return true;
    default:
        return false;
    }
}

// The father body's own frame, or none.
NOD_CS* FatherFrame(const NOD_Node& _node)
{
    NOD_Body* father = NOD_Body::DynamicCast(_node.GetFather());
    return father != nullptr ? &father->GetCS() : nullptr;
}

// This body's world frame now.
const MAT_Matrix34& WorldNow(NOD_Body& _body) { return *_body.GetWorldTransform(SIM_GetSimulationClock().time); }
}  // namespace

// ---------------------------------------------------------------------------------------------
// NOD_TorpedoLauncher

NOD_TorpedoLauncher::~NOD_TorpedoLauncher() = default;

void NOD_TorpedoLauncher::ParseIniFile_Des(DES_Section& _data) { _data.GetS32("TorpedoType", &m_torpedoType); }

NOD_Message* NOD_TorpedoLauncher::ProcessMessage(NOD_Message* _message)
{
    if (HandleSimulationMessage(*this, _message, FatherFrame(*this)))
        return nullptr;
    return NOD_Node::ProcessMessage(_message);
}

NOD_Torpedo* NOD_TorpedoLauncher::Fire(NOD_Node* _target)
{
    BHV_AttackerSlots* slots = nullptr;
    if (_target != nullptr) {
        NOD_Body* target = NOD_Body::DynamicCast(_target);
        slots = target != nullptr ? target->GetTorpedoSlots() : nullptr;
        if (slots == nullptr || slots->HasFreeSlot() == 0)
            return nullptr;
    }
    if (Brisel_TheSpawn == nullptr)
        return nullptr;
    NOD_Node* owner = GetOwner();
    MAT_Vector3 velocity;
    if (NOD_Body* body = NOD_Body::DynamicCast(owner))
        body->GetVelocity(&velocity);
    NOD_Torpedo* torpedo = Brisel_TheSpawn->SpawnTorpedo(m_torpedoType, owner, WorldNow(*this), velocity, _target);
    if (slots != nullptr)
        slots->Add(torpedo);
    return torpedo;
}

NOD_TorpedoLauncher* NOD_TorpedoLauncher::DynamicCast(NOD_Node* _node) { return CastNode<NOD_TorpedoLauncher>(_node); }

// ---------------------------------------------------------------------------------------------
// NOD_BuzzerLauncher

NOD_BuzzerLauncher::~NOD_BuzzerLauncher() = default;

void NOD_BuzzerLauncher::ParseIniFile_Des(DES_Section& _data)
{
    _data.GetFloat("MeanEjectVelocity", &m_meanEjectVelocity);
    _data.GetFloat("DevEjectVelocity", &m_devEjectVelocity);
    _data.GetFloat("MeanTumblingVelocity", &m_meanTumblingVelocity);
    _data.GetFloat("DevTumblingVelocity", &m_devTumblingVelocity);
}

NOD_Message* NOD_BuzzerLauncher::ProcessMessage(NOD_Message* _message)
{
    if (HandleSimulationMessage(*this, _message, FatherFrame(*this)))
        return nullptr;
    return NOD_Node::ProcessMessage(_message);
}

NOD_Buzzer* NOD_BuzzerLauncher::Launch()
{
    if (Brisel_TheSimulation == nullptr)
        return nullptr;
    MAT_Random& random = Brisel_TheSimulation->random;
    f32 a = random.Gaussian(m_meanTumblingVelocity, m_devTumblingVelocity);
    f32 b = random.Gaussian(m_meanTumblingVelocity, m_devTumblingVelocity);
    f32 c = random.Gaussian(m_meanTumblingVelocity, m_devTumblingVelocity);
    // Each way round with the same chance, the signs drawn last to first.
    if (MAT_RandomUnit(random.Next()) > 0.5)
        c = -c;
    if (MAT_RandomUnit(random.Next()) > 0.5)
        b = -b;
    if (MAT_RandomUnit(random.Next()) > 0.5)
        a = -a;
    const f32 eject = random.Gaussian(m_meanEjectVelocity, m_devEjectVelocity);
    if (Brisel_TheSpawn == nullptr)
        return nullptr;
    return Brisel_TheSpawn->SpawnBuzzer(GetOwner(), WorldNow(*this), eject, MAT_Vector3(c, b, a));
}

NOD_BuzzerLauncher* NOD_BuzzerLauncher::DynamicCast(NOD_Node* _node) { return CastNode<NOD_BuzzerLauncher>(_node); }

// ---------------------------------------------------------------------------------------------
// NOD_NPC_Gun

NOD_NPC_Gun::~NOD_NPC_Gun() = default;

void NOD_NPC_Gun::ParseIniFile_Des(DES_Section& _data)
{
    m_firing.Set(nullptr);
    m_currentPhase = 0;
    m_shotCounter = 0;
    m_lastShotTime = NEVER_SHOT;
    _data.GetS32("BulletType", &m_bulletType);
    _data.GetS32("NumOfFieringPhases", &m_numOfPhases);
    _data.GetFloat("SingleShotDelay", &m_singleShotDelay);
    // Without a phase the cycle would take the next phase modulo 0.
    if (m_numOfPhases > MAX_PHASES || m_numOfPhases < 1)
        OS_Fatal(NPC_GUN_PARSE, "wrong number of FieringPhases");
    for (s32 i = 0; i < m_numOfPhases; ++i) {
        DES_Section phase;
        if (_data.FindSectionIndexed(&phase, "Phase", (u32)i) == 0)
            DES_FatalSectionIndexed(NPC_GUN_PARSE, "Phase", (u32)i,
                                    _data.GetFile() != nullptr ? _data.GetFile()->GetName() : "");
        phase.GetS32("NumOfShotsToEmit", &m_phases[i].shots);
        phase.GetFloat("DelayTimeBetweenCycles", &m_phases[i].delay);
    }
}

NOD_Message* NOD_NPC_Gun::ProcessMessage(NOD_Message* _message)
{
    NOD_Body* father = NOD_Body::DynamicCast(GetFather());
    if (HandleSimulationMessage(*this, _message, father != nullptr ? father->GetMountFrame() : nullptr))
        return nullptr;
    return NOD_Node::ProcessMessage(_message);
}

void NOD_NPC_Gun::StartFire() { m_firing.Set(GetShooterNode()); }

void NOD_NPC_Gun::StopFire()
{
    m_firing.Set(nullptr);
    m_currentPhase = m_numOfPhases - 1;
    m_shotCounter = -1;
}

void NOD_NPC_Gun::HeartBeat()
{
    NOD_Node* firing = GetFiring();
    // A gun made in code without a description has no phase to cycle through.
    if (!IsInSimulation() || firing == nullptr || m_numOfPhases < 1)
        return;
    const f32 now = SIM_GetSimulationClock().time;
    if (m_shotCounter != -1) {
        if (m_lastShotTime + m_singleShotDelay > now)
            return;
        // Compared only once raised: a burst of one shot (or less) never ends.
        ++m_shotCounter;
        if (m_shotCounter == m_phases[m_currentPhase].shots)
            m_shotCounter = -1;
    } else {
        if (m_lastShotTime + m_phases[m_currentPhase].delay > now)
            return;
        m_currentPhase = (m_currentPhase + 1) % m_numOfPhases;
        m_shotCounter = 1;
    }
    m_lastShotTime = now;
    if (Brisel_TheSpawn != nullptr)
        Brisel_TheSpawn->SpawnBullet(m_bulletType, firing, WorldNow(*this));
}

NOD_NPC_Gun* NOD_NPC_Gun::DynamicCast(NOD_Node* _node) { return CastNode<NOD_NPC_Gun>(_node); }
