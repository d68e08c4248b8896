// The application's states: phase 1 of app() steps the current one.
//
// HeartBeat returns the state that is current after this turn: itself to stay, a new object
// to switch to (ownership passes to the application), or null to end the program. The
// successor is built inside the old state's HeartBeat, before the old state's Leave, so a
// constructor must not depend on what its predecessor's Leave does.
#pragma once

#include "mem_alloc.h"

class Brisel_State : public MEM_Object
{
public:
    virtual ~Brisel_State() {}
    virtual void Enter() = 0;
    virtual Brisel_State* HeartBeat() = 0;
    virtual void Paint() {}
    virtual void Leave() = 0;
};

// The state the program starts in.
class Brisel_State_Init : public Brisel_State
{
public:
    void Enter() override {}
    // The menu follows at once.
    Brisel_State* HeartBeat() override;
    void Leave() override {}
};
