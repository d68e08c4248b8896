// The debug settings node: the debug message family written into the channel logger.
#include "nod_debug.h"

#include "log_channellogger.h"
#include "mos_string.h"
#include "nod_message.h"
#include "os_standardstreams.h"
#include "sim_name.h"

RTI_IMPLEMENT_CLASS(NOD_Debug, "NOD_Node")

NOD_Debug::~NOD_Debug() = default;

void NOD_Debug::HeartBeat() { NOD_Node::HeartBeat(); }

NOD_Message* NOD_Debug::ProcessMessage(NOD_Message* _message)
{
    LOG_ChannelLogger& logger = OS_StandardStreams::Get().Logger();
    switch (_message->GetType()) {
    case NOD_Debug_SetLevel::ID: {
        const auto [level] = NOD_Debug_SetLevel::Read(_message);
        delete _message;
        if (level < LEVEL_LIMIT)
            logger.m_level = level;
        return nullptr;
    }
    case NOD_Debug_SetFilename::ID:
    case NOD_Debug_ActivateChannel::ID:
    case NOD_Debug_DeactivateChannel::ID: {
        const u32 id = _message->GetType();
        // The three kinds carry the same argument.
        const auto [name] = NOD_Debug_SetFilename::Read(_message);
        delete _message;
        const MOS_String text(name.GetName());
        if (id == NOD_Debug_SetFilename::ID)
            logger.m_fileName = text;
        else if (id == NOD_Debug_ActivateChannel::ID)
            logger.ActivateChannel(text);
        else
            logger.DeactivateChannel(text);
        return nullptr;
    }
    case NOD_Debug_ActivateVTune::ID:
    case NOD_Debug_DeactivateVTune::ID:
        delete _message;
        return nullptr;
    default:
        return NOD_Node::ProcessMessage(_message);
    }
}
