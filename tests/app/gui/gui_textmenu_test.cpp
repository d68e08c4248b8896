#include "gui_textmenu.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "display_fixture.h"
#include "dsp_texture.h"
#include "test_dir.h"
#include "tools_font.h"
#include "tools_tga.h"

namespace
{

const s32 LINE_HEIGHT = 14;  // row height 16: a 512-pixel page has 32 rows of 32 characters
const s32 ROW = LINE_HEIGHT + 2;
const s32 TEXTURE = 3;

// Characters 32 to 126: character c is 1 + c % 3 pixels wide, LINE_HEIGHT high and filled
// with a colour of its own.
s32 WidthOf(char _c) { return 1 + _c % 3; }
s32 WidthOf(const char* _s)
{
    s32 width = 0;
    for (; *_s != 0; ++_s)
        width += WidthOf(*_s);
    return width;
}
u32 ColorOf(char _c) { return 0xFF000040u | ((u32)(_c & 31) << 19) | ((u32)(_c >> 5) << 11); }
u16 PixelOf(char _c) { return (u16)(0x8000 | ((_c & 31) << 10) | ((_c >> 5) << 5) | (0x40 >> 3)); }

GUI_TextItem* Item(const std::vector<const char*>& _texts, s32 _capacity = 32)
{
    GUI_TextItem* item = new GUI_TextItem((s32)_texts.size(), _capacity);
    for (size_t i = 0; i < _texts.size(); ++i)
        item->SetText((s32)i, _texts[i]);
    return item;
}

class GUI_TextMenuTest : public DisplayTest
{
protected:
    void SetUp() override
    {
        TOOL_FontSheet sheet;
        for (char c = 32; c < 127; ++c) {
            TOOL_FontGlyph glyph;
            glyph.width = WidthOf(c);
            glyph.height = LINE_HEIGHT;
            glyph.pixels.assign((size_t)(glyph.width * glyph.height), ColorOf(c));
            sheet.glyphs.push_back(glyph);
        }
        m_dir.Write("menu.tga", TOOL_TGABytes(TOOL_FontSheetPicture(sheet, nullptr)));
        ASSERT_TRUE(m_font.Open("menu.tga"));
        ASSERT_EQ(LINE_HEIGHT, m_font.GetLineHeight());
        SITO_DISPLAY = Open();
        m_display->SetTextureCacheSize(8);
        m_fake.Forget();
    }
    void TearDown() override
    {
        delete m_menu;  // render objects go before the display
        m_menu = nullptr;
        SITO_DISPLAY = nullptr;
        DisplayTest::TearDown();
    }

    // A 2^_exponent page whose slots _slots hold items with the given texts, texture made,
    // first upload done.
    GUI_TextMenu* Page(s32 _exponent, const std::vector<s32>& _slots, const char* _text = "AB")
    {
        m_menu = new GUI_TextMenu();
        m_menu->AllocateRessrources(_exponent, &m_font);
        for (s32 slot : _slots)
            m_menu->AddTextItem(slot, Item({_text}), {10.0f, 20.0f}, 0.25f, {2.0f, 3.0f}, {0.5f, 0.25f, 0.0f}, 0.75f);
        m_menu->CreateTextureInHardware(TEXTURE);
        m_menu->UploadTextureToHardware(0);
        m_fake.Forget();
        return m_menu;
    }

    u16 At(s32 _x, s32 _y) const
    {
        const GFX_Picture16* picture = m_menu->GetPicture();
        return picture->GetPixels()[_y * picture->GetWidth() + _x];
    }
    // The texture's level 0 as the display last received it.
    std::vector<u16> TexturePixels()
    {
        const std::vector<u8>& bytes = Device().textures.begin()->second.memory[0];
        std::vector<u16> pixels(bytes.size() / 2);
        std::memcpy(pixels.data(), bytes.data(), bytes.size());
        return pixels;
    }
    std::vector<u16> PicturePixels() const
    {
        const GFX_Picture16* picture = m_menu->GetPicture();
        return std::vector<u16>(picture->GetPixels(),
                                picture->GetPixels() + picture->GetWidth() * picture->GetHeight());
    }

    TST_TempDir m_dir;
    GFX_Font m_font;
    GUI_TextMenu* m_menu = nullptr;
};

}  // namespace

// ---- GUI_TextData ----

