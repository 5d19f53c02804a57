#include "DaisyMaker.h"

#include "BookMaker.h"
#include "WavWriter.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QStringEncoder>

#include <vector>

namespace {

using DaisyMaker::Book;
using DaisyMaker::Format;
using DaisyMaker::Media;

// One phrase of the book with what every file needs to know of it.
struct Placed {
    int number = 0;  // through the book
    int chapter = 0; // 0-based
    int depth = 0;   // the heading's nesting depth for a chapter's first phrase, else 0
    DaisyMaker::Phrase phrase;
    qint64 beginMs = 0; // in the chapter's WAV
};

QByteArray escaped(const QByteArray &text) {
    return QString::fromUtf8(text).toHtmlEscaped().toUtf8();
}

QByteArray num(qint64 n) {
    return QByteArray::number(n);
}

QByteArray seconds(qint64 ms) {
    return QByteArray::number(double(ms) / 1000, 'f', 3) + 's';
}

QByteArray clock(qint64 ms) {
    return QStringLiteral("%1:%2:%3.%4")
        .arg(ms / 3600000)
        .arg(ms / 60000 % 60, 2, 10, QLatin1Char('0'))
        .arg(ms / 1000 % 60, 2, 10, QLatin1Char('0'))
        .arg(ms % 1000, 3, 10, QLatin1Char('0'))
        .toUtf8();
}

bool hasAudio(const Book &book) {
    return book.media != Media::Text;
}

bool hasText(const Book &book) {
    return book.media != Media::Audio;
}

// Nesting depths follow the levels, but never more than one deeper than the
// heading before, as an NCX and a DTBook must nest.
std::vector<Placed> place(const Book &book, qint64 &totalMs) {
    std::vector<Placed> placed;
    int depth = 0;
    totalMs = 0;
    for (int c = 0; c < book.chapters.size(); ++c) {
        depth = std::clamp(book.chapters[c].level, 1, depth + 1);
        qint64 at = 0;
        for (int j = 0; j < book.chapters[c].phrases.size(); ++j) {
            const DaisyMaker::Phrase &phrase = book.chapters[c].phrases[j];
            placed.push_back({int(placed.size()), c, j == 0 ? depth : 0, phrase, at});
            at += std::max(0, phrase.clipMs);
        }
        totalMs += at;
    }
    return placed;
}

// DAISY 2.02 writes clips as "npt=" seconds, DAISY 3 as clock values; an end
// before the file's start is written as its start.
QByteArray clipOf(const Placed &p, bool daisy3) {
    const qint64 end = std::max<qint64>(0, p.beginMs + p.phrase.clipMs);
    const QByteArray times =
        daisy3 ? "\" clipBegin=\"" + clock(p.beginMs) + "\" clipEnd=\"" + clock(end)
               : "\" clip-begin=\"npt=" + seconds(p.beginMs) + "\" clip-end=\"npt=" + seconds(end);
    return "<audio src=\"" + DaisyMaker::audioName(p.chapter).toUtf8() + times + "\" id=\"a" +
           num(p.number) + "\"/>";
}

// A chapter's SMIL: a par a phrase pointing into the text; in a book of audio
// alone, a par at each heading and page pointing into the NCC (DAISY 2.02) or
// none at all (DAISY 3), holding the clips up to the next.
QByteArray smil(const Book &book, const std::vector<Placed> &placed, int chapter) {
    const bool daisy3 = book.format == Format::Daisy3;
    const QByteArray textDocument = daisy3 ? "book.xml" : "content.html";
    QByteArray body;
    bool open = false;
    qint64 ms = 0;
    for (const Placed &p : placed) {
        if (p.chapter != chapter) {
            continue;
        }
        ms += std::max(0, p.phrase.clipMs);
        const QByteArray id = num(p.number);
        if (hasText(book)) {
            body += "<par endsync=\"last\" id=\"t" + id + "\"><text src=\"" + textDocument + "#p" +
                    id + "\" id=\"x" + id + "\"/>" + (hasAudio(book) ? clipOf(p, daisy3) : "") +
                    "</par>\n";
        } else if (daisy3) {
            body += "<par id=\"t" + id + "\">" + clipOf(p, daisy3) + "</par>\n";
        } else {
            if (p.depth > 0 || !p.phrase.page.isEmpty()) {
                body += QByteArray(open ? "</seq></par>\n" : "") + "<par endsync=\"last\" id=\"t" +
                        id + "\"><text src=\"ncc.html#n" + id + "\" id=\"x" + id + "\"/><seq>";
                open = true;
            }
            body += clipOf(p, daisy3);
        }
    }
    body += open ? "</seq></par>\n" : "";
    const QByteArray head = daisy3 ? "<smil xmlns=\"http://www.w3.org/2001/SMIL20/\"><head>"
                                     "<meta name=\"dtb:uid\" content=\"zelvora-test\"/></head>"
                                   : "<smil><head><meta name=\"dc:format\" content=\"Daisy 2.02\"/>"
                                     "<layout><region id=\"txtView\"/></layout></head>";
    return "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n" + head + "<body><seq dur=\"" +
           seconds(ms) + "\">\n" + body + "</seq></body></smil>\n";
}

// The text as the book's declared or undeclared encoding writes it.
QByteArray encoded(const Book &book, const QByteArray &utf8) {
    if (book.encoding == "utf-8") {
        return utf8;
    }
    QStringEncoder encoder(book.encoding.constData());
    return encoder.encode(QString::fromUtf8(utf8));
}

QByteArray htmlStart(const Book &book) {
    if (book.encoding != "utf-8") {
        return "<html><head>";
    }
    return "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
           "<html xmlns=\"http://www.w3.org/1999/xhtml\"><head>"
           "<meta http-equiv=\"Content-type\" content=\"text/html; charset=utf-8\"/>";
}

QByteArray ncc(const Book &book, const std::vector<Placed> &placed, qint64 totalMs) {
    const QByteArray type = book.media == Media::Text    ? "textNcc"
                            : book.media == Media::Audio ? "audioNcc"
                                                         : "audioFullText";
    QByteArray html = htmlStart(book) + "<title>" + escaped(book.title) +
                      "</title><meta name=\"dc:title\" content=\"" + escaped(book.title) +
                      "\"/><meta name=\"dc:creator\" content=\"" + escaped(book.author) +
                      "\"/><meta name=\"dc:language\" content=\"" + book.language +
                      "\"/><meta name=\"dc:format\" content=\"Daisy 2.02\"/>"
                      "<meta name=\"ncc:multimediaType\" content=\"" +
                      type + "\"/>";
    if (hasAudio(book)) {
        html += "<meta name=\"ncc:totalTime\" content=\"" + clock(totalMs) + "\"/>";
    }
    html += "</head><body>\n";
    for (const Placed &p : placed) {
        const QByteArray id = num(p.number);
        const QByteArray link =
            "<a href=\"" + DaisyMaker::smilName(p.chapter).toUtf8() + "#t" + id + "\">";
        if (p.depth > 0) {
            const QByteArray h = 'h' + num(std::min(book.chapters[p.chapter].level, 6));
            html += '<' + h + " id=\"n" + id + "\">" + link + escaped(p.phrase.text) + "</a></" +
                    h + ">\n";
        }
        if (!p.phrase.page.isEmpty()) {
            html += "<span class=\"page-normal\" id=\"n" + id + (p.depth > 0 ? "p" : "") + "\">" +
                    link + escaped(p.phrase.page) + "</a></span>\n";
        }
    }
    return encoded(book, html + "</body></html>\n");
}

QByteArray content(const Book &book, const std::vector<Placed> &placed) {
    QByteArray html = htmlStart(book) + "<title>" + escaped(book.title) + "</title></head><body>\n";
    for (const Placed &p : placed) {
        const QByteArray tag =
            p.depth > 0 ? 'h' + num(std::min(book.chapters[p.chapter].level, 6)) : "p";
        if (!p.phrase.page.isEmpty()) {
            html += "<span class=\"page-normal\" id=\"pg" + num(p.number) + "\">" +
                    escaped(p.phrase.page) + "</span>\n";
        }
        html += '<' + tag + " id=\"p" + num(p.number) + "\">" + escaped(p.phrase.text) + "</" +
                tag + ">\n";
    }
    return encoded(book, html + "</body></html>\n");
}

QByteArray opf(const Book &book, qint64 totalMs) {
    const QByteArray type = book.media == Media::Text    ? "textNCX"
                            : book.media == Media::Audio ? "audioNCX"
                                                         : "audioFullText";
    QByteArray manifest =
        "<item id=\"ncx\" href=\"book.ncx\" media-type=\"application/x-dtbncx+xml\"/>";
    if (hasText(book)) {
        manifest += "<item id=\"xml\" href=\"book.xml\" media-type=\"application/x-dtbook+xml\"/>";
    }
    QByteArray spine;
    for (int c = 0; c < book.chapters.size(); ++c) {
        manifest += "<item id=\"smil" + num(c) + "\" href=\"" + DaisyMaker::smilName(c).toUtf8() +
                    "\" media-type=\"application/smil\"/>";
        if (hasAudio(book)) {
            manifest += "<item id=\"aud" + num(c) + "\" href=\"" +
                        DaisyMaker::audioName(c).toUtf8() + "\" media-type=\"audio/x-wav\"/>";
        }
        spine += "<itemref idref=\"smil" + num(c) + "\"/>";
    }
    return "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
           "<package xmlns=\"http://openebook.org/namespaces/oeb-package/1.0/\" "
           "unique-identifier=\"uid\"><metadata><dc-metadata "
           "xmlns:dc=\"http://purl.org/dc/elements/1.1/\"><dc:Title>" +
           escaped(book.title) + "</dc:Title><dc:Creator>" + escaped(book.author) +
           "</dc:Creator><dc:Language>" + book.language +
           "</dc:Language><dc:Format>ANSI/NISO Z39.86-2005</dc:Format>"
           "<dc:Identifier id=\"uid\">zelvora-test</dc:Identifier></dc-metadata><x-metadata>"
           "<meta name=\"dtb:multimediaType\" content=\"" +
           type + "\"/><meta name=\"dtb:totalTime\" content=\"" + clock(totalMs) +
           "\"/></x-metadata></metadata><manifest>" + manifest + "</manifest><spine>" + spine +
           "</spine></package>\n";
}

// Closes the open elements (`open` deep) at or below `depth`, where a heading
// at `depth` opens its own.
QByteArray nestTo(int depth, int &open, const QByteArray &close) {
    QByteArray markup;
    for (; open >= depth; --open) {
        markup += close;
    }
    open = depth;
    return markup;
}

QByteArray ncx(const Book &book, const std::vector<Placed> &placed) {
    QByteArray navMap;
    QByteArray pageList;
    int open = 0;
    for (const Placed &p : placed) {
        const QByteArray target = "<content src=\"" + DaisyMaker::smilName(p.chapter).toUtf8() +
                                  "#t" + num(p.number) + "\"/>";
        if (p.depth > 0) {
            navMap += nestTo(p.depth, open, "</navPoint>") + "<navPoint id=\"nav" + num(p.number) +
                      "\" playOrder=\"" + num(p.number + 1) + "\"><navLabel><text>" +
                      escaped(p.phrase.text) + "</text></navLabel>" + target;
        }
        if (!p.phrase.page.isEmpty()) {
            pageList += "<pageTarget id=\"pg" + num(p.number) + "\" type=\"normal\" value=\"" +
                        escaped(p.phrase.page) + "\"><navLabel><text>" + escaped(p.phrase.page) +
                        "</text></navLabel>" + target + "</pageTarget>";
        }
    }
    navMap += nestTo(1, open, "</navPoint>");
    return "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
           "<ncx xmlns=\"http://www.daisy.org/z3986/2005/ncx/\" version=\"2005-1\"><head>"
           "<meta name=\"dtb:uid\" content=\"zelvora-test\"/></head><docTitle><text>" +
           escaped(book.title) + "</text></docTitle><navMap>" + navMap + "</navMap>" +
           (pageList.isEmpty() ? QByteArray() : "<pageList>" + pageList + "</pageList>") +
           "</ncx>\n";
}

QByteArray dtbook(const Book &book, const std::vector<Placed> &placed) {
    QByteArray body;
    int open = 0;
    for (const Placed &p : placed) {
        const QByteArray id = num(p.number);
        if (p.depth > 0) {
            for (; open >= p.depth; --open) {
                body += "</level" + num(open) + '>';
            }
            open = p.depth;
            body += "<level" + num(open) + "><h" + num(open) + " id=\"p" + id + "\">" +
                    escaped(p.phrase.text) + "</h" + num(open) + ">\n";
            continue;
        }
        if (!p.phrase.page.isEmpty()) {
            body += "<pagenum id=\"pg" + id + "\" page=\"normal\">" + escaped(p.phrase.page) +
                    "</pagenum>";
        }
        body += "<p id=\"p" + id + "\">" + escaped(p.phrase.text) + "</p>\n";
    }
    for (; open >= 1; --open) {
        body += "</level" + num(open) + '>';
    }
    return "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
           "<dtbook xmlns=\"http://www.daisy.org/z3986/2005/dtbook/\" version=\"2005-3\" "
           "xml:lang=\"" +
           book.language + "\"><head><meta name=\"dc:Title\" content=\"" + escaped(book.title) +
           "\"/></head><book><bodymatter>\n" + body + "</bodymatter></book></dtbook>\n";
}

BookMaker::Entries daisy3Files(const Book &book, const std::vector<Placed> &placed,
                               qint64 totalMs) {
    BookMaker::Entries files{{"book.opf", opf(book, totalMs)}, {"book.ncx", ncx(book, placed)}};
    if (hasText(book)) {
        files.append({"book.xml", dtbook(book, placed)});
    }
    for (auto &file : files) {
        if (book.encoding != "utf-8") {
            file.second = encoded(book, file.second.replace(" encoding=\"utf-8\"", ""));
        }
    }
    return files;
}

} // namespace

