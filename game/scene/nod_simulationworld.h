// Connects the bodies' contact parts to a simulation driver: the collision system, its nine
// handlers by type and the camera's view box, for as long as the driver lives.
#pragma once

class Brisel_Simulation;

// Installs _simulation's collision world for every contact aggregate (null disconnects, as
// the run does before it deletes the driver). One world at a time.
void NOD_ConnectSimulation(Brisel_Simulation* _simulation);
