#pragma once

#include "Synthesizer.h"

#include <memory>

namespace upctv {

// The synthesiser of the engine library being built: each engine library defines
// it once (EspeakEngine.cpp, FestivalEngine.cpp); the shared C ABI (upctv_abi.cpp)
// calls it when the library is loaded.
std::unique_ptr<Synthesizer> makeSynthesizer();

} // namespace upctv
