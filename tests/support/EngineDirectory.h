#pragma once

#include <QProcessEnvironment>
#include <QString>
#include <QTemporaryDir>

// A temporary folder holding one file, libupctv.so, a link to an engine (the test
// double unless told otherwise). Putting the folder first in LD_LIBRARY_PATH
// makes the real zelvora executable load that engine by its bare name. The folder
// goes away with the object.
class EngineDirectory {
public:
    explicit EngineDirectory(const QString &engine = QString());
    EngineDirectory(const EngineDirectory &) = delete;
    EngineDirectory &operator=(const EngineDirectory &) = delete;

    // False when the folder or the link could not be made.
    bool isValid() const;
    QString path() const;
    QString libraryPath() const; // path() + "/libupctv.so"

    // Points the link at another engine, or removes it when `engine` is empty (so
    // the next load fails). Returns false on failure.
    bool linkTo(const QString &engine);

    // `environment` with this folder put first in LD_LIBRARY_PATH.
    QProcessEnvironment environmentFor(QProcessEnvironment environment) const;

private:
    QTemporaryDir m_dir;
    bool m_valid = false;
};
