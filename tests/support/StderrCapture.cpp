#include "StderrCapture.h"

#include <QFile>

#include <cstdio>
#include <unistd.h>

StderrCapture::StderrCapture(const QString &path) : m_path(path) {
    std::fflush(stderr);
    m_saved = dup(STDERR_FILENO);
    if (std::freopen(QFile::encodeName(path).constData(), "w", stderr) == nullptr) {
        close(m_saved);
        m_saved = -1;
    }
}

StderrCapture::~StderrCapture() {
    release();
}

QByteArray StderrCapture::release() {
    if (m_saved < 0)
        return {};
    std::fflush(stderr);
    dup2(m_saved, STDERR_FILENO);
    close(m_saved);
    m_saved = -1;
    QFile file(m_path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
