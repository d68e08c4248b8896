// The catalogue against its own transcription: ids, script names, class names and argument
// types of all 257 message kinds; the registry's order and its fatal errors; every argument
// list written and read back, generically and through each kind's typed forms; the builders and
// typed readers other modules call by name, and what the typed forms refuse to compile.
#include <gtest/gtest.h>

#include <bit>
#include <cstring>
#include <functional>
#include <set>
#include <string>
#include <tuple>
#include <type_traits>
#include <utility>
#include <vector>

#include "nod_message.h"
#include "nod_node.h"
#include "test_dir.h"
#include "tools_bytes.h"

namespace
{
struct Row
{
    u32 id;
    const char* scriptName;
    const char* className;
    std::vector<s32> in;
    std::vector<s32> out;
};

// Type codes: 1 u8, 2 s8, 3 u16, 4 s16, 5 u32, 6 s32, 7 f32, 8 f64, 9 vector, 10 path,
// 11 name, 12 class name, 13 node reference.
const Row ROWS[] = {
    {1000, "Body_SetPosition", "NOD_Body_SetPosition", {9}, {}},
    {1001, "Body_SetOrientation", "NOD_Body_SetOrientation", {9}, {}},
    {1002, "Body_GetPosition", "NOD_Body_GetPosition", {}, {9}},
    {1003, "Body_SetMesh", "NOD_Body_SetMesh", {12}, {}},
    {1004, "Body_SetCS", "NOD_Body_SetCS", {9, 9}, {}},
    {1005, "Body_RequestShotHits", "NOD_Body_RequestShotHits", {}, {}},
    {1006, "Body_RejectShotHits", "NOD_Body_RejectShotHits", {}, {}},
    {1007, "Body_InformShotHit", "NOD_Body_InformShotHit", {13, 13}, {}},
    {1008, "Body_SetKineticShield", "NOD_Body_SetKineticShield", {2, 7}, {}},
    {1009, "Body_GetKineticShield", "NOD_Body_GetKineticShield", {2}, {7}},
    {1010, "Body_SetBioShield", "NOD_Body_SetBioShield", {7}, {}},
    {1011, "Body_GetBioShield", "NOD_Body_GetBioShield", {}, {7}},
    {1012, "Body_SetEmpShield", "NOD_Body_SetEmpShield", {7}, {}},
    {1013, "Body_GetEmpShield", "NOD_Body_GetEmpShield", {}, {7}},
    {1014, "Body_ActivateShieldGuard", "NOD_Body_ActivateShieldGuard", {}, {}},
    {1015, "Body_DeactivateShieldGuard", "NOD_Body_DeactivateShieldGuard", {}, {}},
    {1016, "Body_ObjectDestroyed", "NOD_Body_ObjectDestroyed", {}, {}},
    {1017, "Body_RequestKinInfo", "NOD_Body_RequestKinInfo", {7}, {}},
    {1018, "Body_RejectKinInfo", "NOD_Body_RejectKinInfo", {}, {}},
    {1019, "Body_KinShieldBarrierReached", "NOD_Body_KinShieldBarrierReached", {7}, {}},
    {1020, "Body_RequestEmpInfo", "NOD_Body_RequestEmpInfo", {7}, {}},
    {1021, "Body_RejectEmpInfo", "NOD_Body_RejectEmpInfo", {}, {}},
    {1022, "Body_EmpShieldBarrierReached", "NOD_Body_EmpShieldBarrierReached", {7}, {}},
    {1023, "Body_RequestBioInfo", "NOD_Body_RequestBioInfo", {7}, {}},
    {1024, "Body_RejectBioInfo", "NOD_Body_RejectBioInfo", {}, {}},
    {1025, "Body_BioShieldBarrierReached", "NOD_Body_BioShieldBarrierReached", {7}, {}},
    {1026, "Body_InformEnemies", "NOD_Body_InformEnemies", {7, 11, 11, 11, 11}, {}},
    {1027, "Body_RejectEnemies", "NOD_Body_RejectEnemies", {}, {}},
    {1028, "Body_EnemyArrival", "NOD_Body_EnemyArrival", {}, {}},
    {1029, "Body_InformEnemyPatrol", "NOD_Body_InformEnemyPatrol", {7, 11, 11, 11, 11, 10}, {}},
    {1030, "Body_RejectEnemyPatrol", "NOD_Body_RejectEnemyPatrol", {}, {}},
    {1031, "Body_EnemyArrivalPatrol", "NOD_Body_EnemyArrivalPatrol", {}, {}},
    {2000, "Script_SetScript", "NOD_Script_SetScript", {12}, {}},
    {2001, "Script_BindThread", "NOD_Script_BindThread", {13}, {6}},
    {2002, "Script_SetTimer", "NOD_Script_SetTimer", {6, 7}, {6}},
    {2003, "Script_UnBindThread", "NOD_Script_UnBindThread", {6, 13}, {}},
    {2004, "Script_StopTimer", "NOD_Script_StopTimer", {6, 6}, {}},
    {3000, "ParticleEmitter_SetLifeTime", "NOD_ParticleEmitter_SetLifeTime", {7}, {}},
    {3001, "ParticleEmitter_SetAccelerationOffset", "NOD_ParticleEmitter_SetAccelerationOffset", {9}, {}},
    {3002, "ParticleEmitter_SetFriction", "NOD_ParticleEmitter_SetFriction", {9}, {}},
    {3003, "ParticleEmitter_SetPPS", "NOD_ParticleEmitter_SetPPS", {7}, {}},
    {3004, "ParticleEmitter_SetConeAngle", "NOD_ParticleEmitter_SetConeAngle", {7}, {}},
    {3005, "ParticleEmitter_SetVelocity", "NOD_ParticleEmitter_SetVelocity", {7, 7}, {}},
    {3006, "ParticleEmitter_Start", "NOD_ParticleEmitter_Start", {}, {}},
    {3007, "ParticleEmitter_Stop", "NOD_ParticleEmitter_Stop", {}, {}},
    {3008, "ParticleEmitter_SetCone", "NOD_ParticleEmitter_SetCone", {9, 9, 7, 7}, {}},
    {5000, "Node_SetName", "NOD_Node_SetName", {11}, {}},
    {5001, "Node_ParseIniFile", "NOD_Node_ParseIniFile", {12}, {}},
    {5002, "Node_EnterSimulation", "NOD_Node_EnterSimulation", {}, {}},
    {5003, "Node_LeaveSimulation", "NOD_Node_LeaveSimulation", {}, {}},
    {5004, "Node_AddSon", "NOD_Node_AddSon", {13}, {}},
    {5005, "Node_CreateNode", "NOD_Node_CreateNode", {12, 11}, {13}},
    {5006, "Node_GetName", "NOD_Node_GetName", {}, {11}},
    {5007, "Node_Find", "NOD_Node_Find", {10}, {13}},
    {5008, "Node_GetPath", "NOD_Node_GetPath", {}, {10}},
    {5009, "Node_GetNumOfSons", "NOD_Node_GetNumOfSons", {}, {3}},
    {5010, "Node_SubSon", "NOD_Node_SubSon", {13}, {13}},
    {5011, "Node_GetSon", "NOD_Node_GetSon", {6}, {13}},
    {5012, "Node_GetSonName", "NOD_Node_GetSonName", {6}, {11}},
    {5013, "Node_GetTime", "NOD_Node_GetTime", {}, {7}},
    {7000, "Camera_LookFrom", "NOD_Camera_LookFrom", {10}, {}},
    {7001, "Camera_Follow", "NOD_Camera_Follow", {10, 7, 7, 7}, {}},
    {7002, "Camera_SetRelDistance", "NOD_Camera_SetRelDistance", {7}, {}},
    {7003, "Camera_SetAbsDistance", "NOD_Camera_SetAbsDistance", {7}, {}},
    {7004, "Camera_SetRelAlpha", "NOD_Camera_SetRelAlpha", {7}, {}},
    {7005, "Camera_SetRelBeta", "NOD_Camera_SetRelBeta", {7}, {}},
    {7006, "Camera_Watch", "NOD_Camera_Watch", {10, 10, 9, 9, 5}, {}},
    {7007, "Camera_MoveSourceOffset", "NOD_Camera_MoveSourceOffset", {9, 7}, {}},
    {7008, "Camera_MoveDestiOffset", "NOD_Camera_MoveDestiOffset", {9, 7}, {}},
    {7009, "Camera_SetBackPlane", "NOD_Camera_SetBackPlane", {7}, {}},
    {7010, "Camera_SetProjection", "NOD_Camera_SetProjection", {7}, {}},
    {7011, "Camera_SetCollisionStatus", "NOD_Camera_SetCollisionStatus", {1}, {}},
    {7012, "Camera_Move", "NOD_Camera_Move", {13, 7, 7, 7, 7, 5}, {}},
    {7013, "Camera_MovePosReached", "NOD_Camera_MovePosReached", {11, 11}, {}},
    {7014, "Camera_MoveLookAt", "NOD_Camera_MoveLookAt", {13}, {}},
    {7015, "Camera_MoveSetParameters", "NOD_Camera_MoveSetParameters", {7, 7, 7}, {}},
    {7016, "Camera_SetFrontPlane", "NOD_Camera_SetFrontPlane", {7}, {}},
    {9001, "Terrain_SetPoly", "NOD_Terrain_SetPoly", {5}, {}},
    {9003, "Terrain_LoadTerrain", "NOD_Terrain_LoadTerrain", {12}, {}},
    {11000, "Game_LoadScript", "NOD_Game_LoadScript", {12}, {}},
    {11001, "Game_SetPlayer", "NOD_Game_SetPlayer", {10}, {}},
    {11002, "Game_SetCamera", "NOD_Game_SetCamera", {10}, {}},
    {11003, "Game_SetConsole", "NOD_Game_SetConsole", {10}, {}},
    {11004, "Game_LoadScenario", "NOD_Game_LoadScenario", {11}, {}},
    {11005, "Game_LoadTextures", "NOD_Game_LoadTextures", {}, {}},
    {11006, "Game_LoadFog", "NOD_Game_LoadFog", {12}, {}},
    {11007, "Game_StopTime", "NOD_Game_StopTime", {}, {}},
    {11008, "Game_StartTime", "NOD_Game_StartTime", {}, {}},
    {11009, "Game_PlayMusic", "NOD_Game_PlayMusic", {11}, {}},
    {11010, "Game_SetCausticTerrain", "NOD_Game_SetCausticTerrain", {7, 7}, {}},
    {11011, "Game_SetCausticObject", "NOD_Game_SetCausticObject", {7, 7}, {}},
    {11012, "Game_SetCausticBuilding", "NOD_Game_SetCausticBuilding", {7, 7}, {}},
    {11013, "Game_SetFog", "NOD_Game_SetFog", {7, 7}, {}},
    {11014, "Game_EndGame", "NOD_Game_EndGame", {}, {}},
    {11015, "Game_FillMode", "NOD_Game_FillMode", {5}, {}},
    {11016, "Game_SetLightCache", "NOD_Game_SetLightCache", {12, 12}, {}},
    {12000, "Light_Switch", "NOD_Light_Switch", {1}, {}},
    {12001, "Light_SetCone", "NOD_Light_SetCone", {9, 9, 7, 7}, {}},
    {12002, "Light_SetR1", "NOD_Light_SetR1", {7}, {}},
    {12003, "Light_SetR2", "NOD_Light_SetR2", {7}, {}},
    {12004, "Light_SetMode", "NOD_Light_SetMode", {11}, {}},
    {12005, "Light_SetColor", "NOD_Light_SetColor", {9, 9}, {}},
    {14001, "Vehicle_CollisionObjects", "NOD_Vehicle_CollisionObjects", {1}, {}},
    {14002, "Vehicle_CollisionTerrain", "NOD_Vehicle_CollisionTerrain", {1}, {}},
    {14003, "Vehicle_AvoidanceObjects", "NOD_Vehicle_AvoidanceObjects", {1}, {}},
    {14004, "Vehicle_AvoidanceTerrain", "NOD_Vehicle_AvoidanceTerrain", {1}, {}},
    {14005, "Vehicle_NonCollideAvoid", "NOD_Vehicle_NonCollideAvoid", {13, 13}, {}},
    {14006, "Vehicle_Goto", "NOD_Vehicle_Goto", {10, 7, 7}, {}},
    {14007, "Vehicle_GotoStop", "NOD_Vehicle_GotoStop", {}, {}},
    {14008, "Vehicle_GotoArrived", "NOD_Vehicle_GotoArrived", {11}, {}},
    {14009, "Vehicle_GotoPosReached", "NOD_Vehicle_GotoPosReached", {11, 11}, {}},
    {14010, "Vehicle_GotoOverride", "NOD_Vehicle_GotoOverride", {11, 11, 11}, {}},
    {14011, "Vehicle_GotoFromPosition", "NOD_Vehicle_GotoFromPosition", {10, 11, 7, 7}, {}},
    {14012, "Vehicle_GotoFromTo", "NOD_Vehicle_GotoFromTo", {10, 11, 11, 7, 7}, {}},
    {14013, "Vehicle_Stop", "NOD_Vehicle_Stop", {}, {}},
    {14014, "Vehicle_Patrol", "NOD_Vehicle_Patrol", {10, 7, 7, 7, 7, 7}, {}},
    {14015, "Vehicle_PatrolOverride", "NOD_Vehicle_PatrolOverride", {}, {}},
    {14016, "Vehicle_PatrolFinished", "NOD_Vehicle_PatrolFinished", {}, {}},
    {14017, "Vehicle_AttackPatrol", "NOD_Vehicle_AttackPatrol", {7, 11, 11, 11, 11, 10}, {}},
    {14018, "Vehicle_AttackOver", "NOD_Vehicle_AttackOver", {}, {}},
    {14019, "Vehicle_AttackOverride", "NOD_Vehicle_AttackOverride", {}, {}},
    {14020, "Vehicle_EnteringCastratedMode", "NOD_Vehicle_EnteringCastratedMode", {}, {}},
    {14021, "Vehicle_LeavingCastratedMode", "NOD_Vehicle_LeavingCastratedMode", {}, {}},
    {14022, "Vehicle_SetPrimaryTarget", "NOD_Vehicle_SetPrimaryTarget", {13}, {}},
    {14023, "Vehicle_ParkPatrol", "NOD_Vehicle_ParkPatrol", {10}, {}},
    {14024, "Vehicle_ParkPatrolFinished", "NOD_Vehicle_ParkPatrolFinished", {}, {}},
    {14025, "Vehicle_ParkPatrolOverride", "NOD_Vehicle_ParkPatrolOverride", {}, {}},
    {15001, "Vessel_CollisionObjects", "NOD_Vessel_CollisionObjects", {1}, {}},
    {15002, "Vessel_CollisionTerrain", "NOD_Vessel_CollisionTerrain", {1}, {}},
    {15003, "Vessel_AvoidanceObjects", "NOD_Vessel_AvoidanceObjects", {1}, {}},
    {15004, "Vessel_AvoidanceTerrain", "NOD_Vessel_AvoidanceTerrain", {1}, {}},
    {15005, "Vessel_NonCollideAvoid", "NOD_Vessel_NonCollideAvoid", {13, 13}, {}},
    {15006, "Vessel_Goto", "NOD_Vessel_Goto", {10, 7, 7}, {}},
    {15007, "Vessel_GotoStop", "NOD_Vessel_GotoStop", {}, {}},
    {15008, "Vessel_GotoArrived", "NOD_Vessel_GotoArrived", {11}, {}},
    {15009, "Vessel_GotoPosReached", "NOD_Vessel_GotoPosReached", {11, 11}, {}},
    {15010, "Vessel_GotoOverride", "NOD_Vessel_GotoOverride", {11, 11, 11}, {}},
    {15011, "Vessel_GotoFromPosition", "NOD_Vessel_GotoFromPosition", {10, 11, 7, 7}, {}},
    {15012, "Vessel_GotoFromTo", "NOD_Vessel_GotoFromTo", {10, 11, 11, 7, 7}, {}},
    {15013, "Vessel_Stop", "NOD_Vessel_Stop", {1}, {}},
    {15014, "Vessel_StopWithHeading", "NOD_Vessel_StopWithHeading", {10, 11}, {}},
    {15015, "Vessel_Patrol", "NOD_Vessel_Patrol", {10, 7, 7, 7, 7, 7, 7, 7, 7}, {}},
    {15016, "Vessel_PatrolOverride", "NOD_Vessel_PatrolOverride", {}, {}},
    {15017, "Vessel_PatrolFinished", "NOD_Vessel_PatrolFinished", {}, {}},
    {15018, "Vessel_Sink", "NOD_Vessel_Sink", {10, 7}, {}},
    {15019, "Vessel_SinkFinished", "NOD_Vessel_SinkFinished", {1}, {}},
    {15020, "Vessel_SinkOverride", "NOD_Vessel_SinkOverride", {}, {}},
    {15021, "Vessel_Escort", "NOD_Vessel_Escort", {13, 9, 7}, {}},
    {15022, "Vessel_EscortObjectLost", "NOD_Vessel_EscortObjectLost", {}, {}},
    {15023, "Vessel_EscortOverride", "NOD_Vessel_EscortOverride", {}, {}},
    {15024, "Vessel_EscortPosReached", "NOD_Vessel_EscortPosReached", {}, {}},
    {15025, "Vessel_StopWithSinking", "NOD_Vessel_StopWithSinking", {7}, {}},
    {15026, "Vessel_EscapeToPosition", "NOD_Vessel_EscapeToPosition", {10, 7, 7, 7, 7, 10, 10, 10, 7, 7, 7}, {}},
    {15027, "Vessel_EscapeToPositionFinished", "NOD_Vessel_EscapeToPositionFinished", {}, {}},
    {15028, "Vessel_EscapeToPositionOverride", "NOD_Vessel_EscapeToPositionOverride", {}, {}},
    {15029, "Vessel_EscapeToPosSim", "NOD_Vessel_EscapeToPosSim", {10, 10, 10, 10}, {}},
    {15030, "Vessel_Dock", "NOD_Vessel_Dock", {10, 11, 11, 13}, {}},
    {15031, "Vessel_Undock", "NOD_Vessel_Undock", {10, 11, 11, 13}, {}},
    {15032, "Vessel_DockAndLeave", "NOD_Vessel_DockAndLeave", {10, 11, 11, 13, 7}, {}},
    {15033, "Vessel_DockingFinished", "NOD_Vessel_DockingFinished", {}, {}},
    {15034, "Vessel_UndockingFinished", "NOD_Vessel_UndockingFinished", {}, {}},
    {15035, "Vessel_AttackPatrol", "NOD_Vessel_AttackPatrol", {7, 11, 11, 11, 11, 10}, {}},
    {15036, "Vessel_AttackOver", "NOD_Vessel_AttackOver", {}, {}},
    {15037, "Vessel_AttackOverride", "NOD_Vessel_AttackOverride", {}, {}},
    {15038, "Vessel_EnteringCastratedMode", "NOD_Vessel_EnteringCastratedMode", {}, {}},
    {15039, "Vessel_LeavingCastratedMode", "NOD_Vessel_LeavingCastratedMode", {}, {}},
    {15040, "Vessel_SetPrimaryTarget", "NOD_Vessel_SetPrimaryTarget", {13}, {}},
    {15041, "Vessel_AttackTurrets", "NOD_Vessel_AttackTurrets", {11, 11, 11, 11, 11}, {}},
    {15042, "Vessel_AttackTurretsStop", "NOD_Vessel_AttackTurretsStop", {11}, {}},
    {16000, "Player_Input", "NOD_Player_Input", {11, 5, 7}, {}},
    {16001, "Player_AddWeapon", "NOD_Player_AddWeapon", {11}, {}},
    {17000, "Console_Input", "NOD_Console_Input", {5}, {}},
    {17001, "Console_Activate", "NOD_Console_Activate", {}, {}},
    {17002, "Console_Deactivate", "NOD_Console_Deactivate", {}, {}},
    {19000, "Position_SetPosition", "NOD_Position_SetPosition", {9}, {}},
    {19001, "Position_SetRadius", "NOD_Position_SetRadius", {7}, {}},
    {19002, "Position_GetPosition", "NOD_Position_GetPosition", {}, {9}},
    {20000, "Trigger_SetAcousticSphere", "NOD_Trigger_SetAcousticSphere", {7}, {}},
    {20001, "Trigger_SetAcousticSensibility", "NOD_Trigger_SetAcousticSensibility", {11}, {}},
    {20002, "Trigger_SetPresenceSphere", "NOD_Trigger_SetPresenceSphere", {7}, {}},
    {20003, "Trigger_SetVisibilityCone", "NOD_Trigger_SetVisibilityCone", {9, 7, 7}, {}},
    {20004, "Trigger_SetVisibilityConeRelative", "NOD_Trigger_SetVisibilityConeRelative", {7, 7}, {}},
    {20005, "Trigger_SetVisibilityBlockingStatus", "NOD_Trigger_SetVisibilityBlockingStatus", {1}, {}},
    {20006, "Trigger_ActivateSensor", "NOD_Trigger_ActivateSensor", {1, 1, 1}, {}},
    {20007, "Trigger_StopSensor", "NOD_Trigger_StopSensor", {}, {}},
    {20008, "Trigger_SetInterestList", "NOD_Trigger_SetInterestList", {11, 11, 11, 11}, {}},
    {20009, "Trigger_EnterPresence", "NOD_Trigger_EnterPresence", {13}, {}},
    {20010, "Trigger_LeavePresence", "NOD_Trigger_LeavePresence", {13}, {}},
    {20011, "Trigger_EnterAcoustic", "NOD_Trigger_EnterAcoustic", {13}, {}},
    {20012, "Trigger_LeaveAcoustic", "NOD_Trigger_LeaveAcoustic", {13}, {}},
    {20013, "Trigger_EnterVisible", "NOD_Trigger_EnterVisible", {13}, {}},
    {20014, "Trigger_LeaveVisible", "NOD_Trigger_LeaveVisible", {13}, {}},
    {21000, "Emitter_SetVisibilityStatus", "NOD_Emitter_SetVisibilityStatus", {1}, {}},
    {21001, "Emitter_GetVisibilityStatus", "NOD_Emitter_GetVisibilityStatus", {}, {1}},
    {21002, "Emitter_SetVisibilityBlockingStatus", "NOD_Emitter_SetVisibilityBlockingStatus", {1}, {}},
    {21003, "Emitter_GetVisibilityBlockingStatus", "NOD_Emitter_GetVisibilityBlockingStatus", {}, {1}},
    {21004, "Emitter_SetSoundEmissionLevel", "NOD_Emitter_SetSoundEmissionLevel", {11}, {}},
    {21005, "Emitter_GetSoundEmissionLevel", "NOD_Emitter_GetSoundEmissionLevel", {}, {11}},
    {22000, "Character_StartAnimation", "NOD_Character_StartAnimation", {11}, {}},
    {22001, "Character_StopAnimation", "NOD_Character_StopAnimation", {}, {}},
    {23000, "PhysicalCharacter_StartAnimation", "NOD_PhysicalCharacter_StartAnimation", {5, 7}, {}},
    {23001, "PhysicalCharacter_StopAnimation", "NOD_PhysicalCharacter_StopAnimation", {5, 7}, {}},
    {23002, "PhysicalCharacter_GotoStart", "NOD_PhysicalCharacter_GotoStart", {10, 7}, {}},
    {23003, "PhysicalCharacter_GotoStop", "NOD_PhysicalCharacter_GotoStop", {}, {}},
    {23004, "PhysicalCharacter_GotoArrived", "NOD_PhysicalCharacter_GotoArrived", {11}, {}},
    {23005, "PhysicalCharacter_GotoPosReached", "NOD_PhysicalCharacter_GotoPosReached", {11, 11}, {}},
    {23006, "PhysicalCharacter_GotoOverride", "NOD_PhysicalCharacter_GotoOverride", {11, 11, 11}, {}},
    {23007, "PhysicalCharacter_GotoStartFromPosition", "NOD_PhysicalCharacter_GotoStartFromPosition", {10, 11, 7}, {}},
    {23008, "PhysicalCharacter_GotoStartFromTo", "NOD_PhysicalCharacter_GotoStartFromTo", {10, 11, 11, 7}, {}},
    {23009, "PhysicalCharacter_LookTo", "NOD_PhysicalCharacter_LookTo", {9, 1}, {}},
    {23010, "PhysicalCharacter_LookToOverride", "NOD_PhysicalCharacter_LookToOverride", {}, {}},
    {23011, "PhysicalCharacter_SensorActivated", "NOD_PhysicalCharacter_SensorActivated", {6}, {}},
    {24000, "PatrolArea_SetPosition", "NOD_PatrolArea_SetPosition", {9}, {}},
    {24001, "PatrolArea_SetRadius", "NOD_PatrolArea_SetRadius", {7}, {}},
    {24002, "PatrolArea_SetMinZ", "NOD_PatrolArea_SetMinZ", {7}, {}},
    {24003, "PatrolArea_SetMaxZ", "NOD_PatrolArea_SetMaxZ", {7}, {}},
    {25000, "Turret_Follow", "NOD_Turret_Base_Follow", {13, 7}, {}},
    {25001, "Turret_FollowOverride", "NOD_Turret_Base_FollowOverride", {}, {}},
    {25002, "Turret_FollowFinished", "NOD_Turret_Base_FollowFinished", {}, {}},
    {25003, "Turret_TargetLost", "NOD_Turret_Base_TargetLost", {}, {}},
    {25004, "Turret_Patrol", "NOD_Turret_Base_Patrol", {7}, {}},
    {25005, "Turret_PatrolFinished", "NOD_Turret_Base_PatrolFinished", {}, {}},
    {25006, "Turret_PatrolOverride", "NOD_Turret_Base_PatrolOverride", {}, {}},
    {25007, "Turret_ComplexAttack", "NOD_Turret_Base_ComplexAttack", {7, 11, 11, 11, 11}, {1}},
    {25008, "Turret_ComplexAttackOver", "NOD_Turret_Base_ComplexAttackOver", {}, {}},
    {25009, "Turret_ComplexAttackOverride", "NOD_Turret_Base_ComplexAttackOverride", {}, {}},
    {25010, "Turret_SetAngleArea", "NOD_Turret_Base_SetAngleArea", {7, 7, 7}, {}},
    {25011, "Turret_EnteringCastratedMode", "NOD_Turret_Base_EnteringCastratedMode", {}, {}},
    {25012, "Turret_LeavingCastratedMode", "NOD_Turret_Base_LeavingCastratedMode", {}, {}},
    {25013, "Turret_SetPrimaryTarget", "NOD_Turret_Base_SetPrimaryTarget", {13}, {}},
    {25014, "Turret_DirectAttack", "NOD_Turret_Base_DirectAttack", {11, 11, 11, 11}, {}},
    {25015, "Turret_DirectAttackStop", "NOD_Turret_Base_DirectAttackStop", {}, {}},
    {26000, "Dialog_SetSentenceFile", "NOD_Story_Dialog_SetSentenceFile", {12}, {}},
    {26001, "Dialog_GetNumOfSentences", "NOD_Story_Dialog_GetNumOfSentences", {}, {6}},
    {26002, "Dialog_GetActor", "NOD_Story_Dialog_GetActor", {6}, {12}},
    {26003, "Dialog_GetSentenceText", "NOD_Story_Dialog_GetSentenceText", {6}, {12}},
    {26004, "Dialog_SentenceFinished", "NOD_Story_Dialog_SentenceFinished", {12}, {}},
    {26005, "Dialog_DialogFinished", "NOD_Story_Dialog_DialogFinished", {12}, {}},
    {27001, "Mine_Activate", "NOD_Mine_Activate", {}, {}},
    {27002, "Mine_Deactivate", "NOD_Mine_Deactivate", {}, {}},
    {27003, "Mine_IsActive", "NOD_Mine_IsActive", {}, {1}},
    {28000, "Room_SetRoomNumber", "NOD_Story_Room_SetRoomNumber", {6}, {6}},
    {28001, "Room_GetRoomNumber", "NOD_Story_Room_GetRoomNumber", {}, {6}},
    {29000, "Station_SetStationNumber", "NOD_Story_Station_SetStationNumber", {6}, {6}},
    {29001, "Station_GetStationNumber", "NOD_Story_Station_GetStationNumber", {}, {6}},
    {30000, "Area_SetAreaNumber", "NOD_Story_Area_SetAreaNumber", {6}, {6}},
    {30001, "Area_GetAreaNumber", "NOD_Story_Area_GetAreaNumber", {}, {6}},
    {32000, "Character_SetCharacterNumber", "NOD_Story_Character_SetCharacterNumber", {6}, {6}},
    {32001, "Character_GetCharacterNumber", "NOD_Story_Character_GetCharacterNumber", {}, {6}},
    {32002, "Character_SetCharacterName", "NOD_Story_Character_SetCharacterName", {12}, {12}},
    {32003, "Character_GetCharacterName", "NOD_Story_Character_GetCharacterName", {}, {12}},
    {40000, "Debug_SetLevel", "NOD_Debug_SetLevel", {5}, {}},
    {40001, "Debug_SetFilename", "NOD_Debug_SetFilename", {12}, {}},
    {40002, "Debug_ActivateChannel", "NOD_Debug_ActivateChannel", {12}, {}},
    {40003, "Debug_DeactivateChannel", "NOD_Debug_DeactivateChannel", {12}, {}},
    {40004, "Debug_ActivateVTune", "NOD_Debug_ActivateVTune", {}, {}},
    {40005, "Debug_DeactivateVTune", "NOD_Debug_DeactivateVTune", {}, {}},
};

const Row* FindRow(u32 _id)
{
    for (const Row& row : ROWS) {
        if (row.id == _id)
            return &row;
    }
    return nullptr;
}

std::vector<NOD_MessagePrototype*> Registry()
{
    std::vector<NOD_MessagePrototype*> prototypes;
    NOD_MessagePrototype* cursor = nullptr;
    while (NOD_MessagePrototype::Iterate(&cursor))
        prototypes.push_back(cursor);
    return prototypes;
}

// A value for argument _index of type _type that differs from its neighbours.
NOD_ArgValue Sample(s32 _type, u32 _index)
{
    NOD_ArgValue value;
    value.type = _type;
    const s64 integers[] = {0, 0xC8, -5, 0xBEEF, -300, 0xDEADBEEFll, -123456};
    if (_type >= NOD_ARG_U8 && _type <= NOD_ARG_S32)
        value.integer = integers[_type] + (_type == NOD_ARG_S8 || _type == NOD_ARG_U8 ? 0 : (s64)_index);
    value.number = _type == NOD_ARG_F32 ? 1.5 + _index : -2.25e100 + _index;
    value.vector = MAT_Vector3(1.0f + (f32)_index, 2.0f, 3.0f);
    const std::string suffix = std::to_string(_index % 10);
    value.path = SIM_Path(("/abcdefghijklm" + suffix + "/b/c/d").c_str());
    value.name = ("abcdefghijklm" + suffix).c_str();
    value.className = (std::string(61, 'k') + suffix).c_str();
    value.handle = 0x10000u + _index;
    return value;
}

bool SameValue(const NOD_ArgValue& _a, const NOD_ArgValue& _b)
{
    if (_a.type != _b.type)
        return false;
    switch (_a.type) {
    case NOD_ARG_F32:
    case NOD_ARG_F64:
        return _a.number == _b.number;
    case NOD_ARG_VEC3:
        return _a.vector.x == _b.vector.x && _a.vector.y == _b.vector.y && _a.vector.z == _b.vector.z;
    case NOD_ARG_PATH:
        return _a.path == _b.path;
    case NOD_ARG_NAME:
        return strcmp(_a.name.GetName(), _b.name.GetName()) == 0;
    case NOD_ARG_CLASSNAME:
        return strcmp(_a.className.GetName(), _b.className.GetName()) == 0;
    case NOD_ARG_NODEREF:
        return _a.handle == _b.handle;
    default:
        return _a.integer == _b.integer;
    }
}
}  // namespace

