#pragma once

#include "platform/message_bus.h"
#include "platform/settings_store.h"
#include "publish/broker_password.h"
#include "publish/publisher.h"

namespace pelmora {

// What the Publish page works with: the settings file, the password's keeper,
// the publisher, the bus (for its state) and the gateway address in use.
struct PublishServices {
    SettingsStore& settings;
    BrokerPassword& password;
    Publisher& publisher;
    MessageBus& bus;
};

}  // namespace pelmora
