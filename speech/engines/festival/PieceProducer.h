#pragma once

#include "ClauseSplitter.h"
#include "PieceAudio.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace upctv {

// Synthesises the pieces of one text on a thread of its own, a few pieces ahead
// of the reader of them, so that the next piece is ready before the one being
// played ends. The thread starts with `onStart` (Festival is set up there), then
// turns pieces into samples with `render`, which returns false when it cannot:
// the rest of that text is then dropped.
//
// start(), next() and cancel() may be called from any thread; next() is meant
// for one reader at a time. A render in progress is never interrupted: a piece
// that a cancel() made useless is thrown away when it is done.
class PieceProducer {
public:
    using Render = std::function<bool(const Piece &, const Voicing &, std::vector<int16_t> &)>;
    enum class Next { Piece, End, Cancelled };

    PieceProducer(std::function<void()> onStart, Render render);
    // Drops the text and joins the thread once a render in progress has ended.
    ~PieceProducer();
    PieceProducer(const PieceProducer &) = delete;
    PieceProducer &operator=(const PieceProducer &) = delete;

    // Replaces whatever text was in progress with `pieces`.
    void start(std::vector<Piece> pieces, Voicing voicing);
    // Waits for the next piece's samples. End when the text is done or a render
    // failed; Cancelled when start() came while waiting, or cancel() came since
    // the last start().
    Next next(std::vector<int16_t> &samples);
    // Drops the rest of the text; a next() that is waiting returns Cancelled.
    void cancel();

private:
    // Pieces ready ahead of the reader: enough to cover one slow render.
    static constexpr size_t MaxReady = 2;

    void run(const std::function<void()> &onStart);
    bool hasWork() const;
    void reset();

    Render m_render;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<Piece> m_pieces;
    Voicing m_voicing;
    size_t m_rendered = 0; // pieces of the text rendered (or failed) so far
    bool m_failed = false;
    bool m_cancelled = false; // set by cancel(), cleared by start()
    std::deque<std::vector<int16_t>> m_ready;
    uint64_t m_generation = 0; // raised by start() and cancel()
    bool m_shutdown = false;
    std::thread m_thread; // last: started once everything above exists
};

} // namespace upctv