TEST(GUI_TextData, AllocateZeroFillsAndKeepsTheBufferForTheSameCapacity)
{
    GUI_TextData data;
    EXPECT_EQ(nullptr, data.GetText());
    EXPECT_EQ(2, data.GetAlignment());
    EXPECT_EQ(0, data.GetCapacity());
    EXPECT_EQ(0u, data.SetText("x"));  // no buffer yet

    data.Allocate(32);
    ASSERT_NE(nullptr, data.GetText());
    EXPECT_EQ(32, data.GetCapacity());
    for (s32 i = 0; i <= 32; ++i)
        EXPECT_EQ(0, data.GetText()[i]) << i;  // never undefined bytes for the upload to measure

    EXPECT_EQ(1u, data.SetText("kept"));
    const char* buffer = data.GetText();
    data.Allocate(32);
    EXPECT_EQ(buffer, data.GetText());
    EXPECT_STREQ("kept", data.GetText());

    // A new capacity gets a fresh zero-filled buffer, even where the old text's block is reused.
    EXPECT_EQ(1u, data.SetText(std::string(32, 'z').c_str()));
    data.Allocate(31);
    EXPECT_EQ(31, data.GetCapacity());
    for (s32 i = 0; i <= 31; ++i)
        EXPECT_EQ(0, data.GetText()[i]) << i;
}

TEST(GUI_TextData, CapacityIsTheLongestText)
{
    GUI_TextData data;
    data.Allocate(32);
    const std::string full(32, 'a');
    EXPECT_EQ(1u, data.SetText(full.c_str()));
    EXPECT_EQ(full, data.GetText());
    EXPECT_FATAL(data.SetText((full + "b").c_str()), "GUI_TextData::SetText()",
                 "max num of characters in text data exeeded");
    EXPECT_EQ(full, data.GetText());  // untouched by the refused text
}

// ---- GUI_TextItem ----

TEST(GUI_TextItem, SetTextChecksTheValues)
{
    GUI_TextItem none(0, 8);
    EXPECT_FATAL(none.SetText(0, "a"), "GUI_TextItem::SetText()", "no textdata allocated before");
    GUI_TextItem item(2, 8);
    EXPECT_STREQ("", item.GetCurrentText());
    EXPECT_FATAL(item.SetText(-1, "a"), "GUI_TextItem::SetText()", "text data index out of range");
    EXPECT_FATAL(item.SetText(2, "a"), "GUI_TextItem::SetText()", "text data index out of range");
    EXPECT_FATAL(item.SetText(1, "123456789"), "GUI_TextData::SetText()", "max num of characters in text data exeeded");
    EXPECT_EQ(1u, item.SetText(1, "12345678"));
    EXPECT_STREQ("12345678", item.GetValue(1)->GetText());
}

TEST(GUI_TextItem, ValueChangesWrapClampAndMarkDirty)
{
    enum Op
    {
        NEXT,
        PREVIOUS,
        SET
    };
    struct Case
    {
        s32 count, start;
        Op op;
        s32 argument, expected;
    };
    const Case cases[] = {
        {3, 0, NEXT, 0, 1},     {3, 2, NEXT, 0, 0},     {1, 0, NEXT, 0, 0}, {3, 1, PREVIOUS, 0, 0},
        {3, 0, PREVIOUS, 0, 2}, {1, 0, PREVIOUS, 0, 0}, {3, 0, SET, 1, 1},  {3, 0, SET, -3, 0},
        {3, 0, SET, 3, 2},      {3, 0, SET, 1000, 2},   {0, 0, NEXT, 0, 0}, {0, 0, SET, 4, 0},
    };
    for (const Case& c : cases) {
        GUI_TextItem item(c.count, 4);
        EXPECT_EQ(1u, item.IsDirty());  // dirty from the start
        item.SetValue(c.start);
        if (c.op == NEXT)
            item.NextValue();
        else if (c.op == PREVIOUS)
            item.PreviousValue();
        else
            item.SetValue(c.argument);
        EXPECT_EQ(c.expected, item.GetCurrentValue()) << c.count << " " << c.start << " " << c.op << " " << c.argument;
    }
}

