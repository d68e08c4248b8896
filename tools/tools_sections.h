// Writers of description sections that game objects read from their descriptions, for test
// fixtures and the sample scene. Each section has its own block below.
#pragma once

#include <string>

#include "os_types.h"

// ---- key lines and the "Visual" section ---------------------------------------------------------

// Appends "<_indent><_key> = <_value>" and a line end, unless _key is _omitKey; the value quoted
// when _key is _mistypedKey (a number then reads as a string).
void TOOL_DesKeyLine(std::string& _text, const char* _indent, const std::string& _key, const std::string& _value,
                     const std::string& _omitKey, const std::string& _mistypedKey);
// "[Visual]" with its one key "NameMesh"; a bare number when it is _mistypedKey.
std::string TOOL_VisualSectionText(const std::string& _nameMesh, const std::string& _omitKey,
                                   const std::string& _mistypedKey);

// ---- "Collision" section: physical descriptions ------------------------------------------------

// The values of a "Collision" section; a key left out (write... false) makes a broken section.
struct TOOL_CollisionSection
{
    s32 active = 1;
    f32 restitution = 0.0f;
    f32 mass = 1.0f;
    s32 maxNumOfCollisions = 8;
    s32 maxNumOfShotHits = 8;
    std::string collisionDescription;
    bool writeActive = true;
    bool writeRestitution = true;
    bool writeMass = true;
    bool writeMaxNumOfCollisions = true;
    bool writeMaxNumOfShotHits = true;
    bool writeCollisionDescription = true;
};

// Which description reads the section: each reads only its own keys.
enum TOOL_CollisionReader : s32
{
    TOOL_COLLISION_VESSEL = 0,  // also the player's
    TOOL_COLLISION_GENERIC = 1,
    TOOL_COLLISION_BULLET = 2,
    TOOL_COLLISION_TORPEDO = 3,
};

// "[Collision]" with the reader's keys in the order it reads them; floats in fixed notation.
std::string TOOL_CollisionSectionText(const TOOL_CollisionSection& _section, TOOL_CollisionReader _reader);

// ---- end of "Collision" section -----------------------------------------------------------------

// ---- "Emitter" section: how sensors perceive a body ---------------------------------------------

// The values of an "Emitter" section; a key left out (write... false) makes a broken section.
struct TOOL_EmitterSection
{
    s32 presence = 1;
    s32 visible = 1;
    s32 visibilityBlocking = 0;
    std::string soundEmissionLevel = "none";  // "none", "silent", "medium" or "loud"
    bool levelQuoted = true;                  // false writes the level bare (an integer gives a wrong type)
    bool writePresence = true;
    bool writeVisible = true;
    bool writeVisibilityBlocking = true;
    bool writeSoundEmissionLevel = true;
};

// "[Emitter]" with its four keys in the order the emitter reads them.
std::string TOOL_EmitterSectionText(const TOOL_EmitterSection& _section);

// ---- end of "Emitter" section -------------------------------------------------------------------

// ---- "Avoidance" section: obstacles and avoiders ---------------------------------------------

// The values of an "Avoidance" section; a key left out (write... false) makes a broken section.
struct TOOL_AvoidanceSection
{
    std::string description = "SmallVessel";
    s32 numOfMaximalAvoidanceObjects = 8;
    s32 objectAvoidanceActive = 1;
    s32 terrainAvoidanceActive = 1;
    f32 lookAheadDistance = 100.0f;
    f32 avoidanceRadius = 1.0f;
    f32 avoidanceRatio = 0.0f;
    f32 maxClimbeAngle = 30.0f;
    bool writeDescription = true;
    bool writeNumOfMaximalAvoidanceObjects = true;
    bool writeObjectAvoidanceActive = true;
    bool writeTerrainAvoidanceActive = true;
    bool writeLookAheadDistance = true;
    bool writeAvoidanceRadius = true;
    bool writeAvoidanceRatio = true;
    bool writeMaxClimbeAngle = true;
};

// Which description reads the section: an obstacle reads only "Description".
enum TOOL_AvoidanceReader : s32
{
    TOOL_AVOIDANCE_OBSTACLE = 0,
    TOOL_AVOIDANCE_AVOIDER = 1,
};

// "[Avoidance]" with the reader's keys in the order it reads them; floats in fixed notation.
std::string TOOL_AvoidanceSectionText(const TOOL_AvoidanceSection& _section, TOOL_AvoidanceReader _reader);

