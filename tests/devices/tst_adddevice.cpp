// The add-device window: loading, the state the type choice leaves, its small handlers, the row
// and index finders, and how the setup window opens it.
#include <QAbstractItemView>
#include <QComboBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QPushButton>

#include "app/startup.h"
#include "devices/formAddDevice.h"
#include "platform/comports.h"
#include "sensors/sensorrig.h"
#include "support/fakecapture.h"

using namespace modSupport;

namespace {

formAddDevice& D() {
    return formAddDevice::instance();
}

void choose(const QString& type) {
    D().cmbSensorTypeSelection->setCurrentIndex(formAddDevice::typeList().indexOf(type));
}

// Which of the kind-dependent controls are shown, and the default name, as
// "name|port group|driver list|calibrate|bump|proximity mode".
QString state() {
    auto shown = [](QWidget* w) { return rt::visible(w) ? "on" : "off"; };
    return QStringList{D().txtDeviceName->text(),     shown(D().frameComStuff),
                       shown(D().cbDriver),           shown(D().chkCalibrateOnConnect),
                       shown(D().chkSetToBinaryMode), shown(D().chkSetToProxMode)}
        .join('|');
}

void takeRows(std::initializer_list<int> rows, int code = typeTemperature) {
    for (int r : rows)
        SetRowKind(r, code);
}

} // namespace

class TestAddDevice : public QObject {
    Q_OBJECT
    std::unique_ptr<SensorRig> rig;

private slots:
    void init() {
        rig = std::make_unique<SensorRig>();
        rig->hub->add(4);
        rig->hub->add(6);
    }
    void cleanup() {
        formAddDevice::unload();
        iOfferDetect = 0;
        bInStartup = false;
        rig.reset();
    }

    // The setup window's button loads the window: the list, the placeholder, the camera count
    // stored as "1" when missing. Detection is offered on loading, never during start-up.
    void loadingAndTheDetectionOffer() {
        iOfferDetect = 1;
        bInStartup = true;
        S().cmdAddDevice->click();
        QVERIFY(formAddDevice::loaded() && D().isVisible());
        QCOMPARE(D().cmbSensorTypeSelection->count(), 9);
        QCOMPARE(D().cmbSensorTypeSelection->itemText(8), strTypeVideo2);
        QCOMPARE(D().typeText(), QString("<drop down to select>"));
        QCOMPARE(modPrefs::GetPref("Program Setup", "TotalCameras") + QString::number(D().iTotalCameras),
                 QString("11"));
        formAddDevice::unload();
        bInStartup = false;
        modPrefs::SavePref("Program Setup\\", "TotalCameras", "3");
        rig->boxes->queue(rt::vbNo);
        QCOMPARE(D().iTotalCameras, 3);
        QCOMPARE(rig->boxes->prompts(), QStringList{"Do you want to auto-detect your Corvisent devices?\r\n"
                                                    "  (CorvisentV camera devices cannot be detected.)"});
    }