// Constants of the page's items: position (10, 20), angle 0.25, scale (2, 3), colour
// (0.5, 0.25, 0), alpha 0.75; base size (512, 16).
TEST_F(GUI_TextMenuTest, ItemTracksMoveLinearlyAndHoldTheirEnd)
{
    Page(9, {0});
    GUI_TextItem& item = *m_menu->GetTextItem(0);

    // Constants at any time before a setter.
    EXPECT_EQ(10.0f, item.GetPosition(99.0f).x);
    EXPECT_EQ(1024.0f, item.GetSize(5.0f).x);
    EXPECT_EQ(48.0f, item.GetSize(5.0f).y);

    item.MoveTo(1.0f, 2.0f, {30.0f, -20.0f});
    EXPECT_EQ(10.0f, item.GetPosition(1.0f).x);
    EXPECT_EQ(20.0f, item.GetPosition(2.0f).x);
    EXPECT_EQ(0.0f, item.GetPosition(2.0f).y);
    EXPECT_EQ(0.0f, item.GetPosition(0.0f).x);  // before the start: extrapolated backwards
    EXPECT_EQ(30.0f, item.GetPosition(3.0f).x);
    EXPECT_EQ(-20.0f, item.GetPosition(1000.0f).y);
    // A new move starts where the track is at its time.
    item.MoveTo(2.0f, 1.0f, {0.0f, 0.0f});
    EXPECT_EQ(20.0f, item.GetPosition(2.0f).x);
    EXPECT_EQ(10.0f, item.GetPosition(2.5f).x);

    item.ScaleTo(0.0f, 1.0f, {1.5f, 2.0f});  // the constant scale times the factors
    EXPECT_EQ(3.0f, item.GetScale(1.0f).x);
    EXPECT_EQ(6.0f, item.GetScale(1.0f).y);
    EXPECT_EQ(2.5f, item.GetScale(0.5f).x);
    EXPECT_EQ(1536.0f, item.GetSize(1.0f).x);
    item.ScaleReset(1.0f, 0.5f);
    EXPECT_EQ(2.0f, item.GetScale(1.5f).x);

    item.ColourTo(0.0f, 1.0f, {1.0f, 1.0f, 1.0f});
    EXPECT_EQ(0.75f, item.GetColour(0.5f).x);
    item.ColourReset(1.0f, 1.0f);
    EXPECT_EQ(0.5f, item.GetColour(2.0f).x);
    EXPECT_EQ(0.25f, item.GetColour(2.0f).y);

    item.FadeTo(0.0f, 4.0f, 0.25f);
    EXPECT_EQ(0.5f, item.GetAlpha(2.0f));
    EXPECT_EQ(0.25f, item.GetAlpha(4.0f));
    EXPECT_EQ(0.25f, item.GetAlpha(4.0000005f));

    item.FadeTo(1.0f, 0.0f, 0.0f);  // no duration: at the target at once, never NaN
    EXPECT_EQ(0.0f, item.GetAlpha(1.0f));

    EXPECT_EQ(0.25f, item.GetAngle(3.0f));  // no setter moves the angle
}

// ---- GUI_TextMenu ----

TEST_F(GUI_TextMenuTest, AllocationGivesRowsOfTheFontsHeight)
{
    GUI_TextMenu menu;
    EXPECT_EQ(-1, menu.GetTextureId());
    EXPECT_EQ(-1, menu.GetSelected());
    EXPECT_EQ(nullptr, menu.GetPicture());

    menu.AllocateRessrources(9, &m_font);
    EXPECT_EQ(ROW, menu.GetRowHeight());
    EXPECT_EQ(32, menu.GetNumItems());
    EXPECT_EQ(32, menu.GetTextCapacity());
    ASSERT_EQ(512, menu.GetPicture()->GetWidth());
    EXPECT_EQ(512, menu.GetPicture()->GetHeight());

    menu.AddTextItem(4, Item({"ABC"}), {}, 0.0f, {1.0f, 1.0f}, {}, 1.0f);
    menu.CreateTextureInHardware(TEXTURE);
    menu.UploadTextureToHardware(0);
    EXPECT_EQ(1u, menu.SelectItem(4, 0.0f));
    const GFX_Picture16* picture = menu.GetPicture();

    // Again at the same size: the picture is kept but blank, the items gone, the selection and
    // texture id left as they were.
    menu.AllocateRessrources(9, &m_font);
    EXPECT_EQ(picture, menu.GetPicture());
    for (s32 i = 0; i < 512 * 512; ++i)
        ASSERT_EQ(0, picture->GetPixels()[i]) << i;
    for (s32 i = 0; i < 32; ++i)
        EXPECT_EQ(nullptr, menu.GetTextItem(i));
    EXPECT_EQ(4, menu.GetSelected());
    EXPECT_EQ(TEXTURE, menu.GetTextureId());
    EXPECT_EQ(0u, menu.NextValue(0.0f));  // the selected slot is empty now

    menu.AllocateRessrources(6, &m_font);
    EXPECT_EQ(64, menu.GetPicture()->GetWidth());
    EXPECT_EQ(4, menu.GetNumItems());
    EXPECT_EQ(4, menu.GetTextCapacity());
    EXPECT_EQ(0u, menu.NextValue(0.0f));  // the selection lies outside the page: no item
}

