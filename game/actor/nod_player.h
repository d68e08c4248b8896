// The vessel steered from the input devices, found by the game controller, the camera and the
// head-up display as "/player1".
//
// The class exists so that the game controller can tell a player node from any other body and
// send it Player_Input; its motion, weapons and description come later. Until then it behaves
// as a shielded body without a motion state. One thread.
#pragma once

#include "nod_shieldedbody.h"

class NOD_Player : public NOD_ShieldedBody
{
    RTI_DECLARE_CLASS(NOD_Player)

public:
    NOD_Player();
    ~NOD_Player() override;

    // The node when it is a player (or of a derived class), else null; null for null.
    static NOD_Player* DynamicCast(NOD_Node* _node);
    static const NOD_Player* DynamicCast(const NOD_Node* _node);
};
