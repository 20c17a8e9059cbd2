// The instance mark: the first copy holds it, a second runs without it, and
// it is free again once the first has given it up.

#include <QTemporaryDir>
#include <QTest>
#include <QtGlobal>

#include "app/CQuillonApp.h"
#include "app/InstanceLock.h"

using namespace quillon;

class InstanceLockTest : public QObject {
    Q_OBJECT

private slots:
    void firstCopyHoldsItUntilItLetsGo() {
        QTemporaryDir runtime;
        QVERIFY(runtime.isValid());
        qputenv("XDG_RUNTIME_DIR", runtime.path().toLocal8Bit());
        QCOMPARE(QString::fromStdString(InstanceLock::PathFor(INSTANCE_NAME)),
                 runtime.path() + "/Quillon-C3AD51E0-C2E4-412d-AF4F-F8F64CD11773");

        InstanceLock first(INSTANCE_NAME);
        InstanceLock second(INSTANCE_NAME);
        QVERIFY(first.owned());
        QVERIFY(!second.owned());  // runs all the same
        second.Release();          // never held: no effect
        QVERIFY(first.owned());
        first.Release();
        first.Release();
        InstanceLock third(INSTANCE_NAME);
        QVERIFY(third.owned());
    }

    void noRuntimeDirectoryFallsBackToTmp() {
        qunsetenv("XDG_RUNTIME_DIR");
        QCOMPARE(QString::fromStdString(InstanceLock::PathFor("x")), QString("/tmp/x"));
    }
};

QTEST_GUILESS_MAIN(InstanceLockTest)
#include "InstanceLockTest.moc"