TEST_F(GUI_TextMenuTest, MisuseIsFatal)
{
    GUI_TextMenu menu;
    EXPECT_FATAL(menu.GetTextItem(0), "GUI_TextMenu::GetTextItem()", "no textitem array allocated before");
    GUI_TextItem* item = Item({"A"});
    EXPECT_FATAL(menu.AddTextItem(0, item, {}, 0.0f, {}, {}, 1.0f), "GUI_TextMenu::AddTextItem()",
                 "no textitem array allocated before");
    EXPECT_FATAL(menu.CreateTextureInHardware(TEXTURE), "GUI_TextMenu::CreateTextureInHardware()",
                 "memberfunction AllocateRessrources() has to be called before.");
    EXPECT_FATAL(menu.UploadTextureToHardware(1), "GUI_TextMenu::UploadTextureToHardware()",
                 "memberfunction CreateTextureInHardware() has to be called before.");

    menu.AllocateRessrources(6, &m_font);  // 4 slots
    EXPECT_FATAL(menu.UploadTextureToHardware(1), "GUI_TextMenu::UploadTextureToHardware()",
                 "memberfunction CreateTextureInHardware() has to be called before.");
    for (s32 index : {-1, 4}) {
        EXPECT_FATAL(menu.GetTextItem(index), "GUI_TextMenu::GetTextItem()", "text item index out of range");
        EXPECT_FATAL(menu.AddTextItem(index, item, {}, 0.0f, {}, {}, 1.0f), "GUI_TextMenu::AddTextItem()",
                     "text item index out of range");
    }
    menu.AddTextItem(3, item, {}, 0.0f, {}, {}, 1.0f);
    EXPECT_EQ(item, menu.GetTextItem(3));
    GUI_TextItem* second = Item({"B"});
    EXPECT_FATAL(menu.AddTextItem(3, second, {}, 0.0f, {}, {}, 1.0f), "GUI_TextMenu::AddTextItem()",
                 "item with given index has already been added");
    delete second;  // refused, so still the caller's
    EXPECT_EQ(item, menu.GetTextItem(3));
    EXPECT_EQ(0u, m_fake.Count("CreateTexture"));
}

