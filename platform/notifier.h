#pragma once

#include <string>

namespace pelmora {

// The desktop's notifications. Notify never waits for the desktop, and
// without a notification service it does nothing.
class Notifier {
public:
    virtual ~Notifier() = default;
    virtual void Notify(const std::string& summary, const std::string& body) = 0;
};

}  // namespace pelmora
