#include "bhv_stop.h"

#include <cmath>

#include "bhv_requests.h"
#include "cod_physical.h"
#include "mat_vector.h"
#include "mot_vehicle.h"
#include "mot_vessel.h"
#include "nod_body.h"
#include "nod_message.h"
#include "nod_path.h"
#include "nod_position.h"
#include "os_fatal.h"
#include "sim_clock.h"

namespace
{
// A rate or speed this small is none at all.
bool IsZero(f32 _value) { return !(std::fabs(_value) > MAT_EPSILON); }

// The heading point of Vessel_StopWithHeading: the named son of the path, or the origin after
// logging why there is none.
MAT_Vector3 HeadingPoint(NOD_Node* _path, const SIM_Name& _name)
{
    const s32 count = _path->GetNumOfSons();
    for (s32 i = 0; i < count; ++i) {
        NOD_Node* son = _path->GetSon(i);
        if (!(son->GetName() == _name))
            continue;
        const NOD_Position* position = NOD_Position::DynamicCast(son);
        if (position != nullptr)
            return position->GetPosition();
        OS_Log(OS_Format("Node %s is not a position node in  BHV_Vessel_A_Stop::PM_StopStartWithHeading",
                         _name.GetName()));
        return {};
    }
    OS_Log(
        OS_Format("Node %s as position node in BHV_Vessel_A_Stop::PM_StopStartWithHeading not found", _name.GetName()));
    return {};
}
}  // namespace

// ---------------------------------------------------------------------------------------------
// Vessel stop

s32 BHV_Vessel_A_Stop::IsStartMessage(const NOD_Message* _message)
{
    const u32 id = _message->GetType();
    return id == NOD_Vessel_Stop::ID || id == NOD_Vessel_StopWithHeading::ID || id == NOD_Vessel_StopWithSinking::ID
               ? 1
               : 0;
}

s32 BHV_Vessel_A_Stop::IsStopMessage(const NOD_Message* /*_message*/) { return 0; }

NOD_Message* BHV_Vessel_A_Stop::ProcessMessage(NOD_Message* _message, s32* _handled)
{
    if (IsStartMessage(_message) == 0)
        return nullptr;
    *_handled = 1;
    const BHV_Owner* owner = GetOwner();
    MOT_Vessel& motion = *owner->vesselMotion;
    const u32 id = _message->GetType();
    if (id == NOD_Vessel_Stop::ID) {
        const auto [status] = NOD_Vessel_Stop::Read(_message);
        m_sinkingRate = 0.0f;
        if (status == 0) {
            BHV_ClearRequests(motion);
        } else if (status == 1) {
            BHV_ClearRequests(motion);
            BHV_Brake(motion);
        } else {
            OS_Log(OS_Format("Unknown activation status %d in Vessel_StopStart", (s32)status));
        }
    } else if (id == NOD_Vessel_StopWithHeading::ID) {
        const auto [path, name] = NOD_Vessel_StopWithHeading::Read(_message);
        m_sinkingRate = 0.0f;
        char text[SIM_Path::STRING_BYTES];
        path.GetString(text, sizeof text);
        NOD_Node* node = owner->body->Find(path);
        if (node == nullptr) {
            OS_Log(OS_Format("Path %s is not a node in BHV_Vessel_A_Stop::PM_StopStartWithHeading", text));
        } else if (NOD_Path::DynamicCast(node) == nullptr) {
            OS_Log(OS_Format("Path %s is not a path node in BHV_Vessel_A_Stop::PM_StopStartWithHeading", text));
        } else {
            // Whether the position is there or not the vessel brakes, facing the origin without one.
            const MAT_Vector3 point = HeadingPoint(node, name);
            PHY_RotationControl& rotation = motion.Rotation;
            rotation.PointTargetMask = 0;
            rotation.AngleTargetMask = 0;
            rotation.RateTargetMask = 0;
            BHV_BrakeLinear(motion);
            BHV_FacePoint(motion, point);
        }
    } else {
        const auto [rate] = NOD_Vessel_StopWithSinking::Read(_message);
        m_sinkingRate = rate;
        BHV_ClearRequests(motion);
        if (!IsZero(rate)) {
            m_previousMode = motion.State.regime == 0 ? 0 : 1;
            motion.State.regime = 1;
        }
    }
    delete _message;
    return nullptr;
}

