#include <gtest/gtest.h>
#include <sys/stat.h>

#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <thread>
#include <unistd.h>

#include "fakes/fixed_wall_clock.h"
#include "access/pinned_key.h"
#include "access/settings_pin_store.h"
#include "access/gateway_page_model.h"
#include "access/token_keeper.h"
#include "access/token_request.h"
#include "access/token_text.h"
#include "posix/file_secret_store.h"
#include "fakes/memory_settings_store.h"
#include "fakes.h"
#include "temp_folder.h"
#include "token_support.h"

namespace pelmora {
namespace {

constexpr std::int64_t kNow = 1796688000;  // 2026-12-08 00:00 UTC
constexpr std::int64_t kDay = 86400;

struct DecodeRow {
    const char* name;
    std::string text;
    bool accepted;
    std::int64_t exp;
    const char* role;
    const char* serial;
};
class DecodeTokenTest : public ::testing::TestWithParam<DecodeRow> {};

TEST_P(DecodeTokenTest, ReadsThePayloadOrSaysWhyNot) {
    const DecodeRow& row = GetParam();
    const TokenCheck check = DecodeToken(row.text);
    ASSERT_EQ(check.facts.has_value(), row.accepted) << check.error;
    if (row.accepted) {
        EXPECT_EQ(check.facts->exp, row.exp);
        EXPECT_EQ(check.facts->role, row.role);
        EXPECT_EQ(check.facts->serial, row.serial);
    } else {
        EXPECT_FALSE(check.error.empty());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, DecodeTokenTest,
    ::testing::Values(
        DecodeRow{"owner_token", test::OwnerToken(kNow), true, kNow, "owner", "122233004455"},
        DecodeRow{"paste_with_blanks_and_line_breaks", " \r\n\t" + test::OwnerToken(kNow) + "\n\n", true, kNow, "owner",
                  "122233004455"},
        DecodeRow{"role_and_serial_keys", test::MakeToken(R"({"exp":5,"role":"installer","serial":"99"})"), true, 5,
                  "installer", "99"},
        DecodeRow{"role_by_value_in_any_claim", test::MakeToken(R"({"exp":5,"a":"x","zz":"installer"})"), true, 5,
                  "installer", ""},
        DecodeRow{"other_values_are_no_role", test::MakeToken(R"({"exp":5,"role":"admin"})"), true, 5, "", ""},
        DecodeRow{"neither_role_nor_serial", test::MakeToken(R"({"exp":1.7e9})"), true, 1700000000, "", ""},
        DecodeRow{"empty", "  \n", false, 0, "", ""},
        DecodeRow{"token_shaped_but_100_kb",
                  test::MakeToken(R"({"exp":5,"pad":")" + std::string(100 * 1024, 'x') + R"("})"), false, 0, "", ""},
        DecodeRow{"two_parts", "eyJhbGciOiJFUzI1NiJ9.eyJleHAiOjV9", false, 0, "", ""},
        DecodeRow{"empty_signature",
                  test::MakeToken(R"({"exp":5})").substr(0, test::MakeToken(R"({"exp":5})").rfind('.') + 1), false, 0,
                  "", ""},
        DecodeRow{"not_base64url", "abc.d+f/.ghi", false, 0, "", ""},
        DecodeRow{"payload_not_json", test::MakeToken("exp=5"), false, 0, "", ""},
        DecodeRow{"payload_with_trailing_text", test::MakeToken(R"({"exp":5} x)"), false, 0, "", ""},
        DecodeRow{"exp_missing", test::MakeToken(R"({"aud":"1"})"), false, 0, "", ""},
        DecodeRow{"exp_a_string", test::MakeToken(R"({"exp":"1700000000"})"), false, 0, "", ""},
        DecodeRow{"nesting_too_deep",
                  test::MakeToken(R"({"exp":5,"a":)" + std::string(100, '[') + std::string(100, ']') + "}"), false, 0,
                  "", ""}),
    [](const auto& info) { return std::string(info.param.name); });

struct CaptionRow {
    const char* name;
    std::int64_t exp;
    const char* caption;
};
class TokenCaptionTest : public ::testing::TestWithParam<CaptionRow> {};

TEST_P(TokenCaptionTest, WarnsInTheLastThirtyDays) {
    EXPECT_EQ(TokenCaption("Pelmora V2.5.1", GetParam().exp, kNow), GetParam().caption);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, TokenCaptionTest,
    ::testing::Values(CaptionRow{"a_year_left", kNow + 365 * kDay, "Pelmora V2.5.1"},
                      CaptionRow{"exactly_thirty_days", kNow + 30 * kDay, "Pelmora V2.5.1"},
                      CaptionRow{"just_under_thirty_days", kNow + 30 * kDay - 1,
                                 "Pelmora V2.5.1 - token expires in 29 days"},
                      CaptionRow{"one_day", kNow + kDay + 5, "Pelmora V2.5.1 - token expires in 1 day"},
                      CaptionRow{"hours", kNow + 3600, "Pelmora V2.5.1 - token expires in less than a day"},
                      CaptionRow{"expiry_now", kNow, "Pelmora V2.5.1 - token expired"},
                      CaptionRow{"expired", kNow - 10 * kDay, "Pelmora V2.5.1 - token expired"}),
    [](const auto& info) { return std::string(info.param.name); });

struct PinRow {
    const char* name;
    CertificateFacts seen;
    PinVerdict verdict;
};
const CertificateFacts kPinned{"AAAA", "CN=envoy-122233004455", kNow - 340 * kDay, kNow + 25 * kDay};
class JudgeCertificateTest : public ::testing::TestWithParam<PinRow> {};

TEST_P(JudgeCertificateTest, TakesOnlyTheRenewalWithoutAsking) {
    EXPECT_EQ(JudgeCertificate(kPinned, GetParam().seen, kNow), GetParam().verdict);
}

INSTANTIATE_TEST_SUITE_P(Rows, JudgeCertificateTest,
                         ::testing::Values(PinRow{"same_key", {"AAAA", "CN=other", 0, 1}, PinVerdict::Same},
                                           PinRow{"renewal_near_expiry",
                                                  {"BBBB", "CN=envoy-122233004455", kNow - kDay, kNow + 364 * kDay},
                                                  PinVerdict::Renewal},
                                           PinRow{"other_subject_near_expiry",
                                                  {"BBBB", "CN=envoy-999", kNow - kDay, kNow + 364 * kDay},
                                                  PinVerdict::Changed},
                                           PinRow{"starts_before_the_old_one",
                                                  {"BBBB", "CN=envoy-122233004455", kNow - 400 * kDay, kNow + kDay},
                                                  PinVerdict::Changed}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(JudgeCertificate, FarFromExpiryANewKeyIsAskedAbout) {
    CertificateFacts pinned = kPinned;
    pinned.not_after = kNow + 31 * kDay;
    EXPECT_EQ(JudgeCertificate(pinned, {"BBBB", pinned.subject, kNow - kDay, kNow + 364 * kDay}, kNow),
              PinVerdict::Changed);
    EXPECT_EQ(JudgeCertificate(std::nullopt, {"BBBB", pinned.subject, 0, 1}, kNow), PinVerdict::FirstUse);
    CertificateFacts undated = kPinned;
    undated.dates_known = false;
    EXPECT_EQ(JudgeCertificate(undated, kPinned, kNow), PinVerdict::Same);
}

TEST(SettingsPinStore, KeepsThePinInItsOwnGroup) {
    MemorySettingsStore settings;
    SettingsPinStore pins(settings, "Pelmora");
    EXPECT_FALSE(pins.Load());
    pins.Save(kPinned);
    EXPECT_EQ(pins.Load(), kPinned);
    EXPECT_EQ(settings.GetSetting("Pelmora", "Gateway", "KeyNotAfter", ""), "2027-01-02T00:00:00Z");
    EXPECT_EQ(settings.GetSetting("Pelmora", "Settings", "KeySha256", "none"), "none");
    EXPECT_EQ(Fingerprint("3q2+7w=="), "DE:AD:BE:EF");
}

TEST(FileSecretStore, RefusesAFileOthersCanRead) {
    test::TempWorkingFolder folder;
    const std::string path = (folder.path() / "token").string();
    FileSecretStore store(path);
    EXPECT_EQ(store.Get("").status, SecretRead::Status::Missing);
    ASSERT_TRUE(store.Set("", "secret"));
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    EXPECT_EQ(store.Get("").value, "secret");

    ::chmod(path.c_str(), 0644);
    const SecretRead refused = store.Get("");
    EXPECT_EQ(refused.status, SecretRead::Status::Refused);
    EXPECT_NE(refused.message.find("chmod 600 " + path), std::string::npos) << refused.message;
    EXPECT_EQ(refused.value, "");
}

TEST(TokenKeeper, FallsBackToTheFileAndKeepsOnlyWhereInTheSettings) {
    test::TempWorkingFolder folder;
    test::SilentSecretStore keychain;
    FileSecretStore file((folder.path() / "Pelmora" / "token").string());
    MemorySettingsStore settings;
    const std::string token = test::OwnerToken(kNow + 365 * kDay);
    {
        TokenKeeper keeper(keychain, file, settings, "Pelmora");
        EXPECT_FALSE(keeper.Save("not a token").saved);
        EXPECT_FALSE(keeper.Token());
        const TokenKeeper::SaveResult saved = keeper.Save("\n" + token + "  \r\n");
        EXPECT_TRUE(saved.saved) << saved.message;
        EXPECT_EQ(keeper.Token(), token);
        EXPECT_FALSE(keeper.Save("a.b").saved);
        EXPECT_EQ(keeper.Token(), token);
    }
    EXPECT_EQ(settings.GetSetting("Pelmora", "Gateway", "TokenStore", ""), "file");
    for (const auto& [key, value] : settings.values) EXPECT_EQ(value.find(token), std::string::npos) << key;

    TokenKeeper next_start(keychain, file, settings, "Pelmora");
    next_start.StartLookup();
    EXPECT_EQ(next_start.Token(), token);
    next_start.Remove();
    EXPECT_FALSE(next_start.Token());
    EXPECT_FALSE(std::filesystem::exists(folder.path() / "Pelmora" / "token"));
}

struct HandFileRow {
    const char* name;
    std::string content;
    mode_t mode;
    bool others;      // owned by another user (needs root; skipped otherwise)
    const char* why;  // a part of the problem, "" when the token is used
};
class HandPlacedFileTest : public ::testing::TestWithParam<HandFileRow> {};

// A token file placed by hand is used only where a pasted token would be
// taken, and only when it is the user's own and no one else may read it.
TEST_P(HandPlacedFileTest, UsedOnlyWhenSafeAndATokenAtThat) {
    const HandFileRow& row = GetParam();
    if (row.others && ::geteuid() != 0) GTEST_SKIP() << "giving a file away needs root";
    test::TempWorkingFolder folder;
    test::SilentSecretStore keychain;
    const std::string path = (folder.path() / "token").string();
    FileSecretStore file(path);
    MemorySettingsStore settings;
    std::ofstream(path) << row.content;
    ::chmod(path.c_str(), row.mode);
    if (row.others) {
        ASSERT_EQ(::chown(path.c_str(), 65534, 65534), 0);
    }
    TokenKeeper keeper(keychain, file, settings, "Pelmora");
    keeper.StartLookup();
    if (*row.why == '\0') {
        EXPECT_EQ(keeper.Token(), TrimToken(row.content));
    } else {
        EXPECT_FALSE(keeper.Token());
        EXPECT_NE(keeper.Problem().find(row.why), std::string::npos) << keeper.Problem();
    }
}

const std::string kHandToken = test::OwnerToken(kNow + 100 * kDay);

INSTANTIATE_TEST_SUITE_P(
    Rows, HandPlacedFileTest,
    ::testing::Values(HandFileRow{"owner_only", kHandToken + "\n", 0600, false, ""},
                      HandFileRow{"group_readable", kHandToken, 0640, false, "chmod 600"},
                      HandFileRow{"another_users", kHandToken, 0600, true, "belongs to another user"},
                      HandFileRow{"header_lines_in_it", "TOKEN\r\nX-Injected: yes\r\nHost: evil.example", 0600, false,
                                  "not a gateway token"}),
    [](const auto& info) { return std::string(info.param.name); });

// A token file made usable while Pelmora runs is found again without a
// restart: when asked (Options opened), and at most once a minute on its own.
TEST(TokenKeeper, LooksAgainForAnExpectedToken) {
    test::TempWorkingFolder folder;
    test::SilentSecretStore keychain;
    const std::string path = (folder.path() / "token").string();
    FileSecretStore file(path);
    MemorySettingsStore settings;
    settings.SaveSetting("Pelmora", "Gateway", "TokenStore", "file");
    std::ofstream(path) << kHandToken;
    ::chmod(path.c_str(), 0644);
    TokenKeeper keeper(keychain, file, settings, "Pelmora");
    keeper.StartLookup();
    EXPECT_FALSE(keeper.Token());
    EXPECT_TRUE(keeper.Expected());
    ::chmod(path.c_str(), 0600);
    EXPECT_FALSE(keeper.Token()) << "not looked up again at every read";
    keeper.LookAgain();
    for (int i = 0; i < 200 && !keeper.Token(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(keeper.Token(), kHandToken);
}

// A secret store that answers only when let: a save must not wait for it.
class HeldSecretStore : public SecretStore {
public:
    SecretRead Get(const std::string&) override { return {}; }
    bool Set(const std::string&, const std::string&) override {
        std::unique_lock lock(m_mutex);
        m_let.wait_for(lock, std::chrono::seconds(10), [this] { return m_open; });
        return true;
    }
    bool Erase(const std::string&) override { return true; }
    std::string Where() const override { return "held"; }
    void open() {
        {
            std::lock_guard lock(m_mutex);
            m_open = true;
        }
        m_let.notify_all();
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_let;
    bool m_open = false;
};

TEST(TokenKeeper, SavingDoesNotWaitForTheStore) {
    test::TempWorkingFolder folder;
    HeldSecretStore keychain;
    FileSecretStore file((folder.path() / "token").string());
    MemorySettingsStore settings;
    TokenKeeper keeper(keychain, file, settings, "Pelmora");
    EXPECT_FALSE(keeper.StartSave("a.b")->saved) << "refused at once";
    EXPECT_FALSE(keeper.StartSave(kHandToken));
    EXPECT_TRUE(keeper.Saving());
    EXPECT_FALSE(keeper.SaveDone());
    EXPECT_FALSE(keeper.Token());
    keychain.open();
    std::optional<TokenKeeper::SaveResult> done;
    for (int i = 0; i < 200 && !(done = keeper.SaveDone()); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_TRUE(done);
    EXPECT_TRUE(done->saved) << done->message;
    EXPECT_EQ(keeper.Token(), kHandToken);
    EXPECT_EQ(settings.GetSetting("Pelmora", "Gateway", "TokenStore", ""), "keychain");
}

// The Gateway page's flow: a paste judged, "Saving..." while the store
// holds the save (a paste then changes nothing), the answer, the paste
// emptied once, Remove, and the second meter's switch.
TEST(GatewayPageModel, SaveRemoveAndTheSwitch) {
    test::TempWorkingFolder folder;
    HeldSecretStore keychain;
    FileSecretStore file((folder.path() / "token").string());
    MemorySettingsStore settings;
    TokenKeeper keeper(keychain, file, settings, "Pelmora");
    test::FakeHttpsTransport https;
    MemoryPinStore pins;
    FixedWallClock clock(kNow);
    TokenGatewayRequest request(https, pins, clock);
    std::vector<bool> switched;
    GatewayPageModel page(AccessServices{keeper, request, clock},
                          GatewayModeSwitch{false, [&switched](bool on) { switched.push_back(on); }});
    page.Pasted("not a token");
    EXPECT_TRUE(page.problem());
    page.Save(kHandToken);
    EXPECT_TRUE(page.saving());
    EXPECT_EQ(page.message(), "Saving...");
    page.Pasted("not a token");
    EXPECT_EQ(page.message(), "Saving...") << "the save's message stays while it waits";
    keychain.open();
    for (int i = 0; i < 200 && page.saving(); ++i) {
        page.Tick();
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_FALSE(page.saving());
    EXPECT_FALSE(page.problem()) << page.message();
    EXPECT_TRUE(page.TakeEmptiedPaste());
    EXPECT_FALSE(page.TakeEmptiedPaste()) << "once";
    page.Remove();
    EXPECT_EQ(page.message(), "Removed: reads go back to plain http.");
    EXPECT_TRUE(page.TakeEmptiedPaste());
    EXPECT_FALSE(keeper.Token());
    ASSERT_TRUE(page.has_mode_switch());
    page.SetModeFromList(true);
    EXPECT_EQ(switched, std::vector<bool>{true});
    EXPECT_EQ(page.message(), "Saved.");
}

// A session cookie outside RFC 6265's cookie-octets is never sent back: the
// session check counts as failed.
TEST(TokenGatewayRequest, ACookieWithControlCharactersIsNoSession) {
    test::FakeHttpsTransport https;
    https.document = "{}";
    MemoryPinStore pins;
    FixedWallClock clock(kNow);
    TokenGatewayRequest request(https, pins, clock);
    request.set_token(kHandToken);
    https.cookie = "ab\x01\x02\x1b\x7f";
    EXPECT_EQ(request.launch("https://gw/ivp/meters/readings"), "");
    EXPECT_EQ(request.failure_text(), "Wrong/No IP address");
    for (const HttpsCall& call : https.calls) {
        for (const std::string& line : call.headers) EXPECT_FALSE(line.starts_with("Cookie")) << line;
    }
    https.cookie = "\"5e55-ok\"";
    EXPECT_EQ(request.launch("https://gw/ivp/meters/readings"), "{}");
}

}  // namespace
}  // namespace pelmora
