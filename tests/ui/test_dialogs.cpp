// The program step editor and the link test dialog: what their buttons and close boxes
// store and when they let the settings window be used again.
#include "instrument/link_test.h"
#include "message_recorder.h"
#include "ui/form_about.h"
#include "ui/form_edit_snap.h"
#include "ui/form_info_ustr.h"
#include "ui/maker.h"
#include "ui/window_helpers.h"

#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QtTest>

using namespace zeltar;

namespace {

// Steps 01:00/50 and 02:30/12.5.
InstrumentSettings twoSteps()
{
    InstrumentSettings record;
    record.PribPoint = 2;
    record.Program[0] = {1, 0, 50.0f};
    record.Program[1] = {2, 30, 12.5f};
    record.Program[2] = {ProgramEndHours, 0, 0.0f};
    return record;
}

bool sameProgram(const InstrumentSettings &a, const InstrumentSettings &b)
{
    for (size_t i = 0; i < a.Program.size(); ++i) {
        const ProgramStep &x = a.Program.at(i);
        const ProgramStep &y = b.Program.at(i);
        if (x.Hours != y.Hours || x.Minutes != y.Minutes || x.Value != y.Value)
            return false;
    }
    return a.PribPoint == b.PribPoint;
}

} // namespace

class DialogsTest : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<MessageRecorder> m_messages;