TEST_F(GUI_TextMenuTest, EachItemShowsItsRowThroughAQuad)
{
    Page(9, {0, 5, 31});
    for (s32 slot : {0, 5, 31}) {
        GUI_TextItem* item = m_menu->GetTextItem(slot);
        REB_Mesh* mesh = item->GetMesh();
        ASSERT_EQ(1, mesh->GetMaterialCount());
        EXPECT_EQ(4, mesh->GetMaterial(0)->vertexCount);
        EXPECT_EQ(6, mesh->GetMaterial(0)->indexCount);
        void* data = nullptr;
        SITO_DISPLAY->VertexBuffer_Lock(mesh->GetVertexBuffer(), 0, &data, 0, 4);
        std::vector<DSP_Vertex> v((DSP_Vertex*)data, (DSP_Vertex*)data + 4);
        SITO_DISPLAY->VertexBuffer_Unlock(mesh->GetVertexBuffer());
        SITO_DISPLAY->IndexBuffer_Lock(mesh->GetIndexBuffer(), 0, &data, 0, 6);
        std::vector<u16> indices((u16*)data, (u16*)data + 6);
        SITO_DISPLAY->IndexBuffer_Unlock(mesh->GetIndexBuffer());
        EXPECT_EQ((std::vector<u16>{0, 1, 2, 0, 2, 3}), indices);

        // The row-height rows that begin two pixels above the row's band.
        const f32 top = (f32)(ROW * slot - 2) / 512.0f;
        const f32 bottom = top + (f32)ROW / 512.0f;
        const f32 expected[4][4] = {{0.5f, -0.5f, 1.0f, bottom},
                                    {-0.5f, -0.5f, 0.0f, bottom},
                                    {-0.5f, 0.5f, 0.0f, top},
                                    {0.5f, 0.5f, 1.0f, top}};
        for (s32 i = 0; i < 4; ++i) {
            EXPECT_EQ(expected[i][0], v[i].x) << slot << " " << i;
            EXPECT_EQ(0.0f, v[i].y);
            EXPECT_EQ(expected[i][1], v[i].z);
            EXPECT_EQ(expected[i][2], v[i].u);
            EXPECT_FLOAT_EQ(expected[i][3], v[i].v) << slot << " " << i;
            EXPECT_EQ(0.0f, v[i].nx);
            EXPECT_EQ(-1.0f, v[i].ny);
            EXPECT_EQ(0.0f, v[i].nz);
            EXPECT_EQ(0xFFFFFFFFu, v[i].color);
        }

        // The constants are the arguments of AddTextItem; the base size is (width, row height).
        EXPECT_EQ(10.0f, item->GetPosition(7.0f).x);
        EXPECT_EQ(20.0f, item->GetPosition(7.0f).y);
        EXPECT_EQ(0.25f, item->GetAngle(7.0f));
        EXPECT_EQ(1024.0f, item->GetSize(7.0f).x);
        EXPECT_EQ(48.0f, item->GetSize(7.0f).y);
        EXPECT_EQ(0.75f, item->GetAlpha(7.0f));

        // Colour and alpha at the time, packed; the texture id from the upload.
        const VEC_Material& material = item->UpdateMaterial(7.0f)->GetMaterial(0)->material;
        EXPECT_EQ(191, material.diffuseMap.alpha);          // 0.75 x 255 toward zero
        EXPECT_EQ(0xFF7F3F00u, material.selfIllumination);  // R 127, G 63, B 0, A 255
        EXPECT_EQ((u32)TEXTURE, material.diffuseMap.textureId);
    }
}

TEST_F(GUI_TextMenuTest, TextureIsMadeFromThePicture)
{
    Page(9, {});
    EXPECT_EQ(TEXTURE, m_menu->GetTextureId());
    m_menu->CreateTextureInHardware(TEXTURE);
    ASSERT_EQ(1u, m_fake.Count("CreateTexture"));
    const u32 format = DEV_FMT_A1R5G5B5;
    EXPECT_EQ(0u, m_fake.Matching("CreateTexture")[0].find("CreateTexture 512 512 1 0 " + std::to_string(format) + " "))
        << m_fake.Matching("CreateTexture")[0];
}

TEST_F(GUI_TextMenuTest, RowsAreRedrawnOnlyWhenDirtyAndRefreshedWhenChangedOrForced)
{
    Page(9, {2});
    GUI_TextItem* item = m_menu->GetTextItem(2);
    EXPECT_EQ(0u, item->IsDirty());

    m_menu->UploadTextureToHardware(0);
    EXPECT_EQ(0u, m_fake.Count("LockRect")) << "nothing changed, nothing forced";

    m_menu->UploadTextureToHardware(1);
    EXPECT_EQ(1u, m_fake.Count("LockRect")) << "forced with no item changed";
    EXPECT_EQ(PicturePixels(), TexturePixels());

    // A changed text is drawn at the next upload, into the picture and the texture.
    item->SetText(0, "BBBBB");
    m_menu->UploadTextureToHardware(0);
    EXPECT_EQ(1u, m_fake.Count("LockRect")) << "SetText alone does not mark the item";
    item->SetValue(0);
    m_fake.Forget();
    m_menu->UploadTextureToHardware(0);
    EXPECT_EQ(1u, m_fake.Count("LockRect"));
    EXPECT_EQ(0u, item->IsDirty());
    EXPECT_EQ(PicturePixels(), TexturePixels());
    EXPECT_EQ(PixelOf('B'), At(256 - (WidthOf("BBBBB") + 1) / 2, ROW * 2 + 1));

    // Next on an item of one value keeps the value but redraws the row.
    item->NextValue();
    EXPECT_EQ(0, item->GetCurrentValue());
    EXPECT_EQ(1u, item->IsDirty());
    m_fake.Forget();
    m_menu->UploadTextureToHardware(0);
    EXPECT_EQ(1u, m_fake.Count("LockRect"));
}

