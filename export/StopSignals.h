#pragma once

#include <csignal>

// SIGINT and SIGTERM taken as a request to stop: a flag that the export's
// coordinator and each of its worker processes (every process its own) poll.
namespace StopSignals {

// Clears the flag and catches both signals into it.
void catchBoth();
// Set once either signal has come.
const volatile std::sig_atomic_t &flag();

} // namespace StopSignals
