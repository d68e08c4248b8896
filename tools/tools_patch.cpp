#include "tools_patch.h"

#include <cstdio>

#include "tools_file.h"

namespace
{

std::string Float(f32 _value)
{
    char text[64];
    snprintf(text, sizeof(text), "%.6f", (double)_value);
    return text;
}

std::string Vector(const std::array<f32, 3>& _v) { return Float(_v[0]) + ", " + Float(_v[1]) + ", " + Float(_v[2]); }

}  // namespace

std::string TOOL_PatchText(const TOOL_Patch& _patch)
{
    const s32 numOfT = _patch.numOfT != -1 ? _patch.numOfT : (s32)_patch.triangles.size();
    const s32 numOfP = _patch.numOfP != -1 ? _patch.numOfP : (s32)_patch.patches.size();
    std::string out = "[Triangle]\n{\n    NumOfT = " + std::to_string(numOfT) + "\n";
    for (size_t i = 0; i < _patch.triangles.size(); ++i) {
        const TOOL_PatchTriangle& t = _patch.triangles[i];
        out += "    [T" + std::to_string(i) + "]\n    {\n";
        out += "        U = " + std::to_string(t.u) + "\n";
        out += "        B = " + std::to_string(t.part) + "\n";
        out += "        T = " + std::to_string(t.triangle) + "\n";
        for (size_t k = 0; k < 3; ++k)
            out += "        N" + std::to_string(k) + " = " + std::to_string(t.n[k]) + "\n";
        out += "    }\n";
    }
    out += "}\n[Patch]\n{\n    NumOfP = " + std::to_string(numOfP) + "\n";
    for (size_t j = 0; j < _patch.patches.size(); ++j) {
        const TOOL_PatchRecord& p = _patch.patches[j];
        out += "    [P" + std::to_string(j) + "]\n    {\n";
        out += "        T = " + std::to_string(p.first) + "\n";
        out += "        N = " + std::to_string(p.count) + "\n";
        out += "        A = " + Float(p.a) + "\n";
        out += "        V0 = " + Vector(p.v0) + "\n";
        out += "        V1 = " + Vector(p.v1) + "\n";
        out += "    }\n";
    }
    out += "}\n";
    return out;
}

u32 TOOL_WritePatch(const std::string& _path, const TOOL_Patch& _patch)
{
    return TOOL_WriteBytes(_path.c_str(), TOOL_PatchText(_patch));
}
