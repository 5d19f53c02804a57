#include "BookMaker.h"

#include "PdfBook.h"

#include <QFile>

#include <zip.h>

namespace {

QByteArray pdfString(const QByteArray &utf8) {
    QByteArray escaped;
    for (const char c : QString::fromUtf8(utf8).toLatin1()) {
        if (c == '(' || c == ')' || c == '\\') {
            escaped.append('\\');
        }
        escaped.append(c);
    }
    return '(' + escaped + ')';
}

QByteArray pageContent(const QList<QByteArray> &lines) {
    if (lines.isEmpty()) {
        return "72 72 m 300 300 l S\n";
    }
    QByteArray content = "BT /F1 11 Tf 14 TL 72 740 Td\n";
    for (const QByteArray &line : lines) {
        content += line.isEmpty() ? QByteArray("T*\n") : pdfString(line) + " Tj T*\n";
    }
    return content + "ET\n";
}

} // namespace

namespace BookMaker {

bool writeFile(const QString &path, const QByteArray &bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size();
}

bool writeZip(const QString &path, const Entries &entries) {
    QFile::remove(path);
    int error = 0;
    zip_t *archive = zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_EXCL, &error);
    if (archive == nullptr) {
        return false;
    }
    bool ok = true;
    for (const auto &[name, bytes] : entries) {
        // libzip reads the buffer at close, so it gets a copy of its own.
        void *copy = ::malloc(size_t(std::max<qsizetype>(1, bytes.size())));
        ::memcpy(copy, bytes.constData(), size_t(bytes.size()));
        zip_source_t *source = zip_source_buffer(archive, copy, zip_uint64_t(bytes.size()), 1);
        const zip_int64_t index =
            source != nullptr ? zip_file_add(archive, name.constData(), source, ZIP_FL_ENC_UTF_8)
                              : -1;
        if (index < 0) {
            zip_source_free(source);
            ok = false;
            continue;
        }
        zip_set_file_compression(archive, zip_uint64_t(index),
                                 name == "mimetype" ? ZIP_CM_STORE : ZIP_CM_DEFLATE, 0);
    }
    return zip_close(archive) == 0 && ok;
}

QByteArray blocks(const QList<QByteArray> &lines) {
    QByteArray text;
    for (const QByteArray &line : lines) {
        text += line + "\r\n";
    }
    text.chop(2);
    return text;
}

QByteArray xhtml(const QByteArray &body) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<html xmlns=\"http://www.w3.org/1999/xhtml\" "
           "xmlns:epub=\"http://www.idpf.org/2007/ops\"><head><title>Capítol</title>"
           "<style>p { margin: 0 }</style></head><body>" +
           body + "</body></html>";
}

Entries epubEntries(const QList<QByteArray> &bodies, const QList<int> &nonLinear) {
    Entries entries{
        {"mimetype", "application/epub+zip"},
        {"META-INF/container.xml",
         "<?xml version=\"1.0\"?><container version=\"1.0\" "
         "xmlns=\"urn:oasis:names:tc:opendocument:xmlns:container\"><rootfiles>"
         "<rootfile full-path=\"OEBPS/content.opf\" media-type=\"application/oebps-package+xml\"/>"
         "</rootfiles></container>"},
        {"OEBPS/nav.xhtml", xhtml("<nav epub:type=\"toc\"><ol><li>Índex</li></ol></nav>"
                                  "<p>Taula de continguts.</p>")},
    };
    QByteArray manifest =
        "<item id=\"nav\" href=\"nav.xhtml\" media-type=\"application/xhtml+xml\" "
        "properties=\"nav\"/>";
    QByteArray spine = "<itemref idref=\"nav\"/>";
    for (qsizetype i = 0; i < bodies.size(); ++i) {
        const QByteArray id = "c" + QByteArray::number(i);
        entries.append({"OEBPS/text/" + id + ".xhtml", xhtml(bodies[i])});
        manifest += "<item id=\"" + id + "\" href=\"text/" + id +
                    ".xhtml\" media-type=\"application/xhtml+xml\"/>";
        spine += "<itemref idref=\"" + id + "\"" +
                 (nonLinear.contains(int(i)) ? QByteArray(" linear=\"no\"") : QByteArray()) + "/>";
    }
    entries.append({"OEBPS/content.opf",
                    "<?xml version=\"1.0\"?><package xmlns=\"http://www.idpf.org/2007/opf\" "
                    "version=\"3.0\"><metadata/><manifest>" +
                        manifest + "</manifest><spine>" + spine + "</spine></package>"});
    return entries;
}

