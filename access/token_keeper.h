#pragma once

#include <chrono>
#include <cstdint>
#include <future>
#include <optional>
#include <string>
#include <string_view>

#include "access/token_text.h"
#include "platform/secret_store.h"
#include "platform/settings_store.h"

namespace pelmora {

inline constexpr const char* kGatewaySection = "Gateway";
inline constexpr const char* kTokenStoreKey = "TokenStore";
inline constexpr const char* kTokenSecretKey = "gateway-token";

// Keeps the gateway token: in the desktop's secret store, or where that does
// not answer, in an owner-only file. The settings record only where it is
// kept ([Gateway] TokenStore=keychain or file), never the token itself. A
// token file placed by hand is used even when the settings do not name it.
// A stored text is used only if it would be taken as a paste. While a token
// is expected and not at hand, it is looked up again at most once a minute,
// and whenever LookAgain() asks, without anyone waiting for it.
class TokenKeeper {
public:
    struct SaveResult {
        bool saved = false;
        std::string message;
    };

    TokenKeeper(SecretStore& keychain, SecretStore& file, SettingsStore& settings, std::string app);
    ~TokenKeeper();
    TokenKeeper(const TokenKeeper&) = delete;
    TokenKeeper& operator=(const TokenKeeper&) = delete;

    // Starts looking up the token on a thread of its own; returns at once.
    void StartLookup();
    // Looks up an expected token that is not at hand (Options opened).
    void LookAgain();
    // The token in force. A lookup still running is waited for, until at
    // most 2 s after it started; past that, nothing for now.
    std::optional<std::string> Token();
    // Whether a token is expected: the settings name a store or a file was found.
    bool Expected();
    // Why an expected or present token cannot be used, or empty.
    std::string Problem();
    // Refuses a text that is not a token, leaving the current one in force.
    // Waits for the stores (at most 2 s each).
    SaveResult Save(std::string_view pasted);
    // The same without waiting: a text that is not a token is refused at
    // once; otherwise nothing is returned, the stores are asked on a thread
    // of their own, and SaveDone() gives the result once they answered.
    // The token is taken into force when they did, whoever asks.
    std::optional<SaveResult> StartSave(std::string_view pasted);
    std::optional<SaveResult> SaveDone();
    bool Saving() const { return m_saving.valid(); }
    // Back to plain http: the token is erased from both places.
    void Remove();
    // Where the token is kept, in words; empty when there is none.
    std::string Where();
    // Rises whenever the token in force changes.
    std::uint64_t Generation();

    struct Lookup {
        std::optional<std::string> token;
        std::string store;  // "keychain" or "file"
        std::string problem;
    };

private:
    struct Stored {
        std::string token;
        std::string store;  // where it went; empty when nowhere
    };
    void settle(std::chrono::steady_clock::time_point until);
    void start_lookup(std::chrono::steady_clock::time_point wait_until);
    void settle_save(bool wait);

    SecretStore& m_keychain;
    SecretStore& m_file;
    SettingsStore& m_settings;
    std::string m_app;
    std::future<Lookup> m_pending;
    bool m_pending_overtaken = false;  // a save came after the lookup began
    std::chrono::steady_clock::time_point m_deadline;
    std::chrono::steady_clock::time_point m_looked_at;
    std::future<Stored> m_saving;
    std::optional<SaveResult> m_saved;
    bool m_expected = false;
    std::optional<std::string> m_token;
    std::string m_store;
    std::string m_problem;
    std::uint64_t m_generation = 0;
};

}  // namespace pelmora
