// Placeholder until the settings file module lands.
#include "SettingsFile.h"
SettingsFile::SettingsFile(QString filePath) : m_path(std::move(filePath)) {}
