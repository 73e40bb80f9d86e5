#include "support/savereload.h"

#include <QtTest>

void compareSnapshots(const QMap<QString, QString>& actual, const QMap<QString, QString>& expected) {
    QStringList diff;
    for (auto it = expected.begin(); it != expected.end(); ++it)
        if (actual.value(it.key()) != it.value())
            diff << QStringLiteral("%1: %2 != %3").arg(it.key(), actual.value(it.key()), it.value());
    QVERIFY2(diff.isEmpty(), qPrintable(diff.join("; ")));
}

void runSaveReload(const SaveReload& scenario) {
    scenario.setScene();
    const QMap<QString, QString> saved = scenario.snapshot();
    scenario.save();
    if (scenario.checkStored) scenario.checkStored();
    if (QTest::currentTestFailed()) return;
    scenario.scramble();
    scenario.load();
    compareSnapshots(scenario.snapshot(), saved);
}
