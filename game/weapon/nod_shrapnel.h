// Shrapnel piece: one visible fragment of a body that blew apart. It shows one shrapnel piece of
// a body visual (Brisel_Mesh, in the run's body-visuals table), placed where the piece sat in
// the body, pushed away from the centre of the blast, spinning and falling at rates its size
// sets, with two smoke emitters as sons, until a life time that also grows with its size.
//
// Pieces have no description: the spawner constructs one and calls BuildBurst, which takes six
// draws of CRT_Rand. A visual it cannot show (handle 0 or unknown, a piece index outside the
// visual's pieces) is refused before anything is drawn or kept, and a node that holds none draws
// nothing. The node holds one reference on the visual while it lives. It is seen by the camera
// but collides with nothing; Body_* messages are logged as lost. One thread.
#pragma once

#include "mat_geometry.h"
#include "mat_matrix.h"
#include "mat_vector.h"
#include "nod_body.h"
#include "nod_freeflight.h"
#include "os_types.h"

class Brisel_Mesh;

class NOD_Shrapnel : public NOD_Body
{
    RTI_DECLARE_CLASS(NOD_Shrapnel)

public:
    // The smallest extent a piece box counts with: a flat piece spins, is damped and lives as
    // if it were this thick.
    static constexpr f32 MIN_EXTENT = 0.001f;

    // Drawn in the solid bucket; friction along the body axes and on the three rotations.
    NOD_Shrapnel();
    // Gives the visual's reference back, then the body.
    ~NOD_Shrapnel() override;

    // Pieces are not described by files: nothing is read.
    void ParseIniFile_Des(DES_Section& _data) override;
    void HeartBeat() override;
    // Node_EnterSimulation and Node_LeaveSimulation; the rest goes to NOD_Node.
    NOD_Message* ProcessMessage(NOD_Message* _message) override;
    void Explode() override {}
    // The piece's mesh at the frame time; nothing without a visual.
    void Render() override;
    // The whole body's geometry box (the unit cube without a visual) placed at _time.
    void GetBoundingBox(f32* _box, f32 _time) override;

    // 1 when _visual names a loaded body visual of the run with a piece _piece.
    static u32 HasPiece(s32 _visual, s32 _piece);
    // Takes piece _piece of the visual _visual (one more reference) and launches it from the
    // dying body's world _frame: spin, damping and life from the piece's size, placement at its
    // offset, a push away from _centre, _baseVelocity and a jitter (six draws). Answers 0 and
    // changes nothing, drawing nothing, when HasPiece refuses.
    u32 BuildBurst(s32 _visual, s32 _piece, const MAT_Matrix34& _frame, const MAT_Vector3& _baseVelocity,
                   const MAT_Vector3& _centre, const MAT_Vector3& _unused);

    // The node when it is a shrapnel piece, else null; null for null.
    static NOD_Shrapnel* DynamicCast(NOD_Node* _node);

    s32 GetVisual() const { return m_visual; }
    s32 GetPiece() const { return m_piece; }
    f32 GetLifeTime() const { return m_flight.lifeTime; }
    f32 GetStartTime() const { return m_flight.startTime; }
    const MAT_Vector3& GetLift() const { return m_flight.lift; }
    const MOT_MotionState& GetMotionState() const { return m_flight.state; }
    const MOT_Friction& GetFriction() const { return m_flight.friction; }

private:
    void PM_EnterSimulation();
    // The visual of the handle held; null for none.
    Brisel_Mesh* GetVisualMesh() const;
    // The whole body's geometry box, or the unit cube.
    MAT_AABox GetBodyBox() const;
    void ReleaseVisual();

    NOD_FreeFlight m_flight;
    s32 m_visual = 0;  // body-visuals table ("vfx\ash\"), 0 = none
    s32 m_piece = 0;
};
