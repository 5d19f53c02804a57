#pragma once

#include <QString>

// Where this build put the two speech engines (absolute paths of the files).
QString doubleEnginePath(); // lib/libupctv_double.so, the recording test double
QString espeakEnginePath(); // lib/libupctv.so, the espeak-ng engine
// The build's folder of executables (bin/), where zelvora is.
QString binaryDirectory();
