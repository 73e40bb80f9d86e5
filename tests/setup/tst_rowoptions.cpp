// The setup window's row port box and general logging options.
#include "sensors/sensorrig.h"

using namespace modSupport;

namespace {
QString pref(const char* key) {
    return modPrefs::GetPref(modPrefs::kProgramSetup, key);
}
} // namespace

class TestRowOptions : public QObject {
    Q_OBJECT
private slots:
    // Double-clicking a sensor's type shows its port box and hides it again; a camera row and the
    // second row of a combined sensor never show one.
    void portBoxToggle() {
        SensorRig rig;
        const QString types[] = {strTypeTemperature, strTypeComboHumid, strTypeComboTemp, strTypeVideo};
        for (int row = 1; row <= 4; ++row) {
            S().lblDeviceType[row]->setText(types[row - 1]);
            S().txtDeviceComNumber[row]->hide();
            S().lblDeviceType_DblClick(row);
        }
        auto shown = [] {
            QString out;
            for (int row = 1; row <= 4; ++row)
                out += S().txtDeviceComNumber[row]->isHidden() ? '-' : '+';
            return out;
        };
        QCOMPARE(shown(), QString("++--"));
        S().lblDeviceType_DblClick(1);
        S().lblDeviceType_DblClick(3);
        QCOMPARE(shown(), QString("-+--"));
    }

    // Switching close-after-write on closes every open log now, both of a combined sensor, also
    // of a row whose file logging is off; it is stored at once, but not while settings load.
    void closeAfterWrite() {
        SensorRig rig;
        for (int n : {1, 3, 4, 6})
            rt::Files::open(n, rig.logs.filePath(QString("log%1.txt").arg(n)), rt::Files::Append);
        iPortOpen[3] = iPortOpen[4] = typeCombo;
        iPortOpen[6] = typeTemperature;
        rt::setValue(S().chkFileLogging[1], 0);
        rt::setValue(S().chkFileLogging[3], 1);
        {
            LoadGuard loading;
            rt::setValue(S().chkCloseFileAfterWrite, 1);
            rt::setValue(S().chkCloseFileAfterWrite, 0);
        }
        QVERIFY(rt::Files::isOpen(1) && rt::Files::isOpen(4));
        QCOMPARE(pref("CloseFileAfterWrite"), QString());
        rt::setValue(S().chkCloseFileAfterWrite, 1);
        for (int n : {1, 3, 4, 6})
            QVERIFY2(!rt::Files::isOpen(n), qPrintable(QString::number(n)));
        QCOMPARE(pref("CloseFileAfterWrite"), QString("1"));
        rt::setValue(S().chkCloseFileAfterWrite, 0);
        QCOMPARE(pref("CloseFileAfterWrite"), QString("0"));
    }

    // The size limit is stored as typed; a click on a box that is not a number puts 1000 back.
    void sizeLimitText() {
        SensorRig rig;
        S().txtMaxFileSize->setText("abc");
        QCOMPARE(pref("MaxFileSize"), QString("abc"));
        S().txtMaxFileSize_Click();
        QCOMPARE(rig.boxes->prompts(), QStringList{"This value must be an integer"});
        QCOMPARE(pref("MaxFileSize"), QString("1000"));
        S().txtMaxFileSize_Click();
        QCOMPARE(rig.boxes->prompts().size(), 1);
        {
            LoadGuard loading;
            S().txtMaxFileSize->setText("250");
        }
        QCOMPARE(pref("MaxFileSize"), QString("1000"));
    }
};

QTEST_MAIN(TestRowOptions)
#include "tst_rowoptions.moc"
