#include "Engines.h"

QString doubleEnginePath() {
    return QStringLiteral(ZELVORA_DOUBLE_ENGINE);
}

QString espeakEnginePath() {
    return QStringLiteral(ZELVORA_ESPEAK_ENGINE);
}

QString binaryDirectory() {
    return QStringLiteral(ZELVORA_BINARY_DIR "/bin");
}
