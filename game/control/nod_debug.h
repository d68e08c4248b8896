// The debug settings node: the son "debug" of the root, through which scripts and the console
// change the process-wide channel logger's settings (level, file name, channels).
//
// Those settings stay with the logger (OS_StandardStreams::Logger) for the whole run; the log
// itself does not read them, so log lines keep going to "log.txt" whatever the node is told,
// and setting a file name creates no file. No members beyond the node; one thread.
#pragma once

#include "nod_node.h"

class NOD_Debug : public NOD_Node
{
    RTI_DECLARE_CLASS(NOD_Debug)

public:
    NOD_Debug() = default;
    ~NOD_Debug() override;

    // Runs the sons, as a plain node does.
    void HeartBeat() override;
    // Debug_SetLevel (levels 0..6 taken, 7 and above ignored), Debug_SetFilename,
    // Debug_ActivateChannel, Debug_DeactivateChannel, and the two VTune messages, which do
    // nothing (no reply for any); every other id goes to NOD_Node.
    NOD_Message* ProcessMessage(NOD_Message* _message) override;

    enum : u32
    {
        LEVEL_LIMIT = 7  // the first level that is ignored
    };
};
