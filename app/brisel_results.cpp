// The run's measurements as the user sees them: the head-up display's statistics lines, the
// result record the results page shows and the results file "quorvex.txt".
#include <cstdio>
#include <string>

#include "app.h"
#include "brisel_programdata.h"
#include "brisel_renderer.h"
#include "brisel_state_benchmark.h"
#include "hud_statistic.h"
#include "nod_hud.h"
#include "nod_node.h"
#include "os_clock.h"
#include "os_fatal.h"

namespace
{

const char* const RESULTS_FILE = "quorvex.txt";

const char* const BANNER = "HALVANE - QUORVEX V2.1 BENCHMARK (BUILD " __DATE__ ")";
const char* const DASHES = "------------------------------------------------------------";
const char* const USER_BREAK_WARNING = ">>>> WARNING - RESULTS ARE INVALID DUE TO USER BREAK <<<<";
const char* const FATAL_ERROR_WARNING = ">>>> WARNING - RESULTS ARE INVALID DUE TO FATAL ERROR <<<<";
const char* const PROGRAM_PAGE = "More about Quorvex: see the Ostrel Development web page of the program.";
const char* const FAMILY_PAGE = "More about Halvane: see the Ostrel Development web page of the series.";

}  // namespace

Brisel_Statistics Brisel_GetRunStatistics()
{
    if (Brisel_Renderer::Get() != nullptr)
        return Brisel_Renderer::Get()->GetStatistics();
    Brisel_Statistics zero;
    zero.minPolygonsPerFrame = 0;
    zero.minPolygonsPerSecond = 0;
    zero.minFps = 0.0f;
    zero.maxFps = 0.0f;
    return zero;
}

u32 Brisel_WriteResultsFile(const char* _name, const Brisel_Statistics& _statistics, const char* _warning)
{
    const Brisel_DisplaySettings& display = Brisel_GetProgramData().display;
    std::string text;
    text += BANNER;
    text += "\n";
    text += DASHES;
    text += "\n\n";
    if (_warning != nullptr) {
        text += _warning;
        text += "\n";
    }
    text += "\n";
    text += OS_Format("RESOLUTION : %dx%dx%d\n", display.width, display.height, display.depth);
    text +=
        display.fsaaSamples > 1 ? OS_Format("FSAA       : %d SAMPLE\n", display.fsaaSamples) : "FSAA       : NONE\n";
    text += display.pixelShaders ? "PIXELSHADER: YES\n" : "PIXELSHADER: NO\n";
    text += OS_Format("TEXTURE    : %dMB\n", display.textureMegabytes);
    text += OS_Format("SECONDS    : %.2f \n", OS_Time());
    // The counters are unsigned but print as the signed values they always were: an unset
    // minimum reads -1.
    text += OS_Format("NUM FRAMES : %d\n", (s32)_statistics.numFrames);
    text += OS_Format("NUM POLYS  : %d\n", (s32)_statistics.numPolygons);
    text += OS_Format("MIN POLY/F : %d\n", (s32)_statistics.minPolygonsPerFrame);
    text += OS_Format("MAX POLY/F : %d\n", (s32)_statistics.maxPolygonsPerFrame);
    text += OS_Format("MIN POLY/S : %d\n", (s32)_statistics.minPolygonsPerSecond);
    text += OS_Format("MAX POLY/S : %d\n", (s32)_statistics.maxPolygonsPerSecond);
    text += OS_Format("MIN FPS    : %.1f\n", (f64)_statistics.minFps);
    text += OS_Format("MAX FPS    : %.1f\n", (f64)_statistics.maxFps);
    text += OS_Format("AVG FPS    : %.1f\n", (f64)_statistics.avgFps);
    text += "\nThank you for using Quorvex.\n\n";
    text += PROGRAM_PAGE;
    text += "\n\n";
    text += FAMILY_PAGE;
    text += "\n";

    FILE* file = fopen(_name, "w+");
    if (file == nullptr) {
        OS_Log(OS_Format("Brisel_State_Benchmark::Leave(): results file \"%s\" cannot be opened", _name));
        return 0;
    }
    const bool written = fwrite(text.data(), 1, text.size(), file) == text.size();
    const bool closed = fclose(file) == 0;
    if (!written || !closed) {
        OS_Log(OS_Format("Brisel_State_Benchmark::Leave(): results file \"%s\" not fully written", _name));
        return 0;
    }
    return 1;
}

