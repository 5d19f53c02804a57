// The chooser's path rules without any window: the folder list's lines and the
// path each stands for, file names, book names, masks, hidden names, the volume of
// a folder, type-ahead and the spoken volume name.
#include "PathRules.h"

#include <QTest>

using namespace Qt::StringLiterals;

class TestPathRules : public QObject {
    Q_OBJECT
private slots:
    void linesOfAFolder_data();
    void linesOfAFolder();
    void linePath_data();
    void linePath();
    void joinPathPutsExactlyOneSlash_data();
    void joinPathPutsExactlyOneSlash();
    void bookName_data();
    void bookName();
    void hiddenNames_data();
    void hiddenNames();
    void maskMatching_data();
    void maskMatching();
    void volumeOfFolder_data();
    void volumeOfFolder();
    void typeAhead_data();
    void typeAhead();
    void spokenDrive_data();
    void spokenDrive();
};

void TestPathRules::linesOfAFolder_data() {
    QTest::addColumn<QString>("directory");
    QTest::addColumn<QStringList>("subfolders");
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<int>("current");

    QTest::newRow("root") << "/" << QStringList{u"bin"_s, u"home"_s}
                          << QStringList{u"/"_s, u"bin"_s, u"home"_s} << 0;
    QTest::newRow("root without subfolders") << "/" << QStringList{} << QStringList{u"/"_s} << 0;
    QTest::newRow("three levels down")
        << "/home/anna/Llibres" << QStringList{u"Novel.la"_s, u"poesia"_s}
        << QStringList{u"/"_s, u"home"_s, u"anna"_s, u"Llibres"_s, u"Novel.la"_s, u"poesia"_s} << 3;
    QTest::newRow("names with blanks") << "/a b/c d" << QStringList{u"e f"_s}
                                       << QStringList{u"/"_s, u"a b"_s, u"c d"_s, u"e f"_s} << 2;
}

void TestPathRules::linesOfAFolder() {
    QFETCH(QString, directory);
    QFETCH(QStringList, subfolders);
    QFETCH(QStringList, lines);
    QFETCH(int, current);
    QCOMPARE(PathRules::lineTexts(directory, subfolders), lines);
    QCOMPARE(PathRules::currentLine(directory), current);
}

void TestPathRules::linePath_data() {
    QTest::addColumn<QString>("directory");
    QTest::addColumn<QStringList>("subfolders");
    QTest::addColumn<int>("line");
    QTest::addColumn<QString>("path");

    const QStringList subs{u"Novel.la"_s, u"poesia"_s};
    const QString deep = QStringLiteral("/home/anna/Llibres");
    QTest::newRow("root line of the root") << "/" << QStringList{u"bin"_s} << 0 << "/";
    QTest::newRow("subfolder of the root") << "/" << QStringList{u"bin"_s} << 1 << "/bin";
    QTest::newRow("past the last line of the root") << "/" << QStringList{u"bin"_s} << 2 << "";
    QTest::newRow("root line three down") << deep << subs << 0 << "/";
    QTest::newRow("first level") << deep << subs << 1 << "/home";
    QTest::newRow("second level, no trailing slash") << deep << subs << 2 << "/home/anna";
    QTest::newRow("current line") << deep << subs << 3 << deep;
    QTest::newRow("first subfolder") << deep << subs << 4 << "/home/anna/Llibres/Novel.la";
    QTest::newRow("last subfolder") << deep << subs << 5 << "/home/anna/Llibres/poesia";
    QTest::newRow("one past the last line") << deep << subs << 6 << "";
    QTest::newRow("far past the last line") << deep << subs << 600 << "";
    QTest::newRow("no line highlighted") << deep << subs << -1 << "";
    QTest::newRow("current line without subfolders") << "/tmp" << QStringList{} << 1 << "/tmp";
}

void TestPathRules::linePath() {
    QFETCH(QString, directory);
    QFETCH(QStringList, subfolders);
    QFETCH(int, line);
    QFETCH(QString, path);
    QCOMPARE(PathRules::linePath(directory, subfolders, line), path);
}

