#include "LibxmlDiagnostics.h"

#include <libxml/globals.h>

namespace {

constexpr qsizetype LongestMessage = 200;

thread_local int t_depth = 0;
thread_local QByteArray t_first;

void keep(const char *message) {
    if (t_first.isEmpty() && message != nullptr) {
        t_first = QByteArray(message).simplified().left(LongestMessage);
    }
}

void structured(void *, xmlErrorPtr error) {
    if (error != nullptr) {
        keep(error->message);
    }
}

// libxml2 formats its generic messages piecewise; the format alone is enough to
// say what went wrong.
void generic(void *, const char *format, ...) {
    keep(format);
}

} // namespace

LibxmlDiagnostics::LibxmlDiagnostics()
    : m_structured(xmlStructuredError), m_structuredContext(xmlStructuredErrorContext),
      m_generic(xmlGenericError), m_genericContext(xmlGenericErrorContext) {
    if (t_depth++ == 0) {
        t_first.clear();
    }
    xmlSetStructuredErrorFunc(nullptr, structured);
    xmlSetGenericErrorFunc(nullptr, generic);
}

LibxmlDiagnostics::~LibxmlDiagnostics() {
    xmlSetStructuredErrorFunc(m_structuredContext, m_structured);
    xmlSetGenericErrorFunc(m_genericContext, m_generic);
    --t_depth;
}

QByteArray LibxmlDiagnostics::firstMessage() {
    return t_first;
}
