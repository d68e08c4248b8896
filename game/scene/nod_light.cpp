// The light node: its description, the cone message and its visible box.
#include "nod_light.h"

#include "des_file.h"
#include "mat_angle.h"
#include "nod_bodylink.h"
#include "nod_message.h"
#include "os_fatal.h"
#include "os_string.h"
#include "sim_clock.h"

RTI_IMPLEMENT_CLASS(NOD_Light, "NOD_Body")

namespace
{
const char* const PARSE = "NOD_Light::ParseIniFile()";
constexpr f32 DEGREES_TO_RADIANS = 0.017453292f;
constexpr u32 TYPE_BYTES = 256;
}  // namespace

NOD_Light::NOD_Light() { SetRanges(100.0f, 200.0f); }

NOD_Light::~NOD_Light() = default;

void NOD_Light::SetRanges(f32 _near, f32 _far)
{
    m_near = _near;
    m_far = _far;
    if (!(_near != _far)) {
        OS_Log(
            OS_Format("NOD_Light: light \"%s\" has equal ranges %g, fall-off kept", GetName().GetName(), (f64)_near));
        return;
    }
    m_light.m_intensity = _far / (_far - _near);
    m_light.m_vector = MAT_Vector3(1.0f / (_near - _far), 0.0f, 0.0f);
}

void NOD_Light::ParseIniFile_Des(DES_Section& _data)
{
    DES_Section visual = NOD_RequireSection(_data, "Visual", PARSE);
    if (visual.HasEntry("Type")) {
        char type[TYPE_BYTES] = {};
        visual.GetString("Type", type, sizeof(type));
        if (OS_StrICmp(type, "omni") != 0 && OS_StrICmp(type, "omnifast") != 0 && OS_StrICmp(type, "cone") != 0)
            OS_Log(OS_Format("NOD_Light::ParseIniFile() light \"%s\" parsed wrong type \"%s\"", GetName().GetName(),
                             type));
    } else {
        OS_Log(OS_Format("NOD_Light::ParseIniFile() light \"%s\" no type given", GetName().GetName()));
    }
    // Every type lights alike.
    m_light.m_type = 0;
    f32 rgb[3] = {};
    visual.GetVector3("RGB", rgb);
    m_light.m_color1 = MAT_Vector3(rgb[0], rgb[1], rgb[2]);
    f32 range[2] = {};
    visual.GetVector2("Range", range);
    SetRanges(range[0], range[1]);
    LoadSons(_data);
}

void NOD_Light::HeartBeat()
{
    if (!IsInSimulation())
        return;
    m_record.Step(*this);
    NOD_Node::HeartBeat();
}

void NOD_Light::PM_SetCone(const MAT_Vector3& _position, const MAT_Vector3& _angles, f32 _range)
{
    MAT_Matrix34 frame;
    frame.t = _position;
    frame.r.FromAngles(MAT_Angle(MAT_WrapAngle(_angles.x * DEGREES_TO_RADIANS)),
                       MAT_Angle(MAT_WrapAngle(_angles.y * DEGREES_TO_RADIANS)),
                       MAT_Angle(MAT_WrapAngle(_angles.z * DEGREES_TO_RADIANS)));
    GetCS().SetState(SIM_GetSimulationClock().time, frame);
    SetRanges(0.9f * _range, _range);
}

NOD_Message* NOD_Light::ProcessMessage(NOD_Message* _message)
{
    switch (_message->GetType()) {
    case NOD_Light_Switch::ID:
        (void)NOD_Light_Switch::Read(_message);
        break;
    case NOD_Light_SetCone::ID: {
        const auto [position, angles, range, unused] = NOD_Light_SetCone::Read(_message);
        (void)unused;
        PM_SetCone(position, angles, range);
        break;
    }
    case NOD_Light_SetR1::ID:
        (void)NOD_Light_SetR1::Read(_message);
        break;
    case NOD_Light_SetR2::ID:
        (void)NOD_Light_SetR2::Read(_message);
        break;
    case NOD_Light_SetMode::ID:
        (void)NOD_Light_SetMode::Read(_message);
        break;
    case NOD_Light_SetColor::ID:
        (void)NOD_Light_SetColor::Read(_message);
        break;
    default:
        if (m_record.HandleEntry(*this, _message, MAT_Vector3(1.0f, 1.0f, 1.0f)))
            return nullptr;
        return NOD_Body::ProcessMessage(_message);
    }
    delete _message;
    return nullptr;
}

NOD_Light* NOD_Light::DynamicCast(NOD_Node* _node)
{
    if (_node == nullptr || !_node->IsKindOf(GetStaticClassDefinition()))
        return nullptr;
    return static_cast<NOD_Light*>(_node);
}
