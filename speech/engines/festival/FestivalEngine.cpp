// libupctv-festival.so: the C ABI over Festival's Catalan voice, with Spanish
// through espeak-ng.
#include "EngineFactory.h"

#include "FestivalSynth.h"
#include "SpeechEngine.h"

namespace upctv {

std::unique_ptr<Engine> makeEngine() {
    return std::make_unique<SpeechEngine>(OutputConfig::fromEnvironment(),
                                          std::make_unique<FestivalSynth>());
}

} // namespace upctv