void TestPathRules::joinPathPutsExactlyOneSlash_data() {
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("path");
    QTest::newRow("root") << "/"
                          << "Llibre.txt"
                          << "/Llibre.txt";
    QTest::newRow("folder") << "/home/anna"
                            << "Llibre.txt"
                            << "/home/anna/Llibre.txt";
    QTest::newRow("bare extension in the root") << "/"
                                                << ".txt"
                                                << "/.txt";
}

void TestPathRules::joinPathPutsExactlyOneSlash() {
    QFETCH(QString, folder);
    QFETCH(QString, name);
    QFETCH(QString, path);
    QCOMPARE(PathRules::joinPath(folder, name), path);
}

void TestPathRules::bookName_data() {
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QString>("book");
    QTest::newRow("ordinary") << "/home/anna/Tirant lo Blanc.txt"
                              << "Tirant lo Blanc";
    QTest::newRow("upper-case extension kept as is") << "/x/BOOK.TXT"
                                                     << "BOOK";
    QTest::newRow("in the root") << "/a.txt"
                                 << "a";
    QTest::newRow("bare extension") << "/x/.txt"
                                    << "";
    QTest::newRow("nothing selected") << ""
                                      << "";
    QTest::newRow("name shorter than four") << "/x/abc"
                                            << "";
    QTest::newRow("dots inside") << "/x/v1.2.notes.txt"
                                 << "v1.2.notes";
    QTest::newRow("colon is part of the name") << "/x/a:b.txt"
                                               << "a:b";
    QTest::newRow("accented") << "/x/Novel·la.txt"
                              << "Novel·la";
}

void TestPathRules::bookName() {
    QFETCH(QString, fileName);
    QFETCH(QString, book);
    QCOMPARE(PathRules::bookName(fileName), book);
}

void TestPathRules::hiddenNames_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("hiddenFolder");
    QTest::addColumn<bool>("hiddenFile");
    QTest::newRow("plain") << "llibres" << false << false;
    QTest::newRow("dot name") << ".config" << true << true;
    QTest::newRow("dot") << "." << true << true;
    QTest::newRow("dot dot") << ".." << true << true;
    QTest::newRow("hidden book") << ".secret.txt" << true << true;
    QTest::newRow("bare extension") << ".txt" << true << false;
    QTest::newRow("bare extension upper case") << ".TXT" << true << false;
    QTest::newRow("dot inside") << "a.b" << false << false;
}

void TestPathRules::hiddenNames() {
    QFETCH(QString, name);
    QFETCH(bool, hiddenFolder);
    QFETCH(bool, hiddenFile);
    QCOMPARE(PathRules::isHiddenFolderName(name), hiddenFolder);
    QCOMPARE(PathRules::isHiddenFileName(name), hiddenFile);
}

void TestPathRules::maskMatching_data() {
    QTest::addColumn<QString>("mask");
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("matches");
    const QString txt = QStringLiteral("*.txt");
    QTest::newRow("lower case") << txt << "llibre.txt" << true;
    QTest::newRow("upper case") << txt << "BOOK.TXT" << true;
    QTest::newRow("mixed case") << txt << "Book.Txt" << true;
    QTest::newRow("bare extension") << txt << ".txt" << true;
    QTest::newRow("longer extension") << txt << "a.txt2" << false;
    QTest::newRow("backup") << txt << "a.txt.bak" << false;
    QTest::newRow("no dot") << txt << "atxt" << false;
    QTest::newRow("other extension") << txt << "a.doc" << false;
    QTest::newRow("two dots") << txt << "a..txt" << true;
    QTest::newRow("accented upper case") << txt << "ÀÉÍ.TXT" << true;
    QTest::newRow("second pattern") << "*.txt;*.md"
                                    << "Notes.MD" << true;
    QTest::newRow("blanks around patterns") << " *.txt ; *.md "
                                            << "a.md" << true;
    QTest::newRow("empty patterns ignored") << ";;*.md;"
                                            << "a.txt" << false;
    QTest::newRow("question mark") << "?.txt"
                                   << "a.txt" << true;
    QTest::newRow("question mark needs one") << "?.txt"
                                             << ".txt" << false;
    QTest::newRow("star inside") << "cap*.txt"
                                 << "capitol 3.txt" << true;
    QTest::newRow("star inside, wrong start") << "cap*.txt"
                                              << "tapitol.txt" << false;
    QTest::newRow("back-tracking") << "*a*b"
                                   << "xaxxab" << true;
    QTest::newRow("back-tracking fails") << "*a*b"
                                         << "xaxxa" << false;
    QTest::newRow("empty mask") << ""
                                << "a.txt" << false;
    QTest::newRow("everything") << "*"
                                << "anything" << true;
}