TEST(NOD_Catalogue, EveryPrototypeMatchesTheTable)
{
    ASSERT_EQ(257u, sizeof(ROWS) / sizeof(ROWS[0]));
    for (const Row& row : ROWS) {
        SCOPED_TRACE(row.scriptName);
        NOD_MessagePrototype* prototype = NOD_MessagePrototype::Find(row.id);
        ASSERT_NE(nullptr, prototype);
        EXPECT_EQ(row.id, prototype->GetId());
        EXPECT_STREQ(row.scriptName, prototype->GetName());
        ASSERT_EQ((s32)row.in.size(), prototype->GetNumInArgs());
        ASSERT_EQ((s32)row.out.size(), prototype->GetNumOutArgs());
        for (u32 i = 0; i < row.in.size(); ++i)
            EXPECT_EQ(row.in[i], prototype->GetInArgType((s32)i)) << "in " << i;
        for (u32 i = 0; i < row.out.size(); ++i)
            EXPECT_EQ(row.out[i], prototype->GetOutArgType((s32)i)) << "out " << i;
        for (s32 index : {-1, (s32)row.in.size(), 100})
            EXPECT_EQ(0, prototype->GetInArgType(index));
        for (s32 index : {-1, (s32)row.out.size(), 100})
            EXPECT_EQ(0, prototype->GetOutArgType(index));

        RTI_ClassDefinition* definition = RTI_ClassDefinition::Find(row.className);
        ASSERT_NE(nullptr, definition);
        EXPECT_STREQ(row.className, definition->GetName());
        EXPECT_STREQ("NOD_MessagePrototype", definition->GetBaseName());
        EXPECT_EQ(definition, prototype->GetClassDefinition());
        EXPECT_TRUE(prototype->IsKindOf(NOD_MessagePrototype::GetStaticClassDefinition()));
    }
}

