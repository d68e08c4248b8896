// Trail nodes: the description and its colours, the trail taken on entering, sampling and the
// visible box, the slow end under "/garbage" and the cases that used to stay there for good.
#include "nod_trail.h"

#include <functional>
#include <vector>

#include "nod_bullet.h"
#include "pcs_visibleobject.h"
#include "tools_projectiles.h"
#include "vfx_trail.h"
#include "weapon_fixture.h"

namespace
{

class TrailTest : public WeaponTest
{
protected:
    // A trail node from _description, made by class name and parsed; not linked anywhere.
    NOD_Trail* Parse(const TOOL_TrailDescription& _description)
    {
        m_dir.Write("vfx/trail.osd", TOOL_TrailDescriptionText(_description));
        NOD_Trail* trail = NOD_Trail::DynamicCast(NOD_Node::CreateNode("NOD_Trail", "trail"));
        trail->ParseIniFile_File("trail.osd");
        return trail;
    }
    // A parsed trail as the last son of _father, entered when the father is in the simulation.
    NOD_Trail* Under(NOD_Node* _father, const TOOL_TrailDescription& _description = TOOL_TrailDescription())
    {
        NOD_Trail* trail = Parse(_description);
        _father->AddSon(trail);
        if (_father->IsInSimulation() || _father == m_world->root)
            delete trail->ProcessMessage(NOD_Node_EnterSimulation::Create());
        return trail;
    }
    VFX_TrailSystem* Trails() const { return m_world->scene->simulation->trailSystem; }
    u32 SampleCount(const NOD_Trail* _trail) const
    {
        VFX_Trail* trail = Trails()->GetTrail(_trail->GetTrailId());
        u32 count = 0;
        for (const VFX_TrailSample* s = trail != nullptr ? trail->GetHead() : nullptr; s != nullptr; s = s->next)
            ++count;
        return count;
    }
    static MAT_Vector3 BoxMin(NOD_Trail* _trail)
    {
        f32 box[6];
        _trail->GetBoundingBox(box, 0.0f);
        return MAT_Vector3(box[0], box[1], box[2]);
    }
    static MAT_Vector3 BoxMax(NOD_Trail* _trail)
    {
        f32 box[6];
        _trail->GetBoundingBox(box, 0.0f);
        return MAT_Vector3(box[3], box[4], box[5]);
    }
};

TEST_F(TrailTest, TheDescriptionGivesSamplingWidthsColoursAndTexture)
{
    Make();
    TOOL_TrailDescription description;
    description.numOfSamples = 21;
    description.lifeTime = 2.0f;
    description.mapsPerSecond = 3.0f;
    std::unique_ptr<NOD_Trail> trail(Parse(description));
    EXPECT_EQ(21, trail->GetNumOfSamples());
    EXPECT_EQ(2.0f, trail->GetLifeTime());
    EXPECT_EQ(3.0f, trail->GetMapsPerSecond());
    for (s32 key = 0; key < NOD_Trail::KEY_COUNT; ++key)
        EXPECT_EQ(description.widths[key], trail->GetWidth(key)) << key;
    EXPECT_EQ(m_world->cache->GetTextureNames()->RegisterTextureName(description.texture.c_str(), 32),
              trail->GetTextureId());
    EXPECT_EQ(BRISEL_BUCKET_TRAILS, trail->GetRenderBucket());
    EXPECT_EQ(-1, trail->GetTrailId());
    EXPECT_EQ(NOD_Trail::NOT_RELEASED, trail->GetReleaseTime());
    EXPECT_EQ(trail.get(), trail->GetVisibleObject()->m_owner);
    EXPECT_EQ(-1, trail->GetVisibleObject()->m_entryId);
}

TEST_F(TrailTest, ColoursAreReadAsRedGreenBlueAlphaAndKeptAsBytes)
{
    Make();
    struct Case
    {
        const char* text;
        u32 color;
    };
    const Case cases[] = {
        {"255,128,0,64", 0x40FF8000u},     // alpha on top, then red, green, blue
        {"0,0,0,0", 0x00000000u},          //
        {"1,2,3,4", 0x04010203u},          //
        {"256,-1,511,1000", 0xE800FFFFu},  // each value keeps its low byte
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        TOOL_TrailDescription description;
        description.colors[3] = c.text;
        std::unique_ptr<NOD_Trail> trail(Parse(description));
        EXPECT_EQ(c.color, trail->GetColor(3));
        EXPECT_EQ(0xFFFFFFFFu, trail->GetColor(0));
    }
}

TEST_F(TrailTest, BrokenDescriptionsStopTheReaderWithTheirTexts)
{
    Make();
    struct Case
    {
        const char* what;
        void (*breakIt)(TOOL_TrailDescription&);
        const char* caption;
        const char* text;
    };
    const Case cases[] = {
        {"no Visual", [](TOOL_TrailDescription& _d) { _d.omitSection = "Visual"; }, "DES FILE ERROR",
         "(NOD_Trail::ParseIniFile()): Get [\"Visual\"] in file \"vfx\\trail.osd\" failed"},
        {"no Texture", [](TOOL_TrailDescription& _d) { _d.omitKey = "Texture"; }, "DesFile Error",
         "data \"Texture\" not found in file \"vfx\\trail.osd\""},
        {"NumOfSamples a float", [](TOOL_TrailDescription& _d) { _d.mistypedKey = "NumOfSamples"; }, "DesFile Error",
         "data \"NumOfSamples\" in file \"vfx\\trail.osd\" has wrong type"},
        {"no S4", [](TOOL_TrailDescription& _d) { _d.omitKey = "S4"; }, "DesFile Error",
         "data \"S4\" not found in file \"vfx\\trail.osd\""},
        {"RGBA2 a number", [](TOOL_TrailDescription& _d) { _d.mistypedKey = "RGBA2"; }, "DesFile Error",
         "data \"RGBA2\" in file \"vfx\\trail.osd\" has wrong type"},
        {"three numbers", [](TOOL_TrailDescription& _d) { _d.colors[0] = "1,2,3"; }, "NOD_Trail::ParseIniFile()",
         "RGBA0 expects 4 arguments"},
        {"no numbers", [](TOOL_TrailDescription& _d) { _d.colors[4] = "red"; }, "NOD_Trail::ParseIniFile()",
         "RGBA4 expects 4 arguments"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TOOL_TrailDescription description;
        c.breakIt(description);
        // A section beside it, so that the file is not empty without "Visual".
        m_dir.Write("vfx/trail.osd", TOOL_TrailDescriptionText(description) + "[Info]\n{\n    Kind = 1\n}\n");
        std::unique_ptr<NOD_Trail> trail(new NOD_Trail());
        EXPECT_FATAL(trail->ParseIniFile_File("trail.osd"), c.caption, c.text);
    }
}

TEST_F(TrailTest, TooFewSamplesStopTheRunWhenTheNodeEntersNotWhenItIsRead)
{
    Make();
    TOOL_TrailDescription description;
    description.numOfSamples = 5;
    NOD_Trail* trail = Parse(description);
    m_world->root->AddSon(trail);
    EXPECT_FATAL(delete trail->ProcessMessage(NOD_Node_EnterSimulation::Create()), "VFX_Trail::SetSampling()",
                 "sampletimestep must be smalled than fixed timestep -> choose more samplepoints");
}

TEST_F(TrailTest, ItSamplesItsFatherEveryStepAndReportsItsBox)
{
    Make();
    TST_OwnerBody* father = Body(MAT_Vector3(100.0f, 100.0f, 100.0f), MAT_Vector3(20.0f, 0.0f, 0.0f));
    NOD_Trail* trail = Under(father);
    ASSERT_GE(trail->GetTrailId(), 0);
    EXPECT_EQ(father, trail->GetFather());
    EXPECT_EQ(&father->GetCS(), trail->GetCS().GetParent());
    EXPECT_NE(-1, trail->GetVisibleObject()->m_entryId);
    // At first two samples at its place and a box of 2 x 2 x 2 around the place one step on.
    EXPECT_EQ(2u, SampleCount(trail));
    EXPECT_EQ(0.0f, trail->GetBoxTime());
    EXPECT_EQ(MAT_Vector3(100.0f, 99.0f, 99.0f), BoxMin(trail));
    EXPECT_EQ(MAT_Vector3(102.0f, 101.0f, 101.0f), BoxMax(trail));

    // The box is taken from the samples again only after 0.3 s have passed.
    f32 boxTime = 0.0f;
    for (s32 step = 1; step <= 20; ++step) {
        SCOPED_TRACE(step);
        const f32 t = m_world->Now();
        m_world->Step();
        if (boxTime + 0.3f < t)
            boxTime = t;
        EXPECT_EQ(boxTime, trail->GetBoxTime());
    }
    EXPECT_LT(2u, SampleCount(trail));
    // The samples' box reaches from behind the father to where it is now.
    MAT_Vector3 place;
    father->GetMatrixAtTime(&place, trail->GetBoxTime());
    EXPECT_GE(place.x + 1.0f, BoxMax(trail).x);
    EXPECT_LT(BoxMin(trail).x, place.x - 5.0f);
}

TEST_F(TrailTest, WhenItsFatherGoesItFadesUnderGarbageForOneLifeTime)
{
    Make();
    TST_OwnerBody* father = Body(MAT_Vector3(100.0f, 100.0f, 100.0f), MAT_Vector3(20.0f, 0.0f, 0.0f));
    NOD_Trail* trail = Under(father);
    TST_Watch watch(trail);
    const s32 id = trail->GetTrailId();
    m_world->Steps(10);
    NOD_Node::GC_AddNode(father);
    const f32 released = m_world->Now();
    MAT_Vector3 place;
    father->GetMatrixAtTime(&place, released);
    m_world->Step();

    ASSERT_TRUE(watch.Alive());
    EXPECT_EQ(m_world->garbage, trail->GetFather());
    EXPECT_EQ(released, trail->GetReleaseTime());
    EXPECT_EQ(nullptr, trail->GetCS().GetParent());
    EXPECT_TRUE(trail->IsInSimulation());
    EXPECT_EQ(id, trail->GetTrailId()) << "it keeps its trail while the samples fade";
    const u32 samples = SampleCount(trail);
    for (s32 i = 0; i < 4; ++i) {
        const MAT_Vector3 still = trail->GetWorldTransform(m_world->Now())->t;
        EXPECT_NEAR(place.x, still.x, 1e-3f);
        m_world->Step();
        EXPECT_GE(samples, SampleCount(trail)) << "no sample added";
    }
    // Kept while the samples live; gone in the step after release + life time.
    while (watch.Alive() && !(released + trail->GetLifeTime() < m_world->Now())) {
        EXPECT_EQ(NOD_Node::GC_KEEP, trail->GetGCMode());
        m_world->Step();
    }
    ASSERT_TRUE(watch.Alive());
    m_world->Step();
    EXPECT_FALSE(watch.Alive());
    // The system frees the trail once its last sample is gone.
    m_world->Steps(40);
    EXPECT_EQ((u32)VFX_Trail::STATE_FREE, Trails()->GetTrail(id)->GetState());
}

TEST_F(TrailTest, UnderANodeThatIsNoBodyItIsReleasedWithoutBeingMoved)
{
    Make();
    NOD_Node* holder = m_world->root->AddSon(NOD_Node::CreateNode("NOD_Node", "holder"));
    NOD_Trail* trail = Under(holder);
    delete trail->ProcessMessage(NOD_Node_EnterSimulation::Create());
    trail->SetTransform(m_world->Now(), Frame(MAT_Vector3(7.0f, 8.0f, 9.0f)));
    m_world->Steps(2);
    EXPECT_EQ(nullptr, trail->GetCS().GetParent());
    const f32 now = m_world->Now();
    EXPECT_EQ(NOD_Node::GC_MOVE_TO_GARBAGE, trail->GetGCMode());
    EXPECT_EQ(now, trail->GetReleaseTime());
    EXPECT_EQ(MAT_Vector3(7.0f, 8.0f, 9.0f), trail->GetCS().GetTrack().GetAt(now, nullptr)->t);
    EXPECT_EQ(NOD_Node::GC_KEEP, trail->GetGCMode()) << "released once";
}

TEST_F(TrailTest, TheCasesThatUsedToStayUnderGarbageForGoodEnd)
{
    struct Case
    {
        const char* what;
        std::function<NOD_Trail*()> make;
    };
    const Case cases[] = {
        {"every trail of the system taken",
         [&] {
             while (Trails()->AllocateTrail() >= 0) {
             }
             NOD_Trail* trail = Under(Body(MAT_Vector3(50.0f, 50.0f, 50.0f)));
             EXPECT_EQ(-1, trail->GetTrailId());
             NOD_Node::GC_AddNode(trail->GetFather());
             return trail;
         }},
        {"left the simulation with a bullet dying of age",
         [&] {
             NOD_Bullet* bullet = m_world->Spawn()->SpawnBullet(0, nullptr, Frame(MAT_Vector3(200.0f, 200.0f, 200.0f)));
             return NOD_Trail::DynamicCast(bullet->GetSon(0));
         }},
        {"released at time 0",
         [&] {
             NOD_Trail* trail = Under(Body(MAT_Vector3(50.0f, 50.0f, 50.0f)));
             NOD_Node::GC_AddNode(trail);
             return trail;
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Make();
        NOD_Trail* trail = c.make();
        ASSERT_NE(nullptr, trail);
        TST_Watch watch(trail);
        // Released once, under "/garbage", and gone one life time later.
        std::vector<f32> releases;
        const s32 steps = StepUntil([&] {
            if (!watch.Alive())
                return true;
            const f32 released = trail->GetReleaseTime();
            if (released != NOD_Trail::NOT_RELEASED && (releases.empty() || releases.back() != released)) {
                releases.push_back(released);
                EXPECT_EQ(m_world->garbage, trail->GetFather());
            }
            return false;
        });
        EXPECT_LT(steps, 100);
        EXPECT_EQ(1u, releases.size());
        TearDown();
    }
}

TEST_F(TrailTest, AfterALeaveTheTrailGoesBackAndTheBoxIsForgotten)
{
    Make();
    NOD_Trail* trail = Under(m_world->root);
    const s32 id = trail->GetTrailId();
    ASSERT_GE(id, 0);
    delete trail->ProcessMessage(NOD_Node_LeaveSimulation::Create());
    EXPECT_EQ(-1, trail->GetTrailId());
    EXPECT_EQ(-1, trail->GetVisibleObject()->m_entryId);
    EXPECT_FALSE(trail->IsInSimulation());
    m_world->Steps(30);
    EXPECT_EQ((u32)VFX_Trail::STATE_FREE, Trails()->GetTrail(id)->GetState());
}

TEST_F(TrailTest, ATrailInViewIsDrawnAndOneBehindTheCameraIsNot)
{
    Make();
    const size_t before = [&] {
        m_world->Step();
        m_world->fake.Forget();
        m_world->Render();
        return m_world->fake.Count("DrawIndexedPrimitive");
    }();
    struct Case
    {
        MAT_Vector3 position;
        bool drawn;
    };
    for (const Case& c : {Case{MAT_Vector3(0.0f, 40.0f, 0.0f), true}, Case{MAT_Vector3(0.0f, -40.0f, 0.0f), false}}) {
        SCOPED_TRACE(c.drawn ? "in view" : "behind");
        TST_OwnerBody* father = Body(c.position, MAT_Vector3(5.0f, 0.0f, 0.0f));
        Under(father);
        m_world->Steps(8);
        m_world->fake.Forget();
        m_world->Render();
        const size_t draws = m_world->fake.Count("DrawIndexedPrimitive");
        if (c.drawn)
            EXPECT_LT(before, draws);
        else
            EXPECT_EQ(before, draws);
        NOD_Node::GC_AddNode(father);
        m_world->Steps(40);
    }
}
}  // namespace
