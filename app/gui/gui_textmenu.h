// Text menus: a page of lines drawn with a bitmap font into one square 16-bit picture, one row
// per line, shared by all lines as one texture; each line shows its row as a textured quad.
//
// Calling order: constructor, AllocateRessrources, items built and their texts set, AddTextItem
// for each, CreateTextureInHardware, SelectItem; per frame UploadTextureToHardware and drawing.
// The page owns its picture and its items; the texture belongs to the display's table (flushed
// with the other menu textures). A text is drawn only when its item is dirty and the texture is
// refreshed only when a row changed or the caller forces it. Misuse is fatal (OS_Fatal).
// The selection is a slot index or -1; a slot outside the page or without an item counts as no
// item, and the operations on the selected item then do nothing.
#pragma once

#include "gfx_font.h"
#include "gfx_picture16.h"
#include "gfx_textwriter.h"
#include "gui_textdata.h"
#include "gui_textitem.h"
#include "mat_vector.h"
#include "mem_alloc.h"
#include "os_types.h"

class GUI_TextMenu : public MEM_Object
{
public:
    GUI_TextMenu() = default;
    ~GUI_TextMenu();  // deletes the picture and every item
    GUI_TextMenu(const GUI_TextMenu&) = delete;
    GUI_TextMenu& operator=(const GUI_TextMenu&) = delete;

    // A blank picture of 2^_exponent square pixels and (side / row height) empty slots, row
    // height = the font's line height + 2; deletes any items. The font must outlive the page.
    void AllocateRessrources(s32 _exponent, GFX_Font* _font);

    s32 GetNumItems() const { return m_itemCount; }
    s32 GetTextCapacity() const { return m_textCapacity; }
    s32 GetRowHeight() const { return m_rowHeight; }
    s32 GetSizeExponent() const { return m_sizeExponent; }
    s32 GetTextureId() const { return m_textureId; }
    s32 GetSelected() const { return m_selected; }
    const GFX_Picture16* GetPicture() const { return m_picture; }

    // The item in slot _index (null for an empty slot); fatal outside the slots.
    GUI_TextItem* GetTextItem(s32 _index);
    // Takes _item into the empty slot _index, builds its quad and sets its track constants.
    void AddTextItem(s32 _index, GUI_TextItem* _item, const GUI_Vector2& _position, f32 _angle,
                     const GUI_Vector2& _scale, const MAT_Vector3& _colour, f32 _alpha);

    // Creates texture _id (A1R5G5B5, the picture's size, one level) and keeps the id.
    void CreateTextureInHardware(s32 _id);
    // Redraws the rows of dirty items; refreshes the texture when one changed or _force is set.
    void UploadTextureToHardware(u32 _force);

    // Each returns 1 when an item became selected, else 0.
    u32 SelectItem(s32 _index, f32 _time);
    u32 SelectNext(f32 _time);
    u32 SelectPrevious(f32 _time);
    // The selected item's next or previous value and 1; 0 without a selected item.
    u32 NextValue(f32 _time);
    u32 PreviousValue(f32 _time);

private:
    GUI_TextItem* SelectedItem() const;  // null for no selection, an outside index or an empty slot

    GUI_TextItem** m_items = nullptr;
    s32 m_itemCount = 0;
    s32 m_textCapacity = 0;
    s32 m_rowHeight = 0;
    GFX_Picture16* m_picture = nullptr;
    s32 m_sizeExponent = 0;
    s32 m_textureId = -1;
    GFX_TextWriter m_textWriter;
    s32 m_selected = -1;
};
