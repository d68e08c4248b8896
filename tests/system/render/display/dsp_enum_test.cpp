// Adapter, mode and device enumeration over what the fake driver reports.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "dev_fake.h"
#include "display_fixture.h"
#include "dsp_display.h"
#include "dsp_enum.h"
#include "test_dir.h"

namespace
{

class EnumTest : public testing::Test
{
protected:
    const D3DUtil_DeviceInfo& Build(u32 _windowed = 0, D3DUtil_ConfirmFunction _confirm = DSP_Display::ConfirmDevice)
    {
        m_enumeration = std::make_unique<D3DUtil_Application>(nullptr);
        m_enumeration->BuildAdpaterInfoArray(_confirm, _windowed);
        EXPECT_GE(m_enumeration->GetAdapterCount(), 1u);
        return m_enumeration->GetAdapter(0)->devices[0];
    }

    static std::string Sizes(const D3DUtil_DeviceInfo& _device)
    {
        std::string text;
        for (u32 i = 0; i < _device.numModes; ++i)
            text += std::to_string(_device.modes[i].width) + "x" + std::to_string(_device.modes[i].height) + "x" +
                    std::to_string(D3DUtil_BitsPerPixel(_device.modes[i].format)) + " ";
        return text;
    }

    TST_FakeGraphics m_fake;
    std::unique_ptr<D3DUtil_Application> m_enumeration;
};

TEST_F(EnumTest, ModesAreFilteredMergedAndSortedSixteenBitsFirst)
{
    m_fake.modes = {
        {800, 600, 60, DEV_FMT_X8R8G8B8}, {640, 480, 60, DEV_FMT_X8R8G8B8}, {800, 600, 75, DEV_FMT_X8R8G8B8},
        {512, 384, 60, DEV_FMT_R5G6B5},   {320, 240, 60, DEV_FMT_X8R8G8B8}, {640, 400, 70, DEV_FMT_R5G6B5},
        {640, 399, 70, DEV_FMT_R5G6B5},   {639, 480, 70, DEV_FMT_R5G6B5},   {800, 600, 60, DEV_FMT_R5G6B5},
        {640, 480, 60, DEV_FMT_R5G6B5},
    };
    const D3DUtil_DeviceInfo& device = Build();
    EXPECT_EQ("640x400x16 640x480x16 800x600x16 640x480x32 800x600x32 ", Sizes(device));
    EXPECT_STREQ("HAL", device.name);
    EXPECT_EQ((u32)DEV_DEVTYPE_HAL, device.deviceType);
    EXPECT_EQ(1u, m_enumeration->GetAdapter(0)->numDevices);  // no reference rasteriser here
    for (u32 i = 0; i < device.numModes; ++i) {
        EXPECT_EQ((u32)DEV_FMT_D16, device.modes[i].depthStencilFormat);
        EXPECT_EQ((u32)DEV_CREATE_HARDWARE_VERTEXPROCESSING, device.modes[i].behavior);
    }
    EXPECT_EQ(1u, device.canDoWindowed);
}

TEST_F(EnumTest, TheGlDeviceModeListGivesTheSixSizesAndTheDesktopsAtTwoDepths)
{
    const DEV_DisplayMode desktop[] = {
        {1920, 1080, 60, DEV_FMT_X8R8G8B8}, {1920, 1080, 50, DEV_FMT_X8R8G8B8}, {1024, 768, 60, DEV_FMT_X8R8G8B8},
        {720, 400, 70, DEV_FMT_X8R8G8B8},   {640, 350, 70, DEV_FMT_X8R8G8B8},
    };
    DEV_DisplayMode list[64];
    const u32 count = DEV_BuildModeList(desktop, 5, list, 64);
    m_fake.modes.assign(list, list + count);
    const D3DUtil_DeviceInfo& device = Build();
    EXPECT_EQ("640x480x16 720x400x16 800x600x16 1024x768x16 1152x864x16 1280x1024x16 1600x1200x16 1920x1080x16 "
              "640x480x32 720x400x32 800x600x32 1024x768x32 1152x864x32 1280x1024x32 1600x1200x32 1920x1080x32 ",
              Sizes(device));

    // Never more than the table holds, the six sizes kept first.
    std::vector<DEV_DisplayMode> many;
    for (u32 i = 0; i < 40; ++i)
        many.push_back({700 + i, 500, 60, DEV_FMT_X8R8G8B8});
    EXPECT_EQ(64u, DEV_BuildModeList(many.data(), (u32)many.size(), list, 64));
    EXPECT_EQ(640u, list[0].width);
    EXPECT_EQ((u32)DEV_FMT_R5G6B5, list[0].format);
    EXPECT_EQ((u32)DEV_FMT_X8R8G8B8, list[1].format);
    EXPECT_EQ(1600u, list[10].width);
    EXPECT_EQ(725u, list[62].width);
}

TEST_F(EnumTest, ModeAndFormatLimitsAreFatal)
{
    m_fake.modes.clear();
    for (u32 i = 0; i < 65; ++i)
        m_fake.modes.push_back({640 + i, 480, 60, DEV_FMT_R5G6B5});
    EXPECT_FATAL(Build(), "D3DUtil_Application::BuildAdpaterInfoArray()", "num of display modes overflow");

    m_fake.modes.clear();
    for (u32 format = 30; format < 38; ++format)  // eight formats besides the desktop's
        m_fake.modes.push_back({640, 480, 60, format});
    EXPECT_FATAL(Build(), "D3DUtil_Application::BuildAdpaterInfoArray()", "display format array overflow");

    m_fake.modes.clear();
    EXPECT_FATAL(Build(), "D3DUtil_Application::BuildAdpaterInfoArray()", "adapter display mode count is 0");
    m_fake.adapterCount = 0;
    EXPECT_FATAL(Build(), "D3DUtil_Application::BuildAdpaterInfoArray()", "adapter count is 0");
}

TEST_F(EnumTest, BehaviourFollowsTheConfirmFunction)
{
    struct Case
    {
        u32 devCaps;
        u32 vertexShaderVersion;
        u32 behavior;
    };
    const Case cases[] = {
        {DEV_DEVCAPS_HWTRANSFORMANDLIGHT | DEV_DEVCAPS_PUREDEVICE, DEV_VS_VERSION(1, 1),
         DEV_CREATE_PUREDEVICE | DEV_CREATE_HARDWARE_VERTEXPROCESSING},
        {DEV_DEVCAPS_HWTRANSFORMANDLIGHT, DEV_VS_VERSION(1, 0), DEV_CREATE_HARDWARE_VERTEXPROCESSING},
        // Hardware transform and lighting without vertex shaders: software for every mode.
        {DEV_DEVCAPS_HWTRANSFORMANDLIGHT | DEV_DEVCAPS_PUREDEVICE, 0, DEV_CREATE_SOFTWARE_VERTEXPROCESSING},
        {0, DEV_VS_VERSION(1, 1), DEV_CREATE_SOFTWARE_VERTEXPROCESSING},
    };
    for (const Case& c : cases) {
        m_fake.caps.devCaps = c.devCaps;
        m_fake.caps.vertexShaderVersion = c.vertexShaderVersion;
        const D3DUtil_DeviceInfo& device = Build();
        for (u32 i = 0; i < device.numModes; ++i)
            EXPECT_EQ(c.behavior, device.modes[i].behavior) << c.devCaps;
    }
    // Without a confirm function the first candidate is taken.
    m_fake.caps.devCaps = DEV_DEVCAPS_HWTRANSFORMANDLIGHT;
    m_fake.caps.vertexShaderVersion = 0;
    EXPECT_EQ((u32)DEV_CREATE_HARDWARE_VERTEXPROCESSING, Build(0, nullptr).modes[0].behavior);
    // A confirm function that takes nothing leaves no device and no board.
    m_enumeration = std::make_unique<D3DUtil_Application>(nullptr);
    m_enumeration->BuildAdpaterInfoArray([](const DEV_Caps*, u32, u32) { return 0; }, 0);
    EXPECT_EQ(0u, m_enumeration->GetAdapterCount());
}

TEST_F(EnumTest, DepthStencilSearchOrder)
{
    struct Case
    {
        std::vector<u32> available;
        u32 chosen;
    };
    const Case cases[] = {
        {{DEV_FMT_D32, DEV_FMT_D24S8, DEV_FMT_D16}, DEV_FMT_D16},
        {{DEV_FMT_D32, DEV_FMT_D24S8, DEV_FMT_D24X8}, DEV_FMT_D24X8},
        {{DEV_FMT_D32, DEV_FMT_D24X4S4, DEV_FMT_D24S8}, DEV_FMT_D24S8},
        {{DEV_FMT_D32, DEV_FMT_D24X4S4}, DEV_FMT_D24X4S4},
        {{DEV_FMT_D32, DEV_FMT_D15S1}, DEV_FMT_D32},  // 15 depth bits are too few
    };
    for (const Case& c : cases) {
        m_fake.depthFormats = c.available;
        EXPECT_EQ(c.chosen, Build().modes[0].depthStencilFormat);
    }
    // No depth format: no device at all.
    m_fake.depthFormats = {DEV_FMT_D15S1};
    m_enumeration = std::make_unique<D3DUtil_Application>(nullptr);
    m_enumeration->BuildAdpaterInfoArray(DSP_Display::ConfirmDevice, 0);
    EXPECT_EQ(0u, m_enumeration->GetAdapterCount());
}

TEST_F(EnumTest, MultisampleCountsAndTheReferenceDevice)
{
    m_fake.maxSamples = 6;
    m_fake.hasReference = 1;
    Build();
    const D3DUtil_AdapterInfo* adapter = m_enumeration->GetAdapter(0);
    ASSERT_EQ(2u, adapter->numDevices);
    const u32 hal[16] = {1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    const u32 ref[16] = {1};
    for (u32 i = 0; i < 16; ++i) {
        EXPECT_EQ(hal[i], adapter->devices[0].multiSampleCounts[i]) << i;
        EXPECT_EQ(ref[i], adapter->devices[1].multiSampleCounts[i]) << i;
    }
    EXPECT_STREQ("REF", adapter->devices[1].name);
}

TEST_F(EnumTest, UnusableAdaptersLeaveNoGapInTheBoardList)
{
    m_fake.adapterCount = 3;
    m_fake.firstUsableAdapter = 1;
    u32 ok = 0;
    DSP_Display display(&ok, nullptr, nullptr, 1);
    DSP_BoardInfo boards[8];
    s32 count = 8;
    display.QueryBoards(boards, &count);
    ASSERT_EQ(2, count);
    EXPECT_STREQ("Fake Renderer 1", boards[0].description);
    EXPECT_STREQ("Fake Renderer 2", boards[1].description);
    EXPECT_EQ(1, boards[1].ordinal);
    display.OpenBoard(&boards[0]);
    display.OpenResolution(640, 480, 32, 0);
    EXPECT_EQ(1u, m_fake.Count("CreateDevice 1 1 "));
    display.CloseResolution();
}

TEST_F(EnumTest, ResolutionsCarryTheDevicesMultisampleBits)
{
    m_fake.maxSamples = 4;
    u32 ok = 0;
    DSP_Display display(&ok, nullptr, nullptr, 1);
    DSP_BoardInfo board;
    display.OpenBoard(&board);
    s32 count = 0;
    display.QueryResolutions(nullptr, &count);
    EXPECT_EQ(0, count);  // lowered to the mode count, never raised
    count = 1000;
    display.QueryResolutions(nullptr, &count);
    ASSERT_EQ(12, count);  // the six sizes (the desktop's 1024x768 among them) at two depths
    std::vector<DSP_ResolutionInfo> list((size_t)count);
    display.QueryResolutions(list.data(), &count);
    EXPECT_EQ(640u, list[0].width);
    EXPECT_EQ(16, list[0].bitsPerPixel);
    EXPECT_EQ(16, list[5].bitsPerPixel);
    EXPECT_EQ(32, list[6].bitsPerPixel);
    EXPECT_EQ(0x000E, list[0].multisampleBits);  // 2, 3 and 4 samples
}

TEST(EnumBitsTest, BitsPerPixelTable)
{
    struct Case
    {
        u32 format;
        u32 bits;
    };
    const Case cases[] = {
        {DEV_FMT_R8G8B8, 24},   {DEV_FMT_A8R8G8B8, 32}, {DEV_FMT_X8R8G8B8, 32}, {DEV_FMT_R5G6B5, 16},
        {DEV_FMT_A1R5G5B5, 16}, {DEV_FMT_A4R4G4B4, 16}, {DEV_FMT_A8R3G3B2, 16}, {DEV_FMT_X1R5G5B5, 15},
        {DEV_FMT_R3G3B2, 8},    {DEV_FMT_A8, 8},        {DEV_FMT_X4R4G4B4, 12}, {DEV_FMT_DXT1, 2},
        {DEV_FMT_DXT2, 4},      {DEV_FMT_DXT5, 4},      {DEV_FMT_YUY2, 0},      {DEV_FMT_D16, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.bits, D3DUtil_BitsPerPixel(c.format)) << c.format;
}

}  // namespace
