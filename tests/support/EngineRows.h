#pragma once

#include "Engines.h"
#include "SpeechDispatcherServer.h"

#include <QTest>

#include <memory>

// Rows of the engine contract tests: every row names its engine in the column
// "engineName", so each test runs over every engine of the build.

// The engine of this build named `name` (empty when there is none).
EngineKind engineNamed(const QString &name);

// Adds the column "engineName", then the test's own `columns()`, then, for each
// engine, the rows of `rows(kind, row)`, where `row(name)` starts a row named
// "<engine>: <name>" that already holds the engine's name.
template <typename Columns, typename Rows> void addEngineRows(Columns columns, Rows rows) {
    QTest::addColumn<QString>("engineName");
    columns();
    for (const EngineKind &kind : builtEngines()) {
        rows(kind, [&kind](const QString &name) -> QTestData & {
            return QTest::newRow(qPrintable(kind.name + QStringLiteral(": ") + name)) << kind.name;
        });
    }
}

// One row per engine and no other column.
void addOneRowPerEngine();

// The private speech-dispatcher of a test program, started once when any engine
// of the build needs one; when it cannot start, the reason, for the skips.
struct ContractServer {
    std::unique_ptr<SpeechDispatcherServer> server;
    QString missing;
    void startIfNeeded();
};

// Fetches the row's engine as `kind` and skips the row, saying why, when the
// engine needs a server that `contract` (a ContractServer) could not start.
#define FETCH_ENGINE_OR_SKIP(kind, contract)                                                       \
    QFETCH(QString, engineName);                                                                   \
    const EngineKind kind = engineNamed(engineName);                                               \
    if (kind.needsSpeechDispatcher && !(contract).server)                                          \
    QSKIP(qPrintable(QStringLiteral("no speech-dispatcher: ") + (contract).missing))