TEST_F(GUI_TextMenuTest, TextsAreCentredInTheirRowBand)
{
    // "AB" 4 wide, "ABC" 6, "ABCD" 9, "}" 3: the cursor starts at 256 - (w + 1) / 2, halved
    // toward zero ("AB" at 254, where rounding would give 253).
    const char* texts[] = {"AB", "ABC", "ABCD", "}"};
    Page(9, {});
    for (s32 slot = 0; slot < 4; ++slot)
        m_menu->AddTextItem(slot, Item({texts[slot]}), {}, 0.0f, {1.0f, 1.0f}, {}, 1.0f);
    m_menu->UploadTextureToHardware(0);

    for (s32 slot = 0; slot < 4; ++slot) {
        const char* text = texts[slot];
        const s32 width = WidthOf(text);
        const s32 left = 256 - (width + 1) / 2;
        const s32 top = ROW * slot + 1;
        SCOPED_TRACE(text);
        s32 x = left;
        for (const char* c = text; *c != 0; ++c) {
            EXPECT_EQ(PixelOf(*c), At(x, top));
            EXPECT_EQ(PixelOf(*c), At(x, top + LINE_HEIGHT - 1));
            x += WidthOf(*c);
        }
        EXPECT_EQ(0, At(left - 1, top));
        EXPECT_EQ(0, At(left + width, top));
        EXPECT_EQ(0, At(left, top - 1));
        EXPECT_EQ(0, At(left, top + LINE_HEIGHT));
    }
    EXPECT_EQ(254, 256 - (WidthOf("AB") + 1) / 2);

    // A shorter text clears the whole band first: nothing of the longer one stays.
    GUI_TextItem* item = m_menu->GetTextItem(2);
    item->SetText(0, "");
    item->SetValue(0);
    m_menu->UploadTextureToHardware(0);
    for (s32 y = ROW * 2 + 1; y < ROW * 3 + 1; ++y)
        for (s32 x = 0; x < 512; ++x)
            ASSERT_EQ(0, At(x, y)) << x << " " << y;
    EXPECT_EQ(PixelOf('A'), At(256 - (WidthOf("ABC") + 1) / 2, ROW * 1 + 1));  // neighbours untouched
    EXPECT_EQ(PixelOf('}'), At(256 - (WidthOf("}") + 1) / 2, ROW * 3 + 1));
}

TEST_F(GUI_TextMenuTest, TheLastRowAndAFullTextStayInsideThePicture)
{
    const std::string full(32, '}');  // 32 x 3 pixels
    Page(9, {31}, full.c_str());
    const s32 left = 256 - (WidthOf(full.c_str()) + 1) / 2;
    EXPECT_EQ(PixelOf('}'), At(left, ROW * 31 + 1));
    EXPECT_EQ(PixelOf('}'), At(left, 510));
    EXPECT_EQ(0, At(left - 1, 510));
    EXPECT_EQ(0, At(left, 511));
}

