#include "ReaderState.h"

ReaderState &State() {
    static ReaderState state;
    return state;
}
