#include "access/token_keeper.h"

#include <utility>

namespace pelmora {

namespace {

constexpr const char* kKeychain = "keychain";
constexpr const char* kFile = "file";

// A stored token is used only where a pasted one would be taken.
void take_token(TokenKeeper::Lookup& found, const std::string& value, const std::string& where) {
    const std::string token = TrimToken(value);
    const TokenCheck check = DecodeToken(token);
    if (check.facts) {
        found.token = token;
    } else {
        found.problem = where + ": the token kept there is not used. " + check.error;
    }
}

}  // namespace

TokenKeeper::TokenKeeper(SecretStore& keychain, SecretStore& file, SettingsStore& settings, std::string app)
    : m_keychain(keychain), m_file(file), m_settings(settings), m_app(std::move(app)) {}

TokenKeeper::~TokenKeeper() {
    if (m_pending.valid()) m_pending.wait();
    if (m_saving.valid()) m_saving.wait();
}

void TokenKeeper::StartLookup() { start_lookup(std::chrono::steady_clock::now() + SecretStore::kSecretStoreWait); }

void TokenKeeper::LookAgain() {
    settle(std::chrono::steady_clock::now());
    if (m_expected && !m_token && !m_pending.valid() && !m_saving.valid())
        start_lookup(std::chrono::steady_clock::now());
}

void TokenKeeper::start_lookup(std::chrono::steady_clock::time_point wait_until) {
    const std::string store = m_settings.GetSetting(m_app, kGatewaySection, kTokenStoreKey, "");
    m_expected = store == kKeychain || store == kFile;
    m_deadline = wait_until;
    m_looked_at = std::chrono::steady_clock::now();
    m_pending_overtaken = false;
    m_pending = std::async(std::launch::async, [this, store] {
        Lookup found;
        if (store == kKeychain) {
            const SecretRead read = m_keychain.Get(kTokenSecretKey);
            found.store = kKeychain;
            if (read.status == SecretRead::Status::Found) {
                take_token(found, read.value, "The desktop's secret store");
            } else if (read.status == SecretRead::Status::Missing) {
                found.problem =
                    "The desktop's secret store holds no gateway token. Paste the token again, or "
                    "remove it to read over plain http.";
            } else {
                found.problem = "The desktop's secret store did not answer.";
            }
            return found;
        }
        const SecretRead read = m_file.Get(kTokenSecretKey);
        found.store = kFile;
        if (read.status == SecretRead::Status::Found) {
            take_token(found, read.value, m_file.Where());
        } else if (read.status == SecretRead::Status::Refused) {
            found.problem = read.message;
        } else if (store == kFile) {
            found.problem = m_file.Where() +
                            ": the token file is missing. Paste the token again, or remove it "
                            "to read over plain http.";
        }
        return found;
    });
}

void TokenKeeper::settle(std::chrono::steady_clock::time_point until) {
    settle_save(false);
    if (m_pending.valid() && m_pending.wait_until(until) == std::future_status::ready) {
        Lookup found = m_pending.get();
        if (!std::exchange(m_pending_overtaken, false)) {
            m_token = found.token;
            m_store = found.token ? found.store : std::string();
            m_problem = found.problem;
            if (m_token) m_expected = true;
            ++m_generation;
        }
    }
    // An expected token that is not at hand is looked for again each minute;
    // nobody waits for that lookup.
    const auto now = std::chrono::steady_clock::now();
    if (m_expected && !m_token && !m_pending.valid() && !m_saving.valid() &&
        now - m_looked_at >= std::chrono::minutes(1))
        start_lookup(now);
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
    if (std::optional<SaveResult> refused = StartSave(pasted)) return *refused;
    settle_save(true);
    return *std::exchange(m_saved, std::nullopt);
}

std::optional<TokenKeeper::SaveResult> TokenKeeper::StartSave(std::string_view pasted) {
    const std::string token = TrimToken(pasted);
    const TokenCheck check = DecodeToken(token);
    if (!check.facts) return SaveResult{false, check.error};
    if (m_saving.valid()) return SaveResult{false, "The token before is still being saved."};
    // What a lookup still running finds is overtaken by this token.
    if (m_pending.valid()) m_pending_overtaken = true;
    m_saved.reset();
    m_saving = std::async(std::launch::async, [this, token] {
        Stored stored{token, ""};
        if (m_keychain.Set(kTokenSecretKey, token)) {
            stored.store = kKeychain;
            m_file.Erase(kTokenSecretKey);
        } else if (m_file.Set(kTokenSecretKey, token)) {
            stored.store = kFile;
        }
        return stored;
    });
    return std::nullopt;
}

std::optional<TokenKeeper::SaveResult> TokenKeeper::SaveDone() {
    settle_save(false);
    return std::exchange(m_saved, std::nullopt);
}

void TokenKeeper::settle_save(bool wait) {
    if (!m_saving.valid()) return;
    if (!wait && m_saving.wait_for(std::chrono::seconds(0)) != std::future_status::ready) return;
    const Stored stored = m_saving.get();
    if (stored.store.empty()) {
        m_saved = SaveResult{false, "The token could not be stored: the secret store did not answer and " +
                                        m_file.Where() + " could not be written."};
        return;
    }
    m_settings.SaveSetting(m_app, kGatewaySection, kTokenStoreKey, stored.store);
    m_token = stored.token;
    m_store = stored.store;
    m_problem.clear();
    m_expected = true;
    ++m_generation;
    m_saved = SaveResult{true, "Saved in " + Where() + "."};
}

void TokenKeeper::Remove() {
    if (m_pending.valid()) m_pending.wait();
    m_pending = {};
    if (m_saving.valid()) m_saving.wait();
    m_saving = {};
    m_saved.reset();
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
