// The head-up display: the node "/hud" that the renderer draws over the 3D picture once per
// frame (statistics panel, crosshair, target panel), the zoom state the guns switch, and a
// sensor that rides on the player's body "/player1" (any body of that name) and scans the
// scenario's bodies around it.
//
// The display enters the simulation after the scenario script has created "/player1"; from
// then on every step needs that body (fatal "player1 not found" without it). Entering
// registers the sensor with the simulation's sensor handler once, however often the message
// comes; leaving removes it when registered, and the step moves the sensor's box only while
// it is registered. Deleting a display whose sensor is still registered removes it too.
//
// The display's registration installs the renderer's hud cast. One thread.
#pragma once

#include "brisel_scene.h"
#include "mat_matrix.h"
#include "nod_node.h"
#include "os_types.h"
#include "rti_pointer.h"

class COD_Sensor;
class COH_Sensor;
class HUD_Arrows;
class HUD_Enemy;
class HUD_Reticle;
class HUD_Statistic;
class NOD_Body;

// One textured quad of the overlay screen (640 x 480 units), as Brisel_Renderer::Draw2DQuad
// takes it: centre, extent, colour bytes B, G, R, A, blend mode and alpha.
struct HUD_Quad
{
    s32 texture = -1;
    f32 x = 0.0f;
    f32 y = 0.0f;
    f32 width = 0.0f;
    f32 height = 0.0f;
    u8 color[4] = {255, 255, 255, 255};
    u8 blendMode = 1;
    u8 alpha = 255;
};

class NOD_Hud : public NOD_Node, public Brisel_ScreenLayer
{
    RTI_DECLARE_CLASS(NOD_Hud)

public:
    enum : u32
    {
        FLAG_VISIBLE = 1,
        FLAG_ZOOM = 2,
    };
    enum : s32
    {
        MAX_QUADS = 3,
        SENSOR_SEEN_CAPACITY = 30,
    };
    static constexpr f32 SENSOR_RANGE = 500.0f;
    static constexpr f32 ZOOM_FIELD_OF_VIEW = 10.0f;
    static constexpr f32 NORMAL_FIELD_OF_VIEW = 90.0f;

    // Builds the elements and the sensor (room for 30 seen emitters); sends "/camera", when it
    // exists, the normal field of view.
    NOD_Hud();
    ~NOD_Hud() override;

    // Once per simulation step: the surroundings collection, the target panel's pace, and the
    // sensor moved with the player's body (fatal without "/player1").
    void HeartBeat() override;
    // Node_EnterSimulation and Node_LeaveSimulation (no replies); every other id goes to
    // NOD_Node.
    NOD_Message* ProcessMessage(NOD_Message* _message) override;
    // Draws the display with the renderer's 2D quads; nothing without a renderer.
    void Render() override;
    // Brings the panels' textures up to date and writes the quads of this frame into _quads in
    // drawing order; answers their number (0 while the display is hidden).
    s32 PrepareQuads(HUD_Quad _quads[MAX_QUADS]);

    // Finds "/player1", places the sensor on it and registers the sensor (once).
    void PM_EnterSimulation();
    // Removes the sensor when registered and lets the surroundings element go.
    void PM_LeaveSimulation();

    // FLAG_ZOOM when zoom is on, 0 otherwise.
    u32 IsZoomOn() const { return m_flags & FLAG_ZOOM; }
    // Sets or clears zoom and gives "/camera", when it exists, the matching field of view.
    void ZoomOn();
    void ZoomOff();

    u32 GetHudFlags() const { return m_flags; }
    void SetHudFlags(u32 _flags) { m_flags = _flags; }
    // The statistics panel's visibility (the benchmark shows it, the game controller toggles it).
    u32 IsTextPanelVisible() const;
    void SetTextPanelVisible(u32 _visible);

    HUD_Statistic* GetStatistic() const { return m_statistic; }
    HUD_Reticle* GetReticle() const { return m_reticle; }
    HUD_Arrows* GetArrows() const { return m_arrows; }
    HUD_Enemy* GetEnemy() const { return m_enemy; }
    COD_Sensor* GetSensor() const { return m_sensor; }
    NOD_Body* GetPlayer() const;
    const MAT_Matrix34& GetPlayerMatrix() const { return m_playerMatrix; }
    // Whether the sensor is registered with a sensor handler.
    u32 IsSensorRegistered() const { return m_sensorHandler != nullptr ? 1u : 0u; }

    // The node as a head-up display, or null (null for null).
    static NOD_Hud* DynamicCast(NOD_Node* _node);
    // Installs (or puts back what it replaced) the renderer's hud cast; only the hud member of
    // the casts changes. Repeating either is harmless.
    static void InstallCast(bool _install);

private:
    // "/player1" as a body; fatal when missing or not a body.
    static NOD_Body* FindPlayer();
    // The sensor's range box placed by the player's frame, as an axis-aligned box.
    void GetSensorBox(f32 _box[6]) const;
    // The handler the sensor is registered with, when the running simulation still has it.
    COH_Sensor* GetLiveHandler() const;
    // Sends "/camera", when it exists, the field of view.
    static void SetCameraFieldOfView(f32 _degrees);

    HUD_Statistic* m_statistic = nullptr;
    HUD_Reticle* m_reticle = nullptr;
    HUD_Arrows* m_arrows = nullptr;
    HUD_Enemy* m_enemy = nullptr;
    RTI_Pointer m_player;
    COD_Sensor* m_sensor = nullptr;
    MAT_Matrix34 m_playerMatrix;
    u32 m_flags = FLAG_VISIBLE;
    COH_Sensor* m_sensorHandler = nullptr;  // the handler the sensor is registered with; null: none
};
