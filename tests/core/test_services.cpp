#include "core/clock.h"
#include "core/date_time_text.h"
#include "core/message_service.h"
#include "core/single_instance.h"
#include "message_recorder.h"

#include <QLocale>
#include <QTemporaryDir>
#include <QtTest>

using namespace zeltar;

class TestServices : public QObject
{
    Q_OBJECT

private slots:
    void cleanup();

    void clockCanBeFixedAndShifted();
    void dateTimeTextFollowsTheLocale();
    void recorderAnswersFromItsQueue();
    void recorderStandsInOnlyWhileItLives();
    void onlyALivingStationHoldsTheLock_data();
    void onlyALivingStationHoldsTheLock();
};

void TestServices::cleanup()
{
    Clock::reset();
    QLocale::setDefault(QLocale::c());
}

void TestServices::clockCanBeFixedAndShifted()
{
    QVERIFY(!Clock::isFixed());
    const QDateTime before = QDateTime::currentDateTime();
    QVERIFY(qAbs(Clock::now().secsTo(before)) < 60);

    const QDateTime moment(QDate(2030, 2, 28), QTime(23, 59, 59));
    Clock::setNow(moment);
    QCOMPARE(Clock::now(), moment);
    QCOMPARE(Clock::now(), moment); // fixed, not running
    Clock::advance(1000);
    QCOMPARE(Clock::now(), QDateTime(QDate(2030, 3, 1), QTime(0, 0)));
    Clock::advance(-3600 * 1000);
    QCOMPARE(Clock::now(), QDateTime(QDate(2030, 2, 28), QTime(23, 0)));

    Clock::reset();
    QVERIFY(!Clock::isFixed());
    // Shifting the running clock moves it by days.
    Clock::advance(qint64(10) * 24 * 3600 * 1000);
    QVERIFY(qAbs(Clock::now().daysTo(QDateTime::currentDateTime()) + 10) <= 1);
    Clock::reset();
    QVERIFY(qAbs(Clock::now().secsTo(QDateTime::currentDateTime())) < 60);
}

void TestServices::dateTimeTextFollowsTheLocale()
{
    const QDateTime moment(QDate(2008, 5, 13), QTime(14, 5, 9));
    QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
    QCOMPARE(DateTimeText(moment), QStringLiteral("13.05.2008 14:05:09"));
    QCOMPARE(TimeText(QTime(7, 0, 5)), QStringLiteral("07:00:05"));

    for (const QLocale &locale : {QLocale::c(), QLocale(QLocale::English, QLocale::UnitedStates),
                                  QLocale(QLocale::German, QLocale::Germany)}) {
        QLocale::setDefault(locale);
        QVERIFY2(!TimeFormat().contains('t'), qPrintable(TimeFormat()));
        const QString text = TimeText(QTime(14, 5, 9));
        QVERIFY2(text.contains(":05:09"), qPrintable(text));
        QVERIFY2(text.trimmed() == text, qPrintable(text));
    }
}

void TestServices::recorderAnswersFromItsQueue()
{
    MessageRecorder recorder;
    recorder.setNextAnswer(true);
    recorder.setNextAnswer(false);
    QVERIFY(!recorder.settled());

    ShowError("Нет связи с прибором");
    QVERIFY(AskYesNo("Продолжить?", MessageIcon::Warning));
    ShowInformation("Данные по умолчанию установлены");
    QVERIFY(!AskYesNo("Выйти?"));
    QVERIFY(recorder.settled());
    ShowWarning("w");

    QCOMPARE(recorder.texts(), (QStringList{"Нет связи с прибором", "Продолжить?",
                                            "Данные по умолчанию установлены", "Выйти?", "w"}));
    const auto &m = recorder.messages();
    QCOMPARE(m[0].icon, MessageIcon::Error);
    QCOMPARE(m[0].buttons, MessageButtons::Ok);
    QCOMPARE(m[1].icon, MessageIcon::Warning);
    QCOMPARE(m[1].buttons, MessageButtons::YesNo);
    QCOMPARE(m[2].icon, MessageIcon::Information);
    QCOMPARE(m[3].icon, MessageIcon::Question);
    QCOMPARE(m[4].icon, MessageIcon::Warning);
    QCOMPARE(recorder.lastText(), QStringLiteral("w"));

    // A question nobody expected is answered No and leaves the recorder unsettled.
    QVERIFY(!AskYesNo("unexpected"));
    QVERIFY(!recorder.settled());
    recorder.reset();
    QVERIFY(recorder.settled());
    QVERIFY(recorder.messages().isEmpty());
}

void TestServices::recorderStandsInOnlyWhileItLives()
{
    MessageService *const standard = MessageService::current();
    QVERIFY(standard);
    {
        MessageRecorder outer;
        {
            MessageRecorder inner;
            ShowError("inner");
            QCOMPARE(inner.texts(), QStringList{"inner"});
        }
        ShowError("outer");
        QCOMPARE(outer.texts(), QStringList{"outer"});
    }
    QCOMPARE(MessageService::current(), standard);
    QVERIFY(!AskYesNo("Без окна ответ всегда нет"));
}

QTEST_GUILESS_MAIN(TestServices)
#include "test_services.moc"

void TestServices::onlyALivingStationHoldsTheLock_data()
{
    // What a crash, a power cut or a full temporary disk may leave behind.
    QTest::addColumn<QByteArray>("leftover");
    QTest::newRow("no file") << QByteArray();
    QTest::newRow("empty file") << QByteArray("");
    QTest::newRow("half a line") << QByteArray("12");
    QTest::newRow("process gone") << QByteArray("999999\nzeltar\nhost\n");
}

void TestServices::onlyALivingStationHoldsTheLock()
{
    QFETCH(QByteArray, leftover);
    QTemporaryDir dir;
    const QByteArray oldTemp = qgetenv("TMPDIR");
    qputenv("TMPDIR", dir.path().toLocal8Bit());
    auto restore = qScopeGuard([&] { qputenv("TMPDIR", oldTemp); });
    if (!leftover.isNull()) {
        QFile file(SingleInstance::lockPath());
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(leftover);
    }

    auto first = std::make_unique<SingleInstance>();
    QVERIFY(first->tryAcquire());
    QVERIFY(first->tryAcquire());
    SingleInstance second;
    QVERIFY(!second.tryAcquire());
    first.reset(); // the station ends
    QVERIFY(second.tryAcquire());
}