TEST(NOD_Catalogue, RegistryListsTheCatalogueNewestFirst)
{
    const std::vector<NOD_MessagePrototype*> prototypes = Registry();
    ASSERT_EQ(257u, prototypes.size());
    // Created in ascending id order, so the registry runs from the highest id down.
    EXPECT_EQ(40005u, prototypes.front()->GetId());
    EXPECT_EQ(1000u, prototypes.back()->GetId());
    std::set<std::string> names;
    for (u32 i = 0; i < prototypes.size(); ++i) {
        if (i > 0) {
            EXPECT_GT(prototypes[i - 1]->GetId(), prototypes[i]->GetId());
        }
        EXPECT_NE(nullptr, FindRow(prototypes[i]->GetId())) << prototypes[i]->GetId();
        EXPECT_TRUE(names.insert(prototypes[i]->GetName()).second) << prototypes[i]->GetName();
    }

    for (u32 id : {0u, 999u, 2005u, 5014u, 9000u, 9002u, 14000u, 15000u, 15043u, 27000u, 31000u, 40006u})
        EXPECT_EQ(nullptr, NOD_MessagePrototype::Find(id)) << id;

    NOD_RegisterMessages();  // already done: changes nothing
    EXPECT_EQ(prototypes, Registry());
}

TEST(NOD_Catalogue, ASecondPrototypeOfAnIdIsFatal)
{
    TST_TempDir dir;
    RTI_ClassDefinition* definition = RTI_ClassDefinition::Find("nod_vessel_goto");
    ASSERT_NE(nullptr, definition);
    EXPECT_FATAL(definition->CreateInstance(), "NOD_MessagePrototype::NOD_MessagePrototype()", "double id '15006'");
    EXPECT_FATAL(new NOD_MessagePrototype(5000), "NOD_MessagePrototype::NOD_MessagePrototype()", "double id '5000'");
    EXPECT_EQ(257u, Registry().size());
    EXPECT_STREQ("Vessel_Goto", NOD_MessagePrototype::Find(15006)->GetName());
}

