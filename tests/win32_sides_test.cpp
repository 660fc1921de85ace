// The Win32 sides of the seams, run under Wine.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <string>

#include "win32/registry_settings_store.h"
#include "win32/win32_tick_source.h"
#include "win32/win32_time_zone.h"

namespace pelmora {
namespace {

// A settings application of its own per run, removed afterwards.
class RegistryTest : public ::testing::Test {
protected:
    const std::string m_app = "PelmoraTest" + std::to_string(GetCurrentProcessId());
    RegistrySettingsStore m_store;
    void TearDown() override {
        RegDeleteTreeW(HKEY_CURRENT_USER,
                       (L"Software\\VB and VBA Program Settings\\" + std::wstring(m_app.begin(), m_app.end())).c_str());
    }
};

TEST_F(RegistryTest, ValuesRoundTripAndMissingOnesGiveTheFallback) {
    EXPECT_EQ(m_store.GetSetting(m_app, "Settings", "Top", "-1"), "-1") << "no key at all";
    struct Row {
        const char* key;
        std::string value;
    };
    for (const Row& row : {Row{"Top", "1230"}, Row{"Empty", ""}, Row{"Umlauts", "Z\xC3\xBCrich \xE2\x82\xAC"},
                           Row{"Long", std::string(20000, 'x')}, Row{"Blanks", "  a  b  "}}) {
        m_store.SaveSetting(m_app, "Settings", row.key, row.value);
        EXPECT_EQ(m_store.GetSetting(m_app, "Settings", row.key, "fallback"), row.value) << row.key;
    }
    EXPECT_EQ(m_store.GetSetting(m_app, "Settings", "Missing", "-1"), "-1") << "a missing value in a key that is there";
    EXPECT_EQ(m_store.GetSetting(m_app, "Other", "Top", "-1"), "-1") << "sections are apart";
}

TEST_F(RegistryTest, AValueThatIsNotTextGivesTheFallback) {
    m_store.SaveSetting(m_app, "Settings", "Top", "1");
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, RegistrySettingsStore::KeyPath(m_app, "Settings").c_str(), 0,
                            KEY_SET_VALUE, &key),
              ERROR_SUCCESS);
    const DWORD number = 42;
    RegSetValueExW(key, L"Number", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof number);
    RegCloseKey(key);
    EXPECT_EQ(m_store.GetSetting(m_app, "Settings", "Number", "-1"), "-1");
}

TEST(Win32Clock, TickCountRises) {
    Win32TickSource ticks;
    const std::uint32_t first = ticks.GetTickCount();
    Sleep(50);
    const std::uint32_t passed = ticks.GetTickCount() - first;
    EXPECT_GE(passed, 40u);
    EXPECT_LT(passed, 10000u);
}

// Run with TZ set to a zone without daylight time and PELMORA_ZONE_BIAS to
// its bias in minutes (Wine takes its zone from the host's).
TEST(Win32Clock, ZoneWithoutDaylightTimeIsStandardTime) {
    const char* bias = std::getenv("PELMORA_ZONE_BIAS");
    if (bias == nullptr) GTEST_SKIP() << "no zone set for the test";
    const ZoneState state = Win32TimeZone().GetTimeZoneInformation();
    EXPECT_EQ(state.code, 1u) << std::getenv("TZ");
    EXPECT_EQ(state.bias, std::atoi(bias));
}

}  // namespace
}  // namespace pelmora
