#pragma once
#include <QMap>
#include <QString>
#include <functional>

// The save-and-reload scenario of the settings tests: every control set to a value no reader
// gives by default, saved, every control scrambled, loaded back, and what the controls show then
// compared with what they showed when saved. The test names the controls it compares (snapshot),
// how it saves and loads, and may check the store between the save and the load.
struct SaveReload {
    std::function<void()> setScene; // every control to a value that differs from every default
    std::function<void()> scramble; // every control to a value no load gives
    std::function<QMap<QString, QString>()> snapshot; // what the compared controls show, by name
    std::function<void()> save;
    std::function<void()> load;
    std::function<void()> checkStored; // optional: what the store holds after the save
};
// Fails the running test on the first step that does not hold.
void runSaveReload(const SaveReload& scenario);

// Names every entry of expected that actual does not show alike, and fails the test if any.
void compareSnapshots(const QMap<QString, QString>& actual, const QMap<QString, QString>& expected);
