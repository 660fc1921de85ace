// The Win32 sides of the seams, run under Wine.
#include <gtest/gtest.h>
#include <windows.h>

#include <sddl.h>
#include <wincred.h>
#include <wincrypt.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/failure.h"
#include "win32/utf16.h"
#include "win32/win32_regional_format.h"
#include "win32/win32_file_system.h"

#include "win32/certificate_facts.h"
#include "win32/credential_secret_store.h"
#include "win32/device_name.h"
#include "win32/owner_file_secret_store.h"
#include "win32/registry_settings_store.h"
#include "win32/run_key_start.h"
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

// A folder of its own with letters beyond ASCII in its name, removed afterwards.
class Win32FilesTest : public ::testing::Test {
protected:
    Win32FileSystem m_files;
    std::string m_folder;
    void SetUp() override {
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        m_folder = Utf8(temp) +
                   "Pelmora \xC3\x9C"
                   "bung " +
                   std::to_string(GetCurrentProcessId()) + "\\Ausgabe";
        m_files.make_folders(m_folder);
    }
    void TearDown() override {
        for (const std::string& name : m_files.list_folder(m_folder)) {
            SetFileAttributesW(Utf16(m_folder + "\\" + name).c_str(), FILE_ATTRIBUTE_NORMAL);
            m_files.remove_file(m_folder + "\\" + name);
        }
        RemoveDirectoryW(Utf16(m_folder).c_str());
    }
    std::string path(const char* name) const { return m_folder + "\\" + name; }
};

TEST_F(Win32FilesTest, ReplaceAppendReadAndList) {
    m_files.replace_file(path("out.txt"), "old\r\n");
    m_files.replace_file(path("out.txt"), "12:00:00\r\n3,785.0\r\n");
    EXPECT_EQ(m_files.read_file(path("out.txt")), "12:00:00\r\n3,785.0\r\n") << "binary: CR LF stays as given";
    EXPECT_EQ(m_files.read_file(path("out.txt"), 4), "12:00") << "limit + 1 bytes";
    m_files.append_file(path("log.txt"), "a\r\n");
    m_files.append_file(path("log.txt"), "b\r\n");
    EXPECT_EQ(m_files.read_file(path("log.txt")), "a\r\nb\r\n");
    m_files.cut_file(path("log.txt"), 4);
    m_files.cut_file(path("log.txt"), 40);
    EXPECT_EQ(m_files.read_file(path("log.txt")), "a\r\nb") << "cut in place, never lengthened";
    EXPECT_EQ(m_files.list_folder(m_folder), (std::vector<std::string>{"log.txt", "out.txt"})) << "no temporary left";
    EXPECT_EQ(m_files.read_file(path("missing.txt")), std::nullopt);
    EXPECT_EQ(m_files.read_file(m_folder), std::nullopt) << "a folder is no file";
    m_files.remove_file(path("missing.txt"));
}

TEST_F(Win32FilesTest, AReadOnlyOutputFileIsAFailureAndStaysAsItWas) {
    m_files.replace_file(path("out.txt"), "kept");
    SetFileAttributesW(Utf16(path("out.txt")).c_str(), FILE_ATTRIBUTE_READONLY);
    try {
        m_files.replace_file(path("out.txt"), "new");
        ADD_FAILURE() << "a read-only file was replaced";
    } catch (const Failure& failure) {
        EXPECT_EQ(failure.code(), failure_code::PermissionDenied);
    }
    EXPECT_EQ(m_files.read_file(path("out.txt")), "kept");
}

// Names Windows takes for devices write to a port or the console in any
// folder: refused as no file, with nothing made.
TEST_F(Win32FilesTest, DeviceNamesAreNoFiles) {
    for (const char* device :
         {"COM1", "lpt9.txt", "Aux", "nul.csv", "CON .txt", "COM1:", "conout$", "COM\xC2\xB9.txt"}) {
        EXPECT_TRUE(IsDeviceName(path(device))) << device;
        try {
            m_files.replace_file(path(device), "reading");
            ADD_FAILURE() << device << " was written";
        } catch (const Failure& failure) {
            EXPECT_EQ(failure.code(), failure_code::PathFileAccess) << device;
        }
        EXPECT_THROW(m_files.append_file(path(device), "record"), Failure) << device;
    }
    for (const char* file : {"COM10", "CONSOLE.txt", "com", "nul_readings.txt", "LPT", "con\\readings.txt"})
        EXPECT_FALSE(IsDeviceName(file)) << file;
    EXPECT_TRUE(m_files.list_folder(m_folder).empty());
}

