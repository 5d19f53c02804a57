#include "SynthesisEngine.h"

#include "UnitUPCTV.h"

#include <dlfcn.h>

namespace {

template <typename Call> Call symbol(void *handle, const char *name) {
    return reinterpret_cast<Call>(dlsym(handle, name));
}

int deliver(void *context, const short *samples, int count) {
    const auto &sink = *static_cast<const SynthesisEngine::Sink *>(context);
    return sink(samples, size_t(count)) ? 0 : 1;
}

} // namespace

SynthesisEngine::~SynthesisEngine() {
    if (m_handle != nullptr)
        dlclose(m_handle);
}

SynthesisEngine::Status SynthesisEngine::load(const QString &library, int speed, bool catalan) {
    m_handle = dlopen(library.toLocal8Bit().constData(), RTLD_NOW);
    if (m_handle == nullptr) {
        m_error = QString::fromLocal8Bit(dlerror());
        return Status::CannotLoad;
    }
    using IntCall = int (*)(int);
    const auto rate = symbol<int (*)()>(m_handle, "upcTVSampleRate");
    m_synthesize = symbol<decltype(m_synthesize)>(m_handle, "upcTVSynthesize");
    const auto setSpeed = symbol<IntCall>(m_handle, "upcTVSetSpeed");
    const auto setLanguage = symbol<IntCall>(m_handle, "upcTVSetLanguage");
    const auto setSpeaker = symbol<IntCall>(m_handle, "upcTVSetSpeaker");
    m_sampleRate = rate != nullptr ? rate() : 0;
    if (m_synthesize == nullptr || m_sampleRate <= 0 || !setSpeed || !setLanguage || !setSpeaker)
        return Status::CannotSynthesise;
    setSpeed(speed);
    setLanguage(catalan ? SpeechService::CatalanLanguageCode : SpeechService::SpanishLanguageCode);
    setSpeaker(catalan ? 0 : 1);
    return Status::Ready;
}

int SynthesisEngine::synthesize(const QByteArray &text, const Sink &sink) {
    const QByteArray spoken = SpeechService::textForEngine(text);
    return m_synthesize(spoken.constData(), &deliver, const_cast<Sink *>(&sink));
}