TEST(NOD_Catalogue, PrototypesJoinAtTheHeadAndLeaveFromAnywhere)
{
    const std::vector<NOD_MessagePrototype*> before = Registry();
    NOD_MessagePrototype* older = new NOD_MessagePrototype(9002);
    NOD_MessagePrototype* newer = new NOD_MessagePrototype(31000);
    NOD_MessagePrototype* cursor = nullptr;
    ASSERT_TRUE(NOD_MessagePrototype::Iterate(&cursor));
    EXPECT_EQ(newer, cursor);
    ASSERT_TRUE(NOD_MessagePrototype::Iterate(&cursor));
    EXPECT_EQ(older, cursor);
    EXPECT_EQ(older, NOD_MessagePrototype::Find(9002));
    EXPECT_STREQ("__error__", older->GetName());
    EXPECT_EQ(0, older->GetNumInArgs());
    EXPECT_EQ(0, older->GetNumOutArgs());
    EXPECT_EQ(0, older->GetInArgType(0));
    EXPECT_EQ(0, older->GetOutArgType(0));

    delete older;  // not the head: its predecessor is linked past it
    EXPECT_EQ(nullptr, NOD_MessagePrototype::Find(9002));
    EXPECT_EQ(258u, Registry().size());
    delete newer;
    EXPECT_EQ(before, Registry());
}