// What the user set on the output file stays when a read replaces it.
TEST_F(Win32FilesTest, AReplaceKeepsTheFilesAttributes) {
    m_files.replace_file(path("out.txt"), "first");
    ASSERT_TRUE(SetFileAttributesW(Utf16(path("out.txt")).c_str(), FILE_ATTRIBUTE_HIDDEN));
    m_files.replace_file(path("out.txt"), "second");
    EXPECT_EQ(m_files.read_file(path("out.txt")), "second");
    EXPECT_NE(GetFileAttributesW(Utf16(path("out.txt")).c_str()) & FILE_ATTRIBUTE_HIDDEN, 0u) << "no longer hidden";
    EXPECT_EQ(m_files.list_folder(m_folder).size(), 1u) << "no temporary left";
}

// The other program reads the output file by opening it, which keeps the
// move from replacing it while it is open.
TEST_F(Win32FilesTest, AReaderHoldingTheFileIsWaitedForUpToALimit) {
    m_files.replace_file(path("out.txt"), "first");
    for (const int hold_ms : {300, Win32FileSystem::kBusyWaitMs + 1500}) {
        HANDLE reader = CreateFileW(Utf16(path("out.txt")).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(reader, INVALID_HANDLE_VALUE);
        std::thread release([reader, hold_ms] {
            Sleep(static_cast<DWORD>(hold_ms));
            CloseHandle(reader);
        });
        bool replaced = true;
        try {
            m_files.replace_file(path("out.txt"), "second");
        } catch (const Failure&) {
            replaced = false;
        }
        release.join();
        EXPECT_EQ(replaced, hold_ms < Win32FileSystem::kBusyWaitMs) << hold_ms;
        EXPECT_EQ(m_files.read_file(path("out.txt")), replaced ? "second" : "first") << "whole, never half";
        EXPECT_EQ(m_files.list_folder(m_folder).size(), 1u) << "no temporary left";
        m_files.replace_file(path("out.txt"), "first");
    }
}

// Wine's user locale follows LANG: C.UTF-8 is the United States form.
// The Credential Manager keeps a value's bytes as they are, up to its limit.
TEST(Win32Credentials, SecretsRoundTripAndEraseAndTheLimitHolds) {
    CredentialSecretStore store("PelmoraTest" + std::to_string(GetCurrentProcessId()));
    struct Row {
        const char* name;
        std::string value;
        bool kept;
    };
    const Row rows[] = {
        {"a token", "eyJhbGciOiJFUzI1NiJ9.e30.c2ln", true},
        {"odd bytes", std::string("a\0b\r\n\xc3\xa4\xff", 8), true},
        {"the longest value", std::string(CredentialSecretStore::kLongestValue, 't'), true},
        {"one byte more", std::string(CredentialSecretStore::kLongestValue + 1, 't'), false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ASSERT_TRUE(store.Erase("gateway-token"));
        EXPECT_EQ(store.Set("gateway-token", row.value), row.kept);
        const SecretRead read = store.Get("gateway-token");
        EXPECT_EQ(read.status, row.kept ? SecretRead::Status::Found : SecretRead::Status::Missing);
        if (row.kept) {
            EXPECT_EQ(read.value, row.value);
        }
    }
    // Kept past signing out, not for the session alone.
    ASSERT_TRUE(store.Set("gateway-token", "eyJ.e30.c2ln"));
    PCREDENTIALW kept = nullptr;
    const std::wstring target = L"PelmoraTest" + std::to_wstring(GetCurrentProcessId()) + L"/gateway-token";
    ASSERT_TRUE(CredReadW(target.c_str(), CRED_TYPE_GENERIC, 0, &kept));
    EXPECT_EQ(kept->Persist, static_cast<DWORD>(CRED_PERSIST_LOCAL_MACHINE));
    CredFree(kept);
    EXPECT_TRUE(store.Erase("gateway-token"));
    EXPECT_TRUE(store.Erase("gateway-token")) << "erasing what is not there";
    EXPECT_EQ(store.Get("gateway-token").status, SecretRead::Status::Missing);
}

// Starting with Windows: the Run key's value holds the quoted path and
// --tray as the tray says; off removes it, and removing twice is no failure.
TEST_F(RegistryTest, TheRunKeyStartsTheProgramWithTheSession) {
    const std::string key = "Software\\VB and VBA Program Settings\\" + m_app + "\\Run";
    RunKeyStart start("PelmoraB", "C:\\Users\\Zo\xC3\xAB\\Pelmora\\PelmoraB.exe", key);
    const auto stored = [&key]() -> std::string {
        wchar_t data[512] = {};
        DWORD size = sizeof data;
        if (RegGetValueW(HKEY_CURRENT_USER, Utf16(key).c_str(), L"PelmoraB", RRF_RT_REG_SZ, nullptr, data, &size) !=
            ERROR_SUCCESS)
            return "none";
        return Utf8(data);
    };
    struct Row {
        const char* name;
        bool on, tray;
        std::string value;
    };
    const Row rows[] = {
        {"on, in the tray", true, true, "\"C:\\Users\\Zo\xC3\xAB\\Pelmora\\PelmoraB.exe\" --tray"},
        {"on, the window", true, false, "\"C:\\Users\\Zo\xC3\xAB\\Pelmora\\PelmoraB.exe\""},
        {"off", false, true, "none"},
        {"off again", false, false, "none"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        start.Set(row.on, row.tray);
        EXPECT_EQ(stored(), row.value);
        EXPECT_EQ(start.On(), row.on);
    }
    EXPECT_THROW(RunKeyStart("Pelmora", "C:\\a\"b.exe", key).Set(true, false), Failure)
        << "a path that cannot be quoted";
}

// A file at `path` whose access list is `sddl`, with `text` in it.
void make_file(const std::string& path, const wchar_t* sddl, const std::string& text) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1, &descriptor, nullptr));
    SECURITY_ATTRIBUTES attributes{sizeof attributes, descriptor, FALSE};
    // A file that is there keeps its own access list.
    DeleteFileW(Utf16(path).c_str());
    HANDLE file = CreateFileW(Utf16(path).c_str(), GENERIC_WRITE, 0, &attributes, CREATE_NEW, 0, nullptr);
    LocalFree(descriptor);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(file);
}

