#include "NarratedEpub.h"

#include "BookMaker.h"
#include "WavWriter.h"

#include <QFile>
#include <QTemporaryDir>

#include <vector>

namespace {

QByteArray seconds(qint64 ms) {
    return QByteArray::number(double(ms) / 1000.0, 'f', 3) + 's';
}

// The chapter's recording, its phrases' clips one after another from phrase
// number `first` on.
QByteArray recording(const NarratedEpub::Chapter &chapter, int first) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("c.wav"));
    upctv::WavWriter wav;
    bool ok = dir.isValid() && wav.open(path.toStdString(), DaisyMaker::Rate);
    for (int p = 0; ok && p < chapter.phrases.size(); ++p) {
        std::vector<int16_t> samples(
            size_t(std::max(0, chapter.phrases[p].clipMs) * (DaisyMaker::Rate / 1000)));
        for (size_t i = 0; i < samples.size(); ++i) {
            samples[i] = DaisyMaker::sampleOf(first + p, int(i));
        }
        ok = wav.append(samples.data(), samples.size());
    }
    wav.close();
    QFile file(path);
    return ok && file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

namespace NarratedEpub {

bool make(const QString &path, const Book &book) {
    QByteArray manifest, spine;
    BookMaker::Entries files;
    int number = 0;
    for (int c = 0; c < book.chapters.size(); ++c) {
        const Chapter &chapter = book.chapters[c];
        const QByteArray name = 'c' + QByteArray::number(c);
        QByteArray body = "<h1>" + chapter.heading + "</h1>";
        QByteArray pars;
        qint64 at = 0;
        for (int p = 0; p < chapter.phrases.size(); ++p) {
            const QByteArray id = 'p' + QByteArray::number(number + p);
            body += "<p id=\"" + id + "\">" + chapter.phrases[p].text + "</p>";
            const qint64 end = at + chapter.phrases[p].clipMs;
            pars += "<par><text src=\"" + name + ".xhtml#" + id + "\"/><audio src=\"" + name +
                    ".wav\" clipBegin=\"" + seconds(at) + "\" clipEnd=\"" + seconds(end) +
                    "\"/></par>";
            at = end;
        }
        files.append({"OEBPS/" + name + ".xhtml", BookMaker::xhtml(body)});
        manifest += "<item id=\"" + name + "\" href=\"" + name +
                    ".xhtml\" media-type=\"application/xhtml+xml\"" +
                    (chapter.narrated ? " media-overlay=\"" + name + "-mo\"" : "") + "/>";
        spine += "<itemref idref=\"" + name + "\"/>";
        if (chapter.narrated) {
            files.append({"OEBPS/" + name + ".smil",
                          "<smil xmlns=\"http://www.w3.org/ns/SMIL\" version=\"3.0\"><body><seq>" +
                              pars + "</seq></body></smil>"});
            files.append({"OEBPS/" + name + ".wav", recording(chapter, number)});
            manifest += "<item id=\"" + name + "-mo\" href=\"" + name +
                        ".smil\" media-type=\"application/smil+xml\"/><item id=\"" + name +
                        "-audio\" href=\"" + name + ".wav\" media-type=\"" + book.audioType +
                        "\"/>";
        }
        number += int(chapter.phrases.size());
    }
    const QByteArray duration =
        book.duration.isEmpty() ? QByteArray()
                                : "<meta property=\"media:duration\">" + book.duration + "</meta>";
    BookMaker::Entries entries{
        {"mimetype", "application/epub+zip"},
        {"META-INF/container.xml",
         "<?xml version=\"1.0\"?><container version=\"1.0\" "
         "xmlns=\"urn:oasis:names:tc:opendocument:xmlns:container\"><rootfiles><rootfile "
         "full-path=\"OEBPS/content.opf\" media-type=\"application/oebps-package+xml\"/>"
         "</rootfiles></container>"},
        {"OEBPS/content.opf",
         "<?xml version=\"1.0\"?><package xmlns=\"http://www.idpf.org/2007/opf\" version=\"3.0\">"
         "<metadata xmlns:dc=\"http://purl.org/dc/elements/1.1/\"><dc:title>" +
             book.title + "</dc:title><dc:language>ca</dc:language>" + duration +
             "</metadata><manifest>" + manifest + "</manifest><spine>" + spine +
             "</spine></package>"}};
    entries += files;
    return BookMaker::writeZip(path, entries);
}

} // namespace NarratedEpub
