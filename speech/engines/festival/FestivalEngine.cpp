// libupctv-festival.so: the C ABI over Festival's Catalan voice, with Spanish
// through espeak-ng.
#include "EngineFactory.h"

#include "FestivalSynth.h"

namespace upctv {

std::unique_ptr<Synthesizer> makeSynthesizer() {
    return std::make_unique<FestivalSynth>();
}

} // namespace upctv
