// The key script: parsing its lines and handing out its keys on the real clock.
#ifdef QV_KEY_SCRIPT

#include "inp_keyscript.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <strings.h>

#include "inp_keyboard.h"
#include "os_fatal.h"

namespace
{

const char* const ENVIRONMENT_VARIABLE = "QV_KEY_SCRIPT";
const f64 MAX_DELAY = 3600.0;
const u32 MAX_FILE = 65536;

struct KeyName
{
    const char* name;
    u32 keyCode;
};

const KeyName KEY_NAMES[] = {
    {"escape", INP_KC_ESCAPE}, {"return", INP_KC_RETURN}, {"up", INP_KC_UP},
    {"down", INP_KC_DOWN},     {"left", INP_KC_LEFT},     {"right", INP_KC_RIGHT},
};

bool IsSpace(char _c) { return _c == ' ' || _c == '\t' || _c == '\r' || _c == '\n'; }

// A key code from its decimal number or its name; INP_KC_NONE for anything else.
u32 ParseKey(const char* _token)
{
    const size_t length = strlen(_token);
    if (length >= 1 && length <= 3 && strspn(_token, "0123456789") == length) {
        const u32 code = (u32)strtoul(_token, nullptr, 10);
        return code < INP_KC_COUNT ? code : INP_KC_NONE;
    }
    for (const KeyName& each : KEY_NAMES)
        if (strcasecmp(each.name, _token) == 0)
            return each.keyCode;
    return INP_KC_NONE;
}

// A delay in seconds, or -1 when the token is no plain decimal number in range.
f64 ParseDelay(const char* _token)
{
    // Only digits and one point: strtod would also take "inf", "nan", hex and exponents.
    const size_t length = strlen(_token);
    if (length == 0 || strspn(_token, "0123456789.") != length || strchr(_token, '.') != strrchr(_token, '.') ||
        strcmp(_token, ".") == 0)
        return -1.0;
    const f64 delay = strtod(_token, nullptr);
    return std::isfinite(delay) && delay <= MAX_DELAY ? delay : -1.0;
}

}  // namespace

void INP_KeyScript::Load(const char* _text, const char* _name, f64 _now)
{
    m_count = 0;
    m_next = 0;
    m_elapsed = 0.0;
    m_lastReading = _now;
    u32 number = 0;
    const char* start = _text;
    while (*start != '\0') {
        const char* end = strchr(start, '\n');
        if (end == nullptr)
            end = start + strlen(start);
        ++number;
        char line[MAX_LINE];
        const size_t length = (size_t)(end - start);
        if (length >= MAX_LINE) {
            OS_Log(OS_Format("key script %s line %u: line too long: %.40s...", _name, number, start));
        } else {
            memcpy(line, start, length);
            line[length] = '\0';
            ParseLine(line, number, _name);
        }
        start = *end == '\n' ? end + 1 : end;
    }
}

bool INP_KeyScript::LoadFromEnvironment(f64 _now)
{
    Load("", "", _now);
    const char* path = getenv(ENVIRONMENT_VARIABLE);
    if (path == nullptr || path[0] == '\0')
        return false;
    static char s_text[MAX_FILE];
    FILE* file = fopen(path, "rb");
    if (file == nullptr) {
        OS_Log(OS_Format("key script %s: cannot be opened", path));
        return true;
    }
    const size_t size = fread(s_text, 1, MAX_FILE - 1, file);
    const bool more = fgetc(file) != EOF;
    fclose(file);
    s_text[size] = '\0';
    if (more || strlen(s_text) != size) {
        OS_Log(OS_Format("key script %s: not a text of at most %u bytes", path, MAX_FILE - 1));
        return true;
    }
    Load(s_text, path, _now);
    return true;
}

void INP_KeyScript::ParseLine(const char* _line, u32 _number, const char* _name)
{
    // Up to three tokens: a third one makes the line bad.
    char tokens[3][MAX_LINE];
    u32 count = 0;
    const char* cursor = _line;
    for (;;) {
        while (IsSpace(*cursor))
            ++cursor;
        if (*cursor == '\0' || count == 3)
            break;
        size_t length = 0;
        while (cursor[length] != '\0' && !IsSpace(cursor[length]))
            ++length;
        memcpy(tokens[count], cursor, length);
        tokens[count][length] = '\0';
        ++count;
        cursor += length;
    }
    if (count == 0 || tokens[0][0] == '#')
        return;

    const char* why = nullptr;
    Step step;
    const bool flush = strcasecmp(tokens[0], "flush") == 0;
    if (flush && count == 1) {
        step.keyCode = INP_KC_NONE;
    } else if (flush || count != 2) {
        why = "expected \"<seconds> <key>\" or \"flush\"";
    } else if ((step.delay = ParseDelay(tokens[0])) < 0.0) {
        why = "bad delay";
    } else if ((step.keyCode = ParseKey(tokens[1])) == INP_KC_NONE) {
        why = "unknown key";
    }
    if (why == nullptr && m_count == MAX_STEPS)
        why = "too many steps";
    if (why != nullptr) {
        OS_Log(OS_Format("key script %s line %u: %s: %s", _name, _number, why, _line));
        return;
    }
    m_steps[m_count] = step;
    ++m_count;
}

void INP_KeyScript::Tick(f64 _now)
{
    if (_now > m_lastReading)
        m_elapsed += _now - m_lastReading;
    m_lastReading = _now;
}

u32 INP_KeyScript::TakeDueKey(f64 _now)
{
    Tick(_now);
    if (m_next == m_count)
        return INP_KC_NONE;
    const Step& step = m_steps[m_next];
    if (step.keyCode == INP_KC_NONE || step.delay > m_elapsed)
        return INP_KC_NONE;
    ++m_next;
    m_elapsed = 0.0;
    return step.keyCode;
}

void INP_KeyScript::Flushed(f64 _now)
{
    Tick(_now);
    if (m_next < m_count && m_steps[m_next].keyCode == INP_KC_NONE) {
        ++m_next;
        m_elapsed = 0.0;
    }
}

#endif
