#pragma once

#include "Engine.h"

#include <memory>

namespace upctv {

// The engine of the engine library being built: each engine library defines it
// once (EspeakEngine.cpp, FestivalEngine.cpp, upctv_speechd.cpp); the shared C
// ABI (upctv_abi.cpp) calls it when the library is loaded. May throw.
std::unique_ptr<Engine> makeEngine();

} // namespace upctv