// The token's file: what the store wrote is read back; a file others may
// read, or that is no file, is refused with the way out.
TEST_F(Win32FilesTest, TheTokenFileIsTheOwnersAlone) {
    OwnerFileSecretStore store(path("Pelmora\\token"));
    EXPECT_EQ(store.Get("").status, SecretRead::Status::Missing) << "no folder yet";
    ASSERT_TRUE(store.Set("", std::string("eyJ0.e30.c2ln\r\n\0x", 17)));
    EXPECT_EQ(store.Get("").value, std::string("eyJ0.e30.c2ln\r\n\0x", 17));
    ASSERT_TRUE(store.Set("", "second"));
    EXPECT_EQ(store.Get("").value, "second") << "replaced";

    struct Row {
        const char* name;
        const wchar_t* sddl;  // "U" stands for this user
        SecretRead::Status status;
        const char* says;
    };
    const Row rows[] = {
        {"this user alone", L"D:P(A;;FA;;;U)", SecretRead::Status::Found, ""},
        {"this user, the system and the administrators", L"D:P(A;;FA;;;U)(A;;FA;;;SY)(A;;FA;;;BA)",
         SecretRead::Status::Found, ""},
        // Wine keeps an access list as the file's mode, so only "everyone" can stand for the others here.
        {"everyone may read", L"D:P(A;;FA;;;U)(A;;FR;;;WD)", SecretRead::Status::Refused,
         "other users can read it, so it is not used. Make it yours alone with: icacls"},
        {"everyone is denied", L"D:P(A;;FA;;;U)(D;;FA;;;WD)", SecretRead::Status::Found, ""},
    };
    // SDDL names a user by SID: this user's goes in for "U".
    HANDLE token = nullptr;
    OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token);
    char buffer[256];
    DWORD got = 0;
    GetTokenInformation(token, TokenUser, buffer, sizeof buffer, &got);
    CloseHandle(token);
    PSID own = reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid;
    std::vector<unsigned char> user_sid(static_cast<unsigned char*>(own),
                                        static_cast<unsigned char*>(own) + GetLengthSid(own));
    wchar_t* sid = nullptr;
    ConvertSidToStringSidW(own, &sid);
    const std::wstring user = sid;
    LocalFree(sid);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        std::wstring sddl = row.sddl;
        for (std::size_t at; (at = sddl.find(L";;;U)")) != std::wstring::npos;) sddl.replace(at + 3, 1, user);
        make_file(path("Pelmora\\token"), sddl.c_str(), "abc");
        const SecretRead read = store.Get("");
        EXPECT_EQ(read.status, row.status);
        EXPECT_NE(read.message.find(row.says), std::string::npos) << read.message;
    }
    // Wine keeps no right but reading and writing on a file, so these are judged on the lists themselves:
    // who may change the access list or the owner may grant themselves reading.
    for (const wchar_t* list :
         {L"D:P(A;;FA;;;U)(A;;WD;;;WD)", L"D:P(A;;FA;;;U)(A;;WO;;;WD)", L"D:P(A;;FA;;;U)(A;;RC;;;BU)",
          L"D:P(A;;FA;;;U)(A;;FA;;;SY)(A;;0x1;;;WD)", L"D:P(A;;FA;;;U)(A;;FA;;;SY)(A;;FA;;;BA)(D;;FA;;;WD)"}) {
        std::wstring sddl = list;
        sddl.replace(sddl.find(L";;;U)") + 3, 1, user);
        PSECURITY_DESCRIPTOR descriptor = nullptr;
        ASSERT_TRUE(
            ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl.c_str(), SDDL_REVISION_1, &descriptor, nullptr));
        const bool others_denied = sddl.find(L"(D;") != std::wstring::npos;
        EXPECT_EQ(GrantsOthersAnyRight(descriptor, user_sid.data()), !others_denied) << Utf8(list);
        LocalFree(descriptor);
    }
    EXPECT_TRUE(store.Erase(""));
    EXPECT_TRUE(store.Erase("")) << "erasing what is not there";
    CreateDirectoryW(Utf16(path("Pelmora\\token")).c_str(), nullptr);
    EXPECT_EQ(store.Get("").status, SecretRead::Status::Refused) << "a folder";
    RemoveDirectoryW(Utf16(path("Pelmora\\token")).c_str());
    RemoveDirectoryW(Utf16(path("Pelmora")).c_str());
}