    // What each kind shows once chosen; rows 1 and 2 are taken, so the device gets row 3.
    void typeChoiceState_data() {
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("expected");
        QTest::newRow("accelerometer") << strTypeAccel << "Corvisent/A03|on|off|on|on|off";
        QTest::newRow("distance") << strTypeDistance << "Corvisent/D03|on|off|off|off|on";
        QTest::newRow("temperature") << strTypeTemperature << "Corvisent/T03|on|off|off|off|off";
        QTest::newRow("humidity") << strTypeHumidity << "Corvisent/H03|on|off|off|off|off";
        QTest::newRow("combined") << strTypeComboOffer << "Corvisent/TH03|on|off|off|off|off";
        QTest::newRow("water") << strTypeWater << "Corvisent/W03|on|off|off|off|off";
        QTest::newRow("proximity") << strTypeProximity << "Corvisent/P03|on|off|off|off|off";
        QTest::newRow("camera") << strTypeVideo << "Corvisent/V 003|off|on|off|off|off";
        QTest::newRow("single camera") << strTypeVideo2 << "Corvisent/V2 003|off|on|off|off|off";
    }
    void typeChoiceState() {
        QFETCH(QString, type);
        QFETCH(QString, expected);
        FakeCaptureSystem cameras;
        cameras.add("USB Camera");
        takeRows({1, 2});
        choose(type);
        QCOMPARE(state(), expected);
        QCOMPARE(D().iNewRow, 3);
        QCOMPARE(D().typeText(), type);
        if (IsCameraName(type)) {
            QCOMPARE(D().cbDriver->currentText(), QString("USB Camera"));
            QVERIFY(D().cmdOk->isEnabled() && S().cmdConnectSensor[3]->isEnabled());
        } else {
            QCOMPARE(D().cmbComNum->currentText(), QString("4"));
            QCOMPARE(D().lblComPort->text(), QString("  Com"));
        }
        if (type == strTypeAccel) QCOMPARE(rt::value(D().chkCalibrateOnConnect), 1);
        if (type == strTypeDistance) QCOMPARE(rt::value(D().chkSetToProxMode), 1);
    }

    // No room: a full list is told and OK stays off; a combined sensor needs two rows in a row.
    void choiceWithoutRoom() {
        takeRows({1, 2, 3, 5, 6, 7, 8, 9});
        choose(strTypeComboOffer);
        QCOMPARE(D().iNewRow, 10);
        QCOMPARE(rig->boxes->prompts(),
                 QStringList{"There must be two consecutive slots open to add this sensor."});
        QVERIFY(!D().cmdOk->isEnabled());
        choose(strTypeWater);
        QCOMPARE(D().iNewRow, 4);
        QVERIFY(D().cmdOk->isEnabled());
        choose(strTypeComboOffer);
        rig->boxes->clear();
        choose(strTypeAccel); // a row and a port: OK comes back after the refused choice
        QVERIFY(D().cmdOk->isEnabled());
        takeRows({4, 10});
        rig->boxes->clear();
        choose(strTypeTemperature);
        QCOMPARE(D().iNewRow, 11);
        QCOMPARE(
            rig->boxes->prompts(),
            QStringList{"All ten device rows are in use. Please delete a device before adding another."});
        QVERIFY(!D().cmdOk->isEnabled());
    }

    // A second single camera is refused at the choice: the type is emptied and the name hidden.
    void secondSingleCamera() {
        iCamSlot[2] = 0;
        choose(strTypeVideo2);
        QCOMPARE(rig->boxes->prompts(),
                 QStringList{"Only one Corvisent/V2 camera can be used at this time."});
        QCOMPARE(D().typeText(), QString());
        QVERIFY(!rt::visible(D().txtDeviceName) && !rt::visible(D().lblDeviceName));
    }

    // The finders over the tables.
    void firstAvailablePlaceSkipsTakenAndDisabledOnes() {
        takeRows({1, 2, 3, 5});
        QCOMPARE(formAddDevice::FindFirstAvailable(false), 4);
        QCOMPARE(formAddDevice::FindFirstAvailable(true), 6);
        DisableRow(4); // a row that failed its identity check is not free
        QCOMPARE(formAddDevice::FindFirstAvailable(false), 6);
        takeRows({6, 7, 8, 9, 10});
        QCOMPARE(formAddDevice::FindFirstAvailable(true), 11);

        iProxSlot[3] = 1;
        iProxSlot[7] = 2;
        iProxSlot[9] = 4;
        QCOMPARE(formAddDevice::FindFirstProxAvailable(), 3);
        iProxSlot[1] = 3;
        QCOMPARE(formAddDevice::FindFirstProxAvailable(), 0);

        QCOMPARE(formAddDevice::FindFirstCamAvailable(), 0);
        iCamSlot[1] = 2;
        iCamSlot[3] = 0;
        QCOMPARE(formAddDevice::FindFirstCamAvailable(), 3);
    }

