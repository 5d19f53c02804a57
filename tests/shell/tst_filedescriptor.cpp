// The owning file descriptor and the write-everything helper.
#include "FileDescriptor.h"

#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <unistd.h>

class TestFileDescriptor : public QObject {
    Q_OBJECT
private slots:
    void writeAllWritesEveryByte_data();
    void writeAllWritesEveryByte();
    void ownershipFollowsTheObject();
};

void TestFileDescriptor::writeAllWritesEveryByte_data() {
    QTest::addColumn<qsizetype>("size");
    QTest::addColumn<bool>("readOnly");
    QTest::addColumn<bool>("written");
    QTest::newRow("nothing") << qsizetype(0) << false << true;
    QTest::newRow("one byte") << qsizetype(1) << false << true;
    QTest::newRow("more than a pipe holds") << qsizetype(3 * 65536 + 7) << false << true;
    QTest::newRow("a descriptor open for reading") << qsizetype(10) << true << false;
}

void TestFileDescriptor::writeAllWritesEveryByte() {
    QFETCH(qsizetype, size);
    QFETCH(bool, readOnly);
    QFETCH(bool, written);
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    const QByteArray path = QFile::encodeName(folder.filePath(QStringLiteral("f")));
    QByteArray bytes(size, Qt::Uninitialized);
    for (qsizetype i = 0; i < size; ++i) {
        bytes[i] = char('a' + i % 26);
    }
    {
        FileDescriptor file(::open(path.constData(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600));
        QVERIFY(file.isOpen());
    }
    FileDescriptor file(::open(path.constData(), (readOnly ? O_RDONLY : O_WRONLY) | O_CLOEXEC));
    QVERIFY(file.isOpen());
    QCOMPARE(writeAll(file.get(), bytes), written);
    QVERIFY(file.close());
    QFile back(QFile::decodeName(path));
    QVERIFY(back.open(QIODevice::ReadOnly));
    QCOMPARE(back.readAll(), written ? bytes : QByteArray());
}

// Closed once, by whoever owns it last; close() says whether it closed anything.
void TestFileDescriptor::ownershipFollowsTheObject() {
    int fds[2] = {-1, -1};
    QCOMPARE(::pipe2(fds, O_CLOEXEC), 0);
    const int readEnd = fds[0];
    FileDescriptor writer(fds[1]);
    {
        FileDescriptor reader(readEnd);
        FileDescriptor moved(std::move(reader));
        QVERIFY(!reader.isOpen());
        QCOMPARE(moved.get(), readEnd);
        QVERIFY(::fcntl(readEnd, F_GETFD) >= 0);
    }
    QCOMPARE(::fcntl(readEnd, F_GETFD), -1); // the last owner closed it
    FileDescriptor other;
    other = std::move(writer);
    QVERIFY(!writer.isOpen());
    QVERIFY(other.close());
    QVERIFY(!other.close());
    QVERIFY(!other.isOpen());
}

QTEST_GUILESS_MAIN(TestFileDescriptor)
#include "tst_filedescriptor.moc"