TEST(NOD_Catalogue, EveryArgumentListFitsAndRoundTrips)
{
    for (NOD_MessagePrototype* prototype : Registry()) {
        SCOPED_TRACE(prototype->GetName());
        for (u32 direction = 0; direction < 2; ++direction) {
            const s32 count = direction == 0 ? prototype->GetNumInArgs() : prototype->GetNumOutArgs();
            NOD_Message message(prototype->GetId());
            u32 bytes = 0;
            for (s32 i = 0; i < count; ++i) {
                const s32 type = direction == 0 ? prototype->GetInArgType(i) : prototype->GetOutArgType(i);
                ASSERT_EQ(1u, NOD_PutArg(&message, Sample(type, (u32)i)));
                bytes += NOD_GetArgBytes(type, 4);
            }
            EXPECT_EQ(bytes, message.GetCursor());
            message.Reset();
            for (s32 i = 0; i < count; ++i) {
                const s32 type = direction == 0 ? prototype->GetInArgType(i) : prototype->GetOutArgType(i);
                NOD_ArgValue value;
                ASSERT_EQ(1u, NOD_GetArg(&message, type, &value));
                EXPECT_TRUE(SameValue(Sample(type, (u32)i), value)) << "argument " << i;
            }
        }
    }
}

namespace
{
// Messages keep the machine's byte order; the expected bytes below are written for the
// little-endian machines the engine runs on.
static_assert(std::endian::native == std::endian::little, "expected message bytes are little-endian");

// The argument bytes a builder should write, in the order it writes them.
struct Args
{
    Args& U8(u8 _value)
    {
        bytes.push_back(_value);
        return *this;
    }
    Args& U32(u32 _value)
    {
        TOOL_AppendU32(bytes, _value);
        return *this;
    }
    Args& F32(f32 _value)
    {
        TOOL_AppendF32(bytes, _value);
        return *this;
    }
    Args& Vec3(f32 _x, f32 _y, f32 _z) { return F32(_x).F32(_y).F32(_z); }
    Args& Node(const NOD_Node* _node) { return U32(NOD_GetHandle(_node)); }
    // A length byte, then the text zero-padded to the whole field.
    Args& Field(const std::string& _text, u8 _fieldBytes)
    {
        U8(_fieldBytes);
        std::string field = _text;
        field.resize(_fieldBytes, '\0');
        bytes.insert(bytes.end(), field.begin(), field.end());
        return *this;
    }
    Args& Name(const std::string& _text) { return Field(_text, 16); }
    Args& ClassName(const std::string& _text) { return Field(_text, 64); }
    // Depth and absoluteness, then each name.
    Args& Path(u8 _absolute, std::initializer_list<const char*> _names)
    {
        U8((u8)_names.size()).U8(_absolute);
        for (const char* name : _names)
            Name(name);
        return *this;
    }

    std::vector<u8> bytes;
};

// One named builder: the call as written, the message it makes, the id and bytes it must carry.
struct Built
{
    const char* call;
    std::function<NOD_Message*()> build;
    u32 id;
    Args args;
};
#define NOD_TEST_BUILD(...) #__VA_ARGS__, [&] { return __VA_ARGS__; }
}  // namespace

