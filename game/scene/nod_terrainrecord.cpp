// The terrain's creation record: the generic record and the terrain set the node holds.
#include "nod_creationrecord.h"
#include "nod_terrain.h"

RTI_Class* NOD_Terrain::CreateFromStream(u32 _classIndex, s32 _replica, IO_InputStream& _stream)
{
    static constexpr const char* CAPTION = "NOD_Terrain::CreateFromStream()";
    NOD_CreationRecord record;
    if (!record.Read(_stream, CAPTION))
        return nullptr;
    MOS_String set;
    if (!NOD_CreationRecord::ReadString(_stream, set) || !NOD_CreationRecord::StreamIntact(_stream))
        return NOD_CreationRecord::Refuse(CAPTION, "record cut short");
    if (!NOD_CreationRecord::IsTerrainSet(set))
        return NOD_CreationRecord::Refuse(CAPTION, "terrain set");
    NOD_Node* node = record.Make(_classIndex, _replica);
    // The index may name another class: only a terrain loads the set.
    if (NOD_Terrain* terrain = dynamic_cast<NOD_Terrain*>(node))
        terrain->LoadTerrain(set.C_Str());
    return node;
}
