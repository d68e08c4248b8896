// The game's creation record: the root of a replica tree with its fixed sons.
#include "nod_creationrecord.h"
#include "nod_game.h"
#include "nod_message.h"
#include "os_fatal.h"
#include "os_path.h"

namespace
{
constexpr const char* CAPTION = "NOD_Game::CreateFromStream()";
constexpr const char* CLIENT_SCRIPT = "dat\\script\\client";

void SendAndDrop(NOD_Node* _node, NOD_Message* _message) { delete _node->ProcessMessage(_message); }
}  // namespace

RTI_Class* NOD_Game::CreateFromStream(u32, s32, IO_InputStream& _stream)
{
    MOS_String first;
    MOS_String second;
    const u32 complete =
        NOD_CreationRecord::ReadString(_stream, first) && NOD_CreationRecord::ReadString(_stream, second);
    if (!complete || !NOD_CreationRecord::StreamIntact(_stream))
        return NOD_CreationRecord::Refuse(CAPTION, "record cut short");
    if (!NOD_CreationRecord::IsClassName(first) || !NOD_CreationRecord::IsClassName(second))
        return NOD_CreationRecord::Refuse(CAPTION, "replication name");
    // A second root would orphan the tree that is there.
    if (NOD_Node::GetRoot() != nullptr)
        return NOD_CreationRecord::Refuse(CAPTION, "a root exists");
    s64 time = 0;
    if (!OS_GetFileTime(OS_Format("%s.sco", CLIENT_SCRIPT), &time))
        return NOD_CreationRecord::Refuse(CAPTION, "no client script");

    NOD_Game* game = new NOD_Game();
    NOD_Node::SetRoot(game);
    SendAndDrop(game, NOD_Node_SetName::Create(SIM_Name("root")));
    const char* const SONS[4][2] = {
        {"nod_debug", "debug"}, {"nod_console", "console"}, {"nod_scenario", "script"}, {"nod_hud", "hud"}};
    for (const auto& son : SONS) {
        if (NOD_Node* node = NOD_Node::CreateNode(son[0], son[1]))
            game->AddSon(node);
    }
    // The sender never sets the second name: an empty one loads no fog.
    if (second.Length() > 0)
        SendAndDrop(game, NOD_Game_LoadFog::Create(SIM_ClassName(second.C_Str())));
    SendAndDrop(game, NOD_Game_LoadScript::Create(SIM_ClassName(CLIENT_SCRIPT)));
    game->SetReplicationName(0, first.C_Str());
    return game;
}
