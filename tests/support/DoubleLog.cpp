#include "DoubleLog.h"

#include <QFile>
#include <QTest>

#include <utility>

namespace {

const QByteArray NoTextMark = "*";
const QByteArray NullTextMark = "!";

// The double writes upper-case hexadecimal digits only.
int hexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    return (c >= 'A' && c <= 'F') ? c - 'A' + 10 : -1;
}

bool decodeText(const QByteArray &field, DoubleCall &call) {
    if (field == NoTextMark) {
        return true;
    }
    call.hasText = true;
    if (field == NullTextMark) {
        call.nullText = true;
        return true;
    }
    for (qsizetype i = 0; i < field.size(); ++i) {
        if (field[i] != '%') {
            call.text += field[i];
            continue;
        }
        const int high = i + 2 < field.size() ? hexDigit(field[i + 1]) : -1;
        const int low = i + 2 < field.size() ? hexDigit(field[i + 2]) : -1;
        if (high < 0 || low < 0) {
            return false;
        }
        call.text += static_cast<char>(high * 16 + low);
        i += 2;
    }
    return true;
}

} // namespace

QString DoubleCall::step() const {
    if (hasText) {
        return name + u' ' + (nullText ? QStringLiteral("(null)") : QString::fromLatin1(text));
    }
    const bool takesValue = name == u"upcTVStatus" || name == u"upcTVSetSpeed" ||
                            name == u"upcTVSetLanguage" || name == u"upcTVSetSpeaker";
    return takesValue ? name + u' ' + QString::number(value) : name;
}

DoubleLog::DoubleLog(QString path) : m_path(std::move(path)) {}

QString DoubleLog::path() const {
    return m_path;
}

DoubleCall DoubleLog::parseLine(const QByteArray &line, bool *ok) {
    DoubleCall call;
    const QList<QByteArray> fields = line.split(' ');
    bool good = fields.size() == 6;
    if (good) {
        bool msOk = false, pidOk = false, valueOk = false, resultOk = false;
        call.ms = fields[0].toLongLong(&msOk);
        call.pid = fields[1].toLongLong(&pidOk);
        call.name = QString::fromLatin1(fields[2]);
        call.value = fields[3].toInt(&valueOk);
        call.result = fields[5].toInt(&resultOk);
        good = msOk && pidOk && valueOk && resultOk && !call.name.isEmpty() &&
               decodeText(fields[4], call);
    }
    *ok = good;
    return call;
}

QList<DoubleCall> DoubleLog::calls() const {
    QList<DoubleCall> result;
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly)) {
        return result;
    }
    const QByteArray content = file.readAll();
    // A line still being written (no line feed yet) is left for the next read.
    const QList<QByteArray> lines = content.left(content.lastIndexOf('\n') + 1).split('\n');
    for (const QByteArray &line : lines) {
        if (line.isEmpty()) {
            continue;
        }
        bool ok = false;
        result.append(parseLine(line, &ok));
        if (!ok) {
            QTest::qFail(("malformed line in the speech double's log: " + line).constData(),
                         __FILE__, __LINE__);
        }
    }
    return result;
}

QStringList DoubleLog::steps(Status status) const {
    QStringList result;
    for (const DoubleCall &call : calls()) {
        if (status == Status::Keep || call.name != u"upcTVStatus") {
            result.append(call.step());
        }
    }
    return result;
}

QStringList DoubleLog::names(Status status) const {
    QStringList result;
    for (const DoubleCall &call : calls()) {
        if (status == Status::Keep || call.name != u"upcTVStatus") {
            result.append(call.name);
        }
    }
    return result;
}

QList<QByteArray> DoubleLog::textsRead() const {
    QList<QByteArray> result;
    for (const DoubleCall &call : calls()) {
        if (call.name == u"upcTVRead") {
            result.append(call.text);
        }
    }
    return result;
}

int DoubleLog::count(const QString &name) const {
    int result = 0;
    for (const DoubleCall &call : calls()) {
        result += call.name == name ? 1 : 0;
    }
    return result;
}

void DoubleLog::clear() const {
    QFile file(m_path);
    if (file.exists() && !file.resize(0)) {
        QTest::qFail("cannot empty the speech double's log", __FILE__, __LINE__);
    }
}

bool DoubleLog::waitUntil(const std::function<bool(const QList<DoubleCall> &)> &holds,
                          int timeoutMs) const {
    return QTest::qWaitFor([&] { return holds(calls()); }, timeoutMs);
}

bool DoubleLog::waitForCall(const QString &name, int times, int timeoutMs) const {
    return waitUntil(
        [&](const QList<DoubleCall> &all) {
            int seen = 0;
            for (const DoubleCall &call : all) {
                seen += call.name == name ? 1 : 0;
            }
            return seen >= times;
        },
        timeoutMs);
}

QString DoubleLog::dump() const {
    QString result;
    for (const DoubleCall &call : calls()) {
        result += QString::number(call.ms) + u' ' + call.step() + QStringLiteral(" -> ") +
                  QString::number(call.result) + u'\n';
    }
    return result;
}
