// The replicators of the scene's own nodes: the scenario node, the plants, plankton and light
// rays (their body track), and the terrain, whose creation record names its set too.
#pragma once

#include "io_outputstream.h"
#include "nod_bodyreplicator.h"
#include "nod_replicator.h"

class NOD_ScenarioReplicator : public NOD_Replicator
{
};

class NOD_SceneBodyReplicator : public NOD_BodyReplicator
{
};

class NOD_TerrainReplicator : public NOD_BodyReplicator
{
public:
    // The plain record, then the name of the terrain set the node holds.
    void WriteCreationRecord(IO_OutputStream& _stream) override;
};
