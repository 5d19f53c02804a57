#include "PathRules.h"

#include "BookFormat.h"

#include <algorithm>

namespace PathRules {

namespace {

const QString Root = QStringLiteral("/");

// Wildcard matching over case-folded characters, with the usual back-tracking to
// the last "*" so that the cost stays linear in practice.
bool wildcardMatch(QStringView pattern, QStringView name) {
    qsizetype p = 0;
    qsizetype n = 0;
    qsizetype starAt = -1;
    qsizetype resumeAt = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == u'*') {
            starAt = p++;
            resumeAt = n;
        } else if (p < pattern.size() &&
                   (pattern[p] == u'?' || pattern[p].toCaseFolded() == name[n].toCaseFolded())) {
            ++p;
            ++n;
        } else if (starAt >= 0) {
            p = starAt + 1;
            n = ++resumeAt;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == u'*') {
        ++p;
    }
    return p == pattern.size();
}

} // namespace

QStringList levelNames(const QString &directory) {
    return directory.split(u'/', Qt::SkipEmptyParts);
}

int currentLine(const QString &directory) {
    return int(levelNames(directory).size());
}

QStringList lineTexts(const QString &directory, const QStringList &subfolders) {
    QStringList texts{Root};
    texts += levelNames(directory);
    texts += subfolders;
    return texts;
}

QString linePath(const QString &directory, const QStringList &subfolders, int line) {
    const QStringList levels = levelNames(directory);
    const int current = int(levels.size());
    if (line < 0 || line > current + subfolders.size()) {
        return QString();
    }
    if (line > current) {
        return joinPath(directory, subfolders.at(line - current - 1));
    }
    QString path;
    for (int level = 0; level < line; ++level) {
        path += u'/' + levels.at(level);
    }
    return path.isEmpty() ? Root : path;
}

QString joinPath(const QString &folder, const QString &name) {
    if (folder.endsWith(u'/')) {
        return folder + name;
    }
    return folder + u'/' + name;
}

QString bookName(const QString &fileName) {
    return BookFormats::titleOf(fileName);
}

bool isHiddenFolderName(QStringView name) {
    return name.startsWith(u'.');
}

bool isHiddenFileName(QStringView name) {
    return name.startsWith(u'.') && name.compare(u".txt", Qt::CaseInsensitive) != 0;
}

bool matchesPattern(QStringView pattern, QStringView name) {
    return wildcardMatch(pattern, name);
}

QStringList maskPatterns(const QString &mask) {
    QStringList patterns;
    for (const QString &part : mask.split(u';')) {
        const QString pattern = part.trimmed();
        if (!pattern.isEmpty()) {
            patterns.append(pattern);
        }
    }
    return patterns;
}

bool matchesMask(const QStringList &patterns, QStringView name) {
    return std::any_of(patterns.cbegin(), patterns.cend(),
                       [name](const QString &pattern) { return wildcardMatch(pattern, name); });
}

void sortWithoutCase(QStringList &names) {
    // Folding once per name, not once per comparison, keeps 20,000 names fast.
    QList<std::pair<QString, QString>> keyed;
    keyed.reserve(names.size());
    for (QString &name : names) {
        keyed.append({name.toCaseFolded(), std::move(name)});
    }
    std::sort(keyed.begin(), keyed.end());
    names.clear();
    for (auto &entry : keyed) {
        names.append(std::move(entry.second));
    }
}

bool isOnVolume(const QString &folder, const QString &mountPoint) {
    if (mountPoint == Root) {
        return folder.startsWith(u'/');
    }
    return folder == mountPoint ||
           (folder.startsWith(mountPoint) && folder.at(mountPoint.size()) == u'/');
}

QString volumeOfFolder(const QStringList &mountPoints, const QString &folder) {
    QString best = Root;
    for (const QString &mountPoint : mountPoints) {
        if (mountPoint.size() > best.size() && isOnVolume(folder, mountPoint)) {
            best = mountPoint;
        }
    }
    return best;
}

int nextRowStartingWith(const QStringList &keys, int current, QChar typed) {
    const int count = int(keys.size());
    for (int step = 1; step <= count; ++step) {
        const int row = (std::max(current, -1) + step) % count;
        if (keys.at(row).startsWith(typed, Qt::CaseInsensitive)) {
            return row;
        }
    }
    return current;
}

QByteArray spokenDrive(const QString &drive) {
    if (drive == u"a") {
        return QByteArrayLiteral("aa");
    }
    return drive.toUtf8();
}

} // namespace PathRules
