#include "SmilReader.h"

#include "DaisyPackage.h"
#include "DaisySource.h"

#include <QBuffer>
#include <QXmlStreamReader>

using namespace Qt::StringLiterals;

namespace {

constexpr qsizetype MaxIdsPerPhrase = 64;

QString resolvedWithFragment(const QString &from, const QString &src) {
    const qsizetype hash = src.indexOf(u'#');
    const QString file = DaisySource::resolve(from, src);
    return hash >= 0 ? file + src.mid(hash) : file;
}

qint64 clockAttribute(const QXmlStreamAttributes &attributes, const QString &name2,
                      const QString &name3, qint64 fallback) {
    QStringView value = attributes.value(name2);
    if (value.isEmpty()) {
        value = attributes.value(name3);
    }
    if (value.isEmpty()) {
        return fallback;
    }
    const qint64 ms = DaisyPackages::clockValueMs(value);
    return ms >= 0 ? ms : -2; // -2: a value that is no time; the clip is left out
}

class PhraseStream {
public:
    PhraseStream(const QString &smilName, const std::function<bool(const SmilPhrase &)> &sink)
        : m_name(smilName), m_emit(sink) {}

    bool element(QXmlStreamReader &xml);
    bool endElement(QStringView name);
    bool flush();

private:
    void addId(const QXmlStreamAttributes &attributes) {
        const QString id = attributes.value(u"id"_s).toString();
        if (!id.isEmpty() && m_phrase.ids.size() < MaxIdsPerPhrase) {
            m_phrase.ids.append(id);
        }
    }

    QString m_name;
    const std::function<bool(const SmilPhrase &)> &m_emit;
    SmilPhrase m_phrase;
    int m_parDepth = 0;
    bool m_hasContent = false;
};

bool PhraseStream::element(QXmlStreamReader &xml) {
    const QStringView name = xml.name();
    const QXmlStreamAttributes attributes = xml.attributes();
    if (name == u"par") {
        if (m_parDepth++ == 0 && m_hasContent && !flush()) {
            return false;
        }
    } else if (name == u"text" || name == u"audio") {
        // Outside a par, each clip or text is a phrase of its own.
        if (m_parDepth == 0 && m_hasContent && !flush()) {
            return false;
        }
        const QString src = attributes.value(u"src"_s).toString();
        if (name == u"text" && m_phrase.text.isEmpty() && !src.isEmpty()) {
            m_phrase.text = resolvedWithFragment(m_name, src);
        } else if (name == u"audio" && !src.isEmpty()) {
            const qint64 begin = clockAttribute(attributes, u"clip-begin"_s, u"clipBegin"_s, 0);
            const qint64 end = clockAttribute(attributes, u"clip-end"_s, u"clipEnd"_s, -1);
            if (begin >= 0 && end != -2) {
                m_phrase.clips.push_back({DaisySource::resolve(m_name, src), begin, end});
            }
        }
        m_hasContent = true;
    }
    addId(attributes);
    return true;
}

bool PhraseStream::endElement(QStringView name) {
    if (name == u"par" && m_parDepth > 0 && --m_parDepth == 0) {
        return flush();
    }
    return true;
}

bool PhraseStream::flush() {
    if (!m_hasContent) {
        return true;
    }
    const bool more = m_emit(m_phrase);
    m_phrase = SmilPhrase();
    m_hasContent = false;
    return more;
}

} // namespace

namespace SmilReader {

bool read(const QByteArray &smil, const QString &smilName,
          const std::function<bool(const SmilPhrase &)> &phrase) {
    // Read through a device, the XML reader decodes a few kilobytes at a time
    // instead of a copy of the whole file.
    QBuffer buffer;
    buffer.setData(smil);
    buffer.open(QIODevice::ReadOnly);
    QXmlStreamReader xml(&buffer);
    PhraseStream stream(smilName, phrase);
    bool any = false;
    while (!xml.atEnd()) {
        const QXmlStreamReader::TokenType token = xml.readNext();
        if (token == QXmlStreamReader::StartElement) {
            any = true;
            if (!stream.element(xml)) {
                return true;
            }
        } else if (token == QXmlStreamReader::EndElement && !stream.endElement(xml.name())) {
            return true;
        }
    }
    stream.flush();
    return any;
}

} // namespace SmilReader
