#include "BookmarkFile.h"

#include "IniFormat.h"

#include <QDir>

#include <algorithm>
#include <charconv>

namespace {

constexpr QByteArrayView Section("Marcadors");
constexpr char Separator = ',';

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

// A whole non-negative decimal offset, blanks around it allowed.
std::optional<qint64> parseOffset(QByteArrayView token) {
    while (!token.isEmpty() && isBlank(token.front())) {
        token = token.sliced(1);
    }
    while (!token.isEmpty() && isBlank(token.back())) {
        token.chop(1);
    }
    if (token.isEmpty() || token.front() < '0' || token.front() > '9') {
        return std::nullopt;
    }
    qint64 value = 0;
    const char *end = token.data() + token.size();
    const auto [stop, error] = std::from_chars(token.data(), end, value);
    if (error != std::errc() || stop != end) {
        return std::nullopt;
    }
    return value;
}

// The offsets a stored value holds, ascending and without repeats; at most the
// first MaxPerBook readable ones, so that a hostile line cannot fill the memory.
std::vector<qint64> parseBookmarks(QByteArrayView value) {
    std::vector<qint64> offsets;
    while (!value.isEmpty() && offsets.size() < size_t(BookmarkFile::MaxPerBook)) {
        const qsizetype comma = value.indexOf(Separator);
        const QByteArrayView token = comma < 0 ? value : value.first(comma);
        if (const std::optional<qint64> offset = parseOffset(token)) {
            offsets.push_back(*offset);
        }
        value = comma < 0 ? QByteArrayView() : value.sliced(comma + 1);
    }
    std::ranges::sort(offsets);
    offsets.erase(std::unique(offsets.begin(), offsets.end()), offsets.end());
    return offsets;
}

QByteArray joined(const std::vector<qint64> &offsets) {
    QByteArray value;
    for (const qint64 offset : offsets) {
        if (!value.isEmpty()) {
            value.append(Separator);
        }
        value.append(QByteArray::number(offset));
    }
    return value;
}

std::vector<qint64> bookmarksIn(QByteArrayView file, const QByteArray &key) {
    const std::optional<QByteArrayView> value =
        IniFormat::findValue(file, Section, key, IniFormat::KeyMatch::Exact);
    return value ? parseBookmarks(*value) : std::vector<qint64>();
}

// `file` with the bookmark at `offset` of the book `key` toggled; `toggled` says
// what changed. Nullopt when nothing is to be written.
std::optional<QByteArray> withToggled(const QByteArray &file, const QByteArray &key, qint64 offset,
                                      BookmarkFile::Toggled &toggled) {
    std::vector<qint64> offsets = bookmarksIn(file, key);
    const auto at = std::ranges::lower_bound(offsets, offset);
    toggled.number = int(at - offsets.begin()) + 1;
    if (at != offsets.end() && *at == offset) {
        offsets.erase(at);
        toggled.change = BookmarkFile::Change::Removed;
    } else if (offsets.size() >= size_t(BookmarkFile::MaxPerBook)) {
        toggled = {BookmarkFile::Change::Full, 0};
        return std::nullopt;
    } else {
        offsets.insert(at, offset);
        toggled.change = BookmarkFile::Change::Added;
    }
    const QByteArray content =
        offsets.empty()
            ? IniFormat::withoutKey(file, Section, key, IniFormat::KeyMatch::Exact)
            : IniFormat::withValue(file, Section, key, IniFormat::KeyMatch::Exact, joined(offsets));
    if (content.size() > BookmarkFile::MaxFileSize) {
        toggled = {BookmarkFile::Change::Full, 0};
        return std::nullopt;
    }
    return content;
}

} // namespace

BookmarkFile::BookmarkFile(QString path) : m_file(std::move(path)) {
    m_file.setSizeLimit(MaxFileSize);
}

QString BookmarkFile::defaultPath() {
    // A relative XDG_DATA_HOME is invalid and ignored, as the XDG rules say.
    QString dataHome = qEnvironmentVariable("XDG_DATA_HOME");
    if (dataHome.isEmpty() || QDir::isRelativePath(dataHome)) {
        dataHome = QDir::homePath() + QStringLiteral("/.local/share");
    }
    return QDir::cleanPath(dataHome + QStringLiteral("/zelvora/Marcadors.ini"));
}

std::vector<qint64> BookmarkFile::bookmarksOf(const QString &bookPath) const {
    const std::optional<QByteArray> file = m_file.read();
    if (!file || bookPath.isEmpty()) {
        return {};
    }
    return bookmarksIn(*file, bookPath.toUtf8());
}

BookmarkFile::Toggled BookmarkFile::toggle(const QString &bookPath, qint64 offset) {
    if (bookPath.isEmpty() || offset < 0) {
        return {Change::Failed, 0};
    }
    const QByteArray key = bookPath.toUtf8();
    Toggled toggled{Change::Failed, 0};
    const bool written = m_file.update(
        [&](const QByteArray &current) { return withToggled(current, key, offset, toggled); });
    if (!written && toggled.change != Change::Full) {
        return {Change::Failed, 0};
    }
    return toggled;
}
