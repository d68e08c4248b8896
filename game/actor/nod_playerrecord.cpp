// The player's creation record: a player under the root, configured from its description.
#include "nod_creationrecord.h"
#include "nod_player.h"

RTI_Class* NOD_Player::CreateFromStream(u32, s32, IO_InputStream& _stream)
{
    static constexpr const char* CAPTION = "NOD_Player::CreateFromStream()";
    MOS_String file;
    MOS_String name;
    const u32 complete = NOD_CreationRecord::ReadString(_stream, file) && NOD_CreationRecord::ReadString(_stream, name);
    if (!complete || !NOD_CreationRecord::StreamIntact(_stream))
        return NOD_CreationRecord::Refuse(CAPTION, "record cut short");
    if (!NOD_CreationRecord::IsDescriptionFile(file))
        return NOD_CreationRecord::Refuse(CAPTION, "description file");
    if (!NOD_CreationRecord::IsNodeName(name))
        return NOD_CreationRecord::Refuse(CAPTION, "node name");
    NOD_Node* root = NOD_Node::GetRoot();
    if (root == nullptr)
        return nullptr;
    NOD_Node* player = NOD_Node::CreateNode("nod_player", name.C_Str());
    if (player == nullptr)
        return nullptr;
    root->AddSon(player);
    player->ParseIniFile_File(file.C_Str());
    return player;
}