// The builders other modules call by name. Each must write its catalogue id and its arguments
// in the catalogue's order and byte forms; a reply refills the incoming message after its
// arguments and keeps its id.
TEST(NOD_Catalogue, NamedBuildersWriteTheirIdAndArguments)
{
    NOD_Node* node = new NOD_Node();
    NOD_Node* other = new NOD_Node();
    const SIM_Name a("a"), b("b"), c("c"), d("d");
    const std::string longClass(62, 'q');

    const Built builders[] = {
        {NOD_TEST_BUILD(NOD_Node_SetName::Create(SIM_Name("root"))), 5000, Args().Name("root")},
        {NOD_TEST_BUILD(NOD_Node_EnterSimulation::Create()), 5002, Args()},
        {NOD_TEST_BUILD(NOD_Node_LeaveSimulation::Create()), 5003, Args()},
        {NOD_TEST_BUILD(NOD_Node_CreateNode::Create(SIM_ClassName("nod_debug"), SIM_Name("debug"))), 5005,
         Args().ClassName("nod_debug").Name("debug")},
        {NOD_TEST_BUILD(NOD_Node_CreateNode::Reply(NOD_Node_CreateNode::Create(SIM_ClassName("k"), a), node)), 5005,
         Args().Node(node)},
        {NOD_TEST_BUILD(NOD_Node_Find::Create(SIM_Path("/a/b"))), 5007, Args().Path(1, {"a", "b"})},
        {NOD_TEST_BUILD(NOD_Script_SetScript::Create(SIM_ClassName("dat\\script\\intro"))), 2000,
         Args().ClassName("dat\\script\\intro")},
        {NOD_TEST_BUILD(NOD_Game_LoadScript::Create(SIM_ClassName("s"))), 11000, Args().ClassName("s")},
        {NOD_TEST_BUILD(NOD_Game_LoadFog::Create(SIM_ClassName("fog"))), 11006, Args().ClassName("fog")},
        {NOD_TEST_BUILD(NOD_Game_SetLightCache::Create(SIM_ClassName("x"), SIM_ClassName("y"))), 11016,
         Args().ClassName("x").ClassName("y")},

        {NOD_TEST_BUILD(NOD_Body_GetPosition::Reply(nullptr, MAT_Vector3(1, 2, 3))), 1002, Args().Vec3(1, 2, 3)},
        {NOD_TEST_BUILD(NOD_Body_GetKineticShield::Create((s8)-2)), 1009, Args().U8(0xFE)},
        {NOD_TEST_BUILD(NOD_Body_GetKineticShield::Reply(NOD_Body_GetKineticShield::Create((s8)-2), 0.25f)), 1009,
         Args().F32(0.25f)},
        {NOD_TEST_BUILD(NOD_Body_GetBioShield::Reply(nullptr, 0.5f)), 1011, Args().F32(0.5f)},
        {NOD_TEST_BUILD(NOD_Body_GetEmpShield::Reply(nullptr, -0.5f)), 1013, Args().F32(-0.5f)},
        {NOD_TEST_BUILD(NOD_Body_SetKineticShield::Create((s8)3, 0.75f)), 1008, Args().U8(3).F32(0.75f)},
        {NOD_TEST_BUILD(NOD_Body_InformShotHit::Create(node, other)), 1007, Args().Node(node).Node(other)},
        {NOD_TEST_BUILD(NOD_Body_ObjectDestroyed::Create()), 1016, Args()},
        {NOD_TEST_BUILD(NOD_Body_RejectEnemies::Create()), 1027, Args()},
        {NOD_TEST_BUILD(NOD_Body_EnemyArrival::Create()), 1028, Args()},
        {NOD_TEST_BUILD(NOD_Body_RejectEnemyPatrol::Create()), 1030, Args()},
        {NOD_TEST_BUILD(NOD_Body_EnemyArrivalPatrol::Create()), 1031, Args()},
        {NOD_TEST_BUILD(NOD_Body_KinShieldBarrierReached::Create(0.1f)), 1019, Args().F32(0.1f)},
        {NOD_TEST_BUILD(NOD_Body_EmpShieldBarrierReached::Create(0.2f)), 1022, Args().F32(0.2f)},
        {NOD_TEST_BUILD(NOD_Body_BioShieldBarrierReached::Create(0.3f)), 1025, Args().F32(0.3f)},
        {NOD_TEST_BUILD(NOD_Body_SetCS::Create(MAT_Vector3(1, 2, 3), MAT_Vector3(4, 5, 6))), 1004,
         Args().Vec3(1, 2, 3).Vec3(4, 5, 6)},

        {NOD_TEST_BUILD(NOD_Camera_Follow::Create(SIM_Path("/player1"), 20.0f, 0.0f, -0.5f)), 7001,
         Args().Path(1, {"player1"}).F32(20.0f).F32(0.0f).F32(-0.5f)},
        {NOD_TEST_BUILD(NOD_Camera_LookFrom::Create(SIM_Path("player1/eye"))), 7000,
         Args().Path(0, {"player1", "eye"})},
        {NOD_TEST_BUILD(NOD_Camera_SetRelDistance::Create(5.0f)), 7002, Args().F32(5.0f)},
        {NOD_TEST_BUILD(NOD_Camera_SetRelAlpha::Create(-11.25f)), 7004, Args().F32(-11.25f)},
        {NOD_TEST_BUILD(NOD_Camera_SetRelBeta::Create(11.25f)), 7005, Args().F32(11.25f)},
        {NOD_TEST_BUILD(NOD_Camera_SetProjection::Create(90.0f)), 7010, Args().F32(90.0f)},
        {NOD_TEST_BUILD(NOD_Camera_MovePosReached::Create(a, b)), 7013, Args().Name("a").Name("b")},

        {NOD_TEST_BUILD(NOD_Player_Input::Create(SIM_Name("turnleft"), 1u, 0.5f)), 16000,
         Args().Name("turnleft").U32(1).F32(0.5f)},
        {NOD_TEST_BUILD(NOD_Console_Input::Create(0x80000012u)), 17000, Args().U32(0x80000012u)},
        {NOD_TEST_BUILD(NOD_Console_Activate::Create()), 17001, Args()},
        {NOD_TEST_BUILD(NOD_Console_Deactivate::Create()), 17002, Args()},
        {NOD_TEST_BUILD(NOD_Position_GetPosition::Reply(nullptr, MAT_Vector3(-1, 0, 8))), 19002, Args().Vec3(-1, 0, 8)},
        {NOD_TEST_BUILD(NOD_Emitter_GetVisibilityStatus::Reply(nullptr, (u8)1)), 21001, Args().U8(1)},
        {NOD_TEST_BUILD(NOD_Emitter_GetVisibilityBlockingStatus::Reply(nullptr, (u8)2)), 21003, Args().U8(2)},
        {NOD_TEST_BUILD(NOD_Emitter_GetSoundEmissionLevel::Reply(nullptr, SIM_Name("loud"))), 21005,
         Args().Name("loud")},

        {NOD_TEST_BUILD(NOD_PhysicalCharacter_GotoOverride::Create(a, b, SIM_Name("None"))), 23006,
         Args().Name("a").Name("b").Name("None")},
        {NOD_TEST_BUILD(NOD_PhysicalCharacter_GotoArrived::Create(a)), 23004, Args().Name("a")},
        {NOD_TEST_BUILD(NOD_PhysicalCharacter_GotoPosReached::Create(a, b)), 23005, Args().Name("a").Name("b")},
        {NOD_TEST_BUILD(NOD_PhysicalCharacter_LookToOverride::Create()), 23010, Args()},
        {NOD_TEST_BUILD(NOD_PhysicalCharacter_SensorActivated::Create(-3)), 23011, Args().U32(0xFFFFFFFDu)},
        {NOD_TEST_BUILD(NOD_Light_SetCone::Create(MAT_Vector3(1, 2, 3), MAT_Vector3(4, 5, 6), 100.0f, 30.0f)), 12001,
         Args().Vec3(1, 2, 3).Vec3(4, 5, 6).F32(100.0f).F32(30.0f)},

        {NOD_TEST_BUILD(NOD_Vessel_AttackPatrol::Create(500.0f, a, b, c, d, SIM_Path("area"))), 15035,
         Args().F32(500.0f).Name("a").Name("b").Name("c").Name("d").Path(0, {"area"})},
        {NOD_TEST_BUILD(NOD_Vehicle_AttackPatrol::Create(1.0f, d, c, b, a, SIM_Path("/x"))), 14017,
         Args().F32(1.0f).Name("d").Name("c").Name("b").Name("a").Path(1, {"x"})},
        {NOD_TEST_BUILD(NOD_Vessel_GotoArrived::Create(SIM_Name("path1"))), 15008, Args().Name("path1")},
        {NOD_TEST_BUILD(NOD_Vessel_AttackTurrets::Create(SIM_Name("tur"), a, b, c, d)), 15041,
         Args().Name("tur").Name("a").Name("b").Name("c").Name("d")},
        {NOD_TEST_BUILD(NOD_Vessel_GotoPosReached::Create(a, b)), 15009, Args().Name("a").Name("b")},
        {NOD_TEST_BUILD(NOD_Vessel_GotoOverride::Create(a, b, c)), 15010, Args().Name("a").Name("b").Name("c")},
        {NOD_TEST_BUILD(NOD_Vessel_PatrolOverride::Create()), 15016, Args()},
        {NOD_TEST_BUILD(NOD_Vessel_PatrolFinished::Create()), 15017, Args()},
        {NOD_TEST_BUILD(NOD_Vessel_SinkFinished::Create((u8)1)), 15019, Args().U8(1)},
        {NOD_TEST_BUILD(NOD_Vessel_SinkOverride::Create()), 15020, Args()},
        {NOD_TEST_BUILD(NOD_Vessel_EscortObjectLost::Create()), 15022, Args()},
        {NOD_TEST_BUILD(NOD_Vessel_EscortOverride::Create()), 15023, Args()},
        {NOD_TEST_BUILD(NOD_Vessel_EscortPosReached::Create()), 15024, Args()},
        {NOD_TEST_BUILD(NOD_Vessel_EscapeToPositionFinished::Create()), 15027, Args()},
        {NOD_TEST_BUILD(NOD_Vessel_EscapeToPositionOverride::Create()), 15028, Args()},
        {NOD_TEST_BUILD(NOD_Vessel_AttackOver::Create()), 15036, Args()},
        {NOD_TEST_BUILD(NOD_Vessel_AttackOverride::Create()), 15037, Args()},
        {NOD_TEST_BUILD(NOD_Vehicle_GotoArrived::Create(a)), 14008, Args().Name("a")},
        {NOD_TEST_BUILD(NOD_Vehicle_GotoPosReached::Create(b, a)), 14009, Args().Name("b").Name("a")},
        {NOD_TEST_BUILD(NOD_Vehicle_GotoOverride::Create(a, b, c)), 14010, Args().Name("a").Name("b").Name("c")},
        {NOD_TEST_BUILD(NOD_Vehicle_PatrolOverride::Create()), 14015, Args()},
        {NOD_TEST_BUILD(NOD_Vehicle_PatrolFinished::Create()), 14016, Args()},
        {NOD_TEST_BUILD(NOD_Vehicle_AttackOver::Create()), 14018, Args()},
        {NOD_TEST_BUILD(NOD_Vehicle_AttackOverride::Create()), 14019, Args()},
        {NOD_TEST_BUILD(NOD_Vehicle_ParkPatrolFinished::Create()), 14024, Args()},
        {NOD_TEST_BUILD(NOD_Vehicle_ParkPatrolOverride::Create()), 14025, Args()},

        {NOD_TEST_BUILD(NOD_Turret_Base_DirectAttack::Create(a, b, c, d)), 25014,
         Args().Name("a").Name("b").Name("c").Name("d")},
        {NOD_TEST_BUILD(NOD_Turret_Base_FollowOverride::Create()), 25001, Args()},
        {NOD_TEST_BUILD(NOD_Turret_Base_FollowFinished::Create()), 25002, Args()},
        {NOD_TEST_BUILD(NOD_Turret_Base_TargetLost::Create()), 25003, Args()},
        {NOD_TEST_BUILD(NOD_Turret_Base_PatrolFinished::Create()), 25005, Args()},
        {NOD_TEST_BUILD(NOD_Turret_Base_ComplexAttackOver::Create()), 25008, Args()},
        {NOD_TEST_BUILD(NOD_Turret_Base_ComplexAttackOverride::Create()), 25009, Args()},
        {NOD_TEST_BUILD(NOD_Turret_Base_EnteringCastratedMode::Create()), 25011, Args()},
        {NOD_TEST_BUILD(NOD_Turret_Base_LeavingCastratedMode::Create()), 25012, Args()},
        {NOD_TEST_BUILD(NOD_Turret_Base_DirectAttackStop::Create()), 25015, Args()},

        {NOD_TEST_BUILD(NOD_Trigger_EnterPresence::Create(node)), 20009, Args().Node(node)},
        {NOD_TEST_BUILD(NOD_Trigger_LeavePresence::Create(other)), 20010, Args().Node(other)},
        {NOD_TEST_BUILD(NOD_Trigger_EnterAcoustic::Create(node)), 20011, Args().Node(node)},
        {NOD_TEST_BUILD(NOD_Trigger_LeaveAcoustic::Create(other)), 20012, Args().Node(other)},
        {NOD_TEST_BUILD(NOD_Trigger_EnterVisible::Create(node)), 20013, Args().Node(node)},
        {NOD_TEST_BUILD(NOD_Trigger_LeaveVisible::Create(nullptr)), 20014, Args().U32(0)},  // no node

        {NOD_TEST_BUILD(NOD_Mine_IsActive::Create()), 27003, Args()},
        {NOD_TEST_BUILD(NOD_Mine_IsActive::Reply(NOD_Mine_IsActive::Create(), (u8)1)), 27003, Args().U8(1)},
        {NOD_TEST_BUILD(NOD_Story_Character_SetCharacterName::Create(SIM_ClassName(longClass.c_str()))), 32002,
         Args().ClassName(longClass)},
        {NOD_TEST_BUILD(NOD_Story_Character_SetCharacterName::Reply(
             NOD_Story_Character_SetCharacterName::Create(SIM_ClassName(longClass.c_str())), SIM_ClassName("stored"))),
         32002, Args().ClassName("stored")},
    };
    ASSERT_NE(0u, NOD_GetHandle(node));
    ASSERT_NE(NOD_GetHandle(node), NOD_GetHandle(other));
    for (const Built& built : builders) {
        SCOPED_TRACE(built.call);
        NOD_Message* message = built.build();
        EXPECT_EQ(built.id, message->GetType());
        const u8* arguments = message->GetArguments();
        EXPECT_EQ(built.args.bytes, std::vector<u8>(arguments, arguments + message->GetCursor()));
        delete message;
    }
    delete node;
    delete other;
}
#undef NOD_TEST_BUILD

