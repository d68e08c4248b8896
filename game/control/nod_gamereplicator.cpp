// The game node's replicator.
#include "nod_gamereplicator.h"

#include <cstring>

#include "nod_game.h"
#include "rpl_string.h"

void NOD_GameReplicator::WriteCreationRecord(IO_OutputStream& _stream)
{
    NOD_Game* game = dynamic_cast<NOD_Game*>(GetNode());
    for (s32 i = 0; i < 2; ++i) {
        const char* name = game != nullptr ? game->GetReplicationName(i).GetName() : "";
        RPL_WriteString(_stream, name, (u32)std::strlen(name));
    }
}
