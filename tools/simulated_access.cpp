#include "tools/simulated_access.h"

#include "access/token_text.h"

#include <string_view>

#include <openssl/rand.h>

#include <cstdio>

namespace pelmora {

namespace {

constexpr auto kSessionLife = std::chrono::minutes(10);

std::string cookie_value(const std::string& header, const std::string& name) {
    const std::string key = name + "=";
    std::size_t at = 0;
    while ((at = header.find(key, at)) != std::string::npos) {
        if (at == 0 || header[at - 1] == ' ' || header[at - 1] == ';') {
            const std::size_t start = at + key.size();
            return header.substr(start, header.find(';', start) - start);
        }
        at += key.size();
    }
    return std::string();
}

}  // namespace

HandshakeCounts& SimulatorHandshakes() {
    static HandshakeCounts counts;
    return counts;
}

bool SimulatedAccess::bearer_ok(const std::string& authorization) const {
    const std::string prefix = "Bearer ";
    if (authorization.compare(0, prefix.size(), prefix) != 0) return false;
    const std::string token = authorization.substr(prefix.size());
    return m_token.empty() ? !token.empty() : token == m_token;
}

bool SimulatedAccess::session_ok(const std::string& cookie) {
    const std::string id = cookie_value(cookie, "sessionId");
    if (id.empty()) return false;
    std::lock_guard<std::mutex> lock(m_mutex);
    auto it = m_sessions.find(id);
    const auto now = std::chrono::steady_clock::now();
    if (it == m_sessions.end() || now - it->second > kSessionLife) return false;
    it->second = now;
    return true;
}

std::string SimulatedAccess::open_session() {
    unsigned char bytes[16];
    RAND_bytes(bytes, sizeof bytes);
    char hex[sizeof bytes * 2 + 1];
    for (std::size_t i = 0; i < sizeof bytes; ++i) std::snprintf(hex + 2 * i, 3, "%02x", bytes[i]);
    std::lock_guard<std::mutex> lock(m_mutex);
    m_sessions[hex] = std::chrono::steady_clock::now();
    return hex;
}

void SimulatedAccess::on_info(const SSL* ssl, int where, int) {
    HandshakeCounts& counts = SimulatorHandshakes();
    if ((where & SSL_CB_HANDSHAKE_START) != 0) ++counts.started;
    if ((where & SSL_CB_HANDSHAKE_DONE) != 0) {
        ++counts.completed;
        if (SSL_session_reused(const_cast<SSL*>(ssl)) != 0) ++counts.resumed;
    }
}

void SimulatedAccess::watch(SSL_CTX& ctx) { SSL_CTX_set_info_callback(&ctx, on_info); }

std::string SimulatedAccess::counts() const {
    const HandshakeCounts& c = SimulatorHandshakes();
    return "connections " + std::to_string(c.started.load()) + " handshakes " + std::to_string(c.completed.load()) +
           " resumed " + std::to_string(c.resumed.load());
}

std::string MakeSampleToken(const std::string& serial, std::int64_t exp) {
    return Base64UrlEncode(R"({"typ":"JWT","alg":"ES256"})") + "." +
           Base64UrlEncode(R"({"aud":")" + serial + R"(","iss":"pelmora-gateway","kind":"owner","exp":)" +
                           std::to_string(exp) + "}") +
           "." + Base64UrlEncode("simulated-signature");
}

}  // namespace pelmora
