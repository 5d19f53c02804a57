#pragma once

#include <QString>
#include <QStringView>
#include <QXmlStreamEntityResolver>

// Named entities of HTML (&nbsp;, &eacute;) that XML documents of books made by
// hand or by converters use without declaring them: the characters they stand
// for, from libxml2's table of HTML 4's entities. Given to a QXmlStreamReader as
// its entity resolver, so that such a document is read instead of refused; an
// unknown name stands for nothing. Nothing is ever fetched.
class HtmlEntities : public QXmlStreamEntityResolver {
public:
    QString resolveUndeclaredEntity(const QString &name) override { return characterOf(name); }

    // The character `name` stands for, or an empty string.
    static QString characterOf(QStringView name);
};
