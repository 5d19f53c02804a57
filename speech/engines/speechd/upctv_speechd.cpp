// libupctv-speechd.so: the C ABI (upctv_abi.cpp) over speech-dispatcher.
//
// The engine connects when the library is loaded and closes the connection,
// joining libspeechd's thread, when it is unloaded. Without a reachable server
// it writes one line to standard error at load, speaks nothing and is never
// busy.
#include "EngineFactory.h"

#include "SpeechdEngine.h"

#include <dlfcn.h>

namespace upctv {

std::unique_ptr<Engine> makeEngine() {
    // libspeechd and GLib, which it brings in, stay in the process once loaded:
    // GLib is not made to be unloaded and loaded again hundreds of times, and a
    // leak of libspeechd's (a message it builds when the server cannot be
    // reached) stays attributable to it.
    dlopen("libspeechd.so.2", RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE);
    return std::make_unique<speechd::SpeechdEngine>();
}

} // namespace upctv
