#pragma once

#include "DoubleLog.h"

#include <QByteArray>
#include <QList>
#include <QProcessEnvironment>
#include <QString>
#include <QTemporaryDir>

// Gives one test a fresh temporary folder and points the process environment at
// it: XDG_CONFIG_HOME (so the settings file lives there), XDG_CACHE_HOME (the
// extracted texts of books), XDG_DATA_HOME (the bookmarks) and UPCTV_DOUBLE_LOG (the test double's
// log). The previous values come back when the object goes away. Create one per test function (or
// in init()), after nothing else holds the variables' old values.
class TestEnvironment {
public:
    TestEnvironment();
    ~TestEnvironment();
    TestEnvironment(const TestEnvironment &) = delete;
    TestEnvironment &operator=(const TestEnvironment &) = delete;

    bool isValid() const;
    QString path() const;          // the temporary folder
    QString configHome() const;    // the XDG_CONFIG_HOME given to the program
    QString settingsPath() const;  // configHome()/zelvora/Tirova2001.ini
    QString bookmarksPath() const; // the bookmark file under XDG_DATA_HOME
    DoubleLog log() const;         // the double's log in this folder

    // Sets UPCTV_DOUBLE_MS_PER_BYTE for this process (restored afterwards); the
    // double reads it at every upcTVRead.
    void setMsPerByte(int ms);
    // Sets any other variable for the test's duration; restored afterwards.
    void set(const char *name, const QByteArray &value);

    // The process environment as it stands, for a child process.
    QProcessEnvironment processEnvironment() const;

private:
    QTemporaryDir m_dir;
    struct Saved {
        QByteArray name;
        QByteArray value;
        bool wasSet;
    };
    QList<Saved> m_saved;
};