// ---- end of "Avoidance" section ----------------------------------------------------------------

// ---- "Control" section: the motion models' limits and damping ---------------------------------

// The values of a "Control" section. Speeds are units per second, turn rates degrees per second,
// times seconds to reach the limit; MoveFriction and TurnFriction per axis (x, y, z; heading,
// pitch, roll). VMax is read by bullets and the player, not by the motion models.
struct TOOL_ControlSection
{
    f32 movePV = 20.0f;
    f32 moveNV = 10.0f;
    f32 moveT = 2.0f;
    f32 turnPV = 45.0f;
    f32 turnNV = 45.0f;
    f32 turnT = 1.0f;
    f32 turnR = 30.0f;
    f32 swingT = 1.0f;
    f32 swingA = 0.5f;
    f32 moveFriction[3] = {0.5f, 0.5f, 0.5f};
    f32 turnFriction[3] = {0.5f, 0.5f, 0.5f};
    f32 vMax = 100.0f;
    // Extra lines written inside the section as they are (keys of the reader's own).
    std::string extra;
    // A broken section: the key left out, or written as a quoted string.
    std::string omitKey;
    std::string mistypedKey;
};

// Which reader the section is for: each writes the keys that reader takes, in its order.
enum TOOL_ControlReader : s32
{
    TOOL_CONTROL_VESSEL = 0,   // also the old-one model of characters: move, turn, TurnR, swing, frictions
    TOOL_CONTROL_VEHICLE = 1,  // move, turn, swing, frictions
    TOOL_CONTROL_TURN = 2,     // turn, swing, TurnFriction
    TOOL_CONTROL_VMAX = 3,     // VMax alone (bullets)
    TOOL_CONTROL_PLAYER = 4,   // the vessel's keys, then VMax
};

// "[Control]" with the reader's keys; floats in fixed notation.
std::string TOOL_ControlSectionText(const TOOL_ControlSection& _section, TOOL_ControlReader _reader);

// ---- end of "Control" section -------------------------------------------------------------------

// ---- "Shield" section: the damage model of shielded bodies --------------------------------------

// The values of a "Shield" section with its subsections "Kinetic", "Emp" and "Bio". Faces in
// the order Right, Left, Front, Back, Top, Bot.
struct TOOL_ShieldSection
{
    s32 showShield = 0;
    f32 damagePropagationRatio = 1.0f;
    s32 terrainOutPoints = 0;
    s32 kineticOut = 10;
    s32 leftRightActive = 1;
    s32 frontBackActive = 1;
    s32 topBottomActive = 1;
    f32 extension[3] = {1.0f, 1.0f, 1.0f};  // X, Y, Z
    s32 faceIn[6] = {100, 100, 100, 100, 100, 100};
    s32 faceInMax[6] = {100, 100, 100, 100, 100, 100};
    s32 empOut = 0;
    s32 empIn = -1;
    s32 empInMax = -1;
    s32 bioOut = 0;
    s32 bioIn = -1;
    s32 bioInMax = -1;
    // A broken section: the key left out, or written as a quoted string (in every subsection
    // that has it).
    std::string omitKey;
    std::string mistypedKey;
    bool writeKinetic = true;
    bool writeEmp = true;
    bool writeBio = true;
};

// "[Shield]" with its keys and subsections in the order the shield reads them; floats in
// fixed notation.
std::string TOOL_ShieldSectionText(const TOOL_ShieldSection& _section);

// ---- end of "Shield" section --------------------------------------------------------------------

// ---- "Child" context: a son's local frame in its father's description ---------------------------

// The values of a "Child" entry as the son's frame reader takes them: a translation and three
// rows of turns in degrees (each about the first, second, then third axis). The class, node
// and description names are the son loader's; an empty name is left out.
struct TOOL_ChildSection
{
    s32 index = 0;  // "Child0" ... "Child31"
    std::string nameCLA;
    std::string nameSON;
    std::string nameOSD;
    f32 translation[3] = {0.0f, 0.0f, 0.0f};
    f32 rotation[3][3] = {};
    // A broken entry: the key left out, or written as a quoted string.
    std::string omitKey;
    std::string mistypedKey;
};

// "[Child<index>]" with the names, then "Translation", "Rotation0", "Rotation1", "Rotation2" in
// the order the frame reader reads them; floats in fixed notation.
std::string TOOL_ChildSectionText(const TOOL_ChildSection& _section);

// ---- end of "Child" context ---------------------------------------------------------------------
