#pragma once

#include <string>

namespace pelmora {

// Starting the program with the user's session.
class SessionStart {
public:
    virtual ~SessionStart() = default;
    virtual bool On() const = 0;
    // Starts the program with the session, with --tray when `tray`, or no
    // longer when not `on`. Throws Failure when that cannot be kept.
    virtual void Set(bool on, bool tray) = 0;
    // Where it is kept, in words for the user.
    virtual std::string Where() const = 0;
};

}  // namespace pelmora