// tests/fixtures/gateway_certificate.pem as the gateway would show it; the
// key's hash is what `openssl x509 -pubkey | openssl pkey -pubin -outform
// DER | openssl dgst -sha256 -binary | base64` gives, as on Linux.
TEST(Win32Certificate, FactsOfTheGatewaysCertificate) {
    std::ifstream file(PELMORA_FIXTURES "/gateway_certificate.pem");
    std::stringstream pem;
    pem << file.rdbuf();
    const std::string text = pem.str();
    DWORD size = 0;
    ASSERT_TRUE(CryptStringToBinaryA(text.c_str(), 0, CRYPT_STRING_BASE64HEADER, nullptr, &size, nullptr, nullptr));
    std::vector<BYTE> der(size);
    ASSERT_TRUE(CryptStringToBinaryA(text.c_str(), 0, CRYPT_STRING_BASE64HEADER, der.data(), &size, nullptr, nullptr));
    PCCERT_CONTEXT certificate = CertCreateCertificateContext(X509_ASN_ENCODING, der.data(), size);
    ASSERT_NE(certificate, nullptr);
    const auto facts = CertificateFactsOf(certificate);
    CertFreeCertificateContext(certificate);
    ASSERT_TRUE(facts.has_value());
    EXPECT_EQ(facts->key_sha256, "WAYG4IEALcgtw3dRKUewjHd9pvrFZGuFeNdRZXl5JHM=");
    EXPECT_EQ(facts->subject, "CN=envoy-122233004455, O=Pelmora Test");
    EXPECT_EQ(facts->not_before, 1796828514);  // 2026-12-09 15:01:54 UTC
    EXPECT_EQ(facts->not_after, 1828364514);   // a year later
    EXPECT_FALSE(CertificateFactsOf(nullptr).has_value());
}

TEST(Win32Format, TheUsersShortDateAndLongTime) {
    const Win32RegionalFormat format;
    if (GetUserDefaultLCID() != 0x0409) GTEST_SKIP() << "not the United States locale";
    EXPECT_EQ(format.general_date({2023, 11, 14, 22, 13, 20}), "11/14/2023 10:13:20 PM");
    EXPECT_EQ(format.general_date({2023, 11, 14, 0, 0, 0}), "11/14/2023") << "midnight is the date alone";
    EXPECT_EQ(format.general_date({1500, 1, 2, 3, 4, 5}), "1500-01-02 03:04:05") << "before 1601";
    EXPECT_NE(format.long_time_now().find(':'), std::string::npos);
}

TEST(Win32Clock, TickCountRises) {
    Win32TickSource ticks;
    const std::uint32_t first = ticks.GetTickCount();
    Sleep(50);
    const std::uint32_t passed = ticks.GetTickCount() - first;
    // The count moves in steps of up to 16 ms, at each end of the sleep.
    EXPECT_GE(passed, 50u - 2 * 16u);
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
