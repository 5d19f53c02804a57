#include "StopSignals.h"

namespace {

volatile std::sig_atomic_t g_stop = 0;

void onStopSignal(int) {
    g_stop = 1;
}

} // namespace

namespace StopSignals {

void catchBoth() {
    g_stop = 0;
    struct sigaction action {};
    action.sa_handler = &onStopSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

const volatile std::sig_atomic_t &flag() {
    return g_stop;
}

} // namespace StopSignals
