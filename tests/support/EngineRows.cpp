#include "EngineRows.h"

EngineKind engineNamed(const QString &name) {
    for (const EngineKind &kind : builtEngines()) {
        if (kind.name == name)
            return kind;
    }
    return {};
}

void addOneRowPerEngine() {
    addEngineRows([] {}, [](const EngineKind &, auto row) { row(QStringLiteral("contract")); });
}

void ContractServer::startIfNeeded() {
    for (const EngineKind &kind : builtEngines()) {
        if (kind.needsSpeechDispatcher && !server) {
            server = std::make_unique<SpeechDispatcherServer>();
            if (!server->start()) {
                missing = server->reason();
                server.reset();
                return;
            }
        }
    }
}