namespace DaisyMaker {

QString smilName(int chapter) {
    return QStringLiteral("c%1.smil").arg(chapter + 1);
}

QString audioName(int chapter) {
    return QStringLiteral("c%1.wav").arg(chapter + 1);
}

int16_t sampleOf(int phrase, int i) {
    return int16_t(500 * (phrase + 1) + i % 250);
}

int phraseOf(int16_t sample) {
    const int phrase = sample / 500 - 1;
    return phrase >= 0 && phrase < MaxAudioPhrases ? phrase : -1;
}

QString make(const QString &folder, const QString &name, const Book &book) {
    qint64 totalMs = 0;
    const std::vector<Placed> placed = place(book, totalMs);
    if (hasAudio(book) && placed.size() > size_t(MaxAudioPhrases)) {
        return QString();
    }
    const QString dir = folder + u'/' + name;
    QDir(dir).removeRecursively();
    if (!QDir().mkpath(dir)) {
        return QString();
    }
    BookMaker::Entries files = book.format == Format::Daisy3
                                   ? daisy3Files(book, placed, totalMs)
                                   : BookMaker::Entries{{"ncc.html", ncc(book, placed, totalMs)}};
    if (book.format == Format::Daisy202 && hasText(book)) {
        files.append({"content.html", content(book, placed)});
    }
    for (int c = 0; c < book.chapters.size(); ++c) {
        files.append({smilName(c).toUtf8(), smil(book, placed, c)});
    }
    bool ok = true;
    for (const auto &[file, bytes] : std::as_const(files)) {
        ok = ok && BookMaker::writeFile(dir + u'/' + QString::fromUtf8(file), bytes);
    }
    for (int c = 0; hasAudio(book) && c < book.chapters.size(); ++c) {
        upctv::WavWriter wav;
        ok = ok && wav.open((dir + u'/' + audioName(c)).toStdString(), Rate);
        for (const Placed &p : placed) {
            std::vector<int16_t> samples(size_t(std::max(0, p.phrase.clipMs) * (Rate / 1000)));
            for (size_t i = 0; p.chapter == c && i < samples.size(); ++i) {
                samples[i] = sampleOf(p.number, int(i));
            }
            ok = ok && (p.chapter != c || wav.append(samples.data(), samples.size()));
        }
    }
    const QString package =
        book.format == Format::Daisy3 ? QStringLiteral("book.opf") : QStringLiteral("ncc.html");
    if (!ok || !book.zipped) {
        return ok ? dir + u'/' + package : QString();
    }
    BookMaker::Entries entries;
    for (QDirIterator it(dir, QDir::Files); it.hasNext();) {
        QFile file(it.next());
        ok = ok && file.open(QIODevice::ReadOnly);
        entries.append({(name + u'/' + it.fileName()).toUtf8(), file.readAll()});
    }
    QDir(dir).removeRecursively();
    return ok && BookMaker::writeZip(dir + QStringLiteral(".zip"), entries)
               ? dir + QStringLiteral(".zip")
               : QString();
}

} // namespace DaisyMaker
