#pragma once

#include "platform/failure.h"

namespace pelmora {

// Tolerates one failed step: the first Failure of a step is handed to the
// reaction with the step's number and the caller goes on with its next step;
// from then on the guard is off and a Failure passes to the caller. A Failure
// thrown by the reaction itself passes to the caller as well.
template <class Reaction>
class StepGuard {
public:
    explicit StepGuard(Reaction reaction) : m_reaction(std::move(reaction)) {}

    // Runs one step; returns false when it failed and was tolerated.
    template <class Body>
    bool Step(int number, Body&& body) {
        if (!m_armed) {
            body();
            return true;
        }
        try {
            body();
            return true;
        } catch (const Failure& failure) {
            m_armed = false;
            m_reaction(failure, number);
            return false;
        }
    }

    bool armed() const { return m_armed; }

private:
    Reaction m_reaction;
    bool m_armed = true;
};

}  // namespace pelmora
