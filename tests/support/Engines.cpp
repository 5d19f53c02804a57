#include "Engines.h"

QString doubleEnginePath() {
    return QStringLiteral(ZELVORA_DOUBLE_ENGINE);
}

QString espeakEnginePath() {
    return QStringLiteral(ZELVORA_ESPEAK_ENGINE);
}

QString speechdEnginePath() {
    return QStringLiteral(ZELVORA_SPEECHD_ENGINE);
}

QString binaryDirectory() {
    return QStringLiteral(ZELVORA_BINARY_DIR "/bin");
}

QList<EngineKind> builtEngines() {
    QList<EngineKind> engines{
        {QStringLiteral("espeak"), espeakEnginePath(), true, false},
        {QStringLiteral("speechd"), speechdEnginePath(), false, true},
    };
#ifdef ZELVORA_FESTIVAL_ENGINE
    engines.append(
        {QStringLiteral("festival"), QStringLiteral(ZELVORA_FESTIVAL_ENGINE), true, false});
#endif
    return engines;
}
