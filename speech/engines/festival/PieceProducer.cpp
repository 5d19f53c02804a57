#include "PieceProducer.h"

namespace upctv {

PieceProducer::PieceProducer(std::function<void()> onStart, Render render)
    : m_render(std::move(render)), m_thread([this, onStart] { run(onStart); }) {}

PieceProducer::~PieceProducer() {
    {
        std::lock_guard lock(m_mutex);
        m_shutdown = true;
        reset();
    }
    m_changed.notify_all();
    m_thread.join();
}

void PieceProducer::reset() {
    ++m_generation;
    m_cancelled = false;
    m_pieces.clear();
    m_ready.clear();
    m_rendered = 0;
    m_failed = false;
}

void PieceProducer::start(std::vector<Piece> pieces, Voicing voicing) {
    {
        std::lock_guard lock(m_mutex);
        reset();
        m_pieces = std::move(pieces);
        m_voicing = voicing;
    }
    m_changed.notify_all();
}

void PieceProducer::cancel() {
    {
        std::lock_guard lock(m_mutex);
        reset();
        m_cancelled = true;
    }
    m_changed.notify_all();
}

PieceProducer::Next PieceProducer::next(std::vector<int16_t> &samples) {
    std::unique_lock lock(m_mutex);
    const uint64_t generation = m_generation;
    m_changed.wait(lock, [&] {
        return m_generation != generation || !m_ready.empty() || m_failed ||
               m_rendered == m_pieces.size();
    });
    if (m_generation != generation || m_cancelled)
        return Next::Cancelled;
    if (m_ready.empty())
        return Next::End;
    samples = std::move(m_ready.front());
    m_ready.pop_front();
    m_changed.notify_all();
    return Next::Piece;
}

bool PieceProducer::hasWork() const {
    return !m_failed && m_rendered < m_pieces.size() && m_ready.size() < MaxReady;
}

void PieceProducer::run(const std::function<void()> &onStart) {
    onStart();
    std::unique_lock lock(m_mutex);
    while (true) {
        m_changed.wait(lock, [this] { return m_shutdown || hasWork(); });
        if (m_shutdown)
            return;
        const Piece piece = m_pieces[m_rendered];
        const Voicing voicing = m_voicing;
        const uint64_t generation = m_generation;
        lock.unlock();
        std::vector<int16_t> samples;
        const bool rendered = m_render(piece, voicing, samples);
        lock.lock();
        if (generation != m_generation)
            continue;
        ++m_rendered;
        if (rendered)
            m_ready.push_back(std::move(samples));
        else
            m_failed = true;
        m_changed.notify_all();
    }
}

} // namespace upctv
