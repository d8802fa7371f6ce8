// The history page of the main window, driven by mouse as an operator does: a device, an
// earlier period, the last day across periods, zoom and readout on the range chart, the
// exports, the report's print preview and the way back to the live view.
#include "../history/history_tables.h"
#include "acquisition/station.h"
#include "core/clock.h"
#include "message_recorder.h"
#include "ui/file_dialogs.h"
#include "ui/form_main.h"
#include "ui/history_panel.h"
#include "ui/range_chart_widget.h"
#include "ui/range_table_model.h"

#include <QAbstractFileIconProvider>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QPushButton>
#include <QSplitter>
#include <QTabBar>
#include <QTabWidget>
#include <QTableView>
#include <QTreeWidget>
#include <QtTest>

using namespace zeltar;

namespace {

QDateTime At(const QString &text)
{
    return QDateTime::fromString(text, QStringLiteral("dd.MM.yyyy HH:mm:ss"));
}

void ClickTab(QTabWidget *tabs, QWidget *page)
{
    QTabBar *bar = tabs->tabBar();
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(tabs->indexOf(page)).center());
}

void ClickItem(QTreeWidget *tree, QTreeWidgetItem *item)
{
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualItemRect(item).center());
}

void Wheel(QWidget *widget, const QPoint &at, int delta)
{
    QWheelEvent wheel(at, widget->mapToGlobal(at), {}, {0, delta}, Qt::NoButton, {},
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(widget, &wheel);
}

} // namespace

class HistoryViewTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;

