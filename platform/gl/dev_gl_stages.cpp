// The GLSL that stands in for Direct3D's fixed-function texture stages, the prologue and
// epilogue around the application's vertex and pixel programs, and the shader compiler call.
#include <cstdio>
#include <cstring>

#include "dev_gl_local.h"

namespace
{

// A colour operation that reads a texture no stage holds passes the current value through;
// it is kept apart from DISABLE, which ends the chain.
constexpr u8 OP_PASS = 0xFE;

bool IsKnownOp(u32 _op)
{
    switch (_op) {
    case DEV_TOP_SELECTARG1:
    case DEV_TOP_SELECTARG2:
    case DEV_TOP_MODULATE:
    case DEV_TOP_MODULATE2X:
    case DEV_TOP_ADD:
    case DEV_TOP_BLENDTEXTUREALPHA:
    case DEV_TOP_BLENDFACTORALPHA:
    case DEV_TOP_BLENDCURRENTALPHA:
    case DEV_TOP_MODULATEALPHA_ADDCOLOR:
        return true;
    default:
        return false;
    }
}

bool UsesArg1(u32 _op) { return _op != DEV_TOP_SELECTARG2; }
bool UsesArg2(u32 _op) { return _op != DEV_TOP_SELECTARG1; }

bool ReadsTexture(u32 _op, u32 _arg1, u32 _arg2)
{
    return _op == DEV_TOP_BLENDTEXTUREALPHA || (UsesArg1(_op) && _arg1 == DEV_TA_TEXTURE) ||
           (UsesArg2(_op) && _arg2 == DEV_TA_TEXTURE);
}

const char* ArgText(u32 _arg, u32 _stage)
{
    switch (_arg) {
    case DEV_TA_DIFFUSE:
        return "qv_D0";
    case DEV_TA_CURRENT:
        return _stage == 0 ? "qv_D0" : "prev";  // stage 0 has no current value but diffuse
    case DEV_TA_TEXTURE:
        return "tex";
    default:
        return "qv_TextureFactor";
    }
}

// The operation on one channel group (".rgb" or ".a") of the stage.
std::string OpText(u32 _op, u32 _arg1, u32 _arg2, u32 _stage, const char* _channels)
{
    const std::string a = std::string(ArgText(_arg1, _stage)) + _channels;
    const std::string b = std::string(ArgText(_arg2, _stage)) + _channels;
    switch (_op) {
    case DEV_TOP_SELECTARG1:
        return a;
    case DEV_TOP_SELECTARG2:
        return b;
    case DEV_TOP_MODULATE:
        return a + " * " + b;
    case DEV_TOP_MODULATE2X:
        return a + " * " + b + " * 2.0";
    case DEV_TOP_ADD:
        return a + " + " + b;
    case DEV_TOP_BLENDTEXTUREALPHA:
        return "mix(" + b + ", " + a + ", tex.a)";
    case DEV_TOP_BLENDFACTORALPHA:
        return "mix(" + b + ", " + a + ", qv_TextureFactor.a)";
    case DEV_TOP_BLENDCURRENTALPHA:
        return "mix(" + b + ", " + a + ", " + (_stage == 0 ? "qv_D0" : "prev") + ".a)";
    case DEV_TOP_MODULATEALPHA_ADDCOLOR:
        return a + " + " + ArgText(_arg1, _stage) + ".a * " + b;
    default:  // DISABLE and OP_PASS: the current value
        return std::string(_stage == 0 ? "qv_D0" : "prev") + _channels;
    }
}

const char* CompareText(u32 _func)
{
    switch (_func) {
    case DEV_CMP_NEVER:
        return nullptr;
    case DEV_CMP_LESS:
        return "<";
    case DEV_CMP_EQUAL:
        return "==";
    case DEV_CMP_LESSEQUAL:
        return "<=";
    case DEV_CMP_GREATER:
        return ">";
    case DEV_CMP_NOTEQUAL:
        return "!=";
    default:
        return ">=";  // DEV_CMP_GREATEREQUAL
    }
}

// Direct3D compares the 8-bit alpha of the pixel with the 8-bit reference.
std::string AlphaTestText(u32 _func, const char* _value)
{
    if (_func == 0)
        return "";
    const char* compare = CompareText(_func);
    if (compare == nullptr)
        return "    discard;\n";
    return std::string("    if (!(floor(") + _value + ".a * 255.0 + 0.5) " + compare + " qv_AlphaRef)) discard;\n";
}

// The colours arrive interpolated, or flat (qv_F0, qv_F1) under the names the programs use.
std::string FragmentInputs(const DEV_GLFragmentKey& _key)
{
    std::string text = "#version 330 core\n";
    if (_key.flat)
        text += "flat in vec4 qv_F0;\n"
                "flat in vec4 qv_F1;\n"
                "#define qv_D0 qv_F0\n"
                "#define qv_D1 qv_F1\n";
    else
        text += "in vec4 qv_D0;\n"
                "in vec4 qv_D1;\n";
    return text + "in vec4 qv_T0;\n"
                  "in vec4 qv_T1;\n"
                  "in vec4 qv_T2;\n"
                  "in vec4 qv_T3;\n"
                  "uniform vec4 qv_TextureFactor;\n"
                  "uniform float qv_AlphaRef;\n"
                  "out vec4 qv_Color;\n";
}

}  // namespace

