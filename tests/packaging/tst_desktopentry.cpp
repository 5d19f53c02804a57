// The desktop entry the build makes: one action per engine built beside the
// espeak-ng one, and none for an engine that is not built.
#include <QFile>
#include <QMap>
#include <QTest>

namespace {

const QString Entry = QStringLiteral(ZELVORA_BINARY_DIR "/packaging/cat.zelvora.Zelvora.desktop");

// The keys of one group of the entry ("Desktop Entry", "Desktop Action x").
QMap<QString, QString> group(const QString &name) {
    QFile file(Entry);
    QMap<QString, QString> keys;
    if (!file.open(QIODevice::ReadOnly)) {
        return keys;
    }
    bool inside = false;
    for (const QByteArray &raw : file.readAll().split('\n')) {
        const QString line = QString::fromUtf8(raw);
        if (line.startsWith(QLatin1Char('['))) {
            inside = line == QLatin1Char('[') + name + QLatin1Char(']');
        } else if (inside && line.contains(QLatin1Char('='))) {
            keys.insert(line.section(QLatin1Char('='), 0, 0), line.section(QLatin1Char('='), 1));
        }
    }
    return keys;
}

} // namespace

class TestDesktopEntry : public QObject {
    Q_OBJECT
private slots:
    void actions_data();
    void actions();
};

void TestDesktopEntry::actions_data() {
    QTest::addColumn<QString>("engine");
    QTest::addColumn<bool>("built");
    QTest::addColumn<QStringList>("names"); // English, Catalan, Spanish
    QTest::newRow("speechd") << QStringLiteral("speechd") << true
                             << QStringList{QStringLiteral("Zelvora with the system voice"),
                                            QStringLiteral("Zelvora amb la veu del sistema"),
                                            QStringLiteral("Zelvora con la voz del sistema")};
#ifdef ZELVORA_WITH_FESTIVAL
    const bool festival = true;
#else
    const bool festival = false;
#endif
    QTest::newRow("festival") << QStringLiteral("festival") << festival
                              << QStringList{QStringLiteral("Zelvora with a natural voice"),
                                             QStringLiteral("Zelvora amb veu natural"),
                                             QStringLiteral("Zelvora con voz natural")};
    QTest::newRow("espeak, the default: no action")
        << QStringLiteral("espeak") << false << QStringList{};
}

// The entry lists an action for the engine exactly when it is built, and the action
// starts the program with that engine under its names in the three languages.
void TestDesktopEntry::actions() {
    QFETCH(QString, engine);
    QFETCH(bool, built);
    QFETCH(QStringList, names);
    const QMap<QString, QString> entry = group(QStringLiteral("Desktop Entry"));
    QCOMPARE(entry.value(QStringLiteral("Exec")), QStringLiteral("zelvora"));
    const QStringList actions =
        entry.value(QStringLiteral("Actions")).split(QLatin1Char(';'), Qt::SkipEmptyParts);
    const QMap<QString, QString> action = group(QStringLiteral("Desktop Action ") + engine);
    QCOMPARE(actions.contains(engine), built);
    QCOMPARE(!action.isEmpty(), built);
    if (!built) {
        return;
    }
    QCOMPARE(action.value(QStringLiteral("Exec")), QStringLiteral("zelvora --engine ") + engine);
    QCOMPARE(action.value(QStringLiteral("Name")), names.at(0));
    QCOMPARE(action.value(QStringLiteral("Name[ca]")), names.at(1));
    QCOMPARE(action.value(QStringLiteral("Name[es]")), names.at(2));
}

QTEST_GUILESS_MAIN(TestDesktopEntry)
#include "tst_desktopentry.moc"
