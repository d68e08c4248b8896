// The key script of test builds: delays on the real clock, flush steps, keys down and up
// through the keyboard, and bad lines skipped with a log line.
#ifdef QV_KEY_SCRIPT

#include "inp_keyscript.h"

#include <cstdlib>
#include <memory>
#include <string>

#include "clock_fixture.h"
#include "inp_fixture.h"
#include "inp_keyboard.h"

namespace
{

class KeyScriptTest : public INP_TestBase
{
protected:
    // Every key due at _now, in order.
    std::vector<u32> Due(f64 _now)
    {
        std::vector<u32> keys;
        for (u32 key = m_script.TakeDueKey(_now); key != INP_KC_NONE; key = m_script.TakeDueKey(_now))
            keys.push_back(key);
        return keys;
    }

    INP_KeyScript m_script;
};

using Keys = std::vector<u32>;

TEST_F(KeyScriptTest, EachDelayCountsFromThePreviousStepOnForwardClockSteps)
{
    m_script.Load("0.5 return\n1.25 Escape\n0 up\n# a comment\n\n  2\tRIGHT  \r\n0.75 113\n", "s", 10.0);
    EXPECT_EQ(Keys(), Due(10.49));
    EXPECT_EQ(Keys{INP_KC_RETURN}, Due(10.5));
    EXPECT_EQ(Keys(), Due(11.7));
    // Taken at 11.8 (later than due): the next delay of 0 counts from there.
    EXPECT_EQ((Keys{INP_KC_ESCAPE, INP_KC_UP}), Due(11.8));
    // The run sets the clock back to 0: only forward steps count, so 2 s are still to go.
    EXPECT_EQ(Keys(), Due(12.8));
    EXPECT_EQ(Keys(), Due(0.0));
    EXPECT_EQ(Keys(), Due(0.99));
    EXPECT_EQ(Keys{INP_KC_RIGHT}, Due(1.0));
    EXPECT_EQ(Keys(), Due(1.7));
    EXPECT_EQ(Keys{INP_KC_DOWN}, Due(1.75));
    EXPECT_EQ(0u, m_script.Remaining());
    EXPECT_EQ(Keys(), Due(100.0));
    EXPECT_EQ(std::vector<std::string>(), LogLines());
}

TEST_F(KeyScriptTest, FlushWaitsForTheNextFlushAndNeverSkipsAKey)
{
    m_script.Load("flush\n0.25 left\n1 up\nFLUSH\n0 down\n", "s", 0.0);
    EXPECT_EQ(Keys(), Due(50.0));  // keys wait behind the flush however long
    m_script.Flushed(60.0);
    EXPECT_EQ(Keys(), Due(60.2));
    EXPECT_EQ(Keys{INP_KC_LEFT}, Due(60.25));
    // A flush while a key is ahead of the flush step takes nothing.
    m_script.Flushed(60.5);
    EXPECT_EQ(Keys{INP_KC_UP}, Due(61.25));
    EXPECT_EQ(Keys(), Due(70.0));
    m_script.Flushed(71.0);
    EXPECT_EQ(Keys{INP_KC_DOWN}, Due(71.0));
    EXPECT_EQ(0u, m_script.Remaining());
}

TEST_F(KeyScriptTest, BadLinesAreLoggedAndSkipped)
{
    const struct
    {
        const char* line;
        const char* why;
    } cases[] = {
        {"return", "expected \"<seconds> <key>\" or \"flush\""},
        {"0.5 return now", "expected \"<seconds> <key>\" or \"flush\""},
        {"flush 1", "expected \"<seconds> <key>\" or \"flush\""},
        {"-1 return", "bad delay"},
        {"1e3 return", "bad delay"},
        {"nan return", "bad delay"},
        {"inf return", "bad delay"},
        {"0x10 return", "bad delay"},
        {"1.2.3 return", "bad delay"},
        {". return", "bad delay"},
        {"3600.5 return", "bad delay"},
        {"0 120", "unknown key"},
        {"0 0120", "unknown key"},
        {"0 enter", "unknown key"},
        {"0 -1", "unknown key"},
    };
    std::string text = "0 0\n";
    std::vector<std::string> expected;
    u32 number = 1;
    for (const auto& each : cases) {
        text += std::string(each.line) + "\n";
        ++number;
        expected.push_back("key script bad.txt line " + std::to_string(number) + ": " + each.why + ": " + each.line);
    }
    text += std::string(300, 'x') + "\n3600 119";
    expected.push_back("key script bad.txt line " + std::to_string(number + 1) +
                       ": line too long: " + std::string(40, 'x') + "...");
    m_script.Load(text.c_str(), "bad.txt", 0.0);
    EXPECT_EQ(expected, LogLines());
    EXPECT_EQ(Keys{INP_KC_ESCAPE}, Due(0.0));
    EXPECT_EQ(Keys{119}, Due(3600.0));
    EXPECT_EQ(0u, m_script.Remaining());
}

TEST_F(KeyScriptTest, AtMostTheStepsItHolds)
{
    std::string text;
    for (u32 i = 0; i <= INP_KeyScript::MAX_STEPS; ++i)
        text += "0 up\n";
    m_script.Load(text.c_str(), "long", 0.0);
    EXPECT_EQ(INP_KeyScript::MAX_STEPS, m_script.Remaining());
    const std::vector<std::string> expected = {"key script long line 257: too many steps: 0 up"};
    EXPECT_EQ(expected, LogLines());
}

// The keyboard playing the script the environment names, on a clock the test sets.
class KeyboardScriptTest : public INP_TestBase
{
protected:
    void TearDown() override
    {
        m_keyboard.reset();
        unsetenv("QV_KEY_SCRIPT");
        INP_TestBase::TearDown();
    }