void TestPathRules::maskMatching() {
    QFETCH(QString, mask);
    QFETCH(QString, name);
    QFETCH(bool, matches);
    QCOMPARE(PathRules::matchesMask(PathRules::maskPatterns(mask), name), matches);
}

void TestPathRules::volumeOfFolder_data() {
    QTest::addColumn<QStringList>("mountPoints");
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("volume");
    const QStringList points{u"/"_s, u"/home"_s, u"/home/anna/usb"_s, u"/mnt"_s};
    QTest::newRow("root") << points << "/"
                          << "/";
    QTest::newRow("on the root") << points << "/etc/x"
                                 << "/";
    QTest::newRow("mount point itself") << points << "/home"
                                        << "/home";
    QTest::newRow("below a mount point") << points << "/home/pere"
                                         << "/home";
    QTest::newRow("longest wins") << points << "/home/anna/usb/llibres"
                                  << "/home/anna/usb";
    QTest::newRow("prefix is not a parent") << points << "/mnt2/x"
                                            << "/";
    QTest::newRow("name prefix is not a parent") << points << "/home/anna/usbx"
                                                 << "/home";
    QTest::newRow("no volumes known") << QStringList{} << "/home/x"
                                      << "/";
}

void TestPathRules::volumeOfFolder() {
    QFETCH(QStringList, mountPoints);
    QFETCH(QString, folder);
    QFETCH(QString, volume);
    QCOMPARE(PathRules::volumeOfFolder(mountPoints, folder), volume);
}

void TestPathRules::typeAhead_data() {
    QTest::addColumn<QStringList>("keys");
    QTest::addColumn<int>("current");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("row");
    const QStringList keys{u"alfa"_s, u"Beta"_s, u"bravo"_s, u"carro"_s, u"Bis"_s};
    QTest::newRow("from nothing") << keys << -1 << "b" << 1;
    QTest::newRow("next after current") << keys << 1 << "b" << 2;
    QTest::newRow("upper case typed") << keys << 2 << "B" << 4;
    QTest::newRow("wraps to the top") << keys << 4 << "b" << 1;
    QTest::newRow("only itself") << keys << 3 << "c" << 3;
    QTest::newRow("no match stays") << keys << 2 << "z" << 2;
    QTest::newRow("no match, nothing highlighted") << keys << -1 << "z" << -1;
    QTest::newRow("empty list") << QStringList{} << -1 << "a" << -1;
}

void TestPathRules::typeAhead() {
    QFETCH(QStringList, keys);
    QFETCH(int, current);
    QFETCH(QString, typed);
    QFETCH(int, row);
    QCOMPARE(PathRules::nextRowStartingWith(keys, current, typed.at(0)), row);
}

void TestPathRules::spokenDrive_data() {
    QTest::addColumn<QString>("drive");
    QTest::addColumn<QByteArray>("spoken");
    QTest::newRow("a alone") << "a" << QByteArray("aa");
    QTest::newRow("A upper case") << "A" << QByteArray("A");
    QTest::newRow("root") << "/" << QByteArray("/");
    QTest::newRow("mount point") << "/media/a" << QByteArray("/media/a");
    QTest::newRow("accented") << "/media/Música" << QByteArray("/media/Música");
    QTest::newRow("none") << "" << QByteArray();
}

void TestPathRules::spokenDrive() {
    QFETCH(QString, drive);
    QFETCH(QByteArray, spoken);
    QCOMPARE(PathRules::spokenDrive(drive), spoken);
}

QTEST_GUILESS_MAIN(TestPathRules)
#include "tst_pathrules.moc"
