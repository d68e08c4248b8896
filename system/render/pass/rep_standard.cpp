// The standard shader set: one program, the states of the material's own diffuse map.
#include "rep_standard.h"

#include "dsp_display.h"
#include "reb_mesh.h"
#include "rep_shader_sources.h"
#include "rep_variant.h"

void REP_Standard::Create()
{
    SITO_DISPLAY->VertexShader_CreateFromFile(&vertexShader, REP_Shader_rep_standard_vs_eoap);
}

void REP_Standard::Release() { REP_ReleaseShader(&vertexShader); }

void REP_Standard::Draw(const REB_Material& _material) { REP_DrawWithMapStates(vertexShader, _material); }
