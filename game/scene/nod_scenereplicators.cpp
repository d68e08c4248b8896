// Replicators of the scene's own nodes.
#include "nod_scenereplicators.h"

#include "nod_terrain.h"
#include "rpl_string.h"

void NOD_TerrainReplicator::WriteCreationRecord(IO_OutputStream& _stream)
{
    WriteNodeRecord(_stream);
    NOD_Terrain* terrain = NOD_Terrain::DynamicCast(GetNode());
    if (terrain != nullptr)
        RPL_WriteString(_stream, terrain->GetSetName());
    else
        RPL_WriteString(_stream, "", 0);
}
