// The game controller: the node class of the scene tree's root ("root").
//
// Once per simulation step it collects the input devices through its embedded BRS_Input and
// turns the actions into Player_Input messages for the player node, Camera_* messages for the
// camera node, Console_* messages for the console node, head-up display switches, the plankton
// switch and screenshots; then it runs the HeartBeat of the whole tree. It handles the Game_*
// messages (11000-11016) through which the scenario script loads scripts, textures and fog,
// names the player, camera and console, stops and restarts the real clock, plays music, sets
// render parameters and ends the game; the benchmark polls IsGameOver every frame.
//
// Player, camera and console are weak references: a node that died reads as not set, and
// actions meant for it are dropped. The music sample description is read at construction from
// "sfx\sample\brisel_agressive.sam" (fatal when missing or broken). The renderer, the display
// and the sound manager are the run's own; when one does not exist, the settings and actions
// meant for it do nothing. One thread.
#pragma once

#include "io_inputstream.h"

#include "brs_input.h"
#include "nod_node.h"
#include "os_types.h"
#include "rti_pointer.h"
#include "sim_name.h"
#include "snd_sampleinfo.h"

class NOD_Replicator;
class NOD_Camera;
class NOD_Console;
class NOD_Player;

class NOD_Game : public NOD_Node
{
    RTI_DECLARE_CLASS(NOD_Game)

public:
    // Stores the class's stream creator in the creator table.
    static void RegisterStreamCreator();
    // Reads the class's creation record and makes its node; null (one line logged) for a
    // record it refuses or when nothing could be made.
    static RTI_Class* CreateFromStream(u32 _classIndex, s32 _replica, IO_InputStream& _stream);

public:
    // Screenshots are written as this name, the counter in five digits and ".tga".
    static constexpr const char* SCREENSHOT_NAME = "vurizezaza";
    static constexpr const char* MUSIC_FILE = "sfx\\sample\\brisel_agressive.sam";

    NOD_Game();
    ~NOD_Game() override;
    NOD_Replicator* CreateReplicator() override;

    // Input (keyboard, joystick, mouse, then every pending action), then the sons in order.
    void HeartBeat() override;
    // Node_EnterSimulation and Node_LeaveSimulation (forwarded to every son) and the Game
    // family except Game_LoadScenario; no replies. Every other id goes to NOD_Node.
    NOD_Message* ProcessMessage(NOD_Message* _message) override;

    // One action taken from the ring, as HeartBeat handles it.
    void HandleAction(const BRS_Action& _action);

    u32 IsGameOver() const { return m_gameOver; }
    BRS_Input& GetInput() { return m_input; }
    NOD_Player* GetPlayer() const;
    NOD_Camera* GetCamera() const;
    NOD_Console* GetConsole() const;
    u32 IsCameraDetached() const { return m_cameraDetached; }
    u32 IsConsoleActive() const { return m_consoleActive; }
    u32 GetScreenshotCounter() const { return m_screenshotCounter; }
    const SIM_ClassName& GetScriptName() const { return m_scriptName; }
    const SIM_ClassName& GetFogName() const { return m_fogName; }
    // The two replication names (0, 1): empty, as nothing in a run sets them.
    const SIM_ClassName& GetReplicationName(s32 _index) const { return m_replicationNames[_index & 1]; }
    void SetReplicationName(s32 _index, const char* _name) { m_replicationNames[_index & 1] = _name; }
    const SND_SampleInfo& GetMusic() const { return m_music; }

    // The node as a game controller, or null (null for null).
    static NOD_Game* DynamicCast(NOD_Node* _node);

    // The handlers of the messages that need more than a field.
    void PM_LoadScript(const SIM_ClassName& _script);
    void PM_SetPlayer(const SIM_Path& _path);
    void PM_SetCamera(const SIM_Path& _path);
    void PM_SetConsole(const SIM_Path& _path);
    void PM_LoadTextures();
    void PM_LoadFog(const SIM_ClassName& _name);
    void PM_StopTime();
    void PM_StartTime();
    void PM_PlayMusic(const SIM_Name& _type);
    void PM_SetLightCache(const SIM_ClassName& _tableFile, const SIM_ClassName& _textureFolder);

private:
    // Sends a new message to the son at each index, re-reading the son count every time (a
    // son may run a script that changes it).
    void ForwardToSons(u32 _id);
    // Hands the message to the node and deletes any reply.
    static void Send(NOD_Node* _node, NOD_Message* _message);
    // Toggles the head-up display (bit 0 of its flags) or its text panel, when "/hud" is one.
    void ToggleHud(u32 _textPanel);
    void SaveScreenshot();

    BRS_Input m_input;
    RTI_Pointer m_console;
    RTI_Pointer m_player;
    RTI_Pointer m_camera;
    u32 m_cameraDetached = 1;
    u32 m_consoleActive = 0;
    u32 m_screenshotCounter = 0;
    u32 m_gameOver = 0;
    s64 m_stoppedTicks = 0;
    u32 m_timeStopped = 0;  // 1 between Game_StopTime and the Game_StartTime that undoes it
    SND_SampleInfo m_music;
    SIM_ClassName m_scriptName;
    SIM_ClassName m_fogName;
    SIM_ClassName m_replicationNames[2];
};
