// Measures the main window: the time from its creation to its first paint with 16 devices
// configured (the splash excluded), and the table page opening an archive table of
// 1,000,000 records, with the process's memory before and after. Run offscreen
// (QT_QPA_PLATFORM=offscreen). Prints its figures; asserts nothing.
#include "acquisition/archive_keeper.h"
#include "acquisition/archive_template.h"
#include "acquisition/station.h"
#include "bench_tables.h"
#include "core/message_service.h"
#include "ui/archive_grid.h"
#include "ui/form_main.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QTreeWidget>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace zeltar;

namespace {

void writeConfig(const QString &dir)
{
    QFile ini(dir + QStringLiteral("/Zeltar.ini"));
    ini.open(QIODevice::WriteOnly);
    QString text = QStringLiteral("[MAIN]\nAutoStart=0\nTimeOpr=10\nTimeArh=24\nCountUstr=16\n"
                                  "TimeLastArh=17743834\nTimeLastArh1=24_03_01_10\n");
    for (int n = 1; n <= 16; ++n)
        text += QStringLiteral("[ZELTAR%1]\nPribName=Прибор %1\nPribVkl=1\nPribPort=%2\n"
                               "PribBaud=2\nPribAdr=%3\n")
                    .arg(n)
                    .arg((n - 1) / 8 + 1)
                    .arg(n);
    ini.write(text.toUtf8());
}

// Paints pending in the window are done when this returns.
void settle()
{
    for (int i = 0; i < 5; ++i)
        QApplication::processEvents();
}

class Quiet : public MessageService
{
public:
    bool show(MessageIcon, MessageButtons, const QString &text) override
    {
        std::fprintf(stderr, "message: %s\n", qUtf8Printable(text));
        return true;
    }
};

double tableOpenMs(FormMain &form, int device)
{
    form.twData->setCurrentItem(form.twData->topLevelItem(device));
    form.PageControl1->setCurrentWidget(form.tsCurrentData);
    settle();
    QElapsedTimer timer;
    timer.start();
    form.PageControl1->setCurrentWidget(form.tsArh);
    settle();
    return timer.nsecsElapsed() / 1e6;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    Quiet quiet;
    MessageService::setCurrent(&quiet);
    QTemporaryDir folder;
    writeConfig(folder.path());

    // 1. From creation to the first paint of the window, five times.
    std::vector<double> startups;
    for (int round = 0; round < 5; ++round) {
        QElapsedTimer timer;
        timer.start();
        Station station(folder.path());
        FormMain form(station);
        form.show();
        form.FormShow();
        settle();
        startups.push_back(timer.nsecsElapsed() / 1e6);
        form.closeWithoutQuestion();
    }
    std::sort(startups.begin(), startups.end());
    std::printf("main window with 16 devices, creation to first paint: median %.1f ms, "
                "max %.1f ms (goal <= 300 ms)\n",
                startups[startups.size() / 2], startups.back());

    // 2. The table page on a table of 1,000 and one of 1,000,000 records.
    Station station(folder.path());
    FormMain form(station);
    form.show();
    form.FormShow();
    settle();
    ArchiveKeeper keeper(station);
    const QString small = keeper.CurrentTableName(1);
    const QString big = keeper.CurrentTableName(2);
    if (!CopyTemplate(station.templatePath(), small) || !bench::FillTable(small, 1000) ||
        !CopyTemplate(station.templatePath(), big) || !bench::FillTable(big, 1000000)) {
        std::fprintf(stderr, "cannot make the tables\n");
        return 1;
    }
    const long before = bench::ResidentKb();
    const double smallMs = tableOpenMs(form, 1);
    const long afterSmall = bench::ResidentKb();
    const double bigMs = tableOpenMs(form, 2);
    form.DBGridArhDataMod->moveToLast();
    settle();
    const long afterBig = bench::ResidentKb();
    std::printf("table page, 1,000 records: opened in %.1f ms; 1,000,000 records: %.1f ms "
                "(goal <= 100 ms)\n",
                smallMs, bigMs);
    std::printf("resident memory: %ld kB before, %ld kB with 1,000 records, %ld kB with "
                "1,000,000 records shown at their end (growth %+ld kB)\n",
                before, afterSmall, afterBig, afterBig - afterSmall);
    form.closeWithoutQuestion();
    return 0;
}
