#include "DaisySource.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

using namespace Qt::StringLiterals;

namespace {

constexpr qint64 MaxZipBudget = 512LL * 1024 * 1024;

DaisySource::Kind kindOfName(const QString &name) {
    const QString file = name.mid(name.lastIndexOf(u'/') + 1).toLower();
    if (file == u"ncc.html" || file == u"ncc.htm") {
        return DaisySource::Kind::Daisy202;
    }
    return file.endsWith(u".opf") ? DaisySource::Kind::Daisy3 : DaisySource::Kind::None;
}

} // namespace

bool DaisySource::open(const QString &path) {
    const QFileInfo info(path);
    if (!info.isFile()) {
        return false;
    }
    if (path.endsWith(u".zip"_s, Qt::CaseInsensitive)) {
        m_zip = std::make_unique<ZipArchive>(MaxZipBudget);
        if (!m_zip->open(path)) {
            m_zip.reset();
            return false;
        }
        QString entry = QString::fromUtf8(m_zip->firstNameEndingWith("ncc.html"));
        if (entry.isEmpty()) {
            entry = QString::fromUtf8(m_zip->firstNameEndingWith(".opf"));
        }
        m_kind = kindOfName(entry);
        m_zipPath = path;
        m_folder = entry.left(entry.lastIndexOf(u'/') + 1);
        m_package = entry.mid(m_folder.size());
        return m_kind != Kind::None;
    }
    m_kind = kindOfName(path);
    m_folder = info.absolutePath() + u'/';
    m_package = info.fileName();
    return m_kind != Kind::None;
}

QString DaisySource::resolve(const QString &from, const QString &href) {
    const QString folder = from.left(from.lastIndexOf(u'/') + 1);
    const QString path =
        QString::fromUtf8(QByteArray::fromPercentEncoding(href.left(href.indexOf(u'#')).toUtf8()));
    QStringList parts;
    for (const QString &part : (folder + path).split(u'/')) {
        if (part == u".." && !parts.isEmpty()) {
            parts.removeLast();
        } else if (!part.isEmpty() && part != u"." && part != u"..") {
            parts.append(part);
        }
    }
    return parts.join(u'/');
}

QString DaisySource::actualName(const QString &name) {
    if (m_zip != nullptr) {
        return name; // the zip finds names in any case itself
    }
    // A book names each audio file once for each of its clips: one look a file.
    const auto known = m_actualNames.constFind(name);
    if (known != m_actualNames.cend()) {
        return *known;
    }
    if (m_actualNames.size() >= MaxKnownNames) {
        m_actualNames.clear();
    }
    return *m_actualNames.insert(name, lookUp(name));
}

QString DaisySource::lookUp(const QString &name) {
    if (QFileInfo::exists(m_folder + name)) {
        return name;
    }
    const qsizetype slash = name.lastIndexOf(u'/');
    const QString folder = name.left(slash + 1);
    auto names = m_namesByFolder.find(folder);
    if (names == m_namesByFolder.end()) {
        QHash<QString, QString> byLowerCase;
        for (const QString &file : QDir(m_folder + folder).entryList(QDir::Files)) {
            byLowerCase.insert(file.toLower(), file);
        }
        names = m_namesByFolder.insert(folder, byLowerCase);
    }
    const QString found = names->value(name.mid(slash + 1).toLower());
    return found.isEmpty() ? name : folder + found;
}

ZipArchive::Read DaisySource::read(const QString &name, qint64 limit, QByteArray &bytes) {
    bytes.clear();
    if (name.isEmpty()) {
        return ZipArchive::Read::Missing;
    }
    if (m_zip != nullptr) {
        return m_zip->read((m_folder + name).toUtf8(), limit, bytes);
    }
    QFile file(m_folder + actualName(name));
    if (!QFileInfo(file).isFile() || !file.open(QIODevice::ReadOnly)) {
        return ZipArchive::Read::Missing;
    }
    if (file.size() > limit) {
        return ZipArchive::Read::TooLarge;
    }
    bytes = file.read(limit + 1);
    if (file.error() != QFileDevice::NoError) {
        bytes.clear();
        return ZipArchive::Read::Broken;
    }
    return bytes.size() > limit ? ZipArchive::Read::TooLarge : ZipArchive::Read::Ok;
}

bool DaisySource::exists(const QString &name) {
    if (m_zip != nullptr) {
        return m_zip->contains((m_folder + name).toUtf8());
    }
    return QFileInfo(m_folder + actualName(name)).isFile();
}

AudioClip DaisySource::clip(const QString &name, qint64 beginMs, qint64 endMs) {
    if (m_zip != nullptr) {
        return {m_zipPath, m_folder + name, beginMs, endMs};
    }
    return {QString(), m_folder + actualName(name), beginMs, endMs};
}
