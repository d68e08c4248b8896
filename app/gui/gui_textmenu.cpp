#include "gui_textmenu.h"

#include "dsp_display.h"
#include "dsp_texture.h"
#include "gfx_rect.h"
#include "os_fatal.h"

// Selection animation: the selected line grows and turns white; the others go back.
static const f32 HIGHLIGHT_SECONDS = 0.2f;
static const f32 UNHIGHLIGHT_SCALE_SECONDS = 0.2f;
static const f32 UNHIGHLIGHT_COLOUR_SECONDS = 0.6f;
static const GUI_Vector2 HIGHLIGHT_SCALE = {1.2f, 1.2f};
static const MAT_Vector3 HIGHLIGHT_COLOUR = {1.0f, 1.0f, 1.0f};

static void Highlight(GUI_TextItem* _item, f32 _time)
{
    _item->ScaleTo(_time, HIGHLIGHT_SECONDS, HIGHLIGHT_SCALE);
    _item->ColourTo(_time, HIGHLIGHT_SECONDS, HIGHLIGHT_COLOUR);
}

static void Unhighlight(GUI_TextItem* _item, f32 _time)
{
    _item->ScaleReset(_time, UNHIGHLIGHT_SCALE_SECONDS);
    _item->ColourReset(_time, UNHIGHLIGHT_COLOUR_SECONDS);
}

GUI_TextMenu::~GUI_TextMenu()
{
    delete m_picture;
    for (s32 i = 0; i < m_itemCount; ++i)
        delete m_items[i];
    MEM_Free(m_items);
}

void GUI_TextMenu::AllocateRessrources(s32 _exponent, GFX_Font* _font)
{
    const s32 size = 1 << _exponent;
    if (m_picture == nullptr || m_picture->GetWidth() != size) {
        delete m_picture;
        m_picture = new GFX_Picture16(size, size);
    }
    m_picture->Fill(0);

    m_rowHeight = _font->GetLineHeight() + 2;
    const s32 rows = size / m_rowHeight;

    for (s32 i = 0; i < m_itemCount; ++i) {
        delete m_items[i];
        m_items[i] = nullptr;
    }
    if (m_items == nullptr || m_itemCount != rows) {
        MEM_Free(m_items);
        m_items = (GUI_TextItem**)MEM_AllocOrDie((u32)(rows > 0 ? rows : 1) * sizeof(GUI_TextItem*),
                                                 "GUI_TextMenu::AllocateRessrources()");
    }
    for (s32 i = 0; i < rows; ++i)
        m_items[i] = nullptr;

    m_itemCount = rows;
    m_sizeExponent = _exponent;
    m_textCapacity = size / m_rowHeight;
    m_textWriter.SetTarget(m_picture);
    m_textWriter.SetFont(_font);
}

GUI_TextItem* GUI_TextMenu::GetTextItem(s32 _index)
{
    if (m_items == nullptr)
        OS_Fatal("GUI_TextMenu::GetTextItem()", "no textitem array allocated before");
    if ((u32)_index >= (u32)m_itemCount)
        OS_Fatal("GUI_TextMenu::GetTextItem()", "text item index out of range");
    return m_items[_index];
}

void GUI_TextMenu::AddTextItem(s32 _index, GUI_TextItem* _item, const GUI_Vector2& _position, f32 _angle,
                               const GUI_Vector2& _scale, const MAT_Vector3& _colour, f32 _alpha)
{
    static const char* const caption = "GUI_TextMenu::AddTextItem()";
    if (m_items == nullptr)
        OS_Fatal(caption, "no textitem array allocated before");
    if ((u32)_index >= (u32)m_itemCount)
        OS_Fatal(caption, "text item index out of range");
    if (m_items[_index] != nullptr)
        OS_Fatal(caption, "item with given index has already been added");
    m_items[_index] = _item;

    // The quad shows the row-height rows that begin two pixels above the row's band.
    const f32 frac = (f32)m_rowHeight / (f32)m_picture->GetHeight();
    _item->BuildQuad((f32)_index * frac - 2.0f * frac / (f32)m_rowHeight, frac);

    _item->m_baseSize = {(f32)m_picture->GetWidth(), (f32)m_rowHeight};
    _item->m_position.constant[0] = _position.x;
    _item->m_position.constant[1] = _position.y;
    _item->m_angle.constant[0] = _angle;
    _item->m_scale.constant[0] = _scale.x;
    _item->m_scale.constant[1] = _scale.y;
    _item->m_colour.constant[0] = _colour.x;
    _item->m_colour.constant[1] = _colour.y;
    _item->m_colour.constant[2] = _colour.z;
    _item->m_alpha.constant[0] = _alpha;
}