private Q_SLOTS:
    void init()
    {
        QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
        Clock::setNow(At("09.12.2026 10:30:00"));
    }

    void cleanup()
    {
        QVERIFY(FileDialogs::queueEmpty());
        Clock::reset();
    }

    void operatorBrowsesHistory()
    {
        const QString data = m_dir.filePath("Data");
        QVERIFY(QDir().mkpath(data));
        for (const QString &start :
             {QStringLiteral("09.12.2026 08:00:00"), QStringLiteral("09.12.2026 09:00:00"),
              QStringLiteral("09.12.2026 10:00:00")}) {
            QVERIFY(WritePeriod(data, "Печь 1", At(start), 60, 30,
                                [](int i) { return i == 20 ? 200000.0f : 20.0f + float(i % 7); }));
        }
        QVERIFY(WritePeriod(data, "Старое имя", At("01.12.2026 00:00:00"), 3, 3,
                            [](int) { return 1.0f; }));
        QFile ini(m_dir.filePath("Zeltar.ini"));
        QVERIFY(ini.open(QIODevice::WriteOnly));
        ini.write(
            QStringLiteral("[MAIN]\nPathArh=%1\nTimeArh=1\nTimeLastArh1=26_12_09_10\n"
                           "CountUstr=2\n[ZELTAR1]\nPribName=Печь 1\n[ZELTAR2]\nPribName=Котёл\n")
                .arg(data)
                .toUtf8());
        ini.close();

        MessageRecorder messages;
        Station station(m_dir.path());
        FormMain form(station);
        QVERIFY(form.FormShow());
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));

        ClickItem(form.twData, form.twData->topLevelItem(1));
        ClickTab(form.PageControl1, form.tsHistory);
        HistoryPanel *history = form.tsHistory;
        QCOMPARE(form.PageControl1->currentWidget(), history);

        // At the window's first size the chart has room and every column title is whole;
        // the device tree keeps its width through maximise and restore.
        QCOMPARE(form.size(), QSize(750, 551));
        QVERIFY2(history->chartHist->width() >= 300,
                 qPrintable(QString::number(history->chartHist->width())));
        const auto titlesWhole = [](QHeaderView *header, int room) {
            int total = 0;
            for (int c = 0; c < header->count(); ++c) {
                const QString title = header->model()->headerData(c, Qt::Horizontal).toString();
                if (header->sectionSize(c) < header->fontMetrics().horizontalAdvance(title))
                    return false;
                total += header->sectionSize(c);
            }
            return total <= room;
        };
        QTRY_VERIFY(titlesWhole(history->lvHistPeriods->header(),
                                history->lvHistPeriods->viewport()->width()));
        QVERIFY(titlesWhole(history->gridHist->horizontalHeader(), INT_MAX));
        const int treeWidth = form.splitter->sizes().at(0);
        form.showMaximized();
        QTRY_VERIFY(form.isMaximized());
        form.showNormal();
        QTRY_VERIFY(form.splitter->width() <= 750);
        QTest::qWait(100); // the layout settles
        QCOMPARE(form.size(), QSize(750, 551));
        QCOMPARE(form.splitter->sizes().at(0), treeWidth);
        form.resize(1000, 700);

        // "From" and "to" offer the last day up to the last record.
        QCOMPARE(history->dtHistTo->dateTime(), At("09.12.2026 10:29:30"));
        QCOMPARE(history->dtHistFrom->dateTime(), At("08.12.2026 10:29:30"));

        // The device's earlier periods, newest first, and a name no device has any more.
        QTreeWidget *periods = history->lvHistPeriods;
        QCOMPARE(periods->topLevelItemCount(), 3);
        QCOMPARE(periods->topLevelItem(0)->text(0), QStringLiteral("Текущий период"));
        QCOMPARE(periods->topLevelItem(1)->text(0), QStringLiteral("09.12.2026 09:00"));
        QCOMPARE(periods->topLevelItem(1)->text(1), QStringLiteral("60"));
        QCOMPARE(periods->topLevelItem(1)->text(2), QStringLiteral("09:00:00 – 09:29:30"));
        QCOMPARE(history->cbHistArchive->itemText(1),
                 QStringLiteral("Старое имя (нет в конфигурации)"));
        history->cbHistArchive->setCurrentIndex(1);
        emit history->cbHistArchive->activated(1);
        QCOMPARE(history->dtHistTo->dateTime(), At("01.12.2026 00:00:06"));
        history->cbHistArchive->setCurrentIndex(0);
        emit history->cbHistArchive->activated(0);
        QCOMPARE(history->dtHistTo->dateTime(), At("09.12.2026 10:29:30"));

        // A table made while the page is open (here by another poller) joins the list.
        QVERIFY(WritePeriod(data, "Печь 1", At("09.12.2026 07:00:00"), 2, 30,
                            [](int) { return 1.0f; }));
        QTRY_COMPARE(periods->topLevelItemCount(), 4);
        QCOMPARE(periods->topLevelItem(3)->text(0), QStringLiteral("09.12.2026 07:00"));

        ClickItem(periods, periods->topLevelItem(2));
        QCOMPARE(history->stHistShown->text(),
                 QStringLiteral("Период с 09.12.2026 08:00: 60 зап."));
        QCOMPARE(history->HistView->rowCount(), 60);
        QCOMPARE(history->HistView->index(20, 2).data().toString(), QStringLiteral("200000"));

        // The last day: all four periods, the current one too, in time order.
        QTest::mouseClick(history->btnHistDay, Qt::LeftButton);
        RangeChartWidget *chart = history->chartHist;
        QCOMPARE(history->HistView->rowCount(), 182);
        QCOMPARE(chart->series().size(), 182);
        // However long the text over the chart, the tree keeps its width in a smaller window.
        form.resize(750, 551);
        QTRY_VERIFY(form.splitter->width() <= 750);
        QTest::qWait(100); // the layout settles
        QCOMPARE(form.size(), QSize(750, 551));
        QCOMPARE(form.splitter->sizes().at(0), treeWidth);
        form.resize(1000, 700);
        QCOMPARE(history->HistView->index(181, 1).data().toString(), QStringLiteral("10:29:30"));
        QVERIFY(!chart->isZoomed());

        // Zoom by wheel around the pointer, by a rectangle, then back to the whole range.
        const QRect plot = chart->plotArea();
        const double span = chart->viewTo() - chart->viewFrom();
        Wheel(chart, plot.center(), 120);
        QVERIFY(chart->viewTo() - chart->viewFrom() < span * 0.9);
        QTest::mouseDClick(chart, Qt::LeftButton, {}, plot.center());
        QVERIFY(!chart->isZoomed());
        const QPoint corner = plot.topLeft() + QPoint(plot.width() / 4, 10);
        const double from = chart->momentAt(corner.x());
        QTest::mousePress(chart, Qt::LeftButton, {}, corner);
        QTest::mouseMove(chart, plot.center());
        QTest::mouseRelease(chart, Qt::LeftButton, {}, plot.center());
        QVERIFY(chart->isZoomed());
        QVERIFY(qAbs(chart->viewFrom() - from) < 1.0);
        QTest::mouseMove(chart, plot.center() - QPoint(5, 0));
        QVERIFY2(history->stHistCursor->text().startsWith(QStringLiteral("09.12.2026 ")),
                 qPrintable(history->stHistCursor->text()));

        // Both exports take what the zoomed chart shows, offered in the archive folder under
        // a name that says what it holds; the picture carries the device and the window.
        const auto [shownFrom, shownTo] = chart->shownMoments();
        const QString zoomedCsv = m_dir.filePath("zoomed.csv");
        FileDialogs::setNextFileName(zoomedCsv);
        QTest::mouseClick(history->btnHistCsvMachine, Qt::LeftButton);
        QVERIFY2(FileDialogs::lastSuggestion().startsWith(data + "/Печь 1 09.12.2026 "),
                 qPrintable(FileDialogs::lastSuggestion()));
        QVERIFY(FileDialogs::lastSuggestion().endsWith(".csv"));
        QFile zoomed(zoomedCsv);
        QVERIFY(zoomed.open(QIODevice::ReadOnly));
        const QList<QByteArray> zoomedLines = zoomed.readAll().trimmed().split('\n');
        QVERIFY2(zoomedLines.size() > 2 && zoomedLines.size() < 100,
                 qPrintable(QString::number(zoomedLines.size())));
        for (const QByteArray &line : zoomedLines.mid(1)) {
            const WallSeconds moment = Wall(QString::fromLatin1(line.left(19)).replace(',', ' '));
            QVERIFY2(moment >= shownFrom && moment <= shownTo, line.constData());
        }
        const QString zoomedSvg = m_dir.filePath("zoomed.svg");
        FileDialogs::setNextFileName(zoomedSvg);
        QTest::mouseClick(history->btnHistPicture, Qt::LeftButton);
        QFile svg(zoomedSvg);
        QVERIFY(svg.open(QIODevice::ReadOnly));
        const QString title =
            QStringLiteral("Печь 1: %1 – %2").arg(WallText(shownFrom), WallText(shownTo));
        QCOMPARE(QString::fromUtf8(svg.readAll()).count(title), 2); // drawn, and its <title>
        // The report opens in a print preview over the window: of the zoomed chart its
        // window, of the whole chart the range asked for.
        const auto reportTitle = [&]() -> QString {
            QTest::mouseClick(history->btnHistReport, Qt::LeftButton);
            auto *preview = form.findChild<QPrintPreviewDialog *>("FormReportPreview");
            auto *pages = preview ? preview->findChild<QPrintPreviewWidget *>() : nullptr;
            if (!pages ||
                !QTest::qWaitFor([&] { return preview->isVisible() && pages->pageCount() >= 1; }))
                return QStringLiteral("no preview");
            const QString shown = preview->windowTitle();
            const bool a4 = preview->printer()->pageLayout().pageSize().id() == QPageSize::A4;
            preview->close();
            if (!QTest::qWaitFor([&] { return !form.findChild<QPrintPreviewDialog *>(); }))
                return QStringLiteral("not closed");
            return a4 ? shown : QStringLiteral("not A4");
        };
        QCOMPARE(reportTitle(), QStringLiteral("Отчёт по прибору ") + title);
        QTest::mouseClick(history->btnHistReset, Qt::LeftButton);
        QVERIFY(!chart->isZoomed());
        QCOMPARE(reportTitle(), QStringLiteral("Отчёт по прибору Печь 1: 08.12.2026 10:30:00 – "
                                               "09.12.2026 10:30:00"));

        // Exports of what is on show: both CSV forms and the chart as PNG and SVG.
        const QString csv = m_dir.filePath("day.csv");
        const QString machine = m_dir.filePath("day-machine.csv");
        FileDialogs::setNextFileName(csv);
        QTest::mouseClick(history->btnHistCsv, Qt::LeftButton);
        FileDialogs::setNextFileName(machine);
        QTest::mouseClick(history->btnHistCsvMachine, Qt::LeftButton);
        QFile spreadsheet(csv);
        QVERIFY(spreadsheet.open(QIODevice::ReadOnly));
        QVERIFY(spreadsheet.readAll().startsWith("\xEF\xBB\xBF\xD0\x94\xD0\xB0\xD1\x82\xD0\xB0;"));
        QFile forPrograms(machine);
        QVERIFY(forPrograms.open(QIODevice::ReadOnly));
        const QList<QByteArray> lines = forPrograms.readAll().split('\n');
        QCOMPARE(lines.size(), 184);
        QCOMPARE(lines.at(23), QByteArray("09.12.2026,08:10:00,200000,3,0,2,0\r"));
        for (const QString &suffix : {QStringLiteral("png"), QStringLiteral("svg")}) {
            const QString picture = m_dir.filePath("day." + suffix);
            FileDialogs::setNextFileName(picture);
            QTest::mouseClick(history->btnHistPicture, Qt::LeftButton);
            QVERIFY(QFileInfo(picture).size() > 1000);
        }
        QVERIFY(!QImage(m_dir.filePath("day.png")).isNull());
        QVERIFY(messages.texts().isEmpty());

        // A saved archive table from elsewhere, one record of which has a date nobody can
        // read: the page says so. A file that is no table is refused.
        const QString saved = m_dir.filePath("saved.dbf");
        QVERIFY(QFile::copy(data + "/Печь 1_26_12_09_08.dbf", saved));
        ArchiveRecord broken = PollAt(At("09.12.2026 08:30:00"), 1.0f);
        broken.data = QStringLiteral("31.02.2026");
        QVERIFY(AppendRecords(saved, {broken}));
        FileDialogs::setNextFileName(saved);
        QTest::mouseClick(history->btnHistOpen, Qt::LeftButton);
        QCOMPARE(QDir(FileDialogs::lastSuggestion()).absolutePath(), data);
        QCOMPARE(history->stHistShown->text(),
                 QStringLiteral("saved.dbf: 60 зап., 1 зап. с нечитаемой датой или временем не "
                                "показаны (saved.dbf)"));
        FileDialogs::setNextFileName(csv);
        QTest::mouseClick(history->btnHistOpen, Qt::LeftButton);
        QCOMPARE(messages.texts().size(), 1);
        QCOMPARE(history->HistView->rowCount(), 60);
        messages.reset();

        // Qt's own file dialog names the kinds of file in Russian too.
        QFileDialog dialog;
        FileDialogs::prepare(dialog, data + "/x.csv");
        QCOMPARE(dialog.directory().absolutePath(), data);
        QCOMPARE(dialog.iconProvider()->type(QFileInfo(data)), QStringLiteral("Папка"));

        // The current period is the live table page.
        ClickItem(periods, periods->topLevelItem(0));
        QCOMPARE(form.PageControl1->currentWidget(), form.tsArh);
        QCOMPARE(history->HistView->rowCount(), 0);
    }
};

QTEST_MAIN(HistoryViewTest)
#include "test_history_view.moc"
