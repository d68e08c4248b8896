// Vertex and pixel programs of the GL device, and the program that each draw runs: the
// vertex program linked with the fragment program of the current stage setup (or pixel
// program), both cached, so a setup seen before costs one lookup.
#include <cstdio>
#include <cstring>

#include "dev_gl_local.h"

s32 DEV_GLDevice::CreateVertexShader(const char* _source, u32 _usage, DEV_Handle* _shader)
{
    if (_shader == nullptr)
        return DEV_ERR_INVALIDCALL;
    *_shader = 0;
    if (_source == nullptr || (_usage & ~(u32)DEV_USAGE_SOFTWAREPROCESSING) != 0)
        return DEV_ERR_INVALIDCALL;
    const GLuint name = DEV_GLCompile(GL_VERTEX_SHADER, DEV_GLVertexProgramSource(_source));
    if (name == 0)
        return DEV_ERR_INVALIDCALL;
    std::unique_ptr<VertexShader> shader(new VertexShader);
    shader->name = name;
    shader->usage = _usage;
    *_shader = Insert(m_vertexShaders, KIND_VERTEX_SHADER, std::move(shader));
    if (*_shader == 0) {
        glDeleteShader(name);
        return DEV_E_OUTOFMEMORY;
    }
    return DEV_OK;
}

void DEV_GLDevice::DestroyVertexShader(VertexShader* _shader)
{
    for (auto& entry : _shader->programs) {
        if (entry.second.get() == m_program) {
            m_program = nullptr;
            m_dirty |= DIRTY_PROGRAM;
        }
        if (m_glProgram == entry.second->name) {
            m_glProgram = 0;
            glUseProgram(0);
        }
        glDeleteProgram(entry.second->name);
    }
    _shader->programs.clear();
    glDeleteShader(_shader->name);
    _shader->name = 0;
}

s32 DEV_GLDevice::DeleteVertexShader(DEV_Handle _shader)
{
    VertexShader* shader = Find(m_vertexShaders, KIND_VERTEX_SHADER, _shader);
    if (shader == nullptr)
        return DEV_ERR_INVALIDCALL;
    if (m_vertexShader == _shader) {
        m_vertexShader = 0;
        m_dirty |= DIRTY_PROGRAM;
    }
    DestroyVertexShader(shader);
    Remove(m_vertexShaders, KIND_VERTEX_SHADER, _shader);
    return DEV_OK;
}

s32 DEV_GLDevice::SetVertexShader(DEV_Handle _shader)
{
    if (_shader != 0 && Find(m_vertexShaders, KIND_VERTEX_SHADER, _shader) == nullptr)
        return DEV_ERR_INVALIDCALL;
    if (_shader != m_vertexShader) {
        m_vertexShader = _shader;
        m_dirty |= DIRTY_PROGRAM;
    }
    return DEV_OK;
}

s32 DEV_GLDevice::SetVertexShaderConstant(u32 _register, const f32* _data, u32 _count)
{
    if (_data == nullptr || _register >= DEV_GL_CONSTANTS || _count > DEV_GL_CONSTANTS - _register)
        return DEV_ERR_INVALIDCALL;
    // Registers set to the values they hold already are not uploaded again: render passes
    // set the same transforms and colours before draw after draw.
    const u64 stamp = m_constantStamp + 1;
    bool changed = false;
    for (u32 i = 0; i < _count; ++i) {
        f32* target = &m_constants[(_register + i) * 4];
        const f32* source = _data + i * 4;
        if (memcmp(target, source, 4 * sizeof(f32)) == 0)
            continue;
        memcpy(target, source, 4 * sizeof(f32));
        m_constantStamps[_register + i] = stamp;
        changed = true;
    }
    if (changed)
        m_constantStamp = stamp;
    return DEV_OK;
}

s32 DEV_GLDevice::CreatePixelShader(const char* _source, DEV_Handle* _shader)
{
    if (_shader == nullptr)
        return DEV_ERR_INVALIDCALL;
    *_shader = 0;
    if (_source == nullptr)
        return DEV_ERR_INVALIDCALL;
    std::unique_ptr<PixelShader> shader(new PixelShader);
    shader->source = _source;
    const DEV_Handle handle = Insert(m_pixelShaders, KIND_PIXEL_SHADER, std::move(shader));
    if (handle == 0)
        return DEV_E_OUTOFMEMORY;
    // Compiled now (without alpha test) so that a faulty program fails here, not at a draw.
    DEV_GLFragmentKey key;
    key.pixelShader = handle;
    if (FindFragment(key) == ~0u) {
        Remove(m_pixelShaders, KIND_PIXEL_SHADER, handle);
        return DEV_ERR_INVALIDCALL;
    }
    *_shader = handle;
    return DEV_OK;
}

s32 DEV_GLDevice::DeletePixelShader(DEV_Handle _shader)
{
    if (Find(m_pixelShaders, KIND_PIXEL_SHADER, _shader) == nullptr)
        return DEV_ERR_INVALIDCALL;
    if (m_pixelShader == _shader) {
        m_pixelShader = 0;
        m_dirty |= DIRTY_FRAGMENT;
    }
    // Its fragment programs and every program linked with them go too; the handle is never
    // seen again, so the cache entries could never be hit.
    for (u32 index = 0; index < (u32)m_fragments.size(); ++index) {
        Fragment& fragment = m_fragments[index];
        if (fragment.name == 0 || fragment.key.pixelShader != _shader)
            continue;
        for (auto& slot : m_vertexShaders.slots) {
            if (!slot.item)
                continue;
            auto found = slot.item->programs.find(index);
            if (found == slot.item->programs.end())
                continue;
            if (found->second.get() == m_program) {
                m_program = nullptr;
                m_dirty |= DIRTY_FRAGMENT;
            }
            if (m_glProgram == found->second->name) {
                m_glProgram = 0;
                glUseProgram(0);
            }
            glDeleteProgram(found->second->name);
            slot.item->programs.erase(found);
        }
        m_fragmentIndex.erase(fragment.key);
        glDeleteShader(fragment.name);
        fragment.name = 0;
    }
    Remove(m_pixelShaders, KIND_PIXEL_SHADER, _shader);
    return DEV_OK;
}