void GUI_TextMenu::CreateTextureInHardware(s32 _id)
{
    if (m_picture == nullptr)
        OS_Fatal("GUI_TextMenu::CreateTextureInHardware()",
                 "memberfunction AllocateRessrources() has to be called before.");
    SITO_DISPLAY->Texture_Create(_id, DSP_TEXTURE_A1R5G5B5, m_sizeExponent, 1);
    m_textureId = _id;
}

void GUI_TextMenu::UploadTextureToHardware(u32 _force)
{
    if (m_picture == nullptr || m_textureId == -1)
        OS_Fatal("GUI_TextMenu::UploadTextureToHardware()",
                 "memberfunction CreateTextureInHardware() has to be called before.");
    const s32 size = m_picture->GetWidth();
    u32 changed = 0;
    for (s32 i = 0; i < m_itemCount; ++i) {
        GUI_TextItem* item = m_items[i];
        if (item == nullptr || item->m_dirty == 0)
            continue;
        item->m_dirty = 0;
        if (item->m_mesh.GetMaterialCount() > 0)
            item->m_mesh.GetMaterial(0)->material.diffuseMap.textureId = (u32)m_textureId;
        changed = 1;

        const s32 top = m_rowHeight * i + 1;
        GFX_Rect band;
        band.Set(0, top, size, m_rowHeight);
        m_picture->FillRect(band, 0);
        const char* text = item->GetCurrentText();
        const s32 width = m_textWriter.GetStringWidth(text);
        m_textWriter.SetCursorCentred(size / 2, top, width + 1);
        m_textWriter.PutString(text);
    }
    if (_force != 0 || changed != 0)
        SITO_DISPLAY->Texture_Refresh(m_textureId, m_picture->GetPixels(), (u64)size * (u64)size * sizeof(u16));
}

GUI_TextItem* GUI_TextMenu::SelectedItem() const
{
    if (m_items == nullptr || (u32)m_selected >= (u32)m_itemCount)
        return nullptr;
    return m_items[m_selected];
}

u32 GUI_TextMenu::SelectItem(s32 _index, f32 _time)
{
    GUI_TextItem* previous = SelectedItem();
    if (previous != nullptr)
        Unhighlight(previous, _time);
    m_selected = _index;
    GUI_TextItem* item = SelectedItem();
    if (item == nullptr)
        return 0;
    Highlight(item, _time);
    return 1;
}

u32 GUI_TextMenu::SelectNext(f32 _time)
{
    const s32 next = m_selected + 1;
    if (m_items == nullptr || next < 0 || next >= m_itemCount || m_items[next] == nullptr)
        return 0;
    return SelectItem(next, _time);
}

u32 GUI_TextMenu::SelectPrevious(f32 _time)
{
    const s32 previous = m_selected - 1;
    if (m_items == nullptr || previous < 0 || previous >= m_itemCount || m_items[previous] == nullptr)
        return 0;
    return SelectItem(previous, _time);
}

u32 GUI_TextMenu::NextValue(f32 _time)
{
    (void)_time;
    GUI_TextItem* item = SelectedItem();
    if (item == nullptr)
        return 0;
    item->NextValue();
    return 1;
}

u32 GUI_TextMenu::PreviousValue(f32 _time)
{
    (void)_time;
    GUI_TextItem* item = SelectedItem();
    if (item == nullptr)
        return 0;
    item->PreviousValue();
    return 1;
}
