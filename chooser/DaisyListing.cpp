#include "DaisyListing.h"

#include "BookFormat.h"
#include "DaisyBook.h"
#include "PathRules.h"

#include <algorithm>

namespace {

// An ncc.html or an .opf: a package that is a book's folder's own (a zip is a
// book of its own beside them).
bool isPackageName(const QString &name) {
    return BookFormats::formatOf(name) == BookFormat::Daisy &&
           !name.endsWith(u".zip", Qt::CaseInsensitive);
}

// The kinds of file a DAISY book's folder holds for the book itself.
bool isBookPart(const QString &name) {
    static const QStringList suffixes{
        QStringLiteral(".html"), QStringLiteral(".htm"), QStringLiteral(".xhtml"),
        QStringLiteral(".smil"), QStringLiteral(".ncx"), QStringLiteral(".xml"),
        QStringLiteral(".opf"),  QStringLiteral(".mp3"), QStringLiteral(".wav"),
        QStringLiteral(".css"),  QStringLiteral(".res")};
    return std::any_of(suffixes.cbegin(), suffixes.cend(), [&name](const QString &suffix) {
        return name.endsWith(suffix, Qt::CaseInsensitive);
    });
}

// The folder's own DAISY book: its ncc.html first, else its first DAISY 3 .opf.
QString folderBook(const QString &folder, const QStringList &names) {
    QStringList packages;
    std::copy_if(names.cbegin(), names.cend(), std::back_inserter(packages), isPackageName);
    std::stable_partition(packages.begin(), packages.end(), [](const QString &name) {
        return !name.endsWith(u".opf", Qt::CaseInsensitive);
    });
    const auto found = std::find_if(packages.cbegin(), packages.cend(), [&](const QString &name) {
        return DaisyBook::isBook(PathRules::joinPath(folder, name));
    });
    return found == packages.cend() ? QString() : *found;
}

} // namespace

namespace DaisyListing {

const QStringList &packagePatterns() {
    static const QStringList patterns{QStringLiteral("ncc.htm*"), QStringLiteral("*.opf"),
                                      QStringLiteral("*.zip")};
    return patterns;
}

QList<Entry> arrange(const QString &folder, const QStringList &names,
                     const QStringList &userPatterns) {
    const QString book = folderBook(folder, names);
    QList<Entry> entries;
    entries.reserve(names.size());
    for (const QString &name : names) {
        const QString path = PathRules::joinPath(folder, name);
        if (name == book) {
            entries.append({BookFormats::titleOf(path), name});
        } else if (!book.isEmpty() && isBookPart(name)) {
            continue;
        } else if (name.endsWith(u".zip", Qt::CaseInsensitive) && DaisyBook::isBook(path)) {
            entries.append({BookFormats::titleOf(path), name});
        } else if (PathRules::matchesMask(userPatterns, name)) {
            entries.append({name, name});
        }
    }
    // Folding once per entry, not once per comparison, keeps 20,000 names fast.
    QList<std::pair<QString, qsizetype>> keyed;
    keyed.reserve(entries.size());
    for (qsizetype i = 0; i < entries.size(); ++i) {
        keyed.append({entries[i].text.toCaseFolded(), i});
    }
    std::sort(keyed.begin(), keyed.end());
    QList<Entry> sorted;
    sorted.reserve(entries.size());
    for (const auto &key : keyed) {
        sorted.append(std::move(entries[key.second]));
    }
    return sorted;
}

} // namespace DaisyListing
