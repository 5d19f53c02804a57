#include "BookFormat.h"

#include "DaisyBook.h"

#include <algorithm>

namespace {

struct Extension {
    QString suffix;
    BookFormat format;
};

const QList<Extension> &table() {
    static const QList<Extension> known{
        {QStringLiteral(".txt"), BookFormat::PlainText},
        {QStringLiteral(".epub"), BookFormat::Epub},
        {QStringLiteral(".html"), BookFormat::Html},
        {QStringLiteral(".htm"), BookFormat::Html},
        {QStringLiteral(".xhtml"), BookFormat::Html},
        {QStringLiteral(".docx"), BookFormat::Docx},
        {QStringLiteral(".odt"), BookFormat::Odt},
        {QStringLiteral(".pdf"), BookFormat::Pdf},
    };
    return known;
}

const Extension *extensionOf(const QString &path) {
    const auto &known = table();
    const auto found = std::find_if(known.cbegin(), known.cend(), [&path](const Extension &e) {
        return path.endsWith(e.suffix, Qt::CaseInsensitive);
    });
    return found == known.cend() ? nullptr : &*found;
}

} // namespace

namespace BookFormats {

namespace {

// A DAISY book is called by its own title; without one, by its folder's name
// (its package is always called ncc.html or the like) or its zip's.
QString daisyTitleOf(const QString &path, const QString &name) {
    const QString title = QString::fromUtf8(DaisyBook::titleOf(path)).simplified();
    if (!title.isEmpty()) {
        return title;
    }
    if (name.endsWith(u".zip", Qt::CaseInsensitive)) {
        return name.chopped(4);
    }
    const QString folder = path.left(std::max<qsizetype>(0, path.lastIndexOf(u'/')));
    const QString folderName = folder.mid(folder.lastIndexOf(u'/') + 1);
    return folderName.isEmpty() ? name : folderName;
}

} // namespace

BookFormat formatOf(const QString &path) {
    const QString name = path.mid(path.lastIndexOf(u'/') + 1);
    if (name.compare(u"ncc.html", Qt::CaseInsensitive) == 0 ||
        name.compare(u"ncc.htm", Qt::CaseInsensitive) == 0 ||
        name.endsWith(u".opf", Qt::CaseInsensitive) ||
        name.endsWith(u".zip", Qt::CaseInsensitive)) {
        return BookFormat::Daisy;
    }
    const Extension *extension = extensionOf(path);
    return extension == nullptr ? BookFormat::Unknown : extension->format;
}

const QStringList &extensions() {
    static const QStringList suffixes = [] {
        QStringList list;
        for (const Extension &e : table()) {
            list.append(e.suffix);
        }
        return list;
    }();
    return suffixes;
}

QString chooserMask() {
    QStringList patterns;
    for (const QString &suffix : extensions()) {
        patterns.append(u'*' + suffix);
    }
    return patterns.join(u';');
}

QString titleOf(const QString &fileName) {
    const QString name = fileName.mid(fileName.lastIndexOf(u'/') + 1);
    if (formatOf(fileName) == BookFormat::Daisy) {
        return daisyTitleOf(fileName, name);
    }
    const Extension *extension = extensionOf(name);
    const qsizetype cut = extension != nullptr ? extension->suffix.size() : 4;
    return name.left(std::max<qsizetype>(0, name.size() - cut));
}

} // namespace BookFormats
