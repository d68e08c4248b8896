// The armed scene of TOOL_Scenario::armed: its script pieces and the files its nodes read.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "tools_scenario.h"

// Lua number and vector literals as the scenario script writes them.
std::string TOOL_ScenarioNumber(f32 _value);
std::string TOOL_ScenarioVector(const f32 _value[3]);
// The ground height of the scenario's terrain at (_x, _y): the highest of the four samples
// around the point.
f32 TOOL_ScenarioGround(const TOOL_TerrainDirectory& _terrain, f32 _x, f32 _y);

// The tables and threads of the armed scene (defined before __StartUp).
std::string TOOL_ArmedThreads(const TOOL_Scenario& _scenario);
// What __StartUp makes for the armed scene, after the scene's nodes entered the simulation;
// _cameraFlight is the call that starts the camera's loop.
std::string TOOL_ArmedStartUp(const TOOL_Scenario& _scenario, const std::string& _cameraFlight);
// The line the end timer logs: "[LOG] armed: bullets B torpedoes T buzzers Z debris D gone G".
std::string TOOL_ArmedLog();
// The descriptions, meshes and sounds the armed scene's nodes read.
std::vector<std::pair<std::string, std::string>> TOOL_ArmedFiles(const TOOL_Scenario& _scenario);

// The ordered scene beside the fight (with the armed scene): bodies under orders, watches,
// mines, glows and the story. Its threads go before __StartUp, its start-up after the armed
// scene's; its end line is "[LOG] orders: <kind> <count> ..." with a count per notification
// kind.
std::string TOOL_OrdersThreads(const TOOL_Scenario& _scenario);
std::string TOOL_OrdersStartUp(const TOOL_Scenario& _scenario);
std::string TOOL_OrdersLog();
std::vector<std::pair<std::string, std::string>> TOOL_OrdersFiles(const TOOL_Scenario& _scenario);
