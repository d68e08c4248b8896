// The player node's class record and cast.
#include "nod_player.h"

RTI_IMPLEMENT_CLASS(NOD_Player, "NOD_ShieldedBody")

NOD_Player::NOD_Player() = default;

NOD_Player::~NOD_Player() = default;

NOD_Player* NOD_Player::DynamicCast(NOD_Node* _node)
{
    if (_node == nullptr || !_node->IsKindOf(GetStaticClassDefinition()))
        return nullptr;
    return static_cast<NOD_Player*>(_node);
}

const NOD_Player* NOD_Player::DynamicCast(const NOD_Node* _node) { return DynamicCast(const_cast<NOD_Node*>(_node)); }