bool operator==(const DEV_GLFragmentKey& _a, const DEV_GLFragmentKey& _b)
{
    return memcmp(&_a, &_b, sizeof(DEV_GLFragmentKey)) == 0;
}

size_t DEV_GLFragmentKeyHash::operator()(const DEV_GLFragmentKey& _key) const
{
    // Eight bytes at a time: a draw after a change of stages hashes a key, so byte-wise
    // hashing was the device's largest cost per draw.
    static_assert(sizeof(DEV_GLFragmentKey) % 8 == 0, "the key hashes as whole words");
    u64 words[sizeof(DEV_GLFragmentKey) / 8];
    memcpy(words, &_key, sizeof(words));
    u64 hash = 14695981039346656037ull;
    for (u64 word : words) {
        hash = (hash ^ word) * 0x9E3779B97F4A7C15ull;
        hash ^= hash >> 29;
    }
    return (size_t)hash;
}

s32 DEV_GLBuildStageKey(const u32 (*_stageStates)[32], u32 _boundMask, DEV_GLFragmentKey* _key)
{
    for (u32 stage = 0; stage < DEV_GL_STAGES; ++stage)
        _key->stages[stage] = DEV_GLStageKey();
    for (u32 stage = 0; stage < DEV_GL_STAGES; ++stage) {
        const u32* states = _stageStates[stage];
        const u32 colorOp = states[DEV_TSS_COLOROP];
        if (colorOp == DEV_TOP_DISABLE)
            break;
        if (!IsKnownOp(colorOp))
            return DEV_ERR_UNSUPPORTEDCOLOROPERATION;
        u32 alphaOp = states[DEV_TSS_ALPHAOP];
        if (alphaOp != DEV_TOP_DISABLE && (!IsKnownOp(alphaOp) || alphaOp == DEV_TOP_MODULATEALPHA_ADDCOLOR))
            return DEV_ERR_UNSUPPORTEDALPHAOPERATION;

        u32 colorArg1 = UsesArg1(colorOp) ? states[DEV_TSS_COLORARG1] : 0;
        u32 colorArg2 = UsesArg2(colorOp) ? states[DEV_TSS_COLORARG2] : 0;
        if (colorArg1 > DEV_TA_TFACTOR || colorArg2 > DEV_TA_TFACTOR)
            return DEV_ERR_UNSUPPORTEDCOLORARG;
        u32 alphaArg1 = 0, alphaArg2 = 0;
        if (alphaOp != DEV_TOP_DISABLE) {
            alphaArg1 = UsesArg1(alphaOp) ? states[DEV_TSS_ALPHAARG1] : 0;
            alphaArg2 = UsesArg2(alphaOp) ? states[DEV_TSS_ALPHAARG2] : 0;
            if (alphaArg1 > DEV_TA_TFACTOR || alphaArg2 > DEV_TA_TFACTOR)
                return DEV_ERR_UNSUPPORTEDALPHAARG;
        }

        DEV_GLStageKey& key = _key->stages[stage];
        const bool bound = (_boundMask & (1u << stage)) != 0;
        const bool colorReads = ReadsTexture(colorOp, colorArg1, colorArg2);
        const bool alphaReads = alphaOp != DEV_TOP_DISABLE && ReadsTexture(alphaOp, alphaArg1, alphaArg2);
        u32 op = colorOp;
        if (colorReads && !bound) {
            op = OP_PASS;
            colorArg1 = colorArg2 = 0;
        }
        if (alphaReads && !bound) {
            alphaOp = DEV_TOP_DISABLE;
            alphaArg1 = alphaArg2 = 0;
        }
        key.colorOp = (u8)op;
        key.colorArg1 = (u8)colorArg1;
        key.colorArg2 = (u8)colorArg2;
        key.alphaOp = (u8)alphaOp;
        key.alphaArg1 = (u8)alphaArg1;
        key.alphaArg2 = (u8)alphaArg2;
        if (bound && (colorReads || alphaReads)) {
            key.sample = 1;
            const u32 index = states[DEV_TSS_TEXCOORDINDEX] & 0xFFFF;
            key.texCoord = (u8)(index < DEV_GL_TEXCOORDS ? index : DEV_GL_TEXCOORDS);
        }
    }
    return DEV_OK;
}