s32 DEV_GLDevice::SetPixelShader(DEV_Handle _shader)
{
    if (_shader != 0 && Find(m_pixelShaders, KIND_PIXEL_SHADER, _shader) == nullptr)
        return DEV_ERR_INVALIDCALL;
    if (_shader != m_pixelShader) {
        m_pixelShader = _shader;
        m_dirty |= DIRTY_FRAGMENT;
    }
    return DEV_OK;
}

u32 DEV_GLDevice::FindFragment(const DEV_GLFragmentKey& _key)
{
    auto found = m_fragmentIndex.find(_key);
    if (found != m_fragmentIndex.end())
        return found->second;
    std::string source;
    if (_key.pixelShader != 0) {
        PixelShader* shader = Find(m_pixelShaders, KIND_PIXEL_SHADER, _key.pixelShader);
        if (shader == nullptr)
            return ~0u;
        source = DEV_GLPixelProgramSource(shader->source.c_str(), _key);
    } else {
        source = DEV_GLStageSource(_key);
    }
    const GLuint name = DEV_GLCompile(GL_FRAGMENT_SHADER, source);
    if (name == 0)
        return ~0u;
    Fragment fragment;
    fragment.key = _key;
    fragment.name = name;
    const u32 index = (u32)m_fragments.size();
    m_fragments.push_back(fragment);
    m_fragmentIndex[_key] = index;
    return index;
}

DEV_GLDevice::Program* DEV_GLDevice::LinkProgram(VertexShader* _shader, u32 _fragment)
{
    const GLuint name = glCreateProgram();
    glAttachShader(name, _shader->name);
    glAttachShader(name, m_fragments[_fragment].name);
    glLinkProgram(name);
    GLint ok = 0;
    glGetProgramiv(name, GL_LINK_STATUS, &ok);
    if (!ok) {
        char log[2048] = {};
        glGetProgramInfoLog(name, sizeof(log), nullptr, log);
        fprintf(stderr, "program does not link:\n%s\n", log);
        glDeleteProgram(name);
        return nullptr;
    }
    std::unique_ptr<Program> program(new Program);
    program->name = name;
    char text[32];
    for (u32 i = 0; i < DEV_GL_CONSTANTS; ++i) {
        snprintf(text, sizeof(text), "c[%u]", i);
        program->constantLocations[i] = glGetUniformLocation(name, text);
        if (program->constantLocations[i] >= 0)
            program->constantCount = i + 1;
    }
    program->pixelShift = glGetUniformLocation(name, "qv_PixelShift");
    program->textureFactor = glGetUniformLocation(name, "qv_TextureFactor");
    program->alphaRef = glGetUniformLocation(name, "qv_AlphaRef");
    glUseProgram(name);
    m_glProgram = name;
    for (u32 stage = 0; stage < DEV_GL_STAGES; ++stage) {
        snprintf(text, sizeof(text), "qv_S%u", stage);
        const GLint location = glGetUniformLocation(name, text);
        if (location >= 0)
            glUniform1i(location, (GLint)stage);
    }
    Program* result = program.get();
    _shader->programs[_fragment] = std::move(program);
    return result;
}

s32 DEV_GLDevice::SelectProgram()
{
    if (m_dirty & (DIRTY_FRAGMENT | DIRTY_PROGRAM)) {
        m_dirty &= ~(u32)(DIRTY_FRAGMENT | DIRTY_PROGRAM);
        m_keyBoundMask = m_boundMask;
        m_program = nullptr;
        m_programResult = DEV_ERR_INVALIDCALL;
        VertexShader* shader = Find(m_vertexShaders, KIND_VERTEX_SHADER, m_vertexShader);
        if (shader == nullptr)
            return m_programResult;
        DEV_GLFragmentKey key;
        if (m_pixelShader != 0) {
            key.pixelShader = m_pixelShader;
        } else {
            m_programResult = DEV_GLBuildStageKey(m_stageStates, m_boundMask, &key);
            if (m_programResult != DEV_OK)
                return m_programResult;
            key.specular = m_renderStates[DEV_RS_SPECULARENABLE] != 0;
        }
        key.flat = m_renderStates[DEV_RS_SHADEMODE] == DEV_SHADE_FLAT;
        if (m_renderStates[DEV_RS_ALPHATESTENABLE]) {
            const u32 func = m_renderStates[DEV_RS_ALPHAFUNC];
            // Always-pass needs no test; an unknown function passes too.
            key.alphaFunc = func >= DEV_CMP_NEVER && func < DEV_CMP_ALWAYS ? (u8)func : 0;
        }
        m_programResult = DEV_ERR_INVALIDCALL;
        const u32 fragment = FindFragment(key);
        if (fragment == ~0u)
            return m_programResult;
        auto found = shader->programs.find(fragment);
        m_program = found != shader->programs.end() ? found->second.get() : LinkProgram(shader, fragment);
        if (m_program == nullptr)
            return m_programResult;
        m_programResult = DEV_OK;
    }
    if (m_program == nullptr)
        return m_programResult;
    if (m_glProgram != m_program->name) {
        m_glProgram = m_program->name;
        glUseProgram(m_program->name);
    }
    UpdateUniforms(m_program);
    return DEV_OK;
}
