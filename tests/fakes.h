#pragma once

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "platform/failure.h"
#include "fakes/memory_file_system.h"
#include "gateway/https_transport.h"
#include "platform/regional_format.h"
#include "platform/message_bus.h"
#include "platform/secret_store.h"
#include "platform/time_zone_source.h"

namespace pelmora::test {

// ISO forms with a fixed time of day.
class FixedRegionalFormat : public RegionalFormat {
public:
    std::string general_date(const CivilDateTime& when) const override {
        char buffer[48];
        std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d %02d:%02d:%02d", when.year, when.month, when.day,
                      when.hour, when.minute, when.second);
        return buffer;
    }
    std::string long_time_now() const override { return "10:11:12"; }
    std::string time_of_day_now() const override { return "10:11:12"; }
};

class FakeTimeZone : public TimeZoneSource {
public:
    explicit FakeTimeZone(ZoneState state) : m_state(state) {}
    ZoneState GetTimeZoneInformation() const override { return m_state; }

private:
    ZoneState m_state;
};

using MemoryFileSystem = pelmora::MemoryFileSystem;

// A secret store that never answers, as a desktop without a secret service.
class SilentSecretStore : public SecretStore {
public:
    SecretRead Get(const std::string&) override { return SecretRead{}; }
    bool Set(const std::string&, const std::string&) override { return false; }
    bool Erase(const std::string&) override { return false; }
    std::string Where() const override { return "nowhere"; }
};

// A gateway over HTTPS that presents `key`, accepts any token and serves `document`.
class FakeHttpsTransport : public HttpsTransport {
public:
    HttpsAnswer get(const HttpsCall& call) override {
        HttpsAnswer answer;
        if (!call.pinned_sha256.empty() && call.pinned_sha256 != key.key_sha256) {
            answer.outcome = HttpsAnswer::Outcome::KeyMismatch;
            return answer;
        }
        answer.outcome = HttpsAnswer::Outcome::Answered;
        answer.status = call.url.ends_with("/auth/check_jwt") ? check_status : 200;
        answer.handshake = key;
        answer.body = call.url.ends_with("/auth/check_jwt") ? "<!DOCTYPE html><h2>Valid token.</h2>" : document;
        answer.session_cookie = cookie;
        calls.push_back(call);
        return answer;
    }
    std::optional<CertificateFacts> probe(const std::string&, std::optional<ReadDeadline>) override { return key; }

    CertificateFacts key{"AAAA", "CN=envoy-122233004455", 0, 4102444800};
    std::string document;
    std::string cookie = "5e55";
    long check_status = 200;
    std::vector<HttpsCall> calls;
};

// Records what is handed to it; "connected" from Start to Stop.
class RecordingBus : public MessageBus {
public:
    void Start(const BusOptions& options) override {
        started.push_back(options);
        connected = true;
    }
    void Publish(const BusMessage& message) override {
        if (connected) published.push_back(message);
    }
    void Stop(const std::vector<BusMessage>& last) override {
        if (connected) stopped_with.push_back(last);
        connected = false;
    }
    std::string State() const override { return state; }

    std::vector<BusOptions> started;
    std::vector<BusMessage> published;
    std::vector<std::vector<BusMessage>> stopped_with;
    bool connected = false;
    std::string state = "Connected";
};

}  // namespace pelmora::test