std::string DEV_GLStageSource(const DEV_GLFragmentKey& _key)
{
    std::string text = FragmentInputs(_key);
    for (u32 stage = 0; stage < DEV_GL_STAGES; ++stage)
        if (_key.stages[stage].sample)
            text += "uniform sampler2D qv_S" + std::to_string(stage) + ";\n";
    text += "void main()\n{\n    vec4 cur = qv_D0;\n    vec4 prev;\n    vec4 tex;\n";
    for (u32 stage = 0; stage < DEV_GL_STAGES; ++stage) {
        const DEV_GLStageKey& key = _key.stages[stage];
        if (key.colorOp == 0)
            break;
        text += "    prev = cur;\n";
        if (key.sample) {
            const std::string coordinates =
                key.texCoord < DEV_GL_TEXCOORDS ? "qv_T" + std::to_string(key.texCoord) + ".xy" : "vec2(0.0)";
            text += "    tex = texture(qv_S" + std::to_string(stage) + ", " + coordinates + ");\n";
        }
        // Direct3D saturates every stage's result before the next stage reads it.
        text += "    cur = clamp(vec4(" + OpText(key.colorOp, key.colorArg1, key.colorArg2, stage, ".rgb") + ", " +
                OpText(key.alphaOp, key.alphaArg1, key.alphaArg2, stage, ".a") + "), 0.0, 1.0);\n";
    }
    if (_key.specular)
        text += "    cur.rgb = clamp(cur.rgb + qv_D1.rgb, 0.0, 1.0);\n";
    text += AlphaTestText(_key.alphaFunc, "cur");
    text += "    qv_Color = cur;\n}\n";
    return text;
}

std::string DEV_GLPixelProgramSource(const char* _body, const DEV_GLFragmentKey& _key)
{
    std::string text = FragmentInputs(_key);
    text += "uniform sampler2D qv_S0;\n"
            "uniform sampler2D qv_S1;\n"
            "uniform sampler2D qv_S2;\n"
            "uniform sampler2D qv_S3;\n"
            "vec4 v0;\n"
            "vec4 v1;\n"
            "vec4 t0;\n"
            "vec4 t1;\n"
            "vec4 t2;\n"
            "vec4 t3;\n"
            "#line 1\n";
    text += _body;
    text += "\nvoid main()\n{\n"
            "    v0 = qv_D0;\n"
            "    v1 = qv_D1;\n"
            "    t0 = texture(qv_S0, qv_T0.xy);\n"
            "    t1 = texture(qv_S1, qv_T1.xy);\n"
            "    t2 = texture(qv_S2, qv_T2.xy);\n"
            "    t3 = texture(qv_S3, qv_T3.xy);\n"
            "    vec4 result = clamp(PS_Main(), 0.0, 1.0);\n";
    text += AlphaTestText(_key.alphaFunc, "result");
    text += "    qv_Color = result;\n}\n";
    return text;
}