    // The port must be a whole number 1..256; without one OK stays off, a wrong one is named and
    // nothing is stored.
    void portOfASensor_data() {
        QTest::addColumn<QString>("port");
        QTest::addColumn<QString>("stored");
        QTest::newRow("number") << " 12" << "12";
        QTest::newRow("COM text") << "COM3" << "";
        QTest::newRow("zero") << "0" << "";
        QTest::newRow("above 256") << "257" << "";
    }
    void portOfASensor() {
        QFETCH(QString, port);
        QFETCH(QString, stored);
        choose(strTypeWater);
        D().cmbComNum->setEditText(port);
        QVERIFY(D().cmdOk->isEnabled());
        D().cmdOk->click();
        QCOMPARE(modPrefs::GetPref("PortConfig\\Devices\\1", "Port"), stored);
        QCOMPARE(rig->boxes->prompts(),
                 stored.isEmpty() ? QStringList{"The Com port must be a whole number from 1 to 256."} : QStringList());
    }

    // A port a registered row uses is marked in the list and not picked; typed in anyway, OK names
    // the row that has it and stores nothing.
    void portOfARegisteredRow() {
        choose(strTypeTemperature);
        D().cmbComNum->setEditText("4");
        D().cmdOk->click();
        choose(strTypeWater);
        QCOMPARE(D().cmbComNum->itemText(0) + "|" + D().cmbComNum->currentText(),
                 QString("4 (already configured)|6"));
        D().cmbComNum->setEditText("4");
        D().cmdOk->click();
        QCOMPARE(rig->boxes->prompts(), QStringList{"COM4 is already configured for the Corvisent/T (Temperature) "
                                                    "device \"Corvisent/T01\". Please choose another port."});
        QCOMPARE(modPrefs::GetPref("PortConfig\\Devices\\2", "DeviceType", "<none>"), QString("<none>"));
        QVERIFY(D().isVisible());
    }

    // The drop-down shows the configured mark whole.
    void configuredMarkReadsWhole() {
        takeRows({1});
        formSensorSetup::instance().txtDeviceComNumber[1]->setText("4");
        D().show();
        choose(strTypeWater);
        D().cmbComNum->showPopup();
        QAbstractItemView* list = D().cmbComNum->view();
        QVERIFY(list->viewport()->width() >= list->sizeHintForColumn(0));
        D().cmbComNum->hidePopup();
    }

    // No port listed: OK stays off for every sensor kind.
    void noPortNoOk() {
        for (int n : {4, 6}) rig->hub->find(platform::comPortPath(n))->setPresent(false);
        for (const QString& type : {strTypeTemperature, strTypeAccel}) {
            choose(type);
            QVERIFY(!D().cmdOk->isEnabled());
        }
    }

    // The type box ignores typing; Refresh rebuilds the port list; Cancel adds nothing.
    void typingRefreshAndCancelAddNoDevice() {
        choose(strTypeWater);
        QKeyEvent key(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier);
        QApplication::sendEvent(D().cmbSensorTypeSelection, &key);
        QCOMPARE(D().typeText(), strTypeWater);
        rig->hub->add(2);
        D().cmdRefreshComPorts_Click();
        QCOMPARE(D().cmbComNum->itemText(0), QString("2"));
        D().cmdCancelAddDevice_Click();
        QVERIFY(!formAddDevice::loaded());
        // Escape unloads it too, so the next showing starts afresh.
        D().show();
        QTest::keyClick(&D(), Qt::Key_Escape);
        QVERIFY(!formAddDevice::loaded());
        QCOMPARE(modPrefs::GetPref("PortConfig\\Devices\\1", "DeviceType", "<none>"), QString("<none>"));
    }
};

QTEST_MAIN(TestAddDevice)
#include "tst_adddevice.moc"