// The typed readers, each reading back a builder's arguments into variables of the declared types.
TEST(NOD_Catalogue, TypedReadersReadWhatTheBuildersWrote)
{
    NOD_Node* node = new NOD_Node();
    NOD_Node* other = new NOD_Node();
    const SIM_Name a("a"), b("b"), c("c"), d("d");
    SIM_Name n1, n2, n3, n4, n5;
    SIM_ClassName k1, k2;
    SIM_Path path;
    MAT_Vector3 v1, v2;
    NOD_Node* r1 = nullptr;
    NOD_Node* r2 = nullptr;
    u8 byte = 0;
    s8 signedByte = 0;
    u32 word = 0;
    s32 number = 0;
    f32 f1 = 0.0f, f2 = 0.0f, f3 = 0.0f;

    NOD_Message* m = NOD_Node_SetName::Create(SIM_Name("root"));
    EXPECT_EQ(m, NOD_Node_SetName::Read(m, &n1));
    EXPECT_STREQ("root", n1.GetName());
    delete m;
    m = NOD_Node_EnterSimulation::Create();
    EXPECT_EQ(m, NOD_Node_EnterSimulation::Read(m));
    delete m;
    m = NOD_Node_CreateNode::Create(SIM_ClassName("nod_debug"), SIM_Name("debug"));
    NOD_Node_CreateNode::Read(m, &k1, &n1);
    EXPECT_STREQ("nod_debug", k1.GetName());
    EXPECT_STREQ("debug", n1.GetName());
    NOD_Node_CreateNode::Reply(m, node);
    NOD_Node_CreateNode::ReadReply(m, &r1);
    EXPECT_EQ(node, r1);
    delete m;
    m = NOD_Node_Find::Create(SIM_Path("/a/b"));
    NOD_Node_Find::Read(m, &path);
    EXPECT_EQ(SIM_Path("/a/b"), path);
    delete m;

    m = NOD_Script_SetScript::Create(SIM_ClassName("dat\\script\\intro"));
    NOD_Script_SetScript::Read(m, &k1);
    EXPECT_STREQ("dat\\script\\intro", k1.GetName());
    delete m;
    m = NOD_Game_SetLightCache::Create(SIM_ClassName("x"), SIM_ClassName("y"));
    NOD_Game_SetLightCache::Read(m, &k1, &k2);
    EXPECT_STREQ("x", k1.GetName());
    EXPECT_STREQ("y", k2.GetName());
    delete m;

    m = NOD_Body_GetPosition::Reply(nullptr, MAT_Vector3(1, 2, 3));
    NOD_Body_GetPosition::ReadReply(m, &v1);
    EXPECT_EQ(MAT_Vector3(1, 2, 3), v1);
    delete m;
    m = NOD_Body_GetKineticShield::Create((s8)-2);
    NOD_Body_GetKineticShield::Read(m, &signedByte);
    EXPECT_EQ(-2, signedByte);
    delete m;
    m = NOD_Body_SetKineticShield::Create((s8)3, 0.75f);
    NOD_Body_SetKineticShield::Read(m, &signedByte, &f1);
    EXPECT_EQ(3, signedByte);
    EXPECT_EQ(0.75f, f1);
    delete m;
    m = NOD_Body_InformShotHit::Create(node, other);
    NOD_Body_InformShotHit::Read(m, &r1, &r2);
    EXPECT_EQ(node, r1);
    EXPECT_EQ(other, r2);
    delete m;

    m = NOD_Camera_Follow::Create(SIM_Path("/player1"), 20.0f, 0.0f, -0.5f);
    NOD_Camera_Follow::Read(m, &path, &f1, &f2, &f3);
    EXPECT_EQ(SIM_Path("/player1"), path);
    EXPECT_EQ(20.0f, f1);
    EXPECT_EQ(-0.5f, f3);
    delete m;
    m = NOD_Player_Input::Create(SIM_Name("turnleft"), 1u, 0.5f);
    NOD_Player_Input::Read(m, &n1, &word, &f1);
    EXPECT_STREQ("turnleft", n1.GetName());
    EXPECT_EQ(1u, word);
    EXPECT_EQ(0.5f, f1);
    delete m;

    m = NOD_PhysicalCharacter_GotoOverride::Create(a, b, SIM_Name("None"));
    NOD_PhysicalCharacter_GotoOverride::Read(m, &n1, &n2, &n3);
    EXPECT_STREQ("b", n2.GetName());
    EXPECT_STREQ("None", n3.GetName());
    delete m;
    m = NOD_Light_SetCone::Create(MAT_Vector3(1, 2, 3), MAT_Vector3(4, 5, 6), 100.0f, 30.0f);
    NOD_Light_SetCone::Read(m, &v1, &v2, &f1, &f2);
    EXPECT_EQ(MAT_Vector3(4, 5, 6), v2);
    EXPECT_EQ(30.0f, f2);
    delete m;
    m = NOD_Body_SetCS::Create(MAT_Vector3(1, 2, 3), MAT_Vector3(4, 5, 6));
    NOD_Body_SetCS::Read(m, &v1, &v2);
    EXPECT_EQ(MAT_Vector3(1, 2, 3), v1);
    EXPECT_EQ(MAT_Vector3(4, 5, 6), v2);
    delete m;

    m = NOD_Vessel_AttackPatrol::Create(500.0f, a, b, c, d, SIM_Path("area"));
    NOD_Vessel_AttackPatrol::Read(m, &f1, &n1, &n2, &n3, &n4, &path);
    EXPECT_EQ(500.0f, f1);
    EXPECT_STREQ("d", n4.GetName());
    EXPECT_EQ(SIM_Path("area"), path);
    delete m;
    m = NOD_Vehicle_AttackPatrol::Create(1.0f, a, b, c, d, SIM_Path("/x"));
    EXPECT_EQ(m, NOD_Vehicle_AttackPatrol::Read(m, &f1, &n1, &n2, &n3, &n4, &path));
    EXPECT_EQ(1.0f, f1);
    // An f32 argument does not read into an s32 any more (see the compile-time checks); on the
    // wire it is still the float's bits.
    m->Reset();
    m->GetU32((u32*)&number);
    EXPECT_EQ(0x3F800000, number);
    delete m;
    m = NOD_Vessel_AttackTurrets::Create(SIM_Name("tur"), a, b, c, d);
    NOD_Vessel_AttackTurrets::Read(m, &n1, &n2, &n3, &n4, &n5);
    EXPECT_STREQ("tur", n1.GetName());
    EXPECT_STREQ("d", n5.GetName());
    delete m;
    m = NOD_Turret_Base_DirectAttack::Create(a, b, c, d);
    NOD_Turret_Base_DirectAttack::Read(m, &n1, &n2, &n3, &n4);
    EXPECT_STREQ("c", n3.GetName());
    delete m;

    m = NOD_Mine_IsActive::Reply(NOD_Mine_IsActive::Create(), (u8)1);
    NOD_Mine_IsActive::ReadReply(m, &byte);
    EXPECT_EQ(1, byte);
    delete m;
    m = NOD_Story_Character_SetCharacterName::Create(SIM_ClassName(std::string(62, 'q').c_str()));
    NOD_Story_Character_SetCharacterName::Reply(m, SIM_ClassName("stored"));
    NOD_Story_Character_SetCharacterName::ReadReply(m, &k1);
    EXPECT_STREQ("stored", k1.GetName());
    delete m;
    EXPECT_EQ(nullptr, NOD_Node_EnterSimulation::Read(nullptr));
    // A missing reply reads as zeros and null nodes.
    const auto [son, sonName] =
        std::tuple_cat(NOD_Node_Find::ReadReply(nullptr), NOD_Node_GetSonName::ReadReply(nullptr));
    EXPECT_EQ(nullptr, son);
    EXPECT_STREQ("", sonName.GetName());
    const auto [thread] = NOD_Script_BindThread::ReadReply(nullptr);
    EXPECT_EQ(0, thread);

    delete node;
    delete other;
}