std::string DEV_GLVertexProgramSource(const char* _body)
{
    // Inputs are vec4 so that GL fills the missing components as Direct3D does (0, 0, 1);
    // the colour arrives as (r, g, b, a) because its attribute is declared BGRA.
    std::string text = "#version 330 core\n"
                       "layout(location = 0) in vec4 qv_In0;\n"
                       "layout(location = 1) in vec4 qv_In1;\n"
                       "layout(location = 2) in vec4 qv_In2;\n"
                       "layout(location = 3) in vec4 qv_In3;\n"
                       "layout(location = 4) in vec4 qv_In4;\n"
                       "uniform vec4 c[96];\n"
                       "uniform vec2 qv_PixelShift;\n"
                       "out vec4 qv_D0;\n"
                       "out vec4 qv_D1;\n"
                       "flat out vec4 qv_F0;\n"
                       "flat out vec4 qv_F1;\n"
                       "out vec4 qv_T0;\n"
                       "out vec4 qv_T1;\n"
                       "out vec4 qv_T2;\n"
                       "out vec4 qv_T3;\n"
                       "vec4 v0;\n"
                       "vec4 v1;\n"
                       "vec4 v2;\n"
                       "vec4 v3;\n"
                       "vec4 v4;\n"
                       "vec4 oPos;\n"
                       "vec4 oD0;\n"
                       "vec4 oD1;\n"
                       "vec4 oT0;\n"
                       "vec4 oT1;\n"
                       "vec4 oT2;\n"
                       "vec4 oT3;\n"
                       "#line 1\n";
    text += _body;
    // The epilogue: Direct3D clips depth to 0..w where GL clips to -w..w; its pixel centres
    // lie on integers, half a pixel up and left of GL's (qv_PixelShift is one pixel in
    // normalised coordinates); and its y grows downward, matching our framebuffers, whose
    // row 0 is the top row.
    text += "\nvoid main()\n{\n"
            "    v0 = qv_In0;\n"
            "    v1 = qv_In1;\n"
            "    v2 = qv_In2;\n"
            "    v3 = qv_In3;\n"
            "    v4 = qv_In4;\n"
            "    oPos = vec4(0.0, 0.0, 0.0, 1.0);\n"
            "    oD0 = vec4(1.0);\n"
            "    oD1 = vec4(0.0);\n"
            "    oT0 = vec4(0.0, 0.0, 0.0, 1.0);\n"
            "    oT1 = vec4(0.0, 0.0, 0.0, 1.0);\n"
            "    oT2 = vec4(0.0, 0.0, 0.0, 1.0);\n"
            "    oT3 = vec4(0.0, 0.0, 0.0, 1.0);\n"
            "    VS_Main();\n"
            "    qv_D0 = clamp(oD0, 0.0, 1.0);\n"
            "    qv_D1 = clamp(oD1, 0.0, 1.0);\n"
            "    qv_F0 = qv_D0;\n"
            "    qv_F1 = qv_D1;\n"
            "    qv_T0 = oT0;\n"
            "    qv_T1 = oT1;\n"
            "    qv_T2 = oT2;\n"
            "    qv_T3 = oT3;\n"
            "    gl_Position = vec4(oPos.x + oPos.w * qv_PixelShift.x, oPos.w * qv_PixelShift.y - oPos.y,\n"
            "                       2.0 * oPos.z - oPos.w, oPos.w);\n"
            "}\n";
    return text;
}

GLuint DEV_GLCompile(GLenum _type, const std::string& _source)
{
    GLuint shader = glCreateShader(_type);
    const char* text = _source.c_str();
    glShaderSource(shader, 1, &text, nullptr);
    glCompileShader(shader);
    GLint ok = 0;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
    if (!ok) {
        char log[2048] = {};
        glGetShaderInfoLog(shader, sizeof(log), nullptr, log);
        fprintf(stderr, "%s shader does not compile:\n%s\n", _type == GL_VERTEX_SHADER ? "vertex" : "fragment", log);
        glDeleteShader(shader);
        return 0;
    }
    return shader;
}
