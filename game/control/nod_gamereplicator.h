// The game node's replicator: its creation record carries the game's two replication names.
#pragma once

#include "io_outputstream.h"
#include "nod_replicator.h"

class NOD_GameReplicator : public NOD_Replicator
{
public:
    // The first replication name, then the second, as record strings.
    void WriteCreationRecord(IO_OutputStream& _stream) override;
};