Entries epub2Entries(const Entries &documents, const QByteArray &mediaType, const QByteArray &ncx,
                     const QByteArray &packageName) {
    Entries entries{
        {"mimetype", "application/epub+zip"},
        {"META-INF/container.xml",
         "<?xml version=\"1.0\"?><container version=\"1.0\" "
         "xmlns=\"urn:oasis:names:tc:opendocument:xmlns:container\"><rootfiles><rootfile "
         "full-path=\"" +
             packageName +
             "\" media-type=\"application/oebps-package+xml\"/></rootfiles></container>"},
        {"OEBPS/toc.ncx", ncx},
    };
    QByteArray manifest =
        "<item id=\"ncx\" href=\"toc.ncx\" media-type=\"application/x-dtbncx+xml\"/>";
    QByteArray spine;
    for (qsizetype i = 0; i < documents.size(); ++i) {
        const QByteArray id = "d" + QByteArray::number(i);
        entries.append({"OEBPS/" + documents[i].first, documents[i].second});
        manifest += "<item id=\"" + id + "\" href=\"" + documents[i].first + "\" media-type=\"" +
                    mediaType + "\"/>";
        spine += "<itemref idref=\"" + id + "\"/>";
    }
    entries.append({"OEBPS/content.opf",
                    "<?xml version=\"1.0\"?><package xmlns=\"http://www.idpf.org/2007/opf\" "
                    "version=\"2.0\"><metadata xmlns:dc=\"http://purl.org/dc/elements/1.1/\">"
                    "<dc:title>Llibre</dc:title></metadata><manifest>" +
                        manifest + "</manifest><spine toc=\"ncx\">" + spine +
                        "</spine></package>"});
    return entries;
}

Entries docxEntries(const QByteArray &body) {
    return {{"[Content_Types].xml", "<?xml version=\"1.0\"?><Types/>"},
            {"word/document.xml",
             "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>"
             "<w:document xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\" "
             "xmlns:mc=\"http://schemas.openxmlformats.org/markup-compatibility/2006\">"
             "<w:body>" +
                 body + "</w:body></w:document>"}};
}

Entries odtEntries(const QByteArray &text) {
    return {{"mimetype", "application/vnd.oasis.opendocument.text"},
            {"content.xml", "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
                            "<office:document-content "
                            "xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
                            "xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\">"
                            "<office:body><office:text>" +
                                text + "</office:text></office:body></office:document-content>"}};
}

QByteArray pdf(const QList<QList<QByteArray>> &pages) {
    QList<QByteArray> objects{"<< /Type /Catalog /Pages 2 0 R >>", QByteArray(),
                              "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica "
                              "/Encoding /WinAnsiEncoding >>"};
    QByteArray kids;
    for (const QList<QByteArray> &page : pages) {
        const QByteArray content = pageContent(page);
        const qsizetype pageObject = objects.size() + 1;
        kids += QByteArray::number(pageObject) + " 0 R ";
        objects.append("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Resources "
                       "<< /Font << /F1 3 0 R >> >> /Contents " +
                       QByteArray::number(pageObject + 1) + " 0 R >>");
        objects.append("<< /Length " + QByteArray::number(content.size()) + " >>\nstream\n" +
                       content + "endstream");
    }
    objects[1] =
        "<< /Type /Pages /Kids [" + kids + "] /Count " + QByteArray::number(pages.size()) + " >>";
    return PdfBook::document(objects);
}

} // namespace BookMaker
