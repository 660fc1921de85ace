#include "access/token_keeper.h"

namespace pelmora {

namespace {

constexpr const char* kKeychain = "keychain";
constexpr const char* kFile = "file";

}  // namespace

TokenKeeper::TokenKeeper(SecretStore& keychain, SecretStore& file, SettingsStore& settings, std::string app)
    : m_keychain(keychain), m_file(file), m_settings(settings), m_app(std::move(app)) {}

TokenKeeper::~TokenKeeper() {
    if (m_pending.valid()) m_pending.wait();
}

void TokenKeeper::StartLookup() {
    const std::string store = m_settings.GetSetting(m_app, kGatewaySection, kTokenStoreKey, "");
    m_expected = store == kKeychain || store == kFile;
    m_deadline = std::chrono::steady_clock::now() + SecretStore::kSecretStoreWait;
    m_pending = std::async(std::launch::async, [this, store] {
        Lookup found;
        if (store == kKeychain) {
            const SecretRead read = m_keychain.Get(kTokenSecretKey);
            found.store = kKeychain;
            if (read.status == SecretRead::Status::Found) {
                found.token = TrimToken(read.value);
            } else if (read.status == SecretRead::Status::Missing) {
                found.problem = "The desktop's secret store holds no gateway token.";
            } else {
                found.problem = "The desktop's secret store did not answer.";
            }
            return found;
        }
        const SecretRead read = m_file.Get(kTokenSecretKey);
        found.store = kFile;
        if (read.status == SecretRead::Status::Found) {
            found.token = TrimToken(read.value);
        } else if (read.status == SecretRead::Status::Refused) {
            found.problem = read.message;
        } else if (store == kFile) {
            found.problem = m_file.Where() + ": the token file is missing.";
        }
        return found;
    });
}

void TokenKeeper::settle(std::chrono::steady_clock::time_point until) {
    if (!m_pending.valid() || m_pending.wait_until(until) != std::future_status::ready) return;
    Lookup found = m_pending.get();
    m_token = found.token;
    m_store = found.token ? found.store : std::string();
    m_problem = found.problem;
    if (m_token) m_expected = true;
    ++m_generation;
}

std::optional<std::string> TokenKeeper::Token() {
    settle(m_deadline);
    return m_token;
}

bool TokenKeeper::Expected() {
    settle(m_deadline);
    return m_expected;
}

std::string TokenKeeper::Problem() {
    settle(std::chrono::steady_clock::now());
    return m_problem;
}

std::string TokenKeeper::Where() {
    settle(std::chrono::steady_clock::now());
    if (m_store == kKeychain) return "the desktop's secret store (" + m_keychain.Where() + ")";
    if (m_store == kFile) return m_file.Where();
    return std::string();
}

std::uint64_t TokenKeeper::Generation() {
    settle(std::chrono::steady_clock::now());
    return m_generation;
}

TokenKeeper::SaveResult TokenKeeper::Save(std::string_view pasted) {
    const std::string token = TrimToken(pasted);
    const TokenCheck check = DecodeToken(token);
    if (!check.facts) return SaveResult{false, check.error};
    // What a lookup still running finds is overtaken by this token.
    if (m_pending.valid()) m_pending.wait();
    m_pending = {};

    std::string store;
    if (m_keychain.Set(kTokenSecretKey, token)) {
        store = kKeychain;
        m_file.Erase(kTokenSecretKey);
    } else if (m_file.Set(kTokenSecretKey, token)) {
        store = kFile;
    } else {
        return SaveResult{false, "The token could not be stored: the secret store did not answer and " +
                                     m_file.Where() + " could not be written."};
    }
    m_settings.SaveSetting(m_app, kGatewaySection, kTokenStoreKey, store);
    m_token = token;
    m_store = store;
    m_problem.clear();
    m_expected = true;
    ++m_generation;
    return SaveResult{true, "Saved in " + Where() + "."};
}

void TokenKeeper::Remove() {
    if (m_pending.valid()) m_pending.wait();
    m_pending = {};
    m_keychain.Erase(kTokenSecretKey);
    m_file.Erase(kTokenSecretKey);
    m_settings.SaveSetting(m_app, kGatewaySection, kTokenStoreKey, "");
    m_token.reset();
    m_store.clear();
    m_problem.clear();
    m_expected = false;
    ++m_generation;
}

}  // namespace pelmora
