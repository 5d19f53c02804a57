#pragma once

namespace upctv {

// Runs `action` on the engine behind an entry point of the C interface. A
// missing engine (it failed to start at load) and any C++ exception become -1,
// since no exception may cross the C boundary. Called on the caller's thread.
template <typename Engine, typename Action> int callEngine(Engine *engine, Action action) {
    if (engine == nullptr)
        return -1;
    try {
        return action(*engine);
    } catch (...) {
        return -1;
    }
}

} // namespace upctv
