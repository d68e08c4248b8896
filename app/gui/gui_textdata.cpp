#include "gui_textdata.h"

#include <cstring>

#include "os_fatal.h"

GUI_TextData::~GUI_TextData() { MEM_Free(m_text); }

void GUI_TextData::Allocate(s32 _capacity)
{
    if (_capacity < 0)
        _capacity = 0;
    if (m_text != nullptr && _capacity == m_capacity)
        return;
    MEM_Free(m_text);
    // Zero-filled, so a text that was never set measures and draws as "".
    m_text = (char*)MEM_AllocOrDie((u32)_capacity + 1, "GUI_TextData::Allocate()");
    std::memset(m_text, 0, (size_t)_capacity + 1);
    m_capacity = _capacity;
}

u32 GUI_TextData::SetText(const char* _text)
{
    if (m_text == nullptr)
        return 0;
    if (_text == nullptr)
        _text = "";
    const size_t length = std::strlen(_text);
    if (length > (size_t)m_capacity)
        OS_Fatal("GUI_TextData::SetText()", "max num of characters in text data exeeded");
    std::memcpy(m_text, _text, length + 1);
    return 1;
}
