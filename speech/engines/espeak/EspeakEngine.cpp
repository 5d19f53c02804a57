// libupctv.so: the C ABI over espeak-ng alone.
#include "EngineFactory.h"

#include "EspeakSynth.h"

namespace upctv {

std::unique_ptr<Synthesizer> makeSynthesizer() {
    return std::make_unique<EspeakSynthesizer>();
}

} // namespace upctv
