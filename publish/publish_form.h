#pragma once

#include <string>

#include "publish/mqtt_settings.h"
#include "publish/publish_services.h"

namespace pelmora {

// What the Publish page's fields hold, as typed.
struct PublishForm {
    bool enabled = false;
    std::string host;
    std::string port;
    bool tls = false;
    bool verify_peer = true;
    std::string user;
    std::string password;  // empty: the kept one stays, unless there is no user
    std::string prefix;
    bool discovery = false;
    std::string discovery_prefix;
    std::string interval;
    bool inverters = false;  // a power sensor for each panel
};

// The fields as [Mqtt] has them; a stored port or interval that is not one
// shows as it was written. The password field starts empty.
PublishForm LoadPublishForm(const PublishServices& services);

// Checks the fields, keeps the password and [Mqtt], and publishes with them
// at once to the gateway at `address`. The device stays what the first read
// made it. Nothing is kept when a field is wrong or the password cannot be
// kept. "" once saved, else what went wrong.
std::string SavePublishForm(const PublishServices& services, const PublishForm& form, const std::string& address);

}  // namespace pelmora