namespace
{
// The typed forms refuse a mismatch at compile time; each line says whether a call compiles.
template <class P, class... T>
concept Readable = requires(NOD_Message* _m, T*... _v)
{
    P::Read(_m, _v...);
};
template <class P, class... T>
concept ReplyReadable = requires(NOD_Message* _m, T*... _v)
{
    P::ReadReply(_m, _v...);
};
template <class P, class... A>
concept Creatable = requires(A... _a)
{
    P::Create(_a...);
};
template <class P, class... A>
concept Repliable = requires(NOD_Message* _m, A... _a)
{
    P::Reply(_m, _a...);
};

// Reading: exactly the declared types, in their order, as many as declared.
static_assert(Readable<NOD_Camera_SetRelDistance, f32>);
static_assert(!Readable<NOD_Camera_SetRelDistance, s32>);
static_assert(!Readable<NOD_Camera_SetRelDistance, u32>);
static_assert(!Readable<NOD_Camera_SetRelDistance, f64>);
static_assert(!Readable<NOD_Camera_SetRelDistance, f32, f32>);
static_assert(Readable<NOD_Script_SetTimer, s32, f32>);
static_assert(!Readable<NOD_Script_SetTimer, f32, s32>);
static_assert(!Readable<NOD_Script_SetTimer, s32>);
static_assert(!Readable<NOD_Script_SetTimer, u32, f32>);
static_assert(Readable<NOD_Body_SetKineticShield, s8, f32>);
static_assert(!Readable<NOD_Body_SetKineticShield, u8, f32>);
static_assert(Readable<NOD_Node_AddSon, NOD_Node*>);
static_assert(!Readable<NOD_Node_AddSon, u32>);  // the node, never its handle
static_assert(!Readable<NOD_Node_SetName, SIM_ClassName>);
static_assert(!Readable<NOD_Node_Find, SIM_Name>);
static_assert(ReplyReadable<NOD_Node_GetNumOfSons, u16>);
static_assert(!ReplyReadable<NOD_Node_GetNumOfSons, u32>);
static_assert(!ReplyReadable<NOD_Node_GetTime, s32>);
static_assert(!ReplyReadable<NOD_Node_GetTime, f32, f32>);
// As new variables the types are the declared ones.
static_assert(std::is_same_v<decltype(NOD_Camera_Follow::Read(nullptr)), std::tuple<SIM_Path, f32, f32, f32>>);
static_assert(std::is_same_v<decltype(NOD_Body_SetKineticShield::Read(nullptr)), std::tuple<s8, f32>>);
static_assert(std::is_same_v<decltype(NOD_Node_CreateNode::ReadReply(nullptr)), std::tuple<NOD_Node*>>);

// Writing: the declared types or types they hold without narrowing, in their order.
static_assert(Creatable<NOD_Node_GetSon, s32>);
static_assert(Creatable<NOD_Node_GetSon, s16>);
static_assert(!Creatable<NOD_Node_GetSon, f32>);
static_assert(!Creatable<NOD_Node_GetSon, u32>);
static_assert(Creatable<NOD_Camera_SetRelDistance, f32>);
static_assert(!Creatable<NOD_Camera_SetRelDistance, s32>);
static_assert(!Creatable<NOD_Camera_SetRelDistance, f64>);
static_assert(Creatable<NOD_Body_SetKineticShield, s8, f32>);
static_assert(!Creatable<NOD_Body_SetKineticShield, s32, f32>);
static_assert(!Creatable<NOD_Body_SetKineticShield, f32, s8>);
static_assert(!Creatable<NOD_Body_SetKineticShield, s8>);
static_assert(Creatable<NOD_Node_AddSon, NOD_Node*>);
static_assert(!Creatable<NOD_Node_AddSon, u32>);
static_assert(Repliable<NOD_Node_GetNumOfSons, u16>);
static_assert(!Repliable<NOD_Node_GetNumOfSons, u32>);
static_assert(!Repliable<NOD_Node_GetNumOfSons, f32>);
static_assert(Repliable<NOD_Node_GetTime, f32>);
static_assert(!Repliable<NOD_Node_GetTime, s32>);

// A typed value in the generic form, to compare with what NOD_GetArg reads.
template <class T>
NOD_ArgValue AsArgValue(s32 _type, const T& _typed)
{
    NOD_ArgValue value;
    value.type = _type;
    if constexpr (std::is_integral_v<T>)
        value.integer = (s64)_typed;
    else if constexpr (std::is_floating_point_v<T>)
        value.number = _typed;
    else if constexpr (std::is_same_v<T, MAT_Vector3>)
        value.vector = _typed;
    else if constexpr (std::is_same_v<T, SIM_Path>)
        value.path = _typed;
    else if constexpr (std::is_same_v<T, SIM_Name>)
        value.name = _typed;
    else if constexpr (std::is_same_v<T, SIM_ClassName>)
        value.className = _typed;
    else
        value.handle = NOD_GetHandle(_typed);
    return value;
}

// One argument list of samples, node references naming live nodes.
template <class LIST>
std::vector<NOD_ArgValue> Samples(const std::vector<NOD_Node*>& _nodes)
{
    std::vector<NOD_ArgValue> samples;
    for (u32 i = 0; i < (u32)LIST::COUNT; ++i) {
        NOD_ArgValue sample = Sample(LIST::TYPES[i], i);
        if (sample.type == NOD_ARG_NODEREF)
            sample.handle = NOD_GetHandle(_nodes[i]);
        samples.push_back(sample);
    }
    return samples;
}

template <class T>
void ExpectValue(const NOD_ArgValue& _expected, const T& _value, size_t _index)
{
    EXPECT_TRUE(SameValue(_expected, AsArgValue(_expected.type, _value))) << "argument " << _index;
}
template <class VALUES, size_t... I>
void ExpectValues(const std::vector<NOD_ArgValue>& _expected, const VALUES& _values, std::index_sequence<I...>)
{
    (ExpectValue(_expected[I], std::get<I>(_values), I), ...);
}

void ExpectSameArguments(const NOD_Message& _expected, const NOD_Message& _actual)
{
    EXPECT_EQ(_expected.GetType(), _actual.GetType());
    ASSERT_EQ(_expected.GetCursor(), _actual.GetCursor());
    EXPECT_EQ(0, memcmp(_expected.GetArguments(), _actual.GetArguments(), _expected.GetCursor()));
}

// One list of one kind: the generic writer's samples read back typed, and written again by the
// typed writer to the same bytes.
template <class LIST, class READ, class WRITE>
void CheckTypedList(u32 _id, const std::vector<NOD_Node*>& _nodes, READ _read, WRITE _write)
{
    const std::vector<NOD_ArgValue> samples = Samples<LIST>(_nodes);
    NOD_Message generic(_id);
    for (const NOD_ArgValue& sample : samples)
        NOD_PutArg(&generic, sample);
    const auto values = _read(&generic);
    ExpectValues(samples, values, std::make_index_sequence<LIST::COUNT>{});
    NOD_Message* typed = std::apply(_write, values);
    ExpectSameArguments(generic, *typed);
    delete typed;
}

template <class P>
void CheckTypedForms(const std::vector<NOD_Node*>& _nodes)
{
    SCOPED_TRACE(P::SCRIPT_NAME);
    if constexpr (P::InArgs::COUNT > 0)
        CheckTypedList<typename P::InArgs>(
            P::ID, _nodes, [](NOD_Message* _m) { return P::Read(_m); }, &P::Create);
    if constexpr (P::OutArgs::COUNT > 0)
        CheckTypedList<typename P::OutArgs>(
            P::ID, _nodes, [](NOD_Message* _m) { return P::ReadReply(_m); },
            [](const auto&... _values) { return P::Reply(nullptr, _values...); });
}
}  // namespace

// The typed forms of every kind agree with the generic ones that the script binding and the
// console use: same types, same bytes.
TEST(NOD_Catalogue, EveryKindsTypedFormsAgreeWithTheGenericOnes)
{
    std::vector<NOD_Node*> nodes;
    for (u32 i = 0; i < 16; ++i)
        nodes.push_back(new NOD_Node());
#define NOD_MESSAGE(_classPart, _scriptFamily, _message, _id, _in, _out) \
    CheckTypedForms<NOD_##_classPart##_##_message>(nodes);
#include "nod_catalogue.inc"
    for (NOD_Node* node : nodes)
        delete node;
}