    void Start(const char* _script)
    {
        m_dir.Write("keys.txt", _script);
        setenv("QV_KEY_SCRIPT", (m_dir.Path() + "/keys.txt").c_str(), 1);
        SetClock(0.0);
        m_keyboard.reset(new INP_Keyboard());
    }

    // The keyboard reads the real clock; here it stands at what the test sets.
    void SetClock(f64 _seconds) { m_clock.Set(_seconds); }

    std::vector<u32> Drain()
    {
        std::vector<u32> keys;
        for (u32 key = m_keyboard->GetKey(); key != INP_KC_NONE; key = m_keyboard->GetKey())
            keys.push_back(key);
        return keys;
    }

    TST_ManualClock m_clock;
    std::unique_ptr<INP_Keyboard> m_keyboard;
};

const u32 DOWN = INP_KC_PRESSED;

TEST_F(KeyboardScriptTest, AKeyGoesDownAndUpAndStaysInTheKeyMapForOneUpdate)
{
    Start("1 return\n0 left\n1 escape\n");
    SetClock(0.9);
    m_keyboard->UpdateKeymap();
    EXPECT_EQ(Keys(), Drain());
    EXPECT_EQ(0u, m_keyboard->IsKeyDown(INP_KC_RETURN));

    SetClock(1.1);
    EXPECT_EQ((Keys{INP_KC_RETURN | DOWN, INP_KC_RETURN, INP_KC_LEFT | DOWN, INP_KC_LEFT}), Drain());
    // Already up in the events, still down for the next key map, and only for that one.
    m_keyboard->UpdateKeymap();
    EXPECT_NE(0u, m_keyboard->IsKeyDown(INP_KC_RETURN));
    EXPECT_NE(0u, m_keyboard->IsKeyDown(INP_KC_LEFT));
    m_keyboard->UpdateKeymap();
    EXPECT_EQ(0u, m_keyboard->IsKeyDown(INP_KC_RETURN));
    EXPECT_EQ(0u, m_keyboard->IsKeyDown(INP_KC_LEFT));

    // Due during an update (the run reads only the key map): down in that very update.
    SetClock(2.0);
    m_keyboard->UpdateKeymap();
    EXPECT_EQ(0u, m_keyboard->IsKeyDown(INP_KC_ESCAPE));
    SetClock(2.2);
    m_keyboard->UpdateKeymap();
    EXPECT_NE(0u, m_keyboard->IsKeyDown(INP_KC_ESCAPE));
    m_keyboard->UpdateKeymap();
    EXPECT_EQ(0u, m_keyboard->IsKeyDown(INP_KC_ESCAPE));
    EXPECT_EQ((Keys{INP_KC_ESCAPE | DOWN, INP_KC_ESCAPE}), Drain());
}

TEST_F(KeyboardScriptTest, FlushKeysTakesTheFlushStepAndDropsNoScriptedKey)
{
    Start("flush\n0.5 up\n0.5 down\nflush\n0 return\n");
    SetClock(30.0);
    EXPECT_EQ(Keys(), Drain());
    m_keyboard->FlushKeys();
    SetClock(30.6);
    // Due, but not yet handed to the device: a flush now leaves it for afterwards.
    m_keyboard->FlushKeys();
    EXPECT_EQ((Keys{INP_KC_UP | DOWN, INP_KC_UP}), Drain());
    // Handed to the device and then flushed: dropped like a real key pressed before a flush.
    SetClock(31.2);
    m_keyboard->UpdateKeymap();
    // That flush also took the flush step, so the key after it follows at once.
    m_keyboard->FlushKeys();
    EXPECT_EQ((Keys{INP_KC_RETURN | DOWN, INP_KC_RETURN}), Drain());
}

TEST_F(KeyboardScriptTest, AcquiringDoesNotCountAsAFlushAndAnUnacquiredKeyboardKeepsTheKey)
{
    Start("flush\n0 up\n");
    m_keyboard->Unacquire();
    m_keyboard->Acquire();
    EXPECT_EQ(Keys(), Drain());
    m_keyboard->FlushKeys();
    m_keyboard->Unacquire();
    EXPECT_EQ(Keys(), Drain());  // no keyboard to take it: the key waits
    m_keyboard->Acquire();
    EXPECT_EQ((Keys{INP_KC_UP | DOWN, INP_KC_UP}), Drain());
}

TEST_F(KeyboardScriptTest, AMissingScriptIsLoggedAndPlaysNothing)
{
    setenv("QV_KEY_SCRIPT", (m_dir.Path() + "/none.txt").c_str(), 1);
    m_keyboard.reset(new INP_Keyboard());
    SetClock(100.0);
    EXPECT_EQ(Keys(), Drain());
    const std::vector<std::string> expected = {"key script " + m_dir.Path() + "/none.txt: cannot be opened"};
    EXPECT_EQ(expected, LogLines());
}

}  // namespace

#endif
