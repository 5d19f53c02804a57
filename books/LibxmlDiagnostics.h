#pragma once

#include <QByteArray>

#include <libxml/xmlerror.h>

// While one lives, libxml2's diagnostics on the calling thread go to it instead
// of standard error: a damaged book is the reader's everyday input, not a fault
// of the program, and a line of libxml2's for each bad byte would bury the
// program's own. libxml2 keeps its error handlers per thread, and extraction
// runs on a worker thread, so the guard is made on the thread that parses.
// Guards nest; each puts back the handlers it found.
class LibxmlDiagnostics {
public:
    LibxmlDiagnostics();
    ~LibxmlDiagnostics();
    LibxmlDiagnostics(const LibxmlDiagnostics &) = delete;
    LibxmlDiagnostics &operator=(const LibxmlDiagnostics &) = delete;

    // The first diagnostic since the outermost guard of this thread was made
    // (one line, empty when there was none), for the line that says why a book
    // was refused.
    static QByteArray firstMessage();

private:
    xmlStructuredErrorFunc m_structured;
    void *m_structuredContext;
    xmlGenericErrorFunc m_generic;
    void *m_genericContext;
};