void Brisel_State_Benchmark::WriteResults()
{
    const Brisel_Statistics statistics = Brisel_GetRunStatistics();
    // Leave on the emergency path: the figures end where the fatal error stopped the run.
    const bool fatal = Brisel_EmergencyCleanupDone != 0;
    Brisel_ResultRecord& record = Brisel_GetProgramData().result;
    if (m_userBreak || fatal) {
        record = Brisel_ResultRecord();
        record.userBreak = 1;
    } else {
        const Brisel_DisplaySettings& display = Brisel_GetProgramData().display;
        record.width = display.width;
        record.height = display.height;
        record.depth = display.depth;
        record.fsaaSamples = display.fsaaSamples;
        record.textureMegabytes = display.textureMegabytes;
        record.pixelShaders = display.pixelShaders;
        record.seconds = (f32)OS_Time();
        record.frames = statistics.numFrames;
        record.polygons = statistics.numPolygons;
        record.minPolygonsPerFrame = statistics.minPolygonsPerFrame;
        record.maxPolygonsPerFrame = statistics.maxPolygonsPerFrame;
        record.minPolygonsPerSecond = statistics.minPolygonsPerSecond;
        record.maxPolygonsPerSecond = statistics.maxPolygonsPerSecond;
        record.minFps = statistics.minFps;
        record.maxFps = statistics.maxFps;
        record.avgFps = statistics.avgFps;
        record.userBreak = 0;
    }
    const char* warning = fatal ? FATAL_ERROR_WARNING : m_userBreak ? USER_BREAK_WARNING : nullptr;
    Brisel_WriteResultsFile(RESULTS_FILE, statistics, warning);
}

void Brisel_State_Benchmark::UpdateHud()
{
    if (m_lastHudUpdate + 1.0f > (f32)OS_Time())
        return;
    m_lastHudUpdate = (f32)OS_Time();
    NOD_Node* root = NOD_Node::GetRoot();
    NOD_Hud* hud = root != nullptr ? NOD_Hud::DynamicCast(root->Find(SIM_Path("/hud"))) : nullptr;
    HUD_Statistic* panel = hud != nullptr ? hud->GetStatistic() : nullptr;
    if (panel == nullptr)
        return;
    const Brisel_Statistics statistics = Brisel_GetRunStatistics();
    // The panel skips the lines it has no room for.
    panel->SetLine(0, "QUORVEX V2.1");
    panel->SetLine(1, OS_Format("ACT PPF : %d", (s32)statistics.polygonsThisFrame));
    panel->SetLine(2, OS_Format("MIN PPF : %d", (s32)statistics.minPolygonsPerFrame));
    panel->SetLine(3, OS_Format("MAX PPF : %d", (s32)statistics.maxPolygonsPerFrame));
    panel->SetLine(4, OS_Format("ACT PPS : %d", (s32)statistics.polygonsPerSecond));
    panel->SetLine(5, OS_Format("MIN PPS : %d", (s32)statistics.minPolygonsPerSecond));
    panel->SetLine(6, OS_Format("MAX PPS : %d", (s32)statistics.maxPolygonsPerSecond));
    panel->SetLine(7, OS_Format("ACT FPS : %.1f", (f64)statistics.fps));
    panel->SetLine(8, OS_Format("MIN FPS : %.1f", (f64)statistics.minFps));
    panel->SetLine(9, OS_Format("MAX FPS : %.1f", (f64)statistics.maxFps));
    panel->SetLine(10, OS_Format("AVG FPS : %.1f", (f64)statistics.avgFps));
}