private Q_SLOTS:
    void init()
    {
        QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
        m_messages = std::make_unique<MessageRecorder>();
    }

    void cleanup()
    {
        QVERIFY(m_messages->settled());
        m_messages.reset();
    }

    void stepEditorIsFilledForItsStep()
    {
        InstrumentSettings record = twoSteps();
        FormEditSnap editor;
        editor.prepare(record, 2);
        QCOMPARE(editor.Tag, 2);
        QCOMPARE(editor.windowTitle(), QStringLiteral("Настройка шага 2 программы регулирования"));
        QCOMPARE(editor.maskTimeSnap->displayText(), QStringLiteral("02:30"));
        QCOMPARE(editor.editZnacSnap->text(), QStringLiteral("12,5"));
        editor.maskTimeSnap->clear();
        QCOMPARE(editor.maskTimeSnap->displayText(), QStringLiteral("  :  "));
    }

    void stepEditorRefusalKeepsItOpen_data()
    {
        QTest::addColumn<QString>("time");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("message");
        QTest::newRow("minutes") << "12:75"
                                 << "80"
                                 << "Значение минут должно быть в диапазоне от 0 до 59";
        QTest::newRow("no hours") << "  :30"
                                  << "80"
                                  << "Неверное значение часа";
        QTest::newRow("value") << "12:30"
                               << "8x"
                               << "Неверное значение";
    }

    void stepEditorRefusalKeepsItOpen()
    {
        QFETCH(QString, time);
        QFETCH(QString, value);
        QFETCH(QString, message);
        InstrumentSettings record = twoSteps();
        const InstrumentSettings before = record;
        FormEditSnap editor;
        editor.prepare(record, 1);
        editor.show();
        editor.maskTimeSnap->setText(time);
        editor.editZnacSnap->setText(value);
        editor.BtnSnapOK->click();
        QCOMPARE(m_messages->texts(), QStringList{message});
        QCOMPARE(m_messages->messages().first().icon, MessageIcon::Error);
        QVERIFY(editor.isVisible());
        QCOMPARE(editor.maskTimeSnap->displayText(), time);
        QCOMPARE(editor.editZnacSnap->text(), value);
        QVERIFY(sameProgram(record, before));
    }

    // OK without edits stores the step as it was: the fields show whole what they are given.
    void stepEditorOkWithoutEditsKeepsTheStep_data()
    {
        QTest::addColumn<int>("hours");
        QTest::addColumn<float>("value");
        QTest::newRow("25.3") << 1 << 25.3f;
        QTest::newRow("123.45") << 2 << 123.45f;
        QTest::newRow("-1234.5") << 3 << -1234.5f;
        QTest::newRow("123 hours") << 123 << 7.0f;
    }

    void stepEditorOkWithoutEditsKeepsTheStep()
    {
        QFETCH(int, hours);
        QFETCH(float, value);
        InstrumentSettings record = twoSteps();
        record.Program[0] = {static_cast<quint8>(hours), 5, value};
        const InstrumentSettings before = record;
        FormEditSnap editor;
        editor.prepare(record, 1);
        editor.show();
        QCOMPARE(editor.editZnacSnap->cursorPosition(), 0);
        editor.BtnSnapOK->click();
        QCOMPARE(editor.result(), int(QDialog::Accepted));
        QVERIFY(sameProgram(record, before));
    }

    // The about box, the step editor and the link test dialog are as large as their texts at
    // the desktop's font; the maker's addresses follow their labels as given ("E-mail:" has no
    // blank).
    void dialogsFitTheirTexts()
    {
        FormAbout about;
        about.show();
        QStringList texts;
        for (const QLabel *label : about.findChildren<QLabel *>()) {
            QVERIFY2(label->width() >= label->sizeHint().width(), qPrintable(label->text()));
            QVERIFY(!label->wordWrap());
            texts << label->text();
        }
        QVERIFY(texts.contains(QStringLiteral("Web-сайт: <b>%1</b>").arg(MakerWebAddress)));
        QVERIFY(texts.contains(QStringLiteral("E-mail:<b>%1</b>").arg(MakerMail)));

        // Captions fit a title bar in its bold font beside the icon and the buttons: the step
        // editor's, and the link test's longest progress line.
        const auto captionFits = [](const QWidget &dialog) {
            QFont title = dialog.font();
            title.setBold(true);
            return dialog.width() >
                   QFontMetrics(title).horizontalAdvance(dialog.windowTitle()) + 100;
        };
        InstrumentSettings record = twoSteps();
        FormEditSnap editor;
        editor.prepare(record, 2);
        QVERIFY(captionFits(editor));
        FormInfoUstr info;
        info.showProgress(LinkTestProgressCaption(LinkTestAttempts));
        QVERIFY(captionFits(info));
    }

    void stepEditorStoresOnlyOnOk()
    {
        InstrumentSettings record = twoSteps();
        const InstrumentSettings before = record;
        FormEditSnap editor;

        // Cancel and the close box after changing both fields store nothing.
        for (bool closeBox : {false, true}) {
            editor.prepare(record, 1);
            editor.show();
            editor.maskTimeSnap->setText(QStringLiteral("03:15"));
            editor.editZnacSnap->setText(QStringLiteral("99"));
            if (closeBox)
                editor.close();
            else
                editor.BtnSnapCansel->click();
            QVERIFY(!editor.isVisible());
            QCOMPARE(editor.result(), int(QDialog::Rejected));
            QVERIFY(sameProgram(record, before));
        }

        editor.prepare(record, 1);
        editor.show();
        editor.maskTimeSnap->setText(QStringLiteral("03:15"));
        editor.editZnacSnap->setText(QStringLiteral("12.5"));
        editor.BtnSnapOK->click();
        QVERIFY(!editor.isVisible());
        QCOMPARE(editor.result(), int(QDialog::Accepted));
        QCOMPARE(record.Program[0].Hours, quint8(3));
        QCOMPARE(record.Program[0].Minutes, quint8(15));
        QCOMPARE(record.Program[0].Value, 12.5f);
        QVERIFY(m_messages->messages().isEmpty());
    }

    void linkTestDialogClosesOnlyAfterTheTest()
    {
        QWidget settings;
        settings.show();
        FormInfoUstr info(&settings);
        for (bool closeBox : {false, true}) {
            settings.setEnabled(false);
            info.beginTest();
            info.show();
            info.showProgress(LinkTestProgressCaption(3));
            QCOMPARE(info.windowTitle(), QStringLiteral("Идет поиск устройства... Выполнено:30%"));
            QTest::mouseClick(info.Button1, Qt::LeftButton);
            info.close();
            QVERIFY(info.isVisible());
            QVERIFY(!settings.isEnabled());

            info.endTest();
            if (closeBox)
                info.close();
            else
                QTest::mouseClick(info.Button1, Qt::LeftButton);
            QVERIFY(!info.isVisible());
            QVERIFY(settings.isEnabled());
        }
    }

    void linkTestDialogShowsWhatWasFound()
    {
        FormInfoUstr info;
        info.show();
        LinkTestResult found;
        found.portOpened = true;
        found.validReplies = 8;
        found.port = QStringLiteral("COM1");
        found.baud = QStringLiteral("9600 б/с");
        found.address = QStringLiteral("5");
        found.type = LinkTestModelName;
        found.version = QStringLiteral("1.5");
        info.beginTest();
        info.showResult(found);
        info.endTest();
        QCOMPARE(info.windowTitle(), QStringLiteral("Найден прибор"));
        QCOMPARE(info.stQW->text(), QStringLiteral("Плохое (8/10)"));
        QVERIFY(info.stAdr->isVisible() && info.labels.at(5)->isVisible());
        QVERIFY(!info.stNoFind->isVisible());

        // The next test empties and hides the values and keeps the labels until it ends.
        info.beginTest();
        QVERIFY(!info.stAdr->isVisible() && info.stAdr->text().isEmpty());
        QVERIFY(info.labels.at(2)->isVisible());
        LinkTestResult none;
        none.portOpened = true;
        info.showResult(none);
        QCOMPARE(info.windowTitle(), QStringLiteral("Устройство не найдено"));
        QVERIFY(info.stNoFind->isVisible());
        QVERIFY(!info.labels.at(2)->isVisible() && !info.stQW->isVisible());
    }

    // The pointer over a hinted control puts its tooltip into the status bar; over a
    // cleared one it clears the bar. Leaving a hinted control clears it only when asked.
    void statusHintsFollowThePointer()
    {
        for (bool clearOnLeave : {false, true}) {
            QWidget window;
            auto *bar = new QStatusBar(&window);
            auto *button = new QPushButton(&window);
            button->setToolTip(QStringLiteral("Сохранить настройки"));
            auto *panel = new QWidget(&window);
            auto *plain = new QWidget(&window);
            auto *hints = new StatusHints(bar, clearOnLeave, &window);
            hints->hint({button});
            hints->clear({panel});
            const auto pointer = [](QWidget *widget, QEvent::Type type) {
                QEnterEvent enter(QPointF(1, 1), QPointF(1, 1), QPointF(1, 1));
                QEvent leave(QEvent::Leave);
                QCoreApplication::sendEvent(widget, type == QEvent::Enter ? &enter : &leave);
            };
            pointer(button, QEvent::Enter);
            QCOMPARE(bar->currentMessage(), QStringLiteral("Сохранить настройки"));
            pointer(button, QEvent::Leave);
            pointer(plain, QEvent::Enter);
            QCOMPARE(bar->currentMessage().isEmpty(), clearOnLeave);
            pointer(button, QEvent::Enter);
            pointer(panel, QEvent::Enter);
            QVERIFY(bar->currentMessage().isEmpty());
        }
    }
};

QTEST_MAIN(DialogsTest)
#include "test_dialogs.moc"
