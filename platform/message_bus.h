#pragma once

#include <string>
#include <vector>

namespace pelmora {

struct BusMessage {
    std::string topic;
    std::string payload;
    bool retain = false;

    friend bool operator==(const BusMessage&, const BusMessage&) = default;
};

// Where and as whom to connect, the last will, and what to send after
// every connect.
struct BusOptions {
    std::string host;
    int port = 1883;
    bool tls = false;
    bool verify_peer = true;
    std::string user;
    std::string password;
    std::string client_id;
    BusMessage will;
    std::vector<BusMessage> on_connect;
};

// A publish-only connection to a message broker. Nothing here blocks the
// caller: connecting, reconnecting (after 1 s, doubling to 60 s) and sending
// happen on the bus's own thread.
class MessageBus {
public:
    virtual ~MessageBus() = default;
    // Drops any earlier connection, then connects with `options` in the
    // background and keeps the connection up until Stop.
    virtual void Start(const BusOptions& options) = 0;
    // Hands one message over (at most once); dropped while not connected.
    virtual void Publish(const BusMessage& message) = 0;
    // Sends `last` if connected, then disconnects cleanly, so the will is not
    // sent. Waits about a second at most.
    virtual void Stop(const std::vector<BusMessage>& last) = 0;
    // The connection in words: "Connected", "Connecting...", "Not started",
    // or the last error ("Connection refused", "not authorised", ...).
    virtual std::string State() const = 0;
};

}  // namespace pelmora