s32 BHV_Vessel_A_Stop::Handle()
{
    if (IsZero(m_sinkingRate))
        return 0;
    GetOwner()->vesselMotion->State.translation[2].acceleration -= m_sinkingRate;
    return 1;
}

void BHV_Vessel_A_Stop::Interrupt()
{
    if (!IsZero(m_sinkingRate) && m_previousMode == 0)
        GetOwner()->vesselMotion->State.regime = 0;
}

// ---------------------------------------------------------------------------------------------
// Vehicle stop

s32 BHV_Vehicle_A_Stop::IsStartMessage(const NOD_Message* _message)
{
    return _message->GetType() == NOD_Vehicle_Stop::ID ? 1 : 0;
}

s32 BHV_Vehicle_A_Stop::IsStopMessage(const NOD_Message* /*_message*/) { return 0; }

NOD_Message* BHV_Vehicle_A_Stop::ProcessMessage(NOD_Message* _message, s32* _handled)
{
    if (_message->GetType() != NOD_Vehicle_Stop::ID)
        return nullptr;
    *_handled = 1;
    delete _message;
    MOT_Vehicle& motion = *GetOwner()->vehicleMotion;
    BHV_ClearRequests(motion);
    BHV_Brake(motion);
    return nullptr;
}

s32 BHV_Vehicle_A_Stop::Handle() { return 0; }

void BHV_Vehicle_A_Stop::Interrupt() {}

// ---------------------------------------------------------------------------------------------
// Sink

s32 BHV_Vessel_A_Sink::IsStartMessage(const NOD_Message* _message)
{
    return _message->GetType() == NOD_Vessel_Sink::ID ? 1 : 0;
}

s32 BHV_Vessel_A_Sink::IsStopMessage(const NOD_Message* /*_message*/) { return 0; }

NOD_Message* BHV_Vessel_A_Sink::ProcessMessage(NOD_Message* _message, s32* _handled)
{
    if (_message->GetType() != NOD_Vessel_Sink::ID)
        return nullptr;
    *_handled = 1;
    const auto [path, speed] = NOD_Vessel_Sink::Read(_message);
    delete _message;

    const BHV_Owner* owner = GetOwner();
    const NOD_Position* position = NOD_Position::DynamicCast(owner->body->Find(path));
    if (position != nullptr) {
        m_targetHeight = position->GetPosition().z;
    } else {
        m_targetHeight = 0.0f;
        OS_Log("Illegal position argument in SinkStart");
    }
    MOT_Vessel& motion = *owner->vesselMotion;
    BHV_ClearRequests(motion);
    BHV_HoldAttitude(motion);
    m_sinkingSpeed = speed * motion.GetMaxForwardSpeed();
    m_stepDistance = m_sinkingSpeed * SIM_STEP;
    return nullptr;
}

s32 BHV_Vessel_A_Sink::Handle()
{
    const BHV_Owner* owner = GetOwner();
    MOT_Vessel& motion = *owner->vesselMotion;
    if (owner->physical != nullptr && owner->physical->m_contactFlag != 0) {
        BHV_SetVerticalSpeed(motion, 0.0f);
        Notify(owner->body, NOD_Vessel_SinkFinished::Create((u8)1), 1);
        return 0;
    }
    const f32 z = motion.State.frame.t.z;
    if (std::fabs(z - m_targetHeight) >= m_stepDistance) {
        // Towards the target height, down or up.
        BHV_SetVerticalSpeed(motion, z > m_targetHeight ? -m_sinkingSpeed : m_sinkingSpeed);
        return 1;
    }
    BHV_SetVerticalSpeed(motion, 0.0f);
    Notify(owner->body, NOD_Vessel_SinkFinished::Create((u8)0), 1);
    return 0;
}

void BHV_Vessel_A_Sink::Interrupt() { Notify(GetOwner()->body, NOD_Vessel_SinkOverride::Create(), 1); }
