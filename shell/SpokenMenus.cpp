#include "SpokenMenus.h"

#include "Messages.h"
#include "ReaderState.h"

#include <iterator>

namespace {

template <std::size_t N>
void buildMenus(const char *const (&pausePieces)[N], const char *idleFirst) {
    ReaderState &state = State();
    state.PauseMenuText = pausePieces[0];
    for (std::size_t i = 1; i < N; ++i) {
        state.PauseMenuText += pausePieces[i];
    }
    state.IdleMenuText = idleFirst;
    for (std::size_t i = MenuPieces::FirstIdlePiece; i < N; ++i) {
        state.IdleMenuText += pausePieces[i];
    }
}

} // namespace

void BuildCatalanMenus() {
    buildMenus(MenuPieces::CatalanPause, MenuPieces::CatalanIdleFirst);
}

void BuildSpanishMenus() {
    buildMenus(MenuPieces::SpanishPause, MenuPieces::SpanishIdleFirst);
}
