// A text buffer of fixed capacity: one line of a menu page, or one alternative of a setup line.
//
// The buffer holds capacity + 1 bytes, zero-filled when allocated, so an allocated text reads as
// "" until set. Texts longer than the capacity are fatal (callers cut them first when the length
// is not known in advance). The object owns its buffer; it cannot be copied.
#pragma once

#include "mem_alloc.h"
#include "os_types.h"

class GUI_TextData : public MEM_Object
{
public:
    enum
    {
        ALIGN_CENTRED = 2  // the alignment of every text
    };

    GUI_TextData() = default;  // no buffer, capacity 0
    ~GUI_TextData();
    GUI_TextData(const GUI_TextData&) = delete;
    GUI_TextData& operator=(const GUI_TextData&) = delete;

    // A zero-filled buffer of _capacity + 1 bytes; the same capacity keeps the buffer and its text.
    void Allocate(s32 _capacity);
    // 0 without a buffer; a text of more than the capacity is fatal; else copies it and returns 1.
    u32 SetText(const char* _text);

    const char* GetText() const { return m_text; }  // null before Allocate
    s32 GetAlignment() const { return m_alignment; }
    s32 GetCapacity() const { return m_capacity; }

private:
    char* m_text = nullptr;
    s32 m_alignment = ALIGN_CENTRED;
    s32 m_capacity = 0;
};
