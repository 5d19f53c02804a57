// libupctv.so: the C ABI over espeak-ng alone.
#include "EngineFactory.h"

#include "EspeakSynth.h"
#include "SpeechEngine.h"

namespace upctv {

std::unique_ptr<Engine> makeEngine() {
    return std::make_unique<SpeechEngine>(OutputConfig::fromEnvironment(),
                                          std::make_unique<EspeakSynthesizer>());
}

} // namespace upctv
