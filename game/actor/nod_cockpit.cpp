// The cockpit: description, entering and leaving, the step that follows the father and the
// drawing without depth.
#include "nod_cockpit.h"

#include "brisel_renderer.h"
#include "brisel_simulation.h"
#include "des_file.h"
#include "dsp_display.h"
#include "nod_bodylink.h"
#include "nod_camera.h"
#include "nod_freeflight.h"
#include "nod_message.h"
#include "sim_clock.h"

RTI_IMPLEMENT_CLASS(NOD_Cockpit, "NOD_Body")

namespace
{
constexpr const char* PARSE = "NOD_Cockpit::ParseIniFile()";
}  // namespace

NOD_Cockpit::NOD_Cockpit()
{
    // The motion state is a member of this class, built after the body: it is attached here.
    GetCS().SetAttachedFrame(&m_state);
    m_state.SetMatrix(*GetCS().GetTrack().GetAt(0.0f, nullptr));
    SetRenderBucket(RENDER_BUCKET);
}

NOD_Cockpit::~NOD_Cockpit()
{
    // The renderer must not keep a cockpit that is gone, whichever way it went.
    SetShown(0);
}

NOD_Cockpit* NOD_Cockpit::DynamicCast(NOD_Node* _node)
{
    if (_node == nullptr || !_node->IsKindOf(GetStaticClassDefinition()))
        return nullptr;
    return static_cast<NOD_Cockpit*>(_node);
}

void NOD_Cockpit::ParseIniFile_Des(DES_Section& _data)
{
    DES_Section visual = NOD_RequireSection(_data, "Visual", PARSE);
    char meshName[NOD_Node::PATH_BYTES] = {};
    visual.GetString("NameMesh", meshName, sizeof meshName);
    m_mesh.Allocate(meshName, PARSE);
}

NOD_Message* NOD_Cockpit::ProcessMessage(NOD_Message* _message)
{
    switch (_message->GetType()) {
    case NOD_Node_EnterSimulation::ID:
        delete _message;
        NOD_LinkToFather(*this);
        NOD_EnterSons(*this);
        SetShown(0);
        SetFlags(GetFlags() | FLAG_IN_SIMULATION);
        return nullptr;
    case NOD_Node_LeaveSimulation::ID:
        delete _message;
        SetShown(0);
        NOD_LeaveSons(*this);
        SetFlags(GetFlags() & ~(u32)FLAG_IN_SIMULATION);
        NOD_RestAtTrackFrame(*this, SIM_GetSimulationClock().time);
        return nullptr;
    default:
        // No Body_* message: the cockpit goes where its father goes.
        return NOD_Node::ProcessMessage(_message);
    }
}

void NOD_Cockpit::HeartBeat()
{
    if (!IsInSimulation())
        return;
    const SIM_Clock& clock = SIM_GetSimulationClock();
    const f32 next = clock.time + clock.dt;
    if (NOD_Body* father = NOD_Body::DynamicCast(GetFather())) {
        // Evaluated at both ends of the step, the father's cache is left at the step's end.
        father->GetWorldTransform(clock.time);
        father->GetWorldTransform(next);
        // The offset stays, the rotation is the father's own.
        MAT_Matrix34 frame;
        frame.r.SetDiagonal(1.0f);
        frame.t = m_state.frame.t;
        m_state.SetMatrix(frame);
    }
    GetCS().RecordStep(next, m_state.frame, m_state.GetVelocity());
    SetShown(IsFatherViewed());
}

u32 NOD_Cockpit::IsFatherViewed() const
{
    NOD_Camera* camera =
        NOD_Camera::DynamicCast(Brisel_TheSimulation != nullptr ? Brisel_TheSimulation->cameraNode : nullptr);
    if (camera == nullptr || GetFather() == nullptr)
        return 0;
    NOD_Body* reference = nullptr;
    NOD_Body* second = nullptr;
    return camera->GetModeAndTargets(&reference, &second) == NOD_Camera::MODE_LOOK_FROM && reference == GetFather()
               ? 1u
               : 0u;
}

void NOD_Cockpit::SetShown(u32 _shown)
{
    if (_shown == m_shown)
        return;
    m_shown = _shown;
    Brisel_Renderer* renderer = Brisel_Renderer::Get();
    if (renderer == nullptr)
        return;
    if (_shown != 0)
        renderer->AddPermanentBody(this);
    else
        renderer->RemovePermanentBody(this);
}

void NOD_Cockpit::Render()
{
    Brisel_Renderer* renderer = Brisel_Renderer::Get();
    if (renderer == nullptr || SITO_DISPLAY == nullptr)
        return;
    u32 depthTest = 0;
    u32 depthWrite = 0;
    SITO_DISPLAY->GetRenderState(DSP_RS_ZENABLE, &depthTest);
    SITO_DISPLAY->GetRenderState(DSP_RS_ZWRITEENABLE, &depthWrite);
    SITO_DISPLAY->SetRenderState(DSP_RS_ZENABLE, 0);
    SITO_DISPLAY->SetRenderState(DSP_RS_ZWRITEENABLE, 0);
    renderer->RenderMesh(m_mesh.Get(), *GetWorldTransform(SIM_GetFrameClock().time));
    SITO_DISPLAY->SetRenderState(DSP_RS_ZENABLE, depthTest);
    SITO_DISPLAY->SetRenderState(DSP_RS_ZWRITEENABLE, depthWrite);
}

void NOD_Cockpit::GetBoundingBox(f32* _box, f32 _time) { m_mesh.GetBoundingBox(*this, _box, _time); }
