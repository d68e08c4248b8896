// Turrets: heading and pitch on limiters, damped roll.
#include "mot_turn.h"

#include "mot_model_local.h"

void MOT_Turn::Parse(DES_Section* _section)
{
    MOT_ParseTurn(_section, &TurnPV, &TurnNV, &TurnT);
    Rotation.SetAxis(0, TurnPV, TurnNV, TurnT);
    Rotation.SetAxis(1, TurnPV, TurnNV, TurnT);
    MOT_ParseSwing(_section, "MOT_Turn::Parse()", &SwingT, &SwingA);
    Rotation.SetSwing(2, SwingT, 0.01f, SwingA);
    MOT_ParseTurnFriction(_section, &Friction);
}

void MOT_Turn::ApplyFrictionOnFreeAxes(const SIM_Clock& _clock)
{
    Friction.ApplyOnFreeAxes(_clock, State,
                             {Rotation.AngleTargetMask, Rotation.PointTargetMask, Rotation.RateTargetMask});
}

void MOT_Turn::ControlStep(const SIM_Clock& _clock)
{
    ApplyFrictionOnFreeAxes(_clock);
    Rotation.Step(_clock, State);
}
