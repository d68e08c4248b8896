// Writers of the descriptions of computer-driven armed bodies, for test fixtures, fuzz seeds,
// benches and the sample scene: the vessel (with its buzzer parameters and its sons: launchers,
// gun, turrets), the ground vehicle (with its turret "Turm1" and its wheels) and the wheel,
// with the hull meshes and collision trees they name.
//
// Each description keeps its sections in the order its reader takes them; any section or key
// can be left out (omit...) or written with the wrong type (mistyped...: a number quoted, a
// string bare), so tests can describe broken files. The sons are "[Child<n>]" entries given as
// text (TOOL_ChildSectionText, TOOL_WeaponChildText), numbered by the caller.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "os_types.h"
#include "tools_mesh.h"
#include "tools_sections.h"
#include "tools_vehicleattack.h"
#include "tools_vesselattack.h"

// The hulls: boxes around their origins, x wide, y long (forward), z high.
inline constexpr const char* TOOL_VESSEL_MESH = "vessel.msh";
inline constexpr const char* TOOL_VESSEL_TREE = "vessel.col";
inline constexpr f32 TOOL_VESSEL_SIZE[3] = {4.0f, 10.0f, 3.0f};
inline constexpr const char* TOOL_VEHICLE_MESH = "vehicle.msh";
inline constexpr const char* TOOL_VEHICLE_TREE = "vehicle.col";
inline constexpr f32 TOOL_VEHICLE_SIZE[3] = {4.0f, 6.0f, 2.0f};
// A wheel 2 high and 2 long: radius 1.
inline constexpr const char* TOOL_WHEEL_MESH = "wheel.msh";
inline constexpr const char* TOOL_WHEEL_TREE = "wheel.col";
inline constexpr f32 TOOL_WHEEL_SIZE[3] = {0.5f, 2.0f, 2.0f};
// The wheel's description, as a vehicle's "Child" entry names it ("NameOSD").
inline constexpr const char* TOOL_WHEEL_OSD = "osd/vehicle/wheel.osd";

// "[Visual]": "NameMesh" when given, "BriselMesh" when given (both may be).
struct TOOL_VisualSection
{
    std::string nameMesh;
    std::string briselMesh;
};

struct TOOL_BuzzerParamSection
{
    f32 buzzerRadius = 50.0f;
    f32 buzzerTime = 2.0f;
    f32 buzzerIntelligence = 1.0f;
    s32 numOfBuzzers = 3;
};

struct TOOL_VesselDescription
{
    TOOL_VisualSection visual = {TOOL_VESSEL_MESH, ""};
    TOOL_ControlSection control;
    TOOL_ShieldSection shield;
    TOOL_CollisionSection collision = VesselCollision();
    TOOL_AvoidanceSection avoidance;
    TOOL_EmitterSection emitter = ArmedEmitter();
    // Written whenever given; the vessel reads it only with a buzzer launcher.
    std::optional<TOOL_BuzzerParamSection> buzzerParam;
    // Written whenever given, after "BuzzerParam": how the vessel fights on Vessel_AttackPatrol.
    std::optional<TOOL_VesselAttackSection> attackBehaviour;
    std::vector<std::string> children;
    // A broken description: a section ("Visual", "Control", "Shield", "Collision", "Avoidance",
    // "Emitter", "BuzzerParam") left out, or a key of "Visual" or "BuzzerParam" left out or
    // mistyped.
    std::string omitSection;
    std::string omitKey;
    std::string mistypedKey;

    static TOOL_CollisionSection VesselCollision();
    // Present, visible, loud.
    static TOOL_EmitterSection ArmedEmitter();
};

// "[Visual]", "[Control]", "[Shield]", "[Collision]", "[Avoidance]", "[Emitter]",
// "[BuzzerParam]", "[AttackBehaviour]", the children.
std::string TOOL_VesselDescriptionText(const TOOL_VesselDescription& _description);

struct TOOL_VehicleDescription
{
    TOOL_VisualSection visual = {TOOL_VEHICLE_MESH, ""};
    TOOL_ControlSection control;
    TOOL_CollisionSection collision = VehicleCollision();
    TOOL_AvoidanceSection avoidance;
    TOOL_EmitterSection emitter = TOOL_VesselDescription::ArmedEmitter();
    TOOL_ShieldSection shield;
    // The attack's keys; none: no "AttackBehaviour" section.
    std::optional<TOOL_VehicleAttackSection> attackBehaviour;
    std::vector<std::string> children;
    // A broken description: "Visual", "Control", "Collision", "Avoidance", "Emitter" or
    // "Shield" left out, or a key of "Visual" left out or mistyped.
    std::string omitSection;
    std::string omitKey;
    std::string mistypedKey;

    static TOOL_CollisionSection VehicleCollision();
};

// "[Visual]", "[Control]", "[Collision]", "[Avoidance]", "[Emitter]", "[Shield]",
// "[AttackBehaviour]", the children.
std::string TOOL_VehicleDescriptionText(const TOOL_VehicleDescription& _description);

struct TOOL_WheelDescription
{
    TOOL_VisualSection visual = {TOOL_WHEEL_MESH, ""};
    TOOL_CollisionSection collision = WheelCollision();
    TOOL_AvoidanceSection avoidance;
    TOOL_ShieldSection shield;
    // A broken description: "Visual", "Collision", "Avoidance" or "Shield" left out, or a key of
    // "Visual" left out or mistyped.
    std::string omitSection;
    std::string omitKey;
    std::string mistypedKey;

    static TOOL_CollisionSection WheelCollision();
};

// "[Visual]", "[Collision]", "[Avoidance]" (an obstacle's), "[Shield]".
std::string TOOL_WheelDescriptionText(const TOOL_WheelDescription& _description);

// A "Child" entry of a wheel at _position under its vehicle (class "NOD_Wheel", the wheel
// description of TOOL_ArmedBodyFiles).
std::string TOOL_WheelChildText(s32 _index, const std::string& _name, const f32 _position[3]);
// The four wheels of the vehicle hull, "Child<_first>" .. "Child<_first + 3>": at its corners,
// centred on its middle plane, so that they touch the ground where the hull's bottom rests.
std::vector<std::string> TOOL_VehicleWheelChildren(s32 _first);

TOOL_Mesh TOOL_VesselMesh();
TOOL_Mesh TOOL_VehicleMesh();
TOOL_Mesh TOOL_WheelMesh();

// The hull meshes ("vfx/msh/"), their trees ("vfx/col/") and the wheel's description
// ("vfx/osd/vehicle/wheel.osd"): each path relative to the data folder, and its contents.
std::vector<std::pair<std::string, std::string>> TOOL_ArmedBodyFiles();