TEST_F(GUI_TextMenuTest, SelectionHighlightsAndMoves)
{
    Page(6, {0, 1, 2});  // 4 slots, the last one empty
    GUI_TextItem* items[3] = {m_menu->GetTextItem(0), m_menu->GetTextItem(1), m_menu->GetTextItem(2)};

    EXPECT_EQ(1u, m_menu->SelectItem(1, 10.0f));
    EXPECT_EQ(1, m_menu->GetSelected());
    EXPECT_FLOAT_EQ(2.2f, items[1]->GetScale(10.1f).x);
    EXPECT_EQ(2.4f, items[1]->GetScale(10.25f).x);  // 1.2 x the constant scale in 0.2 s
    EXPECT_EQ(3.0f * 1.2f, items[1]->GetScale(10.25f).y);
    EXPECT_EQ(1.0f, items[1]->GetColour(10.25f).y);  // white
    EXPECT_EQ(2.0f, items[0]->GetScale(10.25f).x);   // untouched

    // Next: the old one goes back (scale in 0.2 s, colour in 0.6 s), the new one grows.
    EXPECT_EQ(1u, m_menu->SelectNext(11.0f));
    EXPECT_EQ(2, m_menu->GetSelected());
    EXPECT_EQ(2.0f, items[1]->GetScale(11.25f).x);
    EXPECT_LT(0.25f, items[1]->GetColour(11.25f).y);
    EXPECT_EQ(0.25f, items[1]->GetColour(11.65f).y);
    EXPECT_EQ(2.4f, items[2]->GetScale(11.25f).x);

    // The next slot is empty, then the page ends: nothing moves.
    EXPECT_EQ(0u, m_menu->SelectNext(12.0f));
    EXPECT_EQ(2, m_menu->GetSelected());
    EXPECT_EQ(2.4f, items[2]->GetScale(12.5f).x);

    EXPECT_EQ(1u, m_menu->SelectPrevious(13.0f));
    EXPECT_EQ(1u, m_menu->SelectPrevious(13.0f));
    EXPECT_EQ(0, m_menu->GetSelected());
    EXPECT_EQ(0u, m_menu->SelectPrevious(14.0f));
    EXPECT_EQ(0, m_menu->GetSelected());

    // Selecting the selected item again animates to the highlight from where it is: half
    // way there at 20.1, a new 0.2 s move from 2.2 to 2.4 is at 2.3 by 20.2.
    EXPECT_EQ(1u, m_menu->SelectItem(1, 20.0f));
    EXPECT_FLOAT_EQ(2.2f, items[1]->GetScale(20.1f).x);
    EXPECT_EQ(1u, m_menu->SelectItem(1, 20.1f));
    EXPECT_FLOAT_EQ(2.3f, items[1]->GetScale(20.2f).x);
    EXPECT_EQ(2.4f, items[1]->GetScale(20.35f).x);

    // Values follow the selection.
    EXPECT_EQ(1u, m_menu->NextValue(0.0f));
    EXPECT_EQ(1u, m_menu->PreviousValue(0.0f));
    EXPECT_EQ(1u, items[1]->IsDirty());
    EXPECT_EQ(0u, items[0]->IsDirty());
}

TEST_F(GUI_TextMenuTest, SelectionsWithoutAnItemDoNothingWithIt)
{
    Page(6, {1, 2});  // slots 0 and 3 empty
    GUI_TextItem* item = m_menu->GetTextItem(1);
    ASSERT_EQ(0u, item->IsDirty());
    f32 time = 0.0f;
    for (s32 index : {0, 3, -1, 4, 1000, -1000}) {
        SCOPED_TRACE(index);
        time += 10.0f;
        ASSERT_EQ(1u, m_menu->SelectItem(1, time));
        EXPECT_EQ(0u, m_menu->SelectItem(index, time + 1.0f));
        EXPECT_EQ(index, m_menu->GetSelected());
        EXPECT_EQ(2.0f, item->GetScale(time + 1.5f).x) << "the item left is unhighlighted";
        EXPECT_EQ(0u, m_menu->NextValue(time + 2.0f));
        EXPECT_EQ(0u, m_menu->PreviousValue(time + 2.0f));
        EXPECT_EQ(0u, item->IsDirty());
        // Leaving an empty selection touches no item; again an empty one returns 0.
        EXPECT_EQ(0u, m_menu->SelectItem(index, time + 2.0f));
        EXPECT_EQ(2.0f, item->GetScale(time + 3.0f).x);
    }

    // From no selection, next reaches the first slot when it holds an item; from an empty
    // slot 0 it reaches slot 1.
    EXPECT_EQ(0u, m_menu->SelectItem(-1, 0.0f));
    EXPECT_EQ(0u, m_menu->SelectNext(0.0f)) << "slot 0 is empty";
    EXPECT_EQ(0u, m_menu->SelectItem(0, 0.0f));
    EXPECT_EQ(1u, m_menu->SelectNext(0.0f));
    EXPECT_EQ(1, m_menu->GetSelected());
    EXPECT_EQ(0u, m_menu->SelectPrevious(0.0f)) << "slot 0 is empty";
    EXPECT_EQ(0u, m_menu->SelectItem(1000, 0.0f));
    EXPECT_EQ(0u, m_menu->SelectNext(0.0f));
    EXPECT_EQ(0u, m_menu->SelectPrevious(0.0f));
    EXPECT_EQ(1000, m_menu->GetSelected());
}
